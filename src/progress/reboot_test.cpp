#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "progress/reboot_form.h"
#include "progress/reboot_logic.h"
#include "state/program.h"
#include "testing/sim_test_util.h"

namespace vrx {
namespace {

using sim::SimMachine;

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

TEST(RebootRestart, NtAloneEnablesThePrivilegeFirst) {
  for (int platform : {1, 2}) {
    SCOPED_TRACE(platform);
    Rig r(platform);
    r.form().cmdRestart_Click();
    const std::vector<std::string> nt = {kOpenToken, kLookup, kAdjust, kRestart};
    EXPECT_EQ(platform == 1 ? std::vector<std::string>{kRestart} : nt, r.m.transcript.lines());
    EXPECT_TRUE(r.m.system.restart_requested);
  }
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
    EXPECT_TRUE(r.form().visible());
    EXPECT_FALSE(r.m.system.shutdown_privilege_enabled());
  }
}

TEST(RebootRestart, RefusedRestartLeavesThePromptForDontRestartWhichOnlyCloses) {
  Rig r(2, [](sim::SystemFacts& f) { f.exit_windows = false; });
  EXPECT_EQ(ClickOutcome::kClicked, r.form().UserClick(r.form().cmdRestart()));
  EXPECT_TRUE(r.Saw("exitwindows flags 3 reason 4294967295 -> refused"));
  EXPECT_TRUE(r.form().loaded());
  r.m.transcript = {};
  ASSERT_EQ(&r.form().cmdLater(), r.form().close_control()) << "and so does the close box";
  EXPECT_EQ(ClickOutcome::kClicked, r.form().UserClick(r.form().cmdLater()));
  EXPECT_EQ(std::vector<std::string>{"unload Reboot"}, r.m.transcript.lines());
  EXPECT_FALSE(r.program->AnyFormLoaded());
}

}  // namespace
}  // namespace vrx
