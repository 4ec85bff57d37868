#include "deploy/command_words.h"

#include <cstddef>
#include <optional>
#include <string_view>

namespace vrx {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

std::string UpperText(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) c = Upper(c);
  return upper;
}

// A path as typed, without a quotation mark at its end.
std::string PathOf(std::string_view text) {
  if (!text.empty() && text.back() == '"') text.remove_suffix(1);
  return std::string(text);
}

// The path of a switch that takes one: the word begins (after "/", "-" or quotation marks) with
// NAME followed by "=" or ":".
std::optional<std::string> SwitchPath(std::string_view word, std::string_view name) {
  while (!word.empty() && (word.front() == '/' || word.front() == '-' || word.front() == '"')) {
    word.remove_prefix(1);
  }
  if (word.size() <= name.size() || UpperText(word.substr(0, name.size())) != name) {
    return std::nullopt;
  }
  const char separator = word[name.size()];
  if (separator != '=' && separator != ':') return std::nullopt;
  return PathOf(word.substr(name.size() + 1));
}

constexpr std::string_view kQuiet = "/QUIET";
constexpr std::string_view kSnapshot = "SNAPSHOT";

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
    const std::string upper = UpperText(word);
    at = end;
    if (std::optional<std::string> path = SwitchPath(word, "LOG")) {
      words.log_path = std::move(path);
      continue;
    }
    if (const size_t named = upper.find(kSnapshot); named != std::string::npos) {
      const size_t after = named + kSnapshot.size();
      words.snapshot_dir = after < word.size() && (word[after] == '=' || word[after] == ':')
                               ? PathOf(word.substr(after + 1))
                               : std::string();
      continue;
    }
    if (upper == kQuiet) words.quiet = true;
    if (upper.find("WHATIF") != std::string::npos) words.what_if = true;
    words.program_words.append(word);
  }
  return words;
}

}  // namespace vrx
