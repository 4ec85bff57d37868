#include "deploy/command_words.h"

#include <cstddef>
#include <string_view>

namespace vrx {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool StartsWithNoCase(std::string_view word, std::string_view prefix) {
  if (word.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    if (Upper(word[i]) != prefix[i]) return false;
  }
  return true;
}

constexpr std::string_view kQuiet = "/QUIET";
constexpr std::string_view kLog = "/LOG=";
constexpr std::string_view kSnapshot = "/SNAPSHOT=";
constexpr std::string_view kWhatIf = "/WHATIF";

}  // namespace

CommandWords ReadCommandWords(const std::string& command_line) {
  CommandWords words;
  size_t at = 0;
  while (at < command_line.size()) {
    if (IsBlank(command_line[at])) {
      words.program_words.push_back(command_line[at++]);
      continue;
    }
    size_t end = at;
    while (end < command_line.size() && !IsBlank(command_line[end])) ++end;
    const std::string_view word = std::string_view(command_line).substr(at, end - at);
    if (StartsWithNoCase(word, kLog)) {
      words.log_path = std::string(word.substr(kLog.size()));
    } else if (StartsWithNoCase(word, kSnapshot)) {
      words.snapshot_dir = std::string(word.substr(kSnapshot.size()));
    } else {
      if (word.size() == kQuiet.size() && StartsWithNoCase(word, kQuiet)) words.quiet = true;
      if (word.size() == kWhatIf.size() && StartsWithNoCase(word, kWhatIf)) words.what_if = true;
      words.program_words.append(word);
    }
    at = end;
  }
  return words;
}

}  // namespace vrx
