#include "removal/word_cleanup.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/form.h"
#include "platform/forwarding_platform.h"
#include "platform/sim/sim_machine.h"
#include "progress/processing_form.h"
#include "removal/blank_form.h"
#include "startup/program.h"
#include "testing/fault_injection.h"
#include "wizard/uninstall_form.h"

namespace vrx {
namespace {

constexpr const char* kOffice97 = "C:\\Program Files\\Microsoft Office\\Office";
constexpr const char* kWord97Command = "C:\\PROGRA~1\\MICROS~1\\Office\\winword.exe /m";
constexpr const char* kShort97 = "C:\\PROGRA~1\\MICROS~1\\Office";
constexpr const char* kShort2000 = "C:\\PROGRA~1\\MICROS~2\\Office";
constexpr const char* kOffice2000 = "C:\\Program Files\\Microsoft Office 2000\\Office";
constexpr const char* kWord2000Command = "C:\\PROGRA~1\\MICROS~2\\Office\\winword.exe /m";

constexpr const char* kStillRunning =
    "Microsoft Word was still running, so its Docseal menus and keys remain.";
constexpr const char* kNoAnswer =
    "Microsoft Word did not say whether it was running, so its Docseal menus and keys remain.";
constexpr const char* kWord97DidNotAnswer =
    "Microsoft Word 97 did not answer; its Docseal menus and keys may remain.";
constexpr const char* kUnreachable =
    "Microsoft Word was running and could not be closed, so its Docseal menus and keys may "
    "remain.";

// Lets a wait that never ends fail the test instead of hanging it.
class PumpGuard : public ForwardingUi {
 public:
  using ForwardingUi::ForwardingUi;
  void PumpEvents() override {
    if (++pumps_ > kMostPumps) throw std::runtime_error("a wait for Word did not end");
    ForwardingUi::PumpEvents();
  }

 private:
  static constexpr int kMostPumps = 100000;  // well over an hour of the simulated clock
  int pumps_ = 0;
};

// The same for a wait that asks Word again and again without letting the clock move.
class LookupGuard : public ForwardingAutomation {
 public:
  using ForwardingAutomation::ForwardingAutomation;
  Status GetRunningWord(const std::string& class_name,
                        std::unique_ptr<WordApplication>* application) override {
    if (++lookups_ > kMostLookups) throw std::runtime_error("Word was asked for without end");
    return ForwardingAutomation::GetRunningWord(class_name, application);
  }

 private:
  static constexpr int kMostLookups = 100000;
  int lookups_ = 0;
};

class WordCleanupTest : public ::testing::Test {
 protected:
  WordCleanupTest() {
    program.Processing().Load();
    EXPECT_TRUE(program.Processing().ProgressBar1().SetMax(1000));
    program.UnInstall().nStartProgress = 1;
    machine.clock.Set(36000);
  }

  // Registers a Word in `directory` whose Normal template is `kind` ("word97", "word2000").
  void InstallWord(const std::string& kind, const std::string& directory, bool startable = true) {
    ASSERT_TRUE(machine.files.AddFile(directory + "\\WINWORD.EXE", "MZ"));
    if (kind == "word97") {
      SetSz("Software\\Microsoft\\Office\\8.0\\Common\\InstallRoot", "OfficeBin", directory);
    } else {
      SetSz("Software\\Microsoft\\Office\\9.0\\Common\\InstallRoot", "Path", directory);
    }
    if (startable) machine.processes.programs.push_back({directory + "\\WINWORD", kind});
    machine.word.templates[kind] = sim::WordTemplate::Parse(
        "File|Edit|Docseal|Help|Docseal", "New...|Docseal|Open...|View Docseal Manual|Docseal|Exit",
        "592:DocsealPrint|891:DocsealPrint");
  }

  void SetSz(const std::string& key, const std::string& name, const std::string& text) {
    machine.registry.EnsureKey(kHkeyLocalMachine, key).SetValue(name, kRegSz, text + '\0');
  }

  std::vector<std::string> Details() const {
    return {program.state.DetailMessages.begin(),
            program.state.DetailMessages.begin() + (program.state.DetailMessagesLast + 1)};
  }

  // Index of the first transcript line that starts with `prefix`; -1 when there is none.
  int LineIndex(const std::string& prefix) const {
    const auto& lines = machine.transcript.lines();
    for (size_t i = 0; i < lines.size(); ++i) {
      if (lines[i].rfind(prefix, 0) == 0) return static_cast<int>(i);
    }
    return -1;
  }
  int LineCount(const std::string& text) const {
    const auto& lines = machine.transcript.lines();
    return static_cast<int>(std::count_if(lines.begin(), lines.end(), [&](const std::string& l) {
      return l.find(text) != std::string::npos;
    }));
  }

  int16_t Counter() { return program.UnInstall().nStartProgress; }

  // A program on the same machine whose calls go through `faults` (made over the guards).
  std::unique_ptr<Program> ProgramWithFaults(std::unique_ptr<FaultInjection>& faults) {
    faults = std::make_unique<FaultInjection>(program.platform());
    auto faulty = std::make_unique<Program>(faults->platform());
    faulty->Processing().Load();
    EXPECT_TRUE(faulty->Processing().ProgressBar1().SetMax(1000));
    faulty->UnInstall().nStartProgress = 1;
    return faulty;
  }

  // Starts a Word of the user's, with an unsaved document, before the program runs.
  void UserWord(int cancel_saves) {
    machine.word.facts.running = 1;
    machine.word.facts.cancel_saves = cancel_saves;
    machine.word.StartRunningInstances();
  }

  sim::SimMachine machine;
  PumpGuard ui{&machine.ui};
  LookupGuard automation{&machine.word};
  Program program{
      Forward(machine.platform(), nullptr, nullptr, nullptr, nullptr, &automation, &ui)};
};

// ---------------------------------------------------------------------------------------------
// Which Words are cleaned, in which order

TEST_F(WordCleanupTest, WithoutInstallRootsNoWordIsTouched) {
  machine.word.facts.running = 1;
  machine.word.StartRunningInstances();
  CleanWord(program);
  EXPECT_EQ(1 + 150, Counter());
  EXPECT_EQ(1, machine.word.RunningCount());
  EXPECT_TRUE(machine.processes.started.empty());
  EXPECT_EQ(-1, LineIndex("word "));
  EXPECT_EQ(-1, LineIndex("load BlankFrm"));
}

TEST_F(WordCleanupTest, Word97MenusAndKeysAreTakenOut) {
  InstallWord("word97", kOffice97);
  machine.word.templates["word97"].keys.pop_back();  // a key never bound ends up the same
  CleanWord(program);

  EXPECT_EQ(std::vector<std::string>{kWord97Command}, machine.processes.started);
  const sim::WordTemplate& normal = machine.word.templates["word97"];
  // Only the first "Docseal" of the menu bar goes; every matching File item does.
  EXPECT_EQ("File|Edit|Help|Docseal", normal.MenubarText());
  EXPECT_EQ("New...|Open...|Exit", normal.FilemenuText());
  EXPECT_EQ("592:FilePrint:2|891:FilePrint:2", normal.KeysText());
  EXPECT_EQ(0, machine.word.RunningCount());
  EXPECT_NE(-1, LineIndex("word 1 Quit False -> quit"));
  EXPECT_FALSE(program.BlankFrm().loaded());
  EXPECT_EQ(-1, program.state.DetailMessagesLast);
  EXPECT_EQ(1 + 50 + 100 + 200, Counter());
}

TEST_F(WordCleanupTest, BothVersionsAreCleanedWord97FirstAfterRunningWordsQuit) {
  InstallWord("word97", kOffice97);
  InstallWord("word2000", kOffice2000);
  machine.word.facts.running = 1;
  machine.word.StartRunningInstances();

  CleanWord(program);

  EXPECT_EQ((std::vector<std::string>{kWord97Command, kWord2000Command}),
            machine.processes.started);
  EXPECT_EQ(1, LineCount("word 1 Quit -> quit"));
  EXPECT_LT(LineIndex("word 1 Quit -> quit"), LineIndex("start "));
  EXPECT_EQ("File|Edit|Help|Docseal", machine.word.templates["word97"].MenubarText());
  EXPECT_EQ("File|Edit|Help|Docseal", machine.word.templates["word2000"].MenubarText());
  EXPECT_EQ(0, machine.word.RunningCount());
  EXPECT_EQ(1 + 50 + 100 + 50 + 200, Counter());
}

TEST_F(WordCleanupTest, Word97StartsBeforeItsBlankFormAndWord2000After) {
  InstallWord("word97", kOffice97);
  CleanWordCopy(program, "C:\\PROGRA~1\\MICROS~1\\Office", 97);
  EXPECT_LT(LineIndex("start "), LineIndex("show BlankFrm"));
  EXPECT_NE(-1, LineIndex("set BlankFrm.Width = 100"));
  EXPECT_NE(-1, LineIndex("set BlankFrm.Height = 100"));

  machine.transcript = sim::Transcript();
  InstallWord("word2000", kOffice2000);
  CleanWordCopy(program, "C:\\PROGRA~1\\MICROS~2\\Office", 2000);
  EXPECT_LT(LineIndex("show BlankFrm"), LineIndex("start "));
  EXPECT_EQ("File|Edit|Help|Docseal", machine.word.templates["word2000"].MenubarText());
  EXPECT_FALSE(program.BlankFrm().loaded());
}

// ---------------------------------------------------------------------------------------------
// Running Words and the bounded waits

TEST_F(WordCleanupTest, RunningWordWhoseUserCancelsIsAskedAgain) {
  UserWord(3);
  EXPECT_EQ(WordPresence::kNone, QuitRunningWord(program));
  EXPECT_EQ(3, LineCount("save prompt cancelled"));
  EXPECT_EQ(4, LineCount("word 1 WindowState 1 -> ok"));
  EXPECT_EQ(0, machine.word.RunningCount());
  EXPECT_EQ(-1, program.state.DetailMessagesLast);
}

TEST_F(WordCleanupTest, RunningWordThatNeverQuitsIsGivenUpAfterAMinuteEvenAcrossMidnight) {
  for (const auto& [start, end] : {std::pair{36000.0, 36060.0}, std::pair{86380.0, 40.0}}) {
    SCOPED_TRACE(start);
    machine.clock.Set(start);
    UserWord(1000000);
    EXPECT_EQ(WordPresence::kRunning, QuitRunningWord(program));
    EXPECT_EQ(-1, program.state.DetailMessagesLast);
    EXPECT_LE(end, machine.clock.seconds());
    EXPECT_GT(end + 1, machine.clock.seconds());
  }
}

TEST_F(WordCleanupTest, AUserWordStillRunningKeepsEveryWordUncleanedAndItsDocument) {
  InstallWord("word97", kOffice97);
  InstallWord("word2000", kOffice2000);
  UserWord(1000000);
  const std::string keys = machine.word.templates["word97"].KeysText();

  CleanWord(program);

  EXPECT_EQ(std::vector<std::string>{kStillRunning}, Details());
  EXPECT_TRUE(machine.processes.started.empty());
  EXPECT_EQ(1, machine.word.RunningCount());
  EXPECT_EQ(-1, LineIndex("word 1 Quit False"));
  EXPECT_EQ(-1, LineIndex("word 1 NormalTemplate.Save"));
  EXPECT_EQ(0, LineCount(").Delete"));
  EXPECT_EQ(keys, machine.word.templates["word97"].KeysText());
  EXPECT_EQ(1 + 50 + 100 + 50 + 200, Counter());
}

TEST_F(WordCleanupTest, AWordStartedHereThatDoesNotLeaveKeepsTheNextOneFromStarting) {
  InstallWord("word97", kOffice97);
  InstallWord("word2000", kOffice2000);
  std::unique_ptr<FaultInjection> faults;
  auto faulty = ProgramWithFaults(faults);
  faults->FailCall("Word.Quit False", 1000000);

  CleanWord(*faulty);

  EXPECT_EQ(std::vector<std::string>{kWord97Command}, machine.processes.started);
  EXPECT_EQ("File|Edit|Help|Docseal", machine.word.templates["word97"].MenubarText());
  EXPECT_EQ("File|Edit|Docseal|Help|Docseal", machine.word.templates["word2000"].MenubarText());
  EXPECT_EQ(std::vector<std::string>{kStillRunning},
            std::vector<std::string>(faulty->state.DetailMessages.begin(),
                                     faulty->state.DetailMessages.end()));
  EXPECT_EQ(1 + 50 + 100 + 50 + 200, faulty->UnInstall().nStartProgress);
}

TEST_F(WordCleanupTest, AQuestionAboutRunningWordsThatFailsIsAskedAgain) {
  InstallWord("word97", kOffice97);
  InstallWord("word2000", kOffice2000);
  std::unique_ptr<FaultInjection> faults;
  auto faulty = ProgramWithFaults(faults);
  faults->FailCall("GetActiveObject Word.Application", 3);

  CleanWord(*faulty);

  EXPECT_EQ(3u, faults->failed_calls().size());
  EXPECT_EQ((std::vector<std::string>{kWord97Command, kWord2000Command}),
            machine.processes.started);
  EXPECT_EQ(-1, faulty->state.DetailMessagesLast);
  EXPECT_EQ("File|Edit|Help|Docseal", machine.word.templates["word2000"].MenubarText());
}

TEST_F(WordCleanupTest, NoAnswerAboutRunningWordsCleansNothing) {
  InstallWord("word97", kOffice97);
  UserWord(0);
  std::unique_ptr<FaultInjection> faults;
  auto faulty = ProgramWithFaults(faults);
  faults->FailCall("GetActiveObject Word.Application", 1000000);

  CleanWord(*faulty);

  EXPECT_TRUE(machine.processes.started.empty());
  EXPECT_EQ(1, machine.word.RunningCount());
  ASSERT_EQ(0, faulty->state.DetailMessagesLast);
  EXPECT_EQ(kNoAnswer, faulty->state.DetailMessages[0]);
}

TEST_F(WordCleanupTest, WordThatNeverOpensADocumentEndsInADetailLine) {
  InstallWord("word97", kOffice97);
  machine.word.facts.never_document = true;
  CleanWord(program);
  EXPECT_EQ(std::vector<std::string>{kWord97DidNotAnswer}, Details());
  // The step goes on: the Word is still driven and told to quit.
  EXPECT_EQ(0, machine.word.RunningCount());
  EXPECT_FALSE(program.BlankFrm().loaded());
  EXPECT_EQ(1 + 50 + 100 + 200, Counter());
}

TEST_F(WordCleanupTest, WordThatCannotBeStartedEndsInADetailLine) {
  InstallWord("word2000", kOffice2000, /*startable=*/false);
  CleanWord(program);
  EXPECT_EQ(std::vector<std::string>{"C:\\PROGRA~1\\MICROS~1\\Office\\winword.exe /m"},
            machine.processes.started);
  EXPECT_NE(
      -1, LineIndex("start \"C:\\PROGRA~1\\MICROS~1\\Office\\winword.exe /m\" style 0 -> failed"));
  EXPECT_EQ(
      std::vector<std::string>{
          "Microsoft Word 2000 did not answer; its Docseal menus and keys may remain."},
      Details());
  EXPECT_FALSE(program.BlankFrm().loaded());
  EXPECT_EQ(1 + 50 + 50 + 200, Counter());
}

TEST_F(WordCleanupTest, AFailingCallEndsTheQuitLoopAfterItsPass) {
  UserWord(1000000);
  std::unique_ptr<FaultInjection> faults;
  auto faulty = ProgramWithFaults(faults);
  faults->FailCall("Word.Activate", 1000000);
  EXPECT_EQ(WordPresence::kRunning, QuitRunningWord(*faulty));
  // One pass: activation failed, the Word was maximized and asked to quit all the same, then
  // looked for again; the failure ended the loop there.
  EXPECT_EQ(1, LineCount("word 1 Quit -> save prompt cancelled"));
  EXPECT_EQ(2, LineCount("word getobject -> 1"));
  EXPECT_EQ(-1, faulty->state.DetailMessagesLast);
}

// ---------------------------------------------------------------------------------------------
// Word as Office behaves: late registration, busy replies, a Word out of reach

// One copy of each version, cleaned with each of the two calls on BlankFrm.
class WordWaitTest : public WordCleanupTest,
                     public ::testing::WithParamInterface<std::tuple<int, BlankFormCall>> {};

TEST_P(WordWaitTest, OnlyTheFocusCallLetsAWordStartedHiddenBeFoundWithinThePauses) {
  const auto [version, call] = GetParam();
  const std::string kind = version == 97 ? "word97" : "word2000";
  // Both installed, so that each has the short name the constants give.
  InstallWord("word97", kOffice97);
  InstallWord("word2000", kOffice2000);
  const double start = machine.clock.seconds();

  WordCopyOutcome outcome =
      CleanWordCopy(program, version == 97 ? kShort97 : kShort2000, version, call);

  const double seconds = machine.clock.seconds() - start;
  const sim::WordTemplate& normal = machine.word.templates[kind];
  EXPECT_TRUE(outcome.cleaned);
  EXPECT_NE(-1, LineIndex("word 1 takes the foreground")) << "it came up holding the foreground";
  if (call == BlankFormCall::kFocus) {
    EXPECT_EQ(-1, program.state.DetailMessagesLast);
    EXPECT_NE(-1, LineIndex("word 1 loses the foreground to BlankFrm"));
    // The first pause (3 s for Word 97, 2 s for Word 2000) and a few passes of the wait.
    EXPECT_GT(version == 97 ? 4.0 : 3.0, seconds);
    EXPECT_EQ("592:FilePrint:2|891:FilePrint:2", normal.KeysText());
    EXPECT_EQ(0, machine.word.RunningCount());
  } else {
    EXPECT_EQ(std::vector<std::string>{"Microsoft Word " + std::to_string(version) +
                                       " did not answer; its Docseal menus and keys may remain."},
              Details());
    EXPECT_EQ(-1, LineIndex("word 1 registers"));
    EXPECT_LE(60.0, seconds) << "the wait ran to its bound";
    EXPECT_EQ("592:DocsealPrint|891:DocsealPrint", normal.KeysText());
    EXPECT_EQ(1, machine.word.RunningCount())
        << "a Word that never answered cannot be told to quit";
  }
  EXPECT_FALSE(program.BlankFrm().loaded());
}

INSTANTIATE_TEST_SUITE_P(EachVersionAndCall, WordWaitTest,
                         ::testing::Combine(::testing::Values(97, 2000),
                                            ::testing::Values(BlankFormCall::kFocus,
                                                              BlankFormCall::kRepaint)),
                         [](const auto& test) {
                           return "Word" + std::to_string(std::get<0>(test.param)) +
                                  (std::get<1>(test.param) == BlankFormCall::kFocus ? "Focus"
                                                                                    : "Repaint");
                         });

TEST_F(WordCleanupTest, AWordThatRegistersAtOnceNeedsNoFocusCall) {
  InstallWord("word97", kOffice97);
  machine.word.facts.register_at_once = true;
  CleanWordCopy(program, kShort97, 97, BlankFormCall::kRepaint);
  EXPECT_EQ(-1, program.state.DetailMessagesLast);
  EXPECT_EQ(-1, LineIndex("word 1 takes the foreground"));
  EXPECT_EQ("592:FilePrint:2|891:FilePrint:2", machine.word.templates["word97"].KeysText());
}

TEST_F(WordCleanupTest, ABusyWordIsRetriedForTenSecondsACallAndEachRetryIsInTheTranscript) {
  InstallWord("word97", kOffice97);
  machine.word.facts.register_at_once = true;
  // Busy for the first pause, ten seconds of retries of one call and four seconds more.
  machine.word.facts.busy_pumps = (3 + 10 + 4) * 16;
  const double start = machine.clock.seconds();

  CleanWordCopy(program, kShort97, 97);

  EXPECT_NE(-1, LineIndex("word 1 ActiveDocument.Name -> busy, retry 1"));
  EXPECT_NE(-1, LineIndex("word 1 ActiveDocument.Name -> busy, retry 160"));
  EXPECT_EQ(-1, LineIndex("word 1 ActiveDocument.Name -> busy, retry 161"));
  EXPECT_NE(-1, LineIndex("word 1 ActiveDocument.Name -> rejected"));
  // The wait went on in its pass-over way and found the document once Word had loaded.
  EXPECT_EQ(-1, program.state.DetailMessagesLast);
  EXPECT_EQ("592:FilePrint:2|891:FilePrint:2", machine.word.templates["word97"].KeysText());
  EXPECT_GT(30.0, machine.clock.seconds() - start);
}

TEST_F(WordCleanupTest, AWordBusyWithItsSavePromptIsAskedAgainOnceItAnswers) {
  UserWord(1);
  EXPECT_EQ(WordPresence::kNone, QuitRunningWord(program));
  const int prompt = LineIndex("word 1 Quit -> save prompt cancelled");
  const int retry = LineIndex("word 1 Activate -> busy, retry 1");
  ASSERT_NE(-1, retry);
  EXPECT_LT(prompt, retry);
  EXPECT_LT(retry, LineIndex("word 1 Quit -> quit"));
  EXPECT_EQ(2, LineCount("word 1 Activate -> ok"));
}

TEST_F(WordCleanupTest, AWordOutOfReachIsNotForcedAndCleansNoCopy) {
  InstallWord("word97", kOffice97);
  InstallWord("word2000", kOffice2000);
  machine.word.facts.unreachable = 1;
  machine.word.StartRunningInstances();
  const std::string keys = machine.word.templates["word97"].KeysText();

  CleanWord(program);

  EXPECT_EQ(std::vector<std::string>{kUnreachable}, Details());
  EXPECT_TRUE(machine.processes.started.empty());
  EXPECT_NE(-1, LineIndex("findwindow OpusApp -> found"));
  EXPECT_EQ(-1, LineIndex("word 1 ")) << "no call reached it";
  EXPECT_EQ(1, machine.word.RunningCount());
  EXPECT_EQ(keys, machine.word.templates["word97"].KeysText());
  EXPECT_EQ(1 + 50 + 100 + 50 + 200, Counter());
}

TEST_F(WordCleanupTest, ACopyStartedHereThatNeverAnsweredKeepsTheNextOneFromStarting) {
  InstallWord("word97", kOffice97);
  InstallWord("word2000", kOffice2000);
  // Without the focus call Word 97 never registers and stays, hidden, after the wait's bound.
  EXPECT_TRUE(CleanWordCopy(program, kShort97, 97, BlankFormCall::kRepaint).cleaned);
  const WordCopyOutcome next = CleanWordCopy(program, kShort2000, 2000);
  EXPECT_FALSE(next.cleaned);
  EXPECT_EQ(WordPresence::kUnreachable, next.afterwards);
  EXPECT_EQ(std::vector<std::string>{kWord97Command}, machine.processes.started);
  EXPECT_EQ("File|Edit|Docseal|Help|Docseal", machine.word.templates["word2000"].MenubarText());
}

TEST_F(WordCleanupTest, AUserWordThatRegistersLateIsStillAskedToQuit) {
  // Just started by its user: it holds the foreground and has not registered yet, until the
  // progress window takes the foreground from it.
  machine.word.StartInstance("word97", 99);
  machine.ui.PumpEvents();
  program.Processing().Show();
  machine.clock.Set(36000);

  EXPECT_EQ(WordPresence::kNone, QuitRunningWord(program));
  EXPECT_LT(LineIndex("findwindow OpusApp -> found"), LineIndex("word 1 registers"));
  EXPECT_NE(-1, LineIndex("word 1 Quit -> quit"));
  EXPECT_EQ(0, machine.word.RunningCount());
  EXPECT_GT(36005.0, machine.clock.seconds());
}

// The Word scenario of the Wine suite (tests/wine/word-scenarios.sh), on the simulator: the same
// templates, a user's Word that cancels its save prompt once, both versions strict.
TEST_F(WordCleanupTest, TheWineWordScenarioEndsAsUnderWine) {
  InstallWord("word97", kOffice97);
  InstallWord("word2000", kOffice2000);
  const std::string bar97 = "File|Edit|View|Insert|Format|Tools|Table|Window|Docseal|Help";
  machine.word.templates["word97"] =
      sim::WordTemplate::Parse(bar97, "New...|Open...|Docseal|View Docseal Manual|Exit",
                               "592:DocsealPrint|891:DocsealPrint");
  machine.word.templates["word2000"] = sim::WordTemplate::Parse(
      bar97 + "|Docseal", "New...|Docseal|Open...|Docseal|View Docseal Manual|Exit",
      "891:DocsealPrint");
  UserWord(1);

  CleanWord(program);

  EXPECT_EQ(-1, program.state.DetailMessagesLast);
  EXPECT_EQ(2, LineCount("word 1 WindowState 1 -> ok")) << "asked to quit twice";
  for (const char* kind : {"word97", "word2000"}) {
    SCOPED_TRACE(kind);
    const sim::WordTemplate& normal = machine.word.templates[kind];
    EXPECT_EQ("New...|Open...|Exit", normal.FilemenuText());
    EXPECT_EQ("592:FilePrint:2|891:FilePrint:2", normal.KeysText());
  }
  EXPECT_EQ("File|Edit|View|Insert|Format|Tools|Table|Window|Help",
            machine.word.templates["word97"].MenubarText());
  EXPECT_EQ("File|Edit|View|Insert|Format|Tools|Table|Window|Help|Docseal",
            machine.word.templates["word2000"].MenubarText());
}

}  // namespace
}  // namespace vrx
