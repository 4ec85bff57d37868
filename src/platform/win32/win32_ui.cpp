#include "platform/win32/win32_ui.h"

#include <commctrl.h>

#include <algorithm>
#include <cmath>
#include <string_view>

#include "platform/win32/win32_handles.h"

namespace vrx::win32 {

namespace {

constexpr DWORD kFormStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr DWORD kFormExStyle = 0;

// The screen's device context, for as long as the object lives.
class ScreenDc {
 public:
  ScreenDc() : dc_(GetDC(nullptr)) {}
  ~ScreenDc() {
    if (dc_ != nullptr) ReleaseDC(nullptr, dc_);
  }
  ScreenDc(const ScreenDc&) = delete;
  ScreenDc& operator=(const ScreenDc&) = delete;
  HDC get() const { return dc_; }

 private:
  HDC dc_;
};

// The form window class, registered while any Win32Ui lives.
int g_class_users = 0;
ATOM g_class_atom = 0;

HINSTANCE ThisModule() { return GetModuleHandleA(nullptr); }

bool IsFormWindow(HWND hwnd) {
  return hwnd != nullptr && g_class_atom != 0 &&
         static_cast<ATOM>(GetClassLongPtrA(hwnd, GCW_ATOM)) == g_class_atom;
}

// The top-level window that `hwnd` is, or is a child (at any depth) of. GetAncestor(GA_ROOT)
// does the same from Windows 98 and NT 4.0 SP4 on. GetParent gives the owner of a top-level
// window, so the walk stops at the first window without the child style.
HWND TopLevelOf(HWND hwnd) {
  while ((GetWindowLongA(hwnd, GWL_STYLE) & WS_CHILD) != 0) {
    HWND parent = GetParent(hwnd);
    if (parent == nullptr) break;
    hwnd = parent;
  }
  return hwnd;
}

// Lets a message loop that waits in GetMessageA look at the program's state again.
void WakeMessageLoop() { PostThreadMessageA(GetCurrentThreadId(), WM_NULL, 0, 0); }

int Round(float value) { return static_cast<int>(std::lround(value)); }

std::string Unquoted(const std::string& value) {
  if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

// The button that the close box stands for; the other forms cannot be closed that way.
const char* CloseControlName(const std::string& form) {
  if (form == "UnInstall") return "cmdCancel";
  if (form == "Reboot") return "cmdLater";
  return nullptr;
}

bool TakesFocus(const Control& control) {
  return (control.kind() == ControlKind::kButton || control.kind() == ControlKind::kCheckBox) &&
         control.Visible() && control.Enabled();
}

}  // namespace

// The window of one loaded form.
class FormWindow : public FormView {
 public:
  FormWindow(Win32Ui& ui, Form& form) : ui_(ui), form_(form) { ui_.Register(this); }
  ~FormWindow() override {
    window_.reset();
    ui_.Unregister(this);
  }
  FormWindow(const FormWindow&) = delete;
  FormWindow& operator=(const FormWindow&) = delete;

  const Form& form() const { return form_; }
  HWND hwnd() const { return window_.get(); }
  HWND ChildOf(const Control& control) const {
    for (const Child& child : children_) {
      if (child.control == &control) return child.hwnd;
    }
    return nullptr;
  }

  void Loaded() override;
  void Shown() override;
  void Hidden() override {
    if (window_) ShowWindow(window_.get(), SW_HIDE);
  }
  void Unloaded() override { window_.reset(); }
  void Refreshed() override {
    if (window_) RedrawWindow(window_.get(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
  }
  void PropertyChanged(const Control* control, std::string_view property,
                       const std::string& value) override;

  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);

 private:
  struct Child {
    Control* control;
    HWND hwnd;
  };

  LRESULT OnMessage(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
  void CreateChild(Control& control, int id);
  void FormPropertyChanged(std::string_view property, const std::string& value);
  Control* ControlOf(HWND hwnd) const {
    if (hwnd == nullptr) return nullptr;
    for (const Child& child : children_) {
      if (child.hwnd == hwnd) return child.control;
    }
    return nullptr;
  }
  Control* CloseControl() const {
    const char* name = CloseControlName(form_.name());
    return name == nullptr ? nullptr : form_.Find(name);
  }
  // True when the keyboard focus is on a control of this form that can be used.
  bool FocusIsUsable() const {
    Control* focused = ControlOf(GetFocus());
    return focused != nullptr && TakesFocus(*focused);
  }
  void FocusFirst();
  void RestoreFocus();
  void MoveFocusFrom(HWND child);

  Win32Ui& ui_;
  Form& form_;
  UniqueHwnd window_;  // its child windows go with it
  std::vector<Child> children_;
  HWND saved_focus_ = nullptr;
};

// ---------------------------------------------------------------------------------------------
// Win32Ui

Win32Ui::Win32Ui() {
  // Registers the progress bar's class, among others; every version of the common controls has
  // this call, while InitCommonControlsEx came after Windows 95.
  InitCommonControls();
  if (g_class_users++ == 0) {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &FormWindow::WindowProc;
    wc.hInstance = ThisModule();
    wc.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kFormWindowClass;
    g_class_atom = RegisterClassExA(&wc);
  }
  ScreenDc screen;
  if (screen.get() != nullptr) {
    dpi_x_ = GetDeviceCaps(screen.get(), LOGPIXELSX);
    dpi_y_ = GetDeviceCaps(screen.get(), LOGPIXELSY);
  }
  if (dpi_x_ <= 0) dpi_x_ = 96;
  if (dpi_y_ <= 0) dpi_y_ = 96;
}

Win32Ui::~Win32Ui() {
  if (--g_class_users == 0 && g_class_atom != 0) {
    UnregisterClassA(kFormWindowClass, ThisModule());
    g_class_atom = 0;
  }
}

int Win32Ui::TwipsToPixelsX(int twips) const { return MulDiv(twips, dpi_x_, 1440); }
int Win32Ui::TwipsToPixelsY(int twips) const { return MulDiv(twips, dpi_y_, 1440); }

int Win32Ui::MessageBox(const std::string& text, int style, const std::string& title) {
  return MessageBoxA(MessageBoxOwner(), text.c_str(), title.c_str(), static_cast<UINT>(style));
}

void Win32Ui::PumpEvents() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      // Not ours to act on: put it back for the loop that owns the program's end.
      PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    Dispatch(message);
  }
}

std::unique_ptr<FormView> Win32Ui::CreateView(Form& form) {
  return std::make_unique<FormWindow>(*this, form);
}

void Win32Ui::Dispatch(MSG& message) {
  HWND root = message.hwnd != nullptr ? TopLevelOf(message.hwnd) : nullptr;
  if (IsFormWindow(root) && IsDialogMessageA(root, &message)) return;
  TranslateMessage(&message);
  DispatchMessageA(&message);
}

HWND Win32Ui::WindowOf(const Form& form) const {
  const FormWindow* window = Find(form);
  return window == nullptr ? nullptr : window->hwnd();
}

HWND Win32Ui::WindowOf(const Control& control) const {
  const FormWindow* window = Find(control.form());
  return window == nullptr ? nullptr : window->ChildOf(control);
}

void Win32Ui::Register(FormWindow* window) { windows_.push_back(window); }

void Win32Ui::Unregister(FormWindow* window) { std::erase(windows_, window); }

void Win32Ui::NoteShown(FormWindow* window) {
  Unregister(window);
  Register(window);
}

const FormWindow* Win32Ui::Find(const Form& form) const {
  for (const FormWindow* window : windows_) {
    if (&window->form() == &form) return window;
  }
  return nullptr;
}

HWND Win32Ui::MessageBoxOwner() const {
  HWND active = GetActiveWindow();
  for (const FormWindow* window : windows_) {
    if (window->hwnd() != nullptr && window->hwnd() == active && IsWindowVisible(active)) {
      return active;
    }
  }
  // Not in the foreground: the form window shown last that is still on the screen.
  for (auto it = windows_.rbegin(); it != windows_.rend(); ++it) {
    if ((*it)->hwnd() != nullptr && IsWindowVisible((*it)->hwnd())) return (*it)->hwnd();
  }
  return nullptr;
}

// ---------------------------------------------------------------------------------------------
// FormWindow

void FormWindow::Loaded() {
  RECT outer{0, 0, ui_.TwipsToPixelsX(form_.ClientWidth()),
             ui_.TwipsToPixelsY(form_.ClientHeight())};
  AdjustWindowRectEx(&outer, kFormStyle, FALSE, kFormExStyle);
  const int width = outer.right - outer.left;
  const int height = outer.bottom - outer.top;
  RECT work{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  const int x = work.left + std::max(0, static_cast<int>(work.right - work.left - width) / 2);
  const int y = work.top + std::max(0, static_cast<int>(work.bottom - work.top - height) / 2);

  HWND hwnd = CreateWindowExA(kFormExStyle, kFormWindowClass, form_.Caption().c_str(), kFormStyle,
                              x, y, width, height, nullptr, nullptr, ThisModule(), this);
  if (hwnd == nullptr) return;
  window_.reset(hwnd);
  if (CloseControl() == nullptr) {
    EnableMenuItem(GetSystemMenu(hwnd, FALSE), SC_CLOSE, MF_BYCOMMAND | MF_GRAYED);
  }
  int id = kFirstControlId;
  for (const auto& control : form_.controls()) CreateChild(*control, id++);
}

void FormWindow::CreateChild(Control& control, int id) {
  const char* window_class = "STATIC";
  DWORD style = WS_CHILD;
  switch (control.kind()) {
    case ControlKind::kLabel:
      style |= SS_LEFT | SS_NOPREFIX;
      break;
    case ControlKind::kButton:
      window_class = "BUTTON";
      style |= BS_PUSHBUTTON | WS_TABSTOP;
      break;
    case ControlKind::kCheckBox:
      window_class = "BUTTON";
      style |= BS_CHECKBOX | WS_TABSTOP;
      break;
    case ControlKind::kListBox:
      window_class = "LISTBOX";
      style |= WS_VSCROLL | WS_BORDER | LBS_NOINTEGRALHEIGHT;
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
  const Geometry& g = control.geometry();
  HWND child = CreateWindowExA(
      0, window_class, has_text ? control.Caption().c_str() : "", style, ui_.TwipsToPixelsX(g.left),
      ui_.TwipsToPixelsY(g.top), ui_.TwipsToPixelsX(g.width), ui_.TwipsToPixelsY(g.height),
      window_.get(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ThisModule(), nullptr);
  if (child == nullptr) return;
  children_.push_back({&control, child});
  SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)),
               FALSE);
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
      SendMessageA(child, PBM_SETRANGE32, 0, Round(control.Max()));
      SendMessageA(child, PBM_SETPOS, Round(control.ProgressValue()), 0);
      break;
    default:
      break;
  }
}

void FormWindow::Shown() {
  if (!window_) return;
  ui_.NoteShown(this);
  ShowWindow(window_.get(), SW_SHOW);
  SetForegroundWindow(window_.get());
  if (!FocusIsUsable()) RestoreFocus();
}

void FormWindow::FocusFirst() {
  for (const Child& child : children_) {
    if (TakesFocus(*child.control)) {
      SetFocus(child.hwnd);
      return;
    }
  }
  SetFocus(window_.get());
}

void FormWindow::RestoreFocus() {
  Control* saved = ControlOf(saved_focus_);
  if (saved != nullptr && TakesFocus(*saved)) {
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
    if (TakesFocus(*next.control)) {
      SetFocus(next.hwnd);
      return;
    }
  }
  SetFocus(window_.get());
}

void FormWindow::PropertyChanged(const Control* control, std::string_view property,
                                 const std::string& value) {
  if (!window_) return;
  if (control == nullptr) {
    FormPropertyChanged(property, value);
    return;
  }
  HWND child = ChildOf(*control);
  if (child == nullptr) return;
  const bool active = GetActiveWindow() == window_.get();
  if (property == "Caption") {
    if (control->kind() != ControlKind::kListBox && control->kind() != ControlKind::kProgressBar) {
      SetWindowTextA(child, control->Caption().c_str());
    }
  } else if (property == "Enabled" || property == "Visible") {
    const bool on = property == "Enabled" ? control->Enabled() : control->Visible();
    if (!on && GetFocus() == child) MoveFocusFrom(child);
    if (property == "Enabled") {
      EnableWindow(child, on ? TRUE : FALSE);
    } else {
      ShowWindow(child, on ? SW_SHOWNA : SW_HIDE);
    }
    // A button that comes into use takes the focus when no usable control holds it.
    if (on && active && TakesFocus(*control) && !FocusIsUsable()) SetFocus(child);
  } else if (property == "Value") {
    if (control->kind() == ControlKind::kCheckBox) {
      SendMessageA(child, BM_SETCHECK, control->Value() != 0 ? BST_CHECKED : BST_UNCHECKED, 0);
    } else if (control->kind() == ControlKind::kProgressBar) {
      SendMessageA(child, PBM_SETPOS, Round(control->ProgressValue()), 0);
    }
  } else if (property == "Max") {
    if (control->kind() == ControlKind::kProgressBar) {
      SendMessageA(child, PBM_SETRANGE32, 0, Round(control->Max()));
    }
  } else if (property == "AddItem") {
    if (control->kind() == ControlKind::kListBox && !control->Items().empty()) {
      SendMessageA(child, LB_ADDSTRING, 0,
                   reinterpret_cast<LPARAM>(control->Items().back().c_str()));
    }
  }
  // "Tag" and anything else: nothing on the screen.
}

void FormWindow::FormPropertyChanged(std::string_view property, const std::string& value) {
  HWND hwnd = window_.get();
  if (property == "Caption") {
    SetWindowTextA(hwnd, Unquoted(value).c_str());
  } else if (property == "SetFocus") {
    SetForegroundWindow(hwnd);
    SetActiveWindow(hwnd);
    if (!FocusIsUsable()) RestoreFocus();
  } else if (property == "Left" || property == "Top" || property == "Width" ||
             property == "Height") {
    RECT r;
    if (!GetWindowRect(hwnd, &r)) return;
    int x = r.left;
    int y = r.top;
    int width = r.right - r.left;
    int height = r.bottom - r.top;
    const Geometry& g = form_.geometry();
    if (property == "Left") x = ui_.TwipsToPixelsX(g.left);
    if (property == "Top") y = ui_.TwipsToPixelsY(g.top);
    if (property == "Width") width = ui_.TwipsToPixelsX(g.width);
    if (property == "Height") height = ui_.TwipsToPixelsY(g.height);
    SetWindowPos(hwnd, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

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

LRESULT FormWindow::OnMessage(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_COMMAND: {
      if (HIWORD(wparam) != BN_CLICKED) break;
      Control* control = ControlOf(reinterpret_cast<HWND>(lparam));
      if (control == nullptr || !control->Enabled() || !control->Visible()) return 0;
      if (control->kind() == ControlKind::kCheckBox) {
        control->SetValue(control->Value() != 0 ? 0 : 1);
      } else if (control->kind() != ControlKind::kButton) {
        return 0;
      }
      // The handler may unload the form, and with it this window and this object.
      control->form().Click(*control);
      WakeMessageLoop();
      return 0;
    }
    case WM_CLOSE: {
      Control* control = CloseControl();
      if (control != nullptr && control->Enabled() && control->Visible()) {
        control->form().Click(*control);  // as above: `this` may be gone afterwards
        WakeMessageLoop();
      }
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
      if (control != nullptr && control->kind() == ControlKind::kButton && TakesFocus(*control)) {
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
