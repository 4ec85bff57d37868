// What the contract suites (registry_contract.h, files_contract.h) know about the backend they
// run on, beyond the interfaces themselves.
//
// The suites state what Windows does. Where a backend is known to answer otherwise, its
// environment names the difference and the case that shows it is skipped with that name, so a
// run lists every known difference instead of hiding it.
#pragma once

#include <string>

namespace vrx::contract {

enum class Deviation {
  // The simulator matches wildcard patterns against long names only; Windows (and Wine) also
  // match the 8.3 name, so "*.txt" lists "c.txta" (short name C~1.TXT or the like).
  kPatternsIgnoreShortNames,
  // The simulator stores a REG_SZ value with exactly the size given. Windows adds the NUL that
  // follows the data when the size left it out ("abc" + NUL with size 3 is stored as 4 bytes),
  // and Windows 95/98 store a REG_SZ value up to its NUL whatever size is given.
  kStringValuesKeepTheSizeGiven,
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
};

inline const char* Describe(Deviation deviation) {
  switch (deviation) {
    case Deviation::kPatternsIgnoreShortNames:
      return "known difference: patterns are not matched against 8.3 names";
    case Deviation::kStringValuesKeepTheSizeGiven:
      return "known difference: REG_SZ values are stored with exactly the size given";
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
  }
  return "known difference";
}

}  // namespace vrx::contract
