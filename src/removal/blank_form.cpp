#include "removal/blank_form.h"

#include "state/program.h"

namespace vrx {

BlankForm::BlankForm(Program& program) : Form(&program.ui(), "BlankFrm", "", 100, 100) {
  SetShownInTaskbar(false);
}

}  // namespace vrx
