#include "progress/processing_form.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "progress/reboot_form.h"
#include "state/program.h"
#include "testing/sim_test_util.h"

namespace vrx {
namespace {

using sim::SimMachine;
using sim::testing::SetDword;
using sim::testing::SetText;

TEST(ProcessingForm, ExitRecordsTheRestartNeedAndPromptsOnlyWithoutNoReboot) {
  struct Case {
    bool needs_restart;
    bool no_reboot;
    bool prompt;
  };
  for (const Case& c : {Case{true, false, true}, Case{true, true, false}, Case{false, true, false},
                        Case{false, false, false}}) {
    SCOPED_TRACE(::testing::Message()
                 << "NeedsRestart " << c.needs_restart << " NoReboot " << c.no_reboot);
    SimMachine m;
    // An existing key keeps what it holds; the value is overwritten.
    SetDword(m, kHkeyClassesRoot, kProgrammableKey, "Reboot", 7);
    SetText(m, kHkeyClassesRoot, kProgrammableKey, "Other", "kept");
    Program program(m.platform());
    program.state.NeedsRestart = c.needs_restart;
    program.state.NoReboot = c.no_reboot;
    program.Processing().Show();
    program.Processing().cmdExit_Click();
    const sim::SimValue* reboot =
        m.registry.FindKey(kHkeyClassesRoot, kProgrammableKey)->FindValue("Reboot");
    ASSERT_NE(nullptr, reboot);
    EXPECT_EQ(kRegDword, reboot->type);
    EXPECT_EQ(std::string(c.needs_restart ? "\x01" : "\x00", 1) + std::string(3, '\0'),
              reboot->data);
    EXPECT_EQ("kept", sim::testing::Text(m, kHkeyClassesRoot, kProgrammableKey, "Other"));
    EXPECT_FALSE(program.Processing().loaded());
    EXPECT_EQ(c.prompt, program.Reboot().visible());
    EXPECT_EQ(c.prompt, program.AnyFormLoaded());
    EXPECT_EQ(0u, m.registry.OpenHandleCount());
    // The prompt opens after the window has closed.
    const std::vector<std::string>& lines = m.transcript.lines();
    const auto shown = std::find(lines.begin(), lines.end(), "show Reboot");
    EXPECT_EQ(c.prompt, shown != lines.end());
    EXPECT_LT(std::find(lines.begin(), lines.end(), "unload Processing"), shown);
  }
  // A machine without the key gets it.
  SimMachine m;
  Program program(m.platform());
  program.Processing().cmdExit_Click();
  const sim::SimKey* key = m.registry.FindKey(kHkeyClassesRoot, kProgrammableKey);
  ASSERT_NE(nullptr, key);
  ASSERT_NE(nullptr, key->FindValue("Reboot"));
  EXPECT_EQ(std::string(4, '\0'), key->FindValue("Reboot")->data);
}

TEST(ProcessingForm, DetailsListsTheLinesInOrderOnceAndEnlargesTheWindow) {
  SimMachine m;
  Program program(m.platform());
  ProcessingForm& form = program.Processing();
  form.Show();
  program.state.AppendDetail("C:\\WINDOWS\\SYSTEM\\FUNCKY60.DLL file may be in use.");
  program.state.AppendDetail("C:\\Docseal You must manually remove this directory.");
  program.state.AppendDetail("third");
  program.state.DetailMessages.push_back("beyond the last line");
  form.cmdDetails_Click();
  EXPECT_EQ(
      (std::vector<std::string>{"C:\\WINDOWS\\SYSTEM\\FUNCKY60.DLL file may be in use.",
                                "C:\\Docseal You must manually remove this directory.", "third"}),
      form.lstDetails().Items());
  EXPECT_EQ(4770, form.geometry().height);
  EXPECT_EQ(8025, form.geometry().width);
  EXPECT_FALSE(form.cmdDetails().Enabled());
  EXPECT_TRUE(form.cmdExit().Enabled());
  EXPECT_TRUE(form.loaded());
}

// The simulator's transcript: a text quoted and escaped, numbers as printed, and no line for a
// change to what is already shown (a fraction that prints alike counts as shown).
TEST(ProcessingForm, TheTranscriptWritesEachChangeOnceInItsOwnFormat) {
  SimMachine m;
  Program program(m.platform());
  ProcessingForm& form = program.Processing();
  form.Show();
  m.transcript = {};
  form.lblMsg().SetCaption("");
  form.lblMsg().SetCaption("say \"hi\"\r\n");
  form.cmdExit().SetVisible(false);
  form.cmdExit().SetVisible(true);
  form.SetHeight(4770);
  form.SetFocus();
  form.ProgressBar1().SetMax(300);
  form.ProgressBar1().SetProgressValue(100.0f / 3);
  form.ProgressBar1().SetProgressValue(33.33334f);
  form.lstDetails().AddItem("twice");
  form.lstDetails().AddItem("twice");
  EXPECT_EQ(
      (std::vector<std::string>{
          "set Processing.lblMsg.Caption = \"say \\\"hi\\\"\\r\\n\"",
          "set Processing.cmdExit.Visible = true", "set Processing.Height = 4770",
          "set Processing.ProgressBar1.Max = 300", "set Processing.ProgressBar1.Value = 33.3333",
          "set Processing.lstDetails.AddItem = \"twice\"",
          "set Processing.lstDetails.AddItem = \"twice\""}),
      m.transcript.lines());
}

}  // namespace
}  // namespace vrx
