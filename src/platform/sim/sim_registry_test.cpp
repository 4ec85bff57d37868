// What the simulated registry does beyond the registry contract (platform/contract), which it
// also passes: hive handles, Windows-1252 names, path rules, access masks, deleted keys, the
// direct model.
#include "platform/sim/sim_registry.h"

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace vrx::sim {
namespace {

constexpr HKey kPoison = 0xDEADBEEF;

HKey MustCreate(SimRegistry& reg, HKey parent, const std::string& path) {
  HKey key = 0;
  EXPECT_EQ(kOk, reg.CreateKey(parent, path, 0, kKeyAllUsed, &key, nullptr)) << path;
  return key;
}

void SetText(SimRegistry& reg, HKey key, const std::string& name, const std::string& bytes,
             uint32_t type = kRegSz) {
  EXPECT_EQ(kOk, reg.SetValue(key, name, type, reinterpret_cast<const uint8_t*>(bytes.data()),
                              static_cast<uint32_t>(bytes.size())));
}

std::vector<std::string> Enumerate(SimRegistry& reg, HKey key) {
  std::vector<std::string> names;
  for (uint32_t i = 0;; ++i) {
    char name[300];
    uint32_t size = sizeof(name);
    if (reg.EnumKey(key, i, name, &size, nullptr) != kOk) break;
    names.emplace_back(name, size);
  }
  return names;
}

TEST(SimRegistryTest, HivesAreAlwaysOpenAndOtherPredefinedHandlesAreInvalid) {
  SimRegistry reg;
  HKey key = kPoison;
  EXPECT_EQ(kOk, reg.OpenKey(kHkeyLocalMachine, "", kKeyAllUsed, &key));
  EXPECT_EQ(kHkeyLocalMachine, key);  // a hive's own key is the hive handle itself
  EXPECT_EQ(0u, reg.OpenHandleCount());
  for (HKey bad : {HKey{0x80000003u}, HKey{0x80000005u}, HKey{0x1234}}) {
    key = kPoison;
    EXPECT_EQ(kErrorInvalidHandle, reg.OpenKey(bad, "Software", kKeyAllUsed, &key)) << bad;
    EXPECT_EQ(0u, key);
    EXPECT_EQ(kErrorInvalidHandle, reg.CreateKey(bad, "X", 0, kKeyAllUsed, &key, nullptr)) << bad;
    EXPECT_EQ(kErrorInvalidHandle, reg.DeleteKey(bad, "X")) << bad;
  }
  EXPECT_EQ(kErrorInvalidParameter, reg.OpenKey(kHkeyLocalMachine, "Software", 0x3F, nullptr));
  EXPECT_EQ(kErrorBadKey, reg.CreateKey(kHkeyLocalMachine, "X", 0, 0x3F, nullptr, nullptr));
  EXPECT_EQ(nullptr, reg.FindKey(kHkeyLocalMachine, "X"));
}

TEST(SimRegistryTest, HandlesAreFreshAndTracked) {
  SimRegistry reg;
  HKey a = MustCreate(reg, kHkeyLocalMachine, "Software\\Docseal4");
  HKey b = kPoison;
  ASSERT_EQ(kOk, reg.OpenKey(kHkeyLocalMachine, "SOFTWARE\\docseal4", kKeyAllUsed, &b));
  EXPECT_EQ((std::vector<std::string>{"HKEY_LOCAL_MACHINE\\Software\\Docseal4",
                                      "HKEY_LOCAL_MACHINE\\Software\\Docseal4"}),
            reg.OpenHandles());
  EXPECT_EQ(kOk, reg.CloseKey(a));
  HKey c = MustCreate(reg, b, "");  // a new handle to the same key, never one handed out before
  for (HKey h : {b, c}) {
    for (HKey taken : {a, kHkeyClassesRoot, kHkeyCurrentUser, kHkeyLocalMachine}) {
      EXPECT_NE(taken, h);
    }
  }
  EXPECT_NE(b, c);
  EXPECT_EQ(2u, reg.OpenHandleCount());
  EXPECT_EQ(kOk, reg.CloseKey(b));
  EXPECT_EQ(kOk, reg.CloseKey(c));
  EXPECT_EQ(0u, reg.OpenHandleCount());
  HKey missing = kPoison;
  EXPECT_EQ(kErrorFileNotFound, reg.OpenKey(kHkeyLocalMachine, "Software\\Nope", 0x3F, &missing));
  EXPECT_EQ(nullptr, reg.FindKey(kHkeyLocalMachine, "Software\\Nope"));  // not created
}

TEST(SimRegistryTest, NamesFoldWindows1252LettersAndValuesKeepTheirPlace) {
  SimRegistry reg;
  HKey key = MustCreate(reg, kHkeyCurrentUser, "Caf\xE9\\MSWord");
  EXPECT_EQ(kOk, reg.CloseKey(key));
  uint32_t disposition = 0;
  ASSERT_EQ(kOk, reg.CreateKey(kHkeyCurrentUser, "CAF\xC9\\MSWORD", 0, 0x3F, &key, &disposition));
  EXPECT_EQ(kRegOpenedExistingKey, disposition);
  EXPECT_EQ(std::vector<std::string>{"HKEY_CURRENT_USER\\Caf\xE9\\MSWord"}, reg.OpenHandles());
  // 0xF7 and 0xD7 are not a letter pair; 0xFF is not folded.
  EXPECT_FALSE(SameName("\xF7", "\xD7"));
  EXPECT_FALSE(SameName("\xFF", "\x9F"));
  EXPECT_TRUE(SameName("\xFE", "\xDE"));

  SetText(reg, key, "Path", std::string("one\0", 4));
  SetText(reg, key, "", std::string("default\0", 8));
  SetText(reg, key, "Other", "x", kRegBinary);
  SetText(reg, key, "PATH", std::string("two\0", 4));  // replaces, keeps name and place
  const SimKey* model = reg.FindKey(kHkeyCurrentUser, "caf\xC9\\msword");
  ASSERT_NE(nullptr, model);
  ASSERT_EQ(3u, model->values().size());
  EXPECT_EQ((SimValue{"Path", kRegSz, std::string("two\0", 4)}), model->values()[0]);
  EXPECT_EQ((SimValue{"", kRegSz, std::string("default\0", 8)}), model->values()[1]);
  EXPECT_EQ((SimValue{"Other", kRegBinary, "x"}), model->values()[2]);
  EXPECT_EQ(kOk, reg.DeleteValue(key, "path"));
  EXPECT_EQ("", model->values()[0].name);
  EXPECT_EQ(kOk, reg.CloseKey(key));
}

TEST(SimRegistryTest, QueryValueGivesTheStoredBytes) {
  SimRegistry reg;
  HKey key = MustCreate(reg, kHkeyLocalMachine, "K");
  reg.EnsureKey(kHkeyLocalMachine, "K")
      .SetValue("NoNul", kRegSz, "abc");  // as an image may hold it
  SetText(reg, key, "Empty", "");
  uint8_t buffer[8];
  std::memset(buffer, 'X', sizeof(buffer));
  uint32_t size = sizeof(buffer);
  EXPECT_EQ(kOk, reg.QueryValue(key, "nonul", nullptr, buffer, &size));
  EXPECT_EQ(3u, size);
  EXPECT_EQ(0, std::memcmp("abcX", buffer, 4));  // no NUL added
  uint32_t type = 99;
  size = 99;
  EXPECT_EQ(kOk, reg.QueryValue(key, "Empty", &type, nullptr, &size));
  EXPECT_EQ(kRegSz, type);
  EXPECT_EQ(0u, size);
  EXPECT_EQ(kErrorFileNotFound, reg.QueryValue(key, "", &type, nullptr, &size));  // no default
  EXPECT_EQ(kErrorInvalidParameter, reg.QueryValue(key, "NoNul", nullptr, buffer, nullptr));
  EXPECT_EQ(kOk, reg.CloseKey(key));
}

TEST(SimRegistryTest, EnumeratesUpperCasedBytewiseWithExactBufferRules) {
  SimRegistry reg;
  HKey key = MustCreate(reg, kHkeyLocalMachine, "K");
  for (const char* name : {"b", "_x", "C", "A", "\xE9t\xE9", "Zz"}) {
    EXPECT_EQ(kOk, reg.CloseKey(MustCreate(reg, key, name)));
  }
  // A < B < C < ZZ < _X (0x5F) < ÉTÉ (0xC9).
  EXPECT_EQ((std::vector<std::string>{"A", "b", "C", "Zz", "_x", "\xE9t\xE9"}),
            Enumerate(reg, key));
  char name[8] = "poison";
  uint32_t size = 2;  // "Zz" needs 3 with its NUL
  EXPECT_EQ(kErrorMoreData, reg.EnumKey(key, 3, name, &size, nullptr));
  EXPECT_EQ(2u, size);
  EXPECT_STREQ("poison", name);
  size = 8;
  EXPECT_EQ(kErrorNoMoreItems, reg.EnumKey(key, 6, name, &size, nullptr));
  EXPECT_EQ(8u, size);
  EXPECT_EQ(kErrorInvalidParameter, reg.EnumKey(key, 0, nullptr, &size, nullptr));

  const std::string n255(255, 'n');
  EXPECT_EQ(kOk, reg.CloseKey(MustCreate(reg, key, "Long\\" + n255)));
  HKey lng = MustCreate(reg, key, "Long");
  char big[256];
  size = 255;
  EXPECT_EQ(kErrorMoreData, reg.EnumKey(lng, 0, big, &size, nullptr));
  size = 256;
  EXPECT_EQ(kOk, reg.EnumKey(lng, 0, big, &size, nullptr));
  EXPECT_EQ(255u, size);
  EXPECT_EQ(n255, std::string(big));
  EXPECT_EQ(kOk, reg.CloseKey(lng));
  EXPECT_EQ(kOk, reg.CloseKey(key));
}

TEST(SimRegistryTest, KeyPathRules) {
  for (int family : {kPlatformWin9x, kPlatformWinNT}) {
    SCOPED_TRACE(family);
    SimRegistry reg(family);
    HKey key = kPoison;
    EXPECT_EQ(
        kErrorInvalidParameter,
        reg.CreateKey(kHkeyLocalMachine, "A\\" + std::string(256, 'x'), 0, 0x3F, &key, nullptr));
    EXPECT_EQ(0u, key);
    EXPECT_EQ(kErrorBadPathname,
              reg.CreateKey(kHkeyLocalMachine, "A\\\\B", 0, 0x3F, &key, nullptr));
    EXPECT_EQ(nullptr, reg.FindKey(kHkeyLocalMachine, "A"));  // nothing created on refusal

    key = MustCreate(reg, kHkeyLocalMachine, "A\\B\\\\");  // trailing backslashes ignored
    EXPECT_EQ(std::vector<std::string>{"HKEY_LOCAL_MACHINE\\A\\B"}, reg.OpenHandles());
    EXPECT_EQ(kOk, reg.CloseKey(key));

    HKey created = kPoison;
    HKey opened = kPoison;
    Status create = reg.CreateKey(kHkeyLocalMachine, "\\A\\C", 0, 0x3F, &created, nullptr);
    Status open = reg.OpenKey(kHkeyLocalMachine, "\\A\\B", 0x3F, &opened);
    EXPECT_EQ(0u, opened);
    if (family == kPlatformWinNT) {
      EXPECT_EQ(kErrorBadPathname, create);
      EXPECT_EQ(kErrorBadPathname, open);
      EXPECT_EQ(nullptr, reg.FindKey(kHkeyLocalMachine, "A\\C"));
    } else {
      EXPECT_EQ(kOk, create);  // Windows 95/98 skip the leading backslash when creating
      EXPECT_EQ(kErrorFileNotFound, open);
      EXPECT_NE(nullptr, reg.FindKey(kHkeyLocalMachine, "A\\C"));
      EXPECT_EQ(kOk, reg.CloseKey(created));
    }

    // A part longer than 255 characters can only come from the direct model, and is found.
    reg.EnsureKey(kHkeyLocalMachine, "A\\" + std::string(300, 'y'));
    EXPECT_EQ(kOk, reg.OpenKey(kHkeyLocalMachine, "a\\" + std::string(300, 'Y'), 0x3F, &key));
    EXPECT_EQ(kOk, reg.CloseKey(key));
    EXPECT_EQ(0u, reg.OpenHandleCount());
  }
}

TEST(SimRegistryTest, DeletedKeysAnswer1018AndHivesCannotBeDeleted) {
  SimRegistry reg(kPlatformWin9x);
  reg.EnsureKey(kHkeyLocalMachine, "K\\A\\A1");
  HKey inner = kPoison;
  ASSERT_EQ(kOk, reg.OpenKey(kHkeyLocalMachine, "K\\A\\A1", 0x3F, &inner));
  EXPECT_EQ(kErrorAccessDenied, reg.DeleteKey(kHkeyLocalMachine, ""));
  EXPECT_EQ(kOk, reg.DeleteKey(kHkeyLocalMachine, "k"));
  // A handle into the deleted tree fails with 1018 for everything but closing.
  HKey key = kPoison;
  uint32_t size = 7;
  char name[4] = "abc";
  EXPECT_EQ(kErrorKeyDeleted, reg.QueryValue(inner, "v", nullptr, nullptr, &size));
  EXPECT_EQ(7u, size);
  EXPECT_EQ(kErrorKeyDeleted, reg.SetValue(inner, "v", kRegBinary, nullptr, 0));
  EXPECT_EQ(kErrorKeyDeleted, reg.DeleteValue(inner, "v"));
  EXPECT_EQ(kErrorKeyDeleted, reg.EnumKey(inner, 0, name, &size, nullptr));
  EXPECT_EQ(kErrorKeyDeleted, reg.OpenKey(inner, "", 0x3F, &key));
  EXPECT_EQ(0u, key);
  EXPECT_EQ(kErrorKeyDeleted, reg.CreateKey(inner, "New", 0, 0x3F, &key, nullptr));
  EXPECT_EQ(kErrorKeyDeleted, reg.DeleteKey(inner, ""));
  reg.EnsureKey(kHkeyLocalMachine, "K\\A\\A1");  // a new key of the same name is another key
  EXPECT_EQ(kErrorKeyDeleted, reg.QueryValue(inner, "v", nullptr, nullptr, &size));
  EXPECT_EQ(kOk, reg.CloseKey(inner));

  HKey leaf = MustCreate(reg, kHkeyLocalMachine, "K\\Leaf");
  EXPECT_EQ(kOk, reg.DeleteKey(leaf, ""));  // "" deletes the handle's own key
  EXPECT_EQ(nullptr, reg.FindKey(kHkeyLocalMachine, "K\\Leaf"));
  EXPECT_EQ(kOk, reg.CloseKey(leaf));
}

TEST(SimRegistryTest, AccessMaskCountsOnWindowsNtOnly) {
  for (int family : {kPlatformWin9x, kPlatformWinNT}) {
    SCOPED_TRACE(family);
    SimRegistry reg(family);
    reg.EnsureKey(kHkeyLocalMachine, "K\\Sub").SetValue("v", kRegBinary, "x");
    HKey key = 0;
    ASSERT_EQ(kOk, reg.OpenKey(kHkeyLocalMachine, "K", /*KEY_NOTIFY*/ 0x10, &key));
    Status expected = family == kPlatformWinNT ? kErrorAccessDenied : kOk;
    uint32_t size = 0;
    char name[8];
    uint32_t name_size = sizeof(name);
    EXPECT_EQ(family == kPlatformWinNT ? kErrorAccessDenied : kErrorFileNotFound,
              reg.QueryValue(key, "missing", nullptr, nullptr, &size));
    EXPECT_EQ(expected, reg.SetValue(key, "w", kRegBinary, nullptr, 0));
    EXPECT_EQ(expected, reg.EnumKey(key, 0, name, &name_size, nullptr));
    HKey sub = 0;
    EXPECT_EQ(kOk, reg.CreateKey(key, "Sub", 0, 0x3F, &sub, nullptr));  // parent mask ignored
    EXPECT_EQ(kOk, reg.CloseKey(sub));
    EXPECT_EQ(kOk, reg.CloseKey(key));
  }
}

TEST(SimRegistryTest, DirectModel) {
  SimRegistry reg;
  SimKey& key = reg.EnsureKey(kHkeyLocalMachine, "Software\\Docseal4\\MSWord");
  EXPECT_EQ(&key, &reg.EnsureKey(kHkeyLocalMachine, "SOFTWARE\\\\docseal4\\msword\\"));
  EXPECT_EQ(&key, reg.FindKey(kHkeyLocalMachine, "software\\DOCSEAL4\\MSWORD"));
  EXPECT_EQ(reg.Hive(kHkeyLocalMachine), reg.FindKey(kHkeyLocalMachine, ""));
  EXPECT_EQ(nullptr, reg.FindKey(kHkeyCurrentUser, "Software"));
  EXPECT_EQ(nullptr, reg.FindKey(0x80000003u, ""));
  EXPECT_THROW(reg.EnsureKey(0x80000003u, "X"), std::invalid_argument);
  EXPECT_EQ(std::nullopt, HiveFromName("HKLM"));
}

}  // namespace
}  // namespace vrx::sim
