// The log of one run (/LOG=path): plain text in the Windows ANSI code page, one event a line,
// written as things happen.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/platform.h"

namespace vrx {

struct ProgramState;

// Where the lines of the log go.
class LogSink {
 public:
  virtual ~LogSink() = default;
  // Writes one line followed by CR LF at once, so that the log is whole up to its last line
  // even when the process ends without warning. False when the line could not be written.
  virtual bool Append(const std::string& line) = 0;
};

class RunLog {
 public:
  // `sink` is not owned and may be null: the log then takes every line and writes none.
  explicit RunLog(LogSink* sink) : sink_(sink) {}
  RunLog(const RunLog&) = delete;
  RunLog& operator=(const RunLog&) = delete;

  bool enabled() const { return sink_ != nullptr && !failed_; }

  // The program's state, whose detail lines the log copies as they are added.
  void Attach(const ProgramState* state) { state_ = state; }

  // Writes the detail lines added since the last line, then the line. After the first line that
  // cannot be written the log writes nothing more; the run is not told.
  void Line(const std::string& text);
  // Writes the detail lines added since the last line.
  void CatchUpDetails();

 private:
  void Write(const std::string& text);

  LogSink* sink_;
  bool failed_ = false;
  const ProgramState* state_ = nullptr;
  int32_t details_written_ = 0;
};

// Whether the log may be made at `path`, where a file holding `existing` (its first bytes, empty
// for an empty file; none when there is no file) lies: a log replaces nothing but an empty file or
// a log this program wrote (its first line is the one a run, a what-if or a snapshot writes), and
// never a Wininit.ini or Wininit.bak, which Windows reads as it starts.
bool MayBecomeLog(const std::string& path, const std::optional<std::string>& existing);
// How many first bytes of an existing file MayBecomeLog needs.
inline constexpr size_t kLogMarkBytes = 64;

// Why a Win32 call failed, in words, with its code: "it is in use by another program (error 32)".
std::string ReasonOf(Status status);

// A text on one line: each CR, LF or CR LF becomes " / ".
std::string OneLine(const std::string& text);

}  // namespace vrx
