#include "removal/word_cleanup.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "helpers/directory_tokens.h"
#include "helpers/registry_tools.h"
#include "removal/blank_form.h"
#include "removal/remove_variant.h"
#include "state/program.h"

namespace vrx {
namespace {

constexpr const char* kWordClass = "Word.Application";
constexpr const char* kWord97Root = "Software\\Microsoft\\Office\\8.0\\Common\\InstallRoot";
constexpr const char* kWord97Value = "OfficeBin";
constexpr const char* kWord2000Root = "Software\\Microsoft\\Office\\9.0\\Common\\InstallRoot";
constexpr const char* kWord2000Value = "Path";

constexpr int16_t kMaximized = 1;
constexpr int16_t kCommandCategory = 2;
constexpr const char* kPrintCommand = "FilePrint";

// How long this program waits for a Word: for the running ones to quit, for a new one's document.
constexpr double kWordWaitSeconds = 60;
constexpr double kSecondsPerDay = 86400;
// How long Word's main window may outlive the last Word that answered: a Word that quits takes a
// moment to close its window, and one that has just started registers only when it loses the
// focus.
constexpr double kWindowGraceSeconds = 5;
constexpr const char* kWordWindowClass = "OpusApp";

constexpr const char* kWordStillRunning =
    "Microsoft Word was still running, so its Docseal menus and keys remain.";
constexpr const char* kWordUnreachable =
    "Microsoft Word was running and could not be closed, so its Docseal menus and keys may "
    "remain.";
constexpr const char* kWordNoAnswer =
    "Microsoft Word did not say whether it was running, so its Docseal menus and keys remain.";
constexpr const char* kWordBeside =
    "Microsoft Word was started by someone else while Docseal was being removed, so its Docseal "
    "menus and keys remain.";

std::string WordDidNotAnswer(int version) {
  return "Microsoft Word " + std::to_string(version) +
         " did not answer; its Docseal menus and keys may remain.";
}

// Measures a wait on the program's clock, across midnight.
class WaitBound {
 public:
  explicit WaitBound(Clock& clock, double seconds = kWordWaitSeconds)
      : clock_(clock), start_(clock.SecondsSinceMidnight()), seconds_(seconds) {}

  bool Reached() const {
    double elapsed = static_cast<double>(clock_.SecondsSinceMidnight()) - start_;
    if (elapsed < 0) elapsed += kSecondsPerDay;
    return elapsed >= seconds_;
  }

 private:
  Clock& clock_;
  double start_;
  double seconds_;
};

WordPresence AskForWord(Program& program) {
  std::unique_ptr<WordApplication> word;
  Status status = program.automation().GetRunningWord(kWordClass, &word);
  if (status == kMkEUnavailable) return WordPresence::kNone;
  return status == kOk && word ? WordPresence::kRunning : WordPresence::kNoAnswer;
}

// Asks again while the question fails, for up to a minute, letting events through in between.
WordPresence AskUntilAnswered(Program& program) {
  WaitBound bound(program.clock());
  for (;;) {
    WordPresence presence = AskForWord(program);
    if (presence != WordPresence::kNoAnswer || bound.Reached()) return presence;
    program.ui().PumpEvents();
  }
}

// Waits up to a minute for no Word to run: a Word told to quit leaves the running object table
// only as it ends.
WordPresence WaitUntilNoWord(Program& program) {
  WaitBound bound(program.clock());
  for (;;) {
    WordPresence presence = AskForWord(program);
    if (presence == WordPresence::kNone || bound.Reached()) return presence;
    program.ui().PumpEvents();
  }
}

const char* NotCleanedLine(WordPresence presence) {
  switch (presence) {
    case WordPresence::kNoAnswer:
      return kWordNoAnswer;
    case WordPresence::kUnreachable:
      return kWordUnreachable;
    case WordPresence::kBeside:
      return kWordBeside;
    default:
      return kWordStillRunning;
  }
}

// Asks every Word that answers to quit, until none answers, a call fails or the bound is reached.
WordPresence QuitAnsweringWords(Program& program, const WaitBound& bound) {
  std::unique_ptr<WordApplication> word;
  // Any failure ends the loop: the first one is never cleared.
  Status found = program.automation().GetRunningWord(kWordClass, &word);
  bool failed = found != kOk || !word;
  while (!failed) {
    if (bound.Reached()) return WordPresence::kRunning;
    // Word's own save prompt may keep it running; the next pass then asks it again.
    failed |= word->Activate() != kOk;
    failed |= word->SetWindowState(kMaximized) != kOk;
    failed |= word->Quit() != kOk;
    word.reset();
    program.ui().PumpEvents();
    found = program.automation().GetRunningWord(kWordClass, &word);
    failed |= found != kOk || !word;
  }
  if (found == kMkEUnavailable) return WordPresence::kNone;
  if (found == kOk && word) return WordPresence::kRunning;
  return AskUntilAnswered(program);
}

// Once no Word answers: waits a few seconds for Word's main windows to go. kRunning when a Word
// answers meanwhile; kUnreachable when a window stays.
WordPresence WaitForWordWindows(Program& program) {
  WaitBound grace(program.clock(), kWindowGraceSeconds);
  for (;;) {
    // A question that cannot be answered counts as a window that stays.
    std::vector<TaskId> owners;
    if (program.automation().WindowOwners(kWordWindowClass, &owners) == kOk && owners.empty()) {
      return WordPresence::kNone;
    }
    WordPresence presence = AskForWord(program);
    if (presence == WordPresence::kRunning) return presence;
    if (grace.Reached()) return WordPresence::kUnreachable;
    program.ui().PumpEvents();
  }
}

// The parameterless call on BlankFrm.
void CallBlankForm(Program& program, BlankFormCall call) {
  if (call == BlankFormCall::kFocus) {
    program.BlankFrm().SetFocus();
  } else {
    program.BlankFrm().Refresh();
  }
}

// The progress a copy's clean-up makes, for a copy that is not cleaned.
void SkipCopyProgress(Program& program, int version) {
  AdvanceProgress(program, 50);
  if (version == 97) AdvanceProgress(program, 50);
}

// The directory of an installed Word in its short form; none when that version is not installed.
std::optional<std::string> InstalledWord(Program& program, const char* key, const char* value) {
  std::string directory = QueryValue(program.registry(), key, value, kHkeyLocalMachine).AsText();
  if (directory.empty()) return std::nullopt;
  return GetShortPath(program.system(), directory);
}

// Obtains the running Word again; as an assignment that fails, it leaves `word` as it was.
void GetWordAgain(Program& program, std::unique_ptr<WordApplication>& word) {
  std::unique_ptr<WordApplication> again;
  if (program.automation().GetRunningWord(kWordClass, &again) == kOk && again) {
    word = std::move(again);
  }
}

void ShowBlankForm(Program& program) {
  BlankForm& blank = program.BlankFrm();
  blank.Load();
  blank.SetLeft(0);
  blank.SetTop(0);
  blank.SetWidth(100);
  blank.SetHeight(100);
  blank.Show();
}

// Waits until the new Word has its document, handing it the foreground meanwhile. A name that
// cannot be read counts as no document yet.
void WaitForDocument(Program& program, std::unique_ptr<WordApplication>& word, TaskId task,
                     int version, BlankFormCall call) {
  WaitBound bound(program.clock());
  for (;;) {
    std::string name;
    if (word && word->ActiveDocumentName(&name) == kOk && !name.empty()) return;
    if (bound.Reached()) {
      program.state.AppendDetail(WordDidNotAnswer(version));
      return;
    }
    program.processes().ActivateTask(task);
    GetWordAgain(program, word);
    program.ui().PumpEvents();
    CallBlankForm(program, call);
  }
}

// A caption that cannot be read takes the branch, as any failing condition does.
bool CaptionIs(WordControl& control, const std::string& wanted) {
  std::string caption;
  return control.Caption(&caption) != kOk || caption == wanted;
}

// Binds a key to Word's own print command, whatever it was bound to before.
void RebindToPrint(WordApplication& word, int16_t key, int16_t modifier,
                   std::optional<int16_t> second_modifier) {
  int32_t code = 0;
  if (word.BuildKeyCode(key, modifier, second_modifier, &code) == kOk) {
    (void)word.FindKeyClear(code);
  }
  if (word.BuildKeyCode(key, modifier, second_modifier, &code) == kOk) {
    (void)word.KeyBindingsAdd(code, kCommandCategory, kPrintCommand);
  }
}

void RemoveMenusAndKeys(WordApplication& word) {
  std::vector<std::unique_ptr<WordControl>> controls;
  if (word.CommandBarControls("Menu Bar", &controls) == kOk) {
    for (const auto& control : controls) {
      if (CaptionIs(*control, "Docseal")) {
        (void)control->Delete();
        break;
      }
    }
  }

  controls.clear();
  if (word.CommandBarControls("File", &controls) == kOk) {
    for (const auto& control : controls) {
      std::string caption;
      if (control->Caption(&caption) != kOk || caption == "Docseal" ||
          caption == "View Docseal Manual") {
        (void)control->Delete();
      }
    }
  }

  RebindToPrint(word, 80, 512, std::nullopt);  // Ctrl+P
  RebindToPrint(word, 123, 512, 256);          // Ctrl+Shift+F12
}

// Whether the object belongs to the task this program started: Word makes its main window before
// it registers its object, so when every Word window is the task's, so is the object.
bool StartedByUs(Program& program, TaskId task) {
  std::vector<TaskId> owners;
  if (program.automation().WindowOwners(kWordWindowClass, &owners) != kOk) return false;
  return task != 0 && owners.size() == 1 && owners[0] == task;
}

// What is left once the menus and keys are done: the template written, Word ended.
void SaveAndQuit(std::unique_ptr<WordApplication>& word) {
  if (word) {
    (void)word->NormalTemplateSave();
    (void)word->QuitWithoutSaving();
  }
  word.reset();
}

}  // namespace

void CleanWord(Program& program) {
  std::optional<std::string> word97 = InstalledWord(program, kWord97Root, kWord97Value);
  std::optional<std::string> word2000 = InstalledWord(program, kWord2000Root, kWord2000Value);
  if (!word97 && !word2000) {
    AdvanceProgress(program, 100);
    AdvanceProgress(program, 50);
    return;
  }

  WordPresence presence = QuitRunningWord(program);
  AdvanceProgress(program, 50);
  bool told = false;
  for (const auto& [directory, version] : {std::pair{word97, 97}, std::pair{word2000, 2000}}) {
    if (!directory) continue;
    if (presence == WordPresence::kNone) {
      WordCopyOutcome outcome = CleanWordCopy(program, *directory, version);
      presence = outcome.afterwards;
      if (outcome.cleaned) continue;
    } else {
      SkipCopyProgress(program, version);
    }
    if (!told) program.state.AppendDetail(NotCleanedLine(presence));
    told = true;
  }
  AdvanceProgress(program, 50);
  AdvanceProgress(program, 100);
  AdvanceProgress(program, 50);
}

WordPresence QuitRunningWord(Program& program) {
  WaitBound bound(program.clock());
  for (;;) {
    WordPresence presence = QuitAnsweringWords(program, bound);
    if (presence != WordPresence::kNone) return presence;
    presence = WaitForWordWindows(program);
    // A Word that registered late is asked to quit as well.
    if (presence != WordPresence::kRunning) return presence;
    if (bound.Reached()) return presence;
  }
}

WordCopyOutcome CleanWordCopy(Program& program, const std::string& directory, int version,
                              BlankFormCall call) {
  // A Word that runs now is not this program's: starting another would make the two
  // indistinguishable.
  WordPresence before = AskUntilAnswered(program);
  // Nor is one whose window stays without an object, such as a copy started here that never
  // answered: a new one could not be told from it.
  if (before == WordPresence::kNone) before = WaitForWordWindows(program);
  if (before != WordPresence::kNone) {
    SkipCopyProgress(program, version);
    return {false, before};
  }

  const std::string command_line = directory + "\\winword.exe /m";
  TaskId task = 0;
  std::unique_ptr<WordApplication> word;

  if (version == 97) {
    (void)program.processes().Start(command_line, kWindowHidden, &task);
    ShowBlankForm(program);
    WaitSeconds(program, 3);
    GetWordAgain(program, word);
    WaitForDocument(program, word, task, version, call);
    program.BlankFrm().Unload();
    AdvanceProgress(program, 50);
  } else {
    ShowBlankForm(program);
    (void)program.processes().Start(command_line, kWindowHidden, &task);
    AdvanceProgress(program, 50);
    WaitSeconds(program, 2);
    CallBlankForm(program, call);
    GetWordAgain(program, word);
    WaitForDocument(program, word, task, version, call);
    program.BlankFrm().Unload();
  }
  if (word && !StartedByUs(program, task)) {
    // Nothing of the object is touched; the copy this program started goes unsaved.
    word.reset();
    (void)program.processes().EndTask(task);
    if (version == 97) AdvanceProgress(program, 50);
    return {false, WordPresence::kBeside};
  }
  if (word) RemoveMenusAndKeys(*word);
  if (version == 97) AdvanceProgress(program, 50);
  SaveAndQuit(word);
  // The next copy may start only once this one has left.
  return {true, WaitUntilNoWord(program)};
}

}  // namespace vrx
