// How Windows compares, orders, shortens and matches the names of files, folders and registry
// keys, for names in the Windows ANSI code page (Windows-1252). Pure functions: no state, no
// platform calls.
//
// Case. Names are compared without regard to case, one character at a time: the ASCII letters,
// the Latin-1 letters 0xE0-0xFE (except 0xF7) against 0xC0-0xDE, and the four letters that
// Windows-1252 adds in 0x80-0x9F: š/Š (0x9A/0x8A), œ/Œ (0x9C/0x8C), ž/Ž (0x9E/0x8E) and
// ÿ/Ÿ (0xFF/0x9F). ß and µ have no upper case in the code page and match only themselves. The
// same folding serves file names, registry key and value names and the upper-casing of texts in
// the ANSI code page.
//
// Order. Folded names are ordered by the Unicode code points of their characters (NTFS and the
// registry of Windows NT compare upper-cased UTF-16 names), so "€" (U+20AC) comes after "À".
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vrx {

// The UTF-16 code unit of a Windows-1252 byte. The five bytes that the code page leaves undefined
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to themselves, as Windows maps them.
uint16_t CodeUnit(char c);

// The upper-case form of one character, and of a whole text, as described above.
char FoldChar(char c);
std::string FoldName(std::string_view name);
// True when Windows takes the two names for the same name.
bool SameName(std::string_view a, std::string_view b);
// Negative, zero or positive as `a` sorts before, with or after `b` (compared folded, by code
// points); zero exactly when SameName.
int CompareNames(std::string_view a, std::string_view b);
// The ordering of CompareNames for names that are already folded.
int CompareFolded(std::string_view a, std::string_view b);

// How long the names and paths that Windows makes on a drive can be, in characters (one byte each
// in the code page, one UTF-16 unit each on the disk): a name at most 255 (what NTFS and FAT
// hold); the full path of a file ("C:\...") at most 259, MAX_PATH less its NUL; the full path of
// a folder at most 247, as CreateDirectory keeps MAX_PATH less 12 (an 8.3 name) for the folder
// and its NUL, so that the files in it fit.
inline constexpr size_t kMaxNameLength = 255;
inline constexpr size_t kMaxPathLength = 259;
inline constexpr size_t kMaxFolderPathLength = 247;

// A name Windows accepts for a file or folder it creates: 1 to 255 characters, not "." or "..",
// no control character and none of < > : " / \ | ? *, and not ending in a dot or a blank
// (Windows cuts those from the last part of every path, so no such name can be made).
bool IsValidFileName(std::string_view name);

// Why Windows could not take `path` (its parts separated by "\" or "/") as a path of at most
// `max_length` characters (kMaxPathLength, or kMaxFolderPathLength for a folder): "a name longer
// than 255 characters" or "a path longer than 259 characters"; "" when it could.
std::string PathLengthProblem(std::string_view path, size_t max_length);

// A name that is its own 8.3 name: a base of 1 to 8 characters, at most one dot, an extension of
// 0 to 3 characters after it, no blank, none of + , ; = [ ] and no character Windows refuses,
// not starting with a dot (except "." and "..") and not ending with one.
bool IsShortName(std::string_view name);

// The 8.3 name that Windows NT tries for a long name at its `attempt`-th try (1, 2, ...), when
// the tries before it were already taken in the folder. Leading dots are skipped; the base (up to
// the last dot) and the extension (after it) keep their characters from 0x21 to 0x7E without dots,
// upper-cased, with + , ; = [ ] made into "_"; other characters are left out. The base is cut to
// 6 characters and the extension to 3. Tries 1 to 4 are BASE~1 to BASE~4; from the fifth on, and
// from the first when the base has at most 2 characters, the 4 hexadecimal digits of
// ShortNameChecksum (lowest digit first) stand after the first 2 characters of the base, numbered
// anew from ~1: "LONGNA~4.TXT", then "LO7A1C~1.TXT". A number that does not fit shortens the base
// so that it stays within 8 characters.
std::string ShortNameCandidate(std::string_view long_name, int attempt);
// The checksum Windows NT puts into hashed 8.3 names, over the UTF-16 code units of the name.
uint16_t ShortNameChecksum(std::string_view long_name);

// True when a listing pattern (the last part of a FindFirstFile path) matches a name, as
// FindFirstFileA matches them: without regard to case, after cutting trailing dots and blanks as
// from any last part of a path; "*.*" is "*". Then "*" matches any run of characters, and a "*"
// before a dot (or before the dot that was cut) any run but the name's last dot; "?" matches one
// character other than a dot, or nothing before a dot or at the end of the name (so "FOO?.TXT"
// finds "FOO.TXT"); a dot before "?" or "*" matches a dot or the end of the name (so "README.*"
// finds "README"). "*." thus finds the names without a dot.
bool MatchesPattern(std::string_view pattern, std::string_view name);

// A part of a path as Windows reads it: one trailing dot is cut from every part but the last, and
// every trailing dot and blank from the last ("Stamps." is "Stamps"; "A.TXT. ." is "A.TXT"). "."
// and ".." are left for the caller. The last part may become empty.
std::string_view TrimPathPart(std::string_view part, bool last);

// The name regedit gives a predefined key: "HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER",
// "HKEY_LOCAL_MACHINE" or "HKEY_USERS"; empty for any other handle.
std::string_view HiveName(uint32_t hive);

}  // namespace vrx
