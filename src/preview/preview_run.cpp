#include "preview/preview_run.h"

#include "deploy/deployment.h"
#include "preview/snapshot.h"
#include "preview/what_if.h"
#include "preview/what_if_form.h"

namespace vrx::preview {

namespace {

// The folder as the machine names it, however it was written: without a "\\?\" prefix, and each
// part that exists by its long name (an 8.3 name names the same folder).
std::string LongForm(LiveFiles* files, std::string path) {
  if (path.rfind("\\\\?\\UNC\\", 0) == 0) {
    path = "\\\\" + path.substr(8);
  } else if (path.rfind("\\\\?\\", 0) == 0) {
    path = path.substr(4);
  }
  if (path.size() < 3 || path[1] != ':' || path[2] != '\\') return path;
  std::string long_path;
  const size_t missing =
      WalkLivePath(files, path, &long_path, [](const LiveEntry&, bool) { return true; });
  if (missing != std::string::npos) return long_path + "\\" + path.substr(missing);
  return long_path.size() == 2 ? long_path + "\\" : long_path;
}

}  // namespace

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
    dir = LongForm(files, dir);
    TakeSnapshot(live, files, words.program_words, &machine, &report);
    if (RunWouldEmpty(machine, words.program_words, dir)) report.removed.push_back(dir);
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
