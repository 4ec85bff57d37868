// What the wizard walk (wizard_walk.cpp) reads from the real program's windows, from another
// process: top-level windows by caption, a control's state by the id the program gives it
// (kFirstControlId + its place in the form's tab order), message boxes, screenshots; and the
// PASS and FAIL lines of the checks.
#pragma once

#include <string>
#include <vector>

#include "platform/form.h"
#include "platform/win32/win32_windows.h"

namespace vrx::walk {

// One PASS or FAIL line; Failures() counts the FAIL lines.
void Pass(const std::string& name);
void Fail(const std::string& name, const std::string& why = "");
int Failures();
// An action of the walk: a failed one is a failed check, a done one says nothing.
bool Step(const std::string& what, bool done);

// The visible top-level window with the caption (a message box when dialog_only), waiting up to
// `seconds` for it; null when there is none by then.
HWND FindTop(const std::string& caption, double seconds = 0, bool dialog_only = false);
// The child window of a form's control in the program's window.
HWND ControlWindow(HWND form_window, const Control& control);

std::string TextOf(HWND hwnd);
// The state of a control's window in the words a check names: "visible" or "hidden", "enabled"
// or "disabled", "checked=N" for a check box, "focused" when it has the program's focus.
std::vector<std::string> StateOf(HWND form_window, const Control& control);
// The items of the program's list box, in the ANSI code page.
std::vector<std::string> ItemsOf(HWND list);
// The screen's pixels per inch, the client and outer sizes of a window.
int ScreenDpi();
SIZE ClientSize(HWND hwnd);
SIZE OuterSize(HWND hwnd);
std::string Show(SIZE size);  // "WIDTHxHEIGHT"

// Clicks a button or check box as the user's click does; false when it cannot be clicked.
bool Click(HWND form_window, const Control& control);
// Presses a key (a virtual-key code) as the keyboard does.
void PressKey(WORD key);
// The text of a message box, and a click on its button (IDYES, IDNO, IDOK).
std::string MessageText(HWND box);
bool Answer(HWND box, int button);

// The whole screen as a 24-bit bitmap file.
bool SaveScreen(const std::string& path);

// A check made of expectations on a form's window: it passes when all hold, and otherwise names
// each one that did not and shows the window's controls.
class Check {
 public:
  Check(std::string name, HWND form_window, const Form& form)
      : name_(std::move(name)), window_(form_window), form_(form) {}
  ~Check();
  Check(const Check&) = delete;
  Check& operator=(const Check&) = delete;

  // The control's window shows every word of `words` ("visible disabled checked=0").
  Check& Is(const Control& control, const std::string& words);
  // The control's window has the text.
  Check& Says(const Control& control, const std::string& text);
  Check& That(bool holds, const std::string& what);

 private:
  std::string name_;
  HWND window_;
  const Form& form_;
  std::vector<std::string> missed_;
};

}  // namespace vrx::walk
