// Helpers of the Win32 contract programs: facts about the machine and scratch files made and
// read with the raw API, independent of the backend under test.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/win32/win32_handles.h"
#include "platform/win32/win32_windows.h"

namespace vrx::win32::testing {

// The version record's platform id: 1 Windows 95/98 (Wine's "win98" mode), 2 Windows NT.
inline uint32_t PlatformId() {
  OSVERSIONINFOA info{};
  info.dwOSVersionInfoSize = sizeof(info);
  return ::GetVersionExA(&info) ? info.dwPlatformId : 0;
}

inline std::string WineVersion() {
  HMODULE ntdll = ::GetModuleHandleA("ntdll.dll");
  auto get = reinterpret_cast<const char* (*)()>(
      reinterpret_cast<void (*)()>(ntdll ? ::GetProcAddress(ntdll, "wine_get_version") : nullptr));
  return get ? get() : "";
}

inline bool RunningUnderWine() { return !WineVersion().empty(); }

// Whether this 32-bit program runs on a 64-bit Windows (IsWow64Process, Windows XP SP2 on).
inline bool IsWow64() {
  using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, BOOL*);
  auto is_wow64 = reinterpret_cast<IsWow64ProcessFn>(reinterpret_cast<void (*)()>(
      ::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "IsWow64Process")));
  BOOL wow64 = FALSE;
  return is_wow64 != nullptr && is_wow64(::GetCurrentProcess(), &wow64) && wow64;
}

// The user the program runs as ("root" for Wine run by root).
inline std::string UserName() {
  char name[256];
  DWORD size = sizeof(name);
  return ::GetUserNameA(name, &size) ? std::string(name) : std::string();
}

// %TEMP%\vrxcontract, in its long form.
inline std::string ScratchFolder() {
  char temp[MAX_PATH];
  DWORD length = ::GetTempPathA(MAX_PATH, temp);
  char full[MAX_PATH];
  if (length > 0 && length<MAX_PATH&& ::GetLongPathNameA(temp, full, MAX_PATH)> 0) {
    return std::string(full) + "vrxcontract";
  }
  return "C:\\vrxcontract";
}

// Deletes a folder with everything in it, whatever the attributes; nothing when it is missing.
inline void WipeFolder(const std::string& folder) {
  WIN32_FIND_DATAA entry;
  UniqueFind find(::FindFirstFileA((folder + "\\*").c_str(), &entry));
  if (find) {
    do {
      std::string name = entry.cFileName;
      if (name == "." || name == "..") continue;
      std::string path = folder + "\\" + name;
      ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        WipeFolder(path);
      } else {
        ::DeleteFileA(path.c_str());
      }
    } while (::FindNextFileA(find.get(), &entry));
  }
  find.reset();
  ::SetFileAttributesA(folder.c_str(), FILE_ATTRIBUTE_NORMAL);
  ::RemoveDirectoryA(folder.c_str());
}

inline bool WriteWholeFile(const std::string& path, const std::string& contents) {
  UniqueFile file(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  return file &&
         ::WriteFile(file.get(), contents.data(), static_cast<DWORD>(contents.size()), &written,
                     nullptr) &&
         written == contents.size();
}

// A file's bytes; none when it cannot be opened.
inline std::optional<std::string> ReadWholeFile(const std::string& path) {
  UniqueFile file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, 0, nullptr));
  if (!file) return std::nullopt;
  std::string contents;
  char buffer[4096];
  DWORD read = 0;
  while (::ReadFile(file.get(), buffer, sizeof(buffer), &read, nullptr) && read > 0) {
    contents.append(buffer, read);
  }
  return contents;
}

}  // namespace vrx::win32::testing
