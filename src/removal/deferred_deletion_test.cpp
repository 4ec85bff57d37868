#include "removal/deferred_deletion.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "startup/program.h"
#include "testing/fault_injection.h"
#include "testing/sim_test_util.h"

namespace vrx {
namespace {

using sim::SimMachine;

constexpr const char* kWininit = "C:\\WINDOWS\\Wininit.ini";
constexpr const char* kSelf = "C:\\WINDOWS\\SYSTEM\\VRXUnInst.EXE";

class WininitTest : public ::testing::Test {
 protected:
  WininitTest() {
    machine_.facts.platform = 1;
    machine_.ApplyFacts();
    EXPECT_TRUE(machine_.files.AddDirectory("C:\\WINDOWS\\SYSTEM"));
  }
  void Update(Platform platform) {
    Program program(platform);
    program.state.IsWin9x = true;
    program.state.SelfPath = kSelf;
    for (const std::string& path : pending_) program.state.AppendPendingDelete(path);
    UpdateWininit(program);
  }
  void Update() { Update(machine_.platform()); }
  std::string Wininit() { return machine_.files.Contents(kWininit).value_or("<missing>"); }
  // What the Windows folder holds.
  std::vector<std::string> WindowsFolder() const {
    std::vector<std::string> paths;
    for (const sim::EntryInfo& e : machine_.files.Entries()) {
      if (e.path.rfind("C:\\WINDOWS\\", 0) == 0) paths.push_back(e.path);
    }
    return paths;
  }

  SimMachine machine_;
  std::vector<std::string> pending_{kSelf};
};

TEST_F(WininitTest, EntriesFollowEveryRenameHeaderAndOtherLinesStay) {
  pending_ = {"C:\\A~1.DLL", "C:\\WINDOWS\\SYSTEM\\FUNCKY60.DLL"};
  ASSERT_TRUE(machine_.files.AddFile(
      kWininit, "[Other]\r\nx=1\r\n[RENAME]\r\nNUL=C:\\OLD.TMP\r\n; [RENAME] again\r\nlast"));
  Update();
  EXPECT_EQ(
      "[Other]\r\nx=1\r\n[RENAME]\r\nNUL=C:\\A~1.DLL\r\nNUL=C:\\WINDOWS\\SYSTEM\\FUNCKY60.DLL\r\n"
      "NUL=C:\\OLD.TMP\r\n; [RENAME] again\r\nNUL=C:\\A~1.DLL\r\n"
      "NUL=C:\\WINDOWS\\SYSTEM\\FUNCKY60.DLL\r\nlast\r\n",
      Wininit());
  EXPECT_FALSE(machine_.files.Exists("C:\\WINDOWS\\Wininit.vrx"));
}

TEST_F(WininitTest, AFileWithoutTheSectionGetsItAtTheEnd) {
  ASSERT_TRUE(machine_.files.AddFile(kWininit, "[rename]\r\nNUL=C:\\X\r\n"));
  Update();
  EXPECT_EQ("[rename]\r\nNUL=C:\\X\r\n[RENAME]\r\nNUL=C:\\WINDOWS\\SYSTEM\\VRXUnInst.EXE\r\n",
            Wininit());
}

TEST_F(WininitTest, TheMarkerInUpperCaseLeavesTheFileUnchanged) {
  const std::string marked = "[RENAME]\r\nNUL=C:\\WINDOWS\\SYSTEM\\VRXUNINST.EXE\r\n";
  ASSERT_TRUE(machine_.files.AddFile(kWininit, marked));
  Update();
  EXPECT_EQ(marked, Wininit());

  const std::string mixed = "[RENAME]\r\nNUL=C:\\WINDOWS\\SYSTEM\\VRXUnInst.EXE\r\n";
  ASSERT_TRUE(machine_.files.AddFile(kWininit, mixed));
  Update();
  EXPECT_EQ(
      "[RENAME]\r\nNUL=C:\\WINDOWS\\SYSTEM\\VRXUnInst.EXE\r\nNUL=C:\\WINDOWS\\SYSTEM\\VRXUnInst."
      "EXE\r\n",
      Wininit());
}

TEST_F(WininitTest, LineFeedsAloneDoNotEndLines) {
  ASSERT_TRUE(machine_.files.AddFile(kWininit, "[Other]\nx=1\n"));
  Update();
  EXPECT_EQ("[Other]\nx=1\n\r\n[RENAME]\r\nNUL=C:\\WINDOWS\\SYSTEM\\VRXUnInst.EXE\r\n", Wininit());
}

TEST_F(WininitTest, WindowsNtWritesNothing) {
  Program program(machine_.platform());
  program.state.IsWinNT = true;
  program.state.AppendPendingDelete(kSelf);
  UpdateWininit(program);
  EXPECT_EQ("<missing>", Wininit());
}

TEST_F(WininitTest, AFileThatCannotBeReadIsLeftAsItWas) {
  const std::string old = "[RENAME]\r\nNUL=C:\\OLD.TMP\r\n";
  ASSERT_TRUE(machine_.files.AddFile(kWininit, old));
  ASSERT_TRUE(machine_.files.SetInUse(kWininit, true));
  Update();
  EXPECT_EQ(old, Wininit());
}

TEST_F(WininitTest, AHiddenSystemOrReadOnlyWininitKeepsItsLines) {
  const std::string old = "[RENAME]\r\nNUL=C:\\OLD.TMP\r\n[Other]\r\nx=1\r\n";
  for (uint32_t attributes :
       {kAttrHidden, kAttrSystem, kAttrReadOnly, kAttrHidden | kAttrSystem | kAttrReadOnly}) {
    SCOPED_TRACE(attributes);
    ASSERT_TRUE(machine_.files.AddFile(kWininit, old, attributes));
    Update();
    EXPECT_EQ(
        "[RENAME]\r\nNUL=C:\\WINDOWS\\SYSTEM\\VRXUnInst.EXE\r\nNUL=C:\\OLD.TMP\r\n[Other]\r\n"
        "x=1\r\n",
        Wininit());
    EXPECT_EQ((std::vector<std::string>{"C:\\WINDOWS\\SYSTEM", kWininit}), WindowsFolder());
  }
}

TEST_F(WininitTest, AUsersFilesBesideWininitAreNeverTouched) {
  // Whatever the user keeps under the names this program might have used.
  ASSERT_TRUE(machine_.files.AddFile("C:\\WINDOWS\\Wininit.vrx", "the user's", kAttrReadOnly));
  ASSERT_TRUE(machine_.files.AddDirectory("C:\\WINDOWS\\VRX1.TMP"));
  ASSERT_TRUE(machine_.files.AddFile("C:\\WINDOWS\\VRX2.TMP", "also the user's"));
  ASSERT_TRUE(machine_.files.AddFile(kWininit, "[RENAME]\r\n"));
  Update();
  EXPECT_EQ("[RENAME]\r\nNUL=C:\\WINDOWS\\SYSTEM\\VRXUnInst.EXE\r\n", Wininit());
  EXPECT_EQ("the user's", machine_.files.Contents("C:\\WINDOWS\\Wininit.vrx"));
  EXPECT_EQ("also the user's", machine_.files.Contents("C:\\WINDOWS\\VRX2.TMP"));
  EXPECT_EQ(
      (std::vector<std::string>{"C:\\WINDOWS\\SYSTEM", "C:\\WINDOWS\\VRX1.TMP",
                                "C:\\WINDOWS\\VRX2.TMP", kWininit, "C:\\WINDOWS\\Wininit.vrx"}),
      WindowsFolder());
}

TEST_F(WininitTest, OpeningIsTriedAgainWhileTheFileIsBusy) {
  ASSERT_TRUE(machine_.files.AddFile(kWininit, "[RENAME]\r\n"));
  FaultInjection faults(machine_.platform());
  faults.FailCall("CreateFileA C:\\WINDOWS\\Wininit.ini read", 2);
  Update(faults.platform());
  EXPECT_EQ("[RENAME]\r\nNUL=C:\\WINDOWS\\SYSTEM\\VRXUnInst.EXE\r\n", Wininit());
  EXPECT_EQ(2u, faults.failed_calls().size());
}

// Every call of the update, made to fail once and made to fail for good: Wininit.ini then holds
// its old bytes or its new ones, whole, and whatever else is left holds one of them or nothing.
TEST(WininitFaults, AFailingCallNeverLeavesLessThanOneWholeCopy) {
  const std::string old = "[Other]\r\nx=1\r\n[RENAME]\r\nNUL=C:\\OLD.TMP\r\nlast";
  const std::string updated =
      "[Other]\r\nx=1\r\n[RENAME]\r\nNUL=C:\\WINDOWS\\SYSTEM\\VRXUnInst.EXE\r\nNUL=C:\\OLD.TMP\r\n"
      "last\r\n";
  auto run = [&](const std::function<void(FaultInjection&)>& choose) {
    auto machine = std::make_unique<SimMachine>();
    machine->facts.platform = 1;
    machine->ApplyFacts();
    EXPECT_TRUE(machine->files.AddFile(kWininit, old, kAttrHidden));
    EXPECT_TRUE(machine->files.AddDirectory("C:\\WINDOWS\\SYSTEM"));
    FaultInjection faults(machine->platform());
    choose(faults);
    {
      Program program(faults.platform());
      program.state.IsWin9x = true;
      program.state.AppendPendingDelete(kSelf);
      UpdateWininit(program);
    }
    EXPECT_TRUE(faults.OpenHandles().empty());
    const std::string now = machine->files.Contents(kWininit).value_or("<missing>");
    EXPECT_TRUE(now == old || now == updated) << now;
    for (const sim::EntryInfo& e : machine->files.Entries()) {
      if (e.directory || e.path == kWininit) continue;
      const std::string bytes = machine->files.Contents(e.path).value_or("");
      EXPECT_TRUE(bytes.empty() || bytes == old || bytes == updated) << e.path;
    }
    return faults.distinct_calls();
  };
  const std::vector<std::string> calls = run([](FaultInjection&) {});
  EXPECT_GT(calls.size(), 10u);
  for (const std::string& call : calls) {
    for (int times : {1, 20000}) {
      SCOPED_TRACE(call + " x" + std::to_string(times));
      run([&](FaultInjection& faults) { faults.FailCall(call, times); });
    }
  }
}

}  // namespace
}  // namespace vrx
