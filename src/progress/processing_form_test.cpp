#include "progress/processing_form.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "progress/reboot_form.h"
#include "startup/program.h"
#include "testing/sim_test_util.h"

namespace vrx {
namespace {

using sim::SimMachine;
using sim::testing::SetDword;
using sim::testing::SetText;

// A control as "name left,top,width,height "caption" flags".
std::string Describe(const Control& c) {
  const Geometry& g = c.geometry();
  return c.name() + " " + std::to_string(g.left) + "," + std::to_string(g.top) + "," +
         std::to_string(g.width) + "," + std::to_string(g.height) + " \"" + c.Caption() + "\"" +
         (c.Visible() ? "" : " hidden") + (c.Enabled() ? "" : " disabled");
}

TEST(ProcessingForm, LayoutAsDesigned) {
  SimMachine m;
  Program program(m.platform());
  ProcessingForm& form = program.Processing();
  EXPECT_EQ("Processing Uninstall", form.Caption());
  EXPECT_EQ(8025, form.ClientWidth());
  EXPECT_EQ(1275, form.ClientHeight());
  std::vector<std::string> controls;
  for (const auto& c : form.controls()) controls.push_back(Describe(*c));
  EXPECT_EQ((std::vector<std::string>{
                "cmdExit 6360,840,1335,375 \"Exit\" hidden", "lblMsg 120,480,7815,255 \"\"",
                "cmdDetails 5040,840,1215,375 \"Details\" hidden",
                "lstDetails 120,1440,7815,2790 \"\"", "ProgressBar1 120,0,7815,375 \"\""}),
            controls);
  EXPECT_EQ(ControlKind::kProgressBar, form.ProgressBar1().kind());
  EXPECT_EQ(100.0f, form.ProgressBar1().Max());
}

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

}  // namespace
}  // namespace vrx
