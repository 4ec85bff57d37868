#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/sim/sim_test_util.h"
#include "progress/reboot_form.h"
#include "progress/reboot_logic.h"
#include "startup/program.h"

namespace vrx {
namespace {

using sim::SimMachine;
using sim::testing::SetText;

const char kOpenToken[] = "token open access 40 -> ok";
const char kLookup[] = "token lookup \"SeShutdownPrivilege\" -> ok";
const char kAdjust[] = "token adjust attributes 2 length 16 -> ok";
const char kRestart[] = "exitwindows flags 3 reason 4294967295 -> ok";

// The restart prompt open on a machine of the given platform family (1 Windows 95/98, 2 NT).
struct Rig {
  explicit Rig(int platform, void (*facts)(sim::SystemFacts&) = nullptr) {
    m.facts.platform = platform;
    if (facts != nullptr) facts(m.facts);
    m.ApplyFacts();
    program = std::make_unique<Program>(m.platform());
    program->state.IsWin9x = platform == 1;
    program->state.IsWinNT = platform == 2;
    form().Show();
    m.transcript = {};
  }
  RebootForm& form() { return program->Reboot(); }
  bool Saw(const std::string& prefix) const {
    for (const std::string& line : m.transcript.lines()) {
      if (line.rfind(prefix, 0) == 0) return true;
    }
    return false;
  }

  SimMachine m;
  std::unique_ptr<Program> program;
};

// Everything the machine holds, to compare before and after.
std::string Snapshot(const SimMachine& m) {
  std::string out;
  m.registry.ForEachKey([&](HKey hive, const std::string& path, const sim::SimKey& key) {
    out += std::to_string(hive) + "\\" + path + "\n";
    for (const sim::SimValue& v : key.values()) {
      out += " " + v.name + " " + std::to_string(v.type) + " " + v.data + "\n";
    }
  });
  for (const sim::EntryInfo& e : m.files.Entries()) {
    out += e.path + " " + std::to_string(e.attributes) + " " +
           m.files.Contents(e.path).value_or("<folder>") + "\n";
  }
  for (const std::string& path : m.system.pending) out += "pending " + path + "\n";
  return out;
}

TEST(RebootRestart, Win9xAsksWindowsDirectlyWithoutTokenCalls) {
  Rig r(1);
  r.form().cmdRestart_Click();
  EXPECT_EQ(std::vector<std::string>{kRestart}, r.m.transcript.lines());
  EXPECT_TRUE(r.m.system.restart_requested);
}

TEST(RebootRestart, NtEnablesThePrivilegeRestartsAndClosesTheToken) {
  Rig r(2);
  r.form().cmdRestart_Click();
  EXPECT_EQ((std::vector<std::string>{kOpenToken, kLookup, kAdjust, kRestart}),
            r.m.transcript.lines());
  EXPECT_TRUE(r.m.system.shutdown_privilege_enabled());
  EXPECT_TRUE(r.m.system.restart_requested);
  EXPECT_TRUE(r.m.system.open_tokens().empty());
}

TEST(RebootRestart, NtWithoutThePrivilegeRequestsNoRestartAndKeepsThePrompt) {
  struct Case {
    const char* what;
    void (*facts)(sim::SystemFacts&);
  };
  const Case cases[] = {
      {"token refused", [](sim::SystemFacts& f) { f.open_token = false; }},
      {"lookup refused", [](sim::SystemFacts& f) { f.lookup_privilege = false; }},
      {"adjust refused", [](sim::SystemFacts& f) { f.adjust_privileges = false; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Rig r(2, c.facts);
    r.form().cmdRestart_Click();
    EXPECT_FALSE(r.Saw("exitwindows"));
    EXPECT_FALSE(r.m.system.restart_requested);
    EXPECT_TRUE(r.form().loaded());
    EXPECT_TRUE(r.form().visible());
    EXPECT_TRUE(r.m.system.open_tokens().empty());
    EXPECT_FALSE(EnableShutdownPrivilege(*r.program));
  }
}

TEST(RebootRestart, RefusedRestartLeavesThePromptForDontRestart) {
  Rig r(2, [](sim::SystemFacts& f) { f.exit_windows = false; });
  r.form().cmdRestart_Click();
  EXPECT_TRUE(r.Saw("exitwindows flags 3 reason 4294967295 -> refused"));
  EXPECT_TRUE(r.form().loaded());
  r.form().cmdLater_Click();
  EXPECT_FALSE(r.program->AnyFormLoaded());
}

TEST(RebootLater, DontRestartEndsTheProgramTouchingNothing) {
  Rig r(2);
  SetText(r.m, kHkeyLocalMachine, "Software\\Docseal4", "Version", "4.0");
  ASSERT_TRUE(r.m.files.AddFile("C:\\WINDOWS\\Wininit.ini", "[RENAME]\r\n"));
  r.m.system.pending = {"C:\\WINDOWS\\SYSTEM\\VRXUNI~1.EXE"};
  const std::string before = Snapshot(r.m);
  r.form().cmdLater_Click();
  EXPECT_EQ(std::vector<std::string>{"unload Reboot"}, r.m.transcript.lines());
  EXPECT_EQ(before, Snapshot(r.m));
  EXPECT_FALSE(r.m.system.restart_requested);
  EXPECT_FALSE(r.program->AnyFormLoaded());
  EXPECT_EQ(0u, r.m.registry.OpenHandleCount());
}

TEST(RebootLayout, CaptionsPlacesAndTabOrder) {
  Rig r(2);
  EXPECT_EQ("Reboot", r.form().name());
  EXPECT_EQ("Finished", r.form().Caption());
  EXPECT_EQ(4680, r.form().ClientWidth());
  EXPECT_EQ(1680, r.form().ClientHeight());
  struct Expected {
    const char* name;
    ControlKind kind;
    Geometry at;
    const char* caption;
  };
  const Expected expected[] = {
      {"Label1",
       ControlKind::kLabel,
       {120, 120, 4455, 255},
       "The uninstaller has finished removing files from your computer."},
      {"Label2",
       ControlKind::kLabel,
       {120, 480, 4335, 495},
       "You should restart your computer to remove any files that were in use during the "
       "uninstall."},
      {"cmdRestart", ControlKind::kButton, {2760, 1200, 1455, 375}, "Restart Now"},
      {"cmdLater", ControlKind::kButton, {600, 1200, 1335, 375}, "Don't Restart"},
  };
  const auto& controls = r.form().controls();
  ASSERT_EQ(std::size(expected), controls.size());
  for (size_t i = 0; i < controls.size(); ++i) {
    const Expected& e = expected[i];
    const Control& c = *controls[i];
    SCOPED_TRACE(e.name);
    EXPECT_EQ(e.name, c.name());
    EXPECT_EQ(e.kind, c.kind());
    EXPECT_EQ(e.at.left, c.geometry().left);
    EXPECT_EQ(e.at.top, c.geometry().top);
    EXPECT_EQ(e.at.width, c.geometry().width);
    EXPECT_EQ(e.at.height, c.geometry().height);
    EXPECT_EQ(e.caption, c.Caption());
    EXPECT_TRUE(c.Visible());
    EXPECT_TRUE(c.Enabled());
  }
}

}  // namespace
}  // namespace vrx
