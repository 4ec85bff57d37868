// Reading and clicking the program's windows from the wizard walk's process (wizard_walk.h).
#include <cstdio>
#include <utility>

#include "platform/win32/win32_ui.h"
#include "window_query.h"
#include "wizard_walk.h"

namespace vrx::walk {
namespace {

int g_failures = 0;

HWND FocusOf(HWND window) {
  // The focus belongs to the program's thread, not to this one.
  GUITHREADINFO thread{};
  thread.cbSize = sizeof thread;
  GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &thread);
  return thread.hwndFocus;
}

std::string Join(const std::vector<std::string>& words) {
  std::string joined;
  for (const std::string& word : words) joined += (joined.empty() ? "" : " ") + word;
  return joined;
}

}  // namespace

void Pass(const std::string& name) {
  std::printf("PASS %s\n", name.c_str());
  std::fflush(stdout);
}

void Fail(const std::string& name, const std::string& why) {
  std::printf("FAIL %s%s%s\n", name.c_str(), why.empty() ? "" : ": ", why.c_str());
  std::fflush(stdout);
  ++g_failures;
}

int Failures() { return g_failures; }

bool Step(const std::string& what, bool done) {
  if (!done) Fail(what);
  return done;
}

HWND FindTop(const std::string& caption, double seconds, bool dialog_only) {
  return wine_tools::FindTopWindow(caption, dialog_only, seconds);
}

HWND ControlWindow(HWND form_window, const Control& control) {
  const auto& controls = control.form().controls();
  for (size_t i = 0; i < controls.size(); ++i) {
    if (controls[i].get() == &control) {
      return GetDlgItem(form_window, win32::kFirstControlId + static_cast<int>(i));
    }
  }
  return nullptr;
}

std::string TextOf(HWND hwnd) {
  char text[1024] = {};
  GetWindowTextA(hwnd, text, sizeof text);
  return text;
}

std::vector<std::string> StateOf(HWND form_window, const Control& control) {
  HWND child = ControlWindow(form_window, control);
  if (child == nullptr) return {"missing"};
  std::vector<std::string> words{IsWindowVisible(child) ? "visible" : "hidden",
                                 IsWindowEnabled(child) ? "enabled" : "disabled"};
  if (control.kind() == ControlKind::kCheckBox) {
    words.push_back("checked=" + std::to_string(SendMessageA(child, BM_GETCHECK, 0, 0)));
  }
  if (FocusOf(form_window) == child) words.push_back("focused");
  return words;
}

std::vector<std::string> ItemsOf(HWND list) { return wine_tools::ListItems(list); }

int ScreenDpi() {
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return dpi;
}

SIZE ClientSize(HWND hwnd) {
  RECT r{};
  GetClientRect(hwnd, &r);
  return SIZE{r.right, r.bottom};
}

SIZE OuterSize(HWND hwnd) {
  RECT r{};
  GetWindowRect(hwnd, &r);
  return SIZE{r.right - r.left, r.bottom - r.top};
}

std::string Show(SIZE size) { return std::to_string(size.cx) + "x" + std::to_string(size.cy); }

bool Click(HWND form_window, const Control& control) {
  HWND child = ControlWindow(form_window, control);
  if (child == nullptr || !IsWindowEnabled(child) || !IsWindowVisible(child)) return false;
  return PostMessageA(child, BM_CLICK, 0, 0) != 0;
}

void PressKey(WORD key) {
  INPUT input[2] = {};
  input[0].type = input[1].type = INPUT_KEYBOARD;
  input[0].ki.wVk = input[1].ki.wVk = key;
  input[1].ki.dwFlags = KEYEVENTF_KEYUP;
  SendInput(2, input, sizeof(INPUT));
  Sleep(100);
}

std::string MessageText(HWND box) {
  char text[2048] = {};
  GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
  return text;
}

bool Answer(HWND box, int button) {
  HWND item = GetDlgItem(box, button);
  return item != nullptr && PostMessageA(item, BM_CLICK, 0, 0) != 0;
}

bool SaveScreen(const std::string& path) {
  const int width = GetSystemMetrics(SM_CXSCREEN);
  const int height = GetSystemMetrics(SM_CYSCREEN);
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
  SelectObject(memory, old);
  BITMAPINFOHEADER info{};
  info.biSize = sizeof info;
  info.biWidth = width;
  info.biHeight = height;  // bottom-up, as a bitmap file holds its rows
  info.biPlanes = 1;
  info.biBitCount = 24;
  info.biCompression = BI_RGB;
  const DWORD row = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
  std::vector<char> pixels(static_cast<size_t>(row) * static_cast<size_t>(height));
  const int rows = GetDIBits(memory, bitmap, 0, static_cast<UINT>(height), pixels.data(),
                             reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  if (rows != height) return false;
  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;  // "BM"
  file.bfOffBits = sizeof file + sizeof info;
  file.bfSize = file.bfOffBits + static_cast<DWORD>(pixels.size());
  FILE* out = std::fopen(path.c_str(), "wb");
  if (out == nullptr) return false;
  const bool written = std::fwrite(&file, sizeof file, 1, out) == 1 &&
                       std::fwrite(&info, sizeof info, 1, out) == 1 &&
                       std::fwrite(pixels.data(), pixels.size(), 1, out) == 1;
  return std::fclose(out) == 0 && written;
}

Check::~Check() {
  if (missed_.empty()) {
    Pass(name_);
    return;
  }
  std::string why = "not";
  for (const std::string& missed : missed_) why += " [" + missed + "]";
  Fail(name_, why);
  for (const auto& control : form_.controls()) {
    std::printf("    %s \"%s\" %s\n", control->QualifiedName().c_str(),
                TextOf(ControlWindow(window_, *control)).c_str(),
                Join(StateOf(window_, *control)).c_str());
  }
}

Check& Check::Is(const Control& control, const std::string& words) {
  const std::vector<std::string> state = StateOf(window_, control);
  size_t start = 0;
  while (start < words.size()) {
    size_t end = words.find(' ', start);
    if (end == std::string::npos) end = words.size();
    const std::string word = words.substr(start, end - start);
    bool found = false;
    for (const std::string& seen : state) found = found || seen == word;
    if (!found) missed_.push_back(control.QualifiedName() + " " + word);
    start = end + 1;
  }
  return *this;
}

Check& Check::Says(const Control& control, const std::string& text) {
  const std::string seen = TextOf(ControlWindow(window_, control));
  if (seen != text) missed_.push_back(control.QualifiedName() + " \"" + text + "\"");
  return *this;
}

Check& Check::That(bool holds, const std::string& what) {
  if (!holds) missed_.push_back(what);
  return *this;
}

}  // namespace vrx::walk
