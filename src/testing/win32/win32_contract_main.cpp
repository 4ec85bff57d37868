// The registry and file-system contracts, run against the real API (under Wine, or on Windows).
//
// The registry cases work below Software\VRXContract of HKEY_CURRENT_USER and of
// HKEY_LOCAL_MACHINE (which a 32-bit program on a 64-bit Windows sees in its 32-bit view,
// Software\Wow6432Node), the file cases in %TEMP%\vrxcontract; each is deleted before and after
// every case. The environment variables VRX_EXPECT_PLATFORM (1 or 2) and VRX_EXPECT_WOW64 (0 or
// 1), when set, are what the run must find, so that a run meant for Windows 95/98 mode or for a
// 64-bit Windows fails when that did not take.
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "platform/win32/win32_automation.h"
#include "platform/win32/win32_files.h"
#include "platform/win32/win32_handles.h"
#include "platform/win32/win32_processes.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_system.h"
#include "testing/contract/files_contract.h"
#include "testing/contract/path_calls_contract.h"
#include "testing/contract/path_rules_contract.h"
#include "testing/contract/processes_contract.h"
#include "testing/contract/registry_contract.h"
#include "testing/contract/word_window_contract.h"
#include "testing/win32/win32_contract_env.h"

namespace vrx::contract {
namespace {

using win32::UniqueFile;
using win32::UniqueFind;

constexpr char kScratchKey[] = "Software\\VRXContract";

void WipeScratchKey(HKEY hive) {
  LSTATUS status = ::RegDeleteTreeA(hive, kScratchKey);
  ASSERT_TRUE(status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND) << status;
}

template <HKey kHive>
class Win32RegistryEnv {
 public:
  static HKEY Hive() { return kHive == kHkeyLocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER; }
  Win32RegistryEnv() {
    WipeScratchKey(Hive());
    EXPECT_EQ(kOk, registry_.CreateKey(kHive, kScratchKey, 0, kKeyAllUsed, &root_, nullptr));
  }
  ~Win32RegistryEnv() {
    (void)registry_.CloseKey(root_);
    EXPECT_EQ(0u, registry_.OpenHandleCount()) << "a case left keys open";
    WipeScratchKey(Hive());
  }
  Registry& registry() { return registry_; }
  HKey root() const { return root_; }
  int platform_family() const { return static_cast<int>(win32::testing::PlatformId()); }
  bool Deviates(Deviation deviation) const {
    if (!win32::testing::RunningUnderWine()) return false;
    return deviation == Deviation::kSubkeysSortedByLowerCase ||
           deviation == Deviation::kLongKeyNamesAreMade ||
           (deviation == Deviation::kWin9xTreeDeleteStopsAfterFirstSubkey &&
            platform_family() == 1);
  }

 private:
  win32::Win32Registry registry_;
  HKey root_ = 0;
};

class Win32FilesEnv {
 public:
  Win32FilesEnv() : root_(win32::testing::ScratchFolder()) {
    files_.emplace(system_.PlatformId());
    original_directory_ = files_->GetCurrentDirectory();
    win32::testing::WipeFolder(root_);
    EXPECT_TRUE(::CreateDirectoryA(root_.c_str(), nullptr)) << root_;
  }
  ~Win32FilesEnv() {
    files_.reset();  // closes its text files and its listing
    held_.clear();
    EXPECT_TRUE(::SetCurrentDirectoryA(original_directory_.c_str()));
    win32::testing::WipeFolder(root_);
  }
  Files& files() { return *files_; }
  System& system() { return system_; }
  std::string root() const { return root_; }
  void MakeFolder(const std::string& path) {
    EXPECT_TRUE(::CreateDirectoryA(path.c_str(), nullptr)) << path << ": " << ::GetLastError();
  }
  void MakeFile(const std::string& path, const std::string& contents, uint32_t attributes) {
    EXPECT_TRUE(win32::testing::WriteWholeFile(path, contents)) << path;
    EXPECT_TRUE(::SetFileAttributesA(path.c_str(), attributes ? attributes : FILE_ATTRIBUTE_NORMAL))
        << path;
  }
  void HoldOpen(const std::string& path) {
    UniqueFile file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, 0, nullptr));
    EXPECT_TRUE(file) << path;
    held_.push_back(std::move(file));
  }
  std::string Contents(const std::string& path) const {
    return win32::testing::ReadWholeFile(path).value_or("<missing>");
  }
  // A second drive cannot be counted on (under Wine every drive is a folder of one file
  // system): the case that needs one runs on the simulator.
  std::string other_drive() const { return ""; }
  bool Deviates(Deviation deviation) const {
    if (!win32::testing::RunningUnderWine()) return false;
    return deviation == Deviation::kShortNamesAreAllHashed ||
           deviation == Deviation::kWildcardsAreGlobs ||
           deviation == Deviation::kDriveRootIsAFolder ||
           deviation == Deviation::kDrivesShareOneVolume ||
           deviation == Deviation::kHiddenFilesCanBeRewritten ||
           (deviation == Deviation::kReadOnlyFilesCanBeRewritten &&
            win32::testing::UserName() == "root");
  }

 private:
  std::string root_;
  win32::Win32System system_;
  std::optional<win32::Win32Files> files_;
  std::vector<UniqueFile> held_;
  std::string original_directory_;
};

class Win32ProcessesEnv {
 public:
  Win32ProcessesEnv() : root_(win32::testing::ScratchFolder()) {
    win32::testing::WipeFolder(root_);
    EXPECT_TRUE(::CreateDirectoryA(root_.c_str(), nullptr)) << root_;
  }
  ~Win32ProcessesEnv() {
    // The started programs end at once, but a loaded machine may take a while to let them go:
    // the folder is wiped again until it is gone (ten seconds at most), so the next case never
    // finds this one's files still held.
    for (int tries = 0; tries < 100; ++tries) {
      win32::testing::WipeFolder(root_);
      if (::GetFileAttributesA(root_.c_str()) == INVALID_FILE_ATTRIBUTES) break;
      ::Sleep(100);
    }
  }
  Processes& processes() { return processes_; }
  std::string root() const { return root_; }
  void MakeFolder(const std::string& path) {
    EXPECT_TRUE(::CreateDirectoryA(path.c_str(), nullptr)) << path << ": " << ::GetLastError();
  }
  void MakeFile(const std::string& path, const std::string& bytes) {
    EXPECT_TRUE(win32::testing::WriteWholeFile(path, bytes)) << path;
  }
  // A copy of the command interpreter: "/c exit 0" ends it at once.
  void MakeProgram(const std::string& path) {
    char system[MAX_PATH];
    UINT length = ::GetSystemDirectoryA(system, MAX_PATH);
    ASSERT_GT(length, 0u);
    const std::string cmd = std::string(system, length) + "\\cmd.exe";
    EXPECT_TRUE(::CopyFileA(cmd.c_str(), path.c_str(), FALSE)) << path << ": " << ::GetLastError();
  }

 private:
  std::string root_;
  win32::Win32Processes processes_;
};

using Win32Registries =
    ::testing::Types<Win32RegistryEnv<kHkeyCurrentUser>, Win32RegistryEnv<kHkeyLocalMachine>>;
INSTANTIATE_TYPED_TEST_SUITE_P(Win32, RegistryContract, Win32Registries);

using Win32FileSystems = ::testing::Types<Win32FilesEnv>;
INSTANTIATE_TYPED_TEST_SUITE_P(Win32, FilesContract, Win32FileSystems);
INSTANTIATE_TYPED_TEST_SUITE_P(Win32, PathCallsContract, Win32FileSystems);
INSTANTIATE_TYPED_TEST_SUITE_P(Win32, ValueEnumContract, Win32Registries);
INSTANTIATE_TYPED_TEST_SUITE_P(Win32, PathRulesContract, Win32FileSystems);

using Win32ProcessTables = ::testing::Types<Win32ProcessesEnv>;
INSTANTIATE_TYPED_TEST_SUITE_P(Win32, ProcessesContract, Win32ProcessTables);

// Word.Application is not registered in the test prefix; the window is this program's own.
class Win32WordEnv {
 public:
  Win32WordEnv() = default;
  Win32WordEnv(const Win32WordEnv&) = delete;
  Win32WordEnv& operator=(const Win32WordEnv&) = delete;
  ~Win32WordEnv() {
    if (window_ != nullptr) ::DestroyWindow(window_);
    ::UnregisterClassA("OpusApp", ::GetModuleHandleA(nullptr));
  }
  Automation& automation() { return automation_; }
  void OpenUnreachableWord() {
    WNDCLASSA window_class{};
    window_class.lpfnWndProc = &::DefWindowProcA;
    window_class.hInstance = ::GetModuleHandleA(nullptr);
    window_class.lpszClassName = "OpusApp";
    ASSERT_NE(0, ::RegisterClassA(&window_class)) << ::GetLastError();
    window_ = ::CreateWindowExA(0, "OpusApp", "Microsoft Word", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100,
                                nullptr, nullptr, window_class.hInstance, nullptr);
    ASSERT_NE(nullptr, window_) << ::GetLastError();
  }
  TaskId unreachable_owner() const { return ::GetCurrentProcessId(); }

 private:
  win32::Win32Automation automation_;
  HWND window_ = nullptr;
};

using Win32Words = ::testing::Types<Win32WordEnv>;
INSTANTIATE_TYPED_TEST_SUITE_P(Win32, WordWindowContract, Win32Words);

}  // namespace
}  // namespace vrx::contract

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  std::printf("platform id %u%s%s%s\n", vrx::win32::testing::PlatformId(),
              vrx::win32::testing::IsWow64() ? ", 32-bit view of a 64-bit Windows" : "",
              vrx::win32::testing::RunningUnderWine() ? ", Wine " : "",
              vrx::win32::testing::WineVersion().c_str());
  return RUN_ALL_TESTS();
}
