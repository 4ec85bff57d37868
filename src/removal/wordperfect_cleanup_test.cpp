#include "removal/wordperfect_cleanup.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/sim/sim_machine.h"
#include "state/program.h"

namespace vrx {
namespace {

class WordPerfectCleanupTest : public ::testing::Test {
 protected:
  void SetDefaults(const std::string& variant, const std::string& name, const std::string& text) {
    machine.registry.EnsureKey(kHkeyLocalMachine, "Software\\Docseal4\\" + variant + "\\Defaults")
        .SetValue(name, kRegSz, text + '\0');
  }

  sim::SimMachine machine;
  Program program{machine.platform()};
};

struct Version {
  const char* code;
  const char* program_file;
};

class WordPerfectVersionTest : public WordPerfectCleanupTest,
                               public ::testing::WithParamInterface<Version> {};

TEST_P(WordPerfectVersionTest, StartsItsWordPerfectWithTheRemovalMacro) {
  const Version& v = GetParam();
  // Every version is installed, so a mixed-up token shows in the command line.
  for (const char* digit : {"7", "8", "9"}) {
    const std::string code = std::string("WPWIN") + digit;
    const std::string dir = std::string("C:\\Corel\\WP") + digit;
    for (const char* file : {"WPWin.exe", "WPWin8.exe", "WPWin9.exe"}) {
      ASSERT_TRUE(machine.files.AddFile(dir + "\\" + file, "MZ"));
    }
    SetDefaults(code, "Program Directory", dir);
    SetDefaults(code, "Startup Directory", std::string("C:\\Corel\\Macros ") + digit);
  }
  const std::string digit = std::string(v.code).substr(5);

  RunWordPerfectRemovalMacro(program, v.code);

  EXPECT_EQ(std::vector<std::string>{"C:\\Corel\\WP" + digit + "\\" + v.program_file +
                                     " /m-\"C:\\Corel\\Macros " + digit + "\\StampRem.wcm\""},
            machine.processes.started);
  EXPECT_NE(std::string::npos, machine.transcript.lines().back().find(" style 2 -> "));
}

INSTANTIATE_TEST_SUITE_P(AllVersions, WordPerfectVersionTest,
                         ::testing::Values(Version{"WPWIN7", "WPWin.exe"},
                                           Version{"WPWIN8", "WPWin8.exe"},
                                           Version{"WPWIN9", "WPWin9.exe"}),
                         [](const ::testing::TestParamInfo<Version>& version) {
                           return std::string(version.param.code);
                         });

TEST_F(WordPerfectCleanupTest, ProgramDirectoryWithBlanksGivesABlankFreePath) {
  const std::string dir = "C:\\Program Files\\Corel\\WordPerfect Office\\Programs";
  ASSERT_TRUE(machine.files.AddFile(dir + "\\WPWin8.exe", "MZ"));
  machine.processes.programs.push_back({dir + "\\WPWin8", "wordperfect"});
  SetDefaults("WPWIN8", "Program Directory", dir);
  SetDefaults("WPWIN8", "Startup Directory", "C:\\Program Files\\Corel\\Macros");

  RunWordPerfectRemovalMacro(program, "WPWIN8");

  EXPECT_EQ(std::vector<std::string>{"C:\\PROGRA~1\\Corel\\WORDPE~1\\Programs\\WPWin8.exe "
                                     "/m-\"C:\\Program Files\\Corel\\Macros\\StampRem.wcm\""},
            machine.processes.started);
  EXPECT_EQ(
      "start \"C:\\PROGRA~1\\Corel\\WORDPE~1\\Programs\\WPWin8.exe /m-\\\"C:\\Program "
      "Files\\Corel\\Macros\\StampRem.wcm\\\"\" style 2 -> task 1",
      machine.transcript.lines().back());
}

TEST_F(WordPerfectCleanupTest, MissingProgramLeavesOnlyAFailedStart) {
  SetDefaults("WPWIN9", "Program Directory", "C:\\Corel\\WPWIN9");
  SetDefaults("WPWIN9", "Startup Directory", "C:\\Corel\\Macros");
  RunWordPerfectRemovalMacro(program, "WPWIN9");
  EXPECT_EQ(std::vector<std::string>{" /m-\"C:\\Corel\\Macros\\StampRem.wcm\""},
            machine.processes.started);
  EXPECT_EQ(-1, program.state.DetailMessagesLast);
}

TEST_F(WordPerfectCleanupTest, OtherCodesStartNothing) {
  SetDefaults("WPWIN8", "Program Directory", "C:\\Corel\\WPWIN8");
  for (const char* code : {"MSWORD", "wpwin8", "WPWIN8 ", "WPWIN", ""}) {
    RunWordPerfectRemovalMacro(program, code);
  }
  EXPECT_TRUE(machine.processes.started.empty());
}

}  // namespace
}  // namespace vrx
