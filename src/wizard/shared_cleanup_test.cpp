#include "wizard/shared_cleanup.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "state/program.h"
#include "testing/sim_test_util.h"

namespace vrx {
namespace {

using sim::SimMachine;
using sim::testing::HasKey;
using sim::testing::SetText;

constexpr const char* kShellFolders =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const std::string kUninstall = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
const std::string kWordEntry = kUninstall + "Docseal 4.0 for Word\xAE 97/2000";
const std::string kWpEntry = kUninstall + "Docseal 4.0 for WordPerfect\xAE ";
const std::string kUserGroup = "C:\\WINDOWS\\Profiles\\alice\\Start Menu\\Programs\\Docseal 4.0";
const std::string kAllUsersGroup =
    "C:\\WINDOWS\\Profiles\\All Users\\Start Menu\\Programs\\Docseal 4.0";
const std::string kDesktopGroup = "C:\\WINDOWS\\Desktop\\Docseal 4.0";  // HKLM "Current Desktop"
const std::string kProgramsGroup = "C:\\Menu\\Programs\\Docseal 4.0";   // HKCU "Programs"

// A machine of the given platform family (1 Windows 95/98, 2 Windows NT) and a program on it.
struct Rig {
  explicit Rig(int platform) {
    m.facts.platform = platform;
    m.facts.username = "alice";
    m.ApplyFacts();
    program = std::make_unique<Program>(m.platform());
    s().IsWin9x = platform == 1;
    s().IsWinNT = platform == 2;
  }
  ProgramState& s() { return program->state; }
  void Add(const std::string& path) { EXPECT_TRUE(m.files.AddFile(path, "x")) << path; }
  std::string Short(const std::string& path) const {
    return m.files.ShortPath(path).value_or("<missing>");
  }
  bool Saw(const std::string& prefix) const { return sim::testing::SaidLineStarting(m, prefix); }
  void SetShellFolders() {
    SetText(m, kHkeyLocalMachine, kShellFolders, "Current Desktop", "C:\\WINDOWS\\Desktop");
    SetText(m, kHkeyCurrentUser, kShellFolders, "Programs", "C:\\Menu\\Programs");
  }

  SimMachine m;
  std::unique_ptr<Program> program;
};

// The entries of `names` still in the Windows NT user's group after the Start Menu clean-up.
std::vector<std::string> LeftInGroup(void (*choose)(ProgramState&),
                                     const std::vector<std::string>& names) {
  Rig r(2);
  for (const std::string& name : names) r.Add(kUserGroup + "\\" + name);
  choose(r.s());
  RemoveStartMenuEntries(*r.program);
  std::vector<std::string> left;
  for (const std::string& name : names) {
    if (r.m.files.Exists(kUserGroup + "\\" + name)) left.push_back(name);
  }
  EXPECT_TRUE(r.m.files.Exists(kUserGroup));  // only a full removal takes the folder
  return left;
}

TEST(SharedCleanupStartMenu, EntryNamesDecideWhatGoesCaseSensitively) {
  EXPECT_EQ((std::vector<std::string>{"Docseal Manual.lnk", "WordPerfect 8.lnk"}),
            LeftInGroup([](ProgramState& s) { s.Chosen[kMsWord] = true; },
                        {"Docseal for Word 97.lnk", "Docseal Manual.lnk", "Word 2000 Stamps.lnk",
                         "WordPerfect 97 Notes.lnk", "WordPerfect 8.lnk"}));
  EXPECT_EQ((std::vector<std::string>{"Docseal 8.lnk", "WordPerfect 7.lnk",
                                      "wordperfect 8 help.lnk", "WordPerfect Help.lnk"}),
            LeftInGroup([](ProgramState& s) { s.Chosen[kWpWin8] = true; },
                        {"Docseal 8.lnk", "WordPerfect 7.lnk", "WordPerfect 8.lnk",
                         "wordperfect 8 help.lnk", "WordPerfect Help.lnk"}));
  EXPECT_EQ(std::vector<std::string>{},
            LeftInGroup([](ProgramState& s) { s.Chosen[kMsWord] = true; }, {"Word 97.lnk"}));
  auto wp7_and_wp9 = [](ProgramState& s) { s.Chosen[kWpWin7] = s.Chosen[kWpWin9] = true; };
  EXPECT_EQ((std::vector<std::string>{"Word 97.lnk", "WordPerfect 8.lnk"}),
            LeftInGroup(wp7_and_wp9, {"Word 97.lnk", "WordPerfect 7.lnk", "WordPerfect 8.lnk",
                                      "WordPerfect 9.lnk"}));
}

TEST(SharedCleanupStartMenu, ChosenAllEmptiesTheThreeNtGroupsAndRemovesThem) {
  Rig r(2);
  r.SetShellFolders();
  for (const std::string& group : {kUserGroup, kAllUsersGroup, kProgramsGroup}) {
    r.Add(group + "\\Readme.txt");
    r.Add(group + "\\Uninstall Docseal.lnk");
  }
  r.Add(kDesktopGroup + "\\Readme.txt");  // "Current Desktop" is a Windows 95/98 base only
  r.s().ChosenAll = true;
  RemoveStartMenuEntries(*r.program);
  for (const std::string& group : {kUserGroup, kAllUsersGroup, kProgramsGroup}) {
    EXPECT_FALSE(r.m.files.Exists(group)) << group;
  }
  EXPECT_TRUE(r.m.files.Exists(kDesktopGroup + "\\Readme.txt"));
  EXPECT_TRUE(r.m.system.pending.empty());
  EXPECT_EQ(0u, r.m.registry.OpenHandleCount());
}

TEST(SharedCleanupStartMenu, Win9xUsesTheShellFoldersAndKeepsAGroupThatIsNotEmpty) {
  Rig r(1);
  SetText(r.m, kHkeyLocalMachine, kShellFolders, "Current Desktop", "C:\\WINDOWS\\Desktop");
  r.Add(kDesktopGroup + "\\Readme.txt");
  ASSERT_TRUE(r.m.files.AddFile(kDesktopGroup + "\\desktop.ini", "x", kAttrHidden));
  // Without a "Programs" value the group is taken from the root of the current drive.
  r.Add("C:\\Docseal 4.0\\Readme.txt");
  r.Add("D:\\Docseal 4.0\\Readme.txt");
  r.Add(kAllUsersGroup + "\\Readme.txt");  // a Windows NT base only
  r.s().ChosenAll = true;
  RemoveStartMenuEntries(*r.program);
  EXPECT_FALSE(r.m.files.Exists(kDesktopGroup + "\\Readme.txt"));
  EXPECT_TRUE(r.m.files.Exists(kDesktopGroup + "\\desktop.ini"));
  EXPECT_FALSE(r.m.files.Exists("C:\\Docseal 4.0"));
  EXPECT_TRUE(r.m.files.Exists("D:\\Docseal 4.0\\Readme.txt"));
  EXPECT_TRUE(r.m.files.Exists(kAllUsersGroup + "\\Readme.txt"));
}

TEST(SharedCleanupStartMenu, EntryInUseIsScheduledByItsShortPathWithoutADetail) {
  // On Windows NT the All Users entry is scheduled even with NOREBOOT.
  for (bool no_reboot : {false, true}) {
    SCOPED_TRACE(no_reboot ? "Windows NT, NOREBOOT" : "Windows NT");
    Rig r(2);
    r.SetShellFolders();
    std::vector<std::string> scheduled;
    for (const std::string& group : {kUserGroup, kAllUsersGroup, kProgramsGroup}) {
      r.Add(group + "\\Word 97.lnk");
      ASSERT_TRUE(r.m.files.SetInUse(group + "\\Word 97.lnk", true));
      if (!no_reboot || group == kAllUsersGroup)
        scheduled.push_back(r.Short(group + "\\Word 97.lnk"));
    }
    r.s().NoReboot = no_reboot;
    r.s().Chosen[kMsWord] = true;
    RemoveStartMenuEntries(*r.program);
    EXPECT_EQ(scheduled, r.m.system.pending);
    EXPECT_EQ(0, r.s().PendingDeleteCount);
    EXPECT_TRUE(r.m.files.Exists(kUserGroup + "\\Word 97.lnk"));
    EXPECT_EQ(-1, r.s().DetailMessagesLast);
    EXPECT_FALSE(r.s().HasDetails);
    EXPECT_FALSE(r.s().NeedsRestart);
  }
  SCOPED_TRACE("Windows 95/98");
  Rig r(1);
  r.SetShellFolders();
  const std::string entry = kDesktopGroup + "\\Word 97.lnk";
  r.Add(entry);
  ASSERT_TRUE(r.m.files.SetInUse(entry, true));
  r.s().Chosen[kMsWord] = true;
  RemoveStartMenuEntries(*r.program);
  ASSERT_EQ(1, r.s().PendingDeleteCount);
  EXPECT_EQ(r.Short(entry), r.s().PendingDeletes[1]);
  EXPECT_NE(entry, r.s().PendingDeletes[1]);
  EXPECT_FALSE(r.Saw("movefileex"));
}

TEST(SharedCleanupFont, RemovedFromTheTableAndTheDiskThenWindowsAreTold) {
  struct Case {
    int platform;
    const char* font;
    const char* other;  // the other family's place, which must stay
  };
  for (const Case& c :
       {Case{2, "C:\\WINDOWS\\fonts\\Docsealw.ttf", "C:\\WINDOWS\\SYSTEM\\Docsealw.ttf"},
        Case{1, "C:\\WINDOWS\\SYSTEM\\Docsealw.ttf", "C:\\WINDOWS\\fonts\\Docsealw.ttf"}}) {
    SCOPED_TRACE(c.font);
    Rig r(c.platform);
    r.Add(c.font);
    r.Add(c.other);
    r.m.system.fonts = {c.font, c.other};
    r.s().ChosenAll = true;
    RemoveAddInFont(*r.program);
    EXPECT_EQ((std::vector<std::string>{"removefont \"" + std::string(c.font) + "\" -> ok",
                                        "sendmessage window 65535 message 29 0 0"}),
              r.m.transcript.lines());
    EXPECT_FALSE(r.m.files.Exists(c.font));
    EXPECT_TRUE(r.m.files.Exists(c.other));
    EXPECT_EQ(std::vector<std::string>{c.other}, r.m.system.fonts);
    EXPECT_FALSE(r.s().HasDetails);
  }
}

TEST(SharedCleanupFont, MissingFileCallsNothingAndAFailedRemovalAddsOneLine) {
  Rig r(2);
  const std::string font = "C:\\WINDOWS\\fonts\\Docsealw.ttf";
  r.m.system.fonts = {font};
  r.s().ChosenAll = true;
  RemoveAddInFont(*r.program);
  EXPECT_TRUE(r.m.transcript.lines().empty());
  EXPECT_EQ(1u, r.m.system.fonts.size());
  EXPECT_EQ(-1, r.s().DetailMessagesLast);

  r.m.system.fonts.clear();  // a file that is not in the font table
  r.Add(font);
  r.s().AppendDetail("earlier line");
  r.s().HasDetails = false;
  RemoveAddInFont(*r.program);
  ASSERT_EQ(1, r.s().DetailMessagesLast);
  EXPECT_EQ(font + " unable to remove font file.", r.s().DetailMessages[1]);
  EXPECT_TRUE(r.s().HasDetails);
  EXPECT_TRUE(r.m.files.Exists(font));
  EXPECT_FALSE(r.Saw("sendmessage"));
}

// The registry as a variant removal leaves it: variant keys without subkeys, except WPWIN8.
void AddRegistry(Rig& r) {
  SetText(r.m, kHkeyLocalMachine, "Software\\Docseal4", "Version", "4.0");
  for (const char* key : {"MSWord", "WPWIN7", "WPWIN9"}) {
    r.m.registry.EnsureKey(kHkeyLocalMachine, std::string("Software\\Docseal4\\") + key);
  }
  r.m.registry.EnsureKey(kHkeyLocalMachine, "Software\\Docseal4\\WPWIN8\\Defaults\\Paths");
  r.m.registry.EnsureKey(kHkeyLocalMachine, "Software\\Docseal4\\WPWIN8\\Options");
  for (const std::string& entry : {kWordEntry, kWpEntry + "7", kWpEntry + "8", kWpEntry + "9"}) {
    SetText(r.m, kHkeyLocalMachine, entry, "UninstallString", "VRXUnInst.exe");
    SetText(r.m, kHkeyLocalMachine, entry + " Trial Version", "UninstallString", "VRXUnInst.exe");
  }
}

TEST(SharedCleanupRegistry, OnlyTheChosenVariantsEntriesAndKeysGoWithoutChosenAll) {
  Rig r(2);
  AddRegistry(r);
  r.s().Chosen[kMsWord] = true;
  r.s().Chosen[kWpWin9] = true;
  DeleteAddInTree(*r.program);
  RemoveUninstallEntries(*r.program);
  for (const std::string& gone :
       {kWordEntry, kWordEntry + " Trial Version", kWpEntry + "9", kWpEntry + "9 Trial Version",
        std::string("Software\\Docseal4\\MSWORD"), std::string("Software\\Docseal4\\WPWIN9")}) {
    EXPECT_FALSE(HasKey(r.m, kHkeyLocalMachine, gone)) << gone;
  }
  for (const std::string& kept :
       {kWpEntry + "7", kWpEntry + "7 Trial Version", kWpEntry + "8", kWpEntry + "8 Trial Version",
        std::string("Software\\Docseal4\\WPWIN7"),
        std::string("Software\\Docseal4\\WPWIN8\\Defaults\\Paths")}) {
    EXPECT_TRUE(HasKey(r.m, kHkeyLocalMachine, kept)) << kept;
  }
  EXPECT_EQ(0u, r.m.registry.OpenHandleCount());
}

TEST(SharedCleanupRegistry, ChosenAllEmptiesTheTreeFirstAndDeletesItLast) {
  for (int platform : {1, 2}) {
    SCOPED_TRACE(platform);
    Rig r(platform);
    AddRegistry(r);
    r.s().Chosen[kMsWord] = r.s().Chosen[kWpWin7] = r.s().Chosen[kWpWin8] = r.s().Chosen[kWpWin9] =
        true;
    r.s().ChosenAll = true;
    DeleteAddInTree(*r.program);
    const sim::SimKey* tree = r.m.registry.FindKey(kHkeyLocalMachine, "Software\\Docseal4");
    ASSERT_NE(nullptr, tree);
    EXPECT_EQ(0u, tree->subkey_count());
    RemoveUninstallEntries(*r.program);
    EXPECT_FALSE(HasKey(r.m, kHkeyLocalMachine, "Software\\Docseal4"));
    const sim::SimKey* list = r.m.registry.FindKey(kHkeyLocalMachine, kUninstall);
    ASSERT_NE(nullptr, list);
    EXPECT_EQ(0u, list->subkey_count());
    EXPECT_EQ(0u, r.m.registry.OpenHandleCount());
  }
}

}  // namespace
}  // namespace vrx
