// What the simulated registry does that has no Windows counterpart: its handle bookkeeping, the
// direct model the image reader and writer use, and keys only the direct model can make. What
// Windows does is held by the registry contract (platform/contract), which runs here and under
// Wine.
#include "platform/sim/sim_registry.h"

#include <gtest/gtest.h>

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

TEST(SimRegistryTest, HivesAreAlwaysOpenAndOtherPredefinedHandlesAreInvalid) {
  SimRegistry reg;
  HKey key = kPoison;
  EXPECT_EQ(kOk, reg.OpenKey(kHkeyLocalMachine, "", kKeyAllUsed, &key));
  EXPECT_EQ(kHkeyLocalMachine, key);  // a hive's own key is the hive handle itself
  EXPECT_EQ(0u, reg.OpenHandleCount());
  // Without a place for the handle or the name: refused before anything is looked up (Windows
  // itself would write through the null pointer, so both backends refuse it first).
  EXPECT_EQ(kErrorInvalidParameter, reg.OpenKey(kHkeyLocalMachine, "Software", 0x3F, nullptr));
  EXPECT_EQ(kErrorBadKey, reg.CreateKey(kHkeyLocalMachine, "X", 0, 0x3F, nullptr, nullptr));
  EXPECT_EQ(nullptr, reg.FindKey(kHkeyLocalMachine, "X"));
  uint32_t size = 8;
  EXPECT_EQ(kErrorInvalidParameter, reg.EnumKey(kHkeyLocalMachine, 0, nullptr, &size, nullptr));
  EXPECT_EQ(8u, size);
  for (HKey bad : {HKey{0x80000004u}, HKey{0x80000005u}, HKey{0x1234}}) {
    key = kPoison;
    EXPECT_EQ(kErrorInvalidHandle, reg.OpenKey(bad, "Software", kKeyAllUsed, &key)) << bad;
    EXPECT_EQ(0u, key);
    EXPECT_EQ(kErrorInvalidHandle, reg.CreateKey(bad, "X", 0, kKeyAllUsed, &key, nullptr)) << bad;
    EXPECT_EQ(kErrorInvalidHandle, reg.DeleteKey(bad, "X")) << bad;
  }
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
}

TEST(SimRegistryTest, ValuesKeepTheirPlaceAndStoredName) {
  SimRegistry reg;
  HKey key = MustCreate(reg, kHkeyCurrentUser, "Caf\xE9\\MSWord");
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
  ASSERT_EQ(2u, model->values().size());
  EXPECT_EQ("", model->values()[0].name);
  EXPECT_EQ("x", model->FindValue("OTHER")->data);  // still found after the others moved up
  SetText(reg, key, "Path", std::string("three\0", 6));
  EXPECT_EQ("Path", model->values()[2].name);
  EXPECT_EQ(kOk, reg.CloseKey(key));
}

TEST(SimRegistryTest, KeysOnlyTheDirectModelMakes) {
  SimRegistry reg;
  // A part longer than 255 characters can only come from an image, and is found and enumerated.
  const std::string n300(300, 'n');
  reg.EnsureKey(kHkeyLocalMachine, "A\\" + n300);
  HKey key = 0;
  EXPECT_EQ(kOk, reg.OpenKey(kHkeyLocalMachine, "a\\" + std::string(300, 'N'), 0x3F, &key));
  EXPECT_EQ(kOk, reg.CloseKey(key));
  HKey a = MustCreate(reg, kHkeyLocalMachine, "A");
  char big[302];
  uint32_t size = 300;
  EXPECT_EQ(kErrorMoreData, reg.EnumKey(a, 0, big, &size, nullptr));
  size = sizeof(big);
  EXPECT_EQ(kOk, reg.EnumKey(a, 0, big, &size, nullptr));
  EXPECT_EQ(300u, size);
  EXPECT_EQ(kOk, reg.CloseKey(a));
  // A hive cannot be deleted.
  EXPECT_EQ(kErrorAccessDenied, reg.DeleteKey(kHkeyLocalMachine, ""));
  EXPECT_EQ(0u, reg.OpenHandleCount());
}

TEST(SimRegistryTest, DirectModel) {
  SimRegistry reg;
  SimKey& key = reg.EnsureKey(kHkeyLocalMachine, "Software\\Docseal4\\MSWord");
  EXPECT_EQ(&key, &reg.EnsureKey(kHkeyLocalMachine, "SOFTWARE\\\\docseal4\\msword\\"));
  EXPECT_EQ(&key, reg.FindKey(kHkeyLocalMachine, "software\\DOCSEAL4\\MSWORD"));
  EXPECT_EQ(reg.Hive(kHkeyLocalMachine), reg.FindKey(kHkeyLocalMachine, ""));
  EXPECT_EQ(nullptr, reg.FindKey(kHkeyCurrentUser, "Software"));
  EXPECT_EQ(reg.Hive(kHkeyUsers), reg.FindKey(kHkeyUsers, ""));
  EXPECT_EQ(nullptr, reg.FindKey(0x80000004u, ""));
  EXPECT_THROW(reg.EnsureKey(0x80000004u, "X"), std::invalid_argument);
  EXPECT_EQ(std::nullopt, HiveFromName("HKLM"));
}

}  // namespace
}  // namespace vrx::sim
