#include "preview/what_if.h"

#include <sstream>
#include <string_view>

namespace vrx::preview {

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
  return summary;
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
