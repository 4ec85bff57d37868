// System queries, delayed deletion, fonts, the environment, the single-instance guard and shutdown
// on the machine the program runs on (kernel32, advapi32, gdi32, user32). Each call forwards to
// the ...A function of its name.
//
// MoveFileExA with MOVEFILE_DELAY_UNTIL_REBOOT is given the paths as they are on the disk: for a
// 32-bit program on a 64-bit Windows a path in the system folder names the SysWOW64 file, which
// is the file the program sees there (see win32_wow64.h).
//
// The font broadcast goes out with SendMessageTimeoutA (SMTO_ABORTIFHUNG): a window that does not
// answer cannot hold the program.
//
// Handles: the process token of EnableShutdownPrivilege lives only for that call. The
// "VRXUnInst" mutex of the single-instance guard stays open while the backend lives.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/platform.h"
#include "platform/win32/win32_handles.h"
#include "platform/win32/win32_wow64.h"

namespace vrx::win32 {

// How long a broadcast waits for each window that is not hung.
inline constexpr unsigned kBroadcastTimeoutMs = 1000;

// The name of the mutex that marks a running copy of the program.
inline constexpr char kInstanceMutexName[] = "VRXUnInst";

class Win32System : public System {
 public:
  Win32System() = default;
  Win32System(const Win32System&) = delete;
  Win32System& operator=(const Win32System&) = delete;

  uint32_t GetSystemDirectory(char* buffer, uint32_t size) override;
  uint32_t GetWindowsDirectory(char* buffer, uint32_t size) override;
  uint32_t GetShortPathName(const std::string& long_path, char* buffer, uint32_t size) override;
  bool GetVersionEx(OsVersionInfo* info) override;
  bool MoveFileEx(const std::string& existing, const std::optional<std::string>& new_name,
                  uint32_t flags) override;
  [[nodiscard]] Status MoveFile(const std::string& existing, const std::string& new_name) override;
  [[nodiscard]] Status GetTempFileName(const std::string& directory, const std::string& prefix,
                                       std::string* path) override;
  [[nodiscard]] Status GetFullPathName(const std::string& path, std::string* full_path) override;
  int32_t RemoveFontResource(const std::string& file_name) override;
  void BroadcastFontChange() override;
  std::string GetEnvironmentVariable(const std::string& name) override;
  // Creates the mutex the first time and answers from that first time on.
  bool AnotherInstanceRunning() override;
  [[nodiscard]] Status EnableShutdownPrivilege() override;
  bool ExitWindowsEx(uint32_t flags, uint32_t reason) override;

  // The platform id of the version record (1 Windows 95/98, 2 Windows NT); 0 when unknown.
  uint32_t PlatformId();

 private:
  // Asked for at the first delayed move.
  std::optional<Wow64View> view_;
  UniqueHandle instance_mutex_;
  std::optional<bool> another_instance_;
};

}  // namespace vrx::win32
