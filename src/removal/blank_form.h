// An empty window of the program's own, shown while Word starts: a tool window, without a
// button on the taskbar.
#pragma once

#include "platform/form.h"

namespace vrx {

class Program;

class BlankForm : public Form {
 public:
  explicit BlankForm(Program& program);

 protected:
  void Build() override {}
};

}  // namespace vrx
