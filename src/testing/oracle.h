// The one judge of a whole run of the uninstaller on a simulated machine. It reads only what an
// onlooker sees: the machine before and after, the command line and the person's actions, the
// transcript, the log file (when /LOG= was written), the exit code. The generated machines, the
// fault-injection runs and the soak all go through it.
//
// The rules, each broken one a line of the result ("file deleted: C:\...", "exit code: ..."):
//  - Nothing is deleted, changed or created outside what the run may take: the files of the
//    manifest of the chosen variants, resolved on the machine as it was (a shared component only
//    for an installed variant, and only while its SharedDLLs count does not keep it), the files
//    directly in a folder the user answered Yes for, the add-in's font and Start Menu group, its
//    registry tree, uninstall entries and the SharedDLLs counts of its installed shared
//    components, the RunOnce value "Docseal2", the "Reboot" value, Word's Normal templates when the
//    Word variant is chosen, new "NUL=" lines in Wininit.ini; folders only when a manifest folder
//    entry or a Yes names them. Nothing is scheduled for the next start of Windows but such files
//    and the uninstaller itself.
//  - Nothing in a protected folder is offered or emptied, whatever a registry value says: the
//    Windows folder, the system folder and temporary folders of the system and the user with all
//    they hold; drive roots, Program Files, every Shell Folders value of HKLM and HKCU and every
//    profile folder, with every folder that holds them.
//  - A preview (a word holding WHATIF or SNAPSHOT) and a run that did nothing (exit code 1603 or
//    1618) change nothing at all: the image before and after is the same byte for byte but for a
//    new log file and a new snapshot folder.
//  - The log and its summary are true: "Deleted file", "Removed folder", "Kept file", "Kept
//    folder", "Scheduled for deletion at the next restart", "Deleted at the next start of Windows"
//    and "A restart is needed" match the machine afterwards; a what-if's log says the same waits
//    for the next start of Windows as its summary.
//  - The exit code agrees with the end (always 0 without /QUIET; with /QUIET 1618, 1603, or 3010
//    only when something of the run other than the uninstaller itself waits for the next start).
//  - /LOG= replaces only a log this program wrote; Wininit.ini keeps every line it had.
//  - No Word the program did not start is cleaned, saved or told to quit without saving.
//  - Nothing is left open or in use.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/sim/sim_machine.h"
#include "simulator/script.h"

namespace vrx {

struct JudgedRun {
  // The machine as the run found it (only read; its registry handles come and go) and afterwards,
  // with the run's transcript.
  sim::SimMachine* before = nullptr;
  sim::SimMachine* after = nullptr;
  std::string command_line;
  std::vector<ScriptAction> actions;
  // The program's exit code, when it ended.
  std::optional<int> exit_code;
  // What a layer around the platform saw left open, one line each.
  std::vector<std::string> left_open;
};

// Every rule the run broke, one line each; empty when it kept them all.
std::vector<std::string> Judge(const JudgedRun& run);

}  // namespace vrx
