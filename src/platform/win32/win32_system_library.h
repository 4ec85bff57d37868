// Libraries loaded at run time: from the system folder by their full path, never by bare name.
//
// For a bare name Windows searches the program's folder, the current folder and PATH as well, and
// this program runs as administrator: a DLL of a system name planted in one of those (shcore.dll,
// which Vista, 7 and 8.0 do not have in the system folder at all) would run with its rights. The
// flag that keeps a load to the system folder (LOAD_LIBRARY_SEARCH_SYSTEM32) came with Windows 8
// and an update of 7; a full path means the same on every Windows. On 64-bit Windows the system
// folder of a 32-bit program is SysWOW64, which Windows puts in place of the system32 that
// GetSystemDirectoryA names.
//
// GetModuleHandleA loads nothing: it finds a module already loaded (kernel32.dll and user32.dll,
// imported at load time), so it takes a bare name.
#pragma once

#include <cstring>

#include "platform/win32/win32_windows.h"

namespace vrx::win32 {

// The DLL `name` (a file name, no folder) of the system folder; null, with the last error set,
// when it is not there or cannot be loaded.
inline HMODULE LoadSystemLibrary(const char* name) {
  char path[MAX_PATH];
  const UINT folder = GetSystemDirectoryA(path, MAX_PATH);
  if (folder == 0) return nullptr;
  const size_t length = std::strlen(name);
  if (folder + 1 + length >= MAX_PATH) {
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return nullptr;
  }
  path[folder] = '\\';
  std::memcpy(path + folder + 1, name, length + 1);
  return LoadLibraryA(path);
}

}  // namespace vrx::win32
