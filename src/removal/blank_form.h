// An empty window of the program's own, shown while Word starts.
#pragma once

#include "platform/form.h"

namespace vrx {

class Program;

class BlankForm : public Form {
 public:
  explicit BlankForm(Program& program);
  void Click(Control& /*control*/) override {}

 protected:
  void Build() override {}
};

}  // namespace vrx
