// The simulated machine's system services, processes, user interface and clock.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/sim/transcript.h"

namespace vrx::sim {

class SimFiles;

// Seconds since midnight; moves only when the program pumps events (or a test says so).
class SimClock : public Clock {
 public:
  // What one pump of events lets pass: 1/16 s, exact in binary so that sums stay exact.
  static constexpr double kPumpSeconds = 1.0 / 16;

  float SecondsSinceMidnight() override { return static_cast<float>(seconds_); }
  double seconds() const { return seconds_; }
  void Set(double seconds) { seconds_ = seconds; }
  // Moves on, wrapping at midnight.
  void Advance(double seconds);

 private:
  double seconds_ = 43200;
};

// The facts of machine.ini's [system] and [shutdown] sections.
struct SystemFacts {
  int platform = 2;
  std::string windows = "C:\\WINDOWS";
  std::string system = "C:\\WINDOWS\\SYSTEM";
  std::string username;
  bool another_instance = false;
  // Which of the shutdown calls the machine grants.
  bool open_token = true;
  bool lookup_privilege = true;
  bool adjust_privileges = true;
  bool exit_windows = true;
};

class SimSystem : public System {
 public:
  SimSystem(SystemFacts* facts, SimFiles* files, Transcript* transcript)
      : facts_(facts), files_(files), transcript_(transcript) {}

  uint32_t GetSystemDirectory(char* buffer, uint32_t size) override;
  uint32_t GetWindowsDirectory(char* buffer, uint32_t size) override;
  uint32_t GetShortPathName(const std::string& long_path, char* buffer, uint32_t size) override;
  bool GetVersionEx(OsVersionInfo* info) override;
  bool MoveFileEx(const std::string& existing, const std::optional<std::string>& new_name,
                  uint32_t flags) override;
  // The file calls below work on the machine's drives through SimFiles (sim_path_calls.cpp).
  // MoveFile moves files only: a folder gives kErrorAccessDenied.
  [[nodiscard]] Status MoveFile(const std::string& existing, const std::string& new_name) override;
  // Numbers are taken in turn from 1 for the whole machine, as a clock would give them.
  [[nodiscard]] Status GetTempFileName(const std::string& directory, const std::string& prefix,
                                       std::string* path) override;
  // Taken from the machine's current directory; a drive-relative path on another drive than the
  // current one starts from that drive's root.
  [[nodiscard]] Status GetFullPathName(const std::string& path, std::string* full_path) override;
  int32_t RemoveFontResource(const std::string& file_name) override;
  void BroadcastFontChange() override;
  std::string GetEnvironmentVariable(const std::string& name) override;
  bool AnotherInstanceRunning() override { return facts_->another_instance; }
  // Each step can be refused through the machine's facts (open_token, lookup_privilege,
  // adjust_privileges) and is written to the transcript; the token never outlives the call.
  [[nodiscard]] Status EnableShutdownPrivilege() override;
  bool ExitWindowsEx(uint32_t flags, uint32_t reason) override;

  // Fonts in the font table, by path compared without regard to case.
  std::vector<std::string> fonts;
  // Deletions scheduled for the next restart, in order.
  std::vector<std::string> pending;
  // Set once Windows accepted a restart request.
  bool restart_requested = false;
  bool shutdown_privilege_enabled() const { return shutdown_privilege_enabled_; }

 private:
  uint32_t CopyOut(const std::string& text, char* buffer, uint32_t size) const;

  SystemFacts* facts_;
  SimFiles* files_;
  Transcript* transcript_;
  bool shutdown_privilege_enabled_ = false;
  uint32_t next_temp_number_ = 1;
};

// GetFullPathNameA's rules on their own (see System::GetFullPathName): `current` is the current
// directory as GetCurrentDirectoryA gives it. None for the empty path.
std::optional<std::string> FullPathName(const std::string& path, const std::string& current);

// A program the machine can start, by its path without ".exe" (see [programs]).
struct ProgramEntry {
  std::string path;  // as written in the image
  std::string kind;  // regsvr32, wordperfect, word97, word2000, program
};

// Starting a command line: a quoted program name is taken as it stands; an unquoted command line
// is tried as CreateProcessA tries it, blank by blank: "C:\Program Files\A B\x.exe /m" tries
// C:\Program.exe, then C:\Program Files\A.exe, then C:\Program Files\A B\x.exe, then the whole
// line; a name without an extension gets ".exe". The first that names a file (or a program of
// [programs]) is the program: one of [programs] starts; any other file fails with
// kErrorBadExeFormat; when none is found the start fails with kErrorFileNotFound.
class SimProcesses : public Processes {
 public:
  SimProcesses(SimFiles* files, Transcript* transcript) : files_(files), transcript_(transcript) {}

  Status Start(const std::string& command_line, int window_style, TaskId* task) override;
  void ActivateTask(TaskId task) override;
  // Any task this machine started ends (a Word among them stops running); one it never started
  // gives kErrorInvalidHandle.
  [[nodiscard]] Status EndTask(TaskId task) override;

  std::vector<ProgramEntry> programs;
  // Called when a Word program starts: its kind ("word97", "word2000") and task.
  std::function<void(const std::string& kind, TaskId task)> on_word_started;
  // Called after every start, whether it succeeded or not, with the command line.
  std::function<void(const std::string& command_line)> on_started;
  // Called when a task is ended.
  std::function<void(TaskId task)> on_task_ended;
  // Every command line started, in order.
  std::vector<std::string> started;

  // The program that a command line starts, or null.
  const ProgramEntry* Find(const std::string& command_line) const;

 private:
  Status Locate(const std::string& command_line, const ProgramEntry** found) const;

  SimFiles* files_;
  Transcript* transcript_;
  TaskId next_task_ = 1;
};

// Message boxes answered from a queue, forms drawn into the transcript.
class SimUi : public Ui {
 public:
  SimUi(SimClock* clock, Transcript* transcript) : clock_(clock), transcript_(transcript) {}

  int MessageBox(const std::string& text, int style, const std::string& title) override;
  void PumpEvents() override;
  std::unique_ptr<FormView> CreateView(Form& form) override;

  // Replies for the next message boxes (kIdYes, kIdNo, kIdOk); with none queued a message box
  // gets its default button.
  std::deque<int> answers;
  // Called on every pump, after the clock moved (Word instances live here).
  std::function<void()> on_pump;
  // Called when one of the program's windows takes the foreground (shown, or its focus call),
  // with the form's name.
  std::function<void(const std::string& form)> on_foreground;
  long pumps() const { return pumps_; }

 private:
  SimClock* clock_;
  Transcript* transcript_;
  long pumps_ = 0;
};

}  // namespace vrx::sim
