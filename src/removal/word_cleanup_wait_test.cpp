#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "removal/blank_form.h"
#include "removal/word_cleanup.h"
#include "testing/word_cleanup_fixture.h"

namespace vrx {
namespace {

using word_cleanup_testing::kOffice2000;
using word_cleanup_testing::kOffice97;
using word_cleanup_testing::kShort2000;
using word_cleanup_testing::kShort97;
using word_cleanup_testing::kUnreachable;
using word_cleanup_testing::kWord97Command;
using word_cleanup_testing::WordCleanupTest;

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
  EXPECT_NE(-1, LineIndex("window owners OpusApp -> 65537"));
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
  EXPECT_LT(LineIndex("window owners OpusApp -> 99"), LineIndex("word 1 registers"));
  EXPECT_NE(-1, LineIndex("word 1 Quit -> quit"));
  EXPECT_EQ(0, machine.word.RunningCount());
  EXPECT_GT(36005.0, machine.clock.seconds());
}

// The user starts Word just as the program starts its own, hidden, copy: the object the running
// object table hands out may be either, so neither is touched (the generated machines' oracle
// holds that), and the copy started here ends.
class WordRaceTest : public WordCleanupTest, public ::testing::WithParamInterface<int> {};

TEST_P(WordRaceTest, AWordTheUserStartsMeanwhileIsNeverTakenForTheOneStartedHere) {
  const int version = GetParam();
  InstallWord("word97", kOffice97);
  InstallWord("word2000", kOffice2000);
  machine.events.resize(1);
  ASSERT_TRUE(sim::SimEvent::Parse("start winword|word", &machine.events[0]));

  const WordCopyOutcome outcome =
      CleanWordCopy(program, version == 97 ? kShort97 : kShort2000, version);

  EXPECT_FALSE(outcome.cleaned);
  EXPECT_EQ(WordPresence::kBeside, outcome.afterwards);
  ASSERT_NE(nullptr, machine.word.Find(2));
  EXPECT_TRUE(machine.word.Find(2)->running) << "the user's Word runs on";
  EXPECT_FALSE(machine.word.Find(1)->running) << "the copy started here has ended";
}

INSTANTIATE_TEST_SUITE_P(BothVersions, WordRaceTest, ::testing::Values(97, 2000));

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
