// The program as a deployment tool runs it: the words /QUIET and /LOG=path (command_words.h)
// put around the platform, a quiet run brought to its end without a person, and the exit code.
//
// Without /QUIET and /LOG= the platform is passed through untouched and the exit code is 0, as
// for any run. With /QUIET no window or message box appears (quiet_ui.h), and the exit code is:
//   0     finished
//   3010  finished, and a restart of Windows is needed to remove what was in use
//   1618  another copy of the uninstaller is running; nothing was done
//   1603  nothing was done: Windows is not one the program knows (platform 0), or no variant code
//         was named, so there was nothing to remove without the wizard
// With /LOG= every run writes its log (run_log.h, recording_platform.h); a log that cannot be
// written is left off and changes nothing else.
#pragma once

#include <memory>
#include <string>

#include "deploy/command_words.h"
#include "deploy/quiet_ui.h"
#include "deploy/recording_platform.h"
#include "deploy/run_log.h"
#include "platform/forwarding_platform.h"

namespace vrx {

class Program;

inline constexpr int kExitFinished = 0;
inline constexpr int kExitRestartNeeded = 3010;
inline constexpr int kExitAnotherCopy = 1618;
inline constexpr int kExitNothingDone = 1603;

class Deployment {
 public:
  // Neither `inner`'s members nor `sink` (null: no log) are owned; they must outlive this.
  Deployment(const Platform& inner, CommandWords words, LogSink* sink);
  ~Deployment();
  Deployment(const Deployment&) = delete;
  Deployment& operator=(const Deployment&) = delete;

  // The platform to give the program.
  Platform platform() const { return platform_; }
  const CommandWords& words() const { return words_; }

  // Before Main: the log's first lines. `started` says when, as the caller's clock has it.
  void Begin(Program& program, const std::string& command_line, const std::string& started);
  // After Main, for /QUIET: what a person would click to end the program. Exit on the finished
  // progress window (it writes the "Reboot" value), "Don't Restart" on the restart prompt, and
  // Cancel on a wizard that was left open because no variant code was named.
  void FinishQuietly(Program& program);
  // Once no form is left: the exit code, written to the log after the summary of the run.
  int End(Program& program);

 private:
  // Notes whether another copy was found, which the exit code tells.
  class Watch : public ForwardingSystem {
   public:
    using ForwardingSystem::ForwardingSystem;
    bool AnotherInstanceRunning() override {
      another_copy = ForwardingSystem::AnotherInstanceRunning();
      return another_copy;
    }
    bool another_copy = false;
  };

  int ExitCode(const Program& program) const;

  CommandWords words_;
  RunLog log_;
  std::unique_ptr<QuietUi> quiet_ui_;
  Watch watch_;
  std::unique_ptr<RecordingPlatform> recording_;
  Platform platform_;
  bool wizard_cancelled_ = false;
};

}  // namespace vrx
