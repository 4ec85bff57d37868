// The what-if window: what the run would do, a line an entry in a list that scrolls both ways,
// and Close (also the close box and Esc).
#pragma once

#include <string>
#include <vector>

#include "platform/form.h"

namespace vrx::preview {

inline constexpr const char* kWhatIfCaption = "Docseal Uninstaller - What If";

class WhatIfForm : public Form {
 public:
  explicit WhatIfForm(Ui* ui);

  Control& lblMsg() const { return Get("lblMsg"); }
  Control& lstSummary() const { return Get("lstSummary"); }
  Control& cmdClose() const { return Get("cmdClose"); }

  // Fills the list and shows the window. `exit_code` is what the run would end with.
  void ShowSummary(const std::vector<std::string>& lines, int exit_code);
  void cmdClose_Click() { Unload(); }

 protected:
  void Build() override;
};

}  // namespace vrx::preview
