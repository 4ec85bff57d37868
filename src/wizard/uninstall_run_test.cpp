// Whole runs on the sample machines, checked against what a careful reading of the uninstaller's
// documents says the machine must look like afterwards.
#include "wizard/uninstall_run.h"

#include <gtest/gtest.h>

#include <set>

#include "platform/forwarding_platform.h"
#include "progress/processing_form.h"
#include "progress/reboot_form.h"
#include "startup/program.h"
#include "testing/sim_test_util.h"
#include "wizard/uninstall_form.h"

namespace vrx {
namespace {

using sim::SimMachine;
using sim::testing::Dword;
using sim::testing::HasKey;
using sim::testing::LoadImage;
using sim::testing::Questions;
using sim::testing::Said;
using sim::testing::Sample;
using sim::testing::Text;

constexpr const char* kUninstallList = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
constexpr const char* kSharedDlls = "Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";

std::unique_ptr<SimMachine> Load(const char* sample) { return LoadImage(Sample(sample)); }

void TickAndFinish(Program& program, std::initializer_list<int> boxes) {
  UnInstallForm& w = program.UnInstall();
  for (int i : boxes) {
    w.Check1(i).SetValue(1);
    w.Check1_Click(static_cast<int16_t>(i));
  }
  w.cmdNext_Click();
  w.cmdNext_Click();
}

TEST(Run, EveryVariantFromWindows98) {
  auto m = Load("win98-all");
  m->ui.answers = {kIdYes, kIdYes, kIdNo};
  {
    Program program(m->platform());
    Main(program, "");
    TickAndFinish(program, {0, 1, 2, 3});
    const ProgramState& s = program.state;
    EXPECT_TRUE(s.ChosenAll);
    EXPECT_TRUE(s.NeedsRestart);
    EXPECT_EQ((std::vector<std::string>{
                  "C:\\Docseal\\Word\\Stamps\\CONFID.STB this file will be removed when you "
                  "reboot your computer.",
                  "C:\\Docseal\\Word\\Stamps\\CONFID.STB You must manually delete this file.",
                  "C:\\Docseal\\Word\\Stamps You must manually remove this directory.",
                  "C:\\Docseal\\WP8\\Stamps\\DRAFT.STB this file will be removed when you reboot "
                  "your computer.",
                  "C:\\WINDOWS\\SYSTEM\\FUNCKY60.DLL file may be in use by another program.",
              }),
              s.DetailMessages);
    ProcessingForm& processing = program.Processing();
    EXPECT_EQ("Uninstall complete.", processing.lblMsg().Caption());
    EXPECT_EQ(300, processing.ProgressBar1().ProgressValue());
    EXPECT_EQ(300, processing.ProgressBar1().Max());
    EXPECT_TRUE(processing.cmdDetails().Visible());
    EXPECT_FALSE(program.UnInstall().loaded());
    processing.cmdExit_Click();
    EXPECT_TRUE(program.Reboot().visible());
    program.Reboot().cmdLater_Click();
    EXPECT_FALSE(program.AnyFormLoaded());
  }
  EXPECT_TRUE(Said(*m, "set Processing.ProgressBar1.Max = 400"));
  EXPECT_TRUE(Said(*m,
                   "set Processing.lblMsg.Caption = \"Removing Docseal from Microsoft "
                   "Word\xAE.....\""));
  EXPECT_TRUE(Said(*m,
                   "set Processing.lblMsg.Caption = \"Removing Docseal from WordPerfect\xAE "
                   "9.....\""));

  // Registry: the add-in's tree and its uninstall entries go; other programs' entries stay.
  EXPECT_FALSE(HasKey(*m, kHkeyLocalMachine, "Software\\Docseal4"));
  for (const char* name :
       {"Docseal 4.0 for Word\xAE 97/2000", "Docseal 4.0 for WordPerfect\xAE 7",
        "Docseal 4.0 for WordPerfect\xAE 8", "Docseal 4.0 for WordPerfect\xAE 9"}) {
    EXPECT_FALSE(HasKey(*m, kHkeyLocalMachine, std::string(kUninstallList) + name)) << name;
  }
  EXPECT_TRUE(HasKey(*m, kHkeyLocalMachine, std::string(kUninstallList) + "Other Program"));
  EXPECT_EQ(0u, m->registry.FindKey(kHkeyLocalMachine, kSharedDlls)->values().size());
  EXPECT_EQ(1u, Dword(*m, kHkeyClassesRoot, kProgrammableKey, "Reboot"));
  EXPECT_EQ(0u, m->registry.OpenHandleCount());

  // Files: what was in use or named by the user's "No" stays; the rest goes.
  EXPECT_EQ(
      "[RENAME]\r\nNUL=C:\\Docseal\\Word\\Stamps\\CONFID.STB\r\n"
      "NUL=C:\\Docseal\\WP8\\Stamps\\DRAFT.STB\r\nNUL=C:\\WINDOWS\\SYSTEM\\FUNCKY60.DLL\r\n"
      "NUL=C:\\WINDOWS\\SYSTEM\\VRXUnInst.EXE\r\n",
      m->files.Contents("C:\\WINDOWS\\Wininit.ini").value_or("<missing>"));
  for (const char* kept :
       {"C:\\WINDOWS\\SYSTEM\\FUNCKY60.dll", "C:\\WINDOWS\\SYSTEM\\VRXUnInst.EXE",
        "C:\\Docseal\\Word\\Stamps\\CONFID.STB", "C:\\Docseal\\WP9\\Stamps\\URGENT.STM",
        "C:\\Docseal\\Word\\Data\\Letterhead notes.txt", "C:\\MyFiles\\Budget 1999.wpd",
        "C:\\WINDOWS\\Start Menu\\Programs\\Accessories\\Notepad.lnk",
        "C:\\WINDOWS\\SYSTEM\\KERNEL32.DLL"}) {
    EXPECT_TRUE(m->files.Exists(kept)) << kept;
  }
  for (const char* gone :
       {"C:\\WINDOWS\\SYSTEM\\Docsealw.ttf", "C:\\WINDOWS\\SYSTEM\\FUNCKY60.tlb",
        "C:\\WINDOWS\\SYSTEM\\VrxMenu.exe", "C:\\Docseal\\WP8\\Stamps",
        "C:\\Docseal\\Word\\Stamps\\MYSTAMP.STB", "C:\\Docseal\\Word\\Data\\CSU.BIN",
        "C:\\WINDOWS\\Start Menu\\Programs\\Docseal 4.0", "C:\\Corel\\WPWin8\\Macros\\Docseal.WCM",
        "C:\\Program Files\\Microsoft Office\\Office\\Startup\\Docseal.DOT",
        "C:\\MyFiles\\QuickStart.wpd"}) {
    EXPECT_FALSE(m->files.Exists(gone)) << gone;
  }
  EXPECT_TRUE(m->system.fonts.empty());
  const sim::WordTemplate& normal = m->word.templates.at("word97");
  EXPECT_EQ("File|Edit|View|Insert|Format|Tools|Table|Window|Help", normal.MenubarText());
  EXPECT_EQ("592:FilePrint:2|891:FilePrint:2", normal.KeysText());

  // The next start of Windows deletes what waited for it, the uninstaller included.
  m->Restart();
  for (const char* gone :
       {"C:\\WINDOWS\\SYSTEM\\FUNCKY60.dll", "C:\\WINDOWS\\SYSTEM\\VRXUnInst.EXE",
        "C:\\Docseal\\Word\\Stamps\\CONFID.STB", "C:\\WINDOWS\\Wininit.ini"}) {
    EXPECT_FALSE(m->files.Exists(gone)) << gone;
  }
  EXPECT_TRUE(m->files.Exists("C:\\WINDOWS\\Wininit.bak"));
  EXPECT_TRUE(m->files.Exists("C:\\Docseal\\WP9\\Stamps\\URGENT.STM"));
}

TEST(Run, OnlyWordPerfect8OfFour) {
  auto m = Load("win98-all");
  {
    Program program(m->platform());
    Main(program, "");
    TickAndFinish(program, {2});
    EXPECT_FALSE(program.state.ChosenAll);
    EXPECT_FALSE(program.state.Chosen[kMsWord]);
  }
  // The bar keeps its designed maximum of 100 until the end fills it.
  for (const std::string& line : m->transcript.lines()) {
    if (line.rfind("set Processing.ProgressBar1.Max", 0) == 0) {
      EXPECT_EQ("set Processing.ProgressBar1.Max = 300", line);
    }
  }
  EXPECT_FALSE(Said(*m,
                    "set Processing.lblMsg.Caption = \"Removing Docseal from Microsoft "
                    "Word\xAE.....\""));
  EXPECT_TRUE(Said(*m, "set Processing.lblMsg.Caption = \"Uninstall complete.\""));
  EXPECT_FALSE(HasKey(*m, kHkeyLocalMachine, "Software\\Docseal4\\WPWIN8"));
  EXPECT_TRUE(HasKey(*m, kHkeyLocalMachine, "Software\\Docseal4\\WPWIN7\\Defaults"));
  // Shared parts stay: another variant still needs them.
  EXPECT_EQ(3u, Dword(*m, kHkeyLocalMachine, kSharedDlls, "C:\\WINDOWS\\SYSTEM\\FUNCKY60.DLL"));
  EXPECT_TRUE(m->files.Exists("C:\\WINDOWS\\SYSTEM\\Docsealw.ttf"));
  EXPECT_TRUE(m->files.Exists("C:\\Docseal\\Word\\Stamps\\DRAFT.STB"));
}

// Records the keys the program opens.
class OpenRecorder : public ForwardingRegistry {
 public:
  using ForwardingRegistry::ForwardingRegistry;
  Status OpenKey(HKey parent, const std::string& subkey, uint32_t sam, HKey* result) override {
    opened.insert(subkey);
    return ForwardingRegistry::OpenKey(parent, subkey, sam, result);
  }
  std::set<std::string> opened;
};

TEST(Run, UnattendedWordOnWindowsNt) {
  auto m = Load("nt-word");
  OpenRecorder recorder(&m->registry);
  {
    Program program(Forward(m->platform(), &recorder));
    Main(program, "MSWORD");
    const ProgramState& s = program.state;
    EXPECT_TRUE(s.ChosenAll);
    EXPECT_TRUE(s.NeedsRestart);
    EXPECT_TRUE(program.Processing().visible());
    EXPECT_TRUE(program.Processing().cmdDetails().Visible());
    EXPECT_EQ(0, s.PendingDeleteCount);
    program.Processing().cmdExit_Click();
    EXPECT_TRUE(program.Reboot().visible());
  }
  // The WordPerfect directories are read whatever is chosen.
  for (const char* key :
       {"Software\\Docseal4\\WPWIN7\\Defaults", "Software\\Docseal4\\WPWIN9\\Defaults"}) {
    EXPECT_TRUE(recorder.opened.count(key)) << key;
  }
  EXPECT_FALSE(Said(*m, "show UnInstall"));
  EXPECT_EQ((std::vector<std::string>{"C:\\PROGRA~1\\Docseal\\Stamps\\PASTDUE.STS",
                                      "C:\\WINNT\\system32\\VRXUnInst.EXE"}),
            m->system.pending);
  EXPECT_FALSE(m->files.Exists("C:\\WINNT\\Wininit.ini"));
  EXPECT_FALSE(m->files.Exists("C:\\WINNT\\fonts\\Docsealw.ttf"));
  EXPECT_FALSE(
      m->files.Exists("C:\\WINNT\\Profiles\\All Users\\Start Menu\\Programs\\Docseal 4.0"));
  EXPECT_FALSE(HasKey(*m, kHkeyLocalMachine, "Software\\Docseal4"));
  EXPECT_EQ(1u, Dword(*m, kHkeyClassesRoot, kProgrammableKey, "Reboot"));
  m->Restart();
  EXPECT_FALSE(m->files.Exists("C:\\WINNT\\system32\\VRXUnInst.EXE"));
  EXPECT_FALSE(m->files.Exists("C:\\Program Files\\Docseal\\Stamps\\PASTDUE.STS"));
}

TEST(Run, NoRebootEndsByItselfAndSchedulesNothing) {
  auto m = Load("nt-word");
  {
    Program program(m->platform());
    Main(program, "MSWORD NOREBOOT");
    EXPECT_FALSE(program.AnyFormLoaded());
    EXPECT_TRUE(program.state.NeedsRestart);
    EXPECT_EQ(
        "C:\\Program Files\\Docseal\\Stamps\\PASTDUE.STS this file will be removed when you "
        "reboot your computer.",
        program.state.DetailMessages.at(0));
  }
  EXPECT_TRUE(m->system.pending.empty());
  EXPECT_TRUE(m->files.Exists("C:\\WINNT\\system32\\VRXUnInst.EXE"));
  // Exit was never pressed, so nobody was told about the restart.
  EXPECT_EQ(0xDEADBEEF, Dword(*m, kHkeyClassesRoot, kProgrammableKey, "Reboot"));
}

TEST(Run, Windows98WithNoRebootLeavesWininitAlone) {
  auto m = Load("win98-all");
  ASSERT_TRUE(m->files.SetInUse("C:\\WINDOWS\\SYSTEM\\FUNCKY60.dll", false));
  ASSERT_TRUE(m->files.SetInUse("C:\\Docseal\\Word\\Stamps\\CONFID.STB", false));
  ASSERT_TRUE(m->files.SetAttributes("C:\\Docseal\\WP8\\Stamps\\DRAFT.STB", 0));
  {
    Program program(m->platform());
    Main(program, "WPWIN7 NOREBOOT");
    EXPECT_EQ(0, program.state.PendingDeleteCount);
    EXPECT_FALSE(program.AnyFormLoaded());
  }
  EXPECT_FALSE(m->files.Exists("C:\\WINDOWS\\Wininit.ini"));
}

TEST(Run, SharedComponentUsedByAnotherProgramStays) {
  auto m = Load("nt-shared");
  {
    Program program(m->platform());
    Main(program, "WPWIN8");
    EXPECT_TRUE(program.state.ChosenAll);
    EXPECT_FALSE(program.state.NeedsRestart);
    EXPECT_FALSE(program.Processing().cmdDetails().Visible());
    program.Processing().cmdExit_Click();
    EXPECT_FALSE(program.AnyFormLoaded());
  }
  EXPECT_EQ(1u, Dword(*m, kHkeyLocalMachine, kSharedDlls, "C:\\WINNT\\SYSTEM32\\FUNCKY60.DLL"));
  EXPECT_TRUE(m->files.Exists("C:\\WINNT\\system32\\FUNCKY60.dll"));
  EXPECT_FALSE(m->files.Exists("C:\\Corel\\WPWin8\\Macros\\StampMnu.WCM"));
  EXPECT_TRUE(Said(*m,
                   "start \"C:\\Corel\\WPWin8\\Programs\\WPWin8.exe /m-\\\"C:\\Corel\\WPWin8\\"
                   "Macros\\StampRem.wcm\\\"\" style 2 -> task 1"));
  EXPECT_EQ(0u, Dword(*m, kHkeyClassesRoot, kProgrammableKey, "Reboot"));
  EXPECT_EQ(std::vector<std::string>{"C:\\WINNT\\system32\\VRXUnInst.EXE"}, m->system.pending);
}

TEST(Run, OddDirectoriesDeleteNothingTheUserWasNotAskedAbout) {
  // Values that name "", "\\", "C:\\", the Windows folder, a folder with blanks, a missing folder
  // and a path of 300 characters; the user answers No to every question.
  auto original =
      LoadImage(std::filesystem::path(VRX_SOURCE_DIR) / "tests" / "wine" / "machines" / "hostile");
  SimMachine m;
  sim::CopyMachine(*original, &m);
  m.ui.answers.assign(10, kIdNo);
  {
    Program program(m.platform());
    Main(program, "MSWORD NOREBOOT");
    EXPECT_FALSE(program.AnyFormLoaded());
  }
  for (const sim::EntryInfo& e : original->files.Entries()) {
    EXPECT_TRUE(m.files.Exists(e.path)) << e.path;
  }
  // The root of C: and the Windows folder are never asked about; the stamp folder is.
  EXPECT_EQ(std::vector<std::string>{"msgbox \"Directory not empty C:\\Path With Blanks\\rDo you "
                                     "want me to remove it?\" style 4 title \"Docseal\" -> no"},
            Questions(m));
}

}  // namespace
}  // namespace vrx
