// The rewrite of Wininit.ini as a function of its old bytes and the run's entries: every old line
// is kept, in order, and the only lines added are the entries' "NUL=" lines after each line that
// holds "[RENAME]" (or after a "[RENAME]" added at the end); a file naming VRXUNINST.EXE is left.
//
// Input: the entries, each ended by a NUL byte, then a 0xFF byte, then the old file's bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "removal/deferred_deletion.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  const size_t split = input.find('\xFF');
  std::vector<std::string> entries;
  std::string old_bytes = input;
  if (split != std::string::npos) {
    old_bytes = input.substr(split + 1);
    std::string entry;
    for (char c : input.substr(0, split)) {
      if (c == '\0') {
        entries.push_back(entry);
        entry.clear();
      } else if (c != '\r') {  // paths hold no carriage return
        entry += c;
      }
    }
  }
  const std::vector<std::string> old_lines = vrx::SplitWininitLines(old_bytes);
  // Every byte of the old file but the line ends is in some line.
  size_t kept = 0;
  for (const std::string& line : old_lines) kept += line.size();
  size_t breaks = 0;
  for (size_t i = 0; i < old_bytes.size(); ++i) {
    if (old_bytes[i] == '\r') {
      ++breaks;
      if (i + 1 < old_bytes.size() && old_bytes[i + 1] == '\n') ++breaks, ++i;
    }
  }
  if (kept + breaks != old_bytes.size()) std::abort();

  std::optional<std::string> rewritten = vrx::RewriteWininit(old_lines, entries);
  bool marked = false;
  bool has_rename = false;
  for (const std::string& line : old_lines) {
    marked |= line.find("VRXUNINST.EXE") != std::string::npos;
    has_rename |= line.find("[RENAME]") != std::string::npos;
  }
  if (marked != !rewritten) std::abort();
  if (!rewritten) return 0;

  // The new file read back: the old lines in order, each followed by the entries where due.
  const std::vector<std::string> now = vrx::SplitWininitLines(*rewritten);
  size_t at = 0;
  auto expect_entries = [&] {
    for (const std::string& entry : entries) {
      if (at >= now.size() || now[at] != "NUL=" + entry) std::abort();
      ++at;
    }
  };
  for (const std::string& line : old_lines) {
    if (at >= now.size() || now[at] != line) std::abort();
    ++at;
    if (line.find("[RENAME]") != std::string::npos) expect_entries();
  }
  if (!has_rename) {
    if (at >= now.size() || now[at] != "[RENAME]") std::abort();
    ++at;
    expect_entries();
  }
  if (at != now.size()) std::abort();
  return 0;
}
