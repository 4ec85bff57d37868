// The contract of finding Word: its running object and its main window, run against the
// simulator natively and against GetActiveObject and EnumWindows under Wine. A Word that cannot be
// reached (of another user or session, or not registered yet) has its window and no object.
// Include in one source file of a test program, then instantiate with
// INSTANTIATE_TYPED_TEST_SUITE_P(Name, WordWindowContract, Types) where each type is an
// environment with:
//
//   Env()                     no Word runs, none is registered as an automation class
//   Automation& automation()
//   void OpenUnreachableWord()   a hidden main window of class OpusApp, with no object behind it
//   TaskId unreachable_owner()   the task that window belongs to
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace vrx::contract {

// A WordApplication that a failing lookup must leave where it was.
class PoisonWord : public WordApplication {
 public:
  Status Activate() override { return kErrorGenFailure; }
  Status SetWindowState(int16_t) override { return kErrorGenFailure; }
  Status Quit() override { return kErrorGenFailure; }
  Status QuitWithoutSaving() override { return kErrorGenFailure; }
  Status ActiveDocumentName(std::string*) override { return kErrorGenFailure; }
  Status CommandBarControls(const std::string&,
                            std::vector<std::unique_ptr<WordControl>>*) override {
    return kErrorGenFailure;
  }
  Status BuildKeyCode(int16_t, int16_t, std::optional<int16_t>, int32_t*) override {
    return kErrorGenFailure;
  }
  Status FindKeyClear(int32_t) override { return kErrorGenFailure; }
  Status KeyBindingsAdd(int32_t, int16_t, const std::string&) override { return kErrorGenFailure; }
  Status NormalTemplateSave() override { return kErrorGenFailure; }
};

template <typename Env>
class WordWindowContract : public ::testing::Test {
 protected:
  // GetRunningWord's status; the application must stay as it was on failure.
  Status Lookup() {
    std::unique_ptr<WordApplication> application = std::make_unique<PoisonWord>();
    WordApplication* poison = application.get();
    Status status = env_.automation().GetRunningWord("Word.Application", &application);
    if (status != kOk) {
      EXPECT_EQ(poison, application.get()) << "touched on failure";
    }
    return status;
  }

  Env env_;
};

TYPED_TEST_SUITE_P(WordWindowContract);

TYPED_TEST_P(WordWindowContract, WithoutWordThereIsNeitherObjectNorWindow) {
  EXPECT_EQ(kMkEUnavailable, this->Lookup());
  std::vector<TaskId> owners = {12345};
  ASSERT_EQ(kOk, this->env_.automation().WindowOwners("OpusApp", &owners));
  EXPECT_TRUE(owners.empty()) << owners[0];
}

TYPED_TEST_P(WordWindowContract, AWordOutOfReachHasItsWindowButNoObject) {
  this->env_.OpenUnreachableWord();
  EXPECT_EQ(kMkEUnavailable, this->Lookup());
  std::vector<TaskId> owners;
  ASSERT_EQ(kOk, this->env_.automation().WindowOwners("OpusApp", &owners));
  EXPECT_EQ(std::vector<TaskId>{this->env_.unreachable_owner()}, owners)
      << "hidden windows count, each task once";
  ASSERT_EQ(kOk, this->env_.automation().WindowOwners("OpusAppNot", &owners));
  EXPECT_TRUE(owners.empty());
}

REGISTER_TYPED_TEST_SUITE_P(WordWindowContract, WithoutWordThereIsNeitherObjectNorWindow,
                            AWordOutOfReachHasItsWindowButNoObject);

}  // namespace vrx::contract
