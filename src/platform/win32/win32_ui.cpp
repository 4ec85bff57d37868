#include "platform/win32/win32_ui.h"

#include <algorithm>

#include "platform/win32/win32_commctrl.h"
#include "platform/win32/win32_form_window.h"

namespace vrx::win32 {

namespace {

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

// The program's icon at a size; the system's application icon when the program has none.
HICON ProgramIcon(int size_metric) {
  const int size = GetSystemMetrics(size_metric);
  HANDLE icon = LoadImageA(ThisModule(), MAKEINTRESOURCEA(kAppIconId), IMAGE_ICON, size, size, 0);
  return icon != nullptr ? static_cast<HICON>(icon) : LoadIconA(nullptr, IDI_APPLICATION);
}

}  // namespace

Win32Ui::Win32Ui() {
  DeclareDpiAware();
  // Registers the progress bar's class, among others; every version of the common controls has
  // this call, while InitCommonControlsEx came after Windows 95.
  InitCommonControls();
  if (g_class_users++ == 0) {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &FormWindow::WindowProc;
    wc.hInstance = ThisModule();
    wc.hIcon = ProgramIcon(SM_CXICON);
    wc.hIconSm = ProgramIcon(SM_CXSMICON);
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kFormWindowClass;
    g_class_atom = RegisterClassExA(&wc);
  }
}

Win32Ui::~Win32Ui() {
  if (--g_class_users == 0 && g_class_atom != 0) {
    UnregisterClassA(kFormWindowClass, ThisModule());
    g_class_atom = 0;
  }
}

int Win32Ui::MessageBox(const std::string& text, int style, const std::string& title) {
  return MessageBoxA(MessageBoxOwner(), text.c_str(), title.c_str(),
                     static_cast<UINT>(style) | MB_SETFOREGROUND);
}

bool Win32Ui::HandleQueue() {
  bool handled = false;
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      // Not ours to act on: put it back for the loop that owns the program's end.
      PostQuitMessage(static_cast<int>(message.wParam));
      return true;
    }
    Dispatch(message);
    handled = true;
  }
  return handled;
}

void Win32Ui::HandleWaitingMessages() {
  last_handled_ = GetTickCount();
  (void)HandleQueue();
}

void Win32Ui::HandleWaitingMessagesNowAndThen() {
  // Unsigned arithmetic: right across the tick count's wrap after 49.7 days.
  if (GetTickCount() - last_handled_ >= kProgressPumpMilliseconds) HandleWaitingMessages();
}

void Win32Ui::PumpEvents() {
  last_handled_ = GetTickCount();
  if (HandleQueue()) return;
  // Nothing was waiting: sleep until something comes or the clock moves on.
  MsgWaitForMultipleObjects(0, nullptr, FALSE, kClockStepMilliseconds, QS_ALLINPUT);
  (void)HandleQueue();
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

int Win32Ui::DpiOf(const Form& form) const {
  const FormWindow* window = Find(form);
  return window != nullptr && window->hwnd() != nullptr ? window->dpi() : SystemDpi();
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

}  // namespace vrx::win32
