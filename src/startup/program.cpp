#include "startup/program.h"

#include <limits>

#include "platform/windows_names.h"
#include "progress/processing_form.h"
#include "progress/reboot_form.h"
#include "removal/blank_form.h"
#include "wizard/run_progress.h"
#include "wizard/uninstall_form.h"

namespace vrx {

void ProgramState::AppendDetail(const std::string& line) {
  HasDetails = true;
  if (DetailMessagesLast == std::numeric_limits<int16_t>::max()) return;
  ++DetailMessagesLast;
  DetailMessages.resize(static_cast<size_t>(DetailMessagesLast) + 1);
  DetailMessages[static_cast<size_t>(DetailMessagesLast)] = line;
}

void ProgramState::AppendPendingDelete(const std::string& path) {
  if (PendingDeleteCount == std::numeric_limits<int16_t>::max()) return;
  ++PendingDeleteCount;
  PendingDeletes.resize(static_cast<size_t>(PendingDeleteCount) + 1);
  PendingDeletes[static_cast<size_t>(PendingDeleteCount)] = path;
}

bool ProgramState::RestartRemovesSomething() const {
  for (const std::string& path : Scheduled) {
    if (FoldName(path) != FoldName(SelfPath)) return true;
  }
  return false;
}

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
