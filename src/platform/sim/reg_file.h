// The machine image's registry.reg: reading it into a SimRegistry and writing a SimRegistry out.
//
// Two formats, as regedit writes them:
//  - "REGEDIT4": Windows-1252 bytes.
//  - "Windows Registry Editor Version 5.00": UTF-16LE starting with the byte-order mark FF FE.
//    Texts are turned into the Windows-1252 bytes the registry keeps; the data of hex(1), hex(2)
//    and hex(7) is UTF-16LE in the file and the Windows-1252 bytes in the registry.
//
// The reader takes: the header line; blank lines; comment lines starting with ";"; sections
// "[HKEY_CLASSES_ROOT\path]" (also HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE, matched without
// regard to case; "[HKEY_LOCAL_MACHINE]" is the hive's own key); and value lines
//   "name"="text"          REG_SZ: the text and a NUL; escapes \\ and \" only
//   @=...                  the default value ("" as a name means it too)
//   "name"=dword:1a2b      REG_DWORD, 1 to 8 hex digits
//   "name"=hex:01,ff       REG_BINARY
//   "name"=hex(N):01,ff    any type N (hex digits), the bytes as stored
// Hex lists may go on over several lines, each but the last ending with a backslash. Leading
// blanks, blanks around "=" and trailing blanks are allowed; lines end with CRLF or LF. Removal
// entries ("[-key]", "name"=-) are refused, as an image describes a state. Key parts may be longer
// than 255 characters. Values set twice keep the last data.
//
// The writer writes the canonical form: the header, a blank line, then every key of
// HKEY_CLASSES_ROOT, HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE, depth first with subkeys in
// enumeration order, each as its "[path]" line, its values in stored order and a blank line; lines
// end with CRLF. A hive's own key is written only when it holds values. A REG_SZ holding a text and
// one NUL (and no other NUL, CR or LF) is written as a quoted text, a 4-byte REG_DWORD as dword:,
// REG_BINARY as hex:, anything else as hex(N):. Hex digits are lower case; hex lists are broken
// after the comma that reaches column 77, going on after two blanks. Reading a file in canonical
// form and writing it again gives the same bytes. Value and key names holding CR or LF cannot be
// written faithfully.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "platform/sim/sim_registry.h"

namespace vrx::sim {

enum class RegFileFormat {
  kRegedit4,  // REGEDIT4, Windows-1252
  kVersion5,  // Windows Registry Editor Version 5.00, UTF-16LE
};

struct RegFileResult {
  bool ok = false;
  RegFileFormat format = RegFileFormat::kRegedit4;  // the format read, when ok
  // When not ok, one message naming the file and the 1-based line:
  // registry.reg:12: unknown hive "HKEY_FOO"
  std::string error;
};

// Reads the bytes of a .reg file into `registry`, adding to what it holds. `file_name` is used in
// the error message. On failure nothing is applied.
RegFileResult ParseRegFile(std::string_view bytes, const std::string& file_name,
                           SimRegistry* registry);
// Reads a .reg file from disk; messages name the path as given.
RegFileResult ReadRegFile(const std::filesystem::path& path, SimRegistry* registry);

// The registry in canonical form, as the bytes of a file of the given format.
std::string FormatRegFile(const SimRegistry& registry, RegFileFormat format);
// Writes FormatRegFile to a file; false, with a message in *error, when it cannot be written.
bool WriteRegFile(const std::filesystem::path& path, const SimRegistry& registry,
                  RegFileFormat format, std::string* error);

}  // namespace vrx::sim
