// Main's command line: the split into words and the choice of variants, held to a plain reading
// of the rules. Words are separated by blanks and tabs and upper-cased; a word containing WPWIN7,
// WPWIN8, WPWIN9 or MSWORD (the first found in this order) chooses that variant; any other word
// containing NOREBOOT sets NoReboot. Upper case is the ANSI code page's (Windows-1252): the
// accented letters and š œ ž ÿ have capitals too.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "state/program.h"

namespace {

char Upper(char c) {
  const auto u = static_cast<unsigned char>(c);
  if (u >= 'a' && u <= 'z') return static_cast<char>(u - 'a' + 'A');
  if (u >= 0xE0 && u <= 0xFE && u != 0xF7) return static_cast<char>(u - 0x20);  // à..þ, not ÷
  if (u == 0x9A || u == 0x9C || u == 0x9E) return static_cast<char>(u - 0x10);  // š œ ž
  if (u == 0xFF) return static_cast<char>(0x9F);                                // ÿ
  return c;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string line(reinterpret_cast<const char*>(data), size);
  const std::vector<std::string> words = vrx::SplitCommandLine(line);

  std::string joined;
  for (const std::string& word : words) {
    if (word.empty() || word.find_first_of(" \t") != std::string::npos) std::abort();
    for (char c : word) {
      if (Upper(c) != c) std::abort();
    }
    joined += word;
  }
  std::string expected;
  for (char c : line) {
    if (c == ' ' || c == '\t') continue;
    expected += Upper(c);
  }
  if (joined != expected) std::abort();

  vrx::ProgramState state;
  vrx::ReadCommandLine(state, words);
  bool chosen[4] = {};
  bool no_reboot = false;
  const char* codes[] = {"WPWIN7", "WPWIN8", "WPWIN9", "MSWORD"};
  for (const std::string& word : words) {
    int found = -1;
    for (int i = 0; i < 4 && found < 0; ++i) {
      if (word.find(codes[i]) != std::string::npos) found = i;
    }
    if (found >= 0) {
      chosen[found] = true;
    } else if (word.find("NOREBOOT") != std::string::npos) {
      no_reboot = true;
    }
  }
  const bool any = chosen[0] || chosen[1] || chosen[2] || chosen[3];
  if (state.Chosen[vrx::kWpWin7] != chosen[0] || state.Chosen[vrx::kWpWin8] != chosen[1] ||
      state.Chosen[vrx::kWpWin9] != chosen[2] || state.Chosen[vrx::kMsWord] != chosen[3] ||
      state.NoReboot != no_reboot || state.CommandLineMode != any) {
    std::abort();
  }
  return 0;
}
