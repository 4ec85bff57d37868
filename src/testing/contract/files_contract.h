// The file-system contract: what every Files backend (and System's short paths) answers, run
// against the simulator natively and against the real file system under Wine. Include in one
// source file of a test program, then instantiate with
// INSTANTIATE_TYPED_TEST_SUITE_P(Name, FilesContract, Types) where each type is an environment
// with:
//
//   Env()                       a fresh, empty scratch folder
//   Files& files()
//   System& system()            for GetShortPathName
//   std::string root()          the scratch folder's full path, without a trailing backslash
//   void MakeFolder(path)       creates a folder (its parent exists)
//   void MakeFile(path, contents, attributes)
//   void HoldOpen(path)         another holder opens the file sharing its reading only (not
//                               writing, not deletion), until the environment goes
//   std::string Contents(path)  a file's bytes; "<missing>" when there is no such file
//   std::string other_drive()   an empty scratch folder on another drive ("" when there is none)
//   bool Deviates(Deviation)    see contract_env.h
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "testing/contract/contract_env.h"

namespace vrx::contract {

template <typename Env>
class FilesContract : public ::testing::Test {
 protected:
  Files& files() { return env_.files(); }
  std::string At(const std::string& relative) { return env_.root() + "\\" + relative; }

  // GetShortPathNameA of a path; "<status 0>" when it fails.
  std::string ShortPath(const std::string& path) {
    char buffer[260];
    uint32_t length = env_.system().GetShortPathName(path, buffer, sizeof(buffer));
    if (length == 0 || length >= sizeof(buffer)) return "<status 0>";
    return std::string(buffer, length);
  }
  // The last part of a path.
  static std::string LastPart(const std::string& path) {
    return path.substr(path.find_last_of('\\') + 1);
  }

  std::vector<std::string> List(const std::string& pattern, ListFilter filter) {
    std::vector<std::string> names;
    for (std::string name = files().ListFirst(pattern, filter); !name.empty();
         name = files().ListNext()) {
      names.push_back(name);
    }
    return names;
  }

  // The folder of the listing cases: one entry of each kind.
  void MakeMixedFolder() {
    env_.MakeFolder(At("Mixed"));
    env_.MakeFile(At("Mixed\\plain.txt"), "p", 0);
    env_.MakeFile(At("Mixed\\readonly.txt"), "r", kAttrReadOnly);
    env_.MakeFile(At("Mixed\\hidden.txt"), "h", kAttrHidden);
    env_.MakeFile(At("Mixed\\system.txt"), "s", kAttrSystem);
    env_.MakeFolder(At("Mixed\\Sub"));
  }

  std::string ReadAll(FileNumber number) {
    std::string bytes;
    char c = 0;
    Status status;
    while ((status = files().ReadChar(number, &c)) == kOk) bytes += c;
    EXPECT_EQ(kErrorHandleEof, status);
    return bytes;
  }

  Env env_;
};

TYPED_TEST_SUITE_P(FilesContract);

using Names = std::vector<std::string>;

TYPED_TEST_P(FilesContract, ListingFilters) {
  this->MakeMixedFolder();
  const std::string all = this->At("Mixed\\*.*");
  EXPECT_EQ((Names{"plain.txt", "readonly.txt"}), this->List(all, ListFilter::kPlain));
  EXPECT_EQ((Names{"hidden.txt", "plain.txt", "readonly.txt"}),
            this->List(all, ListFilter::kHidden));
  EXPECT_EQ((Names{".", "..", "plain.txt", "readonly.txt", "Sub"}),
            this->List(all, ListFilter::kDirectories));
  // A system file is seen by no filter, not even when named.
  EXPECT_EQ(Names{}, this->List(this->At("Mixed\\system.txt"), ListFilter::kHidden));
  EXPECT_EQ(Names{"Sub"}, this->List(this->At("Mixed\\sub"), ListFilter::kDirectories));
  EXPECT_EQ(Names{}, this->List(this->At("Mixed\\sub"), ListFilter::kPlain));
}

TYPED_TEST_P(FilesContract, ListingPatterns) {
  this->MakeMixedFolder();
  // A folder alone lists what it holds.
  EXPECT_EQ(this->List(this->At("Mixed\\*.*"), ListFilter::kPlain),
            this->List(this->At("Mixed\\"), ListFilter::kPlain));
  EXPECT_EQ(Names{"plain.txt"}, this->List(this->At("mixed\\PLAIN.TXT"), ListFilter::kPlain));
  EXPECT_EQ(Names{"plain.txt"}, this->List(this->At("Mixed\\p*.t?t"), ListFilter::kPlain));
  EXPECT_EQ(Names{}, this->List(this->At("Mixed\\*.doc"), ListFilter::kPlain));
  EXPECT_EQ(Names{}, this->List(this->At("Missing\\*.*"), ListFilter::kPlain));
  // Exhausted listings stay exhausted.
  EXPECT_EQ("plain.txt", this->files().ListFirst(this->At("Mixed\\plain.txt"), ListFilter::kPlain));
  EXPECT_EQ("", this->files().ListNext());
  EXPECT_EQ("", this->files().ListNext());
}

TYPED_TEST_P(FilesContract, NoDotsInADrivesRoot) {
  const std::string root = this->env_.root().substr(0, 3);  // "C:\"
  Names names = this->List(root + "*.*", ListFilter::kDirectories);
  EXPECT_FALSE(names.empty());
  for (const std::string& name : names) {
    EXPECT_NE(".", name);
    EXPECT_NE("..", name);
  }
}

TYPED_TEST_P(FilesContract, DeletingFiles) {
  this->MakeMixedFolder();
  EXPECT_EQ(kErrorAccessDenied, this->files().DeleteFile(this->At("Mixed\\readonly.txt")));
  EXPECT_EQ("r", this->env_.Contents(this->At("Mixed\\readonly.txt")));
  EXPECT_EQ(kOk, this->files().SetAttributesNormal(this->At("Mixed\\readonly.txt")));
  EXPECT_EQ(kOk, this->files().DeleteFile(this->At("Mixed\\readonly.txt")));
  EXPECT_EQ("<missing>", this->env_.Contents(this->At("Mixed\\readonly.txt")));

  EXPECT_EQ(kOk, this->files().DeleteFile(this->At("Mixed\\hidden.txt")));
  EXPECT_EQ(kErrorFileNotFound, this->files().DeleteFile(this->At("Mixed\\hidden.txt")));
  EXPECT_EQ(kErrorPathNotFound, this->files().DeleteFile(this->At("Missing\\x.txt")));
  EXPECT_EQ(kErrorAccessDenied, this->files().DeleteFile(this->At("Mixed\\Sub")));
  EXPECT_EQ(kErrorFileNotFound, this->files().SetAttributesNormal(this->At("Mixed\\gone.txt")));
}

TYPED_TEST_P(FilesContract, RemovingFolders) {
  this->MakeMixedFolder();
  EXPECT_EQ(kErrorDirNotEmpty, this->files().RemoveDirectory(this->At("Mixed")));
  EXPECT_EQ(kOk, this->files().RemoveDirectory(this->At("Mixed\\Sub")));
  EXPECT_EQ(kErrorFileNotFound, this->files().RemoveDirectory(this->At("Mixed\\Sub")));
  EXPECT_EQ(kErrorPathNotFound, this->files().RemoveDirectory(this->At("Missing\\Sub")));
}

TYPED_TEST_P(FilesContract, CurrentDirectory) {
  this->env_.MakeFolder(this->At("Here"));
  this->env_.MakeFile(this->At("Here\\file.txt"), "", 0);
  // Kept as typed, without the trailing backslash.
  const std::string typed = this->At("here\\");
  ASSERT_EQ(kOk, this->files().SetCurrentDirectory(typed));
  EXPECT_EQ(typed.substr(0, typed.size() - 1), this->files().GetCurrentDirectory());
  EXPECT_EQ(Names{"file.txt"}, this->List("*.*", ListFilter::kPlain));
  // The current directory is in use, whether it holds anything or not.
  EXPECT_EQ(kErrorSharingViolation, this->files().RemoveDirectory(this->At("Here")));
  EXPECT_EQ(kOk, this->files().DeleteFile("file.txt"));
  EXPECT_EQ(kErrorSharingViolation, this->files().RemoveDirectory(this->At("Here")));
  ASSERT_EQ(kOk, this->files().SetCurrentDirectory(this->env_.root()));
  EXPECT_EQ(kOk, this->files().RemoveDirectory(this->At("Here")));
}

TYPED_TEST_P(FilesContract, SettingAMissingCurrentDirectory) {
  const std::string before = this->files().GetCurrentDirectory();
  EXPECT_EQ(kErrorPathNotFound, this->files().SetCurrentDirectory(this->At("Missing\\Deeper")));
  if (this->env_.Deviates(Deviation::kMissingCurrentDirectoryIsPathNotFound)) {
    EXPECT_EQ(kErrorPathNotFound, this->files().SetCurrentDirectory(this->At("Missing")));
  } else {
    EXPECT_EQ(kErrorFileNotFound, this->files().SetCurrentDirectory(this->At("Missing")));
  }
  EXPECT_EQ(before, this->files().GetCurrentDirectory());
}

TYPED_TEST_P(FilesContract, ShortPaths) {
  this->env_.MakeFolder(this->At("Long Folder Name"));
  const std::string long_path = this->At("Long Folder Name\\Long File Name.text");
  this->env_.MakeFile(long_path, "contents", 0);

  char buffer[260];
  uint32_t length = this->env_.system().GetShortPathName(long_path, buffer, sizeof(buffer));
  ASSERT_NE(0u, length);
  const std::string short_path(buffer, length);
  EXPECT_EQ(length, std::strlen(buffer));
  EXPECT_LT(short_path.size(), long_path.size());
  EXPECT_EQ(std::string::npos, short_path.find(' ')) << short_path;
  // It names the same file, and the listing gives that file's long name.
  EXPECT_EQ("contents", this->env_.Contents(short_path));
  EXPECT_EQ(Names{"Long File Name.text"}, this->List(short_path, ListFilter::kPlain));
  // Too small a buffer: the size needed, NUL included.
  EXPECT_EQ(length + 1, this->env_.system().GetShortPathName(long_path, buffer, length));

  std::memset(buffer, '#', sizeof(buffer));
  EXPECT_EQ(0u, this->env_.system().GetShortPathName(this->At("Long Folder Name\\Missing File"),
                                                     buffer, sizeof(buffer)));
  EXPECT_EQ('#', buffer[0]);
}

TYPED_TEST_P(FilesContract, IdentitiesTellEntriesApartWhateverNamesThem) {
  this->env_.MakeFolder(this->At("Long Folder Name"));
  this->env_.MakeFolder(this->At("Other"));
  this->env_.MakeFile(this->At("Other\\held.dll"), "h", kAttrReadOnly);
  this->env_.HoldOpen(this->At("Other\\held.dll"));
  auto identity = [&](const std::string& path) {
    FileIdentity id;
    id.link = true;  // no junction here: every answer says so
    const Status status = this->files().GetIdentity(path, &id);
    EXPECT_EQ(kOk, status) << path;
    EXPECT_FALSE(id.link) << path;
    return id;
  };
  const FileIdentity folder = identity(this->At("Long Folder Name"));
  EXPECT_EQ(folder, identity(this->ShortPath(this->At("Long Folder Name"))));
  EXPECT_EQ(folder, identity(this->At("other\\..\\LONG FOLDER NAME\\")));
  EXPECT_FALSE(folder == identity(this->At("Other")));
  EXPECT_FALSE(folder == identity(this->env_.root()));
  // A file held open by another program, and read-only, still tells its identity.
  const FileIdentity held = identity(this->At("Other\\held.dll"));
  EXPECT_FALSE(held == identity(this->At("Other")));

  FileIdentity untouched;
  untouched.file_index = 7;
  EXPECT_EQ(kErrorFileNotFound, this->files().GetIdentity(this->At("Missing"), &untouched));
  EXPECT_EQ(kErrorPathNotFound, this->files().GetIdentity(this->At("Missing\\Sub"), &untouched));
  EXPECT_EQ(7u, untouched.file_index);
}

TYPED_TEST_P(FilesContract, TextFilesWriteAndReadBack) {
  Files& files = this->files();
  const std::string path = this->At("text.ini");
  const std::string bytes = "[RENAME]\r\nNUL=C:\\\xAE.EXE\r\nlast";
  FileNumber writing = -1;
  ASSERT_EQ(kOk, files.OpenText(path, TextMode::kWriteBytes, &writing));
  EXPECT_EQ(1, writing);
  EXPECT_EQ(kOk, files.Write(writing, bytes.substr(0, 10)));
  EXPECT_EQ(kOk, files.Write(writing, bytes.substr(10)));
  EXPECT_EQ(kOk, files.Write(writing, ""));
  char c = '#';
  EXPECT_EQ(kErrorAccessDenied, files.ReadChar(writing, &c));
  EXPECT_EQ('#', c);
  EXPECT_EQ(kOk, files.Close(writing));
  EXPECT_EQ(kErrorInvalidHandle, files.Close(writing));
  EXPECT_EQ(bytes, this->env_.Contents(path));

  FileNumber first = -1;
  FileNumber second = -1;
  ASSERT_EQ(kOk, files.OpenText(path, TextMode::kReadChars, &first));
  ASSERT_EQ(kOk, files.OpenText(path, TextMode::kReadChars, &second));
  EXPECT_EQ(1, first);
  EXPECT_EQ(2, second);
  EXPECT_FALSE(files.AtEnd(first));
  EXPECT_EQ(kErrorAccessDenied, files.Write(first, "x"));
  EXPECT_EQ(bytes, this->ReadAll(first));
  EXPECT_TRUE(files.AtEnd(first));
  c = '#';
  EXPECT_EQ(kErrorHandleEof, files.ReadChar(first, &c));
  EXPECT_EQ('#', c);
  ASSERT_EQ(kOk, files.ReadChar(second, &c));
  EXPECT_EQ('[', c);
  EXPECT_EQ(kOk, files.Close(first));
  // The lowest free number is taken again.
  FileNumber third = -1;
  ASSERT_EQ(kOk, files.OpenText(path, TextMode::kReadChars, &third));
  EXPECT_EQ(1, third);
  files.CloseAll();
  EXPECT_EQ(kErrorInvalidHandle, files.Close(second));
  EXPECT_TRUE(files.AtEnd(second));
  EXPECT_EQ(kErrorInvalidHandle, files.ReadChar(second, &c));
  EXPECT_EQ(kErrorInvalidHandle, files.Write(second, "x"));

  // Writing replaces what the file held.
  ASSERT_EQ(kOk, files.OpenText(path, TextMode::kWriteBytes, &writing));
  EXPECT_EQ(kOk, files.Write(writing, "new"));
  EXPECT_EQ(kOk, files.Close(writing));
  EXPECT_EQ("new", this->env_.Contents(path));
}

TYPED_TEST_P(FilesContract, TextFilesThatCannotBeOpened) {
  FileNumber number = -1;
  EXPECT_EQ(kErrorFileNotFound,
            this->files().OpenText(this->At("none.ini"), TextMode::kReadChars, &number));
  EXPECT_EQ(kErrorPathNotFound,
            this->files().OpenText(this->At("Missing\\new.ini"), TextMode::kWriteBytes, &number));
  EXPECT_EQ(kErrorAccessDenied,
            this->files().OpenText(this->env_.root(), TextMode::kReadChars, &number));
  EXPECT_EQ(-1, number);
}

TYPED_TEST_P(FilesContract, ReadOnlyFilesAreNotRewritten) {
  if (this->env_.Deviates(Deviation::kReadOnlyFilesCanBeRewritten)) {
    GTEST_SKIP() << Describe(Deviation::kReadOnlyFilesCanBeRewritten);
  }
  this->env_.MakeFile(this->At("locked.ini"), "keep", kAttrReadOnly);
  FileNumber number = -1;
  EXPECT_EQ(kErrorAccessDenied,
            this->files().OpenText(this->At("locked.ini"), TextMode::kWriteBytes, &number));
  EXPECT_EQ(-1, number);
  EXPECT_EQ("keep", this->env_.Contents(this->At("locked.ini")));
}

TYPED_TEST_P(FilesContract, ReplacingAFile) {
  this->env_.MakeFile(this->At("new.tmp"), "new", 0);
  this->env_.MakeFile(this->At("old.ini"), "old", 0);
  EXPECT_EQ(kOk, this->files().ReplaceFile(this->At("new.tmp"), this->At("old.ini")));
  EXPECT_EQ("new", this->env_.Contents(this->At("old.ini")));
  EXPECT_EQ("<missing>", this->env_.Contents(this->At("new.tmp")));
  // The target need not exist.
  EXPECT_EQ(kOk, this->files().ReplaceFile(this->At("old.ini"), this->At("fresh.ini")));
  EXPECT_EQ("new", this->env_.Contents(this->At("fresh.ini")));
  EXPECT_EQ(kErrorFileNotFound,
            this->files().ReplaceFile(this->At("old.ini"), this->At("other.ini")));
}

TYPED_TEST_P(FilesContract, WhatCannotBeDoneToFilesAndFolders) {
  this->env_.MakeFile(this->At("f.txt"), "f", 0);
  EXPECT_EQ(kErrorDirectory, this->files().RemoveDirectory(this->At("f.txt")));
  const std::string before = this->files().GetCurrentDirectory();
  EXPECT_EQ(kErrorDirectory, this->files().SetCurrentDirectory(this->At("f.txt")));
  EXPECT_EQ(before, this->files().GetCurrentDirectory());
  FileNumber number = -1;
  EXPECT_EQ(kErrorInvalidName,
            this->files().OpenText(this->At("a|b.ini"), TextMode::kWriteBytes, &number));
  EXPECT_EQ(-1, number);
  // A drive's root cannot be removed.
  if (!this->env_.Deviates(Deviation::kDriveRootIsAFolder)) {
    EXPECT_EQ(kErrorAccessDenied, this->files().RemoveDirectory(this->env_.root().substr(0, 3)));
  }
  // A file in use cannot be deleted, read-only or not: the use counts first.
  this->env_.MakeFile(this->At("both.dll"), "b", kAttrReadOnly);
  this->env_.HoldOpen(this->At("both.dll"));
  EXPECT_EQ(kErrorSharingViolation, this->files().DeleteFile(this->At("both.dll")));
  EXPECT_EQ("f", this->env_.Contents(this->At("f.txt")));
  EXPECT_EQ("b", this->env_.Contents(this->At("both.dll")));
}

TYPED_TEST_P(FilesContract, ReplacingAcrossDrives) {
  if (this->env_.Deviates(Deviation::kDrivesShareOneVolume)) {
    GTEST_SKIP() << Describe(Deviation::kDrivesShareOneVolume);
  }
  const std::string other = this->env_.other_drive();
  if (other.empty()) GTEST_SKIP() << "no second drive";
  this->env_.MakeFile(this->At("new.tmp"), "new", 0);
  this->env_.MakeFile(other + "\\old.ini", "old", 0);
  EXPECT_EQ(kErrorNotSameDevice,
            this->files().ReplaceFile(this->At("new.tmp"), other + "\\old.ini"));
  EXPECT_EQ("new", this->env_.Contents(this->At("new.tmp")));
  EXPECT_EQ("old", this->env_.Contents(other + "\\old.ini"));
}

TYPED_TEST_P(FilesContract, TextFilesHeldOrHidden) {
  Files& files = this->files();
  FileNumber out = -1;
  ASSERT_EQ(kOk, files.OpenText(this->At("Wininit.ini"), TextMode::kWriteBytes, &out));
  ASSERT_EQ(kOk, files.Write(out, "[RENAME]\r\n"));
  // What is written shows at once, and the file is held while it is open.
  EXPECT_EQ("[RENAME]\r\n", this->env_.Contents(this->At("Wininit.ini")));
  EXPECT_EQ(kErrorSharingViolation, files.DeleteFile(this->At("Wininit.ini")));
  FileNumber again = -7;
  EXPECT_EQ(kErrorSharingViolation,
            files.OpenText(this->At("WININIT.INI"), TextMode::kWriteBytes, &again));
  EXPECT_EQ(-7, again);
  ASSERT_EQ(kOk, files.Close(out));
  EXPECT_EQ(kOk, files.DeleteFile(this->At("Wininit.ini")));
  // Held by another program, a file is not rewritten.
  this->env_.MakeFile(this->At("busy.ini"), "keep", 0);
  this->env_.HoldOpen(this->At("busy.ini"));
  EXPECT_EQ(kErrorSharingViolation,
            files.OpenText(this->At("busy.ini"), TextMode::kWriteBytes, &again));
  EXPECT_EQ(-7, again);
  EXPECT_EQ("keep", this->env_.Contents(this->At("busy.ini")));
  // Nor is a hidden one.
  if (this->env_.Deviates(Deviation::kHiddenFilesCanBeRewritten)) {
    GTEST_SKIP() << Describe(Deviation::kHiddenFilesCanBeRewritten);
  }
  this->env_.MakeFile(this->At("hidden.ini"), "keep", kAttrHidden);
  EXPECT_EQ(kErrorAccessDenied,
            files.OpenText(this->At("hidden.ini"), TextMode::kWriteBytes, &again));
  EXPECT_EQ(-7, again);
  EXPECT_EQ("keep", this->env_.Contents(this->At("hidden.ini")));
}

REGISTER_TYPED_TEST_SUITE_P(FilesContract, ListingFilters, ListingPatterns, NoDotsInADrivesRoot,
                            DeletingFiles, RemovingFolders, CurrentDirectory,
                            SettingAMissingCurrentDirectory, ShortPaths,
                            IdentitiesTellEntriesApartWhateverNamesThem, TextFilesWriteAndReadBack,
                            TextFilesThatCannotBeOpened, ReadOnlyFilesAreNotRewritten,
                            ReplacingAFile, WhatCannotBeDoneToFilesAndFolders,
                            ReplacingAcrossDrives, TextFilesHeldOrHidden);

}  // namespace vrx::contract
