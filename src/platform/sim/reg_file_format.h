// What the reader and the writer of .reg files share: the two header lines, the string types
// whose data the Unicode format keeps as UTF-16LE, and the conversions between Windows-1252 and
// UTF-16LE.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vrx::sim::reg_format {

inline constexpr std::string_view kHeader4 = "REGEDIT4";
inline constexpr std::string_view kHeader5 = "Windows Registry Editor Version 5.00";

// REG_SZ, REG_EXPAND_SZ and REG_MULTI_SZ.
bool IsStringType(uint32_t type);
// UTF-16LE to UTF-8. On failure *bad_line is the 1-based line of the fault.
bool Utf16ToUtf8(std::string_view bytes, std::string* out, size_t* bad_line);
// UTF-16LE data of a value to the Windows-1252 bytes the registry keeps; false, with *out
// untouched, for an odd length or a character Windows-1252 lacks.
bool Utf16DataToAnsi(std::string_view bytes, std::string* out);
// Windows-1252 bytes as UTF-16LE.
std::string AnsiToUtf16Data(std::string_view ansi);

}  // namespace vrx::sim::reg_format
