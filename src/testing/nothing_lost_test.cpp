// The checks of testing/nothing_lost.h catch each kind of loss: a clean run passes them, and the
// same run with one thing of the user's taken away afterwards fails them with one line.
#include "testing/nothing_lost.h"

#include <gtest/gtest.h>

#include <memory>

#include "progress/processing_form.h"
#include "testing/fault_injection.h"
#include "testing/sim_test_util.h"

namespace vrx {
namespace {

using sim::SimMachine;

class NothingLostTest : public ::testing::Test {
 protected:
  NothingLostTest() {
    std::string error;
    EXPECT_TRUE(sim::LoadMachineImage(sim::testing::Sample("nt-word"), &before, &error)) << error;
    EXPECT_TRUE(before.files.AddFile("C:\\WINNT\\Wininit.ini", "[RENAME]\r\nNUL=C:\\A.TMP\r\n"));
    EXPECT_TRUE(before.files.AddFile("C:\\Program Files\\Docseal\\Stamps\\MINE.STB", "mine"));
    before.word.facts.running = 1;
    before.word.StartRunningInstances();
    sim::CopyMachine(before, &after);
    faults = std::make_unique<FaultInjection>(after.platform());
    program = std::make_unique<Program>(faults->platform());
    after.ui.answers = {kIdNo, kIdNo, kIdNo};
    Main(*program, "MSWORD NOREBOOT");
  }

  std::vector<std::string> Check() { return CheckNothingLost(before, after, *program, *faults); }

  SimMachine before;
  SimMachine after;
  std::unique_ptr<FaultInjection> faults;
  std::unique_ptr<Program> program;
};

TEST_F(NothingLostTest, ACleanRunPasses) {
  EXPECT_EQ(std::vector<std::string>{}, Check());
  // The run did take the add-in's own away.
  EXPECT_FALSE(after.files.Exists("C:\\Program Files\\Docseal\\Stamps\\DRAFT.STB"));
}

TEST_F(NothingLostTest, EachLossIsNamed) {
  ASSERT_EQ(kOk, after.files.DeleteFile("C:\\Program Files\\Docseal\\Stamps\\MINE.STB"));
  after.registry
      .FindKey(kHkeyLocalMachine, "Software\\Microsoft\\Office\\8.0\\Common\\InstallRoot")
      ->DeleteValue("OfficeBin");
  ASSERT_TRUE(after.files.AddFile("C:\\WINNT\\Wininit.ini", "NUL=C:\\A.TMP\r\n[RENAME]\r\n"));
  after.transcript.Add("word 1 NormalTemplate.Save -> saved");
  HKey left_open = 0;
  ASSERT_EQ(kOk,
            faults->platform().registry->OpenKey(kHkeyLocalMachine, "Software", 0x3F, &left_open));
  EXPECT_EQ((std::vector<std::string>{
                "file deleted: C:\\Program Files\\Docseal\\Stamps\\MINE.STB",
                "registry value deleted: HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Office\\8.0\\"
                "Common\\InstallRoot [OfficeBin]",
                "Wininit.ini lost the line \"NUL=C:\\A.TMP\"",
                "the user's Word was touched: word 1 NormalTemplate.Save -> saved",
                "left open: registry key HKLM\\Software", "registry keys left open"}),
            Check());
}

TEST_F(NothingLostTest, AFileInAFolderTheUserSaidYesToMayGo) {
  // The user said No: the stamp of their own stays. Had they said Yes, it could go.
  ASSERT_EQ(kOk, after.files.DeleteFile("C:\\Program Files\\Docseal\\Stamps\\MINE.STB"));
  ASSERT_EQ(1u, Check().size());
  faults->Asked("Directory not empty C:\\PROGRA~1\\Docseal\\Stamps\rDo you want me to remove it?",
                kIdYes);
  EXPECT_EQ(std::vector<std::string>{}, Check());
}

TEST_F(NothingLostTest, ARunThatDidNotEndIsNamed) {
  program->Processing().lblMsg().SetCaption("Removing Docseal from Microsoft Word\xAE.....");
  EXPECT_EQ(std::vector<std::string>{"the run ended on \"Removing Docseal from Microsoft "
                                     "Word\xAE.....\""},
            Check());
}

}  // namespace
}  // namespace vrx
