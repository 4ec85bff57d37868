// The start of the program where a case (tests/cases/startup.case) cannot reach: the words of
// the command line, a second copy, an unknown platform, values that are blank or missing.
#include <gtest/gtest.h>

#include "progress/processing_form.h"
#include "state/program.h"
#include "testing/fault_injection.h"
#include "testing/sim_test_util.h"
#include "wizard/uninstall_form.h"

namespace vrx {
namespace {

using sim::SimMachine;
using sim::testing::SetText;

void Install(SimMachine& m, const std::string& variant_key, const std::string& source = "C:\\S") {
  SetText(m, kHkeyLocalMachine, "Software\\Docseal4\\" + variant_key + "\\Defaults",
          "Source Directory", source);
}

void RegisterWord(SimMachine& m, const char* version) {
  SetText(m, kHkeyLocalMachine,
          std::string("Software\\Microsoft\\Office\\") + version + "\\Word\\InstallRoot", "Path",
          "C:\\Office");
}

TEST(SplitCommandLine, BlanksAndTabsSeparateWordsInUpperCase) {
  EXPECT_EQ((std::vector<std::string>{"MSWORD", "NOREBOOT"}),
            SplitCommandLine("  msword \t\t NoReboot  "));
  EXPECT_EQ((std::vector<std::string>{"WPWIN7,WPWIN8"}), SplitCommandLine("WPWIN7,WPWIN8"));
  EXPECT_EQ((std::vector<std::string>{"\"A", "B\""}), SplitCommandLine("\"a b\""));
  EXPECT_TRUE(SplitCommandLine("").empty());
  EXPECT_TRUE(SplitCommandLine(" \t ").empty());
}

class MainTest : public ::testing::Test {
 protected:
  void Run(const std::string& command_line) {
    program_ = std::make_unique<Program>(machine_.platform());
    Main(*program_, command_line);
  }
  ProgramState& state() { return program_->state; }
  UnInstallForm& wizard() { return program_->UnInstall(); }

  SimMachine machine_;
  std::unique_ptr<Program> program_;
};

TEST_F(MainTest, SecondCopyShowsTheMessageAndLoadsNothing) {
  machine_.facts.another_instance = true;
  Run("MSWORD");
  EXPECT_FALSE(program_->AnyFormLoaded());
  ASSERT_FALSE(machine_.transcript.lines().empty());
  EXPECT_EQ("msgbox \"You cannot start more than one copy\" style 0 title \"VRXUnInst\" -> ok",
            machine_.transcript.lines().front());
  EXPECT_FALSE(state().Chosen[kMsWord]);
}

TEST_F(MainTest, UnknownPlatformEndsSilently) {
  for (int platform : {0, 3}) {
    machine_.facts.platform = platform;
    machine_.transcript = {};
    Run("MSWORD");
    EXPECT_FALSE(program_->AnyFormLoaded());
    EXPECT_TRUE(machine_.transcript.lines().empty());
  }
}

TEST_F(MainTest, FailedVersionQueryEndsSilently) {
  FaultInjection faults(machine_.platform());
  faults.FailCall("GetVersionExA");
  program_ = std::make_unique<Program>(faults.platform());
  Main(*program_, "");
  EXPECT_FALSE(program_->AnyFormLoaded());
  EXPECT_EQ(std::vector<std::string>{"GetVersionExA"}, faults.failed_calls());
}

TEST_F(MainTest, DetectionNeedsANonBlankSourceDirectory) {
  Install(machine_, "WPWIN7", "   ");
  Install(machine_, "WPWIN8", "");
  Install(machine_, "WPWIN9", " C:\\WP9 ");
  Run("");
  EXPECT_FALSE(state().Installed[kWpWin7]);
  EXPECT_FALSE(state().Installed[kWpWin8]);
  EXPECT_TRUE(state().Installed[kWpWin9]);
  EXPECT_FALSE(wizard().Check1(1).Enabled());
  EXPECT_TRUE(wizard().Check1(3).Enabled());
}

TEST_F(MainTest, Word2000WithoutWord97LeavesTheBoxDisabledAndUntagged) {
  Install(machine_, "MSWord");
  RegisterWord(machine_, "9.0");
  Run("");
  EXPECT_TRUE(state().Installed[kMsWord]);
  EXPECT_TRUE(state().Word2000Found);
  EXPECT_FALSE(wizard().Check1(0).Enabled());
  EXPECT_EQ("", wizard().Check1(0).Tag());
}

TEST_F(MainTest, WordKeysAreNotReadWithoutTheWordVariant) {
  RegisterWord(machine_, "9.0");
  Run("");
  EXPECT_FALSE(state().Installed[kMsWord]);
  EXPECT_FALSE(state().Word2000Found);
}

TEST_F(MainTest, NothingInstalledStillOpensTheWizardWithEveryBoxDisabled) {
  Run("");
  EXPECT_TRUE(wizard().visible());
  for (int i = 0; i < 4; ++i) EXPECT_FALSE(wizard().Check1(i).Enabled()) << i;
}

TEST_F(MainTest, ChosenButNotInstalledVariantIsStillChosen) {
  Run("WPWIN8 NOREBOOT");
  EXPECT_TRUE(state().Chosen[kWpWin8]);
  EXPECT_FALSE(state().Installed[kWpWin8]);
  EXPECT_TRUE(state().ChosenAll);  // nothing installed: every installed variant is chosen
  EXPECT_FALSE(program_->AnyFormLoaded());
}

}  // namespace
}  // namespace vrx
