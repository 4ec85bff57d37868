#include "testing/fault_run.h"

#include <memory>

#include "progress/processing_form.h"
#include "progress/reboot_form.h"
#include "state/program.h"
#include "testing/oracle.h"

namespace vrx {

FaultRunResult RunUnderFaults(sim::SimMachine& original, const std::string& command_line,
                              const std::function<void(FaultInjection&)>& choose) {
  auto machine = std::make_unique<sim::SimMachine>();
  sim::CopyMachine(original, machine.get());
  FaultInjection faults(machine->platform());
  choose(faults);
  FaultRunResult result;
  {
    Program program(faults.platform());
    Main(program, command_line);
    ProcessingForm& processing = program.Processing();
    if (processing.loaded() && processing.cmdExit().Visible()) processing.cmdExit_Click();
    if (program.Reboot().loaded()) program.Reboot().cmdRestart_Click();
    const std::string end = processing.lblMsg().Caption();
    result.completed = end == "Uninstall complete.";
    // Only a failed version query may end the program before the run (it changes nothing then).
    if (!result.completed && !faults.Failed("GetVersionExA")) {
      result.broken.push_back("the run ended on \"" + end + "\"");
    }
    JudgedRun run{&original, machine.get(), command_line, {}, std::nullopt, faults.OpenHandles()};
    for (std::string& line : Judge(run)) result.broken.push_back(std::move(line));
  }
  result.distinct_calls = faults.distinct_calls();
  result.failed_calls = faults.failed_calls();
  result.call_count = faults.call_count();
  return result;
}

}  // namespace vrx
