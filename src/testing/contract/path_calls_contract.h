// The contract of the path and name calls that keep the user's files safe: GetFullPathNameA,
// GetTempFileNameA and MoveFileA (System), and RegEnumValueA (Registry). Run against the simulator
// natively and against the real API under Wine, with the environments of files_contract.h
// (PathCallsContract) and registry_contract.h (ValueEnumContract):
//   INSTANTIATE_TYPED_TEST_SUITE_P(Name, PathCallsContract, FilesEnvironments);
//   INSTANTIATE_TYPED_TEST_SUITE_P(Name, ValueEnumContract, RegistryEnvironments);
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "testing/contract/contract_env.h"

namespace vrx::contract {

inline std::string UpperAscii(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

template <typename Env>
class PathCallsContract : public ::testing::Test {
 protected:
  System& system() { return env_.system(); }
  std::string At(const std::string& relative) { return env_.root() + "\\" + relative; }
  std::string Full(const std::string& path) {
    std::string full = "<failed>";
    Status status = system().GetFullPathName(path, &full);
    return status == kOk ? full : "<failed " + std::to_string(status) + ">";
  }

  Env env_;
};

TYPED_TEST_SUITE_P(PathCallsContract);

TYPED_TEST_P(PathCallsContract, FullPathsResolveDotsAndTrailingDotsAndBlanks) {
  EXPECT_EQ("C:\\A\\C", this->Full("C:\\A\\B\\..\\C"));
  EXPECT_EQ("C:\\A\\B", this->Full("C:\\A\\.\\B"));
  EXPECT_EQ("C:\\", this->Full("C:\\A\\..\\..\\.."));
  EXPECT_EQ("C:\\A\\B", this->Full("C:/A//B"));
  EXPECT_EQ("C:\\A\\B", this->Full("C:\\A\\B."));
  EXPECT_EQ("C:\\A\\B", this->Full("C:\\A\\B. ."));
  EXPECT_EQ("C:\\A\\B", this->Full("C:\\A.\\B"));
  EXPECT_EQ("C:\\A\\", this->Full("C:\\A\\"));
  EXPECT_EQ("C:\\WINDOWS\\SYSTEM", this->Full("C:\\WINDOWS\\SYSTEM\\."));
}

TYPED_TEST_P(PathCallsContract, RelativeFullPathsStartFromTheCurrentDirectory) {
  ASSERT_EQ(kOk, this->env_.files().SetCurrentDirectory(this->env_.root()));
  const std::string root = UpperAscii(this->env_.root());
  EXPECT_EQ(root, UpperAscii(this->Full(".")));
  EXPECT_EQ(root + "\\Y", UpperAscii(this->Full("x\\..\\y")));
  // "C:" is the current directory as the system keeps it, with a separator at its end.
  EXPECT_EQ(root + "\\", UpperAscii(this->Full(root.substr(0, 2))));
  std::string untouched = "untouched";
  EXPECT_NE(kOk, this->system().GetFullPathName("", &untouched));
  EXPECT_EQ("untouched", untouched);
}

TYPED_TEST_P(PathCallsContract, TempFileNamesAreNewFilesInTheFolder) {
  std::string first;
  std::string second;
  ASSERT_EQ(kOk, this->system().GetTempFileName(this->env_.root(), "VRXUNINST", &first));
  ASSERT_EQ(kOk, this->system().GetTempFileName(this->env_.root(), "VRX", &second));
  EXPECT_NE(UpperAscii(first), UpperAscii(second));
  for (const std::string& name : {first, second}) {
    const std::string upper = UpperAscii(name);
    EXPECT_EQ(0u, upper.find(UpperAscii(this->At("VRX")))) << name;
    EXPECT_EQ(upper.size() - 4, upper.rfind(".TMP")) << name;
    EXPECT_EQ("", this->env_.Contents(name)) << name;
  }
  std::string untouched = "untouched";
  EXPECT_NE(kOk, this->system().GetTempFileName(this->At("missing"), "VRX", &untouched));
  EXPECT_EQ("untouched", untouched);
}

TYPED_TEST_P(PathCallsContract, MoveFileNeverReplacesAndKeepsTheFile) {
  this->env_.MakeFile(this->At("old.ini"), "old", kAttrHidden);
  this->env_.MakeFile(this->At("new.tmp"), "new", 0);
  EXPECT_EQ(kErrorAlreadyExists, this->system().MoveFile(this->At("new.tmp"), this->At("OLD.INI")));
  EXPECT_EQ("old", this->env_.Contents(this->At("old.ini")));
  EXPECT_EQ(kOk, this->system().MoveFile(this->At("old.ini"), this->At("old.bak")));
  EXPECT_EQ("old", this->env_.Contents(this->At("old.bak")));
  EXPECT_EQ(kOk, this->system().MoveFile(this->At("new.tmp"), this->At("old.ini")));
  EXPECT_EQ("new", this->env_.Contents(this->At("old.ini")));
  EXPECT_EQ("<missing>", this->env_.Contents(this->At("new.tmp")));
  EXPECT_EQ(kErrorFileNotFound, this->system().MoveFile(this->At("new.tmp"), this->At("x")));
}

REGISTER_TYPED_TEST_SUITE_P(PathCallsContract, FullPathsResolveDotsAndTrailingDotsAndBlanks,
                            RelativeFullPathsStartFromTheCurrentDirectory,
                            TempFileNamesAreNewFilesInTheFolder,
                            MoveFileNeverReplacesAndKeepsTheFile);

template <typename Env>
class ValueEnumContract : public ::testing::Test {
 protected:
  Registry& reg() { return env_.registry(); }
  void Set(const std::string& name, const std::string& text) {
    std::string data = text + std::string(1, '\0');
    ASSERT_EQ(kOk, reg().SetValue(env_.root(), name, kRegSz,
                                  reinterpret_cast<const uint8_t*>(data.data()),
                                  static_cast<uint32_t>(data.size())));
  }

  Env env_;
};

TYPED_TEST_SUITE_P(ValueEnumContract);

TYPED_TEST_P(ValueEnumContract, EveryValueIsNamedOnceThenNoMoreItems) {
  this->Set("Personal", "C:\\My Documents");
  this->Set("Desktop", "C:\\Desktop");
  std::vector<std::string> names;
  uint32_t index = 0;
  for (;; ++index) {
    char name[64] = {};
    uint32_t size = sizeof name;
    uint32_t type = 0xBAADF00D;
    Status status = this->reg().EnumValue(this->env_.root(), index, name, &size, &type);
    if (status == kErrorNoMoreItems) break;
    ASSERT_EQ(kOk, status) << index;
    EXPECT_EQ(kRegSz, type);
    names.push_back(std::string(name, size));
  }
  std::sort(names.begin(), names.end());
  EXPECT_EQ((std::vector<std::string>{"Desktop", "Personal"}), names);
  EXPECT_EQ(2u, index);
}

TYPED_TEST_P(ValueEnumContract, ANameThatDoesNotFitIsMoreData) {
  this->Set("Personal", "C:\\My Documents");
  char name[4] = {'x', 'x', 'x', 'x'};
  uint32_t size = sizeof name;
  EXPECT_EQ(kErrorMoreData, this->reg().EnumValue(this->env_.root(), 0, name, &size, nullptr));
}

REGISTER_TYPED_TEST_SUITE_P(ValueEnumContract, EveryValueIsNamedOnceThenNoMoreItems,
                            ANameThatDoesNotFitIsMoreData);

}  // namespace vrx::contract
