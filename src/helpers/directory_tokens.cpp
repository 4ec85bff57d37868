#include "helpers/directory_tokens.h"

#include <array>
#include <string_view>

#include "helpers/registry_tools.h"
#include "platform/windows_names.h"
#include "state/program.h"
#include "state/variants.h"

namespace vrx {
namespace {

constexpr uint32_t kPathBuffer = 255;

// A Windows or system directory query: as many characters as the call says it wrote.
template <typename Query>
std::string QueryDirectory(Query query) {
  std::array<char, kPathBuffer + 1> buffer{};
  uint32_t written = query(buffer.data(), kPathBuffer);
  if (written == 0 || written > kPathBuffer) return "";
  return std::string(buffer.data(), written);
}

std::string Hklm(const Platform& platform, const std::string& key, const std::string& value) {
  return QueryValue(*platform.registry, key, value, kHkeyLocalMachine).AsText();
}

// The Defaults key of the WordPerfect variant whose version is `digit`, '7' to '9'.
std::string WordPerfectDefaults(char digit) {
  return DefaultsKey(kVariants[kWpWin7 + static_cast<size_t>(digit - '7')]);
}

// The WordPerfect template folder: the program directory up to the backslash before "\WPWIN",
// then "Template".
std::string TemplateDirectory(const Platform& platform, const std::string& token) {
  std::string program = Hklm(platform, WordPerfectDefaults(token.back()), "Program Directory");
  size_t found = FoldName(program).find("\\WPWIN");
  std::string result = found == std::string::npos ? "" : program.substr(0, found + 1);
  result += "Template";
  if (token == "WPTD8") result += "\\Custom WP Templates";
  return result;
}

std::string Resolve(const Platform& platform, const ProgramState& state, const std::string& t) {
  if (t == "SD") return state.VariantSourceDir;
  if (t == "STMPDIR") return state.VariantStampDir;
  if (t == "HD") return state.VariantHelpDir;
  if (t == "SIGDIR") return state.VariantSigDir;
  if (t == "LD") return state.VariantDataDir;
  if (t == "WINSYS") {
    return QueryDirectory(
        [&](char* b, uint32_t n) { return platform.system->GetSystemDirectory(b, n); });
  }
  if (t == "WINDIR") {
    return QueryDirectory(
        [&](char* b, uint32_t n) { return platform.system->GetWindowsDirectory(b, n); });
  }
  if (t == "STARTUPDIRWD8") {
    return Hklm(platform, DefaultsKey(kVariants[kMsWord]) + "\\8", "Startup Path") + "\\";
  }
  if (t == "STARTUPDIRWD9") {
    return Hklm(platform, DefaultsKey(kVariants[kMsWord]) + "\\9", "Startup Path");
  }
  if (t == "STARTUPDIRWP7" || t == "STARTUPDIRWP8" || t == "STARTUPDIRWP9") {
    return Hklm(platform, WordPerfectDefaults(t.back()), "Startup Directory");
  }
  if (t == "WPTD7" || t == "WPTD8" || t == "WPTD9") return TemplateDirectory(platform, t);
  if (t == "DD7" || t == "DD8" || t == "DD9") {
    return Hklm(platform, WordPerfectDefaults(t.back()), "Documents Directory");
  }
  if (t == "WPPROGPATH7" || t == "WPPROGPATH8" || t == "WPPROGPATH9") {
    return Hklm(platform, WordPerfectDefaults(t.back()), "Program Directory");
  }
  if (t == "SRCDIR") return Hklm(platform, CodeKey(kVariants[kMsWord]) + "\\Defaults", "SRCDIR");
  return "";
}

}  // namespace

std::string GetDirectory(const Platform& platform, const ProgramState& state,
                         const std::string& token) {
  std::string path = Resolve(platform, state, token);
  if (!path.empty() && path.back() == '\\') path.pop_back();
  return path;
}

std::string GetShortPath(System& system, const std::string& path) {
  std::string buffer(kPathBuffer, ' ');
  uint32_t needed = system.GetShortPathName(path, buffer.data(), kPathBuffer);
  if (needed > kPathBuffer) {
    // The short form does not fit: ask again with a buffer that holds it.
    buffer.assign(needed, ' ');
    uint32_t written = system.GetShortPathName(path, buffer.data(), needed);
    if (written == 0 || written >= needed) return "";
    return buffer.substr(0, written);
  }
  return buffer.substr(0, needed);
}

}  // namespace vrx
