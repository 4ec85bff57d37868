// The run's log (/LOG=path) as a file: made, or emptied, when the program starts, and written a
// line at a time, straight through to the file, so that what it holds is whole when the program
// ends in any way. Other programs may read it meanwhile; the program holds it open until it
// ends, so the run cannot delete it.
#pragma once

#include <memory>
#include <string>

#include "deploy/run_log.h"
#include "platform/platform.h"
#include "platform/win32/win32_handles.h"

namespace vrx::win32 {

class Win32LogFile : public LogSink {
 public:
  // The log at `path` (CreateFileA with OPEN_ALWAYS, emptied); null, with *status set, when it
  // cannot be made: an empty path, a missing folder, a read-only file, a name Windows refuses, or
  // a file there that MayBecomeLog keeps (kErrorFileExists), which is left as it was.
  static std::unique_ptr<Win32LogFile> Create(const std::string& path, Status* status);

  // WriteFile of the line and CR LF; false when not all of it was written.
  bool Append(const std::string& line) override;

 private:
  explicit Win32LogFile(UniqueFile file) : file_(std::move(file)) {}
  UniqueFile file_;
};

// The local date and time as the log's first line gives it: "2024-05-17 14:03:59".
std::string LocalTimeText();

}  // namespace vrx::win32
