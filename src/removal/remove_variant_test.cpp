#include "removal/remove_variant.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

#include "platform/form.h"
#include "platform/sim/sim_machine.h"
#include "progress/processing_form.h"
#include "state/program.h"
#include "testing/fault_injection.h"
#include "testing/sim_test_util.h"
#include "wizard/uninstall_form.h"

namespace vrx {
namespace {

using Lines = std::vector<std::string>;

constexpr const char* kStamps = "C:\\Program Files\\Docseal\\Stamps";
constexpr const char* kStampsShort = "C:\\PROGRA~1\\Docseal\\Stamps";
constexpr const char* kSystem = "C:\\WINDOWS\\SYSTEM";
constexpr const char* kSharedDlls = "Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
constexpr const char* kRunOnce = "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
constexpr const char* kFuncky = "C:\\WINDOWS\\SYSTEM\\FUNCKY60.DLL";
const ManifestEntry kStampDirEntry = {"", "STMPDIR", "False"};
const ManifestEntry kFunckyEntry = {"FUNCKY60.dll", "WINSYS", "True"};

std::string InStamps(const std::string& name) { return std::string(kStamps) + "\\" + name; }
std::string Sz(const std::string& text) { return text + '\0'; }
using sim::testing::DwordBytes;

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

  // Puts the entries at the start of the manifest, fillers after them, and walks it.
  void Remove(const std::vector<ManifestEntry>& entries) {
    for (size_t i = 0; i < entries.size(); ++i) program.manifest[i] = entries[i];
    RemoveManifestFiles(program);
  }
  void AddFile(const std::string& path, uint32_t attributes = 0, bool in_use = false) {
    ASSERT_TRUE(machine.files.AddFile(path, "data", attributes)) << path;
    ASSERT_TRUE(machine.files.SetInUse(path, in_use));
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
  Lines Details() const {
    return {program.state.DetailMessages.begin(),
            program.state.DetailMessages.begin() + (program.state.DetailMessagesLast + 1)};
  }
  Lines Questions() const { return sim::testing::Questions(machine); }
  int16_t Counter() { return program.UnInstall().nStartProgress; }
  float BarValue() { return program.Processing().ProgressBar1().ProgressValue(); }

  sim::SimMachine machine;
  Program program{machine.platform()};
};

// ---------------------------------------------------------------------------------------------
// The progress counter and the pauses

TEST_F(RemovalTest, AdvanceProgressRoundsHalvesToEvenAndShowsTheUnroundedCount) {
  struct Case {
    const char* what;
    float max;
    int16_t start;
    std::vector<double> steps;
    int16_t counter;
    float bar;
  };
  const Case cases[] = {
      {"2.5 goes down", 1000, 1, {1.5}, 2, 0.25f},
      {"3.5 goes up", 1000, 1, {1.5, 1.5}, 4, 0.35f},
      {"fractions", 1000, 100, {100.0 / 220, 100.0 / 220}, 100, (100 + 100.0f / 220) / 10},
      {"above Max: the bar keeps its value", 10, 90, {5, 50}, 145, 9.5f},
      {"beyond 16 bits: nothing changes", 4000, 32667, {100, 0.5, 100}, 32767, 3276.7f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(program.Processing().ProgressBar1().SetProgressValue(0));
    ASSERT_TRUE(program.Processing().ProgressBar1().SetMax(c.max));
    program.UnInstall().nStartProgress = c.start;
    for (double step : c.steps) AdvanceProgress(program, step);
    EXPECT_EQ(c.counter, Counter());
    EXPECT_FLOAT_EQ(c.bar, BarValue());
  }
}

TEST_F(RemovalTest, WaitSecondsPumpsUntilTheClockHasMovedButNeverPastMidnight) {
  machine.clock.Set(1000);
  WaitSeconds(program, 3);
  EXPECT_EQ(1003.0, machine.clock.seconds());
  EXPECT_EQ(48, machine.ui.pumps());

  machine.clock.Set(86397);  // ends at 86399 exactly: still waited for
  WaitSeconds(program, 2);
  EXPECT_EQ(86399.0, machine.clock.seconds());

  const long pumps = machine.ui.pumps();
  machine.clock.Set(86397.5);
  WaitSeconds(program, 2);
  EXPECT_EQ(pumps, machine.ui.pumps());
}

// ---------------------------------------------------------------------------------------------
// Ordinary files

TEST_F(RemovalTest, PlainFilesAreDeletedAndHiddenOrSystemFilesCountAsAbsent) {
  const std::pair<const char*, uint32_t> files[] = {{"PLAIN.STB", 0},
                                                    {"ARCHIVED.STM", kAttrArchive},
                                                    {"HIDDEN.STB", kAttrHidden},
                                                    {"SYSTEM.STM", kAttrSystem}};
  std::vector<ManifestEntry> entries;
  for (const auto& [name, attributes] : files) {
    AddFile(InStamps(name), attributes);
    entries.push_back({name, "STMPDIR", "False"});
  }
  Remove(entries);
  for (const auto& [name, attributes] : files) {
    EXPECT_EQ((attributes & (kAttrHidden | kAttrSystem)) != 0, machine.files.Exists(InStamps(name)))
        << name;
  }
  EXPECT_EQ(-1, program.state.DetailMessagesLast);
  EXPECT_FALSE(program.state.NeedsRestart);
  EXPECT_TRUE(machine.system.pending.empty());
}

TEST_F(RemovalTest, FileThatCannotBeDeletedIsReportedAndScheduledByItsShortPath) {
  AddFile(InStamps("READONLY.STB"), kAttrReadOnly);
  Remove({{"READONLY.STB", "STMPDIR", "False"}});  // Windows NT: MoveFileEx
  EXPECT_TRUE(program.state.NeedsRestart);
  EXPECT_TRUE(program.state.HasDetails);
  program.state.IsWinNT = false;
  program.state.IsWin9x = true;
  AddFile(InStamps("BUSY.STB"), 0, /*in_use=*/true);
  Remove({{"BUSY.STB", "STMPDIR", "False"}});  // Windows 95/98: kept for Wininit.ini
  program.state.IsWinNT = true;
  program.state.IsWin9x = false;
  program.state.NoReboot = true;
  AddFile(InStamps("NOREBOOT.STB"), 0, /*in_use=*/true);
  Remove({{"NOREBOOT.STB", "STMPDIR", "False"}});  // only reported

  const std::string later = " this file will be removed when you reboot your computer.";
  EXPECT_EQ((Lines{InStamps("READONLY.STB") + later, InStamps("BUSY.STB") + later,
                   InStamps("NOREBOOT.STB") + later}),
            Details());
  EXPECT_EQ(Lines{std::string(kStampsShort) + "\\READONLY.STB"}, machine.system.pending);
  ASSERT_EQ(1, program.state.PendingDeleteCount);
  EXPECT_EQ(std::string(kStampsShort) + "\\BUSY.STB", program.state.PendingDeletes[1]);
  EXPECT_TRUE(machine.files.Exists(InStamps("READONLY.STB")));
}

TEST_F(RemovalTest, FillersAndABackslashDirectoryDeleteNothing) {
  AddFile("C:\\xxx");
  RemoveManifestFiles(program);
  EXPECT_TRUE(machine.files.Exists("C:\\xxx"));
  EXPECT_EQ(-1, program.state.DetailMessagesLast);
  // 220 steps of 100/220 each: the counter keeps its rounded value.
  EXPECT_EQ(1, Counter());

  // A directory of "\" is passed over before anything else, progress step included.
  ASSERT_TRUE(program.Processing().ProgressBar1().SetProgressValue(0));
  program.state.VariantStampDir = "\\\\";
  AddFile("C:\\DRAFT.STB");
  for (ManifestEntry& entry : program.manifest) entry = {"DRAFT.STB", "STMPDIR", "False"};
  program.manifest[5] = kStampDirEntry;
  RemoveManifestFiles(program);
  EXPECT_TRUE(machine.files.Exists("C:\\DRAFT.STB"));
  EXPECT_TRUE(Questions().empty());
  EXPECT_EQ(0.0f, BarValue());
}

// ---------------------------------------------------------------------------------------------
// Directories

TEST_F(RemovalTest, DirectoryWithoutFilesGoesWithoutAQuestionUnlessASubdirectoryKeepsIt) {
  const std::string custom = InStamps("Custom");
  ASSERT_TRUE(machine.files.AddDirectory(custom));
  Remove({kStampDirEntry});
  EXPECT_TRUE(machine.files.Exists(custom));
  const Lines line = {std::string(kStamps) + " You must manually remove this directory."};
  EXPECT_EQ(line, Details());
  EXPECT_EQ("c:\\", machine.files.GetCurrentDirectory());

  ASSERT_EQ(kOk, machine.files.RemoveDirectory(custom));
  Remove({kStampDirEntry});
  EXPECT_FALSE(machine.files.Exists(kStamps));
  Remove({kStampDirEntry});  // gone now: passed over silently
  EXPECT_EQ(line, Details());
  EXPECT_TRUE(Questions().empty());
  EXPECT_EQ("c:\\", machine.files.GetCurrentDirectory());
}

TEST_F(RemovalTest, DirectoryWithFilesAsksAndNoLeavesEverything) {
  AddFile(InStamps("desktop.ini"), kAttrHidden);  // a hidden file alone brings the question
  SetValue("Software\\Docseal4\\MSWORD\\Defaults", "SRCDIR", kRegSz, Sz("C:\\Setup"));
  AddFile("C:\\Setup\\setup.exe");
  machine.ui.answers = {kIdNo, kIdNo};
  Remove({kStampDirEntry, {"", "SRCDIR", "False"}});
  EXPECT_EQ((Lines{"msgbox \"Directory not empty C:\\Program Files\\Docseal\\Stamps\\rDo you want "
                   "me to remove it?\" style 4 title \"Docseal\" -> no",
                   "msgbox \"Setup Files Directory not empty C:\\Setup\\rDo you want me to remove "
                   "it?\" style 4 title \"Docseal\" -> no"}),
            Questions());
  EXPECT_TRUE(machine.files.Exists(InStamps("desktop.ini")));
  EXPECT_TRUE(machine.files.Exists("C:\\Setup\\setup.exe"));
  EXPECT_EQ(-1, program.state.DetailMessagesLast);
}

TEST_F(RemovalTest, YesDeletesTheFilesButASubdirectoryKeepsTheDirectory) {
  AddFile(InStamps("mine.txt"), kAttrReadOnly);
  AddFile(InStamps("hidden long name.txt"), kAttrHidden);
  AddFile(InStamps("busy.txt"), 0, /*in_use=*/true);
  ASSERT_TRUE(machine.files.AddDirectory(InStamps("Custom")));
  machine.ui.answers.push_back(kIdYes);
  Remove({kStampDirEntry});

  EXPECT_FALSE(machine.files.Exists(InStamps("mine.txt")));
  EXPECT_FALSE(machine.files.Exists(InStamps("hidden long name.txt")));
  EXPECT_TRUE(machine.files.Exists(InStamps("busy.txt")));
  EXPECT_TRUE(machine.files.Exists(InStamps("Custom")));
  EXPECT_EQ((Lines{InStamps("busy.txt") + " You must manually delete this file.",
                   std::string(kStamps) + " You must manually remove this directory."}),
            Details());
  // Files inside a directory are never scheduled.
  EXPECT_FALSE(program.state.NeedsRestart);
  EXPECT_TRUE(machine.system.pending.empty());
}

TEST_F(RemovalTest, ACurrentDirectoryThatCannotBeLearntIsNeverLeft) {
  ASSERT_TRUE(machine.files.AddDirectory(InStamps("Custom")));
  FaultInjection faults(machine.platform());
  faults.FailCall("GetCurrentDirectoryA");
  Program faulty(faults.platform());
  faulty.Processing().Load();
  for (ManifestEntry& entry : faulty.manifest) entry = {"xxx", "", "False"};
  faulty.manifest[0] = kStampDirEntry;
  faulty.state.VariantStampDir = kStamps;
  RemoveManifestFiles(faulty);
  EXPECT_EQ("c:\\", machine.files.GetCurrentDirectory());
  EXPECT_TRUE(machine.files.Exists(InStamps("Custom")));
  EXPECT_EQ(-1, faulty.state.DetailMessagesLast);
}

// ---------------------------------------------------------------------------------------------
// Shared components

// A count above one is lowered by its leading digits; one too large for 32 bits is many users.
TEST_F(RemovalTest, SharedCountAboveOneIsLoweredAndTheFileStays) {
  AddFile(kFuncky);
  AllowRegsvr32();
  for (const auto& [type, count, lowered] :
       {std::tuple{kRegDword, DwordBytes(3), DwordBytes(2)},
        std::tuple{kRegSz, Sz("2 users"), DwordBytes(1)},
        std::tuple{kRegSz, Sz("99999999999"), DwordBytes(2147483646)},
        std::tuple{kRegSz, Sz(" 2147483648 users"), DwordBytes(2147483646)},
        std::tuple{kRegDword, DwordBytes(0x80000000u), DwordBytes(2147483646)},
        std::tuple{kRegDword, DwordBytes(0xFFFFFFFFu), DwordBytes(2147483646)}}) {
    SCOPED_TRACE(count);
    SetValue(kSharedDlls, kFuncky, type, count);
    Remove({kFunckyEntry});
    ASSERT_NE(nullptr, FindValue(kSharedDlls, kFuncky));
    EXPECT_EQ(kRegDword, FindValue(kSharedDlls, kFuncky)->type);
    EXPECT_EQ(lowered, FindValue(kSharedDlls, kFuncky)->data);
  }
  EXPECT_TRUE(machine.files.Exists(kFuncky));
  EXPECT_TRUE(machine.processes.started.empty());
}

TEST_F(RemovalTest, LastUserUnregistersDeletesAndDropsTheCountQuotingAPathWithABlank) {
  AddFile(kFuncky);
  AllowRegsvr32();
  SetValue(kSharedDlls, kFuncky, kRegDword, DwordBytes(1));
  SetValue("Software\\Docseal4\\WPWIN8\\Defaults", "Startup Directory", kRegSz,
           Sz("C:\\Corel Office\\Macros"));
  // StampMnu.WCM has no count and is not there: it is unregistered all the same.
  Remove({kFunckyEntry, {"StampMnu.WCM", "STARTUPDIRWP8", "True"}});
  EXPECT_EQ(
      (Lines{"C:\\WINDOWS\\SYSTEM\\regsvr32 /u /s C:\\WINDOWS\\SYSTEM\\FUNCKY60.DLL",
             "C:\\WINDOWS\\SYSTEM\\regsvr32 /u /s \"C:\\COREL OFFICE\\MACROS\\STAMPMNU.WCM\""}),
      machine.processes.started);
  const Lines& lines = machine.transcript.lines();
  EXPECT_EQ(
      1,
      std::count(lines.begin(), lines.end(),
                 "start \"C:\\WINDOWS\\SYSTEM\\regsvr32 /u /s C:\\WINDOWS\\SYSTEM\\FUNCKY60.DLL\" "
                 "style 0 -> task 1"));
  EXPECT_FALSE(machine.files.Exists(kFuncky));
  EXPECT_EQ(nullptr, FindValue(kSharedDlls, kFuncky));
  EXPECT_EQ(-1, program.state.DetailMessagesLast);
  EXPECT_FALSE(program.state.NeedsRestart);
}

TEST_F(RemovalTest, SharedComponentInUseIsScheduledByItsUpperCaseLongPath) {
  program.state.IsWinNT = false;
  program.state.IsWin9x = true;
  AddFile(kFuncky, 0, /*in_use=*/true);
  AllowRegsvr32();
  Remove({kFunckyEntry});
  EXPECT_TRUE(program.state.NeedsRestart);
  EXPECT_EQ(Lines{std::string(kFuncky) + " file may be in use by another program."}, Details());
  ASSERT_EQ(1, program.state.PendingDeleteCount);
  EXPECT_EQ(kFuncky, program.state.PendingDeletes[1]);
}

TEST_F(RemovalTest, Regsvr32ThatCannotStartLeavesARunOnceCommand) {
  AddFile(kFuncky, 0, /*in_use=*/true);
  machine.registry.EnsureKey(kHkeyLocalMachine, kRunOnce);
  SetValue(kSharedDlls, kFuncky, kRegDword, DwordBytes(1));
  Remove({kFunckyEntry});
  ASSERT_NE(nullptr, FindValue(kRunOnce, "Docseal2"));
  EXPECT_EQ(kRegSz, FindValue(kRunOnce, "Docseal2")->type);
  EXPECT_EQ(Sz("C:\\WINDOWS\\SYSTEM\\regsvr32.exe /s /u " + std::string(kFuncky)),
            FindValue(kRunOnce, "Docseal2")->data);
  EXPECT_EQ(Lines{kFuncky}, machine.system.pending);
  EXPECT_EQ(nullptr, FindValue(kSharedDlls, kFuncky));
  EXPECT_EQ(-1, program.state.DetailMessagesLast);
  EXPECT_FALSE(program.state.NeedsRestart);
}

// ---------------------------------------------------------------------------------------------
// The whole removal

TEST_F(RemovalTest, RemovesTheVariantsSubkeysButKeepsItsKey) {
  machine.registry.EnsureKey(kHkeyLocalMachine, "Software\\Docseal4\\MSWord\\Defaults\\8");
  machine.registry.EnsureKey(kHkeyLocalMachine, "Software\\Docseal4\\WPWIN7\\Defaults");
  AddFile(InStamps("DRAFT.STB"));
  program.manifest[0] = {"DRAFT.STB", "STMPDIR", "False"};
  program.manifest[1] = kStampDirEntry;
  ASSERT_EQ(kOk, machine.files.SetCurrentDirectory(kSystem));
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

TEST_F(RemovalTest, VariantCodesAreComparedExactly) {
  machine.registry.EnsureKey(kHkeyLocalMachine, "Software\\Docseal4\\MSWord\\Defaults");
  SetValue("Software\\Microsoft\\Office\\8.0\\Common\\InstallRoot", "OfficeBin", kRegSz,
           Sz("C:\\Office"));
  AddFile(InStamps("DRAFT.STB"));
  program.manifest[0] = {"DRAFT.STB", "STMPDIR", "False"};

  for (const char* code : {"msword", "XMSWORD"}) RemoveVariant(program, code);

  EXPECT_FALSE(machine.files.Exists(InStamps("DRAFT.STB")));
  EXPECT_NE(nullptr,
            machine.registry.FindKey(kHkeyLocalMachine, "Software\\Docseal4\\MSWord\\Defaults"));
  EXPECT_TRUE(machine.processes.started.empty());
  EXPECT_EQ(0, machine.word.RunningCount());
  EXPECT_EQ(1 + 2 * (300 + 150 + 100), Counter());
}

}  // namespace
}  // namespace vrx
