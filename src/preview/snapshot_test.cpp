#include "preview/snapshot.h"

#include <gtest/gtest.h>

#include <fstream>

#include "platform/sim/machine_ini.h"
#include "platform/sim/machine_summary.h"
#include "platform/sim/reg_file.h"
#include "platform/windows_names.h"
#include "preview/sim_host.h"
#include "progress/processing_form.h"
#include "progress/reboot_form.h"
#include "state/program.h"
#include "testing/sim_test_util.h"
#include "wizard/uninstall_form.h"

namespace vrx::preview {
namespace {

namespace fs = std::filesystem;
using sim::SimMachine;
using sim::testing::TempFolder;

fs::path Image(const std::string& name) {
  fs::path sample = sim::testing::Sample(name);
  if (fs::exists(sample)) return sample;
  return fs::path(VRX_SOURCE_DIR) / "tests" / "wine" / "machines" / name;
}

// A machine of the source tree; each program it can start is a file too, as on Windows.
void Load(const std::string& name, SimMachine* machine) {
  std::string error;
  ASSERT_TRUE(sim::LoadMachineImage(Image(name), machine, &error)) << error;
  for (const sim::ProgramEntry& p : machine->processes.programs) {
    if (!machine->files.Exists(p.path + ".exe")) {
      ASSERT_TRUE(machine->files.AddFile(p.path + ".exe", "MZ")) << p.path;
    }
  }
}

// Everything an image of the machine holds, as text.
std::string Everything(const SimMachine& machine) {
  std::string all;
  for (const ImageEntry& e : ImageEntries(machine)) {
    all += e.path + (e.folder ? "\\\n" : "\n" + e.bytes + "\n");
  }
  return all;
}

// A run with the answers given, brought to its end as run-scenarios.sh does: the transcript
// without the lines the copy of the machine was made with, then the summary.
std::string RunToEnd(SimMachine& machine, const std::string& words, int reply) {
  for (int i = 0; i < 20; ++i) machine.ui.answers.push_back(reply);
  const sim::MachineSnapshot before = sim::TakeSnapshot(machine);
  machine.transcript = sim::Transcript();
  {
    Program program(machine.platform());
    Main(program, words);
    if (program.Processing().loaded()) program.Processing().cmdExit_Click();
    if (program.Reboot().loaded()) program.Reboot().cmdLater_Click();
    program.platform().files->CloseAll();
  }
  machine.Restart();
  return machine.transcript.ToUtf8() + "\n" + sim::Summarize(before, machine);
}

void Snapshot(SimMachine& live, const std::string& words, SimMachine* taken,
              SnapshotReport* report) {
  SimLiveFiles files(&live.files);
  TakeSnapshot(live.platform(), &files, words, taken, report);
}

struct Case {
  const char* image;
  const char* words;
  int reply;
};

class SnapshotReplay : public ::testing::TestWithParam<Case> {};

// A snapshot changes nothing, and the run on it does what the run on the machine does: the same
// transcript, line for line, the same summary, and the same after the next start of Windows.
TEST_P(SnapshotReplay, GivesTheRunOfTheMachineItself) {
  const Case c = GetParam();
  SimMachine live;
  Load(c.image, &live);
  const std::string before = Everything(live);
  SimMachine taken;
  SnapshotReport report;
  Snapshot(live, c.words, &taken, &report);
  EXPECT_EQ(before, Everything(live)) << "the snapshot changed the machine";
  EXPECT_GT(report.rounds, 1);
  EXPECT_LT(report.rounds, 40);
  // What no read-only call shows: which fonts Windows has loaded, what Word's Normal templates
  // hold (that needs Word's own automation) and how Word and its user will behave. Given from
  // the machine itself here.
  taken.system.fonts = live.system.fonts;
  const int running = taken.word.facts.running;
  taken.word.facts = live.word.facts;
  taken.word.facts.running = running;
  for (const auto& [version, normal] : live.word.templates) taken.word.templates[version] = normal;

  // Through the image on disk, as vrxuninst-sim replays it.
  TempFolder folder;
  for (const ImageEntry& e : ImageEntries(taken)) {
    std::string path = e.path;
    for (char& ch : path) ch = ch == '\\' ? '/' : ch;
    if (e.folder) {
      fs::create_directories(folder.path() / path);
    } else {
      std::ofstream(folder.path() / path, std::ios::binary) << e.bytes;
    }
  }
  SimMachine replayed;
  std::string error;
  ASSERT_TRUE(sim::LoadMachineImage(folder.path(), &replayed, &error)) << error;
  EXPECT_EQ(Everything(taken), Everything(replayed));

  const std::string expected = RunToEnd(live, c.words, c.reply);
  EXPECT_EQ(expected, RunToEnd(replayed, c.words, c.reply));
}

INSTANTIATE_TEST_SUITE_P(Images, SnapshotReplay,
                         ::testing::Values(Case{"win98-all", "MSWORD WPWIN7 WPWIN8 WPWIN9", kIdYes},
                                           Case{"win98-all", "WPWIN8 NOREBOOT", kIdNo},
                                           Case{"nt-word", "MSWORD", kIdYes},
                                           Case{"nt-shared", "WPWIN9", kIdYes},
                                           Case{"nt-all", "MSWORD NOREBOOT", kIdYes},
                                           Case{"nt-all", "WPWIN8", kIdNo},
                                           Case{"hostile", "MSWORD NOREBOOT", kIdNo},
                                           Case{"hostile", "MSWORD NOREBOOT", kIdYes},
                                           Case{"98-wininit", "MSWORD", kIdYes},
                                           Case{"path-rules", "WPWIN8 NOREBOOT", kIdYes}));

TEST(Snapshot, TakesOnlyWhatTheRunReachesFor) {
  SimMachine live;
  Load("nt-all", &live);
  ASSERT_TRUE(live.files.AddFile("C:\\Users\\Anna\\letter.doc", "Dear Sir"));
  ASSERT_TRUE(live.files.AddFile("C:\\Docseal\\Word\\Stamps\\MINE.STB", "the user's own stamp"));
  const std::string too_long = "C:\\Docseal\\Word\\Stamps\\" + std::string(240, 'x') + ".STB";
  ASSERT_TRUE(live.files.AddFile(too_long, ""));
  // Held by another program, in a folder the snapshot lists but not named by any run: it is not
  // opened, so the other program never finds it held by the snapshot.
  const std::string busy = live.facts.system + "\\BUSY.DLL";
  ASSERT_TRUE(live.files.AddFile(busy, "") && live.files.SetInUse(busy, true));
  live.registry.EnsureKey(kHkeyLocalMachine, "Software\\Other\\App")
      .SetValue("Secret", kRegSz, std::string("x\0", 2));
  SimMachine taken;
  SnapshotReport report;
  Snapshot(live, "MSWORD", &taken, &report);
  EXPECT_FALSE(taken.files.Exists("C:\\Users\\Anna")) << "inside a folder no run names";
  EXPECT_EQ(nullptr, taken.registry.FindKey(kHkeyLocalMachine, "Software\\Other"));
  ASSERT_TRUE(taken.files.Exists("C:\\Docseal\\Word\\Stamps\\MINE.STB"));
  EXPECT_EQ("", taken.files.Contents("C:\\Docseal\\Word\\Stamps\\MINE.STB").value_or("?"))
      << "files are placeholders";
  EXPECT_FALSE(taken.files.Exists(too_long)) << "a path of 267 characters, no image holds it";
  EXPECT_TRUE(taken.files.InUse("C:\\Docseal\\Word\\Stamps\\CONFID.STB"));
  ASSERT_TRUE(taken.files.Exists(busy));
  EXPECT_FALSE(taken.files.InUse(busy)) << "asked whether in use, though no run names it";
  EXPECT_NE(nullptr, taken.registry.FindKey(kHkeyLocalMachine, "Software\\Docseal4\\MSWord"));
  EXPECT_EQ(live.facts.windows, taken.facts.windows);
  EXPECT_EQ(live.facts.system, taken.facts.system);
  EXPECT_EQ(live.facts.username, taken.facts.username);
  EXPECT_EQ(live.facts.platform, taken.facts.platform);
  ASSERT_EQ(1u, taken.processes.programs.size());
  EXPECT_EQ("regsvr32", taken.processes.programs[0].kind);
}

TEST(Snapshot, KeepsWininitBytesAndAttributes) {
  SimMachine live;
  Load("98-wininit", &live);
  SimMachine taken;
  SnapshotReport report;
  Snapshot(live, "MSWORD", &taken, &report);
  EXPECT_EQ(live.files.Contents("C:\\windows\\Wininit.ini"),
            taken.files.Contents("C:\\windows\\Wininit.ini"));
  EXPECT_EQ(live.files.Attributes("C:\\windows\\Wininit.ini"),
            taken.files.Attributes("C:\\windows\\Wininit.ini"));
  EXPECT_EQ(1u, report.files_read);
}

// The folder the image goes into, on the machine itself.
class SnapshotFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    Load("nt-all", &live_);
    Snapshot(live_, "MSWORD", &taken_, &report_);
  }
  bool Write(const std::string& dir) {
    SimImageFolder out(&live_.files);
    before_ = Everything(live_);
    error_ = "<poison>";
    return WriteSnapshot(taken_, report_, dir, &out, &error_);
  }
  SimMachine live_, taken_;
  SnapshotReport report_;
  std::string before_, error_;
};

TEST_F(SnapshotFolder, WritesTheImageIntoANewOrEmptyFolder) {
  ASSERT_TRUE(Write("C:\\snap")) << error_;
  EXPECT_EQ(sim::MachineIni::Format(taken_), live_.files.Contents("C:\\snap\\machine.ini"));
  EXPECT_TRUE(live_.files.Exists("C:\\snap\\drive_c\\Docseal\\Word\\Stamps\\CONFID.STB"));
  ASSERT_TRUE(live_.files.AddDirectory("C:\\empty"));
  EXPECT_TRUE(Write("C:\\empty")) << error_;
}

TEST_F(SnapshotFolder, RefusesBadFoldersAndWritesNothing) {
  ASSERT_TRUE(live_.files.AddFile("C:\\full\\x.txt", "x"));
  const struct {
    const char* dir;
    const char* message;
  } cases[] = {
      {"C:\\full", "C:\\full: exists and is not an empty folder"},
      {"C:\\full\\x.txt", "C:\\full\\x.txt: exists and is not an empty folder"},
      {"C:\\missing\\snap", "C:\\missing\\snap: cannot be made (error 3)"},
      {"C:\\Docseal\\Word\\Setup\\snap",
       "C:\\Docseal\\Word\\Setup\\snap: lies inside C:\\Docseal\\Word\\Setup, which the run "
       "removes"},
      {"c:\\docseal\\word\\setup",
       "c:\\docseal\\word\\setup: lies inside C:\\Docseal\\Word\\Setup, which the run removes"},
  };
  for (const auto& c : cases) {
    EXPECT_FALSE(Write(c.dir)) << c.dir;
    EXPECT_EQ(c.message, error_);
    EXPECT_EQ(before_, Everything(live_)) << c.dir;
  }
}

// Registry values of every shape go through the image and come back as they were.
TEST(SnapshotRegistry, OddNamesAndValuesRoundTrip) {
  SimMachine live;
  Load("nt-all", &live);
  sim::SimKey& key = live.registry.EnsureKey(kHkeyLocalMachine, "Software\\Docseal4\\MSWord");
  const std::vector<sim::SimValue> odd = {
      {"Quote\"And\\Slash", kRegSz, std::string("a\"b\\c\0", 6)},
      {"", kRegSz, std::string("default\0", 8)},
      {"NoNul", kRegSz, "abc"},
      {"TwoNuls", kRegSz, std::string("a\0b\0", 4)},
      {"Lines", kRegSz, std::string("one\r\ntwo\0", 9)},
      {"Empty", kRegSz, ""},
      {"Ansi \xAE\x80\xFF", kRegSz, std::string("\xE9t\xE9\0", 4)},
      {"Expand", kRegExpandSz, std::string("%windir%\\x\0", 11)},
      {"Multi", kRegMultiSz, std::string("a\0b\0\0", 5)},
      {"ShortDword", kRegDword, std::string("\x01\x02", 2)},
      {"LongDword", kRegDword, std::string("\x01\x02\x03\x04\x05", 5)},
      {"None", kRegNone, ""},
      {"Odd type", 0x12345, "\x7f"},
      {"Big", kRegBinary, std::string(3000, '\xAB')},
      {"Semi;colon=equals[bracket]", kRegBinary, std::string("\0", 1)},
      {std::string(255, 'N'), kRegDword, std::string("\x04\x03\x02\x01", 4)},
  };
  for (const sim::SimValue& v : odd) key.SetValue(v.name, v.type, v.data);
  live.registry.EnsureKey(kHkeyLocalMachine, "Software\\Docseal4\\MSWord\\Sub \xA9 [x]");

  for (sim::RegFileFormat format : {sim::RegFileFormat::kRegedit4, sim::RegFileFormat::kVersion5}) {
    SimMachine taken;
    SnapshotReport report;
    Snapshot(live, "MSWORD", &taken, &report);
    taken.registry_format = format;
    sim::SimRegistry back;
    const sim::RegFileResult read =
        sim::ParseRegFile(sim::FormatRegFile(taken.registry, format), "registry.reg", &back);
    ASSERT_TRUE(read.ok) << read.error;
    const sim::SimKey* copy = back.FindKey(kHkeyLocalMachine, "Software\\Docseal4\\MSWord");
    ASSERT_NE(nullptr, copy);
    for (const sim::SimValue& v : odd) {
      const sim::SimValue* got = copy->FindValue(v.name);
      ASSERT_NE(nullptr, got) << v.name;
      EXPECT_EQ(v.type, got->type) << v.name;
      EXPECT_EQ(v.data, got->data) << v.name;
    }
    EXPECT_NE(nullptr, copy->FindSubKey("Sub \xA9 [x]"));
  }
}

}  // namespace
}  // namespace vrx::preview
