#include <gtest/gtest.h>

#include "progress/processing_form.h"
#include "startup/program.h"
#include "testing/fault_injection.h"
#include "testing/sim_test_util.h"
#include "wizard/uninstall_form.h"

namespace vrx {
namespace {

using sim::SimMachine;
using sim::testing::SetText;

constexpr const char* kMsWordDefaults = "Software\\Docseal4\\MSWord\\Defaults";

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

TEST_F(MainTest, EmptyCommandLineOpensTheWizardOnItsFirstPage) {
  Install(machine_, "MSWord");
  RegisterWord(machine_, "8.0");
  Install(machine_, "WPWIN8");
  Run("");
  EXPECT_FALSE(state().CommandLineMode);
  EXPECT_TRUE(wizard().visible());
  EXPECT_EQ("Next  >", wizard().cmdNext().Caption());
  EXPECT_FALSE(wizard().cmdNext().Enabled());
  EXPECT_FALSE(wizard().cmdBack().Visible());
  const char* labels[] = {"Microsoft Word 97/2000", "WordPerfect 7", "WordPerfect 8",
                          "WordPerfect 9"};
  const bool enabled[] = {true, false, true, false};
  const char* tags[] = {"MSWORD8", "", "WPWIN8", ""};
  for (int i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(labels[i], wizard().Label1(i).Caption());
    EXPECT_EQ(enabled[i], wizard().Check1(i).Enabled());
    EXPECT_EQ(tags[i], wizard().Check1(i).Tag());
    EXPECT_EQ(0, wizard().Check1(i).Value());
  }
  EXPECT_TRUE(state().Installed[kMsWord]);
  EXPECT_TRUE(state().Installed[kWpWin8]);
  EXPECT_FALSE(state().Installed[kWpWin7]);
  EXPECT_EQ("C:\\WINDOWS\\SYSTEM\\VRXUnInst.EXE", state().SelfPath);
  EXPECT_TRUE(state().IsWinNT);
  EXPECT_FALSE(state().IsWin9x);
  EXPECT_EQ(-1, state().DetailMessagesLast);
}

TEST_F(MainTest, WordsContainingAVariantCodeChooseItAndRunAtOnce) {
  struct Case {
    const char* line;
    bool msword, wp7, wp8, wp9, noreboot;
  };
  const Case cases[] = {
      {"msword", true, false, false, false, false},
      {"/MSWORD", true, false, false, false, false},
      {"-MsWord", true, false, false, false, false},
      {"WPWIN7,WPWIN8", false, true, false, false, false},
      {"MSWORD NOREBOOT", true, false, false, false, true},
      {"MSWORDNOREBOOT", true, false, false, false, false},
      {"wpwin9\tmsword", true, false, false, true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    machine_.transcript = {};
    Run(c.line);
    EXPECT_TRUE(state().CommandLineMode);
    EXPECT_EQ(c.msword, state().Chosen[kMsWord]);
    EXPECT_EQ(c.wp7, state().Chosen[kWpWin7]);
    EXPECT_EQ(c.wp8, state().Chosen[kWpWin8]);
    EXPECT_EQ(c.wp9, state().Chosen[kWpWin9]);
    EXPECT_EQ(c.noreboot, state().NoReboot);
    // The run took place without the wizard ever being shown.
    EXPECT_FALSE(wizard().loaded());
    for (const std::string& line : machine_.transcript.lines()) {
      EXPECT_NE("show UnInstall", line);
    }
  }
}

TEST_F(MainTest, NoRebootAloneOpensTheWizard) {
  Install(machine_, "MSWord");
  RegisterWord(machine_, "8.0");
  Run("NOREBOOT");
  EXPECT_TRUE(state().NoReboot);
  EXPECT_FALSE(state().CommandLineMode);
  EXPECT_TRUE(wizard().visible());
  EXPECT_TRUE(wizard().Check1(0).Enabled());
}

TEST_F(MainTest, CommandLineModeFillsInNoCheckBox) {
  Install(machine_, "MSWord");
  RegisterWord(machine_, "8.0");
  Run("WPWIN7 NOREBOOT");
  EXPECT_TRUE(state().Installed[kMsWord]);  // detection still runs
  bool tagged = false;
  for (const std::string& line : machine_.transcript.lines()) {
    if (line.find("Check1(0).Tag") != std::string::npos) tagged = true;
    EXPECT_EQ(std::string::npos, line.find("Label1(0).Caption")) << line;
  }
  EXPECT_FALSE(tagged);
}

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

TEST_F(MainTest, Windows98SetsTheFamilyFlags) {
  machine_.facts.platform = 1;
  machine_.facts.system = "C:\\WIN98\\SYSTEM";
  machine_.ApplyFacts();
  Run("");
  EXPECT_TRUE(state().IsWin9x);
  EXPECT_FALSE(state().IsWinNT);
  EXPECT_EQ("C:\\WIN98\\SYSTEM\\VRXUnInst.EXE", state().SelfPath);
}

}  // namespace
}  // namespace vrx
