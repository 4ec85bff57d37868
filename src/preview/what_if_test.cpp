#include "preview/what_if.h"

#include <gtest/gtest.h>

#include "preview/sim_host.h"
#include "progress/processing_form.h"
#include "progress/reboot_form.h"
#include "testing/sim_test_util.h"

namespace vrx::preview {
namespace {

using sim::SimMachine;

void Load(SimMachine* machine) {
  std::string error;
  ASSERT_TRUE(sim::LoadMachineImage(
      std::filesystem::path(VRX_SOURCE_DIR) / "tests/wine/machines/nt-all", machine, &error))
      << error;
  ASSERT_TRUE(machine->files.AddFile("C:\\windows\\system32\\regsvr32.exe", "MZ"));
}

// The same run made for real, and its summary.
std::string RealSummary(SimMachine& machine, const std::string& command_line) {
  const sim::MachineSnapshot before = sim::TakeSnapshot(machine);
  CommandWords words = ReadCommandWords(command_line);
  Deployment deployment(machine.platform(), words, nullptr);
  Program program(deployment.platform());
  Main(program, words.program_words);
  deployment.FinishQuietly(program);
  (void)deployment.End(program);
  program.platform().files->CloseAll();
  return sim::Summarize(before, machine);
}

// The what-if's account is the account of the same run made for real (its log and a run with
// windows are cases in tests/cases/previews.case).
TEST(WhatIf, TheAccountIsTheRealRunsAccount) {
  SimMachine live;
  Load(&live);
  SimLiveFiles files(&live.files);
  const std::string command_line = "MSWORD /QUIET /WHATIF";
  WhatIf what_if(live.platform(), &files, ReadCommandWords(command_line), nullptr, nullptr);
  what_if.Start(command_line, "now");
  EXPECT_EQ(kExitRestartNeeded, what_if.End());
  const std::string summary = what_if.Summary();
  std::string real = RealSummary(live, "MSWORD /QUIET");
  real.replace(real.find("the run did to the machine"), 26, "the run would do to this machine");
  EXPECT_EQ(real, summary);
  EXPECT_NE(std::string::npos, summary.find("C:\\Docseal\\Word\\Stamps\\CONFID.STB")) << summary;
}

}  // namespace
}  // namespace vrx::preview
