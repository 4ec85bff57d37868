#include "platform/win32/win32_system.h"

#include <cstddef>
#include <vector>

#include "platform/win32/win32_error.h"

namespace vrx::win32 {

static_assert(sizeof(OsVersionInfo) == sizeof(OSVERSIONINFOA));
static_assert(offsetof(OsVersionInfo, dwPlatformId) == offsetof(OSVERSIONINFOA, dwPlatformId));
static_assert(offsetof(OsVersionInfo, szCSDVersion) == offsetof(OSVERSIONINFOA, szCSDVersion));
static_assert(kMoveFileDelayUntilReboot == MOVEFILE_DELAY_UNTIL_REBOOT);
static_assert(kEwxShutdown == EWX_SHUTDOWN && kEwxReboot == EWX_REBOOT);

uint32_t Win32System::GetSystemDirectory(char* buffer, uint32_t size) {
  return ::GetSystemDirectoryA(buffer, size);
}

uint32_t Win32System::GetWindowsDirectory(char* buffer, uint32_t size) {
  return ::GetWindowsDirectoryA(buffer, size);
}

uint32_t Win32System::GetShortPathName(const std::string& long_path, char* buffer, uint32_t size) {
  return ::GetShortPathNameA(long_path.c_str(), buffer, size);
}

bool Win32System::GetVersionEx(OsVersionInfo* info) {
  // GetVersionExA would also take the larger OSVERSIONINFOEXA size and write past our record.
  if (info->dwOSVersionInfoSize != sizeof(OSVERSIONINFOA)) return false;
  return ::GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(info)) != 0;
}

uint32_t Win32System::PlatformId() {
  OsVersionInfo info;
  info.dwOSVersionInfoSize = sizeof(info);
  return GetVersionEx(&info) ? info.dwPlatformId : 0;
}

bool Win32System::MoveFileEx(const std::string& existing,
                             const std::optional<std::string>& new_name, uint32_t flags) {
  if ((flags & MOVEFILE_DELAY_UNTIL_REBOOT) == 0) {
    return ::MoveFileExA(existing.c_str(), new_name ? new_name->c_str() : nullptr, flags) != 0;
  }
  if (!view_) view_ = Wow64View::OfThisProcess();
  const std::string from = view_->OnDisk(existing);
  const std::optional<std::string> to =
      new_name ? std::optional(view_->OnDisk(*new_name)) : std::nullopt;
  return ::MoveFileExA(from.c_str(), to ? to->c_str() : nullptr, flags) != 0;
}

Status Win32System::MoveFile(const std::string& existing, const std::string& new_name) {
  return ::MoveFileA(existing.c_str(), new_name.c_str()) ? kOk : LastErrorStatus();
}

Status Win32System::GetTempFileName(const std::string& directory, const std::string& prefix,
                                    std::string* path) {
  char buffer[MAX_PATH + 1] = {};
  if (::GetTempFileNameA(directory.c_str(), prefix.c_str(), 0, buffer) == 0) {
    return LastErrorStatus();
  }
  *path = buffer;
  return kOk;
}

Status Win32System::GetFullPathName(const std::string& path, std::string* full_path) {
  std::vector<char> buffer(MAX_PATH + 1);
  for (;;) {
    DWORD length =
        ::GetFullPathNameA(path.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
    if (length == 0) return LastErrorStatus();
    if (length < buffer.size()) {
      full_path->assign(buffer.data(), length);
      return kOk;
    }
    buffer.resize(length);  // the size needed, its NUL included
  }
}

int32_t Win32System::RemoveFontResource(const std::string& file_name) {
  return ::RemoveFontResourceA(file_name.c_str());
}

void Win32System::BroadcastFontChange() {
  // A broadcast waits for every top-level window in turn; one that hangs would hold the program
  // for ever. A hung window is passed over at once, a slow one after kBroadcastTimeoutMs.
  DWORD_PTR result = 0;
  ::SendMessageTimeoutA(HWND_BROADCAST, WM_FONTCHANGE, 0, 0, SMTO_ABORTIFHUNG | SMTO_NORMAL,
                        kBroadcastTimeoutMs, &result);
}

std::string Win32System::GetEnvironmentVariable(const std::string& name) {
  DWORD size = ::GetEnvironmentVariableA(name.c_str(), nullptr, 0);
  while (size != 0) {
    std::vector<char> buffer(size);
    DWORD length = ::GetEnvironmentVariableA(name.c_str(), buffer.data(), size);
    if (length < size) return std::string(buffer.data(), length);
    size = length;  // the value grew meanwhile
  }
  return "";
}

bool Win32System::AnotherInstanceRunning() {
  if (!another_instance_) {
    instance_mutex_.reset(::CreateMutexA(nullptr, FALSE, kInstanceMutexName));
    another_instance_ = instance_mutex_ && ::GetLastError() == ERROR_ALREADY_EXISTS;
  }
  return *another_instance_;
}

Status Win32System::EnableShutdownPrivilege() {
  UniqueHandle token;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY,
                          token.put())) {
    return LastErrorStatus();
  }
  TOKEN_PRIVILEGES request{};
  if (!::LookupPrivilegeValueA(nullptr, "SeShutdownPrivilege", &request.Privileges[0].Luid)) {
    return LastErrorStatus();
  }
  request.PrivilegeCount = 1;
  request.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  // Only the call's own result counts: a token without the privilege answers success with
  // ERROR_NOT_ALL_ASSIGNED, and ExitWindowsEx then refuses.
  TOKEN_PRIVILEGES previous{};
  DWORD previous_length = 0;
  if (!::AdjustTokenPrivileges(token.get(), FALSE, &request, sizeof previous, &previous,
                               &previous_length)) {
    return LastErrorStatus();
  }
  return kOk;
}

bool Win32System::ExitWindowsEx(uint32_t flags, uint32_t reason) {
  return ::ExitWindowsEx(flags, reason) != 0;
}

}  // namespace vrx::win32
