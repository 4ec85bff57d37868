// Windows' rules for paths and names, as a second file-system suite over the same environments
// as files_contract.h: case in the code page, trailing dots and blanks, 8.3 names, wildcards,
// relative paths. Include after files_contract.h and instantiate with
// INSTANTIATE_TYPED_TEST_SUITE_P(Name, PathRulesContract, Types).
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/windows_names.h"
#include "testing/contract/files_contract.h"

namespace vrx::contract {

template <typename Env>
class PathRulesContract : public FilesContract<Env> {};

TYPED_TEST_SUITE_P(PathRulesContract);

TYPED_TEST_P(PathRulesContract, NamesFoldTheLettersOfTheCodePage) {
  // š œ ž ÿ é, made in lower case and found in upper case.
  this->env_.MakeFile(this->At("\x9A\x9C\x9E\xFF\xE9.txt"), "x", 0);
  EXPECT_EQ("x", this->env_.Contents(this->At("\x8A\x8C\x8E\x9F\xC9.TXT")));
  EXPECT_EQ(Names{"\x9A\x9C\x9E\xFF\xE9.txt"},
            this->List(this->At("\x8A\x8C*.TXT"), ListFilter::kPlain));
  // ß has no upper case in the code page: "ß" and "SS" are two names.
  this->env_.MakeFile(this->At("\xDF.txt"), "sharp", 0);
  this->env_.MakeFile(this->At("SS.txt"), "double", 0);
  EXPECT_EQ("sharp", this->env_.Contents(this->At("\xDF.TXT")));
  EXPECT_EQ(kOk, this->files().DeleteFile(this->At("\x8A\x8C\x8E\x9F\xC9.TXT")));
  EXPECT_EQ("<missing>", this->env_.Contents(this->At("\x9A\x9C\x9E\xFF\xE9.txt")));
}

TYPED_TEST_P(PathRulesContract, TrailingDotsAndBlanks) {
  this->env_.MakeFolder(this->At("STAMPS"));
  this->env_.MakeFile(this->At("STAMPS\\A.TXT"), "a", 0);
  this->env_.MakeFile(this->At("STAMPS\\B.TXT"), "b", 0);
  // One trailing dot of a folder on the way, every trailing dot and blank of the last part.
  EXPECT_EQ(Names{"A.TXT"}, this->List(this->At("STAMPS.\\A.TXT. ."), ListFilter::kPlain));
  EXPECT_EQ((Names{"A.TXT", "B.TXT"}), this->List(this->At("STAMPS.\\*.*"), ListFilter::kPlain));
  EXPECT_EQ(Names{}, this->List(this->At("STAMPS \\A.TXT"), ListFilter::kPlain));
  EXPECT_EQ(kOk, this->files().DeleteFile(this->At("STAMPS\\A.TXT.")));
  EXPECT_EQ("<missing>", this->env_.Contents(this->At("STAMPS\\A.TXT")));
  EXPECT_EQ(kErrorPathNotFound, this->files().DeleteFile(this->At("STAMPS \\B.TXT")));
  // A name written with trailing dots and blanks is made without them.
  FileNumber number = -1;
  ASSERT_EQ(kOk,
            this->files().OpenText(this->At("STAMPS\\NEW.INI. "), TextMode::kWriteBytes, &number));
  ASSERT_EQ(kOk, this->files().Close(number));
  EXPECT_EQ((Names{"B.TXT", "NEW.INI"}), this->List(this->At("STAMPS\\*.*"), ListFilter::kPlain));
  // A path that ends in a backslash names a folder, never a file.
  number = -1;
  EXPECT_EQ(kErrorInvalidName, this->files().DeleteFile(this->At("STAMPS\\B.TXT\\")));
  EXPECT_EQ(kErrorInvalidName,
            this->files().OpenText(this->At("STAMPS\\B.TXT\\"), TextMode::kReadChars, &number));
  EXPECT_EQ(-1, number);
  EXPECT_EQ("b", this->env_.Contents(this->At("STAMPS\\B.TXT")));
  // The current directory is kept without them.
  ASSERT_EQ(kOk, this->files().SetCurrentDirectory(this->At("STAMPS. ")));
  EXPECT_EQ(this->At("STAMPS"), this->files().GetCurrentDirectory());
}

TYPED_TEST_P(PathRulesContract, RelativeShortPaths) {
  this->env_.MakeFolder(this->At("Long Folder Name"));
  this->env_.MakeFile(this->At("Long Folder Name\\Long File Name.text"), "x", 0);
  const std::string full = this->ShortPath(this->At("Long Folder Name\\Long File Name.text"));
  ASSERT_NE("<status 0>", full);
  ASSERT_EQ(kOk, this->files().SetCurrentDirectory(this->env_.root()));
  // A relative path gives a relative short path: the end of the full one.
  const std::string relative = this->ShortPath("Long Folder Name\\Long File Name.text");
  ASSERT_NE("<status 0>", relative);
  ASSERT_LT(relative.size(), full.size());
  EXPECT_EQ(full.substr(full.size() - relative.size()), relative);
  EXPECT_NE('\\', relative[0]);
  EXPECT_NE(':', relative[1]);
  ASSERT_EQ(kOk, this->files().SetCurrentDirectory(this->At("Long Folder Name")));
  EXPECT_EQ("..\\" + relative, this->ShortPath("..\\Long Folder Name\\Long File Name.text"));
  EXPECT_EQ(this->LastPart(relative), this->ShortPath("Long File Name.text"));
  EXPECT_EQ("<status 0>", this->ShortPath("Missing File.text"));
}

TYPED_TEST_P(PathRulesContract, GeneratedShortNamesHoldNoCharacterAnEightDotThreeNameRefuses) {
  this->env_.MakeFile(this->At("a+b,c;d=e[f].txt"), "", 0);
  const std::string name = this->LastPart(this->ShortPath(this->At("a+b,c;d=e[f].txt")));
  EXPECT_TRUE(IsShortName(name)) << name;
  // "+" is made "_", not left out.
  EXPECT_EQ("A_B", FoldName(name.substr(0, 3))) << name;
  EXPECT_EQ(".TXT", FoldName(name.substr(name.size() - 4))) << name;
}

TYPED_TEST_P(PathRulesContract, ShortNamesAreHashedAfterTheFourthCollision) {
  if (this->env_.Deviates(Deviation::kShortNamesAreAllHashed)) {
    GTEST_SKIP() << Describe(Deviation::kShortNamesAreAllHashed);
  }
  std::vector<std::string> names;
  for (int i = 1; i <= 6; ++i) {
    const std::string path = this->At("Long File Name " + std::to_string(i) + ".text");
    this->env_.MakeFile(path, "", 0);
    names.push_back(this->LastPart(this->ShortPath(path)));
  }
  for (int i = 0; i < 4; ++i) EXPECT_EQ("LONGFI~" + std::to_string(i + 1) + ".TEX", names[i]);
  for (int i = 4; i < 6; ++i) {
    // The first two characters, four hexadecimal digits of a checksum of the long name, ~1.
    ASSERT_EQ(12u, names[i].size()) << names[i];
    EXPECT_EQ("LO", names[i].substr(0, 2));
    EXPECT_EQ(std::string::npos, names[i].substr(2, 4).find_first_not_of("0123456789ABCDEF"))
        << names[i];
    EXPECT_EQ("~1.TEX", names[i].substr(6)) << names[i];
  }
  EXPECT_NE(names[4], names[5]);
}

TYPED_TEST_P(PathRulesContract, WildcardsAsFindFirstFileReadsThem) {
  this->env_.MakeFolder(this->At("W"));
  for (const char* name : {"A.B.TXT", "FOO", "FOO.T", "FOO.TXT", "FOOD.TXT", "README"}) {
    this->env_.MakeFile(this->At("W\\") + name, "", 0);
  }
  // ".*" also matches no extension; "*" before the last dot.
  EXPECT_EQ((Names{"FOO", "FOO.T", "FOO.TXT"}),
            this->List(this->At("W\\FOO.*"), ListFilter::kPlain));
  EXPECT_EQ((Names{"A.B.TXT", "FOO.TXT", "FOOD.TXT"}),
            this->List(this->At("W\\*.TXT"), ListFilter::kPlain));
  EXPECT_EQ(Names{"FOOD.TXT"}, this->List(this->At("W\\F??D.TXT"), ListFilter::kPlain));
  if (this->env_.Deviates(Deviation::kWildcardsAreGlobs)) {
    GTEST_SKIP() << Describe(Deviation::kWildcardsAreGlobs);
  }
  // "?" also matches nothing before a dot or at the end, and never a dot.
  EXPECT_EQ((Names{"FOO.TXT", "FOOD.TXT"}),
            this->List(this->At("W\\FOO?.TXT"), ListFilter::kPlain));
  EXPECT_EQ(Names{"FOO"}, this->List(this->At("W\\FOO??"), ListFilter::kPlain));
  // "*." matches only the names without a dot.
  EXPECT_EQ((Names{"FOO", "README"}), this->List(this->At("W\\*."), ListFilter::kPlain));
}

TYPED_TEST_P(PathRulesContract, RelativePathForms) {
  this->env_.MakeFolder(this->At("Here"));
  this->env_.MakeFile(this->At("Here\\a.txt"), "a", 0);
  this->env_.MakeFile(this->At("top.txt"), "t", 0);
  ASSERT_EQ(kOk, this->files().SetCurrentDirectory(this->At("Here")));
  const std::string drive = this->env_.root().substr(0, 2);  // "C:"
  const std::string below_drive = this->env_.root().substr(2);
  EXPECT_EQ(Names{"a.txt"}, this->List("a.txt", ListFilter::kPlain));
  EXPECT_EQ(Names{"a.txt"}, this->List(drive + "a.txt", ListFilter::kPlain));
  EXPECT_EQ(Names{"top.txt"}, this->List("..\\top.txt", ListFilter::kPlain));
  EXPECT_EQ(Names{"top.txt"}, this->List(below_drive + "\\top.txt", ListFilter::kPlain));
  EXPECT_EQ(Names{"top.txt"}, this->List(".\\..\\Here\\..\\top.txt", ListFilter::kPlain));
  EXPECT_EQ(kOk, this->files().DeleteFile(drive + "a.txt"));
  EXPECT_EQ("<missing>", this->env_.Contents(this->At("Here\\a.txt")));
}

TYPED_TEST_P(PathRulesContract, PatternsAlsoMatchShortNames) {
  this->env_.MakeFolder(this->At("Ext"));
  this->env_.MakeFile(this->At("Ext\\a.txt"), "", 0);
  this->env_.MakeFile(this->At("Ext\\c.txta"), "", 0);
  EXPECT_EQ((Names{"a.txt", "c.txta"}), this->List(this->At("Ext\\*.txt"), ListFilter::kPlain));
}

REGISTER_TYPED_TEST_SUITE_P(PathRulesContract, NamesFoldTheLettersOfTheCodePage,
                            TrailingDotsAndBlanks, RelativeShortPaths,
                            GeneratedShortNamesHoldNoCharacterAnEightDotThreeNameRefuses,
                            ShortNamesAreHashedAfterTheFourthCollision,
                            WildcardsAsFindFirstFileReadsThem, RelativePathForms,
                            PatternsAlsoMatchShortNames);

}  // namespace vrx::contract
