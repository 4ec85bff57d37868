#include "platform/win32/win32_dpi.h"

#include "platform/win32/win32_system_library.h"

namespace vrx::win32 {
namespace {

// DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2 and PROCESS_PER_MONITOR_DPI_AWARE.
const HANDLE kPerMonitorAwareV2 = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-4));
constexpr int kProcessPerMonitorDpiAware = 2;

using SetContextFn = BOOL(WINAPI*)(HANDLE);
using SetAwarenessFn = HRESULT(WINAPI*)(int);
using SetAwareFn = BOOL(WINAPI*)();
using DpiForWindowFn = UINT(WINAPI*)(HWND);
using AdjustForDpiFn = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);

// A function of a loaded module by name; null where this Windows lacks it. (Through a plain
// function pointer, which any function pointer converts to and from.)
template <typename Fn>
Fn Lookup(HMODULE module, const char* name) {
  if (module == nullptr) return nullptr;
  return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

template <typename Fn>
Fn User32(const char* name) {
  return Lookup<Fn>(GetModuleHandleA("user32.dll"), name);
}

constexpr int kFontPoints = 8;
constexpr char kFontFace[] = "MS Shell Dlg";

}  // namespace

void DeclareDpiAware() {
  if (auto set_context = User32<SetContextFn>("SetProcessDpiAwarenessContext")) {
    if (set_context(kPerMonitorAwareV2)) return;
  }
  // shcore.dll (Windows 8.1 on) stays loaded for the life of the process, as any system DLL that
  // was used.
  if (HMODULE shcore = LoadSystemLibrary("shcore.dll")) {
    auto set_awareness = Lookup<SetAwarenessFn>(shcore, "SetProcessDpiAwareness");
    if (set_awareness != nullptr && SUCCEEDED(set_awareness(kProcessPerMonitorDpiAware))) return;
  }
  if (auto set_aware = User32<SetAwareFn>("SetProcessDPIAware")) set_aware();
}

int SystemDpi() {
  int dpi = 0;
  if (HDC screen = GetDC(nullptr)) {
    dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
  }
  return dpi > 0 ? dpi : 96;
}

int DpiOfWindow(HWND hwnd) {
  static const auto dpi_for_window = User32<DpiForWindowFn>("GetDpiForWindow");
  if (dpi_for_window != nullptr && hwnd != nullptr) {
    const UINT dpi = dpi_for_window(hwnd);
    if (dpi > 0) return static_cast<int>(dpi);
  }
  return SystemDpi();
}

void ClientToOuter(RECT* rect, DWORD style, DWORD ex_style, int dpi) {
  static const auto adjust_for_dpi = User32<AdjustForDpiFn>("AdjustWindowRectExForDpi");
  if (adjust_for_dpi != nullptr &&
      adjust_for_dpi(rect, style, FALSE, ex_style, static_cast<UINT>(dpi))) {
    return;
  }
  AdjustWindowRectEx(rect, style, FALSE, ex_style);
}

HFONT FormFonts::At(int dpi) {
  auto it = fonts_.find(dpi);
  if (it == fonts_.end()) {
    HFONT font = CreateFontA(-MulDiv(kFontPoints, dpi, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                             DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                             DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, kFontFace);
    it = fonts_.emplace(dpi, UniqueHfont(font)).first;
  }
  return it->second ? it->second.get() : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

}  // namespace vrx::win32
