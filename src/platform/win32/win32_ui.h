// The user interface on real windows: message boxes, the message pump, and a window for each
// loaded form that mirrors the form's properties and hands the user's clicks to its handlers.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/form.h"
#include "platform/platform.h"
#include "platform/win32/win32_windows.h"

namespace vrx::win32 {

class FormWindow;

// Control windows get the identifier kFirstControlId + their place in the form's tab order, so
// that a tool can find a control that shows no text (Check1(2) on UnInstall is 100 + 10).
inline constexpr int kFirstControlId = 100;
inline constexpr const char* kFormWindowClass = "VRXUnInstForm";

class Win32Ui : public Ui {
 public:
  Win32Ui();
  ~Win32Ui() override;
  Win32Ui(const Win32Ui&) = delete;
  Win32Ui& operator=(const Win32Ui&) = delete;

  // MessageBoxA, owned by the active form window (or none); the button chosen as Windows gives it.
  int MessageBox(const std::string& text, int style, const std::string& title) override;
  // Handles every waiting message, then returns. A WM_QUIT is left in the queue for the caller.
  void PumpEvents() override;
  std::unique_ptr<FormView> CreateView(Form& form) override;

  // One message of a message loop: the keyboard navigation of a form window (Tab and the arrow
  // keys move the focus, Enter presses the focused button) when the message is for one, otherwise
  // TranslateMessage and DispatchMessageA.
  static void Dispatch(MSG& message);

  // Screen pixels per inch, as the twips of the forms are converted with.
  int dpi_x() const { return dpi_x_; }
  int dpi_y() const { return dpi_y_; }
  int TwipsToPixelsX(int twips) const;
  int TwipsToPixelsY(int twips) const;

  // The window of a loaded form and the window of one of its controls; null when not loaded.
  HWND WindowOf(const Form& form) const;
  HWND WindowOf(const Control& control) const;

 private:
  friend class FormWindow;
  void Register(FormWindow* window);
  void Unregister(FormWindow* window);
  void NoteShown(FormWindow* window);
  HWND MessageBoxOwner() const;
  const FormWindow* Find(const Form& form) const;

  int dpi_x_ = 96;
  int dpi_y_ = 96;
  std::vector<FormWindow*> windows_;  // the live views; the one shown last at the back
};

}  // namespace vrx::win32
