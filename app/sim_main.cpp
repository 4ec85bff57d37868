// vrxuninst-sim: runs the uninstaller on a simulated Windows machine loaded from an image folder,
// plays a script of user actions, prints what happened and writes the machine as it is after.
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "platform/sim/machine_summary.h"
#include "platform/sim/sim_machine.h"
#include "simulator/script.h"
#include "simulator/session.h"

namespace {

constexpr const char* kUsage =
    "usage: vrxuninst-sim --machine DIR [--script FILE] [--out DIR] [--restart] [--summary] [-- "
    "WORDS...]\n";

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

}  // namespace

int main(int argc, char** argv) {
  Options options;
  std::string error;
  if (!ParseOptions(argc, argv, &options, &error)) return Usage(error);

  std::vector<ScriptAction> actions;
  if (!options.script.empty() && !ParseScript(options.script, &actions, &error)) {
    std::cerr << "vrxuninst-sim: " << error << "\n";
    return 2;
  }
  auto machine = std::make_unique<vrx::sim::SimMachine>();
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

  const vrx::sim::MachineSnapshot before = vrx::sim::TakeSnapshot(*machine);
  const vrx::simulator::SessionEnd end =
      vrx::simulator::RunSession(*machine, options.command_line, actions);
  if (options.restart && !end.restarted) machine->Restart();

  std::cout << machine->transcript.ToUtf8();
  if (options.summary) std::cout << vrx::sim::AnsiToUtf8(vrx::sim::Summarize(before, *machine));
  if (!options.out.empty() && !vrx::sim::WriteMachineImage(*machine, options.out, &error)) {
    std::cerr << "vrxuninst-sim: " << error << "\n";
    return 2;
  }
  return 0;
}
