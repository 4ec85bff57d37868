// The wizard: a selection page on which the user ticks the installed variants, and a
// confirmation page whose Finish button starts the uninstall run.
#pragma once

#include <cstdint>

#include "platform/form.h"

namespace vrx {

class Program;

inline constexpr const char* kNextCaption = "Next  >";
inline constexpr const char* kFinishCaption = "Finish";

class UnInstallForm : public Form {
 public:
  explicit UnInstallForm(Program& program);

  Control& LblMsg1() const { return Get("LblMsg1"); }
  Control& Check1(int index) const { return Get("Check1", index); }
  Control& Label1(int index) const { return Get("Label1", index); }
  Control& cmdBack() const { return Get("cmdBack"); }
  Control& cmdNext() const { return Get("cmdNext"); }
  Control& cmdCancel() const { return Get("cmdCancel"); }

  // The progress counter of the run.
  int16_t nStartProgress = 0;

  void cmdNext_Click();
  void cmdBack_Click();
  void cmdCancel_Click();
  void Check1_Click(int16_t index);

 protected:
  void Build() override;

 private:
  Program& program_;
};

}  // namespace vrx
