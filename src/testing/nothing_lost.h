// What a run of the uninstaller must never do to what the user owns, checked on a simulated
// machine after the run.
#pragma once

#include <string>
#include <vector>

#include "platform/sim/sim_machine.h"
#include "startup/program.h"
#include "testing/fault_injection.h"

namespace vrx {

// Checks a run of `program` on `after`, which was a copy of `before` when the run started, through
// the fault-injection layer `faults`. Each broken rule is one line of the result; empty when the
// run kept them all:
//  - the run ended on "Uninstall complete." (unless the version query was made to fail: then the
//    program ends at start-up and the rules below show that it changed nothing);
//  - every file that is gone is a file of the manifest of a chosen variant (resolved on the machine
//    as it was), a file directly inside a folder the user answered Yes for, the add-in's font, or
//    an entry of the add-in's Start Menu group;
//  - every registry key or value that is gone lies under HKLM\Software\Docseal4, is one of the
//    add-in's uninstall entries, or is the SharedDLLs count of a shared component of a chosen
//    variant;
//  - every line Wininit.ini had before is still in it, in the same order;
//  - no Word that ran before the run was cleaned, saved or told to quit without saving;
//  - nothing is left open: registry keys, text files, Word objects.
// `before` is only read (its registry handles come and go).
std::vector<std::string> CheckNothingLost(sim::SimMachine& before, sim::SimMachine& after,
                                          Program& program, const FaultInjection& faults);

}  // namespace vrx
