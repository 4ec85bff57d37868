#include "preview/preview_run.h"

#include <gtest/gtest.h>

#include "deploy/deployment.h"
#include "platform/sim/sim_machine.h"
#include "preview/sim_host.h"
#include "preview/snapshot.h"
#include "testing/sim_test_util.h"

namespace vrx::preview {
namespace {

using sim::SimMachine;

class PreviewRun : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(sim::LoadMachineImage(
        std::filesystem::path(VRX_SOURCE_DIR) / "tests/wine/machines/nt-all", &live_, &error))
        << error;
  }
  int Snapshot(const std::string& command_line) {
    SimLiveFiles files(&live_.files, &live_.processes.programs);
    SimImageFolder out(&live_.files);
    return RunSnapshot(live_.platform(), &files, &out, ReadCommandWords(command_line), &log_);
  }
  SimMachine live_;
  sim::testing::LinesSink log_;
};

TEST_F(PreviewRun, ASnapshotEndsWithZeroAndSaysWhereItWent) {
  EXPECT_EQ(kExitFinished, Snapshot("MSWORD /QUIET /SNAPSHOT=C:\\snap"));
  ASSERT_EQ(1u, log_.lines.size());
  EXPECT_EQ(0u, log_.lines[0].find("Snapshot written to C:\\snap: ")) << log_.lines[0];
  ASSERT_TRUE(live_.files.Exists("C:\\snap\\machine.ini"));
  // The program the run starts is found though the image has it only in [programs].
  EXPECT_NE(std::string::npos, live_.files.Contents("C:\\snap\\machine.ini")
                                   ->find("C:\\windows\\system32\\regsvr32=regsvr32"));
  EXPECT_TRUE(live_.files.Exists("C:\\snap\\drive_c\\windows\\system32\\regsvr32.exe"));
}

TEST_F(PreviewRun, AFolderThatCannotBeWrittenEndsQuietlyWith1603AndWithABoxOtherwise) {
  EXPECT_EQ(kExitNothingDone, Snapshot("MSWORD /QUIET /SNAPSHOT=C:\\no\\such\\folder"));
  EXPECT_EQ(kExitNothingDone, Snapshot("/QUIET /SNAPSHOT="));
  ASSERT_EQ(2u, log_.lines.size());
  EXPECT_EQ("No snapshot was written. C:\\no\\such\\folder: cannot be made (error 3)",
            log_.lines[0]);
  EXPECT_EQ("No snapshot was written. /SNAPSHOT= needs the folder to write into", log_.lines[1]);
  EXPECT_FALSE(live_.files.Exists("C:\\no"));
  EXPECT_TRUE(live_.transcript.ToUtf8().find("msgbox") == std::string::npos);

  EXPECT_EQ(kExitFinished, Snapshot("MSWORD /SNAPSHOT=C:\\Docseal\\Word\\Setup\\x"));
  EXPECT_NE(std::string::npos,
            live_.transcript.ToUtf8().find(
                "msgbox \"No snapshot was written. C:\\Docseal\\Word\\Setup\\x: lies inside "
                "C:\\Docseal\\Word\\Setup, which the run removes\""))
      << live_.transcript.ToUtf8();
  EXPECT_TRUE(live_.files.Exists("C:\\Docseal\\Word\\Setup\\Docseal.isu"));
}

}  // namespace
}  // namespace vrx::preview
