// The progress window: a bar, a status line, and at the end Exit and the details list.
#pragma once

#include "platform/form.h"

namespace vrx {

class Program;

inline constexpr const char* kProgrammableKey =
    "CLSID\\{BF7A5B3D-566C-11D3-99AF-0010608026A6}\\Programmable";

class ProcessingForm : public Form {
 public:
  explicit ProcessingForm(Program& program);

  Control& ProgressBar1() const { return Get("ProgressBar1"); }
  Control& lblMsg() const { return Get("lblMsg"); }
  Control& cmdDetails() const { return Get("cmdDetails"); }
  Control& cmdExit() const { return Get("cmdExit"); }
  Control& lstDetails() const { return Get("lstDetails"); }

  // Fills the details list once and enlarges the window to show it.
  void cmdDetails_Click();
  // Closes the window, offers the restart when one is needed, and records in the registry
  // whether it is.
  void cmdExit_Click();

 protected:
  void Build() override;

 private:
  Program& program_;
};

}  // namespace vrx
