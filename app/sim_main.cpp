// vrxuninst-sim: runs the uninstaller on a simulated Windows machine loaded from an image folder,
// plays a script of user actions, prints what happened and writes the machine as it is after.
#include <cstdio>
#include <fstream>
#include <functional>
#include <iostream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "deploy/deployment.h"
#include "platform/form.h"
#include "platform/sim/machine_summary.h"
#include "platform/sim/sim_machine.h"
#include "preview/preview_run.h"
#include "preview/sim_host.h"
#include "sim_script.h"
#include "startup/program.h"

namespace {

using vrx::sim::SimMachine;

constexpr const char* kUsage =
    "usage: vrxuninst-sim --machine DIR [--script FILE] [--out DIR] [--restart] [--summary] [-- "
    "WORDS...]\n";

using Action = ScriptAction;

struct Options {
  std::string machine;
  std::string script;
  std::string out;
  bool restart = false;
  bool summary = false;
  std::string command_line;
};

int Usage(const std::string& message) {
  std::cerr << "vrxuninst-sim: " << message << "\n" << kUsage;
  return 2;
}

bool ParseOptions(int argc, char** argv, Options* options, std::string* error) {
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    auto value = [&](std::string* into) {
      if (i + 1 >= argc) {
        *error = arg + " needs a value";
        return false;
      }
      *into = argv[++i];
      return true;
    };
    if (arg == "--machine") {
      if (!value(&options->machine)) return false;
    } else if (arg == "--script") {
      if (!value(&options->script)) return false;
    } else if (arg == "--out") {
      if (!value(&options->out)) return false;
    } else if (arg == "--restart") {
      options->restart = true;
    } else if (arg == "--summary") {
      options->summary = true;
    } else if (arg == "--") {
      for (int k = i + 1; k < argc; ++k) {
        if (k > i + 1) options->command_line += ' ';
        options->command_line += argv[k];
      }
      break;
    } else {
      *error = "unknown option " + arg;
      return false;
    }
  }
  if (options->machine.empty()) {
    *error = "--machine is required";
    return false;
  }
  return true;
}

// The log of a run (/LOG=path) as a file on the simulated machine's drive. Like the real program's
// log it is made (or emptied) when the run starts, with the refusals of CreateFile, and held open
// while the program runs, so that the run cannot delete it.
class SimLogFile : public vrx::LogSink {
 public:
  SimLogFile(vrx::sim::SimFiles& files, const std::string& path) : files_(files) {
    vrx::FileNumber number = 0;
    if (files.OpenText(path, vrx::TextMode::kWriteBytes, &number) != vrx::kOk) return;
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
  vrx::sim::SimFiles& files_;
  std::string path_;
};

// The simulated clock as the log's start shows it.
std::string ClockText(double seconds) {
  const long whole = static_cast<long>(seconds);
  char text[64];
  std::snprintf(text, sizeof text, "%02ld:%02ld:%02ld (the simulated machine's clock)",
                whole / 3600 % 24, whole / 60 % 60, whole % 60);
  return text;
}

// The loaded form that holds the control, or null.
vrx::Control* FindLoaded(const std::vector<vrx::Form*>& forms, const std::string& name, int index) {
  for (vrx::Form* form : forms) {
    if (!form->loaded()) continue;
    if (vrx::Control* control = form->Find(name, index)) return control;
  }
  return nullptr;
}

// Plays one user action; says so in the transcript when the user could not have done it.
void Play(const std::vector<vrx::Form*>& forms, SimMachine& machine, const Action& action) {
  machine.transcript.Add("> " + action.verb + " " + action.argument);
  bool is_box = action.verb == "tick" || action.verb == "untick";
  int index = is_box ? action.argument[0] - '0' : -1;
  std::string name = is_box ? "Check1" : action.argument;
  vrx::Control* control = FindLoaded(forms, name, index);
  std::string shown = is_box ? name + "(" + action.argument + ")" : name;
  std::optional<int> box_value;
  if (is_box) box_value = action.verb == "tick" ? 1 : 0;
  const vrx::ClickOutcome outcome = control == nullptr
                                        ? vrx::ClickOutcome::kFormNotLoaded
                                        : control->form().UserClick(*control, box_value);
  if (outcome != vrx::ClickOutcome::kClicked) {
    machine.transcript.Add("refused " + action.verb + " " + shown + ": " +
                           vrx::RefusalReason(outcome));
  }
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  std::string error;
  if (!ParseOptions(argc, argv, &options, &error)) return Usage(error);

  std::vector<Action> actions;
  if (!options.script.empty() && !ParseScript(options.script, &actions, &error)) {
    std::cerr << "vrxuninst-sim: " << error << "\n";
    return 2;
  }
  auto machine = std::make_unique<SimMachine>();
  if (!vrx::sim::LoadMachineImage(options.machine, machine.get(), &error)) {
    std::cerr << "vrxuninst-sim: " << error << "\n";
    return 2;
  }
  if (!options.out.empty()) {
    std::error_code ec;
    if (std::filesystem::exists(options.out, ec) && !std::filesystem::is_empty(options.out, ec)) {
      return Usage(options.out + ": exists and is not an empty folder");
    }
  }

  // Message boxes take the script's answers in order.
  for (const Action& action : actions) {
    if (action.verb == "answer") {
      machine->ui.answers.push_back(action.argument == "yes" ? vrx::kIdYes : vrx::kIdNo);
    }
  }

  const vrx::sim::MachineSnapshot before = vrx::sim::TakeSnapshot(*machine);
  bool restarted = false;
  {
    vrx::CommandWords words = vrx::ReadCommandWords(options.command_line);
    std::unique_ptr<SimLogFile> log;
    if (words.log_path) {
      log = std::make_unique<SimLogFile>(machine->files, *words.log_path);
      if (!log->open()) log.reset();
    }
    if (words.snapshot_dir || words.what_if) {
      // Nothing is removed: the run is made on a copy of the machine, or not at all.
      vrx::preview::SimLiveFiles live_files(&machine->files, &machine->processes.programs);
      int code = 0;
      if (words.snapshot_dir) {
        vrx::preview::SimImageFolder out(&machine->files);
        code = vrx::preview::RunSnapshot(machine->platform(), &live_files, &out, words, log.get());
      } else {
        size_t next = 0;
        code = vrx::preview::RunWhatIf(
            machine->platform(), &live_files, &machine->ui, words, log.get(), options.command_line,
            ClockText(machine->clock.seconds()),
            [&](const std::vector<vrx::Form*>& forms, const std::function<bool()>& more) {
              for (; more() && next < actions.size(); ++next) {
                if (actions[next].verb != "answer") Play(forms, *machine, actions[next]);
              }
            });
      }
      machine->transcript.Add("end, exit code " + std::to_string(code));
      std::cout << machine->transcript.ToUtf8();
      if (!options.out.empty() && !vrx::sim::WriteMachineImage(*machine, options.out, &error)) {
        std::cerr << "vrxuninst-sim: " << error << "\n";
        return 2;
      }
      return 0;
    }
    vrx::Deployment deployment(machine->platform(), words, log.get());
    vrx::Program program(deployment.platform());
    deployment.Begin(program, options.command_line, ClockText(machine->clock.seconds()));
    vrx::Main(program, words.program_words);
    deployment.FinishQuietly(program);
    for (const Action& action : actions) {
      if (machine->system.restart_requested) break;
      if (action.verb != "answer") Play(program.Forms(), *machine, action);
    }
    if (machine->system.restart_requested) {
      machine->transcript.Add("windows restarts");
      const int code = deployment.End(program);
      machine->Restart();
      restarted = true;
      machine->transcript.Add("end, exit code " + std::to_string(code));
    } else if (!program.AnyFormLoaded()) {
      machine->transcript.Add("end, exit code " + std::to_string(deployment.End(program)));
    } else {
      std::string waiting = "waiting";
      for (vrx::Form* form : program.Forms()) {
        if (form->loaded()) waiting += " " + form->name();
      }
      machine->transcript.Add(waiting);
    }
    program.platform().files->CloseAll();
  }
  if (options.restart && !restarted) machine->Restart();

  std::cout << machine->transcript.ToUtf8();
  if (options.summary) std::cout << vrx::sim::AnsiToUtf8(vrx::sim::Summarize(before, *machine));
  if (!options.out.empty() && !vrx::sim::WriteMachineImage(*machine, options.out, &error)) {
    std::cerr << "vrxuninst-sim: " << error << "\n";
    return 2;
  }
  return 0;
}
