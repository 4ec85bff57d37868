#include "deploy/run_log.h"

#include "platform/windows_names.h"
#include "state/program.h"

namespace vrx {

bool MayBecomeLog(const std::string& path, const std::optional<std::string>& existing) {
  const size_t slash = path.find_last_of("\\/:");
  std::string name = FoldName(slash == std::string::npos ? path : path.substr(slash + 1));
  while (!name.empty() && (name.back() == '.' || name.back() == ' ')) name.pop_back();
  if (name == "WININIT.INI" || name == "WININIT.BAK") return false;
  if (!existing || existing->empty()) return true;
  for (const char* first : {"Docseal Uninstaller 4.0 log, started ",
                            "What-if: ", "Snapshot written to ", "No snapshot was written."}) {
    if (existing->rfind(first, 0) == 0) return true;
  }
  return false;
}

void RunLog::Write(const std::string& text) {
  if (!enabled()) return;
  if (!sink_->Append(text)) failed_ = true;
}

void RunLog::CatchUpDetails() {
  if (state_ == nullptr) return;
  const int32_t count = static_cast<int32_t>(state_->DetailMessagesLast) + 1;
  for (; details_written_ < count; ++details_written_) {
    Write("Detail: " + OneLine(state_->DetailMessages[static_cast<size_t>(details_written_)]));
  }
}

void RunLog::Line(const std::string& text) {
  CatchUpDetails();
  Write(text);
}

std::string ReasonOf(Status status) {
  const char* words = nullptr;
  switch (status) {
    case kErrorFileNotFound:
      words = "it does not exist";
      break;
    case kErrorPathNotFound:
      words = "its folder does not exist";
      break;
    case kErrorAccessDenied:
      words = "access is denied (read-only, or not allowed)";
      break;
    case kErrorSharingViolation:
      words = "it is in use by another program";
      break;
    case kErrorDirNotEmpty:
      words = "the folder is not empty";
      break;
    default:
      break;
  }
  const std::string code = "error " + std::to_string(status);
  return words == nullptr ? code : std::string(words) + " (" + code + ")";
}

std::string OneLine(const std::string& text) {
  std::string line;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' || text[i] == '\n') {
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      line += " / ";
    } else {
      line += text[i];
    }
  }
  return line;
}

}  // namespace vrx
