// The runtime linked into VRXUnInst.exe (libgcc's locks, the C runtime's locale and random-number
// helpers) calls three wide-character functions of kernel32. Windows 95 and 98 export them only
// as stubs that fail with ERROR_CALL_NOT_IMPLEMENTED, so there libgcc's locks would get no
// semaphore. This file takes the place of their import-table slots: the calls go to the ANSI
// forms, which every Windows has, and the program imports no wide-character function at all.
//
// Linked into the program itself, not into a library: the slots must be defined before the
// linker reads the runtime's archives, or it takes the import library's.
//
// The runtime passes no name or ASCII names. A name that the ANSI code page cannot hold exactly
// fails with ERROR_INVALID_NAME rather than standing for another object. A DLL named without a
// folder (the runtime's advapi32.dll) is loaded from the system folder (win32_system_library.h).
#include "platform/win32/win32_system_library.h"
#include "platform/win32/win32_windows.h"

namespace {

// Room for a path of MAX_PATH characters in a double-byte code page.
constexpr int kAnsiNameSize = 2 * MAX_PATH + 1;

// `wide` in the ANSI code page, in `ansi`; false, with the last error set, when it does not fit
// or would not read back as the same characters (a best-fit or default character).
bool AnsiName(const wchar_t* wide, char (&ansi)[kAnsiNameSize]) {
  int length = WideCharToMultiByte(CP_ACP, 0, wide, -1, ansi, kAnsiNameSize, nullptr, nullptr);
  if (length <= 0) {
    SetLastError(GetLastError() == ERROR_INSUFFICIENT_BUFFER ? ERROR_FILENAME_EXCED_RANGE
                                                             : ERROR_INVALID_NAME);
    return false;
  }
  wchar_t back[kAnsiNameSize];
  int back_length = MultiByteToWideChar(CP_ACP, 0, ansi, -1, back, kAnsiNameSize);
  for (int i = 0; i < back_length; ++i) {
    if (back[i] != wide[i]) {
      back_length = 0;
      break;
    }
  }
  if (back_length <= 0) {
    SetLastError(ERROR_INVALID_NAME);
    return false;
  }
  return true;
}

HANDLE WINAPI CreateSemaphoreAnsi(LPSECURITY_ATTRIBUTES security, LONG initial, LONG maximum,
                                  LPCWSTR name) {
  char ansi[kAnsiNameSize];
  if (name != nullptr && !AnsiName(name, ansi)) return nullptr;
  return CreateSemaphoreA(security, initial, maximum, name != nullptr ? ansi : nullptr);
}

HMODULE WINAPI GetModuleHandleAnsi(LPCWSTR name) {
  char ansi[kAnsiNameSize];
  if (name != nullptr && !AnsiName(name, ansi)) return nullptr;
  return GetModuleHandleA(name != nullptr ? ansi : nullptr);
}

HMODULE WINAPI LoadLibraryAnsi(LPCWSTR name) {
  char ansi[kAnsiNameSize];
  if (name == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (!AnsiName(name, ansi)) return nullptr;
  for (const char* c = ansi; *c != '\0'; ++c) {
    if (*c == '\\' || *c == '/' || *c == ':') return LoadLibraryA(ansi);
  }
  return vrx::win32::LoadSystemLibrary(ansi);
}

}  // namespace

// The slots, under the names a dllimport call reads them by (__imp__Name@argument bytes).
// Constant-initialised: the runtime may call through them before any constructor has run.
extern "C" {
constinit decltype(&CreateSemaphoreAnsi) vrx_imp_create_semaphore_w __asm__(
    "__imp__CreateSemaphoreW@16") = &CreateSemaphoreAnsi;
constinit decltype(&GetModuleHandleAnsi) vrx_imp_get_module_handle_w __asm__(
    "__imp__GetModuleHandleW@4") = &GetModuleHandleAnsi;
constinit decltype(&LoadLibraryAnsi) vrx_imp_load_library_w __asm__("__imp__LoadLibraryW@4") =
    &LoadLibraryAnsi;
}
