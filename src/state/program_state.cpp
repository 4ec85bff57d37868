#include <limits>

#include "platform/windows_names.h"
#include "state/program.h"

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

}  // namespace vrx
