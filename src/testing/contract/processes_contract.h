// The process contract: how a command line names the program it starts, run against the
// simulator natively and against CreateProcessA under Wine. Include in one source file of a test
// program, then instantiate with INSTANTIATE_TYPED_TEST_SUITE_P(Name, ProcessesContract, Types)
// where each type is an environment with:
//
//   Env()                       a fresh, empty scratch folder without blanks in its path
//   Processes& processes()
//   std::string root()          the scratch folder's full path, without a trailing backslash
//   void MakeFolder(path)       creates a folder (its parent exists)
//   void MakeFile(path, bytes)  a file that is no program
//   void MakeProgram(path)      a program that ends at once when started with "/c exit 0"
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "platform/platform.h"
#include "testing/contract/contract_env.h"

namespace vrx::contract {

template <typename Env>
class ProcessesContract : public ::testing::Test {
 protected:
  std::string At(const std::string& relative) { return env_.root() + "\\" + relative; }
  // Starts a command line hidden; the task, or the failure as "<status N>" with the task
  // untouched.
  std::string Start(const std::string& command_line) {
    TaskId task = 0xBAADF00D;
    Status status = env_.processes().Start(command_line, kWindowHidden, &task);
    if (status != kOk) {
      EXPECT_EQ(0xBAADF00Du, task) << command_line;
      return "<status " + std::to_string(status) + ">";
    }
    EXPECT_NE(0u, task) << command_line;
    return "started";
  }

  Env env_;
};

TYPED_TEST_SUITE_P(ProcessesContract);

TYPED_TEST_P(ProcessesContract, UnquotedCommandLinesTryEachBlank) {
  this->env_.MakeFolder(this->At("Prog Dir"));
  this->env_.MakeProgram(this->At("Prog Dir\\My Prog.exe"));
  // ...\Prog.exe and ...\Prog Dir\My.exe do not exist; the third try is the program.
  EXPECT_EQ("started", this->Start(this->At("Prog Dir\\My Prog.exe /c exit 0")));
  // ".exe" is added to a name without an extension.
  EXPECT_EQ("started", this->Start(this->At("Prog Dir\\My Prog /c exit 0")));
  // Quoted, the name is taken whole.
  EXPECT_EQ("started", this->Start("\"" + this->At("Prog Dir\\My Prog.exe") + "\" /c exit 0"));
  // Nothing at any try.
  EXPECT_EQ("<status 2>", this->Start(this->At("Prog Dir\\None Such.exe /c exit 0")));
  // A folder is passed over.
  this->env_.MakeFolder(this->At("Prog Dir\\My.exe"));
  EXPECT_EQ("started", this->Start(this->At("Prog Dir\\My Prog.exe /c exit 0")));
}

TYPED_TEST_P(ProcessesContract, AnEarlierFileIsTakenWhetherItRunsOrNot) {
  this->env_.MakeFolder(this->At("Prog Dir"));
  this->env_.MakeProgram(this->At("Prog Dir\\My Prog.exe"));
  this->env_.MakeFile(this->At("Prog Dir\\My.exe"), "not a program");
  EXPECT_EQ("<status " + std::to_string(kErrorBadExeFormat) + ">",
            this->Start(this->At("Prog Dir\\My Prog.exe /c exit 0")));
  EXPECT_EQ("started", this->Start("\"" + this->At("Prog Dir\\My Prog.exe") + "\" /c exit 0"));
}

REGISTER_TYPED_TEST_SUITE_P(ProcessesContract, UnquotedCommandLinesTryEachBlank,
                            AnEarlierFileIsTakenWhetherItRunsOrNot);

}  // namespace vrx::contract
