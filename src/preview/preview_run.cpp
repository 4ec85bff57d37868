#include "preview/preview_run.h"

#include "deploy/deployment.h"
#include "preview/snapshot.h"
#include "preview/what_if.h"
#include "preview/what_if_form.h"

namespace vrx::preview {

int RunSnapshot(const Platform& live, LiveFiles* files, ImageFolder* out, const CommandWords& words,
                LogSink* sink) {
  sim::SimMachine machine;
  SnapshotReport report;
  std::string dir, error;
  bool written = false;
  if (words.snapshot_dir->empty() ||
      live.system->GetFullPathName(*words.snapshot_dir, &dir) != kOk) {
    error = "/SNAPSHOT= needs the folder to write into";
  } else {
    TakeSnapshot(live, files, words.program_words, &machine, &report);
    written = WriteSnapshot(machine, report, dir, out, &error);
  }
  const std::string message =
      written ? "Snapshot written to " + dir + ": " + std::to_string(report.keys) +
                    " registry keys, " + std::to_string(report.folders) + " folders, " +
                    std::to_string(report.files_read) + " files with their contents."
              : "No snapshot was written. " + error;
  if (sink != nullptr) (void)sink->Append(message);
  if (!words.quiet) (void)live.ui->MessageBox(message, kMbOk, "VRXUnInst");
  return written || !words.quiet ? kExitFinished : kExitNothingDone;
}

int RunWhatIf(const Platform& live, LiveFiles* files, Ui* person, const CommandWords& words,
              LogSink* sink, const std::string& command_line, const std::string& started,
              const WaitWhile& wait) {
  WhatIf what_if(live, files, words, words.quiet ? nullptr : person, sink);
  what_if.Start(command_line, started);
  Program& program = what_if.program();
  if (!words.quiet) wait(program.Forms(), [&] { return program.AnyFormLoaded(); });
  const int code = what_if.End();
  if (!words.quiet) {
    WhatIfForm form(person);
    form.ShowSummary(what_if.SummaryLines(), code);
    wait({&form}, [&] { return form.loaded(); });
  }
  return kExitFinished;
}

}  // namespace vrx::preview
