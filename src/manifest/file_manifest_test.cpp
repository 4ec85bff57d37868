#include "manifest/file_manifest.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

namespace vrx {
namespace {

using Tokens = std::vector<std::string>;
using Dirs = std::map<std::string, std::string>;

// A variant whose five folders and source folder all lie apart.
const Dirs kDistinctDirs = {
    {"SD", "C:\\Docseal\\Setup"},      {"STMPDIR", "C:\\Docseal\\Stamps"},
    {"HD", "C:\\Docseal\\Help"},       {"SIGDIR", "C:\\Docseal\\Sigs"},
    {"LD", "C:\\Docseal\\Data"},       {"SRCDIR", "C:\\Docseal\\Source"},
    {"WINSYS", "C:\\WINDOWS\\SYSTEM"},
};

class FileManifestTest : public ::testing::Test {
 protected:
  // Builds with a resolver that looks tokens up in `dirs` (missing: the empty path) and records
  // every token it is asked for.
  void Build(const std::string& variant_code, const Dirs& dirs = kDistinctDirs) {
    resolved_.clear();
    BuildManifest(manifest_, variant_code, [this, &dirs](const std::string& token) {
      resolved_.insert(token);
      auto it = dirs.find(token);
      return it == dirs.end() ? std::string() : it->second;
    });
  }

  // Index of the first entry with this file name, -1 when there is none.
  int IndexOf(const std::string& file_name) const {
    for (int i = 0; i < kManifestSize; ++i) {
      if (manifest_[i].FileName == file_name) return i;
    }
    return -1;
  }

  // "FileName DirToken Shared" of `count` entries from `first`, joined by "|".
  std::string Span(int first, int count) const {
    std::string text;
    for (int i = first; i < first + count; ++i) {
      const ManifestEntry& e = manifest_[i];
      text += (i > first ? "|" : "") + e.FileName + " " + e.DirToken + " " + e.Shared;
    }
    return text;
  }

  // Checks the fixed order: `files` file entries, then the directory entries with these tokens,
  // then fillers to the end. Reports the first entry out of place.
  void ExpectLayout(int files, const Tokens& directories) const {
    for (int i = 0; i < kManifestSize; ++i) {
      const ManifestEntry& e = manifest_[i];
      const size_t d = static_cast<size_t>(i - files);
      const bool ok =
          i < files ? !e.FileName.empty() && e.FileName != "xxx" && !e.DirToken.empty() &&
                          (e.Shared == "True" || e.Shared == "False")
          : d < directories.size()
              ? e.FileName.empty() && e.DirToken == directories[d] && e.Shared == "False"
              : e.FileName == "xxx" && e.DirToken.empty() && e.Shared == "False";
      if (!ok) {
        ADD_FAILURE() << "entry " << i << " out of place: \"" << Span(i, 1) << "\"";
        return;
      }
    }
  }

  FileManifest manifest_;
  std::set<std::string> resolved_;
};

// The variant tests are case-sensitive substring tests: "MSWORD" anywhere makes a Word variant for
// the folders, "WPWIN" anywhere a WordPerfect one for the stamps and documents; only the exact
// codes add files of their own.
TEST_F(FileManifestTest, LayoutOfEveryKindOfCode) {
  const Tokens word_dirs = {"STMPDIR", "SD", "HD", "SIGDIR", "SRCDIR"};
  const Tokens other_dirs = {"STMPDIR", "SD", "SIGDIR", "SRCDIR"};
  struct Case {
    const char* code;
    int files;
    Tokens directories;
    bool wp_names;  // the stamps WordPerfect names otherwise
  };
  const Case cases[] = {
      {"MSWORD", 198, word_dirs, false},   {"WPWIN7", 202, other_dirs, true},
      {"WPWIN8", 202, other_dirs, true},   {"WPWIN9", 202, other_dirs, true},
      {"FOO", 195, other_dirs, false},     {"wpwin8", 195, other_dirs, false},
      {"XMSWORDX", 195, word_dirs, false}, {"WPWIN8 ", 195, other_dirs, true},
      {"XWPWIN8", 195, other_dirs, true},
  };
  const std::pair<std::string, std::string> word_and_wp[] = {
      {"CHRNFILE", "CHRNFIL"}, {"DICTNTRD", "DICNTRD"}, {"INITHERE", "INITBOX"},
      {"NONEGO", "NOTNEGO"},   {"REV&INIT", "REV&INI"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string("\"") + c.code + "\"");
    Build(c.code);
    ExpectLayout(c.files, c.directories);
    for (const auto& [word, wp] : word_and_wp) {
      EXPECT_NE(-1, IndexOf((c.wp_names ? wp : word) + ".STB")) << word;
      EXPECT_EQ(-1, IndexOf((c.wp_names ? word : wp) + ".STS")) << word;
    }
  }
}

// What the variant code decides beyond the layout: the documents' format and the version tokens.
TEST_F(FileManifestTest, VariantCodeNamesTheDocumentsAndTheirFolder) {
  Build("MSWORD");
  EXPECT_EQ("QuickStart.Doc HD False", Span(3, 1));
  EXPECT_LT(IndexOf("classfid.STB"), IndexOf("CLICOPY.STB"));  // list order, not sorted
  Build("WPWIN9");
  EXPECT_EQ("QuickStart.wpd DD9 False", Span(3, 1));
  Build("FOO");
  EXPECT_EQ("QuickStart.Doc HD False", Span(3, 1));
  Build("WPWIN8 ");  // the documents token keeps the blank
  EXPECT_EQ("QuickStart.wpd DD8  False", Span(3, 1));
  Build("WPWIN");
  EXPECT_EQ("docseal 4.0 manual.wpd DD False", Span(5, 1));
}

TEST_F(FileManifestTest, WordPerfectVersionsDifferOnlyInTheirVersionTokens) {
  Build("WPWIN7");
  const FileManifest wp7 = manifest_;
  Build("WPWIN8");
  const Dirs seven_to_eight = {
      {"DD7", "DD8"}, {"STARTUPDIRWP7", "STARTUPDIRWP8"}, {"WPTD7", "WPTD8"}};
  int changed = 0;
  for (int i = 0; i < kManifestSize; ++i) {
    SCOPED_TRACE("index " + std::to_string(i));
    EXPECT_EQ(wp7[i].FileName, manifest_[i].FileName);
    EXPECT_EQ(wp7[i].Shared, manifest_[i].Shared);
    auto it = seven_to_eight.find(wp7[i].DirToken);
    EXPECT_EQ(it == seven_to_eight.end() ? wp7[i].DirToken : it->second, manifest_[i].DirToken);
    changed += it != seven_to_eight.end();
  }
  EXPECT_EQ(2 + 6 + 1, changed);  // two documents, six macros, one template
}

// Each folder is listed once, compared exactly with every earlier directory entry; an unresolved
// folder is a path like any other.
TEST_F(FileManifestTest, DirectoryEntriesListEachFolderOnce) {
  struct Case {
    const char* code;
    Dirs changes;  // on top of kDistinctDirs; "" is an unresolved token
    Tokens expected;
  };
  const Case cases[] = {
      {"MSWORD", {{"SD", "C:\\Docseal\\Stamps"}}, {"STMPDIR", "HD", "SIGDIR", "SRCDIR"}},
      {"MSWORD",
       {{"SRCDIR", "C:\\Docseal\\Stamps"}, {"SIGDIR", "C:\\Docseal\\Setup"}},
       {"STMPDIR", "SD", "HD"}},
      {"MSWORD",
       {{"HD", "C:\\Docseal\\Setup"}, {"SRCDIR", "C:\\Docseal\\Setup"}},
       {"STMPDIR", "SD", "SIGDIR"}},
      {"MSWORD", {{"HD", ""}, {"SRCDIR", ""}}, {"STMPDIR", "SD", "HD", "SIGDIR"}},
      {"WPWIN7", {{"STMPDIR", ""}, {"SD", ""}, {"SRCDIR", ""}}, {"STMPDIR", "SIGDIR"}},
      {"WPWIN8",
       {{"SD", "c:\\docseal\\stamps"}, {"SIGDIR", "C:\\Docseal\\Stamps "}},
       {"STMPDIR", "SD", "SIGDIR", "SRCDIR"}},
  };
  for (const Case& c : cases) {
    Dirs dirs = kDistinctDirs;
    for (const auto& [token, path] : c.changes) dirs[token] = path;
    SCOPED_TRACE(::testing::Message() << c.code << " case " << (&c - cases));
    Build(c.code, dirs);
    ExpectLayout(c.code == std::string("MSWORD") ? 198 : 202, c.expected);
  }
  Dirs same = kDistinctDirs;
  for (auto& [token, path] : same) path = "C:\\D";
  Build("MSWORD", same);
  ExpectLayout(198, {"STMPDIR"});
  Build("WPWIN9");  // only the folder tokens are resolved
  EXPECT_EQ((std::set<std::string>{"STMPDIR", "SD", "SIGDIR", "SRCDIR"}), resolved_);
  Build("MSWORD");
  EXPECT_EQ((std::set<std::string>{"STMPDIR", "SD", "HD", "SIGDIR", "SRCDIR"}), resolved_);
}

TEST_F(FileManifestTest, RebuildLeavesNothingOfTheEarlierVariant) {
  for (ManifestEntry& entry : manifest_) entry = {"stale", "STALE", "True"};
  Build("WPWIN8");
  EXPECT_EQ(-1, IndexOf("stale"));
  Build("MSWORD");
  ExpectLayout(198, {"STMPDIR", "SD", "HD", "SIGDIR", "SRCDIR"});
  for (const ManifestEntry& entry : manifest_) {
    for (const char* token : {"DD8", "STARTUPDIRWP8", "WPTD8"}) EXPECT_NE(token, entry.DirToken);
  }
  EXPECT_EQ(-1, IndexOf("Docseal.WPT"));
  EXPECT_EQ(-1, IndexOf("CHRNFIL.STB"));
}

TEST(IsSharedTest, ReadsTheBooleanText) {
  for (const char* text : {"True", "true"}) EXPECT_TRUE(IsShared({"a", "WINSYS", text})) << text;
  for (const char* text : {"False", "", "yes", " True"}) {
    EXPECT_FALSE(IsShared({"a", "WINSYS", text})) << text;
  }
}

}  // namespace
}  // namespace vrx
