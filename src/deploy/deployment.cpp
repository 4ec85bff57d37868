#include "deploy/deployment.h"

#include <utility>

#include "progress/processing_form.h"
#include "progress/reboot_form.h"
#include "state/program.h"
#include "wizard/uninstall_form.h"

namespace vrx {
namespace {

std::string Meaning(int code) {
  switch (code) {
    case kExitRestartNeeded:
      return "finished; a restart of Windows is needed";
    case kExitAnotherCopy:
      return "another copy is running; nothing was done";
    case kExitNothingDone:
      return "nothing was done";
    default:
      return "finished";
  }
}

}  // namespace

Deployment::Deployment(const Platform& inner, CommandWords words, LogSink* sink)
    : words_(std::move(words)), log_(sink), watch_(inner.system) {
  Platform p = inner;
  if (words_.quiet) {
    quiet_ui_ = std::make_unique<QuietUi>(inner.ui);
    p.ui = quiet_ui_.get();
  }
  p.system = &watch_;
  if (log_.enabled()) {
    recording_ = std::make_unique<RecordingPlatform>(p, &log_);
    p = recording_->platform();
  }
  platform_ = p;
}

Deployment::~Deployment() = default;

void Deployment::Begin(Program& program, const std::string& command_line,
                       const std::string& started) {
  if (recording_) recording_->Attach(&program.state);
  log_.Line("Docseal Uninstaller 4.0 log, started " + started);
  log_.Line("Command line: " + command_line);
  log_.Line(words_.quiet ? "Mode: quiet (no window; folders that hold files are kept; no restart)"
                         : "Mode: with windows");
}

void Deployment::FinishQuietly(Program& program) {
  if (!words_.quiet) return;
  ProcessingForm& processing = program.Processing();
  if (processing.loaded() && processing.cmdExit().Visible()) processing.cmdExit_Click();
  if (program.Reboot().loaded()) program.Reboot().cmdLater_Click();
  UnInstallForm& wizard = program.UnInstall();
  if (wizard.loaded()) {
    wizard_cancelled_ = true;
    log_.Line(
        "Nothing to remove: without a variant code (MSWORD, WPWIN7, WPWIN8, WPWIN9) a quiet "
        "run has no wizard to choose from.");
    wizard.cmdCancel_Click();
  }
}

int Deployment::ExitCode(const Program& program) const {
  if (!words_.quiet) return kExitFinished;
  const ProgramState& s = program.state;
  if (watch_.another_copy) return kExitAnotherCopy;
  if (!s.IsWin9x && !s.IsWinNT) return kExitNothingDone;
  if (wizard_cancelled_) return kExitNothingDone;
  // A restart is asked for only when it removes something of this run's.
  return s.RestartRemovesSomething() ? kExitRestartNeeded : kExitFinished;
}

int Deployment::End(Program& program) {
  const int code = ExitCode(program);
  if (recording_) {
    const ProgramState& s = program.state;
    if (!watch_.another_copy && !s.IsWin9x && !s.IsWinNT) {
      log_.Line("This Windows is not one the uninstaller knows (platform 0); nothing was done.");
    } else if (!watch_.another_copy) {
      recording_->WriteRunHeader();
      recording_->WriteSummary();
    }
  }
  log_.Line("Exit code: " + std::to_string(code) + " (" + Meaning(code) + ")");
  return code;
}

}  // namespace vrx
