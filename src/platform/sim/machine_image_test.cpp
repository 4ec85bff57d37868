#include <gtest/gtest.h>

#include <fstream>

#include "platform/sim/machine_ini.h"
#include "platform/sim/sim_machine.h"
#include "testing/sim_test_util.h"

namespace vrx::sim {
namespace {

namespace fs = std::filesystem;
using testing::FileBytes;
using testing::Sample;
using testing::TempFolder;

void Spit(const fs::path& path, const std::string& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

// Every file of a folder tree by relative path, with its bytes; folders as "<folder>".
std::map<std::string, std::string> Tree(const fs::path& root) {
  std::map<std::string, std::string> tree;
  for (const auto& e : fs::recursive_directory_iterator(root)) {
    tree[fs::relative(e.path(), root).string()] =
        e.is_directory() ? "<folder>" : FileBytes(e.path());
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
  std::string reg = FileBytes(first.path() / "i" / "registry.reg");
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
  // Just past Windows' limits: a name of 256 characters, a folder of 248, a file of 260; a folder
  // typed in 247 through a short name whose own path has 251.
  const std::string name(256, '\xFF'), folder = "C:\\" + std::string(245, 'F');
  const std::string file = folder + "\\" + std::string(11, 'f'), tail(235, 'x');
  const std::pair<std::string, std::string> cases[] = {
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
      {"[system]\r\nusername=bob\r\r\n", "machine.ini:2: a carriage return inside the line"},
      {"[folders]\n" + name + "=1\n", "machine.ini:2: a name longer than 255 characters"},
      {"[folders]\n" + folder + "=1\n", "machine.ini:2: a path longer than 247 characters"},
      {"[folders]\nC:\\Short folder=1\nC:\\SHORTF~1\\" + tail + "=1\n",
       "machine.ini:3: a path longer than 247 characters: C:\\Short folder\\xxx"},
      {"[system]\nsystem=" + folder + "\n", "machine.ini:2: a path longer than 247 characters"},
      {"[attributes]\n" + file + "=R\n", "machine.ini:2: a path longer than 259 characters"},
      {"[in-use]\n" + file + "=1\n", "machine.ini:2: a path longer than 259 characters"},
      {"[programs]\n" + file + "=program\n", "machine.ini:2: a path longer than 259 characters"},
      {"[fonts]\n" + file + "=1\n", "machine.ini:2: a path longer than 259 characters"},
      {"[pending]\n1=" + file + "\n", "machine.ini:2: a path longer than 259 characters"},
      {"[aliases]\nS:\\=C:\\MISSING\n", "machine.ini:2: no such folder: C:\\MISSING"},
      {"[aliases]\nS:=C:\\\n", "machine.ini:2: an alias is a drive root, a share or a folder"},
      {"[aliases]\nC:\\A.DLL=C:\\\n", "machine.ini:2: the alias's name is taken: C:\\A.DLL"},
      {"[aliases]\nS:\\=C:\\\nS:\\=C:\\\n", "machine.ini:3: an alias lies inside another: S:\\"},
  };
  for (const auto& [ini, message] : cases) {
    SCOPED_TRACE(ini);
    Spit(dir_.path() / "machine.ini", ini);
    std::string error = Load();
    EXPECT_EQ(0u, error.find(message)) << "got: " << error;
  }
}

TEST_F(BadImage, RegistryErrorsAndMissingOrForeignFilesAreRefused) {
  // Which errors a .reg file has is reg_file_test's; the image passes them on.
  Spit(dir_.path() / "registry.reg", "REGEDIT4\r\n\r\n[HKEY_FOO\\Software]\r\n");
  EXPECT_EQ(0u, Load().find("registry.reg:3:"));
  fs::remove(dir_.path() / "registry.reg");
  EXPECT_NE(std::string::npos, Load().find("registry.reg: cannot be read"));
  Spit(dir_.path() / "registry.reg", "REGEDIT4\r\n");
  Spit(dir_.path() / "notes.txt", "x");
  EXPECT_NE(std::string::npos, Load().find("notes.txt: not part of a machine image"));
}

TEST(DriveFolders, RoundTrip) {
  TempFolder dir;
  const fs::path in = dir.path() / "in";
  Spit(in / "drive_c" / "WINDOWS" / "Win.ini", "[windows]\r\n");
  Spit(in / "drive_c" / "Program Files" / "\xe9t\xe9.dat", std::string("\0\xff", 2));
  fs::create_directories(in / "drive_c" / "Empty");
  Spit(in / "drive_d" / "Stamps" / "DRAFT.STP", "d");
  Spit(in / "drive_c" / "DOCSEA~1", "");  // an 8.3 name keeps itself
  fs::create_directories(in / "drive_c" / "Docseal Files");
  SimFiles files;
  std::string error;
  ASSERT_TRUE(LoadDriveFolders(in, &files, &error)) << error;
  EXPECT_EQ(std::string("\0\xff", 2), files.Contents("C:\\PROGRA~1\\\xc9T\xc9.DAT"));
  EXPECT_EQ("[windows]\r\n", files.Contents("c:\\windows\\win.ini"));
  EXPECT_EQ(0u, files.Attributes("C:\\WINDOWS\\Win.ini"));
  EXPECT_EQ((std::vector<char>{'C', 'D'}), files.Drives());
  EXPECT_EQ("C:\\DOCSEA~2", files.ShortPath("C:\\Docseal Files"));
  EXPECT_EQ((std::vector<std::string>{"C:\\Docseal Files", "C:\\Empty"}), files.EmptyFolders());
  std::vector<std::string> paths;
  for (const EntryInfo& e : files.Entries()) paths.push_back(e.path);
  EXPECT_EQ((std::vector<std::string>{"C:\\Docseal Files", "C:\\DOCSEA~1", "C:\\Empty",
                                      "C:\\Program Files", "C:\\Program Files\\\xe9t\xe9.dat",
                                      "C:\\WINDOWS", "C:\\WINDOWS\\Win.ini", "D:\\Stamps",
                                      "D:\\Stamps\\DRAFT.STP"}),
            paths);

  const fs::path out = dir.path() / "out";
  ASSERT_TRUE(WriteDriveFolders(files, out, &error)) << error;
  ExpectSameTree(in, out);
  EXPECT_FALSE(WriteDriveFolders(files, out, &error));  // never merges into an old image
  EXPECT_NE(std::string::npos, error.find("drive_c")) << error;
}

TEST(DriveFolders, BadFoldersNameTheFileAndLeaveTheModel) {
  TempFolder dir;
  Spit(dir.path() / "case" / "drive_c" / "A.txt", "");
  Spit(dir.path() / "case" / "drive_c" / "a.TXT", "");
  Spit(dir.path() / "name" / "drive_c" / "sub" / "what?.txt", "");
  Spit(dir.path() / "dot" / "drive_c" / "sub" / "trailing.", "");
  Spit(dir.path() / "blank" / "drive_c" / "trailing ", "");
  fs::create_directories(dir.path() / "link" / "drive_c");
  fs::create_symlink("/etc/hostname", dir.path() / "link" / "drive_c" / "link.txt");
  fs::create_directories(dir.path() / "upper" / "drive_C");
  // C:\<200>\<44> is a folder of 248 characters, C:\<200>\<56> a file of 260.
  const std::string deep(200, 'd');
  fs::create_directories(dir.path() / "folder" / "drive_c" / deep / std::string(44, 'f'));
  Spit(dir.path() / "file" / "drive_c" / deep / std::string(56, 'f'), "");
  SimFiles files;
  ASSERT_TRUE(files.AddFile("C:\\keep.txt", "k"));
  const std::pair<const char*, const char*> cases[] = {
      {"case", "differs only in case"},
      {"name", "what?.txt"},
      {"dot", "trailing."},
      {"blank", "trailing "},
      {"link", "link.txt"},
      {"upper", "drive_C"},
      {"folder", "ffff: a path longer than 247 characters on Windows"},
      {"file", "ffff: a path longer than 259 characters on Windows"}};
  for (const auto& [image, named] : cases) {
    std::string error;
    EXPECT_FALSE(LoadDriveFolders(dir.path() / image, &files, &error)) << image;
    EXPECT_NE(std::string::npos, error.find(named)) << error;
  }
  EXPECT_EQ("k", files.Contents("C:\\keep.txt"));
}

TEST(DriveFolders, UnreadableFileIsAnError) {
  TempFolder dir;
  const fs::path locked = dir.path() / "in" / "drive_c" / "locked.txt";
  Spit(locked, "secret");
  fs::permissions(locked, fs::perms::none);
  const bool enforced = !std::ifstream(locked).is_open();
  SimFiles files;
  std::string error;
  const bool loaded = LoadDriveFolders(dir.path() / "in", &files, &error);
  fs::permissions(locked, fs::perms::owner_all, fs::perm_options::add);
  if (!enforced) GTEST_SKIP() << "permissions are not enforced here";
  EXPECT_FALSE(loaded);
  EXPECT_NE(std::string::npos, error.find("locked.txt")) << error;
}

// A machine with something in every section of machine.ini.
void FillEverySection(SimMachine& m) {
  m.facts.platform = 1;
  m.facts.windows = "C:\\WIN=DOWS";
  m.facts.username = "bob";
  m.facts.another_instance = true;
  m.facts.exit_windows = false;
  m.clock.Set(43200.0625);
  ASSERT_TRUE(m.files.AddFile("C:\\a=b.dll", "MZ"));  // "=" in a path
  ASSERT_TRUE(m.files.SetAttributes("C:\\a=b.dll", kAttrReadOnly | kAttrSystem));
  ASSERT_TRUE(m.files.SetInUse("C:\\a=b.dll", true));
  ASSERT_TRUE(m.files.AddDirectory("C:\\Empty Folder"));
  ASSERT_EQ("", m.files.AddAlias("S:\\", "C:\\Empty Folder"));
  ASSERT_EQ("", m.files.AddAlias("\\\\HOST\\C$", "C:\\"));
  ASSERT_EQ("", m.files.AddAlias("C:\\Link", "S:\\"));
  m.processes.programs.push_back({"C:\\WP\\WPWin8", "wordperfect"});
  m.system.fonts.push_back("C:\\WINDOWS\\FONTS\\Docsealw.ttf");
  m.system.pending = {"C:\\Z.DLL", "C:\\A.DLL"};
  m.word.facts.running = 1;
  m.word.facts.never_document = true;
  m.word.templates["word2000"] = WordTemplate::Parse("File|Docseal", "Open...", "592:Print:2");
}

TEST(MachineIniTable, CopyAndImageGoThroughTheSameDescription) {
  SimMachine original;
  FillEverySection(original);
  const std::string text = MachineIni::Format(original);
  for (const char* section :
       {"[system]", "[shutdown]", "[attributes]", "[in-use]", "[folders]", "[aliases]",
        "[programs]", "[fonts]", "[word]", "[word2000]", "[pending]"}) {
    EXPECT_NE(std::string::npos, text.find(section)) << section << " missing from\n" << text;
  }
  EXPECT_NE(std::string::npos, text.find("clock=43200.0625\n")) << text;

  SimMachine copy;
  CopyMachine(original, &copy);
  EXPECT_EQ(text, MachineIni::Format(copy));
  EXPECT_TRUE(copy.files.InUse("C:\\A=B.DLL"));
  EXPECT_EQ(kAttrReadOnly | kAttrSystem, copy.files.Attributes("C:\\a=b.dll"));
  EXPECT_EQ(copy.files.Aliases(), original.files.Aliases());

  TempFolder out;
  std::string error;
  ASSERT_TRUE(WriteMachineImage(original, out.path() / "image", &error)) << error;
  EXPECT_EQ(text, FileBytes(out.path() / "image" / "machine.ini"));
  SimMachine again;
  ASSERT_TRUE(LoadMachineImage(out.path() / "image", &again, &error)) << error;
  EXPECT_EQ(text, MachineIni::Format(again));
  EXPECT_EQ(1, again.word.RunningCount());
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
