// One whole run of the uninstaller on a copy of a simulated machine, through the fault-injection
// layer, checked afterwards for anything of the user's that was lost.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/sim/sim_machine.h"
#include "testing/fault_injection.h"

namespace vrx {

struct FaultRunResult {
  std::vector<std::string> broken;          // CheckNothingLost's lines; empty when all is well
  std::vector<std::string> distinct_calls;  // every distinct call the run made
  std::vector<std::string> failed_calls;    // the calls made to fail, in order
  long call_count = 0;
  bool completed = false;  // the run got to "Uninstall complete."
};

// Copies `original`, lets `choose` set the fault-injection mode, runs the program with
// `command_line` answering Yes to every question, presses Exit and "Restart Now" when the program
// offers them, and checks the copy against `original`.
FaultRunResult RunUnderFaults(sim::SimMachine& original, const std::string& command_line,
                              const std::function<void(FaultInjection&)>& choose);

}  // namespace vrx
