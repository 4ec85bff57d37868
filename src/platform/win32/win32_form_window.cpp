#include "platform/win32/win32_form_window.h"

#include <algorithm>
#include <cmath>

#include "platform/win32/win32_commctrl.h"
#include "platform/win32/win32_dpi.h"

namespace vrx::win32 {
namespace {

constexpr LONG kButtonTypeMask = 0x0F;  // BS_TYPEMASK

HINSTANCE ThisModule() { return GetModuleHandleA(nullptr); }

// Lets a message loop that waits in GetMessageA look at the program's state again.
void WakeMessageLoop() { PostThreadMessageA(GetCurrentThreadId(), WM_NULL, 0, 0); }

int Round(float value) { return static_cast<int>(std::lround(value)); }

bool IsPushButton(HWND hwnd) {
  const LONG type = GetWindowLongA(hwnd, GWL_STYLE) & kButtonTypeMask;
  return type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON;
}

}  // namespace

FormWindow::FormWindow(Win32Ui& ui, Form& form) : ui_(ui), form_(form) { ui_.Register(this); }

FormWindow::~FormWindow() {
  window_.reset();
  ui_.Unregister(this);
}

HWND FormWindow::ChildOf(const Control& control) const {
  for (const Child& child : children_) {
    if (child.control == &control) return child.hwnd;
  }
  return nullptr;
}

FormWindow::Child* FormWindow::ChildFor(const Control* control) {
  for (Child& child : children_) {
    if (child.control == control) return &child;
  }
  return nullptr;
}

Control* FormWindow::ControlOf(HWND hwnd) const {
  if (hwnd == nullptr) return nullptr;
  for (const Child& child : children_) {
    if (child.hwnd == hwnd) return child.control;
  }
  return nullptr;
}

// ---------------------------------------------------------------------------------------------
// Making the window and laying it out

void FormWindow::Loaded() {
  const DWORD ex_style = form_.shown_in_taskbar() ? 0 : WS_EX_TOOLWINDOW;
  HWND hwnd = CreateWindowExA(ex_style, kFormWindowClass, form_.Caption().c_str(), kFormStyle, 0, 0,
                              0, 0, nullptr, nullptr, ThisModule(), this);
  if (hwnd == nullptr) return;
  window_.reset(hwnd);
  dpi_ = DpiOfWindow(hwnd);
  int id = kFirstControlId;
  for (const auto& control : form_.controls()) CreateChild(*control, id++);
  LayOut();
  RECT work{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  RECT outer;
  GetWindowRect(hwnd, &outer);
  const int width = outer.right - outer.left;
  const int height = outer.bottom - outer.top;
  SetWindowPos(hwnd, nullptr,
               work.left + std::max(0, static_cast<int>(work.right - work.left - width) / 2),
               work.top + std::max(0, static_cast<int>(work.bottom - work.top - height) / 2), 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  UpdateCloseBox();
}

void FormWindow::CreateChild(Control& control, int id) {
  const char* window_class = "STATIC";
  DWORD style = WS_CHILD;
  DWORD ex_style = 0;
  switch (control.kind()) {
    case ControlKind::kLabel:
      style |= SS_LEFT | SS_NOPREFIX;
      break;
    case ControlKind::kButton:
      window_class = "BUTTON";
      style |= BS_PUSHBUTTON | BS_NOTIFY | WS_TABSTOP;
      break;
    case ControlKind::kCheckBox:
      window_class = "BUTTON";
      style |= BS_CHECKBOX | BS_NOTIFY | WS_TABSTOP;
      break;
    case ControlKind::kListBox:
      window_class = "LISTBOX";
      style |= WS_VSCROLL | WS_HSCROLL | LBS_NOINTEGRALHEIGHT | LBS_NOTIFY;
      ex_style = WS_EX_CLIENTEDGE;
      break;
    case ControlKind::kProgressBar:
      window_class = PROGRESS_CLASSA;
      break;
  }
  if (control.Visible()) style |= WS_VISIBLE;
  if (!control.Enabled()) style |= WS_DISABLED;
  const bool has_text = control.kind() == ControlKind::kLabel ||
                        control.kind() == ControlKind::kButton ||
                        control.kind() == ControlKind::kCheckBox;
  HWND child = CreateWindowExA(
      ex_style, window_class, has_text ? control.Caption().c_str() : "", style, 0, 0, 0, 0,
      window_.get(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ThisModule(), nullptr);
  if (child == nullptr) return;
  children_.push_back({&control, child});
  switch (control.kind()) {
    case ControlKind::kCheckBox:
      SendMessageA(child, BM_SETCHECK, control.Value() != 0 ? BST_CHECKED : BST_UNCHECKED, 0);
      break;
    case ControlKind::kListBox:
      for (const std::string& item : control.Items()) {
        SendMessageA(child, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
      }
      break;
    case ControlKind::kProgressBar:
      ShowProgress(children_.back());
      break;
    default:
      break;
  }
}

// ---------------------------------------------------------------------------------------------
// Showing, focus, the close box

void FormWindow::Shown() {
  if (!window_) return;
  ui_.NoteShown(this);
  ShowWindow(window_.get(), SW_SHOW);
  SetForegroundWindow(window_.get());
  if (!FocusIsUsable()) RestoreFocus();
}

void FormWindow::Hidden() {
  if (window_) ShowWindow(window_.get(), SW_HIDE);
}

void FormWindow::Unloaded() { window_.reset(); }

void FormWindow::Refreshed() {
  if (window_) RedrawWindow(window_.get(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
}

bool FormWindow::CloseControlUsable() const {
  const Control* control = form_.close_control();
  return control != nullptr && control->Enabled() && control->Visible();
}

void FormWindow::UpdateCloseBox() {
  if (!window_) return;
  EnableMenuItem(GetSystemMenu(window_.get(), FALSE), SC_CLOSE,
                 MF_BYCOMMAND | (CloseControlUsable() ? MF_ENABLED : MF_GRAYED));
}

void FormWindow::PressCloseControl() {
  Control* control = form_.close_control();
  if (control == nullptr) return;
  // The handler may unload the form, and `this` with it.
  if (form_.UserClick(*control) == ClickOutcome::kClicked) WakeMessageLoop();
}

bool FormWindow::CanFocus(const Control& control) const {
  if (!control.Visible() || !control.Enabled()) return false;
  switch (control.kind()) {
    case ControlKind::kButton:
    case ControlKind::kCheckBox:
      return true;
    case ControlKind::kListBox:
      return (GetWindowLongA(ChildOf(control), GWL_STYLE) & WS_TABSTOP) != 0;
    default:
      return false;
  }
}

bool FormWindow::FocusIsUsable() const {
  Control* focused = ControlOf(GetFocus());
  return focused != nullptr && CanFocus(*focused);
}

void FormWindow::FocusFirst() {
  for (const Child& child : children_) {
    if (CanFocus(*child.control)) {
      SetFocus(child.hwnd);
      return;
    }
  }
  SetFocus(window_.get());
}

void FormWindow::RestoreFocus() {
  Control* saved = ControlOf(saved_focus_);
  if (saved != nullptr && CanFocus(*saved)) {
    SetFocus(saved_focus_);
  } else {
    FocusFirst();
  }
}

// The focused control is about to be disabled or hidden: the next one in the tab order takes the
// focus, so that the keyboard keeps working.
void FormWindow::MoveFocusFrom(HWND child) {
  const auto at = std::find_if(children_.begin(), children_.end(),
                               [&](const Child& c) { return c.hwnd == child; });
  if (at == children_.end()) return;
  const size_t start = static_cast<size_t>(at - children_.begin());
  for (size_t step = 1; step < children_.size(); ++step) {
    const Child& next = children_[(start + step) % children_.size()];
    if (CanFocus(*next.control)) {
      SetFocus(next.hwnd);
      return;
    }
  }
  SetFocus(window_.get());
}

// The focused push button is drawn as the default button, the one Enter presses; with the focus
// elsewhere no button is.
void FormWindow::MarkDefaultButton(HWND focused) {
  for (const Child& child : children_) {
    if (child.control->kind() != ControlKind::kButton) continue;
    const LONG style = GetWindowLongA(child.hwnd, GWL_STYLE) & kButtonTypeMask;
    const LONG wanted = child.hwnd == focused ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
    if (style != wanted) SendMessageA(child.hwnd, BM_SETSTYLE, static_cast<WPARAM>(wanted), TRUE);
  }
}

// ---------------------------------------------------------------------------------------------
// Properties

void FormWindow::PropertyChanged(const Control* control, Property property,
                                 const PropertyValue& /*value*/) {
  if (!window_) return;
  if (control == nullptr) {
    FormPropertyChanged(property);
    return;
  }
  Child* child = ChildFor(control);
  if (child == nullptr) return;
  HWND hwnd = child->hwnd;
  if (property == Property::kCaption) {
    if (control->kind() != ControlKind::kListBox && control->kind() != ControlKind::kProgressBar) {
      SetWindowTextA(hwnd, control->Caption().c_str());
      if (control->kind() == ControlKind::kLabel) PlaceChild(*child);
    }
  } else if (property == Property::kEnabled || property == Property::kVisible) {
    const bool on = property == Property::kEnabled ? control->Enabled() : control->Visible();
    if (!on && GetFocus() == hwnd) MoveFocusFrom(hwnd);
    if (property == Property::kEnabled) {
      EnableWindow(hwnd, on ? TRUE : FALSE);
    } else {
      ShowWindow(hwnd, on ? SW_SHOWNA : SW_HIDE);
    }
    if (control == form_.close_control()) UpdateCloseBox();
    // A button that comes into use takes the focus when no usable control holds it.
    if (on && CanFocus(*control) && GetActiveWindow() == window_.get() && !FocusIsUsable()) {
      SetFocus(hwnd);
    }
  } else if (property == Property::kValue) {
    if (control->kind() == ControlKind::kCheckBox) {
      SendMessageA(hwnd, BM_SETCHECK, control->Value() != 0 ? BST_CHECKED : BST_UNCHECKED, 0);
    } else if (control->kind() == ControlKind::kProgressBar) {
      ShowProgress(*child);
      // Last: what the waiting messages do may end this window.
      ui_.HandleWaitingMessagesNowAndThen();
    }
  } else if (property == Property::kMax) {
    if (control->kind() == ControlKind::kProgressBar) ShowProgress(*child);
  } else if (property == Property::kAddItem) {
    if (control->kind() == ControlKind::kListBox && !control->Items().empty()) {
      AddListItem(*child, control->Items().back());
    }
  }
  // Tag and anything else: nothing on the screen.
}

// The progress bar as common controls 4.00 (Windows 95) has it: a range of 16 bits
// (PBM_SETRANGE) and no message that reads the position back, so the view keeps what it sent.
// Most steps of a run move the bar by less than one unit: those are not sent.
void FormWindow::ShowProgress(Child& child) {
  const Control& bar = *child.control;
  // Max is 100 for each variant chosen, far within 16 bits; a larger one would be scaled down.
  constexpr float kMostUnits = 0x7FFF;
  const float scale = bar.Max() > kMostUnits ? kMostUnits / bar.Max() : 1.0f;
  const int range = std::max(1, Round(bar.Max() * scale));
  const int position = std::clamp(Round(bar.ProgressValue() * scale), 0, range);
  if (range != child.bar_range) {
    SendMessageA(child.hwnd, PBM_SETRANGE, 0, MAKELPARAM(0, range));
    child.bar_range = range;
    child.bar_position = -1;  // the control moves a position beyond the new range itself
  }
  if (position != child.bar_position) {
    SendMessageA(child.hwnd, PBM_SETPOS, static_cast<WPARAM>(position), 0);
    child.bar_position = position;
  }
}

void FormWindow::FormPropertyChanged(Property property) {
  const Geometry& g = form_.geometry();
  switch (property) {
    case Property::kLeft:
      left_ = g.left;
      break;
    case Property::kTop:
      top_ = g.top;
      break;
    case Property::kWidth:
      width_ = g.width;
      break;
    case Property::kHeight:
      height_ = g.height;
      break;
    default:
      return;
  }
  RECT r;
  if (!GetWindowRect(window_.get(), &r)) return;
  PlaceFrame(POINT{r.left, r.top});
}

void FormWindow::FocusRequested(const Control* control) {
  if (!window_ || control != nullptr) return;  // only the form's own focus is asked for
  HWND hwnd = window_.get();
  SetForegroundWindow(hwnd);
  SetActiveWindow(hwnd);
  if (!FocusIsUsable()) RestoreFocus();
}

// ---------------------------------------------------------------------------------------------
// Messages

LRESULT CALLBACK FormWindow::WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lparam);
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  // Looked up afresh for every message: a handler may have unloaded the form meanwhile.
  auto* view = reinterpret_cast<FormWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (view == nullptr) return DefWindowProcA(hwnd, message, wparam, lparam);
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
    if (view->window_.get() == hwnd) (void)view->window_.release();
    view->children_.clear();
    view->saved_focus_ = nullptr;
    return DefWindowProcA(hwnd, message, wparam, lparam);
  }
  return view->OnMessage(hwnd, message, wparam, lparam);
}

// True when the command was handled. A click may unload the form, and `this` with it.
bool FormWindow::OnCommand(WPARAM wparam, LPARAM lparam) {
  HWND from = reinterpret_cast<HWND>(lparam);
  Control* control = ControlOf(from);
  const WORD code = HIWORD(wparam);
  if (control == nullptr) {
    // Esc, as IsDialogMessage reports it.
    if (LOWORD(wparam) == IDCANCEL && code == BN_CLICKED) PressCloseControl();
    return true;
  }
  if (control->kind() == ControlKind::kListBox) {
    if (code == LBN_SETFOCUS) MarkDefaultButton(nullptr);
    return true;
  }
  if (code == BN_SETFOCUS) {
    MarkDefaultButton(IsPushButton(from) ? from : nullptr);
    return true;
  }
  // BS_NOTIFY makes the second click of a double click BN_DBLCLK: a click all the same.
  if (code != BN_CLICKED && code != BN_DBLCLK) return false;
  if (form_.UserClick(*control) == ClickOutcome::kClicked) WakeMessageLoop();
  return true;
}

LRESULT FormWindow::OnMessage(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_COMMAND:
      if (OnCommand(wparam, lparam)) return 0;
      break;
    case WM_CLOSE:
      PressCloseControl();
      return 0;
    case WM_SIZE:
      UpdateListTabStop();
      break;
    case kWmDpiChanged: {
      dpi_ = LOWORD(wparam);
      const auto* suggested = reinterpret_cast<const RECT*>(lparam);
      SetWindowPos(hwnd, nullptr, suggested->left, suggested->top, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      LayOut();
      return 0;
    }
    case WM_ACTIVATE:
      if (LOWORD(wparam) == WA_INACTIVE) {
        if (ControlOf(GetFocus()) != nullptr) saved_focus_ = GetFocus();
      } else if (HIWORD(wparam) == 0) {
        RestoreFocus();
      }
      return 0;
    case DM_GETDEFID: {
      // Enter presses the focused button, as in a dialog box.
      HWND focus = GetFocus();
      Control* control = ControlOf(focus);
      if (control != nullptr && control->kind() == ControlKind::kButton && CanFocus(*control)) {
        return MAKELRESULT(GetDlgCtrlID(focus), DC_HASDEFID);
      }
      return 0;
    }
    default:
      break;
  }
  return DefWindowProcA(hwnd, message, wparam, lparam);
}

}  // namespace vrx::win32
