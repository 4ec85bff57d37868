#include "platform/sim/word_template.h"

#include <gtest/gtest.h>

namespace vrx::sim {
namespace {

TEST(WordTemplate, TextsReadBackAsWrittenEmptyCaptionsAndCategoriesIncluded) {
  const WordTemplate t =
      WordTemplate::Parse("File|Docseal|", "", "592:DocsealPrint|891:FilePrint:2");
  ASSERT_EQ(t.menubar.size(), 3u);
  EXPECT_EQ(t.menubar[2].caption, "") << "a trailing separator is one more, empty, caption";
  EXPECT_TRUE(t.filemenu.empty()) << "an empty text is no item at all";
  ASSERT_EQ(t.keys.size(), 2u);
  EXPECT_EQ(t.keys[0].category, -1);
  EXPECT_EQ(t.keys[1].code, 891);
  EXPECT_EQ(t.keys[1].category, 2);
  EXPECT_EQ(t.MenubarText(), "File|Docseal|");
  EXPECT_EQ(t.FilemenuText(), "");
  EXPECT_EQ(t.KeysText(), "592:DocsealPrint|891:FilePrint:2");
}

TEST(WordTemplate, ItemsKeepTheirIdsAcrossBothMenusAndOnlyTwoBarsAreKnown) {
  WordTemplate t = WordTemplate::Parse("File|Edit", "New...|Exit", "");
  EXPECT_EQ(t.menubar[1].id, 2);
  EXPECT_EQ(t.filemenu[0].id, 3) << "ids run on from the menu bar, so no two items share one";
  EXPECT_EQ(t.Bar("Menu Bar"), &t.menubar);
  EXPECT_EQ(t.Bar("File"), &t.filemenu);
  EXPECT_EQ(t.Bar("file"), nullptr) << "bar names are matched exactly";
}

// The stand-in Word reads a file a test wrote by hand: nothing in it may throw.
TEST(WordTemplate, MalformedKeyEntriesArePassedOverOrReadAsFarAsTheirDigitsGo) {
  const WordTemplate t = WordTemplate::Parse(
      "", "", "nocolon|x:Cmd|99999999999:Big|7:Cmd:| -12x:Neg|-99999999999:Small|+5:Plus");
  ASSERT_EQ(t.keys.size(), 6u);
  EXPECT_EQ(t.keys[0].code, 0);
  EXPECT_EQ(t.keys[1].code, INT32_MAX);
  EXPECT_EQ(t.keys[2].category, 0);
  EXPECT_EQ(t.keys[3].code, -12) << "blanks and a sign before the digits are read";
  EXPECT_EQ(t.keys[4].code, INT32_MIN);
  EXPECT_EQ(t.keys[5].code, 5);
}

}  // namespace
}  // namespace vrx::sim
