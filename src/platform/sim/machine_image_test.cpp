#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "platform/sim/sim_machine.h"
#include "platform/sim/sim_test_util.h"

namespace vrx::sim {
namespace {

namespace fs = std::filesystem;
using testing::Sample;
using testing::TempFolder;

std::string Slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void Spit(const fs::path& path, const std::string& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

// Every file of a folder tree by relative path, with its bytes; folders as "<folder>".
std::map<std::string, std::string> Tree(const fs::path& root) {
  std::map<std::string, std::string> tree;
  for (const auto& e : fs::recursive_directory_iterator(root)) {
    tree[fs::relative(e.path(), root).string()] = e.is_directory() ? "<folder>" : Slurp(e.path());
  }
  return tree;
}

void ExpectSameTree(const fs::path& a, const fs::path& b) {
  auto ta = Tree(a), tb = Tree(b);
  for (const auto& [path, bytes] : ta) {
    auto it = tb.find(path);
    if (it == tb.end()) {
      ADD_FAILURE() << path << " missing after the round trip";
    } else {
      EXPECT_EQ(bytes, it->second) << path;
    }
  }
  for (const auto& [path, bytes] : tb) {
    EXPECT_TRUE(ta.count(path)) << path << " appeared in the round trip";
  }
}

TEST(MachineImage, SamplesRoundTripByteForByte) {
  for (const char* name : {"win98-all", "nt-word", "nt-shared"}) {
    SCOPED_TRACE(name);
    SimMachine machine;
    std::string error;
    ASSERT_TRUE(LoadMachineImage(Sample(name), &machine, &error)) << error;
    TempFolder out;
    ASSERT_TRUE(WriteMachineImage(machine, out.path() / "image", &error)) << error;
    ExpectSameTree(Sample(name), out.path() / "image");
  }
}

TEST(MachineImage, Version5RegistryRoundTripsInItsOwnFormat) {
  SimMachine machine;
  std::string error;
  ASSERT_TRUE(LoadMachineImage(Sample("nt-shared"), &machine, &error)) << error;
  machine.registry_format = RegFileFormat::kVersion5;
  TempFolder first, second;
  ASSERT_TRUE(WriteMachineImage(machine, first.path() / "i", &error)) << error;
  std::string reg = Slurp(first.path() / "i" / "registry.reg");
  ASSERT_GE(reg.size(), 2u);
  EXPECT_EQ("\xFF\xFE", reg.substr(0, 2));

  SimMachine again;
  ASSERT_TRUE(LoadMachineImage(first.path() / "i", &again, &error)) << error;
  EXPECT_EQ(RegFileFormat::kVersion5, again.registry_format);
  ASSERT_TRUE(WriteMachineImage(again, second.path() / "i", &error)) << error;
  ExpectSameTree(first.path() / "i", second.path() / "i");
}

class BadImage : public ::testing::Test {
 protected:
  void SetUp() override {
    Spit(dir_.path() / "machine.ini", "[system]\nplatform=2\n[in-use]\nC:\\A.DLL=1\n");
    Spit(dir_.path() / "registry.reg", "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software]\r\n");
    Spit(dir_.path() / "drive_c" / "A.DLL", "MZ");
  }
  std::string Load() {
    SimMachine machine;
    std::string error;
    EXPECT_FALSE(LoadMachineImage(dir_.path(), &machine, &error));
    return error;
  }
  TempFolder dir_;
};

TEST_F(BadImage, TheGoodImageLoads) {
  SimMachine machine;
  std::string error;
  EXPECT_TRUE(LoadMachineImage(dir_.path(), &machine, &error)) << error;
  EXPECT_TRUE(machine.files.InUse("c:\\a.dll"));
}

TEST_F(BadImage, MachineIniErrorsNameTheLine) {
  const std::pair<const char*, const char*> cases[] = {
      {"[system]\nplatform\n", "machine.ini:2: expected key=value"},
      {"[system]\nplatform=2\n[sistem]\n", "machine.ini:3: unknown section [sistem]"},
      {"[system]\ncolour=blue\n", "machine.ini:2: unknown key \"colour\" in [system]"},
      {"[system]\nplatform=two\n", "machine.ini:2: bad value \"two\" for platform"},
      {"platform=2\n", "machine.ini:1: key outside a section"},
      {"[system]\n[system]\n", "machine.ini:2: section [system] appears twice"},
      {"[attributes]\nC:\\NONE.TXT=R\n", "machine.ini:2: no such file or folder C:\\NONE.TXT"},
      {"[attributes]\nC:\\A.DLL=X\n", "machine.ini:2: bad value \"X\" for C:\\A.DLL"},
      {"[programs]\nC:\\A=editor\n", "machine.ini:2: bad value \"editor\" for C:\\A"},
      {"[word97]\nkeys=abc:Print\n", "machine.ini:2: bad value \"abc:Print\" for keys"},
      {"[system]\nclock=90000\n", "machine.ini:2: bad value \"90000\" for clock"},
  };
  for (const auto& [ini, message] : cases) {
    SCOPED_TRACE(ini);
    Spit(dir_.path() / "machine.ini", ini);
    std::string error = Load();
    EXPECT_EQ(0u, error.find(message)) << "got: " << error;
  }
}

TEST_F(BadImage, RegistryErrorsNameTheLine) {
  Spit(dir_.path() / "registry.reg", "REGEDIT4\r\n\r\n[HKEY_FOO\\Software]\r\n");
  EXPECT_EQ(0u, Load().find("registry.reg:3:"));
  Spit(dir_.path() / "registry.reg",
       "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software]\r\n\"v\"=qword:1\r\n");
  EXPECT_EQ(0u, Load().find("registry.reg:4:"));
}

TEST_F(BadImage, MissingOrForeignFilesAreRefused) {
  fs::remove(dir_.path() / "registry.reg");
  EXPECT_NE(std::string::npos, Load().find("registry.reg: cannot be read"));
  Spit(dir_.path() / "registry.reg", "REGEDIT4\r\n");
  Spit(dir_.path() / "notes.txt", "x");
  EXPECT_NE(std::string::npos, Load().find("notes.txt: not part of a machine image"));
}

TEST(Restart, DelayedDeletionsAndWininitRenames) {
  SimMachine m;
  m.facts.platform = 1;
  m.ApplyFacts();
  ASSERT_TRUE(m.files.AddFile("C:\\WINDOWS\\SYSTEM\\A.DLL", "MZ"));
  ASSERT_TRUE(m.files.AddFile("C:\\WINDOWS\\SYSTEM\\B.DLL", "MZ"));
  ASSERT_TRUE(m.files.AddFile("C:\\WINDOWS\\SYSTEM\\KEEP.DLL", "MZ"));
  ASSERT_TRUE(m.files.SetInUse("C:\\WINDOWS\\SYSTEM\\A.DLL", true));
  ASSERT_TRUE(m.files.SetAttributes("C:\\WINDOWS\\SYSTEM\\B.DLL", kAttrReadOnly));
  const std::string wininit =
      "[rename]\r\nNUL=C:\\WINDOWS\\SYSTEM\\A.DLL\r\n[Other]\r\nNUL=C:\\WINDOWS\\SYSTEM\\KEEP."
      "DLL\r\n"
      "[RENAME]\r\nNUL=C:\\WINDOWS\\SYSTEM\\B.DLL\r\n";
  ASSERT_TRUE(m.files.AddFile("C:\\WINDOWS\\Wininit.ini", wininit));
  testing::SetText(m, kHkeyLocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce",
                   "Docseal2", "C:\\WINDOWS\\SYSTEM\\regsvr32.exe /s /u C:\\X.DLL");
  m.Restart();
  EXPECT_FALSE(m.files.Exists("C:\\WINDOWS\\SYSTEM\\A.DLL"));
  EXPECT_FALSE(m.files.Exists("C:\\WINDOWS\\SYSTEM\\B.DLL"));
  EXPECT_TRUE(m.files.Exists("C:\\WINDOWS\\SYSTEM\\KEEP.DLL"));
  EXPECT_FALSE(m.files.Exists("C:\\WINDOWS\\Wininit.ini"));
  EXPECT_EQ(wininit, m.files.Contents("C:\\WINDOWS\\Wininit.bak").value_or("<missing>"));
  EXPECT_EQ("<missing>",
            testing::Text(m, kHkeyLocalMachine,
                          "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce", "Docseal2"));
  ASSERT_EQ(1u, m.processes.started.size());
  EXPECT_EQ("C:\\WINDOWS\\SYSTEM\\regsvr32.exe /s /u C:\\X.DLL", m.processes.started[0]);
}

TEST(Restart, WindowsNtDeletesWhatWasScheduledAndIgnoresWininit) {
  SimMachine m;
  ASSERT_TRUE(m.files.AddFile("C:\\WINDOWS\\SYSTEM\\VRXUnInst.EXE", "MZ"));
  ASSERT_TRUE(
      m.files.AddFile("C:\\WINDOWS\\Wininit.ini", "[RENAME]\r\nNUL=C:\\WINDOWS\\WIN.INI\r\n"));
  ASSERT_TRUE(m.files.AddFile("C:\\WINDOWS\\WIN.INI", ""));
  ASSERT_TRUE(m.system.MoveFileEx("C:\\WINDOWS\\SYSTEM\\VRXUNI~1.EXE", std::nullopt, 4) ||
              m.system.MoveFileEx("C:\\WINDOWS\\SYSTEM\\VRXUnInst.EXE", std::nullopt, 4));
  m.Restart();
  EXPECT_FALSE(m.files.Exists("C:\\WINDOWS\\SYSTEM\\VRXUnInst.EXE"));
  EXPECT_TRUE(m.files.Exists("C:\\WINDOWS\\WIN.INI"));
  EXPECT_TRUE(m.files.Exists("C:\\WINDOWS\\Wininit.ini"));
  EXPECT_TRUE(m.system.pending.empty());
}

}  // namespace
}  // namespace vrx::sim
