// What the simulated machine saw the program do, one event a line.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vrx::sim {

class Transcript {
 public:
  // Adds one line, given in the Windows ANSI code page.
  void Add(const std::string& line) { lines_.push_back(line); }
  const std::vector<std::string>& lines() const { return lines_; }
  // All lines in UTF-8, each ended by a line feed.
  std::string ToUtf8() const;

 private:
  std::vector<std::string> lines_;
};

// Windows-1252 to UTF-8 and back. FromUtf8 gives false for a character the code page lacks.
std::string AnsiToUtf8(const std::string& ansi);
bool Utf8ToAnsi(const std::string& utf8, std::string* ansi);
// Appends one Unicode code point (up to U+10FFFF) as UTF-8.
void AppendUtf8(uint32_t cp, std::string* out);

// A text in double quotes as the transcript shows it: CR as \r, LF as \n, a quote as \".
std::string Quoted(const std::string& text);

}  // namespace vrx::sim
