// The user interface of a run that no person watches (/QUIET): no window is ever shown and no
// message box appears.
//
// Forms are still loaded and their properties still reach the views underneath, but a view is
// never told to show its window or to take the focus, so a window that a backend makes stays
// hidden. A Yes/No question gets No, so a folder that still holds files stays with them; any
// other box gets the answer that closes it without doing anything: OK for a box with OK only,
// Cancel otherwise. Pumping events is passed on unchanged.
#pragma once

#include <memory>
#include <string>

#include "platform/forwarding_platform.h"

namespace vrx {

class QuietUi : public ForwardingUi {
 public:
  // `inner` is not owned.
  explicit QuietUi(Ui* inner) : ForwardingUi(inner) {}

  int MessageBox(const std::string& text, int style, const std::string& title) override;
  std::unique_ptr<FormView> CreateView(Form& form) override;
};

// The answer a message box of the style gets when nobody is there to read it.
int UnattendedAnswer(int style);

}  // namespace vrx
