#include "win32_command_line.h"

#include <gtest/gtest.h>

namespace vrx {
namespace {

TEST(ArgumentsOfTest, UnquotedProgramNameAndTheBlanksAfterItAreSkipped) {
  EXPECT_EQ(ArgumentsOf("VRXUnInst.exe MSWORD NOREBOOT"), "MSWORD NOREBOOT");
  EXPECT_EQ(ArgumentsOf("C:\\WINDOWS\\SYSTEM\\VRXUnInst.EXE \t  wpwin8"), "wpwin8");
}

TEST(ArgumentsOfTest, QuotedProgramNameMayHoldBlanks) {
  EXPECT_EQ(ArgumentsOf("\"C:\\Program Files\\Docseal\\VRXUnInst.exe\" WPWIN7"), "WPWIN7");
  // As for the C runtime, what is glued to the closing quote still belongs to the name.
  EXPECT_EQ(ArgumentsOf("\"C:\\a b\\VRXUnInst.exe\"X MSWORD"), "MSWORD");
}

TEST(ArgumentsOfTest, NoArgumentsGiveTheEmptyText) {
  EXPECT_EQ(ArgumentsOf(""), "");
  EXPECT_EQ(ArgumentsOf("VRXUnInst.exe"), "");
  EXPECT_EQ(ArgumentsOf("VRXUnInst.exe   "), "");
  EXPECT_EQ(ArgumentsOf("\"C:\\a b\\VRXUnInst.exe\""), "");
  EXPECT_EQ(ArgumentsOf("\"C:\\unclosed quote MSWORD"), "");
}

TEST(ArgumentsOfTest, TheRestIsKeptAsItStands) {
  // Main splits the words itself; blanks between and after them are left to it.
  EXPECT_EQ(ArgumentsOf("x.exe  MSWORD   NOREBOOT  "), "MSWORD   NOREBOOT  ");
  EXPECT_EQ(ArgumentsOf("x.exe \"quoted arg\""), "\"quoted arg\"");
}

}  // namespace
}  // namespace vrx
