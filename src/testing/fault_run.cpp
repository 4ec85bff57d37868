#include "testing/fault_run.h"

#include <memory>

#include "progress/processing_form.h"
#include "progress/reboot_form.h"
#include "startup/program.h"
#include "testing/nothing_lost.h"

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
    result.completed = processing.lblMsg().Caption() == "Uninstall complete.";
    result.broken = CheckNothingLost(original, *machine, program, faults);
  }
  result.distinct_calls = faults.distinct_calls();
  result.failed_calls = faults.failed_calls();
  result.call_count = faults.call_count();
  return result;
}

}  // namespace vrx
