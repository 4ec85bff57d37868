#include "preview/what_if.h"

#include <sstream>
#include <string_view>
#include <utility>
#include <vector>

namespace vrx::preview {
namespace {

constexpr size_t kMostStayedShown = 8;

// The files that stayed, folder by folder: a folder with more than a few is one line, as the
// removed files are ("C:\WINDOWS\SYSTEM\: 812 files (A.DLL, B.DLL, ...)"), so that a system
// folder that lost a file does not fill the list.
std::string ShortenStayed(const std::string& summary) {
  constexpr std::string_view kStayed = "Stayed in the folders that lost files:\n";
  const size_t at = summary.find(kStayed);
  if (at == std::string::npos) return summary;
  const size_t begin = at + kStayed.size();
  size_t end = begin;
  std::vector<std::pair<std::string, std::vector<std::string>>> folders;
  while (end < summary.size() && summary.compare(end, 2, "  ") == 0) {
    const size_t eol = summary.find('\n', end);
    const std::string path = summary.substr(end + 2, eol - end - 2);
    const size_t slash = path.find_last_of('\\');
    const std::string folder = path.substr(0, slash + 1);
    if (folders.empty() || folders.back().first != folder) folders.push_back({folder, {}});
    folders.back().second.push_back(path.substr(slash + 1));
    end = eol == std::string::npos ? summary.size() : eol + 1;
  }
  std::string lines;
  for (const auto& [folder, names] : folders) {
    if (names.size() <= kMostStayedShown) {
      for (const std::string& name : names) lines += "  " + folder + name + "\n";
    } else {
      lines += "  " + folder + ": " + std::to_string(names.size()) + " files (" + names[0] + ", " +
               names[1] + ", ...)\n";
    }
  }
  return summary.substr(0, begin) + lines + summary.substr(end);
}

}  // namespace

WhatIf::WhatIf(const Platform& live, LiveFiles* files, const CommandWords& words, Ui* person,
               LogSink* sink)
    : sink_(sink) {
  TakeSnapshot(live, files, words.program_words, &machine_, &report_);
  // The copy's own windows are its transcript; the person's are real.
  Platform copy = machine_.platform();
  if (person != nullptr && !words.quiet) {
    person_ui_ = std::make_unique<PersonUi>(person, &machine_.ui);
    copy.ui = person_ui_.get();
  }
  before_ = sim::TakeSnapshot(machine_);
  deployment_ = std::make_unique<Deployment>(copy, words, sink);
  program_ = std::make_unique<Program>(deployment_->platform());
}

WhatIf::~WhatIf() = default;

void WhatIf::Start(const std::string& command_line, const std::string& started) {
  if (sink_ != nullptr) {
    (void)sink_->Append(
        "What-if: the run below was made on a copy of this machine taken in memory; nothing on "
        "the machine was changed.");
  }
  deployment_->Begin(*program_, command_line, started);
  Main(*program_, deployment_->words().program_words);
  deployment_->FinishQuietly(*program_);
}

int WhatIf::End() {
  const int code = deployment_->End(*program_);
  program_->platform().files->CloseAll();
  if (sink_ != nullptr) {
    for (const std::string& line : SummaryLines()) (void)sink_->Append(line);
  }
  return code;
}

std::string WhatIf::Summary() const {
  std::string summary = sim::Summarize(before_, machine_);
  // The account is of the copy: it tells what the run would do to the machine.
  constexpr std::string_view kDid = "Summary of what the run did to the machine";
  if (const size_t at = summary.find(kDid); at != std::string::npos) {
    summary.replace(at, kDid.size(), "Summary of what the run would do to this machine");
  }
  return ShortenStayed(summary);
}

std::vector<std::string> WhatIf::SummaryLines() const {
  std::vector<std::string> lines;
  std::istringstream in(Summary());
  for (std::string line; std::getline(in, line);) {
    if (!line.empty()) lines.push_back(line);
  }
  return lines;
}

}  // namespace vrx::preview
