// The program's two preview words from start to end, on any platform: /SNAPSHOT=DIR and /WHATIF
// (command_words.h). Each returns the program's exit code.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "deploy/command_words.h"
#include "deploy/run_log.h"
#include "platform/form.h"
#include "platform/platform.h"
#include "preview/host_calls.h"

namespace vrx::preview {

// /SNAPSHOT=DIR: the snapshot of `live` written into DIR (taken as GetFullPathName makes it).
// Says what happened in one line: to the log (`sink`, may be null) and, without /QUIET, in a
// message box. The exit code is 0, or 1603 with /QUIET when nothing could be written.
int RunSnapshot(const Platform& live, LiveFiles* files, ImageFolder* out, const CommandWords& words,
                LogSink* sink);

// Lets the person use the windows of `forms` for as long as `more` says.
using WaitWhile =
    std::function<void(const std::vector<Form*>& forms, const std::function<bool()>& more)>;

// /WHATIF: the run on a copy of `live` (what_if.h), with the person's windows (`person`) unless
// /QUIET; then, without /QUIET, the what-if window until it is closed. The exit code is 0: the
// code the run would give is in the log and in the window.
int RunWhatIf(const Platform& live, LiveFiles* files, Ui* person, const CommandWords& words,
              LogSink* sink, const std::string& command_line, const std::string& started,
              const WaitWhile& wait);

}  // namespace vrx::preview
