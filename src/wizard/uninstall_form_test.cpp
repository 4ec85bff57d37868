#include "wizard/uninstall_form.h"

#include <gtest/gtest.h>

#include <optional>

#include "progress/processing_form.h"
#include "state/program.h"
#include "testing/sim_test_util.h"

namespace vrx {
namespace {

using sim::SimMachine;
using sim::testing::SetText;

class WizardTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* key : {"MSWord", "WPWIN7", "WPWIN8", "WPWIN9"}) {
      SetText(machine_, kHkeyLocalMachine, std::string("Software\\Docseal4\\") + key + "\\Defaults",
              "Source Directory", "C:\\S");
    }
    SetText(machine_, kHkeyLocalMachine, "Software\\Microsoft\\Office\\8.0\\Word\\InstallRoot",
            "Path", "C:\\Office");
    program_ = std::make_unique<Program>(machine_.platform());
    Main(*program_, "");
  }
  UnInstallForm& w() { return program_->UnInstall(); }
  // The user's clicks.
  void Click(Control& control, std::optional<int> box_value = std::nullopt) {
    EXPECT_EQ(ClickOutcome::kClicked, w().UserClick(control, box_value)) << control.QualifiedName();
  }
  void Tick(int i) { Click(w().Check1(i), 1); }

  SimMachine machine_;
  std::unique_ptr<Program> program_;
};

TEST_F(WizardTest, NextIsEnabledExactlyWhileABoxIsTicked) {
  EXPECT_FALSE(w().cmdNext().Enabled());
  Click(w().Check1(2));  // a click toggles the box
  EXPECT_EQ(1, w().Check1(2).Value());
  EXPECT_TRUE(w().cmdNext().Enabled());
  Tick(0);
  Tick(0);  // a script's "tick" of a ticked box leaves it ticked
  Click(w().Check1(2));
  EXPECT_EQ(0, w().Check1(2).Value());
  EXPECT_TRUE(w().cmdNext().Enabled());
  Click(w().Check1(0));
  EXPECT_FALSE(w().cmdNext().Enabled());
}

TEST_F(WizardTest, UserClicksNeedTheWindowShownAndTheControlUsable) {
  EXPECT_EQ(ClickOutcome::kControlHidden, w().UserClick(w().cmdBack()));
  EXPECT_EQ(ClickOutcome::kControlDisabled, w().UserClick(w().cmdNext()));
  EXPECT_EQ(ClickOutcome::kLabel, w().UserClick(w().LblMsg1()));
  w().Hide();
  EXPECT_EQ(ClickOutcome::kFormHidden, w().UserClick(w().Check1(0)));
  EXPECT_EQ(0, w().Check1(0).Value()) << "a refused click leaves the box";
  w().Unload();
  EXPECT_EQ(ClickOutcome::kFormNotLoaded, w().UserClick(w().cmdCancel()));
  w().Load();
  EXPECT_EQ(ClickOutcome::kFormHidden, w().UserClick(w().cmdCancel())) << "loaded, not shown";
  EXPECT_EQ(&w().cmdCancel(), w().close_control()) << "the close box's, made afresh";
  w().Show();
  Click(w().cmdCancel());
  EXPECT_FALSE(w().loaded());
}

TEST_F(WizardTest, ConfirmationPageShowsOnlyTheTickedVariants) {
  Tick(1);
  Tick(3);
  Click(w().cmdNext());
  EXPECT_EQ("Finish", w().cmdNext().Caption());
  EXPECT_EQ("Click on Finish to Uninstall Docseal for:", w().LblMsg1().Caption());
  EXPECT_TRUE(w().cmdBack().Visible());
  EXPECT_TRUE(w().cmdBack().Enabled());
  for (int i : {0, 2}) {
    EXPECT_FALSE(w().Check1(i).Visible()) << i;
    EXPECT_FALSE(w().Label1(i).Visible()) << i;
  }
  for (int i : {1, 3}) {
    EXPECT_TRUE(w().Check1(i).Visible()) << i;
    EXPECT_TRUE(w().Label1(i).Visible()) << i;
    EXPECT_FALSE(w().Check1(i).Enabled()) << i;
    EXPECT_EQ(1, w().Check1(i).Value()) << i;
  }
}

TEST_F(WizardTest, BackKeepsTheTicksAndNextReachesTheSamePageAgain) {
  Tick(1);
  Click(w().cmdNext());
  Click(w().cmdBack());
  EXPECT_EQ("Select the Software to Uninstall:", w().LblMsg1().Caption());
  EXPECT_EQ("Next  >", w().cmdNext().Caption());
  EXPECT_FALSE(w().cmdBack().Visible());
  EXPECT_FALSE(w().cmdBack().Enabled());
  EXPECT_TRUE(w().cmdNext().Enabled());
  for (int i = 0; i < 4; ++i) {
    EXPECT_TRUE(w().Check1(i).Visible()) << i;
    EXPECT_TRUE(w().Check1(i).Enabled()) << i;
  }
  EXPECT_EQ(1, w().Check1(1).Value());
  Click(w().cmdNext());
  EXPECT_EQ("Finish", w().cmdNext().Caption());
  EXPECT_FALSE(w().Check1(0).Visible());
  EXPECT_TRUE(w().Check1(1).Visible());
}

TEST_F(WizardTest, NextWithNothingTickedStaysOnTheSelectionPage) {
  w().cmdNext_Click();
  EXPECT_EQ("Next  >", w().cmdNext().Caption());
  EXPECT_EQ("Uninstall Docseal from the following:", w().LblMsg1().Caption());
  EXPECT_TRUE(w().cmdBack().Visible());
}

TEST_F(WizardTest, ACaptionOfNeitherPageDoesNothing) {
  Tick(0);
  w().cmdNext().SetCaption("Next >");
  w().cmdNext_Click();
  EXPECT_EQ("Next >", w().cmdNext().Caption());
  EXPECT_FALSE(w().cmdBack().Visible());
  EXPECT_TRUE(w().Check1(1).Visible());
  EXPECT_FALSE(program_->Processing().loaded());
}

TEST_F(WizardTest, BackEnablesTheWordBoxWheneverWordIsInstalled) {
  // Word 2000 only: Main leaves the box disabled and untagged; Back enables it.
  SimMachine machine;
  SetText(machine, kHkeyLocalMachine, "Software\\Docseal4\\MSWord\\Defaults", "Source Directory",
          "C:\\S");
  SetText(machine, kHkeyLocalMachine, "Software\\Microsoft\\Office\\9.0\\Word\\InstallRoot", "Path",
          "C:\\Office");
  SetText(machine, kHkeyLocalMachine, "Software\\Docseal4\\WPWIN7\\Defaults", "Source Directory",
          "C:\\S");
  Program program(machine.platform());
  Main(program, "");
  UnInstallForm& wizard = program.UnInstall();
  EXPECT_FALSE(wizard.Check1(0).Enabled());
  wizard.Check1(1).SetValue(1);
  wizard.Check1_Click(1);
  wizard.cmdNext_Click();
  wizard.cmdBack_Click();
  EXPECT_TRUE(wizard.Check1(0).Enabled());
  EXPECT_FALSE(wizard.Check1(2).Enabled());
  EXPECT_EQ("", wizard.Check1(0).Tag());
  // Ticked, it enables Next but chooses nothing in the run.
  wizard.Check1(1).SetValue(0);
  wizard.Check1(0).SetValue(1);
  wizard.Check1_Click(0);
  EXPECT_TRUE(wizard.cmdNext().Enabled());
  wizard.cmdNext_Click();
  wizard.cmdNext_Click();
  EXPECT_FALSE(program.state.Chosen[kMsWord]);
  EXPECT_FALSE(program.state.ChosenAll);
}

}  // namespace
}  // namespace vrx
