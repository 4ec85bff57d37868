#include "helpers/directory_tokens.h"

#include <gtest/gtest.h>

#include "helpers/platform_family.h"
#include "platform/forwarding_platform.h"
#include "state/program.h"
#include "testing/sim_test_util.h"

namespace vrx {
namespace {

using sim::SimMachine;
using sim::testing::SetDword;
using sim::testing::SetText;

class DirectoryTest : public ::testing::Test {
 protected:
  std::string Dir(const std::string& token) {
    return GetDirectory(machine_.platform(), state_, token);
  }
  void Defaults(const std::string& key, const std::string& value, const std::string& text) {
    SetText(machine_, kHkeyLocalMachine, "Software\\Docseal4\\" + key, value, text);
  }
  SimMachine machine_;
  ProgramState state_;
};

TEST_F(DirectoryTest, VariantTokensLoseOneTrailingBackslash) {
  state_.VariantStampDir = "D:\\Stamps\\";
  state_.VariantSourceDir = "C:\\Src\\\\";
  state_.VariantHelpDir = "C:\\Help";
  state_.VariantSigDir = "\\";
  EXPECT_EQ("D:\\Stamps", Dir("STMPDIR"));
  EXPECT_EQ("C:\\Src\\", Dir("SD"));
  EXPECT_EQ("C:\\Help", Dir("HD"));
  EXPECT_EQ("", Dir("SIGDIR"));
  EXPECT_EQ("", Dir("LD"));
}

TEST_F(DirectoryTest, TokensAreMatchedWithRegardToCase) {
  state_.VariantSourceDir = "C:\\Src";
  for (const char* token : {"sd", "Sd", "SD ", "", "WINDOWS"}) {
    EXPECT_EQ("", Dir(token)) << '"' << token << '"';
  }
}

TEST_F(DirectoryTest, WindowsAndSystemDirectories) {
  EXPECT_EQ("C:\\WINDOWS", Dir("WINDIR"));
  EXPECT_EQ("C:\\WINDOWS\\SYSTEM", Dir("WINSYS"));
  machine_.facts.windows = "C:\\";
  EXPECT_EQ("C:", Dir("WINDIR"));
  // A path that does not fit the 255-character buffer gives the empty text.
  machine_.facts.system = "C:\\" + std::string(300, 'x');
  EXPECT_EQ("", Dir("WINSYS"));
}

TEST_F(DirectoryTest, WordStartupFoldersKeepOrLoseTheirBackslash) {
  Defaults("MSWord\\Defaults\\8", "Startup Path", "C:\\Word\\Startup\\");
  Defaults("MSWord\\Defaults\\9", "Startup Path", "C:\\Word\\Startup\\");
  EXPECT_EQ("C:\\Word\\Startup\\", Dir("STARTUPDIRWD8"));
  EXPECT_EQ("C:\\Word\\Startup", Dir("STARTUPDIRWD9"));
  Defaults("MSWord\\Defaults\\8", "Startup Path", "C:\\Word\\Startup");
  Defaults("MSWord\\Defaults\\9", "Startup Path", "C:\\Word\\Startup");
  EXPECT_EQ("C:\\Word\\Startup", Dir("STARTUPDIRWD8"));
  EXPECT_EQ("C:\\Word\\Startup", Dir("STARTUPDIRWD9"));
  // Without the value, the appended backslash is removed again.
  SimMachine empty;
  EXPECT_EQ("", GetDirectory(empty.platform(), state_, "STARTUPDIRWD8"));
}

TEST_F(DirectoryTest, WordPerfectTemplateFolders) {
  Defaults("WPWIN7\\Defaults", "Program Directory", "C:\\Office7\\WPWin7\\Programs");
  Defaults("WPWIN8\\Defaults", "Program Directory", "C:\\Suite\\WPWIN8\\PROG");
  Defaults("WPWIN9\\Defaults", "Program Directory", "C:\\Corel\\Programs");
  EXPECT_EQ("C:\\Office7\\Template", Dir("WPTD7"));
  EXPECT_EQ("C:\\Suite\\Template\\Custom WP Templates", Dir("WPTD8"));
  EXPECT_EQ("Template", Dir("WPTD9"));
  SimMachine empty;
  EXPECT_EQ("Template\\Custom WP Templates", GetDirectory(empty.platform(), state_, "WPTD8"));
}

TEST_F(DirectoryTest, WordPerfectRegistryTokens) {
  Defaults("WPWIN8\\Defaults", "Startup Directory", "C:\\WP8\\Macros\\");
  Defaults("WPWIN9\\Defaults", "Documents Directory", "C:\\My Documents");
  Defaults("WPWIN7\\Defaults", "Program Directory", "C:\\WP7\\Programs");
  Defaults("MSWORD\\Defaults", "SRCDIR", "E:\\SETUP\\");
  EXPECT_EQ("C:\\WP8\\Macros", Dir("STARTUPDIRWP8"));
  EXPECT_EQ("", Dir("STARTUPDIRWP7"));
  EXPECT_EQ("C:\\My Documents", Dir("DD9"));
  EXPECT_EQ("C:\\WP7\\Programs", Dir("WPPROGPATH7"));
  EXPECT_EQ("E:\\SETUP", Dir("SRCDIR"));
  // A number stored where a path belongs reads as its digits.
  SetDword(machine_, kHkeyLocalMachine, "Software\\Docseal4\\WPWIN8\\Defaults",
           "Documents Directory", 4294967295u);
  EXPECT_EQ("-1", Dir("DD8"));
  EXPECT_EQ(0u, machine_.registry.OpenHandleCount());
}

TEST(ShortPath, GivesTheShortFormOrNothing) {
  SimMachine m;
  ASSERT_TRUE(m.files.AddFile("C:\\Program Files\\Docseal\\docseal 4.0 manual.doc", "x"));
  EXPECT_EQ("C:\\PROGRA~1\\Docseal\\DOCSEA~1.DOC",
            GetShortPath(m.system, "C:\\Program Files\\Docseal\\docseal 4.0 manual.doc"));
  EXPECT_EQ("", GetShortPath(m.system, "C:\\Program Files\\missing.doc"));
  EXPECT_EQ("", GetShortPath(m.system, ""));
}

TEST(ShortPath, AShortFormLongerThanTheBufferIsAskedForAgain) {
  SimMachine m;
  std::string deep = "C:";
  for (int i = 0; i < 40; ++i) deep += "\\FOLDER" + std::to_string(i % 10);
  ASSERT_TRUE(m.files.AddDirectory(deep));
  ASSERT_GT(deep.size(), 255u);
  EXPECT_EQ(deep, GetShortPath(m.system, deep));
}

TEST(Platform, VersionRecordDecides) {
  SimMachine m;
  for (int platform : {0, 1, 2, 3}) {
    m.facts.platform = platform;
    EXPECT_EQ(platform == 3 ? 0 : platform, GetPlatform(m.system)) << platform;
  }
  struct Checking : ForwardingSystem {
    using ForwardingSystem::ForwardingSystem;
    bool GetVersionEx(OsVersionInfo* info) override {
      size_seen = info->dwOSVersionInfoSize;
      return false;
    }
    uint32_t size_seen = 0;
  } failing(&m.system);
  m.facts.platform = 2;
  EXPECT_EQ(0, GetPlatform(failing));
  EXPECT_EQ(148u, failing.size_seen);
}

}  // namespace
}  // namespace vrx
