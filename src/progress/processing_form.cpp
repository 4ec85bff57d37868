#include "progress/processing_form.h"

#include "helpers/registry_tools.h"
#include "progress/reboot_form.h"
#include "state/program.h"

namespace vrx {

ProcessingForm::ProcessingForm(Program& program)
    : Form(&program.ui(), "Processing", "Processing Uninstall", 8025, 1275), program_(program) {
  Rebuild();
}

void ProcessingForm::Build() {
  // In tab order.
  Control& exit = Add(ControlKind::kButton, "cmdExit", -1, {6360, 840, 1335, 375}, "Exit",
                      [this] { cmdExit_Click(); });
  exit.SetVisible(false);
  SetCloseControl(exit);
  Add(ControlKind::kLabel, "lblMsg", -1, {120, 480, 7815, 255});
  Add(ControlKind::kButton, "cmdDetails", -1, {5040, 840, 1215, 375}, "Details", [this] {
    cmdDetails_Click();
  }).SetVisible(false);
  Add(ControlKind::kListBox, "lstDetails", -1, {120, 1440, 7815, 2790});
  Add(ControlKind::kProgressBar, "ProgressBar1", -1, {120, 0, 7815, 375});
}

void ProcessingForm::cmdDetails_Click() {
  const ProgramState& s = program_.state;
  for (int16_t i = 0; i <= s.DetailMessagesLast; ++i) {
    lstDetails().AddItem(s.DetailMessages[static_cast<size_t>(i)]);
    if (i == INT16_MAX) break;
  }
  SetHeight(4770);
  cmdDetails().SetEnabled(false);
}

void ProcessingForm::cmdExit_Click() {
  const ProgramState& s = program_.state;
  Unload();
  if (!s.NoReboot && s.NeedsRestart) program_.Reboot().Show();
  CreateNewKey(program_.registry(), kProgrammableKey, kHkeyClassesRoot);
  SetKeyValue(program_.registry(), kProgrammableKey, "Reboot",
              RegValue::Number(s.NeedsRestart ? 1 : 0), kRegDword, kHkeyClassesRoot);
}

}  // namespace vrx
