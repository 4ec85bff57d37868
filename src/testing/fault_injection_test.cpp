#include "testing/fault_injection.h"

#include <gtest/gtest.h>

#include <memory>

#include "platform/sim/sim_machine.h"

namespace vrx {
namespace {

class FaultInjectionTest : public ::testing::Test {
 protected:
  FaultInjectionTest() {
    EXPECT_TRUE(machine.files.AddFile("C:\\WINDOWS\\WIN.INI", "[windows]"));
    machine.word.facts.running = 1;
    machine.word.StartRunningInstances();
  }
  // Opens WIN.INI for reading; the status.
  Status OpenWinIni(FileNumber* number) {
    return p.files->OpenText("C:\\WINDOWS\\WIN.INI", TextMode::kReadChars, number);
  }

  sim::SimMachine machine;
  FaultInjection faults{machine.platform()};
  Platform p = faults.platform();
};

TEST_F(FaultInjectionTest, RecordsEveryDistinctCallByNameInOrder) {
  FileNumber number = 0;
  ASSERT_EQ(kOk, OpenWinIni(&number));
  char c = 0;
  EXPECT_EQ(kOk, p.files->ReadChar(number, &c));
  EXPECT_EQ(kOk, p.files->ReadChar(number, &c));
  EXPECT_EQ(kOk, p.files->Close(number));
  (void)p.clock->SecondsSinceMidnight();  // counted, never named: it cannot fail
  EXPECT_EQ((std::vector<std::string>{"CreateFileA C:\\WINDOWS\\WIN.INI read",
                                      "ReadFile C:\\WINDOWS\\WIN.INI",
                                      "CloseHandle C:\\WINDOWS\\WIN.INI"}),
            faults.distinct_calls());
  EXPECT_EQ(5, faults.call_count());
  EXPECT_TRUE(faults.failed_calls().empty());
}

TEST_F(FaultInjectionTest, ANamedCallFailsTheNextNTimesWithAFailureNotAnAnswer) {
  faults.FailCall("CreateFileA C:\\WINDOWS\\WIN.INI read", 2);
  FileNumber number = -7;
  EXPECT_EQ(kErrorSharingViolation, OpenWinIni(&number));
  EXPECT_EQ(kErrorSharingViolation, OpenWinIni(&number));
  EXPECT_EQ(-7, number);  // untouched by a failed call
  EXPECT_EQ(kOk, OpenWinIni(&number));
  EXPECT_EQ(std::vector<std::string>{"file C:\\WINDOWS\\WIN.INI"}, faults.OpenHandles());

  // A failing close still closes.
  faults.FailCall("CloseHandle C:\\WINDOWS\\WIN.INI");
  EXPECT_EQ(kErrorAccessDenied, p.files->Close(number));
  EXPECT_TRUE(faults.OpenHandles().empty());
  EXPECT_EQ(3u, faults.failed_calls().size());
  EXPECT_TRUE(faults.Failed("CloseHandle"));
}

TEST_F(FaultInjectionTest, OneInNIsRepeatableFromItsSeed) {
  auto run = [&](uint64_t seed) {
    sim::SimMachine m;
    FaultInjection f(m.platform());
    f.FailOneIn(3, seed);
    for (int i = 0; i < 60; ++i) {
      std::string full;
      (void)f.platform().system->GetFullPathName("C:\\F" + std::to_string(i), &full);
    }
    return f.failed_calls();
  };
  EXPECT_EQ(run(1), run(1));
  EXPECT_NE(run(1), run(2));
  EXPECT_GT(run(1).size(), 5u);
  EXPECT_LT(run(1).size(), 40u);
}

TEST_F(FaultInjectionTest, WordObjectsAreWrappedAndCountedWhileTheyLive) {
  std::unique_ptr<WordApplication> word;
  ASSERT_EQ(kOk, p.automation->GetRunningWord("Word.Application", &word));
  std::vector<std::unique_ptr<WordControl>> controls;
  machine.word.Find(1)->normal.menubar = {{1, "File"}, {2, "Docseal"}};
  ASSERT_EQ(kOk, word->CommandBarControls("Menu Bar", &controls));
  EXPECT_EQ(3u, faults.OpenHandles().size());

  faults.FailCall("Word.CommandBars(Menu Bar).Controls(2).Delete");
  EXPECT_EQ(kErrorGenFailure, controls[1]->Delete());
  EXPECT_EQ(kOk, controls[1]->Delete());
  faults.FailCall("Word.NormalTemplate.Save");
  EXPECT_EQ(kErrorGenFailure, word->NormalTemplateSave());

  controls.clear();
  word.reset();
  EXPECT_TRUE(faults.OpenHandles().empty());

  // A failed question about running Words says nothing about them: it is not "none runs".
  faults.FailCall("GetActiveObject Word.Application");
  EXPECT_EQ(kErrorGenFailure, p.automation->GetRunningWord("Word.Application", &word));
  EXPECT_EQ(nullptr, word);
}

TEST_F(FaultInjectionTest, KeysAreNamedByTheirPathsAndKeptUntilClosed) {
  HKey key = 0;
  ASSERT_EQ(kOk,
            p.registry->CreateKey(kHkeyLocalMachine, "Software\\Docseal4", 0, 0x3F, &key, nullptr));
  faults.FailCall("RegSetValueExA HKLM\\Software\\Docseal4 [x]");
  EXPECT_EQ(kErrorAccessDenied, p.registry->SetValue(key, "x", kRegSz, nullptr, 0));
  EXPECT_EQ(std::vector<std::string>{"registry key HKLM\\Software\\Docseal4"},
            faults.OpenHandles());
  EXPECT_EQ(kOk, p.registry->CloseKey(key));
  EXPECT_TRUE(faults.OpenHandles().empty());
}

}  // namespace
}  // namespace vrx
