// The window of one loaded form, made by Win32Ui (see win32_ui.h for what it promises).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/form.h"
#include "platform/win32/win32_handles.h"
#include "platform/win32/win32_ui.h"
#include "platform/win32/win32_windows.h"

namespace vrx::win32 {

// The frame of every form window: a caption with the system menu and a minimize box, no sizing.
inline constexpr DWORD kFormStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

// The layout is in win32_form_layout.cpp, the rest in win32_form_window.cpp.
class FormWindow : public FormView {
 public:
  FormWindow(Win32Ui& ui, Form& form);
  ~FormWindow() override;
  FormWindow(const FormWindow&) = delete;
  FormWindow& operator=(const FormWindow&) = delete;

  const Form& form() const { return form_; }
  HWND hwnd() const { return window_.get(); }
  int dpi() const { return dpi_; }
  HWND ChildOf(const Control& control) const;

  void Loaded() override;
  void Shown() override;
  void Hidden() override;
  void Unloaded() override;
  void Refreshed() override;
  void PropertyChanged(const Control* control, Property property,
                       const PropertyValue& value) override;
  void FocusRequested(const Control* control) override;

  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);

 private:
  struct Child {
    Control* control;
    HWND hwnd;
    int text_width = 0;  // list box: the widest item at the window's DPI, in pixels
    int bar_range = -1;  // progress bar: the range and position last sent, in its units
    int bar_position = -1;
  };

  LRESULT OnMessage(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
  bool OnCommand(WPARAM wparam, LPARAM lparam);
  void CreateChild(Control& control, int id);
  void FormPropertyChanged(Property property);
  void ShowProgress(Child& child);

  // Layout at dpi_: the frame, every control, its font, a label's wrapping, the list's extent.
  void LayOut();
  void PlaceFrame(std::optional<POINT> top_left);
  void PlaceChild(Child& child);
  int TextWidth(HWND hwnd, const std::string& text) const;
  int LineHeight(HWND hwnd) const;
  void AddListItem(Child& child, const std::string& item);
  void UpdateListExtent(Child& child);
  void UpdateListTabStop();

  Child* ChildFor(const Control* control);
  Control* ControlOf(HWND hwnd) const;
  bool CloseControlUsable() const;
  void UpdateCloseBox();
  // The close box or Esc: a user's click on the form's close control, if it has one.
  void PressCloseControl();
  // A control that can take the keyboard focus now.
  bool CanFocus(const Control& control) const;
  bool FocusIsUsable() const;
  void FocusFirst();
  void RestoreFocus();
  void MoveFocusFrom(HWND child);
  void MarkDefaultButton(HWND focused);

  Win32Ui& ui_;
  Form& form_;
  UniqueHwnd window_;  // its child windows go with it
  std::vector<Child> children_;
  HWND saved_focus_ = nullptr;
  int dpi_ = 96;
  // The frame's place and size in twips once the form has set them; until then the window is
  // centred on the screen's work area and sized for the form's client area.
  std::optional<int> left_;
  std::optional<int> top_;
  std::optional<int> width_;
  std::optional<int> height_;
};

}  // namespace vrx::win32
