#include "removal/remove_variant.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/form.h"
#include "platform/forwarding_platform.h"
#include "platform/sim/sim_machine.h"
#include "progress/processing_form.h"
#include "startup/program.h"
#include "wizard/uninstall_form.h"

namespace vrx {
namespace {

constexpr const char* kStamps = "C:\\Program Files\\Docseal\\Stamps";
constexpr const char* kStampsShort = "C:\\PROGRA~1\\Docseal\\Stamps";
constexpr const char* kSystem = "C:\\WINDOWS\\SYSTEM";
constexpr const char* kSharedDlls = "Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
constexpr const char* kRunOnce = "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
constexpr const char* kFuncky = "C:\\WINDOWS\\SYSTEM\\FUNCKY60.DLL";

// Keeps what the message boxes were asked, byte for byte.
class RecordingUi : public ForwardingUi {
 public:
  using ForwardingUi::ForwardingUi;
  int MessageBox(const std::string& text, int style, const std::string& title) override {
    texts.push_back(text);
    styles.push_back(style);
    titles.push_back(title);
    return ForwardingUi::MessageBox(text, style, title);
  }
  std::vector<std::string> texts;
  std::vector<int> styles;
  std::vector<std::string> titles;
};

std::string Sz(const std::string& text) { return text + '\0'; }

std::string Dword(uint32_t n) {
  std::string bytes(4, '\0');
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<char>((n >> (8 * i)) & 0xFF);
  return bytes;
}

class RemovalTest : public ::testing::Test {
 protected:
  RemovalTest() {
    machine.ApplyFacts();
    program.Processing().Load();
    EXPECT_TRUE(program.Processing().ProgressBar1().SetMax(1000));
    program.UnInstall().nStartProgress = 1;
    program.state.IsWinNT = true;
    program.state.VariantStampDir = kStamps;
    for (ManifestEntry& entry : program.manifest) entry = {"xxx", "", "False"};
    EXPECT_TRUE(machine.files.AddDirectory(kStamps));
    EXPECT_TRUE(machine.files.AddDirectory(kSystem));
    (void)machine.files.SetCurrentDirectory("c:\\");
  }

  // Puts entries at the start of the manifest; fillers follow.
  void SetManifest(const std::vector<ManifestEntry>& entries) {
    for (size_t i = 0; i < entries.size(); ++i) program.manifest[i] = entries[i];
  }

  void AddFile(const std::string& path, uint32_t attributes = 0) {
    ASSERT_TRUE(machine.files.AddFile(path, "data", attributes)) << path;
  }

  void SetValue(const std::string& key, const std::string& name, uint32_t type,
                const std::string& data) {
    machine.registry.EnsureKey(kHkeyLocalMachine, key).SetValue(name, type, data);
  }
  const sim::SimValue* FindValue(const std::string& key, const std::string& name) {
    const sim::SimKey* k = machine.registry.FindKey(kHkeyLocalMachine, key);
    return k == nullptr ? nullptr : k->FindValue(name);
  }

  void AllowRegsvr32() {
    machine.processes.programs.push_back({std::string(kSystem) + "\\regsvr32", "regsvr32"});
  }

  std::vector<std::string> Details() const {
    return {program.state.DetailMessages.begin(),
            program.state.DetailMessages.begin() + (program.state.DetailMessagesLast + 1)};
  }

  int16_t Counter() { return program.UnInstall().nStartProgress; }
  float BarValue() { return program.Processing().ProgressBar1().ProgressValue(); }

  sim::SimMachine machine;
  RecordingUi ui{&machine.ui};
  Program program{Forward(machine.platform(), nullptr, nullptr, nullptr, nullptr, nullptr, &ui)};
};

// ---------------------------------------------------------------------------------------------
// The progress counter and the pauses

TEST_F(RemovalTest, AdvanceProgressRoundsHalvesToEven) {
  program.UnInstall().nStartProgress = 1;
  AdvanceProgress(program, 1.5);  // 2.5
  EXPECT_EQ(2, Counter());
  EXPECT_FLOAT_EQ(0.25f, BarValue());
  AdvanceProgress(program, 1.5);  // 3.5
  EXPECT_EQ(4, Counter());
  EXPECT_FLOAT_EQ(0.35f, BarValue());
}

TEST_F(RemovalTest, FractionalStepMovesTheBarButNotTheCounter) {
  program.UnInstall().nStartProgress = 100;
  AdvanceProgress(program, 100.0 / 220);
  AdvanceProgress(program, 100.0 / 220);
  EXPECT_EQ(100, Counter());
  EXPECT_FLOAT_EQ(static_cast<float>((100 + 100.0 / 220) / 10), BarValue());
}

TEST_F(RemovalTest, BarRefusesAValueAboveMaxWhileTheCounterGoesOn) {
  ASSERT_TRUE(program.Processing().ProgressBar1().SetMax(10));
  program.UnInstall().nStartProgress = 90;
  AdvanceProgress(program, 5);
  EXPECT_FLOAT_EQ(9.5f, BarValue());
  AdvanceProgress(program, 50);
  EXPECT_EQ(145, Counter());
  EXPECT_FLOAT_EQ(9.5f, BarValue());
}

TEST_F(RemovalTest, StepBeyondSixteenBitsChangesNothing) {
  ASSERT_TRUE(program.Processing().ProgressBar1().SetMax(4000));
  program.UnInstall().nStartProgress = 32667;
  AdvanceProgress(program, 100);
  EXPECT_EQ(32767, Counter());
  EXPECT_FLOAT_EQ(3276.7f, BarValue());

  AdvanceProgress(program, 0.5);  // rounds to 32768
  AdvanceProgress(program, 100);
  EXPECT_EQ(32767, Counter());
  EXPECT_FLOAT_EQ(3276.7f, BarValue());
}

TEST_F(RemovalTest, WaitSecondsPumpsUntilTheClockHasMoved) {
  machine.clock.Set(1000);
  WaitSeconds(program, 3);
  EXPECT_EQ(1003.0, machine.clock.seconds());
  EXPECT_EQ(48, machine.ui.pumps());
}

TEST_F(RemovalTest, WaitThatWouldPassMidnightEndsAtOnce) {
  machine.clock.Set(86397.5);
  WaitSeconds(program, 2);
  EXPECT_EQ(0, machine.ui.pumps());

  machine.clock.Set(86397);  // ends at 86399 exactly: still waited for
  WaitSeconds(program, 2);
  EXPECT_EQ(86399.0, machine.clock.seconds());
}

// ---------------------------------------------------------------------------------------------
// Ordinary files

TEST_F(RemovalTest, PlainAndArchivedFilesAreDeleted) {
  AddFile(std::string(kStamps) + "\\DRAFT.STB");
  AddFile(std::string(kStamps) + "\\DRAFT.STM", kAttrArchive);
  SetManifest({{"DRAFT.STB", "STMPDIR", "False"}, {"DRAFT.STM", "STMPDIR", "False"}});
  RemoveManifestFiles(program);
  EXPECT_FALSE(machine.files.Exists(std::string(kStamps) + "\\DRAFT.STB"));
  EXPECT_FALSE(machine.files.Exists(std::string(kStamps) + "\\DRAFT.STM"));
  EXPECT_EQ(-1, program.state.DetailMessagesLast);
  EXPECT_FALSE(program.state.NeedsRestart);
}

TEST_F(RemovalTest, HiddenAndSystemFilesCountAsAbsent) {
  AddFile(std::string(kStamps) + "\\DRAFT.STB", kAttrHidden);
  AddFile(std::string(kStamps) + "\\DRAFT.STM", kAttrSystem);
  SetManifest({{"DRAFT.STB", "STMPDIR", "False"}, {"DRAFT.STM", "STMPDIR", "False"}});
  RemoveManifestFiles(program);
  EXPECT_TRUE(machine.files.Exists(std::string(kStamps) + "\\DRAFT.STB"));
  EXPECT_TRUE(machine.files.Exists(std::string(kStamps) + "\\DRAFT.STM"));
  EXPECT_EQ(-1, program.state.DetailMessagesLast);
  EXPECT_TRUE(machine.system.pending.empty());
}

TEST_F(RemovalTest, ReadOnlyFileIsScheduledByItsShortPathOnNT) {
  AddFile(std::string(kStamps) + "\\DRAFT.STB", kAttrReadOnly);
  SetManifest({{"DRAFT.STB", "STMPDIR", "False"}});
  RemoveManifestFiles(program);
  EXPECT_TRUE(machine.files.Exists(std::string(kStamps) + "\\DRAFT.STB"));
  EXPECT_TRUE(program.state.NeedsRestart);
  EXPECT_TRUE(program.state.HasDetails);
  EXPECT_EQ(std::vector<std::string>{std::string(kStamps) +
                                     "\\DRAFT.STB this file will be removed when you reboot "
                                     "your computer."},
            Details());
  EXPECT_EQ(std::vector<std::string>{std::string(kStampsShort) + "\\DRAFT.STB"},
            machine.system.pending);
}

TEST_F(RemovalTest, CsuBinHasItsAttributesClearedAndIsDeleted) {
  program.state.VariantDataDir = "C:\\Program Files\\Docseal\\Data";
  AddFile("C:\\Program Files\\Docseal\\Data\\CSU.BIN", kAttrReadOnly | kAttrArchive);
  SetManifest({{"CSU.BIN", "LD", "False"}});
  RemoveManifestFiles(program);
  EXPECT_FALSE(machine.files.Exists("C:\\Program Files\\Docseal\\Data\\CSU.BIN"));
  EXPECT_FALSE(program.state.NeedsRestart);
}

TEST_F(RemovalTest, FileInUseOnWin9xJoinsPendingDeletesShort) {
  program.state.IsWinNT = false;
  program.state.IsWin9x = true;
  AddFile(std::string(kStamps) + "\\groups.lst");
  ASSERT_TRUE(machine.files.SetInUse(std::string(kStamps) + "\\groups.lst", true));
  SetManifest({{"groups.lst", "STMPDIR", "False"}});
  RemoveManifestFiles(program);
  EXPECT_TRUE(program.state.NeedsRestart);
  ASSERT_EQ(1, program.state.PendingDeleteCount);
  EXPECT_EQ(std::string(kStampsShort) + "\\groups.lst", program.state.PendingDeletes[1]);
  EXPECT_TRUE(machine.system.pending.empty());
}

TEST_F(RemovalTest, FileInUseOnNTWithNoRebootIsOnlyReported) {
  program.state.NoReboot = true;
  AddFile(std::string(kStamps) + "\\groups.lst");
  ASSERT_TRUE(machine.files.SetInUse(std::string(kStamps) + "\\groups.lst", true));
  SetManifest({{"groups.lst", "STMPDIR", "False"}});
  RemoveManifestFiles(program);
  EXPECT_TRUE(program.state.NeedsRestart);
  EXPECT_EQ(0, program.state.DetailMessagesLast);
  EXPECT_TRUE(machine.system.pending.empty());
  EXPECT_EQ(0, program.state.PendingDeleteCount);
}

TEST_F(RemovalTest, FillerEntriesDeleteNothingEvenInTheRoot) {
  AddFile("C:\\xxx");
  RemoveManifestFiles(program);
  EXPECT_TRUE(machine.files.Exists("C:\\xxx"));
  EXPECT_EQ(-1, program.state.DetailMessagesLast);
  // 220 steps of 100/220 each: the counter keeps its rounded value.
  EXPECT_EQ(1, Counter());
}

TEST_F(RemovalTest, DirectoryOfABackslashIsPassedOverWithoutAProgressStep) {
  program.state.VariantStampDir = "\\\\";  // resolves to "\"
  AddFile("C:\\DRAFT.STB");
  for (ManifestEntry& entry : program.manifest) entry = {"DRAFT.STB", "STMPDIR", "False"};
  program.manifest[5] = {"", "STMPDIR", "False"};
  RemoveManifestFiles(program);
  EXPECT_TRUE(machine.files.Exists("C:\\DRAFT.STB"));
  EXPECT_TRUE(ui.texts.empty());
  EXPECT_EQ(0.0f, BarValue());
}

// ---------------------------------------------------------------------------------------------
// Directories

TEST_F(RemovalTest, EmptyDirectoryIsRemovedWithoutAQuestion) {
  SetManifest({{"", "STMPDIR", "False"}});
  RemoveManifestFiles(program);
  EXPECT_FALSE(machine.files.Exists(kStamps));
  EXPECT_TRUE(ui.texts.empty());
  EXPECT_EQ(-1, program.state.DetailMessagesLast);
  EXPECT_EQ("c:\\", machine.files.GetCurrentDirectory());
}

TEST_F(RemovalTest, DirectoryWithOnlyASubdirectoryIsLeftWithALine) {
  ASSERT_TRUE(machine.files.AddDirectory(std::string(kStamps) + "\\Custom"));
  SetManifest({{"", "STMPDIR", "False"}});
  RemoveManifestFiles(program);
  EXPECT_TRUE(machine.files.Exists(std::string(kStamps) + "\\Custom"));
  EXPECT_TRUE(ui.texts.empty());
  EXPECT_EQ(
      std::vector<std::string>{std::string(kStamps) + " You must manually remove this directory."},
      Details());
  EXPECT_EQ("c:\\", machine.files.GetCurrentDirectory());
}

TEST_F(RemovalTest, DirectoryThatIsGoneIsPassedOverSilently) {
  program.state.VariantStampDir = "C:\\Nowhere";
  SetManifest({{"", "STMPDIR", "False"}});
  RemoveManifestFiles(program);
  EXPECT_TRUE(ui.texts.empty());
  EXPECT_EQ(-1, program.state.DetailMessagesLast);
  EXPECT_EQ("c:\\", machine.files.GetCurrentDirectory());
}

TEST_F(RemovalTest, DirectoryWithFilesAsksAndNoLeavesEverything) {
  AddFile(std::string(kStamps) + "\\mine.txt");
  machine.ui.answers.push_back(kIdNo);
  SetManifest({{"", "STMPDIR", "False"}});
  RemoveManifestFiles(program);
  ASSERT_EQ(1u, ui.texts.size());
  EXPECT_EQ(std::string("Directory not empty ") + kStamps + "\rDo you want me to remove it?",
            ui.texts[0]);
  EXPECT_EQ(kMbYesNo, ui.styles[0]);
  EXPECT_EQ("Docseal", ui.titles[0]);
  EXPECT_TRUE(machine.files.Exists(std::string(kStamps) + "\\mine.txt"));
  EXPECT_EQ(-1, program.state.DetailMessagesLast);
}

TEST_F(RemovalTest, HiddenFileAloneBringsTheQuestion) {
  AddFile(std::string(kStamps) + "\\desktop.ini", kAttrHidden);
  machine.ui.answers.push_back(kIdNo);
  SetManifest({{"", "STMPDIR", "False"}});
  RemoveManifestFiles(program);
  EXPECT_EQ(1u, ui.texts.size());
}

TEST_F(RemovalTest, SetupFilesDirectoryAsksWithItsOwnText) {
  SetValue("Software\\Docseal4\\MSWORD\\Defaults", "SRCDIR", kRegSz, Sz("C:\\Setup"));
  AddFile("C:\\Setup\\setup.exe");
  machine.ui.answers.push_back(kIdNo);
  SetManifest({{"", "SRCDIR", "False"}});
  RemoveManifestFiles(program);
  ASSERT_EQ(1u, ui.texts.size());
  EXPECT_EQ("Setup Files Directory not empty C:\\Setup\rDo you want me to remove it?", ui.texts[0]);
}

TEST_F(RemovalTest, YesDeletesTheFilesButASubdirectoryKeepsTheDirectory) {
  const std::string dir = kStamps;
  AddFile(dir + "\\mine.txt", kAttrReadOnly);
  AddFile(dir + "\\hidden long name.txt", kAttrHidden);
  AddFile(dir + "\\busy.txt");
  ASSERT_TRUE(machine.files.SetInUse(dir + "\\busy.txt", true));
  ASSERT_TRUE(machine.files.AddDirectory(dir + "\\Custom"));
  machine.ui.answers.push_back(kIdYes);
  SetManifest({{"", "STMPDIR", "False"}});
  RemoveManifestFiles(program);

  EXPECT_FALSE(machine.files.Exists(dir + "\\mine.txt"));
  EXPECT_FALSE(machine.files.Exists(dir + "\\hidden long name.txt"));
  EXPECT_TRUE(machine.files.Exists(dir + "\\busy.txt"));
  EXPECT_TRUE(machine.files.Exists(dir + "\\Custom"));
  EXPECT_EQ((std::vector<std::string>{dir + "\\busy.txt You must manually delete this file.",
                                      dir + " You must manually remove this directory."}),
            Details());
  // Files inside a directory are never scheduled.
  EXPECT_FALSE(program.state.NeedsRestart);
  EXPECT_TRUE(machine.system.pending.empty());
}

TEST_F(RemovalTest, YesOnFilesAloneRemovesTheDirectory) {
  AddFile(std::string(kStamps) + "\\mine.txt");
  machine.ui.answers.push_back(kIdYes);
  SetManifest({{"", "STMPDIR", "False"}});
  RemoveManifestFiles(program);
  EXPECT_FALSE(machine.files.Exists(kStamps));
  EXPECT_EQ(-1, program.state.DetailMessagesLast);
}

// ---------------------------------------------------------------------------------------------
// Shared components

TEST_F(RemovalTest, SharedCountAboveOneIsLoweredAndTheFileStays) {
  AddFile(kFuncky);
  AllowRegsvr32();
  SetValue(kSharedDlls, kFuncky, kRegDword, Dword(3));
  SetManifest({{"FUNCKY60.dll", "WINSYS", "True"}});
  RemoveManifestFiles(program);
  EXPECT_TRUE(machine.files.Exists(kFuncky));
  ASSERT_NE(nullptr, FindValue(kSharedDlls, kFuncky));
  EXPECT_EQ(kRegDword, FindValue(kSharedDlls, kFuncky)->type);
  EXPECT_EQ(Dword(2), FindValue(kSharedDlls, kFuncky)->data);
  EXPECT_TRUE(machine.processes.started.empty());
}

TEST_F(RemovalTest, SharedCountIsReadByItsLeadingDigits) {
  AddFile(kFuncky);
  SetValue(kSharedDlls, kFuncky, kRegSz, Sz("2 users"));
  SetManifest({{"FUNCKY60.dll", "WINSYS", "True"}});
  RemoveManifestFiles(program);
  ASSERT_NE(nullptr, FindValue(kSharedDlls, kFuncky));
  EXPECT_EQ(Dword(1), FindValue(kSharedDlls, kFuncky)->data);
  EXPECT_TRUE(machine.files.Exists(kFuncky));
}

TEST_F(RemovalTest, LastUserUnregistersDeletesAndDropsTheCount) {
  AddFile(kFuncky);
  AllowRegsvr32();
  SetValue(kSharedDlls, kFuncky, kRegDword, Dword(1));
  SetManifest({{"FUNCKY60.dll", "WINSYS", "True"}});
  RemoveManifestFiles(program);
  EXPECT_EQ(std::vector<std::string>{"C:\\WINDOWS\\SYSTEM\\regsvr32 /u /s " + std::string(kFuncky)},
            machine.processes.started);
  EXPECT_FALSE(machine.files.Exists(kFuncky));
  EXPECT_EQ(nullptr, FindValue(kSharedDlls, kFuncky));
  EXPECT_EQ(-1, program.state.DetailMessagesLast);
}

TEST_F(RemovalTest, AbsentCountUnregistersEvenWhenTheFileIsGone) {
  AllowRegsvr32();
  SetManifest({{"FUNCKY60.dll", "WINSYS", "True"}});
  RemoveManifestFiles(program);
  EXPECT_EQ(1u, machine.processes.started.size());
  EXPECT_EQ(-1, program.state.DetailMessagesLast);
  EXPECT_FALSE(program.state.NeedsRestart);
}

TEST_F(RemovalTest, PathWithABlankIsQuotedForRegsvr32) {
  SetValue("Software\\Docseal4\\WPWIN8\\Defaults", "Startup Directory", kRegSz,
           Sz("C:\\Corel Office\\Macros"));
  AllowRegsvr32();
  SetManifest({{"StampMnu.WCM", "STARTUPDIRWP8", "True"}});
  RemoveManifestFiles(program);
  EXPECT_EQ(
      std::vector<std::string>{
          "C:\\WINDOWS\\SYSTEM\\regsvr32 /u /s \"C:\\COREL OFFICE\\MACROS\\STAMPMNU.WCM\""},
      machine.processes.started);
}

TEST_F(RemovalTest, SharedComponentInUseIsScheduledByItsUpperCaseLongPath) {
  program.state.IsWinNT = false;
  program.state.IsWin9x = true;
  AddFile(kFuncky);
  ASSERT_TRUE(machine.files.SetInUse(kFuncky, true));
  AllowRegsvr32();
  SetManifest({{"FUNCKY60.dll", "WINSYS", "True"}});
  RemoveManifestFiles(program);
  EXPECT_TRUE(program.state.NeedsRestart);
  EXPECT_EQ(
      std::vector<std::string>{std::string(kFuncky) + " file may be in use by another program."},
      Details());
  ASSERT_EQ(1, program.state.PendingDeleteCount);
  EXPECT_EQ(kFuncky, program.state.PendingDeletes[1]);
}

TEST_F(RemovalTest, Regsvr32ThatCannotStartLeavesARunOnceCommand) {
  AddFile(kFuncky);
  ASSERT_TRUE(machine.files.SetInUse(kFuncky, true));
  machine.registry.EnsureKey(kHkeyLocalMachine, kRunOnce);
  SetValue(kSharedDlls, kFuncky, kRegDword, Dword(1));
  SetManifest({{"FUNCKY60.dll", "WINSYS", "True"}});
  RemoveManifestFiles(program);
  ASSERT_NE(nullptr, FindValue(kRunOnce, "Docseal2"));
  EXPECT_EQ(kRegSz, FindValue(kRunOnce, "Docseal2")->type);
  EXPECT_EQ(Sz("C:\\WINDOWS\\SYSTEM\\regsvr32.exe /s /u " + std::string(kFuncky)),
            FindValue(kRunOnce, "Docseal2")->data);
  EXPECT_EQ(std::vector<std::string>{kFuncky}, machine.system.pending);
  EXPECT_EQ(nullptr, FindValue(kSharedDlls, kFuncky));
  EXPECT_EQ(-1, program.state.DetailMessagesLast);
  EXPECT_FALSE(program.state.NeedsRestart);
}

// ---------------------------------------------------------------------------------------------
// The whole removal

TEST_F(RemovalTest, RemovesTheVariantsSubkeysButKeepsItsKey) {
  machine.registry.EnsureKey(kHkeyLocalMachine, "Software\\Docseal4\\MSWord\\Defaults\\8");
  machine.registry.EnsureKey(kHkeyLocalMachine, "Software\\Docseal4\\WPWIN7\\Defaults");
  AddFile(std::string(kStamps) + "\\DRAFT.STB");
  SetManifest({{"DRAFT.STB", "STMPDIR", "False"}, {"", "STMPDIR", "False"}});
  machine.clock.Set(1000);

  RemoveVariant(program, "MSWORD");

  const sim::SimKey* key =
      machine.registry.FindKey(kHkeyLocalMachine, "Software\\Docseal4\\MSWord");
  ASSERT_NE(nullptr, key);
  EXPECT_EQ(0u, key->subkey_count());
  EXPECT_NE(nullptr,
            machine.registry.FindKey(kHkeyLocalMachine, "Software\\Docseal4\\WPWIN7\\Defaults"));
  EXPECT_FALSE(machine.files.Exists(kStamps));
  EXPECT_EQ("c:\\", machine.files.GetCurrentDirectory());
  EXPECT_EQ(1005.0, machine.clock.seconds());
  // No Word installed: 150, then the pause 300, the walk's end 150 and 100.
  EXPECT_EQ(1 + 150 + 300 + 150 + 100, Counter());
  EXPECT_FLOAT_EQ(70.1f, BarValue());
}

TEST_F(RemovalTest, UnknownVariantCodeOnlyWalksTheManifest) {
  machine.registry.EnsureKey(kHkeyLocalMachine, "Software\\Docseal4\\MSWord\\Defaults");
  SetValue("Software\\Microsoft\\Office\\8.0\\Common\\InstallRoot", "OfficeBin", kRegSz,
           Sz("C:\\Office"));
  AddFile(std::string(kStamps) + "\\DRAFT.STB");
  SetManifest({{"DRAFT.STB", "STMPDIR", "False"}});

  RemoveVariant(program, "msword");

  EXPECT_FALSE(machine.files.Exists(std::string(kStamps) + "\\DRAFT.STB"));
  EXPECT_NE(nullptr,
            machine.registry.FindKey(kHkeyLocalMachine, "Software\\Docseal4\\MSWord\\Defaults"));
  EXPECT_TRUE(machine.processes.started.empty());
  EXPECT_EQ(0, machine.word.RunningCount());
  EXPECT_EQ(1 + 300 + 150 + 100, Counter());
}

TEST_F(RemovalTest, WordPerfectVariantStartsItsWordPerfect) {
  SetValue("Software\\Docseal4\\WPWIN8\\Defaults", "Program Directory", kRegSz,
           Sz("C:\\Corel\\WPWIN8"));
  machine.registry.EnsureKey(kHkeyLocalMachine, "Software\\Docseal4\\WPWIN8\\Macros");
  machine.clock.Set(1000);
  RemoveVariant(program, "WPWIN8");
  ASSERT_EQ(1u, machine.processes.started.size());
  EXPECT_EQ(" /m-\"\\StampRem.wcm\"", machine.processes.started[0]);
  EXPECT_EQ(
      0u,
      machine.registry.FindKey(kHkeyLocalMachine, "Software\\Docseal4\\WPWIN8")->subkey_count());
}

}  // namespace
}  // namespace vrx
