// The oracle (testing/oracle.h) passes a clean run and names each kind of fault: the same run
// with one thing spoilt afterwards fails it with the line that says what.
#include "testing/oracle.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "simulator/session.h"
#include "testing/sim_test_util.h"

namespace vrx {
namespace {

using sim::SimMachine;

constexpr const char* kLine = "MSWORD /QUIET /LOG=C:\\vrx.log";
constexpr const char* kMine = "C:\\Program Files\\Docseal\\Stamps\\MINE.STB";

struct Spoilt {
  const char* what;
  std::function<void(SimMachine& after, JudgedRun& run)> spoil;
  std::string line;  // the oracle's first line
};

class OracleTest : public ::testing::Test {
 protected:
  OracleTest() {
    before = sim::testing::LoadImage(sim::testing::Sample("nt-word"));
    EXPECT_TRUE(before->files.AddFile("C:\\WINNT\\Wininit.ini", "[RENAME]\r\nNUL=C:\\A.TMP\r\n"));
    EXPECT_TRUE(before->files.AddFile(kMine, "mine"));
    EXPECT_TRUE(before->files.AddDirectory("C:\\WINNT\\TEMP"));
    before->word.facts.running = 1;
    before->word.StartRunningInstances();
    sim::CopyMachine(*before, &after);
    run = {before.get(), &after, kLine, {}, simulator::RunSession(after, kLine, {}).exit_code, {}};
  }

  std::unique_ptr<SimMachine> before;
  SimMachine after;
  JudgedRun run;
};

TEST_F(OracleTest, ACleanRunPassesAndEachSpoiltOneIsNamed) {
  ASSERT_EQ(std::vector<std::string>{}, Judge(run));
  ASSERT_FALSE(after.files.Exists("C:\\Program Files\\Docseal\\Stamps\\DRAFT.STB"));
  const std::string office = "Software\\Microsoft\\Office\\8.0\\Common\\InstallRoot";
  const Spoilt cases[] = {
      {"a file of the user's deleted",
       [](SimMachine& m, JudgedRun&) { ASSERT_EQ(kOk, m.files.DeleteFile(kMine)); },
       std::string("file deleted: ") + kMine},
      {"a registry value deleted",
       [&](SimMachine& m, JudgedRun&) {
         m.registry.FindKey(kHkeyLocalMachine, office)->DeleteValue("OfficeBin");
       },
       "registry value deleted: HKEY_LOCAL_MACHINE\\" + office + " [OfficeBin]"},
      {"a line of Wininit.ini lost",
       [](SimMachine& m, JudgedRun&) {
         ASSERT_TRUE(m.files.AddFile("C:\\WINNT\\Wininit.ini", ""));
       },
       "Wininit.ini lost the line \"[RENAME]\""},
      {"the user's Word saved",
       [](SimMachine& m, JudgedRun&) { m.transcript.Add("word 1 NormalTemplate.Save -> saved"); },
       "a Word the program did not start was touched: word 1 NormalTemplate.Save -> saved"},
      {"a user's file scheduled",
       [](SimMachine& m, JudgedRun&) { m.system.pending.push_back(kMine); },
       "scheduled for the next start of Windows, not the add-in's: C:\\PROGRAM "
       "FILES\\DOCSEAL\\STAMPS\\MINE.STB"},
      {"a protected folder offered",
       [](SimMachine& m, JudgedRun&) {
         m.transcript.Add(
             "msgbox \"Directory not empty C:\\WINNT\\TEMP\\rDo you want me to remove "
             "it?\" style 4 title \"Docseal\" -> no");
       },
       "offered a protected folder: C:\\WINNT\\TEMP"},
      {"a log that says what did not happen",
       [](SimMachine& m, JudgedRun&) {
         const std::string log = m.files.Contents("C:\\vrx.log").value_or("");
         ASSERT_TRUE(m.files.AddFile("C:\\vrx.log", log + "Deleted file " + kMine + "\r\n"));
       },
       std::string("the log says deleted, yet it is there: ") + kMine},
      {"an exit code that says nothing waits", [](SimMachine&, JudgedRun& r) { r.exit_code = 0; },
       "exit code 0: files of the run wait for the next start"},
      {"a preview that changed the machine",
       [](SimMachine&, JudgedRun& r) { r.command_line += " -WHATIF"; },
       "nothing may change, yet gone: C:\\Documents and Settings\\bob\\Application "
       "Data\\Microsoft\\Word\\STARTUP\\Docseal.DOT"},
      {"a file left in use",
       [](SimMachine& m, JudgedRun&) { ASSERT_TRUE(m.files.SetInUse("C:\\vrx.log", true)); },
       "left in use: C:\\vrx.log"},
  };
  for (const Spoilt& c : cases) {
    SCOPED_TRACE(c.what);
    SimMachine spoilt;
    sim::CopyMachine(after, &spoilt);
    for (const std::string& line : after.transcript.lines()) spoilt.transcript.Add(line);
    JudgedRun judged = run;
    judged.after = &spoilt;
    c.spoil(spoilt, judged);
    const std::vector<std::string> lines = Judge(judged);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(c.line, lines.front());
  }
}

}  // namespace
}  // namespace vrx
