#include "platform/windows_names.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace vrx {
namespace {

TEST(WindowsNamesCase, FoldsTheLettersOfTheCodePage) {
  // é š œ ž as well are held by the registry and path rules contracts.
  const std::pair<std::string, std::string> pairs[] = {
      {"a", "A"}, {"z", "Z"}, {"\xFE", "\xDE"} /* þ Þ */, {"\xFF", "\x9F"} /* ÿ Ÿ */};
  for (const auto& [lower, upper] : pairs) {
    EXPECT_EQ(upper, FoldName(lower)) << lower;
    EXPECT_EQ(upper, FoldName(upper)) << upper;
    EXPECT_TRUE(SameName(lower, upper)) << lower;
  }
  // Not letter pairs: ÷ ×, ß (no upper case in the code page), µ, and the bytes next to the
  // letters.
  for (const auto& [a, b] : {std::pair{"\xF7", "\xD7"}, std::pair{"\xDF", "\xFF"},
                             std::pair{"\xB5", "M"}, std::pair{"@", "`"}, std::pair{"[", "{"}}) {
    EXPECT_FALSE(SameName(a, b)) << a << " " << b;
  }
  EXPECT_EQ("\xDF\xB5", FoldName("\xDF\xB5"));
  EXPECT_FALSE(SameName("ab", "abc"));
}

TEST(WindowsNamesCase, OrdersFoldedNamesByCodePoint) {
  EXPECT_LT(CompareNames("alpha", "BRAVO"), 0);
  EXPECT_EQ(0, CompareNames("Caf\xE9", "CAF\xC9"));
  EXPECT_LT(CompareNames("Zulu", "_under"), 0);  // 'Z' 0x5A < '_' 0x5F
  EXPECT_LT(CompareNames("\xC0", "\x80"), 0);    // À U+00C0 before € U+20AC
  EXPECT_GT(CompareNames("\x8A", "\xC0"), 0);    // Š U+0160 after À U+00C0
  EXPECT_LT(CompareNames("ab", "abc"), 0);
  EXPECT_EQ(0x20AC, CodeUnit('\x80'));
  EXPECT_EQ(0x81, CodeUnit('\x81'));  // undefined in the code page: kept
}

TEST(WindowsNamesFiles, ValidNames) {
  for (const char* good :
       {"a", "Program Files", ".profile", "a.b.c", " lead", "\xE9t\xE9.txt", "[x]+y;z=,"}) {
    EXPECT_TRUE(IsValidFileName(good)) << good;
  }
  for (const char* bad : {"", ".", "..", "a<b", "a>b", "a:b", "a\"b", "a/b", "a\\b", "a|b", "a?",
                          "a*", "tab\t", "dot.", "blank ", "dots.. "}) {
    EXPECT_FALSE(IsValidFileName(bad)) << bad;
  }
  EXPECT_TRUE(IsValidFileName(std::string(255, 'n')));
  EXPECT_FALSE(IsValidFileName(std::string(256, 'n')));
}

TEST(WindowsNamesShort, WhichNamesAreTheirOwnShortName) {
  for (const char* name : {"A", "README", "readme.txt", "ABCDEFGH.ABC", "A.B", "X~1.TXT", ".", "..",
                           "\xE9t\xE9.dat", "a_b"}) {
    EXPECT_TRUE(IsShortName(name)) << name;
  }
  for (const char* name : {"ABCDEFGHI", "A.ABCD", "a.b.c", ".profile", "a b", "a+b", "a,b", "a;b",
                           "a=b", "a[b", "a]b", "a.", "a|b", ""}) {
    EXPECT_FALSE(IsShortName(name)) << name;
  }
}

TEST(WindowsNamesShort, CandidatesInTheOrderWindowsTriesThem) {
  struct Case {
    const char* name;
    int attempt;
    const char* expected;
  };
  const Case cases[] = {
      {"Program Files", 1, "PROGRA~1"},
      {"Docseal 4.0", 1, "DOCSEA~1.0"},
      {"docseal 4.0 manual.doc", 2, "DOCSEA~2.DOC"},
      {"Long File Name.text", 4, "LONGFI~4.TEX"},
      {".profile", 1, "PROFIL~1"},              // leading dots are skipped
      {"a+b,c;d=e[f]g", 1, "A_B_C_~1"},         // kept as "_", not dropped
      {"ab cd.t+t", 3, "ABCD~3.T_T"},           // blanks dropped
      {"xa.y.z", 1, "XAY~1.Z"},                 // the extension follows the last dot
      {"caf\xE9 menu.txt", 1, "CAFMEN~1.TXT"},  // characters beyond ASCII are left out
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.expected, ShortNameCandidate(c.name, c.attempt)) << c.name << " #" << c.attempt;
  }
}

TEST(WindowsNamesShort, HashedFormFromTheFifthTry) {
  // "ab": the checksum of two characters is (first << 8) + second = 0x6162, written lowest digit
  // first.
  EXPECT_EQ(0x6162, ShortNameChecksum("ab"));
  EXPECT_EQ("AB2616~1", ShortNameCandidate("ab", 1));  // a base of 2 is hashed at once
  EXPECT_EQ("AB2616~2", ShortNameCandidate("ab", 2));

  const std::string fifth = ShortNameCandidate("Long File Name.text", 5);
  ASSERT_EQ(12u, fifth.size()) << fifth;
  EXPECT_EQ("LO", fifth.substr(0, 2));
  EXPECT_EQ("~1.TEX", fifth.substr(6));
  EXPECT_EQ(fifth.substr(0, 6) + "~2.TEX", ShortNameCandidate("Long File Name.text", 6));
  // The checksum covers the whole name, so names that share their first characters part.
  std::set<std::string> hashed;
  for (int i = 0; i < 50; ++i) {
    std::string name = "Long File Name " + std::to_string(i) + ".text";
    hashed.insert(ShortNameCandidate(name, 5));
    EXPECT_TRUE(IsShortName(ShortNameCandidate(name, 5))) << name;
  }
  EXPECT_GT(hashed.size(), 45u);
  // A number too long for the base takes characters from it; the result stays 8.3.
  EXPECT_EQ(8u, ShortNameCandidate("Long File Name", 4 + 123).size());
  EXPECT_TRUE(IsShortName(ShortNameCandidate("Long File Name", 4 + 123)));
}

// "?" before a dot, at the end and never a dot, ".*" and "*." are held by the path rules contract,
// which lists through these patterns.
TEST(WindowsNamesPatterns, MatchAsFindFirstFileDoes) {
  struct Case {
    const char* pattern;
    const char* name;
    bool matches;
  };
  const Case cases[] = {
      {"*", "anything.txt", true},
      {"*.*", "Readme", true},
      {"*.*", "a.b.c", true},
      {"*.txt", "A.TXT", true},
      {"*.txt", "c.txta", false},
      {"p*.t?t", "plain.txt", true},
      {"?.t?t", "A.txt", true},
      {"?.t?t", "AB.txt", false},
      {"FOO?", "FOO.X", false},
      {"readme.*", "README.TXT", true},
      {"readme.*", "readmeX", false},
      {"*.", "Program Files", true},  // the cut dot: names without a dot
      {"a*.", "abc", true},
      {"*.* ", "x.y", true},  // trailing blanks are cut
      {"*.*", ".", true},
      {"*.*", "..", true},
      {"CAF\xC9.*", "caf\xE9.txt", true},
      {"\x9A*",
       "\x8A"
       "x",
       true},
      {"a?c", "abc", true},
      {"abc", "ABC", true},
      {"abc", "abcd", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.matches, MatchesPattern(c.pattern, c.name)) << c.pattern << " vs " << c.name;
  }
}

TEST(WindowsNamesPaths, TrailingDotsAndBlanks) {
  EXPECT_EQ("Stamps", TrimPathPart("Stamps.", false));
  EXPECT_EQ("Stamps.", TrimPathPart("Stamps..", false));  // one dot only
  EXPECT_EQ("Stamps ", TrimPathPart("Stamps ", false));   // blanks stay inside a path
  EXPECT_EQ("A.TXT", TrimPathPart("A.TXT. .", true));
  EXPECT_EQ("", TrimPathPart(" . ", true));
  EXPECT_EQ("..", TrimPathPart("..", true));
  EXPECT_EQ(".", TrimPathPart(".", false));
  EXPECT_EQ(" lead", TrimPathPart(" lead", true));
}

}  // namespace
}  // namespace vrx
