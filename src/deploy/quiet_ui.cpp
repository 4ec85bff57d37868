#include "deploy/quiet_ui.h"

#include <string_view>
#include <utility>

#include "platform/form.h"

namespace vrx {
namespace {

constexpr int kMbButtonsMask = 0xF;
constexpr int kMbYesNoCancel = 3;
constexpr int kIdCancel = 2;

// Passes everything on but the calls that would put a window on the screen.
class HiddenView : public FormView {
 public:
  explicit HiddenView(std::unique_ptr<FormView> inner) : inner_(std::move(inner)) {}
  void Loaded() override {
    if (inner_) inner_->Loaded();
  }
  void Shown() override {}
  void Hidden() override {
    if (inner_) inner_->Hidden();
  }
  void Unloaded() override {
    if (inner_) inner_->Unloaded();
  }
  void Refreshed() override {
    if (inner_) inner_->Refreshed();
  }
  // A form's SetFocus goes through: it activates the window without showing it, and that move of
  // the activation away from a freshly started Word is what makes Word register its object.
  void PropertyChanged(const Control* control, std::string_view property,
                       const std::string& value) override {
    if (inner_) inner_->PropertyChanged(control, property, value);
  }

 private:
  std::unique_ptr<FormView> inner_;
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
