// The registry contract: what every Registry backend answers, run against the simulator natively
// and against the real registry under Wine. Include in one source file of a test program, then
// instantiate with INSTANTIATE_TYPED_TEST_SUITE_P(Name, RegistryContract, Types) where each type
// is an environment with:
//
//   Env()                      a fresh, empty scratch key (HKCU\Software\VRXContract)
//   Registry& registry()
//   HKey root()                an open handle on the scratch key
//   int platform_family()      1 Windows 95/98, 2 Windows NT
//   bool Deviates(Deviation)   see contract_env.h
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "platform/platform.h"
#include "testing/contract/contract_env.h"

namespace vrx::contract {

inline constexpr HKey kPoisonKey = 0xDEADBEEF;
inline constexpr uint32_t kPoisonSize = 0xBAADF00D;

template <typename Env>
class RegistryContract : public ::testing::Test {
 protected:
  void TearDown() override {
    for (HKey key : opened_) (void)reg().CloseKey(key);
  }

  Registry& reg() { return env_.registry(); }
  HKey root() { return env_.root(); }
  bool nt() { return env_.platform_family() == 2; }

  // Creates a key below `parent` (missing keys on the way included) and keeps it open until the
  // case ends.
  HKey Create(HKey parent, const std::string& path, uint32_t* disposition = nullptr) {
    HKey key = kPoisonKey;
    EXPECT_EQ(kOk, reg().CreateKey(parent, path, 0, kKeyAllUsed, &key, disposition)) << path;
    opened_.push_back(key);
    return key;
  }

  // Opens a key below the scratch key, or gives the failure.
  Status Open(const std::string& path, HKey* key) {
    Status status = reg().OpenKey(root(), path, kKeyAllUsed, key);
    if (status == kOk) opened_.push_back(*key);
    return status;
  }

  bool Exists(const std::string& path) {
    HKey key = 0;
    return Open(path, &key) == kOk;
  }

  void Set(HKey key, const std::string& name, uint32_t type, const std::string& bytes,
           uint32_t size) {
    ASSERT_EQ(
        kOk, reg().SetValue(key, name, type, reinterpret_cast<const uint8_t*>(bytes.data()), size));
  }
  void Set(HKey key, const std::string& name, uint32_t type, const std::string& bytes) {
    Set(key, name, type, bytes, static_cast<uint32_t>(bytes.size()));
  }

  // The stored bytes of a value; "<status N>" when it cannot be read.
  std::string Get(HKey key, const std::string& name, uint32_t* type = nullptr) {
    uint8_t data[256];
    uint32_t size = sizeof(data);
    Status status = reg().QueryValue(key, name, type, data, &size);
    if (status != kOk) return "<status " + std::to_string(status) + ">";
    return std::string(reinterpret_cast<const char*>(data), size);
  }

  std::vector<std::string> Subkeys(HKey key) {
    std::vector<std::string> names;
    for (uint32_t index = 0;; ++index) {
      char name[256];
      uint32_t size = sizeof(name);
      Status status = reg().EnumKey(key, index, name, &size, nullptr);
      if (status != kOk) {
        EXPECT_EQ(kErrorNoMoreItems, status) << "at index " << index;
        break;
      }
      names.emplace_back(name, size);
    }
    return names;
  }

  Env env_;
  std::vector<HKey> opened_;
};

TYPED_TEST_SUITE_P(RegistryContract);

using Names = std::vector<std::string>;

TYPED_TEST_P(RegistryContract, SubkeysComeSortedWithoutRegardToCase) {
  for (const char* name : {"delta", "Bravo", "charlie", "ALPHA", "b2"}) {
    this->Create(this->root(), name);
  }
  EXPECT_EQ((Names{"ALPHA", "b2", "Bravo", "charlie", "delta"}), this->Subkeys(this->root()));
}

TYPED_TEST_P(RegistryContract, SubkeysAreComparedUpperCased) {
  if (this->env_.Deviates(Deviation::kSubkeysSortedByLowerCase)) {
    GTEST_SKIP() << Describe(Deviation::kSubkeysSortedByLowerCase);
  }
  for (const char* name : {"_under", "zulu", "Alpha", "\x9A", "\xE9t\xE9"}) {
    this->Create(this->root(), name);
  }
  // "_" (0x5F) lies between the upper-case letters and the lower-case ones; upper-cased names
  // are compared by code point: É (U+00C9) before Š (U+0160).
  EXPECT_EQ((Names{"Alpha", "zulu", "_under", "\xE9t\xE9", "\x9A"}), this->Subkeys(this->root()));
}

TYPED_TEST_P(RegistryContract, EnumerationBufferSizes) {
  this->Create(this->root(), "charlie");
  char name[16];

  // The name and its NUL need 8 characters: 7 are too few.
  std::memset(name, '#', sizeof(name));
  uint32_t size = 7;
  EXPECT_EQ(kErrorMoreData, this->reg().EnumKey(this->root(), 0, name, &size, nullptr));
  EXPECT_EQ(7u, size);
  EXPECT_EQ('#', name[0]);

  uint64_t written = 0;  // not compared: the simulator gives 0
  size = 8;
  ASSERT_EQ(kOk, this->reg().EnumKey(this->root(), 0, name, &size, &written));
  EXPECT_EQ(7u, size);  // without the NUL
  EXPECT_STREQ("charlie", name);

  std::memset(name, '#', sizeof(name));
  size = sizeof(name);
  EXPECT_EQ(kErrorNoMoreItems, this->reg().EnumKey(this->root(), 1, name, &size, nullptr));
  EXPECT_EQ(sizeof(name), size);
  EXPECT_EQ('#', name[0]);
}

TYPED_TEST_P(RegistryContract, DeletingAKeyThatHasSubkeys) {
  this->Create(this->root(), "Tree\\A\\A1");
  this->Create(this->root(), "Tree\\B");
  if (this->nt()) {
    EXPECT_EQ(kErrorAccessDenied, this->reg().DeleteKey(this->root(), "Tree"));
    EXPECT_EQ((Names{"A", "B"}), this->Subkeys(this->Create(this->root(), "Tree")));
    // Children first: each key has no subkeys left at its turn.
    EXPECT_EQ(kOk, this->reg().DeleteKey(this->root(), "Tree\\A\\A1"));
    EXPECT_EQ(kOk, this->reg().DeleteKey(this->root(), "Tree\\A"));
    EXPECT_EQ(kOk, this->reg().DeleteKey(this->root(), "Tree\\B"));
    EXPECT_EQ(kOk, this->reg().DeleteKey(this->root(), "Tree"));
  } else {
    if (this->env_.Deviates(Deviation::kWin9xTreeDeleteStopsAfterFirstSubkey)) {
      GTEST_SKIP() << Describe(Deviation::kWin9xTreeDeleteStopsAfterFirstSubkey);
    }
    EXPECT_EQ(kOk, this->reg().DeleteKey(this->root(), "Tree"));
  }
  EXPECT_FALSE(this->Exists("Tree"));
  EXPECT_FALSE(this->Exists("Tree\\A\\A1"));
  EXPECT_EQ(kErrorFileNotFound, this->reg().DeleteKey(this->root(), "Tree"));
}

TYPED_TEST_P(RegistryContract, DeletingAChainOfKeys) {
  this->Create(this->root(), "Chain\\Link\\End");
  if (this->nt()) {
    EXPECT_EQ(kErrorAccessDenied, this->reg().DeleteKey(this->root(), "Chain"));
    EXPECT_TRUE(this->Exists("Chain\\Link\\End"));
  } else {
    EXPECT_EQ(kOk, this->reg().DeleteKey(this->root(), "Chain"));
    EXPECT_FALSE(this->Exists("Chain"));
  }
}

TYPED_TEST_P(RegistryContract, ValuesKeepTheirTypeAndBytes) {
  HKey key = this->Create(this->root(), "Values");
  const std::tuple<const char*, uint32_t, std::string> values[] = {
      {"Binary", kRegBinary, std::string("\x00\x01\xFF\x00", 4)},
      {"Expand", kRegExpandSz, std::string("%WINDIR%\\x\0", 11)},
      {"Text", kRegSz, std::string("abc\0", 4)},
      {"Dword", kRegDword, "\xFF\xFF\xFF\xFF"},
      {"", kRegSz, std::string("default\0", 8)},
      {"Empty", kRegBinary, ""}};
  for (const auto& [name, type, bytes] : values) this->Set(key, name, type, bytes);
  for (const auto& [name, type, bytes] : values) {
    uint32_t stored = 0;
    EXPECT_EQ(bytes, this->Get(key, name, &stored)) << name;
    EXPECT_EQ(type, stored) << name;
  }
  EXPECT_EQ("<status 2>", this->Get(key, "Missing"));
}

TYPED_TEST_P(RegistryContract, SetValueReadsOnlyTheBytesGiven) {
  HKey key = this->Create(this->root(), "Values");
  // Each text ends where readable memory ends, so a read of the byte after it would fault.
  const std::pair<uint32_t, std::string> cases[] = {{kRegSz, "abc"},
                                                    {kRegSz, std::string("ab\0cd", 5)},
                                                    {kRegExpandSz, "%x%"},
                                                    {kRegBinary, "\x01\x02"},
                                                    {kRegSz, std::string("abc\0", 4)}};
  std::vector<std::string> stored;
  for (const auto& [type, bytes] : cases) {
    GuardedBytes guarded(bytes);
    ASSERT_TRUE(guarded.ok());
    ASSERT_EQ(kOk, this->reg().SetValue(key, "v", type, guarded.data(), guarded.size()));
    stored.push_back(this->Get(key, "v"));
  }
  using S = std::string;
  if (this->nt()) {
    // Windows NT adds the NUL a text lacks, as it does when a NUL follows the bytes.
    EXPECT_EQ(
        (std::vector<S>{S("abc\0", 4), S("ab\0cd\0", 6), S("%x%\0", 4), "\x01\x02", S("abc\0", 4)}),
        stored);
  } else {
    // Windows 95/98 store a REG_SZ up to its first NUL; other types as given.
    EXPECT_EQ((std::vector<S>{S("abc\0", 4), S("ab\0", 3), "%x%", "\x01\x02", S("abc\0", 4)}),
              stored);
  }
}

TYPED_TEST_P(RegistryContract, QuerySizes) {
  HKey key = this->Create(this->root(), "Values");
  this->Set(key, "Text", kRegSz, std::string("hello\0", 6));

  uint32_t type = 0;
  uint32_t size = kPoisonSize;
  ASSERT_EQ(kOk, this->reg().QueryValue(key, "Text", &type, nullptr, &size));
  EXPECT_EQ(6u, size);
  EXPECT_EQ(kRegSz, type);

  uint8_t data[8];
  std::memset(data, '#', sizeof(data));
  type = 0;
  size = 5;
  EXPECT_EQ(kErrorMoreData, this->reg().QueryValue(key, "Text", &type, data, &size));
  EXPECT_EQ(6u, size);
  EXPECT_EQ(kRegSz, type);
  EXPECT_EQ('#', data[0]);

  size = 6;
  ASSERT_EQ(kOk, this->reg().QueryValue(key, "Text", nullptr, data, &size));
  EXPECT_EQ(6u, size);
  EXPECT_EQ(0, std::memcmp("hello", data, 6));

  // A missing value with a buffer: the size stays (the type is not defined).
  std::memset(data, '#', sizeof(data));
  size = sizeof(data);
  EXPECT_EQ(kErrorFileNotFound, this->reg().QueryValue(key, "Missing", &type, data, &size));
  EXPECT_EQ(sizeof(data), size);
  EXPECT_EQ('#', data[0]);
}

TYPED_TEST_P(RegistryContract, QueryingAMissingValueForItsSize) {
  if (!this->nt()) {
    // Windows 95/98 leave the size as it was; Wine's Windows 98 mode clears it as NT does.
    GTEST_SKIP() << "not compared on Windows 95/98";
  }
  if (this->env_.Deviates(Deviation::kMissingValueLeavesTheSize)) {
    GTEST_SKIP() << Describe(Deviation::kMissingValueLeavesTheSize);
  }
  uint32_t size = kPoisonSize;
  EXPECT_EQ(kErrorFileNotFound,
            this->reg().QueryValue(this->root(), "Missing", nullptr, nullptr, &size));
  EXPECT_EQ(0u, size);
}

TYPED_TEST_P(RegistryContract, NamesKeepTheirCase) {
  uint32_t disposition = 0;
  HKey key = this->Create(this->root(), "MixedCase", &disposition);
  EXPECT_EQ(kRegCreatedNewKey, disposition);
  this->Create(this->root(), "MIXEDCASE", &disposition);
  EXPECT_EQ(kRegOpenedExistingKey, disposition);
  EXPECT_EQ(Names{"MixedCase"}, this->Subkeys(this->root()));
  HKey again = 0;
  ASSERT_EQ(kOk, this->Open("mixedcase", &again));
  EXPECT_NE(key, again);  // a new handle on the same key

  this->Set(key, "ValueName", kRegDword, std::string("\x01\0\0\0", 4));
  this->Set(again, "VALUENAME", kRegDword, std::string("\x02\0\0\0", 4));
  EXPECT_EQ(std::string("\x02\0\0\0", 4), this->Get(key, "valuename"));
  EXPECT_EQ(kOk, this->reg().DeleteValue(key, "VALUEname"));
  EXPECT_EQ(kErrorFileNotFound, this->reg().DeleteValue(key, "ValueName"));
}

TYPED_TEST_P(RegistryContract, MissingKeys) {
  HKey key = kPoisonKey;
  EXPECT_EQ(kErrorFileNotFound, this->reg().OpenKey(this->root(), "No\\Such", kKeyAllUsed, &key));
  EXPECT_EQ(0u, key);
  EXPECT_EQ(kErrorFileNotFound, this->reg().DeleteKey(this->root(), "No"));
  // Creating makes every key on the way.
  uint32_t disposition = 0;
  this->Create(this->root(), "No\\Such", &disposition);
  EXPECT_EQ(kRegCreatedNewKey, disposition);
  EXPECT_TRUE(this->Exists("No"));
}

TYPED_TEST_P(RegistryContract, ClosedAndNullHandles) {
  HKey key = this->Create(this->root(), "Closing");
  this->opened_.pop_back();
  ASSERT_EQ(kOk, this->reg().CloseKey(key));
  for (HKey bad : {key, HKey{0}}) {
    SCOPED_TRACE(bad);
    EXPECT_EQ(kErrorInvalidHandle, this->reg().CloseKey(bad));
    HKey result = kPoisonKey;
    EXPECT_EQ(kErrorInvalidHandle, this->reg().OpenKey(bad, "", kKeyAllUsed, &result));
    EXPECT_EQ(0u, result);
    result = kPoisonKey;
    EXPECT_EQ(kErrorInvalidHandle,
              this->reg().CreateKey(bad, "X", 0, kKeyAllUsed, &result, nullptr));
    EXPECT_EQ(0u, result);
    uint32_t size = kPoisonSize;
    EXPECT_EQ(kErrorInvalidHandle, this->reg().QueryValue(bad, "v", nullptr, nullptr, &size));
    EXPECT_EQ(kPoisonSize, size);
    EXPECT_EQ(kErrorInvalidHandle, this->reg().SetValue(bad, "v", kRegBinary, nullptr, 0));
    EXPECT_EQ(kErrorInvalidHandle, this->reg().DeleteValue(bad, "v"));
    char name[8] = "poison";
    size = sizeof(name);
    EXPECT_EQ(kErrorInvalidHandle, this->reg().EnumKey(bad, 0, name, &size, nullptr));
    EXPECT_STREQ("poison", name);
    EXPECT_EQ(sizeof(name), size);
    EXPECT_EQ(kErrorInvalidHandle, this->reg().DeleteKey(bad, "Closing"));
  }
  // Closing a hive is allowed and changes nothing.
  EXPECT_EQ(kOk, this->reg().CloseKey(kHkeyCurrentUser));
  EXPECT_TRUE(this->Exists("Closing"));
}

TYPED_TEST_P(RegistryContract, NamesFoldTheLettersOfTheCodePage) {
  // š œ ž ÿ é, created in lower case and found in upper case.
  HKey key = this->Create(this->root(), "\x9A\x9C\x9E\xFF\xE9");
  HKey again = kPoisonKey;
  ASSERT_EQ(kOk, this->Open("\x8A\x8C\x8E\x9F\xC9", &again));
  this->Set(key,
            "\xFF"
            "value",
            kRegBinary, "1");
  EXPECT_EQ("1", this->Get(again,
                           "\x9F"
                           "VALUE"));
  // ß has no upper case in the code page; ÷ and × are not a pair.
  uint32_t disposition = 0;
  for (const char* name : {"\xDF", "SS", "\xF7", "\xD7"}) {
    this->Create(this->root(), name, &disposition);
    EXPECT_EQ(kRegCreatedNewKey, disposition) << name;
  }
  EXPECT_EQ(5u, this->Subkeys(this->root()).size());
}

TYPED_TEST_P(RegistryContract, QueryingIntoABufferOfNoSize) {
  uint8_t data[4] = {'#', '#', '#', '#'};
  EXPECT_EQ(kErrorInvalidParameter,
            this->reg().QueryValue(this->root(), "v", nullptr, data, nullptr));
  EXPECT_EQ('#', data[0]);
}

TYPED_TEST_P(RegistryContract, KeyPathRules) {
  this->Create(this->root(), "A\\B");
  HKey key = kPoisonKey;
  // Empty parts, trailing backslashes included, name nothing.
  EXPECT_EQ(kOk, this->Open("A\\B\\\\", &key));
  EXPECT_EQ(kOk, this->Open("A\\\\B", &key));
  this->Create(this->root(), "A\\\\C");
  EXPECT_EQ((Names{"B", "C"}), this->Subkeys(this->Create(this->root(), "A")));
  // A leading backslash: refused, but by CreateKey on Windows 95/98, which skips one.
  key = kPoisonKey;
  EXPECT_EQ(kErrorBadPathname, this->reg().OpenKey(this->root(), "\\A\\B", kKeyAllUsed, &key));
  EXPECT_EQ(0u, key);
  EXPECT_EQ(kErrorBadPathname, this->reg().DeleteKey(this->root(), "\\A\\B"));
  HKey created = kPoisonKey;
  Status create = this->reg().CreateKey(this->root(), "\\A\\D", 0, kKeyAllUsed, &created, nullptr);
  if (create == kOk) this->opened_.push_back(created);
  EXPECT_EQ(this->nt() ? kErrorBadPathname : kOk, create);
  EXPECT_EQ(!this->nt(), this->Exists("A\\D"));
  created = kPoisonKey;
  EXPECT_EQ(kErrorBadPathname,
            this->reg().CreateKey(this->root(), "\\\\A\\E", 0, kKeyAllUsed, &created, nullptr));
  EXPECT_EQ(0u, created);
  EXPECT_TRUE(this->Exists("A\\B"));
}

TYPED_TEST_P(RegistryContract, KeyNamesOfAtMost255Characters) {
  if (this->env_.Deviates(Deviation::kLongKeyNamesAreMade)) {
    GTEST_SKIP() << Describe(Deviation::kLongKeyNamesAreMade);
  }
  HKey key = kPoisonKey;
  EXPECT_EQ(kErrorInvalidParameter,
            this->reg().CreateKey(this->root(), "A\\" + std::string(256, 'x'), 0, kKeyAllUsed, &key,
                                  nullptr));
  EXPECT_EQ(0u, key);
  EXPECT_FALSE(this->Exists("A"));
  this->Create(this->root(), "A\\" + std::string(255, 'x'));
  EXPECT_TRUE(this->Exists("A\\" + std::string(255, 'X')));
}

TYPED_TEST_P(RegistryContract, HandlesOfADeletedKey) {
  HKey gone = this->Create(this->root(), "Gone");
  ASSERT_EQ(kOk, this->reg().DeleteKey(this->root(), "Gone"));
  uint32_t size = kPoisonSize;
  EXPECT_EQ(kErrorKeyDeleted, this->reg().QueryValue(gone, "v", nullptr, nullptr, &size));
  if (this->nt()) {
    EXPECT_EQ(0u, size);  // as for a missing value (not compared on Windows 95/98)
  }
  EXPECT_EQ(kErrorKeyDeleted, this->reg().SetValue(gone, "v", kRegBinary, nullptr, 0));
  EXPECT_EQ(kErrorKeyDeleted, this->reg().DeleteValue(gone, "v"));
  char name[8] = "poison";
  size = sizeof(name);
  EXPECT_EQ(kErrorKeyDeleted, this->reg().EnumKey(gone, 0, name, &size, nullptr));
  EXPECT_STREQ("poison", name);
  HKey key = kPoisonKey;
  EXPECT_EQ(kErrorKeyDeleted, this->reg().CreateKey(gone, "New", 0, kKeyAllUsed, &key, nullptr));
  EXPECT_EQ(0u, key);
  // A new key of the same name is another key.
  this->Create(this->root(), "Gone");
  EXPECT_EQ(kErrorKeyDeleted, this->reg().DeleteValue(gone, "v"));
  // "" deletes the handle's own key.
  HKey leaf = this->Create(this->root(), "Leaf");
  EXPECT_EQ(kOk, this->reg().DeleteKey(leaf, ""));
  EXPECT_FALSE(this->Exists("Leaf"));
}

TYPED_TEST_P(RegistryContract, AccessMasksCountOnWindowsNtOnly) {
  HKey full = this->Create(this->root(), "Masked\\Sub");
  (void)full;
  HKey key = kPoisonKey;
  constexpr uint32_t kKeyNotify = 0x10;
  ASSERT_EQ(kOk, this->reg().OpenKey(this->root(), "Masked", kKeyNotify, &key));
  this->opened_.push_back(key);
  uint32_t size = 0;
  char name[8];
  uint32_t name_size = sizeof(name);
  const Status refused = this->nt() ? kErrorAccessDenied : kOk;
  EXPECT_EQ(this->nt() ? kErrorAccessDenied : kErrorFileNotFound,
            this->reg().QueryValue(key, "missing", nullptr, nullptr, &size));
  EXPECT_EQ(refused, this->reg().SetValue(key, "w", kRegBinary, nullptr, 0));
  EXPECT_EQ(refused, this->reg().EnumKey(key, 0, name, &name_size, nullptr));
  // Creating below a key does not ask for the parent's access.
  this->Create(key, "Sub");
}

REGISTER_TYPED_TEST_SUITE_P(RegistryContract, SubkeysComeSortedWithoutRegardToCase,
                            SubkeysAreComparedUpperCased, EnumerationBufferSizes,
                            DeletingAKeyThatHasSubkeys, DeletingAChainOfKeys,
                            ValuesKeepTheirTypeAndBytes, SetValueReadsOnlyTheBytesGiven, QuerySizes,
                            QueryingAMissingValueForItsSize, NamesKeepTheirCase, MissingKeys,
                            ClosedAndNullHandles, NamesFoldTheLettersOfTheCodePage,
                            QueryingIntoABufferOfNoSize, KeyPathRules,
                            KeyNamesOfAtMost255Characters, HandlesOfADeletedKey,
                            AccessMasksCountOnWindowsNtOnly);

}  // namespace vrx::contract
