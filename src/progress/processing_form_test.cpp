#include "progress/processing_form.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "platform/sim/sim_test_util.h"
#include "progress/reboot_form.h"
#include "startup/program.h"

namespace vrx {
namespace {

using sim::SimMachine;
using sim::testing::SetDword;
using sim::testing::SetText;

std::string Dword(uint32_t number) {
  std::string data(4, '\0');
  for (int i = 0; i < 4; ++i) data[static_cast<size_t>(i)] = static_cast<char>(number >> (8 * i));
  return data;
}

class ProcessingTest : public ::testing::Test {
 protected:
  void SetUp() override { program_ = std::make_unique<Program>(machine_.platform()); }
  ProgramState& s() { return program_->state; }
  ProcessingForm& form() { return program_->Processing(); }
  // The window as the run leaves it when it has finished.
  void FinishRun() {
    form().Show();
    form().cmdExit().SetVisible(true);
    form().lblMsg().SetCaption("Uninstall complete.");
    if (s().HasDetails || s().NeedsRestart) form().cmdDetails().SetVisible(true);
  }
  const sim::SimValue* RebootValue() const {
    const sim::SimKey* key = machine_.registry.FindKey(kHkeyClassesRoot, kProgrammableKey);
    return key == nullptr ? nullptr : key->FindValue("Reboot");
  }
  size_t LineIndex(const std::string& line) const {
    const std::vector<std::string>& lines = machine_.transcript.lines();
    return static_cast<size_t>(std::find(lines.begin(), lines.end(), line) - lines.begin());
  }

  SimMachine machine_;
  std::unique_ptr<Program> program_;
};

TEST_F(ProcessingTest, QuietRunShowsOnlyExitWhichWritesZeroAndEndsTheProgram) {
  FinishRun();
  EXPECT_TRUE(form().cmdExit().Visible());
  EXPECT_FALSE(form().cmdDetails().Visible());
  form().cmdExit_Click();
  ASSERT_NE(nullptr, RebootValue());
  EXPECT_EQ(kRegDword, RebootValue()->type);
  EXPECT_EQ(Dword(0), RebootValue()->data);
  EXPECT_FALSE(form().loaded());
  EXPECT_FALSE(program_->Reboot().loaded());
  EXPECT_FALSE(program_->AnyFormLoaded());
  EXPECT_EQ(0u, machine_.registry.OpenHandleCount());
}

TEST_F(ProcessingTest, ExitRecordsTheRestartNeedAndPromptsOnlyWithoutNoReboot) {
  struct Case {
    bool needs_restart;
    bool no_reboot;
    uint32_t value;
    bool prompt;
  };
  const Case cases[] = {{true, false, 1, true},
                        {true, true, 1, false},
                        {false, true, 0, false},
                        {false, false, 0, false}};
  for (const Case& c : cases) {
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
    const sim::SimKey* key = m.registry.FindKey(kHkeyClassesRoot, kProgrammableKey);
    ASSERT_NE(nullptr, key);
    ASSERT_NE(nullptr, key->FindValue("Reboot"));
    EXPECT_EQ(kRegDword, key->FindValue("Reboot")->type);
    EXPECT_EQ(Dword(c.value), key->FindValue("Reboot")->data);
    EXPECT_EQ("kept", sim::testing::Text(m, kHkeyClassesRoot, kProgrammableKey, "Other"));
    EXPECT_FALSE(program.Processing().loaded());
    EXPECT_EQ(c.prompt, program.Reboot().loaded());
    EXPECT_EQ(c.prompt, program.Reboot().visible());
    EXPECT_EQ(c.prompt, program.AnyFormLoaded());
    EXPECT_EQ(0u, m.registry.OpenHandleCount());
  }
}

TEST_F(ProcessingTest, PromptOpensAfterTheWindowClosed) {
  s().NeedsRestart = true;
  FinishRun();
  EXPECT_TRUE(form().cmdDetails().Visible());
  form().cmdExit_Click();
  const size_t unloaded = LineIndex("unload Processing");
  const size_t shown = LineIndex("show Reboot");
  ASSERT_LT(shown, machine_.transcript.lines().size());
  EXPECT_LT(unloaded, shown);
}

TEST_F(ProcessingTest, DetailsListsTheLinesInOrderOnceAndEnlargesTheWindow) {
  s().AppendDetail("C:\\WINDOWS\\SYSTEM\\FUNCKY60.DLL will be removed at the next restart.");
  s().AppendDetail("C:\\Docseal must be removed by hand.");
  s().DetailMessages.push_back("beyond the last line");
  FinishRun();
  ASSERT_TRUE(form().cmdDetails().Visible());
  form().cmdDetails_Click();
  EXPECT_EQ((std::vector<std::string>{
                "C:\\WINDOWS\\SYSTEM\\FUNCKY60.DLL will be removed at the next restart.",
                "C:\\Docseal must be removed by hand."}),
            form().lstDetails().Items());
  EXPECT_EQ(4770, form().geometry().height);
  EXPECT_EQ(8025, form().geometry().width);
  EXPECT_FALSE(form().cmdDetails().Enabled());
  EXPECT_TRUE(form().cmdExit().Enabled());
  EXPECT_TRUE(form().loaded());
}

TEST_F(ProcessingTest, EmptyDetailListAddsNothing) {
  s().DetailMessages = {"stale"};
  ASSERT_EQ(-1, s().DetailMessagesLast);
  FinishRun();
  form().cmdDetails_Click();
  EXPECT_TRUE(form().lstDetails().Items().empty());
  EXPECT_EQ(4770, form().geometry().height);
  EXPECT_FALSE(form().cmdDetails().Enabled());
}

TEST_F(ProcessingTest, LayoutAsDesigned) {
  EXPECT_EQ("Processing", form().name());
  EXPECT_EQ("Processing Uninstall", form().Caption());
  EXPECT_EQ(8025, form().ClientWidth());
  EXPECT_EQ(1275, form().ClientHeight());
  struct Expected {
    const char* name;
    Geometry at;
    const char* caption;
    bool visible;
  };
  const Expected expected[] = {
      {"cmdExit", {6360, 840, 1335, 375}, "Exit", false},
      {"lblMsg", {120, 480, 7815, 255}, "", true},
      {"cmdDetails", {5040, 840, 1215, 375}, "Details", false},
      {"lstDetails", {120, 1440, 7815, 2790}, "", true},
      {"ProgressBar1", {120, 0, 7815, 375}, "", true},
  };
  const auto& controls = form().controls();
  ASSERT_EQ(std::size(expected), controls.size());
  for (size_t i = 0; i < controls.size(); ++i) {
    const Expected& e = expected[i];
    const Control& c = *controls[i];
    SCOPED_TRACE(e.name);
    EXPECT_EQ(e.name, c.name());
    EXPECT_EQ(e.at.left, c.geometry().left);
    EXPECT_EQ(e.at.top, c.geometry().top);
    EXPECT_EQ(e.at.width, c.geometry().width);
    EXPECT_EQ(e.at.height, c.geometry().height);
    EXPECT_EQ(e.caption, c.Caption());
    EXPECT_EQ(e.visible, c.Visible());
    EXPECT_TRUE(c.Enabled());
  }
  EXPECT_EQ(ControlKind::kProgressBar, form().ProgressBar1().kind());
  EXPECT_EQ(100.0f, form().ProgressBar1().Max());
  EXPECT_EQ(0.0f, form().ProgressBar1().ProgressValue());
  EXPECT_TRUE(form().lstDetails().Items().empty());
}

TEST_F(ProcessingTest, ProgressBarRefusesAValueAboveMax) {
  Control& bar = form().ProgressBar1();
  ASSERT_TRUE(bar.SetMax(200));
  ASSERT_TRUE(bar.SetProgressValue(150));
  EXPECT_FALSE(bar.SetProgressValue(200.5f));
  EXPECT_EQ(150.0f, bar.ProgressValue());
  EXPECT_TRUE(bar.SetProgressValue(200));
  EXPECT_EQ(200.0f, bar.ProgressValue());
}

}  // namespace
}  // namespace vrx
