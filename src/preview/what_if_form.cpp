#include "preview/what_if_form.h"

namespace vrx::preview {

WhatIfForm::WhatIfForm(Ui* ui) : Form(ui, "WhatIf", kWhatIfCaption, 8025, 5160) { Rebuild(); }

void WhatIfForm::Build() {
  // In tab order.
  Add(ControlKind::kListBox, "lstSummary", -1, {120, 720, 7815, 3750});
  SetCloseControl(Add(ControlKind::kButton, "cmdClose", -1, {6600, 4650, 1335, 375}, "Close",
                      [this] { cmdClose_Click(); }));
  Add(ControlKind::kLabel, "lblMsg", -1, {120, 120, 7815, 495},
      "Nothing on this computer was changed. This is what the uninstall would do, as it would "
      "be done now:");
}

void WhatIfForm::ShowSummary(const std::vector<std::string>& lines, int exit_code) {
  Load();
  for (const std::string& line : lines) lstSummary().AddItem(line);
  lstSummary().AddItem("The uninstaller would end with exit code " + std::to_string(exit_code) +
                       ".");
  Show();
}

}  // namespace vrx::preview
