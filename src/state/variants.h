// The add-in's variants and where the registry records them.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace vrx {

inline constexpr std::string_view kAddInKey = "Software\\Docseal4";
inline constexpr std::string_view kWord97InstallRoot =
    "Software\\Microsoft\\Office\\8.0\\Word\\InstallRoot";
inline constexpr std::string_view kWord2000InstallRoot =
    "Software\\Microsoft\\Office\\9.0\\Word\\InstallRoot";
// The uninstall list of Windows' Add/Remove Programs, with its closing backslash.
inline constexpr std::string_view kUninstallListKey =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
// The name of the Defaults value that holds a variant's data directory.
inline constexpr std::string_view kDataDirectoryValue = "Data Directory";

struct VariantInfo {
  std::string_view code;   // MSWORD, WPWIN7, ...
  std::string_view label;  // the caption beside its check box
  std::string_view tag;    // its check box's Tag
  std::string_view key;    // its key under HKEY_LOCAL_MACHINE, as its setup spelled it
  // Its entry in the uninstall list (below kUninstallListKey); a trial copy's entry adds
  // kTrialSuffix.
  std::string_view uninstall_entry;
};

// The index of each variant in kVariants, and so in ProgramState's Chosen and Installed.
enum VariantIndex : size_t { kMsWord = 0, kWpWin7 = 1, kWpWin8 = 2, kWpWin9 = 3 };
inline constexpr size_t kVariantCount = 4;

// In check-box order.
inline constexpr std::array<VariantInfo, kVariantCount> kVariants = {{
    {"MSWORD", "Microsoft Word 97/2000", "MSWORD8", "Software\\Docseal4\\MSWord",
     "Docseal 4.0 for Word\xAE 97/2000"},
    {"WPWIN7", "WordPerfect 7", "WPWIN7", "Software\\Docseal4\\WPWIN7",
     "Docseal 4.0 for WordPerfect\xAE 7"},
    {"WPWIN8", "WordPerfect 8", "WPWIN8", "Software\\Docseal4\\WPWIN8",
     "Docseal 4.0 for WordPerfect\xAE 8"},
    {"WPWIN9", "WordPerfect 9", "WPWIN9", "Software\\Docseal4\\WPWIN9",
     "Docseal 4.0 for WordPerfect\xAE 9"},
}};

inline constexpr std::string_view kTrialSuffix = " Trial Version";

// The key under which a variant's setup recorded its folders.
inline std::string DefaultsKey(const VariantInfo& variant) {
  return std::string(variant.key) + "\\Defaults";
}

// The variant's key named by its code (the same key as `key`; the uninstall step and the SRCDIR
// token spell it so).
inline std::string CodeKey(const VariantInfo& variant) {
  return std::string(kAddInKey) + "\\" + std::string(variant.code);
}

// The variant whose code is `code`; null for none.
inline const VariantInfo* FindVariant(std::string_view code) {
  for (const VariantInfo& variant : kVariants) {
    if (variant.code == code) return &variant;
  }
  return nullptr;
}

// A text is blank when nothing but spaces remains after trimming.
inline bool IsBlank(std::string_view text) {
  return text.find_first_not_of(' ') == std::string_view::npos;
}

}  // namespace vrx
