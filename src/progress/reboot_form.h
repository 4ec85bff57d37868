// The restart prompt, shown when files wait for the next start of Windows.
#pragma once

#include "platform/form.h"

namespace vrx {

class Program;

class RebootForm : public Form {
 public:
  explicit RebootForm(Program& program);

  Control& cmdRestart() const { return Get("cmdRestart"); }
  Control& cmdLater() const { return Get("cmdLater"); }

  void cmdRestart_Click();
  void cmdLater_Click();

 protected:
  void Build() override;

 private:
  Program& program_;
};

}  // namespace vrx
