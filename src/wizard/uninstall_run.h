// The uninstall run: the Finish action of the wizard.
#pragma once

namespace vrx {

class Program;

// Removes the chosen variants in order, then what they share, schedules what is in use for the
// next start of Windows, and leaves the progress window on "Uninstall complete.".
void RunUninstall(Program& program);

}  // namespace vrx
