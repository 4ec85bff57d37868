#include "removal/deferred_deletion.h"

#include <gtest/gtest.h>

#include "state/program.h"
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

TEST_F(WininitTest, OpeningIsTriedAgainWhileTheFileIsBusy) {
  ASSERT_TRUE(machine_.files.AddFile(kWininit, "[RENAME]\r\n"));
  FaultInjection faults(machine_.platform());
  faults.FailCall("CreateFileA C:\\WINDOWS\\Wininit.ini read", 2);
  Update(faults.platform());
  EXPECT_EQ("[RENAME]\r\nNUL=C:\\WINDOWS\\SYSTEM\\VRXUnInst.EXE\r\n", Wininit());
  EXPECT_EQ(2u, faults.failed_calls().size());
}

}  // namespace
}  // namespace vrx
