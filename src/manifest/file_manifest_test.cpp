#include "manifest/file_manifest.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

namespace vrx {
namespace {

// A variant whose five folders and source folder all lie apart.
const std::map<std::string, std::string> kDistinctDirs = {
    {"SD", "C:\\Docseal\\Setup"},      {"STMPDIR", "C:\\Docseal\\Stamps"},
    {"HD", "C:\\Docseal\\Help"},       {"SIGDIR", "C:\\Docseal\\Sigs"},
    {"LD", "C:\\Docseal\\Data"},       {"SRCDIR", "C:\\Docseal\\Source"},
    {"WINSYS", "C:\\WINDOWS\\SYSTEM"},
};

class FileManifestTest : public ::testing::Test {
 protected:
  // Builds with a resolver that looks tokens up in `dirs` (missing: the empty path) and records
  // every token it is asked for.
  void Build(const std::string& variant_code,
             const std::map<std::string, std::string>& dirs = kDistinctDirs) {
    resolved_.clear();
    BuildManifest(manifest_, variant_code, [this, &dirs](const std::string& token) {
      resolved_.push_back(token);
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

  // The DirTokens of the directory entries, in table order.
  std::vector<std::string> DirectoryEntries() const {
    std::vector<std::string> tokens;
    for (const ManifestEntry& entry : manifest_) {
      if (entry.FileName.empty()) tokens.push_back(entry.DirToken);
    }
    return tokens;
  }

  std::set<std::string> SharedFiles() const {
    std::set<std::string> names;
    for (const ManifestEntry& entry : manifest_) {
      if (IsShared(entry)) names.insert(entry.FileName);
    }
    return names;
  }

  // Checks the fixed order: `files` file entries, then `directories` directory entries, then
  // fillers to the end. Reports the first entry out of place.
  void ExpectLayout(int files, int directories) const {
    for (int i = 0; i < kManifestSize; ++i) {
      const ManifestEntry& e = manifest_[i];
      const bool ok = i < files
                          ? !e.FileName.empty() && e.FileName != "xxx" && !e.DirToken.empty() &&
                                (e.Shared == "True" || e.Shared == "False")
                      : i < files + directories
                          ? e.FileName.empty() && !e.DirToken.empty() && e.Shared == "False"
                          : e.FileName == "xxx" && e.DirToken.empty() && e.Shared == "False";
      if (!ok) {
        ADD_FAILURE() << "entry " << i << " out of place: \"" << e.FileName << "\" \"" << e.DirToken
                      << "\" \"" << e.Shared << "\"";
        return;
      }
    }
  }

  bool HasToken(const std::string& token) const {
    for (const ManifestEntry& entry : manifest_) {
      if (entry.DirToken == token) return true;
    }
    return false;
  }

  FileManifest manifest_;
  std::vector<std::string> resolved_;
};

// --- Shape of the table ---------------------------------------------------------------------

TEST_F(FileManifestTest, MsWordWithDistinctDirectoriesListsAllFiveFolders) {
  Build("MSWORD");
  ExpectLayout(198, 5);
  EXPECT_EQ((std::vector<std::string>{"STMPDIR", "SD", "HD", "SIGDIR", "SRCDIR"}),
            DirectoryEntries());
  EXPECT_EQ("STMPDIR", manifest_[198].DirToken);
  EXPECT_EQ("SRCDIR", manifest_[202].DirToken);
}

TEST_F(FileManifestTest, WordPerfectWithDistinctDirectoriesHasNoHelpFolderEntry) {
  for (const std::string code : {"WPWIN7", "WPWIN8", "WPWIN9"}) {
    SCOPED_TRACE(code);
    Build(code);
    ExpectLayout(202, 4);  // the largest manifest: 206 entries in use
    EXPECT_EQ((std::vector<std::string>{"STMPDIR", "SD", "SIGDIR", "SRCDIR"}), DirectoryEntries());
  }
}

TEST_F(FileManifestTest, CommonStepsGive195EntriesForEveryCode) {
  for (const std::string code : {"MSWORD", "WPWIN7", "WPWIN8", "WPWIN9", "FOO"}) {
    SCOPED_TRACE(code);
    Build(code);
    EXPECT_EQ(193, IndexOf("Docseal.isu"));
    EXPECT_EQ(194, IndexOf("groups.lst"));
    EXPECT_EQ("STMPDIR", manifest_[194].DirToken);
    // Exactly 58 stamps, three files each.
    int stamp_files = 0;
    for (const ManifestEntry& entry : manifest_) {
      const std::string& name = entry.FileName;
      if (name.size() > 4 &&
          (name.ends_with(".STB") || name.ends_with(".STM") || name.ends_with(".STS"))) {
        ++stamp_files;
      }
    }
    EXPECT_EQ(58 * 3, stamp_files);
  }
}

// --- Order of the file entries ----------------------------------------------------------------

TEST_F(FileManifestTest, DocumentsGoWhereTheWordProcessorKeepsThem) {
  Build("MSWORD");
  EXPECT_EQ(3, IndexOf("QuickStart.Doc"));
  EXPECT_EQ("HD", manifest_[3].DirToken);
  EXPECT_EQ("order.frm", manifest_[4].FileName);
  EXPECT_EQ("HD", manifest_[5].DirToken);
  Build("WPWIN9");
  EXPECT_EQ(3, IndexOf("QuickStart.wpd"));
  EXPECT_EQ("DD9", manifest_[3].DirToken);
  EXPECT_EQ(5, IndexOf("docseal 4.0 manual.wpd"));
  EXPECT_EQ("DD9", manifest_[5].DirToken);
  EXPECT_EQ(-1, IndexOf("docseal 4.0 manual.doc"));
}

TEST_F(FileManifestTest, StampFilesComeInThreesInListOrder) {
  Build("MSWORD");
  EXPECT_EQ(13, IndexOf("1STDRAFT.STB"));
  EXPECT_EQ("1STDRAFT.STM", manifest_[14].FileName);
  EXPECT_EQ("1STDRAFT.STS", manifest_[15].FileName);
  EXPECT_EQ(190, IndexOf("WORKPROD.STB"));
  EXPECT_LT(IndexOf("classfid.STB"), IndexOf("CLICOPY.STB"));  // list order, not sorted
}

TEST_F(FileManifestTest, FaxedAndInitialsStampsAreFollowedByTheirPictures) {
  for (const std::string code : {"MSWORD", "WPWIN7"}) {
    SCOPED_TRACE(code);
    Build(code);
    const int faxed = IndexOf("FAXED.STS");
    ASSERT_NE(-1, faxed);
    EXPECT_EQ("FAXED.GIF", manifest_[faxed + 1].FileName);
    EXPECT_EQ("FAXEDb.GIF", manifest_[faxed + 2].FileName);
    EXPECT_EQ("FAXEDs.GIF", manifest_[faxed + 3].FileName);
    EXPECT_EQ("FileCopy.STB", manifest_[faxed + 4].FileName);

    const int initials = IndexOf(code == "MSWORD" ? "INITHERE.STS" : "INITBOX.STS");
    ASSERT_NE(-1, initials);
    EXPECT_EQ("initboxb.gif", manifest_[initials + 1].FileName);
    EXPECT_EQ("initboxm.gif", manifest_[initials + 2].FileName);
    EXPECT_EQ("initboxs.gif", manifest_[initials + 3].FileName);
    EXPECT_EQ("STMPDIR", manifest_[initials + 3].DirToken);
    EXPECT_EQ("INTDECI.STB", manifest_[initials + 4].FileName);
  }
}

TEST_F(FileManifestTest, WordPerfectUsesItsOwnStampNames) {
  const std::vector<std::pair<std::string, std::string>> word_and_wp = {
      {"CHRNFILE", "CHRNFIL"}, {"DICTNTRD", "DICNTRD"}, {"INITHERE", "INITBOX"},
      {"NONEGO", "NOTNEGO"},   {"REV&INIT", "REV&INI"},
  };
  Build("WPWIN8");
  for (const auto& [word, wp] : word_and_wp) {
    EXPECT_NE(-1, IndexOf(wp + ".STB")) << wp;
    EXPECT_EQ(-1, IndexOf(word + ".STB")) << word;
  }
  const int wp_position = IndexOf("CHRNFIL.STB");
  Build("MSWORD");
  for (const auto& [word, wp] : word_and_wp) {
    EXPECT_NE(-1, IndexOf(word + ".STS")) << word;
    EXPECT_EQ(-1, IndexOf(wp + ".STS")) << wp;
  }
  EXPECT_EQ(wp_position, IndexOf("CHRNFILE.STB"));
}

// --- The variant's own files ----------------------------------------------------------------

TEST_F(FileManifestTest, MsWordAddsTemplatesAndMenuProgram) {
  Build("MSWORD");
  EXPECT_EQ("Docseal.DOT", manifest_[195].FileName);
  EXPECT_EQ("STARTUPDIRWD8", manifest_[195].DirToken);
  EXPECT_EQ("Docseal.DOT", manifest_[196].FileName);
  EXPECT_EQ("STARTUPDIRWD9", manifest_[196].DirToken);
  EXPECT_EQ("VrxMenu.exe", manifest_[197].FileName);
  EXPECT_EQ("WINSYS", manifest_[197].DirToken);
  EXPECT_EQ("True", manifest_[197].Shared);
  EXPECT_EQ(-1, IndexOf("Docseal.WCM"));
}

TEST_F(FileManifestTest, WordPerfectAddsMacrosAndTemplate) {
  Build("WPWIN9");
  const std::vector<std::string> macros = {"Docseal.WCM",  "StampMnu.WCM", "StampCtP.WCM",
                                           "StampMan.WCM", "StampRem.WCM", "StampQS.WCM"};
  for (size_t i = 0; i < macros.size(); ++i) {
    const ManifestEntry& entry = manifest_[195 + i];
    EXPECT_EQ(macros[i], entry.FileName);
    EXPECT_EQ("STARTUPDIRWP9", entry.DirToken);
    EXPECT_EQ(i == 0 ? "False" : "True", entry.Shared) << entry.FileName;
  }
  EXPECT_EQ("Docseal.WPT", manifest_[201].FileName);
  EXPECT_EQ("WPTD9", manifest_[201].DirToken);
  EXPECT_EQ("False", manifest_[201].Shared);
  EXPECT_EQ(-1, IndexOf("Docseal.DOT"));
  EXPECT_EQ(-1, IndexOf("VrxMenu.exe"));
}

TEST_F(FileManifestTest, WordPerfectVersionsDifferOnlyInTheirVersionTokens) {
  Build("WPWIN7");
  const FileManifest wp7 = manifest_;
  Build("WPWIN8");
  const std::map<std::string, std::string> seven_to_eight = {
      {"DD7", "DD8"}, {"STARTUPDIRWP7", "STARTUPDIRWP8"}, {"WPTD7", "WPTD8"}};
  int changed = 0;
  for (int i = 0; i < kManifestSize; ++i) {
    SCOPED_TRACE("index " + std::to_string(i));
    EXPECT_EQ(wp7[i].FileName, manifest_[i].FileName);
    EXPECT_EQ(wp7[i].Shared, manifest_[i].Shared);
    auto it = seven_to_eight.find(wp7[i].DirToken);
    if (it == seven_to_eight.end()) {
      EXPECT_EQ(wp7[i].DirToken, manifest_[i].DirToken);
    } else {
      EXPECT_EQ(it->second, manifest_[i].DirToken);
      ++changed;
    }
  }
  EXPECT_EQ(2 + 6 + 1, changed);  // two documents, six macros, one template
}

TEST_F(FileManifestTest, ExactlyEightFilesAreShared) {
  Build("MSWORD");
  const std::set<std::string> word_shared = SharedFiles();
  EXPECT_EQ((std::set<std::string>{"FUNCKY60.dll", "FUNCKY60.tlb", "VrxMenu.exe"}), word_shared);
  Build("WPWIN7");
  const std::set<std::string> wp_shared = SharedFiles();
  EXPECT_EQ((std::set<std::string>{"FUNCKY60.dll", "FUNCKY60.tlb", "StampMnu.WCM", "StampCtP.WCM",
                                   "StampMan.WCM", "StampRem.WCM", "StampQS.WCM"}),
            wp_shared);
  std::set<std::string> all = word_shared;
  all.insert(wp_shared.begin(), wp_shared.end());
  EXPECT_EQ(8u, all.size());
}

// --- Variant codes that are not one of the four ---------------------------------------------

TEST_F(FileManifestTest, UnknownCodeGetsWordFilesWithoutOwnFilesOrHelpFolder) {
  Build("FOO");
  ExpectLayout(195, 4);
  EXPECT_NE(-1, IndexOf("CHRNFILE.STB"));
  EXPECT_EQ("HD", manifest_[IndexOf("QuickStart.Doc")].DirToken);
  EXPECT_EQ((std::vector<std::string>{"STMPDIR", "SD", "SIGDIR", "SRCDIR"}), DirectoryEntries());
}

TEST_F(FileManifestTest, VariantTestsAreCaseSensitiveSubstringTests) {
  Build("wpwin8");  // not a WordPerfect code: Word alternatives, nothing of its own
  EXPECT_NE(-1, IndexOf("INITHERE.STB"));
  ExpectLayout(195, 4);

  Build("XMSWORDX");  // a Word variant for the folders, but no Word files of its own
  EXPECT_EQ(-1, IndexOf("Docseal.DOT"));
  ExpectLayout(195, 5);

  Build("WPWIN8 ");  // a WordPerfect variant whose documents token keeps the blank
  EXPECT_EQ("DD8 ", manifest_[IndexOf("QuickStart.wpd")].DirToken);
  EXPECT_EQ(-1, IndexOf("Docseal.WCM"));
  ExpectLayout(195, 4);

  Build("WPWIN");
  EXPECT_EQ("DD", manifest_[IndexOf("docseal 4.0 manual.wpd")].DirToken);
}

// --- Directory entries ----------------------------------------------------------------------

TEST_F(FileManifestTest, SourceFolderEqualToStampFolderIsListedOnce) {
  auto dirs = kDistinctDirs;
  dirs["SD"] = dirs["STMPDIR"];
  Build("MSWORD", dirs);
  EXPECT_EQ((std::vector<std::string>{"STMPDIR", "HD", "SIGDIR", "SRCDIR"}), DirectoryEntries());
  ExpectLayout(198, 4);
}

TEST_F(FileManifestTest, LaterFolderIsComparedWithEveryEarlierEntry) {
  auto dirs = kDistinctDirs;
  dirs["SRCDIR"] = dirs["STMPDIR"];  // the first entry, three entries back
  dirs["SIGDIR"] = dirs["SD"];       // not the entry just before it
  Build("MSWORD", dirs);
  EXPECT_EQ((std::vector<std::string>{"STMPDIR", "SD", "HD"}), DirectoryEntries());

  dirs = kDistinctDirs;
  dirs["HD"] = dirs["SD"];
  dirs["SRCDIR"] = dirs["SD"];
  Build("MSWORD", dirs);
  EXPECT_EQ((std::vector<std::string>{"STMPDIR", "SD", "SIGDIR"}), DirectoryEntries());

  for (auto& [token, path] : dirs) path = "C:\\D";
  Build("MSWORD", dirs);
  EXPECT_EQ((std::vector<std::string>{"STMPDIR"}), DirectoryEntries());
  ExpectLayout(198, 1);
}

TEST_F(FileManifestTest, OnlyTheFirstOfTwoEmptyPathsIsListed) {
  auto dirs = kDistinctDirs;
  dirs.erase("HD");
  dirs.erase("SRCDIR");
  Build("MSWORD", dirs);
  EXPECT_EQ((std::vector<std::string>{"STMPDIR", "SD", "HD", "SIGDIR"}), DirectoryEntries());

  // An unresolved stamp folder is still listed, and blocks every later empty path.
  Build("WPWIN7", {{"SIGDIR", "C:\\Sigs"}});
  EXPECT_EQ((std::vector<std::string>{"STMPDIR", "SIGDIR"}), DirectoryEntries());
}

TEST_F(FileManifestTest, FoldersAreComparedExactly) {
  auto dirs = kDistinctDirs;
  dirs["SD"] = "c:\\docseal\\stamps";       // differs from STMPDIR in case only
  dirs["SIGDIR"] = "C:\\Docseal\\Stamps ";  // and by a trailing blank
  Build("WPWIN8", dirs);
  EXPECT_EQ((std::vector<std::string>{"STMPDIR", "SD", "SIGDIR", "SRCDIR"}), DirectoryEntries());
}

TEST_F(FileManifestTest, ResolverIsAskedOnlyAboutFolderTokens) {
  Build("MSWORD");
  const std::set<std::string> word_asked(resolved_.begin(), resolved_.end());
  EXPECT_EQ((std::set<std::string>{"STMPDIR", "SD", "HD", "SIGDIR", "SRCDIR"}), word_asked);

  Build("WPWIN9");
  const std::set<std::string> wp_asked(resolved_.begin(), resolved_.end());
  EXPECT_EQ((std::set<std::string>{"STMPDIR", "SD", "SIGDIR", "SRCDIR"}), wp_asked);
}

// --- Rebuilding -----------------------------------------------------------------------------

TEST_F(FileManifestTest, RebuildLeavesNothingOfTheEarlierVariant) {
  for (ManifestEntry& entry : manifest_) entry = {"stale", "STALE", "True"};
  Build("WPWIN8");
  EXPECT_EQ(-1, IndexOf("stale"));
  Build("MSWORD");
  ExpectLayout(198, 5);
  for (const std::string token : {"DD8", "STARTUPDIRWP8", "WPTD8"}) {
    EXPECT_FALSE(HasToken(token)) << token;
  }
  EXPECT_EQ(-1, IndexOf("Docseal.WPT"));
  EXPECT_EQ(-1, IndexOf("CHRNFIL.STB"));
}

// --- IsShared -------------------------------------------------------------------------------

TEST(IsSharedTest, ReadsTheBooleanText) {
  EXPECT_TRUE(IsShared({"a", "WINSYS", "True"}));
  EXPECT_TRUE(IsShared({"a", "WINSYS", "true"}));
  EXPECT_FALSE(IsShared({"a", "WINSYS", "False"}));
  EXPECT_FALSE(IsShared({"a", "WINSYS", ""}));
  EXPECT_FALSE(IsShared({"a", "WINSYS", "yes"}));
  EXPECT_FALSE(IsShared({"a", "WINSYS", " True"}));
}

}  // namespace
}  // namespace vrx
