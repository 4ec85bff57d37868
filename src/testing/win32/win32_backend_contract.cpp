// Cases of the Windows backend that the simulator has no counterpart for: the registry's handle
// table, the system calls and processes, the two views of a 64-bit Windows, and the import slots
// of win32_runtime_imports.cpp (linked into this program as into VRXUnInst.exe). Run with the
// contract cases under Wine.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/win32/win32_platform.h"
#include "platform/win32/win32_wow64.h"
#include "testing/win32/win32_contract_env.h"

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

  // Predefined keys other than the four hives are not ours.
  HKey key = 0xDEADBEEF;
  EXPECT_EQ(kErrorInvalidHandle, reg.OpenKey(0x80000004u, "", kKeyAllUsed, &key));
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

TEST(Win32SystemQueries, ShutdownPrivilegeEnablesAndCanBeAskedAgain) {
  Win32System system;
  EXPECT_EQ(kOk, system.EnableShutdownPrivilege());
  EXPECT_EQ(kOk, system.EnableShutdownPrivilege());  // the token of the first call is gone
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

// What VRX_EXPECT_WOW64 says the run must find, when it says anything.
void ExpectTheViewAsked() {
  char expected[8] = {};
  if (::GetEnvironmentVariableA("VRX_EXPECT_WOW64", expected, sizeof expected) > 0) {
    EXPECT_EQ(std::string(expected) == "1", testing::IsWow64()) << "VRX_EXPECT_WOW64=" << expected;
  }
}

TEST(Win32Wow64View, SystemFolderPathsMoveToSysWow64) {
  Wow64View view({"C:\\WINDOWS\\system32", "C:\\WINDOWS\\SYSTEM32"}, "C:\\WINDOWS\\SysWOW64\\");
  ASSERT_TRUE(view.redirected());
  EXPECT_EQ("C:\\WINDOWS\\SysWOW64\\VRXUnInst.EXE",
            view.OnDisk("C:\\WINDOWS\\system32\\VRXUnInst.EXE"));
  EXPECT_EQ("C:\\WINDOWS\\SysWOW64\\FUNCKY60.DLL",
            view.OnDisk("c:\\windows\\SYSTEM32\\FUNCKY60.DLL"));
  EXPECT_EQ("C:\\WINDOWS\\SysWOW64", view.OnDisk("C:\\Windows\\System32"));
  EXPECT_EQ("C:\\WINDOWS\\SysWOW64\\sub\\x.ocx", view.OnDisk("C:\\WINDOWS\\system32\\sub\\x.ocx"));
}

TEST(Win32Wow64View, EverythingElseStaysAsItIs) {
  Wow64View view({"C:\\WINDOWS\\system32", "C:\\WINDOW~1\\SYSTEM32"}, "C:\\WINDOWS\\SysWOW64");
  for (const char* path :
       {"C:\\WINDOWS\\system32x\\a.dll", "C:\\WINDOWS\\system3", "C:\\WINDOWS\\win.ini",
        "C:\\WINDOWS\\SysWOW64\\a.dll", "D:\\WINDOWS\\system32\\a.dll", "",
        "C:\\WINDOWS\\system32\\drivers\\etc\\hosts", "C:\\WINDOWS\\system32\\SPOOL",
        "C:\\WINDOWS\\system32\\catroot2\\x", "C:\\WINDOWS\\system32\\LogFiles\\y"}) {
    EXPECT_EQ(path, view.OnDisk(path));
  }
  // The short form of the system folder counts as well.
  EXPECT_EQ("C:\\WINDOWS\\SysWOW64\\A.DLL", view.OnDisk("C:\\WINDOW~1\\SYSTEM32\\A.DLL"));
  // drivers\etc is shared, drivers alone is not.
  EXPECT_EQ("C:\\WINDOWS\\SysWOW64\\drivers\\x.sys",
            view.OnDisk("C:\\WINDOWS\\system32\\drivers\\x.sys"));

  Wow64View none;
  EXPECT_FALSE(none.redirected());
  EXPECT_EQ("C:\\WINDOWS\\system32\\a.dll", none.OnDisk("C:\\WINDOWS\\system32\\a.dll"));
  Wow64View without_folders({}, "C:\\WINDOWS\\SysWOW64");
  EXPECT_FALSE(without_folders.redirected());
}

// The entries of PendingFileRenameOperations, "\??\" prefixes and all.
std::vector<std::string> PendingRenames() {
  HKEY key = nullptr;
  std::vector<std::string> entries;
  if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Control\\Session Manager", 0,
                      KEY_READ, &key) != ERROR_SUCCESS) {
    return entries;
  }
  std::vector<char> data(65536);
  DWORD size = static_cast<DWORD>(data.size());
  DWORD type = 0;
  if (::RegQueryValueExA(key, "PendingFileRenameOperations", nullptr, &type,
                         reinterpret_cast<BYTE*>(data.data()), &size) == ERROR_SUCCESS) {
    for (size_t at = 0; at < size;) {
      std::string entry(data.data() + at);
      at += entry.size() + 1;
      entries.push_back(entry);
    }
  }
  ::RegCloseKey(key);
  return entries;
}

TEST(Win32SystemQueries, DelayedDeletionNamesTheFileTheProgramSees) {
  ExpectTheViewAsked();
  Win32System system;
  char folder[MAX_PATH];
  ASSERT_NE(0u, system.GetSystemDirectory(folder, sizeof(folder)));
  const std::string path = std::string(folder) + "\\vrxdelay.tmp";
  ASSERT_TRUE(testing::WriteWholeFile(path, "ours"));
  ASSERT_TRUE(system.MoveFileEx(path, std::nullopt, kMoveFileDelayUntilReboot));

  std::string on_disk = path;
  if (testing::IsWow64()) {
    char wow64[MAX_PATH] = {};
    using GetFolderFn = UINT(WINAPI*)(LPSTR, UINT);
    auto get = reinterpret_cast<GetFolderFn>(reinterpret_cast<void (*)()>(
        ::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "GetSystemWow64DirectoryA")));
    ASSERT_NE(nullptr, get);
    ASSERT_NE(0u, get(wow64, MAX_PATH));
    on_disk = std::string(wow64) + "\\vrxdelay.tmp";
  }
  bool found = false;
  for (const std::string& entry : PendingRenames()) {
    if (_stricmp(entry.c_str(), ("\\??\\" + on_disk).c_str()) == 0) found = true;
    if (on_disk != path) {
      EXPECT_NE(0, _stricmp(entry.c_str(), ("\\??\\" + path).c_str()))
          << "the 64-bit side's " << path << " would go at the next start";
    }
  }
  EXPECT_TRUE(found) << "no pending deletion of " << on_disk;
  ::DeleteFileA(path.c_str());
  ::RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Control\\Session Manager",
                       "PendingFileRenameOperations");
}

TEST(Win32RegistryView, LocalMachineSoftwareIsThe32BitView) {
  ExpectTheViewAsked();
  Win32Registry reg;
  HKey key = 0;
  ASSERT_EQ(kOk, reg.CreateKey(kHkeyLocalMachine, "Software\\VRXContractView", 0, kKeyAllUsed, &key,
                               nullptr));
  EXPECT_EQ(kOk, reg.CloseKey(key));
  HKEY raw = nullptr;
  LSTATUS in_64bit_view = ::RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\VRXContractView", 0,
                                          KEY_READ | KEY_WOW64_64KEY, &raw);
  if (raw != nullptr) ::RegCloseKey(raw);
  raw = nullptr;
  LSTATUS in_wow6432node =
      ::RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Wow6432Node\\VRXContractView", 0,
                      KEY_READ | KEY_WOW64_64KEY, &raw);
  if (raw != nullptr) ::RegCloseKey(raw);
  if (testing::IsWow64()) {
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, in_64bit_view);
    EXPECT_EQ(ERROR_SUCCESS, in_wow6432node);
  } else {
    EXPECT_EQ(ERROR_SUCCESS, in_64bit_view);
  }
  EXPECT_EQ(kOk, reg.DeleteKey(kHkeyLocalMachine, "Software\\VRXContractView"));
}

// The runtime's wide-character imports go to the ANSI forms (win32_runtime_imports.cpp).
TEST(Win32RuntimeImports, WideCallsGoToTheAnsiForms) {
  HMODULE kernel = ::GetModuleHandleA("kernel32.dll");
  ASSERT_NE(nullptr, kernel);
  EXPECT_NE(reinterpret_cast<void*>(::GetProcAddress(kernel, "CreateSemaphoreW")),
            reinterpret_cast<void*>(&::CreateSemaphoreW));
  EXPECT_NE(reinterpret_cast<void*>(::GetProcAddress(kernel, "GetModuleHandleW")),
            reinterpret_cast<void*>(&::GetModuleHandleW));
  EXPECT_NE(reinterpret_cast<void*>(::GetProcAddress(kernel, "LoadLibraryW")),
            reinterpret_cast<void*>(&::LoadLibraryW));

  EXPECT_EQ(kernel, ::GetModuleHandleW(L"kernel32.dll"));
  EXPECT_EQ(::GetModuleHandleA(nullptr), ::GetModuleHandleW(nullptr));
  ::SetLastError(0);
  EXPECT_EQ(nullptr, ::GetModuleHandleW(L"vrx-not-loaded.dll"));
  EXPECT_EQ(static_cast<DWORD>(ERROR_MOD_NOT_FOUND), ::GetLastError());

  UniqueHandle anonymous(::CreateSemaphoreW(nullptr, 0, 1, nullptr));
  EXPECT_TRUE(anonymous);
  UniqueHandle named(::CreateSemaphoreW(nullptr, 0, 1, L"VrxContractSemaphore"));
  ASSERT_TRUE(named);
  UniqueHandle opened(::OpenSemaphoreA(SYNCHRONIZE, FALSE, "VrxContractSemaphore"));
  EXPECT_TRUE(opened) << "the semaphore was made under another name";

  HMODULE library = ::LoadLibraryW(L"oleaut32.dll");
  EXPECT_NE(nullptr, library);
  EXPECT_EQ(::GetModuleHandleA("oleaut32.dll"), library);
  if (library != nullptr) ::FreeLibrary(library);
  ::SetLastError(0);
  EXPECT_EQ(nullptr, ::LoadLibraryW(nullptr));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), ::GetLastError());

  if (::GetACP() != 1252) GTEST_SKIP() << "code page " << ::GetACP() << ", not 1252";
  // A name the code page cannot hold names nothing, not the best-fit "?" or "a".
  for (const wchar_t* name : {L"\x4E2D.dll", L"k\x0113rnel32.dll"}) {
    ::SetLastError(0);
    EXPECT_EQ(nullptr, ::GetModuleHandleW(name));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_NAME), ::GetLastError());
    EXPECT_EQ(nullptr, ::CreateSemaphoreW(nullptr, 0, 1, name));
  }
}

}  // namespace
}  // namespace vrx::win32
