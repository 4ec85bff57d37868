#include "helpers/registry_tools.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/form.h"  // FormView, which the forwarding Ui needs complete
#include "platform/forwarding_platform.h"
#include "platform/sim/sim_registry.h"

namespace vrx {
namespace {

using sim::SimRegistry;

// Records the calls that the tests look at and passes every call on.
class RecordingRegistry : public ForwardingRegistry {
 public:
  using ForwardingRegistry::ForwardingRegistry;
  Status OpenKey(HKey parent, const std::string& subkey, uint32_t sam, HKey* result) override {
    masks.push_back(sam);
    return ForwardingRegistry::OpenKey(parent, subkey, sam, result);
  }
  Status CloseKey(HKey key) override {
    closed.push_back(key);
    return ForwardingRegistry::CloseKey(key);
  }
  Status EnumKey(HKey key, uint32_t index, char* name, uint32_t* name_size,
                 uint64_t* last_write) override {
    offered_sizes.push_back(*name_size);
    return ForwardingRegistry::EnumKey(key, index, name, name_size, last_write);
  }
  Status DeleteKey(HKey parent, const std::string& subkey) override {
    deleted.push_back(subkey);
    return ForwardingRegistry::DeleteKey(parent, subkey);
  }

  std::vector<uint32_t> masks;
  std::vector<HKey> closed;
  std::vector<uint32_t> offered_sizes;
  std::vector<std::string> deleted;
};

class RegToolsTest : public testing::TestWithParam<int> {
 protected:
  RegToolsTest() : reg_(GetParam()), rec_(&reg_) {}
  void TearDown() override { EXPECT_EQ(std::vector<std::string>{}, reg_.OpenHandles()); }

  void Put(const std::string& path, const std::string& name, uint32_t type,
           const std::string& data) {
    reg_.EnsureKey(kHkeyLocalMachine, path).SetValue(name, type, data);
  }
  RegValue Read(const std::string& path, const std::string& name) {
    RegValue value = vrx::QueryValue(rec_, path, name, kHkeyLocalMachine);
    EXPECT_EQ(0u, reg_.OpenHandleCount());
    return value;
  }
  const sim::SimValue* Stored(const std::string& path, const std::string& name) {
    const sim::SimKey* key = reg_.FindKey(kHkeyLocalMachine, path);
    return key ? key->FindValue(name) : nullptr;
  }

  SimRegistry reg_;
  RecordingRegistry rec_;
};

INSTANTIATE_TEST_SUITE_P(BothFamilies, RegToolsTest,
                         testing::Values(sim::kPlatformWin9x, sim::kPlatformWinNT));

TEST_P(RegToolsTest, QueryValueReadsTextAndNumbersOnly) {
  Put("K", "Text", kRegSz, std::string("C:\\Docseal\0", 11));
  Put("K", "NoNul", kRegSz, "abc");
  Put("K", "Zero", kRegSz, "");
  Put("K", "Minus", kRegDword, "\xFF\xFF\xFF\xFF");
  Put("K", "Short", kRegDword, "\x05\x01");
  Put("K", "Expand", kRegExpandSz, std::string("%W%\0", 4));
  Put("K", "Bin", kRegBinary, "ab");

  EXPECT_EQ(RegValue::Text("C:\\Docseal"), Read("k", "text"));
  EXPECT_EQ(RegValue::Text("ab"), Read("K", "NoNul"));  // the last byte is always dropped
  EXPECT_EQ(RegValue(), Read("K", "Zero"));
  EXPECT_EQ(RegValue::Number(-1), Read("K", "Minus"));
  EXPECT_EQ(RegValue::Number(0x105), Read("K", "Short"));
  EXPECT_EQ(RegValue(), Read("K", "Expand"));
  EXPECT_EQ(RegValue(), Read("K", "Bin"));
  EXPECT_EQ(RegValue(), Read("K", "Missing"));
  EXPECT_EQ(RegValue(), Read("Missing", "Text"));

  // Every open asks for 0x3F, and a failed open still closes its handle 0.
  EXPECT_EQ(std::vector<uint32_t>(9, kKeyAllUsed), rec_.masks);
  EXPECT_EQ(HKey{0}, rec_.closed.back());
}

TEST_P(RegToolsTest, QueryValueDataLeavesTheValueOnFailure) {
  Put("K", "Expand", kRegExpandSz, std::string("x\0", 2));
  Put("K", "Zero", kRegSz, "");
  HKey key = 0;
  ASSERT_EQ(kOk, reg_.OpenKey(kHkeyLocalMachine, "K", kKeyAllUsed, &key));
  const RegValue poison = RegValue::Text("poison");
  RegValue value = poison;
  EXPECT_EQ(kErrorFileNotFound, QueryValueData(reg_, key, "Missing", &value));
  EXPECT_EQ(poison, value);
  EXPECT_EQ(kUnhandledType, QueryValueData(reg_, key, "Expand", &value));
  EXPECT_EQ(poison, value);
  EXPECT_EQ(kOk, QueryValueData(reg_, key, "Zero", &value));
  EXPECT_EQ(poison, value);
  EXPECT_EQ(kErrorInvalidHandle, QueryValueData(reg_, 0, "Zero", &value));
  EXPECT_EQ(poison, value);
  EXPECT_EQ(kOk, reg_.CloseKey(key));
}

TEST_P(RegToolsTest, SetKeyValueWritesIntoExistingKeysOnly) {
  reg_.EnsureKey(kHkeyLocalMachine, "K");
  SetKeyValue(rec_, "K", "Text", RegValue::Text("abc"), kRegSz, kHkeyLocalMachine);
  EXPECT_EQ(0u, reg_.OpenHandleCount());
  ASSERT_NE(nullptr, Stored("K", "Text"));
  EXPECT_EQ(kRegSz, Stored("K", "Text")->type);
  EXPECT_EQ(std::string("abc\0", 4), Stored("K", "Text")->data);

  SetKeyValue(rec_, "K", "Count", RegValue::Number(-2), kRegDword, kHkeyLocalMachine);
  EXPECT_EQ("\xFE\xFF\xFF\xFF", Stored("K", "Count")->data);
  SetKeyValue(rec_, "K", "Count", RegValue::Text(" 12 dlls"), kRegDword, kHkeyLocalMachine);
  EXPECT_EQ(kRegDword, Stored("K", "Count")->type);
  EXPECT_EQ(std::string("\x0C\0\0\0", 4), Stored("K", "Count")->data);
  SetKeyValue(rec_, "K", "Count", RegValue::Text("none"), kRegDword, kHkeyLocalMachine);
  EXPECT_EQ(std::string("\x0C\0\0\0", 4), Stored("K", "Count")->data);  // unchanged
  SetKeyValue(rec_, "K", "Number", RegValue::Number(42), kRegSz, kHkeyLocalMachine);
  EXPECT_EQ(std::string("42\0", 3), Stored("K", "Number")->data);

  SetKeyValue(rec_, "K", "Other", RegValue::Text("abc"), kRegExpandSz, kHkeyLocalMachine);
  EXPECT_EQ(nullptr, Stored("K", "Other"));
  SetKeyValue(rec_, "K\\Missing", "Text", RegValue::Text("abc"), kRegSz, kHkeyLocalMachine);
  EXPECT_EQ(nullptr, reg_.FindKey(kHkeyLocalMachine, "K\\Missing"));
  EXPECT_EQ(0u, reg_.OpenHandleCount());

  HKey key = 0;
  ASSERT_EQ(kOk, reg_.OpenKey(kHkeyLocalMachine, "K", kKeyAllUsed, &key));
  EXPECT_EQ(kOk, SetValueData(reg_, key, "Other", kRegBinary, RegValue::Text("x")));
  EXPECT_EQ(kErrorInvalidParameter,
            SetValueData(reg_, key, "Count", kRegDword, RegValue::Text("x")));
  EXPECT_EQ(kErrorInvalidHandle, SetValueData(reg_, 0, "Text", kRegSz, RegValue::Text("x")));
  EXPECT_EQ(kOk, reg_.CloseKey(key));
  EXPECT_EQ(nullptr, Stored("K", "Other"));
}

TEST_P(RegToolsTest, CreateNewKeyAndDeleteValue) {
  Put("Software\\Docseal4", "Keep", kRegSz, std::string("1\0", 2));
  CreateNewKey(rec_, "software\\docseal4\\MSWord\\Defaults", kHkeyLocalMachine);
  EXPECT_EQ(0u, reg_.OpenHandleCount());
  ASSERT_NE(nullptr, reg_.FindKey(kHkeyLocalMachine, "Software\\Docseal4\\MSWord\\Defaults"));
  EXPECT_NE(nullptr, Stored("Software\\Docseal4", "Keep"));  // existing key left as it was

  DeleteValue(rec_, "Software\\Docseal4", "KEEP", kHkeyLocalMachine);
  EXPECT_EQ(nullptr, Stored("Software\\Docseal4", "Keep"));
  DeleteValue(rec_, "Software\\Missing", "Keep", kHkeyLocalMachine);
  EXPECT_EQ(HKey{0}, rec_.closed.back());
}

TEST_P(RegToolsTest, DeleteSubKeysDeletesChildrenBeforeParents) {
  reg_.EnsureKey(kHkeyLocalMachine, "K\\A\\A1").SetValue("v", kRegSz, "x");
  reg_.EnsureKey(kHkeyLocalMachine, "K\\B");
  reg_.EnsureKey(kHkeyLocalMachine, "Other\\C");
  DeleteSubKeys(rec_, "K", kHkeyLocalMachine);
  // The list is K\A, K\B, K\A\A1, deleted last entry first.
  EXPECT_EQ((std::vector<std::string>{"K\\A\\A1", "K\\B", "K\\A"}), rec_.deleted);
  ASSERT_NE(nullptr, reg_.FindKey(kHkeyLocalMachine, "K"));
  EXPECT_EQ(0u, reg_.FindKey(kHkeyLocalMachine, "K")->subkey_count());
  EXPECT_NE(nullptr, reg_.FindKey(kHkeyLocalMachine, "Other\\C"));
  for (uint32_t offered : rec_.offered_sizes) EXPECT_EQ(255u, offered);

  rec_.deleted.clear();
  DeleteSubKeys(rec_, "K", kHkeyLocalMachine);  // no subkeys left
  DeleteSubKeys(rec_, "Missing", kHkeyLocalMachine);
  EXPECT_EQ(std::vector<std::string>{}, rec_.deleted);
  EXPECT_NE(nullptr, reg_.FindKey(kHkeyLocalMachine, "K"));
}

TEST_P(RegToolsTest, DeleteSubKeysStopsAtANameOf255Characters) {
  const std::string n255(255, 'n');
  reg_.EnsureKey(kHkeyLocalMachine, "K\\A\\A1");
  reg_.EnsureKey(kHkeyLocalMachine, "K\\" + n255 + "\\Deep");
  reg_.EnsureKey(kHkeyLocalMachine, "K\\Z");
  DeleteSubKeys(rec_, "K", kHkeyLocalMachine);
  EXPECT_EQ((std::vector<std::string>{"K\\A\\A1", "K\\A"}), rec_.deleted);
  EXPECT_EQ(nullptr, reg_.FindKey(kHkeyLocalMachine, "K\\A"));
  EXPECT_NE(nullptr, reg_.FindKey(kHkeyLocalMachine, "K\\" + n255 + "\\Deep"));
  EXPECT_NE(nullptr, reg_.FindKey(kHkeyLocalMachine, "K\\Z"));
}

TEST(RegValueTest, Conversions) {
  EXPECT_EQ("", RegValue().AsText());
  EXPECT_EQ("-17", RegValue::Number(-17).AsText());
  EXPECT_EQ(0, RegValue().AsNumber());
  // Leading blanks, a sign and the digits after it; anything else, or too big a number, is 0.
  const std::pair<const char*, int32_t> numbers[] = {
      {"3 files", 3}, {" \t-12", -12}, {"+7", 7},         {"files: 3", 0},
      {"", 0},        {"-", 0},        {"2147483648", 0}, {"-2147483648", -2147483647 - 1}};
  for (const auto& [text, number] : numbers) {
    EXPECT_EQ(number, RegValue::Text(text).AsNumber()) << '"' << text << '"';
  }
  int32_t number = 99;
  EXPECT_FALSE(RegValue::Text("4294967295").ToNumber(&number));
  EXPECT_EQ(99, number);
  EXPECT_TRUE(RegValue().ToNumber(&number));
  EXPECT_EQ(0, number);
}

}  // namespace
}  // namespace vrx
