// A layer around the platform that writes into the run's log what the program does to the
// machine, as the calls happen: files and folders deleted or not and why, deletions scheduled
// for the next start of Windows, registry keys and values deleted or written, programs started,
// fonts removed, questions and their answers, the status lines of the progress window, and the
// detail lines of the run. Every call is passed on unchanged and gives what the platform gave.
//
// The log names files by their long paths where the program used a short one that it had asked
// the system for.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "deploy/run_log.h"
#include "platform/platform.h"

namespace vrx {

struct ProgramState;

// What the layer has seen, for the summary at the end of the run.
struct RunRecord {
  // Upper-case short paths the system gave, and the long paths they were asked for.
  std::map<std::string, std::string> long_names;
  // Files whose deletion failed for a reason other than their absence, by upper-case long path.
  std::map<std::string, std::pair<std::string, Status>> failed_files;
  // Files scheduled for deletion at the next restart, in order, and by upper-case long path.
  std::vector<std::string> scheduled;
  std::set<std::string> scheduled_upper;
  // Folders the user (or /QUIET) chose to keep, and folders that could not be removed.
  std::vector<std::string> kept_folders;
  std::vector<std::pair<std::string, Status>> unremoved_folders;
  std::optional<OsVersionInfo> version;
  bool another_instance = false;

  // The long path of a path the system shortened; the path itself otherwise.
  std::string LongName(const std::string& path) const;
};

class RecordingPlatform {
 public:
  // Neither `inner`'s members nor `log` are owned; they must outlive this object.
  RecordingPlatform(const Platform& inner, RunLog* log);
  ~RecordingPlatform();
  RecordingPlatform(const RecordingPlatform&) = delete;
  RecordingPlatform& operator=(const RecordingPlatform&) = delete;

  // The platform to give the program.
  Platform platform() const;
  // The program's state: detail lines are copied from it, the header and summary read it.
  void Attach(const ProgramState* state);

  const RunRecord& record() const { return record_; }

  // The lines that open a run: platform, installed and chosen variants. Written once; the
  // layer writes them itself when the progress window is loaded.
  void WriteRunHeader();
  // What waits for the next start of Windows and what stayed, and why. Written once; the layer
  // writes it itself before it passes on a request to restart Windows. Kept folders are listed
  // through the platform's files.
  void WriteSummary();

 private:
  class Registry_;
  class System_;
  class Files_;
  class Processes_;
  class Ui_;

  Platform inner_;
  RunLog* log_;
  const ProgramState* state_ = nullptr;
  RunRecord record_;
  bool header_written_ = false;
  bool summary_written_ = false;
  std::unique_ptr<Registry_> registry_;
  std::unique_ptr<System_> system_;
  std::unique_ptr<Files_> files_;
  std::unique_ptr<Processes_> processes_;
  std::unique_ptr<Ui_> ui_;
};

// The folder that a "Directory not empty" question of the removal asks about; empty for any
// other text.
std::string FolderAskedAbout(const std::string& question);

}  // namespace vrx
