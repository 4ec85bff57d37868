// The program-wide state and the program that owns it, its platform and its forms.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "manifest/file_manifest.h"
#include "platform/platform.h"
#include "state/variants.h"

namespace vrx {

// What became of the Windows 95/98 list of files for Wininit.ini at the end of the run.
enum class WininitOutcome {
  kNothingToWrite,    // no list (or not Windows 95/98)
  kWritten,           // the list is in Wininit.ini's [RENAME] section
  kHeldByEarlierRun,  // Wininit.ini still holds the uninstaller's own line: it was left as it was
  kUnreadable,        // Wininit.ini could not be read: it was left as it was
  kNotWritten,        // the new Wininit.ini could not be written
};

class Form;
class UnInstallForm;
class ProcessingForm;
class RebootForm;
class BlankForm;
class ProgressSink;

// Lives as long as the program; the field names are the ones every part of the program uses.
struct ProgramState {
  // Detail lines of the run, numbered from 0; DetailMessagesLast is -1 while there are none.
  std::vector<std::string> DetailMessages;
  int16_t DetailMessagesLast = -1;

  // The variants chosen for removal, by their index in kVariants (kMsWord, kWpWin7, ...).
  std::array<bool, kVariantCount> Chosen{};
  bool CommandLineMode = false;
  bool NoReboot = false;
  bool IsWin9x = false;
  bool IsWinNT = false;
  bool NeedsRestart = false;

  // Paths to delete at the next start of Windows 95/98, numbered from 1 (entry 0 is unused).
  std::vector<std::string> PendingDeletes{std::string()};
  int16_t PendingDeleteCount = 0;

  std::string SelfPath;

  // The variants whose Defaults key names a source directory, by their index in kVariants.
  std::array<bool, kVariantCount> Installed{};
  bool Word2000Found = false;
  // Installed, or for Word also a registered Word 2000: what the wizard offers and the log names.
  bool CountsAsInstalled(size_t variant) const {
    return Installed[variant] || (variant == kMsWord && Word2000Found);
  }

  // The directories of the variant being removed.
  std::string VariantSourceDir;
  std::string VariantSigDir;
  std::string VariantDataDir;
  std::string VariantHelpDir;
  std::string VariantStampDir;

  bool ChosenAll = false;
  bool HasDetails = false;

  // The paths that wait for the next start of Windows because this run had them written down:
  // the system accepted the delayed deletion (Windows NT), or Wininit.ini took the list (Windows
  // 95/98, WininitResult kWritten). What the log, the summary and the exit code say is this.
  std::vector<std::string> Scheduled;
  WininitOutcome WininitResult = WininitOutcome::kNothingToWrite;
  // Whether something of this run other than the uninstaller itself waits for the restart.
  bool RestartRemovesSomething() const;

  // Appends a detail line and sets HasDetails. A full list (32767 lines) takes no more.
  void AppendDetail(const std::string& line);
  // Appends a path to PendingDeletes. A full list takes no more.
  void AppendPendingDelete(const std::string& path);
};

class Program {
 public:
  explicit Program(const Platform& platform);
  ~Program();
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  const Platform& platform() const { return platform_; }
  Registry& registry() const { return *platform_.registry; }
  System& system() const { return *platform_.system; }
  Files& files() const { return *platform_.files; }
  Processes& processes() const { return *platform_.processes; }
  Automation& automation() const { return *platform_.automation; }
  Ui& ui() const { return *platform_.ui; }
  Clock& clock() const { return *platform_.clock; }

  ProgramState state;
  FileManifest manifest;
  // The comparable forms of the folders that the folder step never touches, learnt on first use;
  // empty until then (removal/protected_folders.h): those kept with every folder above them, and
  // those kept with everything inside them. Then the identities of every protected folder and of
  // every folder above one, and of those kept with their contents, as far as the system gives them.
  struct ProtectedFolders {
    std::vector<std::string> with_parents;
    std::vector<std::string> with_contents;
    std::vector<FileIdentity> kept_identities;
    std::vector<FileIdentity> whole_identities;
    std::vector<FileIdentity> whole_roots;  // the roots of the drives those lie on
  };
  std::optional<ProtectedFolders> protected_folders;

  UnInstallForm& UnInstall() { return *uninstall_; }
  ProcessingForm& Processing() { return *processing_; }
  RebootForm& Reboot() { return *reboot_; }
  BlankForm& BlankFrm() { return *blank_; }
  // Where the removal reports how far the run got: the wizard's counter and the progress bar.
  ProgressSink& progress() { return *progress_; }

  // Every form, in a fixed order; the program ends when none of them is loaded.
  std::vector<Form*> Forms() const;
  bool AnyFormLoaded() const;

 private:
  Platform platform_;
  std::unique_ptr<UnInstallForm> uninstall_;
  std::unique_ptr<ProcessingForm> processing_;
  std::unique_ptr<RebootForm> reboot_;
  std::unique_ptr<BlankForm> blank_;
  std::unique_ptr<ProgressSink> progress_;
};

// The program's entry point: runs once with everything after the program's name on the command
// line. Afterwards the program lives in the forms' handlers until no form is loaded.
void Main(Program& program, const std::string& command_line);

// The words of a command line, split at blanks and tabs, in upper case.
std::vector<std::string> SplitCommandLine(const std::string& command_line);

// Chooses the variants that the (upper-case) words name and notes NOREBOOT: a word that contains
// WPWIN7, WPWIN8, WPWIN9 or MSWORD (the first found in this order) chooses that variant and makes
// the run unattended; any other word that contains NOREBOOT sets NoReboot.
void ReadCommandLine(ProgramState& state, const std::vector<std::string>& words);

}  // namespace vrx
