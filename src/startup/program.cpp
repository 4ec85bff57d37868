#include "state/program.h"

#include "progress/processing_form.h"
#include "progress/reboot_form.h"
#include "removal/blank_form.h"
#include "wizard/run_progress.h"
#include "wizard/uninstall_form.h"

namespace vrx {

Program::Program(const Platform& platform)
    : platform_(platform),
      uninstall_(std::make_unique<UnInstallForm>(*this)),
      processing_(std::make_unique<ProcessingForm>(*this)),
      reboot_(std::make_unique<RebootForm>(*this)),
      blank_(std::make_unique<BlankForm>(*this)),
      progress_(std::make_unique<RunProgress>(*this)) {}

Program::~Program() = default;

std::vector<Form*> Program::Forms() const {
  return {uninstall_.get(), processing_.get(), reboot_.get(), blank_.get()};
}

bool Program::AnyFormLoaded() const {
  for (Form* form : Forms()) {
    if (form->loaded()) return true;
  }
  return false;
}

}  // namespace vrx
