// Cases of the Windows backend that the simulator has no counterpart for: the registry's handle
// table, the system calls and processes. Run with the contract cases under Wine.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/win32/win32_contract_env.h"
#include "platform/win32/win32_platform.h"

namespace vrx::win32 {
namespace {

TEST(Win32RegistryHandles, NumbersAreFreshAndHivesStayHives) {
  Win32Registry reg;
  HKey hive = 0;
  ASSERT_EQ(kOk, reg.OpenKey(kHkeyCurrentUser, "", kKeyAllUsed, &hive));
  // Whether the API gives the hive or a new handle, the number stands for the same key.
  if (hive != kHkeyCurrentUser) {
    EXPECT_EQ(kOk, reg.CloseKey(hive));
  }

  HKey first = 0;
  ASSERT_EQ(kOk, reg.OpenKey(kHkeyCurrentUser, "Software", kKeyAllUsed, &first));
  EXPECT_LT(first, kHkeyClassesRoot);
  EXPECT_EQ(1u, reg.OpenHandleCount());
  ASSERT_EQ(kOk, reg.CloseKey(first));
  HKey second = 0;
  ASSERT_EQ(kOk, reg.OpenKey(kHkeyCurrentUser, "Software", kKeyAllUsed, &second));
  EXPECT_NE(first, second);  // a closed number is never given again
  EXPECT_EQ(kErrorInvalidHandle, reg.CloseKey(first));
  EXPECT_EQ(kOk, reg.CloseKey(second));
  EXPECT_EQ(0u, reg.OpenHandleCount());

  // Predefined keys other than the three hives are not ours.
  HKey key = 0xDEADBEEF;
  EXPECT_EQ(kErrorInvalidHandle, reg.OpenKey(0x80000003u, "", kKeyAllUsed, &key));
  EXPECT_EQ(0u, key);
}

TEST(Win32SystemQueries, DirectoriesAndVersion) {
  Win32System system;
  char windows[MAX_PATH];
  uint32_t length = system.GetWindowsDirectory(windows, sizeof(windows));
  ASSERT_NE(0u, length);
  EXPECT_EQ(length, std::strlen(windows));
  char tiny[2] = {'#', '#'};
  EXPECT_EQ(length + 1, system.GetWindowsDirectory(tiny, sizeof(tiny)));
  char system_dir[MAX_PATH];
  ASSERT_NE(0u, system.GetSystemDirectory(system_dir, sizeof(system_dir)));
  EXPECT_EQ(0, _strnicmp(windows, system_dir, length)) << system_dir;

  OsVersionInfo info;
  info.dwOSVersionInfoSize = 156;  // OSVERSIONINFOEXA: refused, the record untouched
  info.dwPlatformId = 77;
  EXPECT_FALSE(system.GetVersionEx(&info));
  EXPECT_EQ(77u, info.dwPlatformId);
  info.dwOSVersionInfoSize = sizeof(info);
  ASSERT_TRUE(system.GetVersionEx(&info));
  EXPECT_EQ(testing::PlatformId(), info.dwPlatformId);
  std::string expected = system.GetEnvironmentVariable("VRX_EXPECT_PLATFORM");
  if (!expected.empty()) {
    EXPECT_EQ(expected, std::to_string(info.dwPlatformId));
  }
  EXPECT_EQ(info.dwPlatformId, system.PlatformId());
}

TEST(Win32SystemQueries, EnvironmentVariables) {
  Win32System system;
  const std::string long_value(5000, 'v');
  ASSERT_TRUE(::SetEnvironmentVariableA("VRX_CONTRACT_VALUE", long_value.c_str()));
  EXPECT_EQ(long_value, system.GetEnvironmentVariable("vrx_contract_value"));
  ASSERT_TRUE(::SetEnvironmentVariableA("VRX_CONTRACT_VALUE", nullptr));
  EXPECT_EQ("", system.GetEnvironmentVariable("VRX_CONTRACT_VALUE"));
}

TEST(Win32SystemQueries, OneInstanceAtATime) {
  Win32System first;
  Win32System second;
  EXPECT_FALSE(first.AnotherInstanceRunning());
  EXPECT_TRUE(second.AnotherInstanceRunning());
  EXPECT_FALSE(first.AnotherInstanceRunning());  // asked once; the answer stays
}

TEST(Win32SystemQueries, ShutdownPrivilegeCalls) {
  Win32System system;
  Handle token = 0;
  ASSERT_TRUE(system.OpenProcessToken(system.GetCurrentProcess(),
                                      kTokenAdjustPrivileges | kTokenQuery, &token));
  EXPECT_NE(0u, token);

  Luid luid{77, 77};
  EXPECT_FALSE(system.LookupPrivilegeValue("", "SeNoSuchPrivilege", &luid));
  EXPECT_EQ((Luid{77, 77}), luid);
  ASSERT_TRUE(system.LookupPrivilegeValue("", "SeShutdownPrivilege", &luid));
  EXPECT_EQ((Luid{19, 0}), luid);  // SE_SHUTDOWN_PRIVILEGE, the same on every system

  TokenPrivileges request;
  request.PrivilegeCount = 1;
  request.PrivilegeLuid = luid;
  request.Attributes = kSePrivilegeEnabled;
  TokenPrivileges previous;
  uint32_t previous_length = sizeof(previous);
  EXPECT_TRUE(system.AdjustTokenPrivileges(token, false, &request, sizeof(request), &previous,
                                           &previous_length));

  EXPECT_TRUE(system.CloseHandle(token));
  EXPECT_FALSE(system.CloseHandle(token));
  EXPECT_FALSE(system.CloseHandle(system.GetCurrentProcess()));  // not one of ours
}

TEST(Win32SystemQueries, MovingAndFonts) {
  const std::string folder = testing::ScratchFolder();
  testing::WipeFolder(folder);
  ASSERT_TRUE(::CreateDirectoryA(folder.c_str(), nullptr));
  ASSERT_TRUE(testing::WriteWholeFile(folder + "\\a.txt", "a"));
  Win32System system;
  EXPECT_TRUE(system.MoveFileEx(folder + "\\a.txt", folder + "\\b.txt", 0));
  EXPECT_EQ("a", testing::ReadWholeFile(folder + "\\b.txt"));
  EXPECT_FALSE(system.MoveFileEx(folder + "\\a.txt", folder + "\\c.txt", 0));
  EXPECT_EQ(0, system.RemoveFontResource(folder + "\\b.txt"));  // not in the font table
  testing::WipeFolder(folder);
}

TEST(Win32FilesReplace, Windows9xFallBackToDeleteAndMove) {
  const std::string folder = testing::ScratchFolder();
  testing::WipeFolder(folder);
  ASSERT_TRUE(::CreateDirectoryA(folder.c_str(), nullptr));
  ASSERT_TRUE(testing::WriteWholeFile(folder + "\\new.tmp", "new"));
  ASSERT_TRUE(testing::WriteWholeFile(folder + "\\old.ini", "old"));
  Win32Files files(1);
  EXPECT_EQ(kOk, files.ReplaceFile(folder + "\\new.tmp", folder + "\\old.ini"));
  EXPECT_EQ("new", testing::ReadWholeFile(folder + "\\old.ini"));
  EXPECT_EQ(std::nullopt, testing::ReadWholeFile(folder + "\\new.tmp"));
  EXPECT_EQ(kOk, files.ReplaceFile(folder + "\\old.ini", folder + "\\fresh.ini"));
  EXPECT_EQ(kErrorFileNotFound, files.ReplaceFile(folder + "\\old.ini", folder + "\\x.ini"));
  testing::WipeFolder(folder);
}

TEST(Win32Processes, StartReturnsAtOnce) {
  Win32Processes processes;
  Win32System system;
  char system_dir[MAX_PATH];
  ASSERT_NE(0u, system.GetSystemDirectory(system_dir, sizeof(system_dir)));
  TaskId task = 0;
  ASSERT_EQ(kOk,
            processes.Start(std::string(system_dir) + "\\cmd.exe /c exit 3", kWindowHidden, &task));
  EXPECT_NE(0u, task);
  processes.ActivateTask(task);  // a hidden console: no window, nothing happens

  task = 12345;
  Status status = processes.Start("C:\\no\\such\\program.exe /x", kWindowMinimizedFocus, &task);
  EXPECT_TRUE(status == kErrorFileNotFound || status == kErrorPathNotFound) << status;
  EXPECT_EQ(12345u, task);
  processes.ActivateTask(0xFFFFFFF0u);
}

}  // namespace
}  // namespace vrx::win32
