#include "wizard/uninstall_form.h"

#include "state/program.h"
#include "wizard/uninstall_run.h"

namespace vrx {

UnInstallForm::UnInstallForm(Program& program)
    : Form(&program.ui(), "UnInstall", "Docseal Uninstaller", 4425, 2505), program_(program) {
  Rebuild();
}

void UnInstallForm::Build() {
  // In tab order.
  Add(ControlKind::kLabel, "LblMsg1", -1, {240, 120, 4335, 255},
      "Uninstall Docseal from the following:");
  Control& next = Add(ControlKind::kButton, "cmdNext", -1, {2160, 2025, 1095, 375}, kNextCaption,
                      [this] { cmdNext_Click(); });
  next.SetEnabled(false);
  SetCloseControl(Add(ControlKind::kButton, "cmdCancel", -1, {3360, 2025, 975, 375}, "Cancel",
                      [this] { cmdCancel_Click(); }));
  Control& back = Add(ControlKind::kButton, "cmdBack", -1, {960, 2025, 1095, 375}, "<  Back",
                      [this] { cmdBack_Click(); });
  back.SetEnabled(false);
  back.SetVisible(false);
  constexpr int kLabelTops[] = {555, 915, 1275, 1635};
  constexpr int kBoxTops[] = {480, 840, 1200, 1560};
  for (int i = 0; i < 4; ++i)
    Add(ControlKind::kLabel, "Label1", i, {1200, kLabelTops[i], 2775, 255});
  for (int i = 0; i < 4; ++i) {
    Add(ControlKind::kCheckBox, "Check1", i, {840, kBoxTops[i], 255, 375}, "",
        [this, i] { Check1_Click(static_cast<int16_t>(i)); });
  }
}

void UnInstallForm::Check1_Click(int16_t /*index*/) {
  cmdNext().SetEnabled(false);
  for (int i = 0; i < 4; ++i) {
    if (Check1(i).Value() != 0) {
      cmdNext().SetEnabled(true);
      return;
    }
  }
}

void UnInstallForm::cmdNext_Click() {
  const std::string& caption = cmdNext().Caption();
  if (caption == kNextCaption) {
    cmdBack().SetVisible(true);
    cmdBack().SetEnabled(true);
    bool any_ticked = false;
    for (int i = 0; i < 4; ++i) {
      if (Check1(i).Value() == 1) {
        Check1(i).SetEnabled(false);
        any_ticked = true;
      } else {
        Label1(i).SetVisible(false);
        Check1(i).SetVisible(false);
      }
    }
    if (any_ticked) {
      cmdNext().SetCaption(kFinishCaption);
      LblMsg1().SetCaption("Click on Finish to Uninstall Docseal for:");
    }
  } else if (caption == kFinishCaption) {
    RunUninstall(program_);
  }
}

void UnInstallForm::cmdBack_Click() {
  const ProgramState& s = program_.state;
  LblMsg1().SetCaption("Select the Software to Uninstall:");
  cmdNext().SetCaption(kNextCaption);
  cmdBack().SetEnabled(false);
  cmdBack().SetVisible(false);
  for (size_t v = 0; v < kVariantCount; ++v) {
    const int i = static_cast<int>(v);
    Label1(i).SetVisible(true);
    Check1(i).SetVisible(true);
    if (s.CountsAsInstalled(v)) Check1(i).SetEnabled(true);
  }
}

void UnInstallForm::cmdCancel_Click() { Unload(); }

}  // namespace vrx
