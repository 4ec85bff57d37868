// One run of the program on a simulated machine, from its command line to its end, as
// vrxuninst-sim makes it: the deployment words, the log on the machine's drive, the previews, the
// person's actions from a script, and a restart that Windows accepted.
#pragma once

#include <string>
#include <vector>

#include "platform/sim/sim_machine.h"
#include "simulator/script.h"

namespace vrx::simulator {

struct SessionEnd {
  // The program ended (no window left, or Windows restarted); then `exit_code` is its code.
  bool ended = false;
  int exit_code = 0;
  // Windows accepted a restart and the machine went through it.
  bool restarted = false;
  // The windows still open when the script ran out.
  std::vector<std::string> waiting;
};

// Runs the program on `machine` with `command_line` (everything after the program's name),
// answering its questions and acting in its windows as `actions` say, and writes the end into
// the machine's transcript ("end, exit code N" or "waiting FORM..."). Every file the run opened,
// its log too, is closed when this returns.
SessionEnd RunSession(sim::SimMachine& machine, const std::string& command_line,
                      const std::vector<ScriptAction>& actions);

// The text the log's first line gives as the time the run started: the simulated clock.
std::string ClockText(double seconds);

}  // namespace vrx::simulator
