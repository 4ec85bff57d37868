#include "progress/reboot_form.h"

#include "progress/reboot_logic.h"
#include "state/program.h"

namespace vrx {

RebootForm::RebootForm(Program& program)
    : Form(&program.ui(), "Reboot", "Finished", 4680, 1680), program_(program) {
  Rebuild();
}

void RebootForm::Build() {
  // In tab order: the first button, "Restart Now", has the focus when the window opens.
  Add(ControlKind::kLabel, "Label1", -1, {120, 120, 4455, 255},
      "The uninstaller has finished removing files from your computer.");
  Add(ControlKind::kLabel, "Label2", -1, {120, 480, 4335, 495},
      "You should restart your computer to remove any files that were in use during the "
      "uninstall.");
  Add(ControlKind::kButton, "cmdRestart", -1, {2760, 1200, 1455, 375}, "Restart Now",
      [this] { cmdRestart_Click(); });
  SetCloseControl(Add(ControlKind::kButton, "cmdLater", -1, {600, 1200, 1335, 375}, "Don't Restart",
                      [this] { cmdLater_Click(); }));
}

void RebootForm::cmdRestart_Click() { RestartWindows(program_); }

void RebootForm::cmdLater_Click() { Unload(); }

}  // namespace vrx
