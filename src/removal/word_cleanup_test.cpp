#include "removal/word_cleanup.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "removal/blank_form.h"
#include "testing/word_cleanup_fixture.h"

namespace vrx {
namespace {

using word_cleanup_testing::kNoAnswer;
using word_cleanup_testing::kOffice2000;
using word_cleanup_testing::kOffice97;
using word_cleanup_testing::kStillRunning;
using word_cleanup_testing::kWord2000Command;
using word_cleanup_testing::kWord97Command;
using word_cleanup_testing::kWord97DidNotAnswer;
using word_cleanup_testing::WordCleanupTest;

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

}  // namespace
}  // namespace vrx
