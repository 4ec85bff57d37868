// What the simulated drives do that has no Windows counterpart: seeding them, the walks the image
// writer uses, copying, and the stability of 8.3 names. What Windows does is held by the contract
// suites (platform/contract), which run here and under Wine.
#include "platform/sim/sim_files.h"

#include <gtest/gtest.h>

#include "platform/windows_names.h"

namespace vrx::sim {
namespace {

using Names = std::vector<std::string>;

Names ListAll(SimFiles& files, const std::string& pattern, ListFilter filter) {
  Names names;
  for (std::string n = files.ListFirst(pattern, filter); !n.empty(); n = files.ListNext()) {
    names.push_back(n);
  }
  return names;
}

std::string ShortName(const SimFiles& files, const std::string& path) {
  std::string short_path = files.ShortPath(path).value_or("<missing>");
  return short_path.substr(short_path.rfind('\\') + 1);
}

TEST(SimFilesDirect, SeedingRefusesWhatWindowsCouldNotHoldAndKeepsStoredNames) {
  SimFiles files;
  ASSERT_TRUE(files.AddFile("C:\\A\\f.txt", "1", kAttrReadOnly | kAttrDirectory));
  EXPECT_EQ(kAttrReadOnly, files.Attributes("C:\\A\\f.txt"));
  EXPECT_FALSE(files.AddFile("C:\\A", "x"));            // a folder
  EXPECT_FALSE(files.AddDirectory("C:\\A\\f.txt\\B"));  // a file on the way
  EXPECT_FALSE(files.AddFile("C:\\A\\b?.txt", "x"));
  EXPECT_FALSE(files.AddFile("C:\\A\\new.txt\\", "x"));  // a folder's path
  EXPECT_FALSE(files.SetInUse("C:\\A", true));
  EXPECT_FALSE(files.SetAttributes("C:\\", kAttrHidden));
  EXPECT_EQ(std::nullopt, files.Contents("C:\\A"));
  ASSERT_TRUE(files.AddFile("C:\\a\\F.TXT", "2"));  // overwrites, keeps the stored name
  EXPECT_EQ("C:\\A\\f.txt", files.LongPath("c:/a/F.TXT."));
  EXPECT_EQ("2", files.Contents("C:\\A\\f.txt"));
  // A drive exists once something was put on it.
  EXPECT_FALSE(files.Exists("E:\\"));
  ASSERT_TRUE(files.AddFile("E:\\e.txt", ""));
  EXPECT_EQ((std::vector<char>{'C', 'E'}), files.Drives());
  EXPECT_TRUE(files.Exists("E:e.txt"));  // from the root of a drive that is not current
}

FileIdentity IdentityOf(SimFiles& files, const std::string& path) {
  FileIdentity identity;
  EXPECT_EQ(kOk, files.GetIdentity(path, &identity)) << path;
  return identity;
}

TEST(SimFilesAliases, EveryCallGoesThroughSubstDrivesSharesAndJunctionsToTheTarget) {
  SimFiles files;
  ASSERT_TRUE(files.AddFile("C:\\WINDOWS\\TEMP\\setup.log", "log"));
  ASSERT_TRUE(files.AddFile("C:\\Program Files\\x.txt", ""));
  EXPECT_EQ("", files.AddAlias("S:\\", "c:\\windows"));
  EXPECT_EQ("", files.AddAlias("\\\\HOST\\C$", "C:\\"));
  EXPECT_EQ("", files.AddAlias("C:\\Link", "S:\\TEMP"));  // kept as its long path
  EXPECT_EQ(
      (std::vector<std::pair<std::string, std::string>>{
          {"S:\\", "C:\\WINDOWS"}, {"\\\\HOST\\C$", "C:\\"}, {"C:\\Link", "C:\\WINDOWS\\TEMP"}}),
      files.Aliases());

  EXPECT_EQ("log", files.Contents("\\\\host\\c$\\Windows\\Temp\\SETUP.LOG"));
  EXPECT_EQ(Names{"setup.log"}, ListAll(files, "C:\\Link\\*.*", ListFilter::kPlain));
  EXPECT_EQ(Names{"setup.log"}, ListAll(files, "S:\\TEMP\\", ListFilter::kPlain));
  EXPECT_EQ("\\\\HOST\\C$\\PROGRA~1", files.ShortPath("\\\\HOST\\C$\\Program Files"));
  EXPECT_EQ("C:\\WINDOWS\\TEMP\\setup.log", files.LongPath("S:\\temp\\..\\TEMP\\setup.log"));
  const FileIdentity windows = IdentityOf(files, "C:\\WINDOWS");
  EXPECT_EQ(windows, IdentityOf(files, "S:\\"));
  EXPECT_EQ(windows, IdentityOf(files, "\\\\HOST\\C$\\WINDOWS\\"));
  EXPECT_EQ(IdentityOf(files, "C:\\"), IdentityOf(files, "C:\\Link\\.."));  // ".." by name first
  EXPECT_EQ(IdentityOf(files, "C:\\WINDOWS\\TEMP"), IdentityOf(files, "C:\\Link"));
  EXPECT_FALSE(windows == IdentityOf(files, "C:\\WINDOWS\\TEMP"));
  // Only a junction's own name is a link: not what lies in it, not a root, not its target.
  EXPECT_EQ(
      (std::vector<bool>{true, false, false, false}),
      (std::vector<bool>{
          IdentityOf(files, "c:\\link\\").link, IdentityOf(files, "C:\\Link\\..\\WINDOWS").link,
          IdentityOf(files, "S:\\").link, IdentityOf(files, "C:\\WINDOWS\\TEMP").link}));

  // A root stays a root; a junction is a folder of its folder under its own name, whatever it
  // names; a share without an alias is no path.
  EXPECT_EQ(kErrorAccessDenied, files.RemoveDirectory("S:\\"));
  EXPECT_EQ(kErrorAccessDenied, files.RemoveDirectory("\\\\HOST\\C$"));
  EXPECT_EQ((Names{"Program Files", "WINDOWS", "Link"}),
            ListAll(files, "C:\\*", ListFilter::kDirectories));
  EXPECT_EQ((Names{"Link"}), ListAll(files, "c:\\link", ListFilter::kDirectories));
  EXPECT_EQ((Names{}), ListAll(files, "C:\\*", ListFilter::kPlain));
  EXPECT_FALSE(files.Exists("\\\\OTHER\\C$\\WINDOWS"));
  // Deleting and making through an alias act on the target.
  ASSERT_EQ(kOk, files.DeleteFile("C:\\Link\\setup.log"));
  EXPECT_FALSE(files.Exists("C:\\WINDOWS\\TEMP\\setup.log"));
  ASSERT_TRUE(files.AddFile("S:\\new.ini", ""));
  EXPECT_TRUE(files.Exists("C:\\WINDOWS\\new.ini"));
  EXPECT_EQ((std::vector<char>{'C'}), files.Drives());

  // Windows 95/98 open no folder; a file still tells its identity.
  files.SetPlatformFamily(1);
  FileIdentity untouched;
  EXPECT_EQ(kErrorAccessDenied, files.GetIdentity("S:\\", &untouched));
  EXPECT_EQ(IdentityOf(files, "C:\\WINDOWS\\new.ini"), IdentityOf(files, "S:\\NEW.INI"));
}

TEST(SimFilesAliases, RefusesNamesThatAreNoAliasAndMissingTargets) {
  SimFiles files;
  ASSERT_TRUE(files.AddFile("C:\\WINDOWS\\win.ini", ""));
  ASSERT_TRUE(files.AddFile("D:\\data.txt", ""));
  ASSERT_TRUE(files.AddDirectory("C:\\A=B"));
  ASSERT_EQ("", files.AddAlias("C:\\Link", "C:\\WINDOWS"));
  const std::vector<std::pair<std::string, std::string>> refused = {
      {"S:", "C:\\WINDOWS"},                 // relative
      {"Link2", "C:\\WINDOWS"},              // relative
      {"\\\\HOST", "C:\\WINDOWS"},           // a server without a share
      {"D:\\", "C:\\WINDOWS"},               // a drive that holds files
      {"C:\\WINDOWS", "C:\\"},               // taken by a folder
      {"C:\\Link\\Deeper", "C:\\"},          // inside another alias
      {"C:\\Missing\\Link", "C:\\WINDOWS"},  // no folder to hold it
      {"C:\\Bad|Name", "C:\\WINDOWS"},       // no Windows name
      {"S:\\", "C:\\Missing"},               // no target
      {"S:\\", "C:\\WINDOWS\\win.ini"},      // a file
      {"S:\\", "C:\\A=B"},                   // a target machine.ini could not write
  };
  for (const auto& [name, target] : refused) {
    EXPECT_NE("", files.AddAlias(name, target)) << name << "=" << target;
  }
  EXPECT_EQ(1u, files.Aliases().size());
}

TEST(SimFilesShortNames, NumbersAreFixedAtCreationAndReused) {
  SimFiles files;
  ASSERT_TRUE(files.AddFile("C:\\D\\Long Name One.txt", ""));
  ASSERT_TRUE(files.AddFile("C:\\D\\Long Name Two.txt", ""));
  ASSERT_TRUE(files.AddFile("C:\\E\\Long Name Two.txt", ""));
  EXPECT_EQ("LONGNA~1.TXT", ShortName(files, "C:\\D\\Long Name One.txt"));
  EXPECT_EQ("LONGNA~2.TXT", ShortName(files, "C:\\D\\Long Name Two.txt"));
  EXPECT_EQ("LONGNA~1.TXT", ShortName(files, "C:\\E\\Long Name Two.txt"));  // per folder
  ASSERT_EQ(kOk, files.DeleteFile("C:\\D\\Long Name One.txt"));
  EXPECT_EQ("LONGNA~2.TXT", ShortName(files, "C:\\D\\Long Name Two.txt"));
  ASSERT_TRUE(files.AddFile("C:\\D\\Long Name Three.txt", ""));
  EXPECT_EQ("LONGNA~1.TXT", ShortName(files, "C:\\D\\Long Name Three.txt"));
  // A name that is its own 8.3 name is never given to another entry.
  ASSERT_TRUE(files.AddFile("C:\\F\\DOCSEA~1", ""));
  ASSERT_TRUE(files.AddFile("C:\\F\\Docseal Files", ""));
  EXPECT_EQ("DOCSEA~2", ShortName(files, "C:\\F\\Docseal Files"));
  // From the fifth on: hashed, each distinct, each answering to its name.
  Names hashed;
  for (int i = 1; i <= 8; ++i) {
    const std::string path = "C:\\G\\Many Files " + std::to_string(i);
    ASSERT_TRUE(files.AddFile(path, std::to_string(i)));
    hashed.push_back(ShortName(files, path));
  }
  EXPECT_EQ("MANYFI~4", hashed[3]);
  for (size_t i = 4; i < hashed.size(); ++i) {
    EXPECT_EQ(ShortNameCandidate("Many Files " + std::to_string(i + 1), 5), hashed[i]);
    EXPECT_EQ(std::to_string(i + 1), files.Contents("C:\\G\\" + hashed[i]));
  }
}

TEST(SimFilesShortNames, PathsMixLongAndShortPartsBothWays) {
  SimFiles files;
  ASSERT_TRUE(files.AddDirectory("C:\\Program Files\\Docseal 4.0"));
  ASSERT_TRUE(files.AddFile("C:\\Program Files\\Readme.txt", ""));
  EXPECT_EQ("c:\\PROGRA~1\\readme.TXT", files.ShortPath("c:\\program files\\readme.TXT"));
  EXPECT_EQ("C:\\progra~1\\DOCSEA~1.0", files.ShortPath("C:\\progra~1\\DOCSEAL 4.0"));
  EXPECT_EQ("C:\\progra~1\\docsea~1.0\\", files.ShortPath("C:\\progra~1\\docsea~1.0\\"));
  EXPECT_EQ("c:\\", files.ShortPath("c:\\"));
  EXPECT_EQ("C:\\Program Files\\Docseal 4.0", files.LongPath("C:\\PROGRA~1\\DOCSEA~1.0"));
  EXPECT_EQ(std::nullopt, files.LongPath("C:\\PROGRA~1\\Missing"));
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
  EXPECT_EQ("3.txt", files.ListFirst("C:\\D\\*.*", ListFilter::kPlain));
}

TEST(SimFilesWalk, EntriesInUseEmptyFoldersAndCopies) {
  SimFiles files;
  ASSERT_TRUE(files.AddFile("C:\\W\\busy.dll", "b"));
  ASSERT_TRUE(files.SetInUse("C:\\W\\busy.dll", true));
  ASSERT_TRUE(files.AddFile("C:\\W\\Long Name.txt", "l", kAttrHidden));
  ASSERT_TRUE(files.AddDirectory("C:\\W\\Empty"));
  ASSERT_TRUE(files.AddFile("D:\\d.txt", "d"));
  EXPECT_EQ(Names{"C:\\W\\busy.dll"}, files.FilesInUse());
  EXPECT_EQ(Names{"C:\\W\\Empty"}, files.EmptyFolders());
  Names paths;
  for (const EntryInfo& e : files.Entries()) paths.push_back(e.path);
  EXPECT_EQ(
      (Names{"C:\\W", "C:\\W\\busy.dll", "C:\\W\\Empty", "C:\\W\\Long Name.txt", "D:\\d.txt"}),
      paths);

  ASSERT_EQ(kOk, files.SetCurrentDirectory("C:\\W"));
  SimFiles copy;
  copy.CopyDrivesFrom(files);
  EXPECT_EQ(paths.size(), copy.Entries().size());
  EXPECT_EQ("C:\\", copy.GetCurrentDirectory());
  EXPECT_TRUE(copy.InUse("C:\\W\\busy.dll"));
  EXPECT_EQ(kAttrHidden, copy.Attributes("C:\\W\\LONGNA~1.TXT"));
  EXPECT_EQ("d", copy.Contents("d:\\D.TXT"));
  // The copy is its own: changing it leaves the original.
  ASSERT_EQ(kOk, copy.RemoveDirectory("C:\\W\\Empty"));
  EXPECT_TRUE(files.Exists("C:\\W\\Empty"));

  SimFiles moved(std::move(copy));
  EXPECT_TRUE(moved.Exists("C:\\W\\busy.dll"));
  EXPECT_EQ(Names{"busy.dll"}, ListAll(moved, "C:\\W\\*.dll", ListFilter::kPlain));
}

TEST(SimFilesText, AFileInUseIsHeldWithoutSharingAndOneOpenHereIsHeld) {
  SimFiles files;
  ASSERT_TRUE(files.AddFile("C:\\busy.ini", "keep"));
  ASSERT_TRUE(files.SetInUse("C:\\busy.ini", true));
  FileNumber number = -7;
  EXPECT_EQ(kErrorSharingViolation, files.OpenText("C:\\busy.ini", TextMode::kReadChars, &number));
  EXPECT_EQ(-7, number);
  FileNumber out = -1;
  ASSERT_EQ(kOk, files.OpenText("C:\\Wininit.ini", TextMode::kWriteBytes, &out));
  EXPECT_EQ(kErrorSharingViolation, files.ReplaceFile("C:\\Wininit.ini", "C:\\Wininit.bak"));
  files.CloseAll();
  EXPECT_EQ(kAttrArchive, files.Attributes("C:\\Wininit.ini"));
  EXPECT_EQ(kOk, files.ReplaceFile("C:\\Wininit.ini", "C:\\Wininit.bak"));
}

}  // namespace
}  // namespace vrx::sim
