// What the tests of the forms on real windows share (ui_smoke.cpp, ui_smoke_keys.cpp): the
// program's forms on a Win32Ui, with a registry that refuses everything, and helpers that read
// windows back.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "platform/form.h"
#include "platform/win32/win32_handles.h"
#include "platform/win32/win32_ui.h"
#include "platform/win32/win32_windows.h"
#include "progress/processing_form.h"
#include "progress/reboot_form.h"
#include "removal/blank_form.h"
#include "state/program.h"
#include "wizard/uninstall_form.h"

namespace vrx::win32::testing {

inline std::string TextOf(HWND hwnd) {
  char text[512] = {};
  GetWindowTextA(hwnd, text, sizeof text);
  return text;
}
inline std::string ClassOf(HWND hwnd) {
  char name[64] = {};
  GetClassNameA(hwnd, name, sizeof name);
  return name;
}
inline LONG StyleOf(HWND hwnd) { return GetWindowLongA(hwnd, GWL_STYLE); }
inline bool Shows(HWND hwnd) { return (StyleOf(hwnd) & WS_VISIBLE) != 0; }
inline RECT OuterOf(HWND hwnd) {
  RECT r{};
  GetWindowRect(hwnd, &r);
  return r;
}
// A child's rectangle in its parent's client coordinates.
inline RECT PlaceOf(HWND child) {
  RECT r = OuterOf(child);
  MapWindowPoints(HWND_DESKTOP, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
  return r;
}
inline void Drain() {
  MSG m;
  while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
    if (m.message != WM_QUIT) Win32Ui::Dispatch(m);
  }
}
// A key as the message loop hands it on, to the focused window.
inline void Key(WPARAM vk) {
  MSG m{GetFocus(), WM_KEYDOWN, vk, 0, 0, {}};
  Win32Ui::Dispatch(m);
}

// A hook of this thread, removed when its owner goes.
using UniqueHook = vrx::win32::UniqueAny<HHOOK, &::UnhookWindowsHookEx>;

// Runs `proc` on every window about to be activated while the hook lives.
inline UniqueHook CbtHook(HOOKPROC proc) {
  return UniqueHook(SetWindowsHookExA(WH_CBT, proc, nullptr, GetCurrentThreadId()));
}

// Exit writes the "Reboot" value; here every registry call fails, as on a locked-down machine.
class RefusingRegistry : public Registry {
 public:
  Status OpenKey(HKey, const std::string&, uint32_t, HKey* result) override {
    *result = 0;
    return kErrorAccessDenied;
  }
  Status CloseKey(HKey) override { return kErrorInvalidHandle; }
  Status QueryValue(HKey, const std::string&, uint32_t*, uint8_t*, uint32_t*) override {
    return kErrorAccessDenied;
  }
  Status SetValue(HKey, const std::string&, uint32_t, const uint8_t*, uint32_t) override {
    return kErrorAccessDenied;
  }
  Status CreateKey(HKey, const std::string&, uint32_t, uint32_t, HKey* result, uint32_t*) override {
    *result = 0;
    return kErrorAccessDenied;
  }
  Status DeleteValue(HKey, const std::string&) override { return kErrorAccessDenied; }
  Status EnumKey(HKey, uint32_t, char*, uint32_t*, uint64_t*) override {
    return kErrorAccessDenied;
  }
  Status EnumValue(HKey, uint32_t, char*, uint32_t*, uint32_t*) override {
    return kErrorAccessDenied;
  }
  Status DeleteKey(HKey, const std::string&) override { return kErrorAccessDenied; }
};

class FormsOnWindows : public ::testing::Test {
 protected:
  ~FormsOnWindows() override {
    for (Form* form : program.Forms()) form->Unload();
    Drain();
  }
  HWND Window(const Form& form) { return ui.WindowOf(form); }
  HWND Window(const Control& control) { return ui.WindowOf(control); }
  void Click(const Control& control) { SendMessageA(Window(control), BM_CLICK, 0, 0); }
  // A length in twips on the form's window.
  int Px(const Form& form, int twips) { return MulDiv(twips, ui.DpiOf(form), 1440); }

  Win32Ui ui;
  RefusingRegistry registry;
  Platform platform{.registry = &registry, .ui = &ui};
  Program program{platform};
  UnInstallForm& wizard = program.UnInstall();
  ProcessingForm& processing = program.Processing();
  RebootForm& reboot = program.Reboot();
};

}  // namespace vrx::win32::testing
