// What the program's own command line holds after the program's name, as Windows hands it over.
#pragma once

#include <string>
#include <string_view>

namespace vrx {

// Skips the program's name (up to the first blank or tab outside the double quotes that may start
// it, as the C runtime reads it) and the blanks and tabs after it; the rest is returned as it
// stands.
inline std::string ArgumentsOf(std::string_view command_line) {
  size_t at = 0;
  if (!command_line.empty() && command_line[0] == '"') {
    const size_t close = command_line.find('"', 1);
    at = close == std::string_view::npos ? command_line.size() : close + 1;
  }
  while (at < command_line.size() && command_line[at] != ' ' && command_line[at] != '\t') ++at;
  while (at < command_line.size() && (command_line[at] == ' ' || command_line[at] == '\t')) ++at;
  return std::string(command_line.substr(at));
}

}  // namespace vrx
