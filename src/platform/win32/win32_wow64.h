// The two views of a 64-bit Windows, as they concern a 32-bit program.
//
// On a 64-bit Windows this 32-bit program sees the 32-bit view: its C:\WINDOWS\SYSTEM32 is
// SysWOW64 on the disk (and HKLM\Software is Software\Wow6432Node). Most calls carry their paths
// into that view at once, but a deletion scheduled for the next start (MoveFileExA with
// MOVEFILE_DELAY_UNTIL_REBOOT) stores the path as given, and the next start, a 64-bit process,
// reads it in the 64-bit view: it would delete the 64-bit side's file of the same name and leave
// ours. Wow64View names such paths as they are on the disk.
#pragma once

#include <string>
#include <vector>

namespace vrx::win32 {

class Wow64View {
 public:
  // No redirection: paths stay as they are (Windows 95/98/NT, a 32-bit Windows).
  Wow64View() = default;
  // `system_folders`: the program's system folder in the forms it may be written in (long,
  // short); `wow64_folder`: where it lies on the disk (GetSystemWow64DirectoryA).
  Wow64View(std::vector<std::string> system_folders, std::string wow64_folder);

  // The view of the running process: redirected only for a 32-bit process on a 64-bit Windows
  // (IsWow64Process and GetSystemWow64DirectoryA, looked up at run time: Windows XP and later).
  static Wow64View OfThisProcess();

  bool redirected() const { return !wow64_folder_.empty(); }

  // `path` as it is on the disk: a path in the system folder (any case, any of its forms) or the
  // folder itself is moved to the SysWOW64 folder, except the subfolders that Windows leaves
  // unredirected (catroot, catroot2, driverstore, drivers\etc, logfiles, spool). Anything else,
  // and every path when not redirected, comes back as it is.
  std::string OnDisk(const std::string& path) const;

 private:
  std::vector<std::string> system_folders_;
  std::string wow64_folder_;
};

}  // namespace vrx::win32
