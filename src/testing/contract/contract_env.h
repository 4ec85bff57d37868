// What the contract suites (registry_contract.h, files_contract.h, processes_contract.h) know
// about the backend they run on, beyond the interfaces themselves.
//
// The suites state what Windows does. Where a backend is known to answer otherwise, its
// environment names the difference and the case that shows it is skipped with that name, so a
// run lists every known difference instead of hiding it.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>

#ifdef _WIN32
#include "platform/win32/win32_windows.h"
#else
#include <sys/mman.h>
#include <unistd.h>
#endif

#include "platform/platform.h"

namespace vrx::contract {

enum class Deviation {
  // RegQueryValueExA of a missing value without a data buffer: Windows NT sets the size to 0;
  // the simulator leaves it (as Windows 95/98 do).
  kMissingValueLeavesTheSize,
  // SetCurrentDirectory of a missing folder in an existing one: Windows says 2 (not found),
  // the simulator 3 (path not found).
  kMissingCurrentDirectoryIsPathNotFound,
  // Wine sorts subkeys by their lower-cased names, Windows by their upper-cased names: "_x"
  // (0x5F) comes before the letters on Wine and after them on Windows.
  kSubkeysSortedByLowerCase,
  // Wine in Windows 95/98 mode: RegDeleteKeyA deletes a tree only while each key has at most one
  // subkey; after the first subkey it asks for the next with the length of the first name as
  // the buffer size, gets 234 for any name not shorter and gives up with 5.
  kWin9xTreeDeleteStopsAfterFirstSubkey,
  // Wine run as root: the read-only attribute, which Wine keeps as the Unix write permission,
  // does not keep CreateFileA(CREATE_ALWAYS) from emptying the file (deletion is still refused).
  kReadOnlyFilesCanBeRewritten,
  // Wine makes every 8.3 name from a hash of the long name (first characters, "~", three hash
  // characters); Windows NT numbers BASE~1 to BASE~4 and only then hashes.
  kShortNamesAreAllHashed,
  // Wine makes a key whose name is longer than 255 characters; Windows refuses it with 87.
  kLongKeyNamesAreMade,
  // Wine matches listing patterns as plain globs: "?" is exactly one character, a dot included,
  // and the dot Windows cuts from the end of a pattern ("*.") no longer counts.
  kWildcardsAreGlobs,
  // Wine removes a drive's root as it removes any folder: 145 while it holds something, where
  // Windows refuses with 5.
  kDriveRootIsAFolder,
  // Wine's drives are folders of one Unix file system: a move between two of them succeeds where
  // Windows NT refuses it with 17.
  kDrivesShareOneVolume,
  // Wine lets CreateFileA(CREATE_ALWAYS) empty a hidden or system file; Windows refuses with 5.
  kHiddenFilesCanBeRewritten,
};

inline const char* Describe(Deviation deviation) {
  switch (deviation) {
    case Deviation::kMissingValueLeavesTheSize:
      return "known difference: querying a missing value leaves the size as it was";
    case Deviation::kMissingCurrentDirectoryIsPathNotFound:
      return "known difference: SetCurrentDirectory of a missing folder gives 3, not 2";
    case Deviation::kSubkeysSortedByLowerCase:
      return "known difference: subkeys are sorted by their lower-cased names";
    case Deviation::kWin9xTreeDeleteStopsAfterFirstSubkey:
      return "known difference: Windows 95/98 tree deletion stops after the first subkey";
    case Deviation::kReadOnlyFilesCanBeRewritten:
      return "known difference: a read-only file can be opened for writing";
    case Deviation::kShortNamesAreAllHashed:
      return "known difference: every 8.3 name is a hash of the long name";
    case Deviation::kLongKeyNamesAreMade:
      return "known difference: a key name longer than 255 characters is made";
    case Deviation::kWildcardsAreGlobs:
      return "known difference: listing patterns are plain globs";
    case Deviation::kDriveRootIsAFolder:
      return "known difference: a drive's root is removed as a folder";
    case Deviation::kDrivesShareOneVolume:
      return "known difference: files move between drives";
    case Deviation::kHiddenFilesCanBeRewritten:
      return "known difference: a hidden file can be opened for writing";
  }
  return "known difference";
}

// Bytes that end where readable memory ends: reading one byte past them faults at once, on the
// simulator as on Windows, instead of going unnoticed.
class GuardedBytes {
 public:
  explicit GuardedBytes(const std::string& bytes) : size_(static_cast<uint32_t>(bytes.size())) {
#ifdef _WIN32
    SYSTEM_INFO info;
    ::GetSystemInfo(&info);
    page_ = info.dwPageSize;
    base_ = static_cast<uint8_t*>(
        ::VirtualAlloc(nullptr, 2 * page_, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    DWORD old = 0;
    if (base_) ::VirtualProtect(base_ + page_, page_, PAGE_NOACCESS, &old);
#else
    page_ = static_cast<size_t>(::sysconf(_SC_PAGESIZE));
    void* base =
        ::mmap(nullptr, 2 * page_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    base_ = base == MAP_FAILED ? nullptr : static_cast<uint8_t*>(base);
    if (base_) ::mprotect(base_ + page_, page_, PROT_NONE);
#endif
    if (base_) std::memcpy(base_ + page_ - size_, bytes.data(), size_);
  }
  ~GuardedBytes() {
#ifdef _WIN32
    if (base_) ::VirtualFree(base_, 0, MEM_RELEASE);
#else
    if (base_) ::munmap(base_, 2 * page_);
#endif
  }
  GuardedBytes(const GuardedBytes&) = delete;
  GuardedBytes& operator=(const GuardedBytes&) = delete;

  bool ok() const { return base_ != nullptr; }
  const uint8_t* data() const { return base_ + page_ - size_; }
  uint32_t size() const { return size_; }

 private:
  size_t page_ = 0;
  uint8_t* base_ = nullptr;
  uint32_t size_;
};

}  // namespace vrx::contract
