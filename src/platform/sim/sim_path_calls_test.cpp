// The simulated machine's GetFullPathNameA, GetTempFileNameA, MoveFileA and RegEnumValueA.
#include <gtest/gtest.h>

#include "platform/sim/sim_machine.h"

namespace vrx::sim {
namespace {

// The path calls contract holds absolute paths with dots, trailing dots and blanks or doubled
// separators; these are the other forms.
TEST(FullPathName, ResolvesAsTheSystemDoes) {
  struct Case {
    const char* path;
    const char* current;
    const char* full;
  };
  const Case cases[] = {
      {".", "C:\\WINDOWS", "C:\\WINDOWS"},
      {"..", "C:\\WINDOWS", "C:\\"},
      {"..\\..", "C:\\", "C:\\"},
      {"C:", "C:\\WINDOWS", "C:\\WINDOWS\\"},
      {"C:", "C:\\", "C:\\"},
      {"c:x", "C:\\WINDOWS", "C:\\WINDOWS\\x"},
      {"D:", "C:\\WINDOWS", "D:\\"},
      {"d:x\\y", "C:\\WINDOWS", "D:\\x\\y"},
      {"\\Docseal", "C:\\WINDOWS", "C:\\Docseal"},
      {"Stamps", "C:\\Docseal", "C:\\Docseal\\Stamps"},
      {"C:\\a..\\b", "C:\\", "C:\\a..\\b"},
      {"C:\\a \\", "C:\\", "C:\\a \\"},
      {"C:\\PROGRA~1\\.\\x", "C:\\", "C:\\PROGRA~1\\x"},
      {"\\\\server\\share\\..\\..", "C:\\", "\\\\server\\share\\"},
      {"\\\\server\\share\\dir\\..\\f", "C:\\", "\\\\server\\share\\f"},
      {"\\\\?\\C:\\x\\..", "C:\\", "\\\\?\\C:\\x\\.."},
      {"\\x", "\\\\server\\share\\dir", "\\\\server\\share\\x"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.full, FullPathName(c.path, c.current).value_or("<none>"))
        << c.path << " from " << c.current;
  }
  EXPECT_EQ(std::nullopt, FullPathName("", "C:\\"));
}

TEST(SimPathCalls, TempFileNamesAreFreshAndTaken) {
  SimMachine m;
  ASSERT_TRUE(m.files.AddFile("C:\\WINDOWS\\VRX1.TMP", "the user's"));
  ASSERT_TRUE(m.files.AddDirectory("C:\\WINDOWS\\VRX2.TMP"));
  std::string first;
  std::string second;
  ASSERT_EQ(kOk, m.system.GetTempFileName("C:\\WINDOWS", "VRXUNINST", &first));
  ASSERT_EQ(kOk, m.system.GetTempFileName("C:\\WINDOWS\\", "VRX", &second));
  EXPECT_EQ("C:\\WINDOWS\\VRX3.TMP", first);
  EXPECT_EQ("C:\\WINDOWS\\VRX4.TMP", second);
  EXPECT_EQ("", m.files.Contents(first));
  EXPECT_EQ("the user's", m.files.Contents("C:\\WINDOWS\\VRX1.TMP"));

  std::string none = "untouched";
  EXPECT_EQ(267, m.system.GetTempFileName("C:\\NOWHERE", "VRX", &none));
  EXPECT_EQ(267, m.system.GetTempFileName("C:\\WINDOWS\\VRX1.TMP", "VRX", &none));
  EXPECT_EQ("untouched", none);
}

// Replacing, missing sources and the kept contents are held by the path calls contract.
TEST(SimPathCalls, MoveFileKeepsAttributesAndRefusesAFileInUse) {
  SimMachine m;
  ASSERT_TRUE(m.files.AddFile("C:\\WINDOWS\\Wininit.ini", "old", kAttrHidden | kAttrSystem));
  EXPECT_EQ(kOk, m.system.MoveFile("C:\\WINDOWS\\Wininit.ini", "C:\\WINDOWS\\old.tmp"));
  EXPECT_EQ(kAttrHidden | kAttrSystem, m.files.Attributes("C:\\WINDOWS\\old.tmp"));
  ASSERT_TRUE(m.files.SetInUse("C:\\WINDOWS\\old.tmp", true));
  EXPECT_EQ(kErrorSharingViolation, m.system.MoveFile("C:\\WINDOWS\\old.tmp", "C:\\WINDOWS\\y"));
}

// Types, a name too long and the end are held by the value enumeration contract; here, the order
// and the access each family asks for.
TEST(SimPathCalls, EnumValueGivesNamesInStoredOrder) {
  for (int family : {kPlatformWinNT, kPlatformWin9x}) {
    SimRegistry registry(family);
    SimKey& folders = registry.EnsureKey(kHkeyCurrentUser, "Shell Folders");
    folders.SetValue("Personal", kRegSz, std::string("C:\\My Documents\0", 16));
    folders.SetValue("", kRegSz, std::string("default\0", 8));
    folders.SetValue("Count", kRegDword, std::string(4, '\0'));
    HKey key = 0;
    ASSERT_EQ(kOk, registry.OpenKey(kHkeyCurrentUser, "Shell Folders", 0x1, &key));
    std::vector<std::string> names;
    char name[16] = {};
    for (uint32_t i = 0, size = sizeof name;
         registry.EnumValue(key, i, name, &size, nullptr) == kOk; ++i, size = sizeof name) {
      names.emplace_back(name, size);
    }
    EXPECT_EQ((std::vector<std::string>{"Personal", "", "Count"}), names);
    uint32_t size = 5;  // "Count" and its NUL need 6
    EXPECT_EQ(kErrorMoreData, registry.EnumValue(key, 2, name, &size, nullptr));
    EXPECT_EQ(5u, size);
    EXPECT_EQ(kOk, registry.CloseKey(key));

    ASSERT_EQ(kOk, registry.OpenKey(kHkeyCurrentUser, "Shell Folders", 0x8, &key));
    size = sizeof name;
    EXPECT_EQ(family == kPlatformWinNT ? kErrorAccessDenied : kOk,
              registry.EnumValue(key, 0, name, &size, nullptr));
    EXPECT_EQ(kOk, registry.CloseKey(key));
  }
}

}  // namespace
}  // namespace vrx::sim
