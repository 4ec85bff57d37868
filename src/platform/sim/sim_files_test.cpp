// What the simulated drives do beyond the file-system contract (platform/contract), which they
// also pass: path forms, DOS patterns, 8.3 names, the Win32 results of every failure, images.
#include "platform/sim/sim_files.h"

#include <gtest/gtest.h>

#include <fstream>
#include <random>

namespace vrx::sim {
namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;

Names ListAll(SimFiles& files, const std::string& pattern, ListFilter filter) {
  Names names;
  for (std::string n = files.ListFirst(pattern, filter); !n.empty(); n = files.ListNext()) {
    names.push_back(n);
  }
  return names;
}

TEST(SimFilesPaths, LookupIgnoresCaseAndKeepsStoredCase) {
  SimFiles files;
  ASSERT_TRUE(files.AddFile("C:\\Windows\\System\\Funcky60.dll", "x"));
  EXPECT_EQ("C:\\Windows\\System\\Funcky60.dll", files.LongPath("c:/WINDOWS/system/FUNCKY60.DLL"));
  ASSERT_TRUE(files.AddFile("C:\\\xe9t\xe9.txt", "y"));  // été.txt in Windows-1252
  EXPECT_EQ("C:\\\xe9t\xe9.txt", files.LongPath("C:\\\xc9T\xc9.TXT"));
  EXPECT_FALSE(files.Exists("C:\\Windows\\System\\Funcky60.dll."));  // trailing dot is a name
  EXPECT_EQ(std::nullopt, files.LongPath("C:\\Windows\\Nothing"));
}

TEST(SimFilesPaths, RelativePathsFollowTheCurrentDirectory) {
  SimFiles files;
  ASSERT_TRUE(files.AddFile("C:\\Docseal\\a.txt", "a"));
  ASSERT_TRUE(files.AddFile("C:\\b.txt", "b"));
  ASSERT_TRUE(files.AddFile("D:\\d.txt", "d"));
  EXPECT_EQ("C:\\", files.GetCurrentDirectory());
  ASSERT_EQ(kOk, files.SetCurrentDirectory("c:\\docseal\\"));
  EXPECT_EQ("c:\\docseal", files.GetCurrentDirectory());
  EXPECT_TRUE(files.Exists("a.txt"));
  EXPECT_TRUE(files.Exists("C:a.txt"));  // C: is relative to the current directory
  EXPECT_TRUE(files.Exists("\\b.txt"));  // the root of the current drive
  EXPECT_TRUE(files.Exists("..\\b.txt"));
  EXPECT_TRUE(files.Exists("D:d.txt"));  // another drive: from its root
  EXPECT_FALSE(files.Exists("E:\\"));    // a drive exists once it holds something
  EXPECT_EQ(Names{"a.txt"}, ListAll(files, "*.*", ListFilter::kPlain));
}

TEST(SimFilesListing, HiddenFoldersAreNotListedAndFiltersAreKeptPerEntry) {
  SimFiles files;
  ASSERT_TRUE(files.AddFile("C:\\D\\readonly.txt", "", kAttrReadOnly | kAttrArchive));
  ASSERT_TRUE(files.AddDirectory("C:\\D\\Sub"));
  ASSERT_TRUE(files.AddDirectory("C:\\D\\HiddenSub"));
  ASSERT_TRUE(files.SetAttributes("C:\\D\\HiddenSub", kAttrHidden));
  EXPECT_EQ((Names{".", "..", "readonly.txt", "Sub"}),
            ListAll(files, "C:\\D\\*.*", ListFilter::kDirectories));
  EXPECT_EQ((Names{"D"}), ListAll(files, "C:\\*.*", ListFilter::kDirectories));  // no dots
}

TEST(SimFilesListing, PatternsFollowDosRules) {
  SimFiles files;
  for (const char* name : {"b.TXT", "A.txt", "Readme", "c.txta", "Program Files"}) {
    ASSERT_TRUE(files.AddFile(std::string("C:\\P\\") + name, ""));
  }
  EXPECT_EQ((Names{"A.txt", "b.TXT", "c.txta", "Program Files", "Readme"}),
            ListAll(files, "C:\\P\\*.*", ListFilter::kPlain));
  EXPECT_EQ(ListAll(files, "C:\\P\\*.*", ListFilter::kPlain),
            ListAll(files, "C:\\P\\*", ListFilter::kPlain));
  EXPECT_EQ(ListAll(files, "C:\\P\\*.*", ListFilter::kPlain),
            ListAll(files, "C:\\P\\", ListFilter::kPlain));
  // "c.txta" comes through its 8.3 name C~1.TXT, as on Windows.
  EXPECT_EQ((Names{"A.txt", "b.TXT", "c.txta"}), ListAll(files, "c:/p/*.txt", ListFilter::kPlain));
  EXPECT_EQ((Names{"A.txt", "b.TXT"}), ListAll(files, "C:\\P\\?.t?t", ListFilter::kPlain));
  EXPECT_EQ((Names{"Readme"}), ListAll(files, "C:\\P\\readme.*", ListFilter::kPlain));
  EXPECT_EQ((Names{"Program Files", "Readme"}), ListAll(files, "C:\\P\\*.", ListFilter::kPlain));
  EXPECT_EQ((Names{"Program Files"}), ListAll(files, "C:\\P\\PROGRA~1", ListFilter::kPlain));
  EXPECT_EQ(Names{}, ListAll(files, "C:\\Missing\\*.*", ListFilter::kPlain));
  EXPECT_EQ(Names{}, ListAll(files, "C:\\P*\\*.*", ListFilter::kPlain));
}

TEST(SimFilesListing, ContinuesFromASnapshot) {
  SimFiles files;
  ASSERT_TRUE(files.AddFile("C:\\D\\1.txt", ""));
  ASSERT_TRUE(files.AddFile("C:\\D\\2.txt", ""));
  ASSERT_TRUE(files.AddFile("C:\\D\\3.txt", ""));
  EXPECT_EQ("1.txt", files.ListFirst("C:\\D\\*.*", ListFilter::kPlain));
  ASSERT_EQ(kOk, files.DeleteFile("C:\\D\\1.txt"));
  ASSERT_EQ(kOk, files.DeleteFile("C:\\D\\2.txt"));
  EXPECT_EQ("2.txt", files.ListNext());
  EXPECT_EQ("3.txt", files.ListNext());
  EXPECT_EQ("", files.ListNext());
  EXPECT_EQ("", files.ListNext());
  EXPECT_EQ("3.txt", files.ListFirst("C:\\D\\*.*", ListFilter::kPlain));
}

TEST(SimFilesShortNames, GeneratedAndGivenBack) {
  SimFiles files;
  ASSERT_TRUE(files.AddDirectory("C:\\Program Files\\Docseal 4.0"));
  ASSERT_TRUE(files.AddFile("C:\\Program Files\\docseal 4.0 manual.doc", ""));
  ASSERT_TRUE(files.AddFile("C:\\Program Files\\Readme.txt", ""));
  EXPECT_EQ("C:\\PROGRA~1\\DOCSEA~1.0", files.ShortPath("C:\\Program Files\\Docseal 4.0"));
  EXPECT_EQ("C:\\PROGRA~1\\DOCSEA~1.DOC",
            files.ShortPath("C:\\Program Files\\docseal 4.0 manual.doc"));
  EXPECT_EQ("c:\\PROGRA~1\\readme.TXT", files.ShortPath("c:\\program files\\readme.TXT"));
  EXPECT_EQ("C:\\progra~1\\DOCSEA~1.0", files.ShortPath("C:\\progra~1\\DOCSEAL 4.0"));
  EXPECT_EQ("C:\\progra~1\\docsea~1.0\\", files.ShortPath("C:\\progra~1\\docsea~1.0\\"));
  EXPECT_EQ("c:\\", files.ShortPath("c:\\"));
  EXPECT_EQ(std::nullopt, files.ShortPath("C:\\Program Files\\Missing File.txt"));
  EXPECT_EQ("C:\\Program Files\\Docseal 4.0", files.LongPath("C:\\PROGRA~1\\DOCSEA~1.0"));
}

TEST(SimFilesShortNames, NumbersAreUniquePerFolderAndStable) {
  SimFiles files;
  ASSERT_TRUE(files.AddFile("C:\\D\\Long Name One.txt", ""));
  ASSERT_TRUE(files.AddFile("C:\\D\\Long Name Two.txt", ""));
  ASSERT_TRUE(files.AddFile("C:\\E\\Long Name Two.txt", ""));
  ASSERT_TRUE(files.AddFile("C:\\D\\.profile", ""));
  ASSERT_TRUE(files.AddFile("C:\\D\\a+b", ""));
  EXPECT_EQ("C:\\D\\LONGNA~1.TXT", files.ShortPath("C:\\D\\Long Name One.txt"));
  EXPECT_EQ("C:\\D\\LONGNA~2.TXT", files.ShortPath("C:\\D\\Long Name Two.txt"));
  EXPECT_EQ("C:\\E\\LONGNA~1.TXT", files.ShortPath("C:\\E\\Long Name Two.txt"));
  EXPECT_EQ("C:\\D\\PROFIL~1", files.ShortPath("C:\\D\\.profile"));
  EXPECT_EQ("C:\\D\\AB~1", files.ShortPath("C:\\D\\a+b"));
  ASSERT_EQ(kOk, files.DeleteFile("C:\\D\\Long Name One.txt"));
  EXPECT_EQ("C:\\D\\LONGNA~2.TXT", files.ShortPath("C:\\D\\Long Name Two.txt"));
  ASSERT_TRUE(files.AddFile("C:\\D\\Long Name Three.txt", ""));
  EXPECT_EQ("C:\\D\\LONGNA~1.TXT", files.ShortPath("C:\\D\\Long Name Three.txt"));
  for (int i = 0; i < 10; ++i) {
    ASSERT_TRUE(files.AddFile("C:\\F\\Many Files " + std::to_string(i), ""));
  }
  EXPECT_EQ("C:\\F\\MANYFI~9", files.ShortPath("C:\\F\\Many Files 8"));
  EXPECT_EQ("C:\\F\\MANYF~10", files.ShortPath("C:\\F\\Many Files 9"));
}

TEST(SimFilesDelete, FollowsWin32Results) {
  SimFiles files;
  ASSERT_TRUE(files.AddFile("C:\\D\\ro.dll", "", kAttrReadOnly));
  ASSERT_TRUE(files.AddFile("C:\\D\\busy.dll", ""));
  ASSERT_TRUE(files.SetInUse("C:\\D\\busy.dll", true));
  ASSERT_TRUE(files.AddFile("C:\\D\\both.dll", "", kAttrReadOnly));
  ASSERT_TRUE(files.SetInUse("C:\\D\\both.dll", true));
  EXPECT_EQ(kErrorSharingViolation, files.DeleteFile("C:\\D\\both.dll"));  // in use comes first
  EXPECT_EQ((Names{"C:\\D\\both.dll", "C:\\D\\busy.dll"}), files.FilesInUse());
  EXPECT_EQ(kErrorPathNotFound, files.DeleteFile("C:\\D\\ro.dll\\x"));
  EXPECT_EQ(kErrorPathNotFound, files.SetAttributesNormal("C:\\None\\none.dll"));
  ASSERT_EQ(kOk, files.SetAttributesNormal("C:\\D\\RO.DLL"));
  EXPECT_EQ(0u, files.Attributes("C:\\D\\ro.dll"));
  ASSERT_TRUE(files.AddFile("C:\\D\\Long File Name.txt", ""));
  EXPECT_EQ(kOk, files.DeleteFile("C:\\D\\LONGFI~1.TXT"));  // by its short name
  EXPECT_FALSE(files.Exists("C:\\D\\Long File Name.txt"));
  ASSERT_TRUE(files.SetInUse("C:\\D\\busy.dll", false));
  EXPECT_EQ(kOk, files.DeleteFile("C:\\D\\busy.dll"));
  EXPECT_EQ(Names{"C:\\D\\both.dll"}, files.FilesInUse());
}

TEST(SimFilesFolders, RemoveAndCurrentDirectory) {
  SimFiles files;
  ASSERT_TRUE(files.AddFile("C:\\Full\\f.txt", ""));
  ASSERT_TRUE(files.AddDirectory("C:\\Empty"));
  ASSERT_TRUE(files.AddDirectory("C:\\Locked"));
  ASSERT_TRUE(files.SetAttributes("C:\\Locked", kAttrReadOnly));
  EXPECT_EQ(kErrorAccessDenied, files.RemoveDirectory("C:\\Locked"));
  EXPECT_EQ(kErrorAccessDenied, files.RemoveDirectory("C:\\"));
  EXPECT_EQ(kErrorDirectory, files.RemoveDirectory("C:\\Full\\f.txt"));
  EXPECT_EQ(kErrorDirectory, files.SetCurrentDirectory("C:\\Full\\f.txt"));
  EXPECT_EQ((Names{"C:\\Empty", "C:\\Locked"}), files.EmptyFolders());
  ASSERT_EQ(kOk, files.SetCurrentDirectory("C:\\Empty"));
  EXPECT_EQ(kErrorSharingViolation, files.RemoveDirectory("C:\\EMPTY"));
}

TEST(SimFilesReplace, MovesOntoTheTarget) {
  SimFiles files;
  ASSERT_TRUE(files.AddFile("C:\\W\\Wininit.ini", "old", kAttrArchive));
  ASSERT_TRUE(files.AddFile("C:\\W\\new.tmp", "new", kAttrHidden));
  ASSERT_TRUE(files.AddFile("C:\\W\\ro.ini", "", kAttrReadOnly));
  ASSERT_TRUE(files.AddFile("D:\\other.ini", ""));
  EXPECT_EQ(kErrorAccessDenied, files.ReplaceFile("C:\\W\\new.tmp", "C:\\W\\ro.ini"));
  EXPECT_EQ(kErrorPathNotFound, files.ReplaceFile("C:\\W\\new.tmp", "C:\\X\\Wininit.ini"));
  EXPECT_EQ(kErrorNotSameDevice, files.ReplaceFile("C:\\W\\new.tmp", "D:\\other.ini"));
  ASSERT_TRUE(files.SetInUse("C:\\W\\Wininit.ini", true));
  EXPECT_EQ(kErrorSharingViolation, files.ReplaceFile("C:\\W\\new.tmp", "C:\\W\\Wininit.ini"));
  ASSERT_TRUE(files.SetInUse("C:\\W\\Wininit.ini", false));
  ASSERT_EQ(kOk, files.ReplaceFile("C:\\W\\new.tmp", "C:\\W\\WININIT.INI"));
  EXPECT_FALSE(files.Exists("C:\\W\\new.tmp"));
  EXPECT_EQ("new", files.Contents("C:\\W\\wininit.ini"));
  EXPECT_EQ(kAttrHidden, files.Attributes("C:\\W\\wininit.ini"));
  EXPECT_EQ("C:\\W\\WININIT.INI", files.LongPath("C:\\W\\wininit.ini"));
  ASSERT_EQ(kOk, files.ReplaceFile("C:\\W\\WININIT.INI", "C:\\W\\Wininit.bak"));
  EXPECT_EQ((Names{"ro.ini", "Wininit.bak"}), ListAll(files, "C:\\W\\*.*", ListFilter::kHidden));
}

TEST(SimFilesText, WrittenBytesShowAtOnceAndAnOpenFileIsHeld) {
  SimFiles files;
  FileNumber out = -1;
  ASSERT_EQ(kOk, files.OpenText("C:\\Wininit.ini", TextMode::kWriteBytes, &out));
  ASSERT_EQ(kOk, files.Write(out, "[RENAME]\r\n"));
  EXPECT_EQ("[RENAME]\r\n", files.Contents("C:\\Wininit.ini"));
  EXPECT_EQ(kErrorSharingViolation, files.DeleteFile("C:\\Wininit.ini"));
  FileNumber in = -1;
  ASSERT_EQ(kOk, files.OpenText("c:\\wininit.ini", TextMode::kReadChars, &in));
  ASSERT_EQ(kOk, files.Close(out));
  FileNumber again = -1;
  EXPECT_EQ(kErrorSharingViolation,
            files.OpenText("C:\\Wininit.ini", TextMode::kWriteBytes, &again));
  EXPECT_EQ(-1, again);
  files.CloseAll();
  EXPECT_EQ(kAttrArchive, files.Attributes("C:\\Wininit.ini"));
  EXPECT_EQ(kOk, files.DeleteFile("C:\\Wininit.ini"));
}

TEST(SimFilesText, OpenFailures) {
  SimFiles files;
  ASSERT_TRUE(files.AddFile("C:\\W\\busy.ini", "keep"));
  ASSERT_TRUE(files.SetInUse("C:\\W\\busy.ini", true));
  ASSERT_TRUE(files.AddFile("C:\\W\\hidden.ini", "keep", kAttrHidden));
  struct Case {
    const char* path;
    TextMode mode;
    Status expected;
  };
  const Case cases[] = {
      {"C:\\X\\none.ini", TextMode::kReadChars, kErrorPathNotFound},
      {"C:\\W\\busy.ini", TextMode::kReadChars, kErrorSharingViolation},
      {"C:\\W\\busy.ini", TextMode::kWriteBytes, kErrorSharingViolation},
      {"C:\\W\\hidden.ini", TextMode::kWriteBytes, kErrorAccessDenied},
      {"C:\\W\\a|b.ini", TextMode::kWriteBytes, kErrorInvalidName},
  };
  for (const Case& test : cases) {
    FileNumber number = -7;
    EXPECT_EQ(test.expected, files.OpenText(test.path, test.mode, &number)) << test.path;
    EXPECT_EQ(-7, number) << test.path;
  }
  EXPECT_EQ("keep", files.Contents("C:\\W\\busy.ini"));
  EXPECT_EQ("keep", files.Contents("C:\\W\\hidden.ini"));
}

TEST(SimFilesDirect, AddRefusesClashes) {
  SimFiles files;
  ASSERT_TRUE(files.AddFile("C:\\A\\f.txt", "1", kAttrReadOnly | kAttrDirectory));
  EXPECT_EQ(kAttrReadOnly, files.Attributes("C:\\A\\f.txt"));
  EXPECT_FALSE(files.AddFile("C:\\A", "x"));            // a folder
  EXPECT_FALSE(files.AddDirectory("C:\\A\\f.txt\\B"));  // a file on the way
  EXPECT_FALSE(files.AddFile("C:\\A\\b?.txt", "x"));
  EXPECT_FALSE(files.SetInUse("C:\\A", true));
  EXPECT_FALSE(files.SetAttributes("C:\\", kAttrHidden));
  EXPECT_EQ(std::nullopt, files.Contents("C:\\A"));
  ASSERT_TRUE(files.AddFile("C:\\a\\F.TXT", "2"));  // overwrites, keeps the stored name
  EXPECT_EQ("C:\\A\\f.txt", files.LongPath("C:\\A\\F.TXT"));
  EXPECT_EQ("2", files.Contents("C:\\A\\f.txt"));
}

class SimFilesImage : public ::testing::Test {
 protected:
  void SetUp() override {
    std::random_device random;
    dir_ = fs::temp_directory_path() / ("sim_files_test_" + std::to_string(random()));
    fs::create_directories(dir_);
  }
  void TearDown() override {
    std::error_code ec;
    fs::permissions(dir_ / "in" / "drive_c" / "locked.txt", fs::perms::owner_all,
                    fs::perm_options::add, ec);
    fs::remove_all(dir_, ec);
  }
  void HostFile(const fs::path& path, const std::string& contents) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << contents;
  }
  fs::path dir_;
};

TEST_F(SimFilesImage, RoundTrip) {
  const fs::path in = dir_ / "in";
  HostFile(in / "drive_c" / "WINDOWS" / "Win.ini", "[windows]\r\n");
  HostFile(in / "drive_c" / "Program Files" / "\xe9t\xe9.dat", std::string("\0\xff", 2));
  fs::create_directories(in / "drive_c" / "Empty");
  HostFile(in / "drive_d" / "Stamps" / "DRAFT.STP", "d");
  HostFile(in / "drive_c" / "DOCSEA~1", "");  // an 8.3 name keeps itself
  fs::create_directories(in / "drive_c" / "Docseal Files");
  HostFile(in / "machine.ini", "[system]\n");
  SimFiles files;
  std::string error;
  ASSERT_TRUE(files.LoadDriveFolders(in, &error)) << error;
  EXPECT_EQ(std::string("\0\xff", 2), files.Contents("C:\\PROGRA~1\\\xc9T\xc9.DAT"));
  EXPECT_EQ("[windows]\r\n", files.Contents("c:\\windows\\win.ini"));
  EXPECT_EQ(0u, files.Attributes("C:\\WINDOWS\\Win.ini"));
  EXPECT_EQ((std::vector<char>{'C', 'D'}), files.Drives());
  EXPECT_EQ("C:\\DOCSEA~2", files.ShortPath("C:\\Docseal Files"));
  EXPECT_EQ((Names{"C:\\Docseal Files", "C:\\Empty"}), files.EmptyFolders());
  std::vector<std::string> paths;
  for (const EntryInfo& e : files.Entries()) paths.push_back(e.path);
  EXPECT_EQ((Names{"C:\\Docseal Files", "C:\\DOCSEA~1", "C:\\Empty", "C:\\Program Files",
                   "C:\\Program Files\\\xe9t\xe9.dat", "C:\\WINDOWS", "C:\\WINDOWS\\Win.ini",
                   "D:\\Stamps", "D:\\Stamps\\DRAFT.STP"}),
            paths);

  const fs::path out = dir_ / "out";
  ASSERT_TRUE(files.WriteDriveFolders(out, &error)) << error;
  EXPECT_TRUE(fs::is_directory(out / "drive_c" / "Empty"));
  SimFiles again;
  ASSERT_TRUE(again.LoadDriveFolders(out, &error)) << error;
  std::vector<std::string> again_paths;
  for (const EntryInfo& e : again.Entries()) again_paths.push_back(e.path);
  EXPECT_EQ(paths, again_paths);
  EXPECT_EQ(files.Contents("C:\\Program Files\\\xe9t\xe9.dat"),
            again.Contents("C:\\Program Files\\\xe9t\xe9.dat"));
  EXPECT_FALSE(files.WriteDriveFolders(out, &error));  // never merges into an old image
  EXPECT_NE(std::string::npos, error.find("drive_c")) << error;
}

TEST_F(SimFilesImage, BadImagesNameTheFileAndLeaveTheModel) {
  HostFile(dir_ / "case" / "drive_c" / "A.txt", "");
  HostFile(dir_ / "case" / "drive_c" / "a.TXT", "");
  HostFile(dir_ / "name" / "drive_c" / "sub" / "what?.txt", "");
  fs::create_directories(dir_ / "link" / "drive_c");
  fs::create_symlink("/etc/hostname", dir_ / "link" / "drive_c" / "link.txt");
  fs::create_directories(dir_ / "upper" / "drive_C");
  SimFiles files;
  ASSERT_TRUE(files.AddFile("C:\\keep.txt", "k"));
  const std::pair<const char*, const char*> cases[] = {{"case", "differs only in case"},
                                                       {"name", "what?.txt"},
                                                       {"link", "link.txt"},
                                                       {"upper", "drive_C"}};
  for (const auto& [image, named] : cases) {
    std::string error;
    EXPECT_FALSE(files.LoadDriveFolders(dir_ / image, &error)) << image;
    EXPECT_NE(std::string::npos, error.find(named)) << error;
  }
  EXPECT_EQ("k", files.Contents("C:\\keep.txt"));
}

TEST_F(SimFilesImage, UnreadableFileIsAnError) {
  const fs::path locked = dir_ / "in" / "drive_c" / "locked.txt";
  HostFile(locked, "secret");
  fs::permissions(locked, fs::perms::none);
  if (std::ifstream(locked).is_open()) GTEST_SKIP() << "permissions are not enforced here";
  SimFiles files;
  std::string error;
  EXPECT_FALSE(files.LoadDriveFolders(dir_ / "in", &error));
  EXPECT_NE(std::string::npos, error.find("locked.txt")) << error;
}

}  // namespace
}  // namespace vrx::sim
