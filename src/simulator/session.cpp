#include "simulator/session.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>

#include "deploy/deployment.h"
#include "platform/form.h"
#include "preview/preview_run.h"
#include "preview/sim_host.h"
#include "state/program.h"

namespace vrx::simulator {
namespace {

using sim::SimMachine;

// The log of a run (/LOG=path) as a file on the simulated machine's drive. Like the real program's
// log it is made (or emptied) when the run starts, with the refusals of CreateFile, and held open
// while the program runs, so that the run cannot delete it.
class SimLogFile : public LogSink {
 public:
  SimLogFile(sim::SimFiles& files, const std::string& path) : files_(files) {
    std::optional<std::string> existing = files.Contents(path);
    if (existing) existing->resize(std::min(existing->size(), kLogMarkBytes));
    if (files.Exists(path) && !existing) return;  // a folder
    if (!MayBecomeLog(path, existing)) return;
    FileNumber number = 0;
    if (files.OpenText(path, TextMode::kWriteBytes, &number) != kOk) return;
    (void)files.Close(number);
    path_ = files.LongPath(path).value_or("");
    if (!path_.empty() && !files.SetInUse(path_, true)) path_.clear();
  }
  ~SimLogFile() override {
    if (!path_.empty()) (void)files_.SetInUse(path_, false);
  }
  SimLogFile(const SimLogFile&) = delete;
  SimLogFile& operator=(const SimLogFile&) = delete;

  bool open() const { return !path_.empty(); }
  bool Append(const std::string& line) override {
    std::optional<std::string> contents = files_.Contents(path_);
    if (!contents) return false;
    return files_.AddFile(path_, *contents + line + "\r\n", files_.Attributes(path_).value_or(0));
  }

 private:
  sim::SimFiles& files_;
  std::string path_;
};

// The loaded form that holds the control, or null.
Control* FindLoaded(const std::vector<Form*>& forms, const std::string& name, int index) {
  for (Form* form : forms) {
    if (!form->loaded()) continue;
    if (Control* control = form->Find(name, index)) return control;
  }
  return nullptr;
}

// Plays one user action; says so in the transcript when the user could not have done it.
void Play(const std::vector<Form*>& forms, SimMachine& machine, const ScriptAction& action) {
  machine.transcript.Add("> " + action.verb + " " + action.argument);
  const bool is_box = action.verb == "tick" || action.verb == "untick";
  const int index = is_box ? action.argument[0] - '0' : -1;
  const std::string name = is_box ? "Check1" : action.argument;
  Control* control = FindLoaded(forms, name, index);
  const std::string shown = is_box ? name + "(" + action.argument + ")" : name;
  std::optional<int> box_value;
  if (is_box) box_value = action.verb == "tick" ? 1 : 0;
  const ClickOutcome outcome = control == nullptr ? ClickOutcome::kFormNotLoaded
                                                  : control->form().UserClick(*control, box_value);
  if (outcome != ClickOutcome::kClicked) {
    machine.transcript.Add("refused " + action.verb + " " + shown + ": " + RefusalReason(outcome));
  }
}

// /SNAPSHOT= and /WHATIF: nothing is removed; the run is made on a copy of the machine, or not at
// all.
int RunPreview(SimMachine& machine, const CommandWords& words, LogSink* log,
               const std::string& command_line, const std::vector<ScriptAction>& actions) {
  preview::SimLiveFiles live_files(&machine.files, &machine.processes.programs);
  if (words.snapshot_dir) {
    preview::SimImageFolder out(&machine.files);
    return preview::RunSnapshot(machine.platform(), &live_files, &out, words, log);
  }
  size_t next = 0;
  return preview::RunWhatIf(
      machine.platform(), &live_files, &machine.ui, words, log, command_line,
      ClockText(machine.clock.seconds()),
      [&](const std::vector<Form*>& forms, const std::function<bool()>& more) {
        for (; more() && next < actions.size(); ++next) {
          if (actions[next].verb != "answer") Play(forms, machine, actions[next]);
        }
      });
}

SessionEnd RunProgram(SimMachine& machine, const CommandWords& words, LogSink* log,
                      const std::string& command_line, const std::vector<ScriptAction>& actions) {
  SessionEnd end;
  Deployment deployment(machine.platform(), words, log);
  Program program(deployment.platform());
  deployment.Begin(program, command_line, ClockText(machine.clock.seconds()));
  Main(program, words.program_words);
  deployment.FinishQuietly(program);
  for (const ScriptAction& action : actions) {
    if (machine.system.restart_requested) break;
    if (action.verb != "answer") Play(program.Forms(), machine, action);
  }
  if (machine.system.restart_requested) {
    machine.transcript.Add("windows restarts");
    end.exit_code = deployment.End(program);
    end.ended = true;
    machine.Restart();
    end.restarted = true;
  } else if (!program.AnyFormLoaded()) {
    end.exit_code = deployment.End(program);
    end.ended = true;
  } else {
    for (Form* form : program.Forms()) {
      if (form->loaded()) end.waiting.push_back(form->name());
    }
  }
  program.platform().files->CloseAll();
  return end;
}

}  // namespace

std::string ClockText(double seconds) {
  const long whole = static_cast<long>(seconds);
  char text[64];
  std::snprintf(text, sizeof text, "%02ld:%02ld:%02ld (the simulated machine's clock)",
                whole / 3600 % 24, whole / 60 % 60, whole % 60);
  return text;
}

SessionEnd RunSession(SimMachine& machine, const std::string& command_line,
                      const std::vector<ScriptAction>& actions) {
  // Message boxes take the script's answers in order.
  for (const ScriptAction& action : actions) {
    if (action.verb == "answer") {
      machine.ui.answers.push_back(action.argument == "yes" ? kIdYes : kIdNo);
    }
  }
  const CommandWords words = ReadCommandWords(command_line);
  std::unique_ptr<SimLogFile> log;
  if (words.log_path) {
    log = std::make_unique<SimLogFile>(machine.files, *words.log_path);
    if (!log->open()) log.reset();
  }
  SessionEnd end;
  if (words.snapshot_dir || words.what_if) {
    end.exit_code = RunPreview(machine, words, log.get(), command_line, actions);
    end.ended = true;
  } else {
    end = RunProgram(machine, words, log.get(), command_line, actions);
  }
  if (end.ended) {
    machine.transcript.Add("end, exit code " + std::to_string(end.exit_code));
  } else {
    std::string waiting = "waiting";
    for (const std::string& form : end.waiting) waiting += " " + form;
    machine.transcript.Add(waiting);
  }
  return end;
}

}  // namespace vrx::simulator
