// The add-in's variants and where the registry records them.
#pragma once

#include <array>
#include <string_view>

namespace vrx {

inline constexpr std::string_view kAddInKey = "Software\\Docseal4";
inline constexpr std::string_view kWord97InstallRoot =
    "Software\\Microsoft\\Office\\8.0\\Word\\InstallRoot";
inline constexpr std::string_view kWord2000InstallRoot =
    "Software\\Microsoft\\Office\\9.0\\Word\\InstallRoot";
// The name of the Defaults value that holds a variant's data directory.
inline constexpr std::string_view kDataDirectoryValue = "Data Directory";

struct VariantInfo {
  std::string_view code;   // MSWORD, WPWIN7, ...
  std::string_view label;  // the caption beside its check box
  std::string_view tag;    // its check box's Tag
  std::string_view key;    // its key under HKEY_LOCAL_MACHINE
};

// In check-box order.
inline constexpr std::array<VariantInfo, 4> kVariants = {{
    {"MSWORD", "Microsoft Word 97/2000", "MSWORD8", "Software\\Docseal4\\MSWord"},
    {"WPWIN7", "WordPerfect 7", "WPWIN7", "Software\\Docseal4\\WPWIN7"},
    {"WPWIN8", "WordPerfect 8", "WPWIN8", "Software\\Docseal4\\WPWIN8"},
    {"WPWIN9", "WordPerfect 9", "WPWIN9", "Software\\Docseal4\\WPWIN9"},
}};

// A text is blank when nothing but spaces remains after trimming.
inline bool IsBlank(std::string_view text) {
  return text.find_first_not_of(' ') == std::string_view::npos;
}

}  // namespace vrx
