// The user interface on real windows: message boxes, the message pump and the waits, and a window
// for each loaded form that mirrors the form's properties and hands the user's clicks to its
// handlers.
//
// What the windows promise (win32_form_window.cpp):
// - Sizes: the forms' twips at the DPI of the monitor a window is on, laid out again when it
//   moves to a monitor of another DPI; the controls use MS Shell Dlg 8 point at that DPI. A label
//   whose box holds one line of that font shows one line (it is widened up to the form's edge
//   when its text needs it); a taller one wraps its text.
// - Keyboard: Tab and the arrow keys move the focus through the tab order (the details list
//   takes it once the window is large enough to show it), Enter presses the focused button,
//   which is drawn as the default button, and Esc means the button that the close box means.
// - The close box means the form's close control (Form::close_control: Cancel on the wizard,
//   "Don't Restart" on the restart prompt, Exit on the progress window); while that control
//   cannot be used, the close box is greyed and does nothing. A form not shown in the taskbar
//   (BlankFrm) is a tool window.
// - A click, Enter, Esc and the close box are the user's clicks of Form::UserClick: refused, with
//   nothing run, while the form is hidden or not yet shown or the control hidden or disabled.
// - The details list scrolls sideways far enough for its longest line.
// - A change of a progress bar's value lets the waiting messages through (at most ten times a
//   second), so that a long walk over the files keeps the window answering.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/form.h"
#include "platform/platform.h"
#include "platform/win32/win32_dpi.h"
#include "platform/win32/win32_windows.h"

namespace vrx::win32 {

class FormWindow;

// Control windows get the identifier kFirstControlId + their place in the form's tab order, so
// that a tool can find a control that shows no text (Check1(2) on UnInstall is 100 + 10).
inline constexpr int kFirstControlId = 100;
inline constexpr const char* kFormWindowClass = "VRXUnInstForm";
// The program's icon in its resources.
inline constexpr int kAppIconId = 1;
// How long a wait sleeps at most before it looks at the clock again: one step of the program's
// clock, 1/16 s, as on the simulated machine. A pause of n seconds then ends at most that much
// late, and a wait for Word asks it 16 times a second.
inline constexpr DWORD kClockStepMilliseconds = 62;
// How often a long run of progress steps lets the waiting messages through: often enough that
// Windows never takes the window for hung (5 s), seldom enough to cost nothing.
inline constexpr DWORD kProgressPumpMilliseconds = 100;

class Win32Ui : public Ui {
 public:
  // Declares the program aware of each monitor's DPI (see win32_dpi.h) and registers the form
  // window class with the program's icon.
  Win32Ui();
  ~Win32Ui() override;
  Win32Ui(const Win32Ui&) = delete;
  Win32Ui& operator=(const Win32Ui&) = delete;

  // MessageBoxA owned by the form window on the screen that is active, or else shown last (none
  // when no form is on the screen), and brought to the foreground; the button as Windows gives it.
  int MessageBox(const std::string& text, int style, const std::string& title) override;
  // Handles every waiting message. When none was waiting, sleeps until a message comes or the
  // clock's next step, whichever is first, and handles what came; so a loop that pumps while it
  // waits for the clock or for another program takes no processor time of its own. A WM_QUIT is
  // left in the queue for the caller.
  void PumpEvents() override;
  std::unique_ptr<FormView> CreateView(Form& form) override;

  // Handles every waiting message and returns at once.
  void HandleWaitingMessages();
  // The same, unless it was done less than kProgressPumpMilliseconds ago.
  void HandleWaitingMessagesNowAndThen();

  // One message of a message loop: the keyboard navigation of a form window (Tab and the arrow
  // keys move the focus, Enter presses the focused button, Esc the close box's button) when the
  // message is for one, otherwise TranslateMessage and DispatchMessageA.
  static void Dispatch(MSG& message);

  // The DPI a loaded form's window is laid out at; the screen's when the form is not loaded.
  int DpiOf(const Form& form) const;
  // The window of a loaded form and the window of one of its controls; null when not loaded.
  HWND WindowOf(const Form& form) const;
  HWND WindowOf(const Control& control) const;

  FormFonts& fonts() { return fonts_; }

 private:
  friend class FormWindow;
  void Register(FormWindow* window);
  void Unregister(FormWindow* window);
  void NoteShown(FormWindow* window);
  HWND MessageBoxOwner() const;
  const FormWindow* Find(const Form& form) const;
  // Handles what waits; false when nothing did. A WM_QUIT is put back and ends the handling.
  bool HandleQueue();

  FormFonts fonts_;
  DWORD last_handled_ = 0;
  std::vector<FormWindow*> windows_;  // the live views; the one shown last at the back
};

}  // namespace vrx::win32
