#include "deploy/quiet_ui.h"

#include <string_view>
#include <utility>

#include "platform/form.h"

namespace vrx {
namespace {

constexpr int kMbButtonsMask = 0xF;
constexpr int kMbYesNoCancel = 3;
constexpr int kIdCancel = 2;

// Passes everything on but the calls that would put a window on the screen. A form's SetFocus
// goes through: it activates the window without showing it, and that move of the activation away
// from a freshly started Word is what makes Word register its object.
class HiddenView : public ForwardingFormView {
 public:
  using ForwardingFormView::ForwardingFormView;
  void Shown() override {}
};

}  // namespace

int UnattendedAnswer(int style) {
  switch (style & kMbButtonsMask) {
    case kMbOk:
      return kIdOk;
    case kMbYesNo:
    case kMbYesNoCancel:
      return kIdNo;
    default:
      return kIdCancel;
  }
}

int QuietUi::MessageBox(const std::string& /*text*/, int style, const std::string& /*title*/) {
  return UnattendedAnswer(style);
}

std::unique_ptr<FormView> QuietUi::CreateView(Form& form) {
  return std::make_unique<HiddenView>(ForwardingUi::CreateView(form));
}

}  // namespace vrx
