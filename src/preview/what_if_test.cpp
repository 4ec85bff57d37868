#include "preview/what_if.h"

#include <gtest/gtest.h>

#include "preview/sim_host.h"
#include "progress/processing_form.h"
#include "progress/reboot_form.h"
#include "testing/sim_test_util.h"

namespace vrx::preview {
namespace {

using sim::SimMachine;
using sim::testing::LinesSink;

std::string Everything(const SimMachine& machine) {
  std::string all;
  for (const ImageEntry& e : ImageEntries(machine)) all += e.path + "\n" + e.bytes + "\n";
  return all;
}

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

TEST(WhatIf, QuietLogsTheRunItWouldMakeAndItsSummaryAndChangesNothing) {
  SimMachine live;
  Load(&live);
  const std::string before = Everything(live);
  SimLiveFiles files(&live.files);
  LinesSink sink;
  const std::string command_line = "MSWORD /QUIET /WHATIF /LOG=C:\\vrx.log";
  WhatIf what_if(live.platform(), &files, ReadCommandWords(command_line), &live.ui, &sink);
  what_if.Start(command_line, "now");
  EXPECT_FALSE(what_if.program().AnyFormLoaded());
  EXPECT_EQ(kExitRestartNeeded, what_if.End());
  EXPECT_EQ(before, Everything(live)) << "the machine changed";
  // The one call the machine saw: whether Word runs.
  EXPECT_EQ("word getobject -> none\n", live.transcript.ToUtf8());

  ASSERT_GT(sink.lines.size(), 5u);
  EXPECT_EQ(0u, sink.lines[0].find("What-if: the run below was made on a copy"));
  EXPECT_EQ("Docseal Uninstaller 4.0 log, started now", sink.lines[1]);
  EXPECT_TRUE(sink.Has(
      "Question: Directory not empty C:\\Docseal\\Word\\Stamps / Do you want me to remove it?"));
  EXPECT_TRUE(sink.Has("Answer: No"));

  const std::string summary = what_if.Summary();
  std::string real = RealSummary(live, "MSWORD /QUIET");
  real.replace(real.find("the run did to the machine"), 26, "the run would do to this machine");
  EXPECT_EQ(real, summary);
  EXPECT_NE(std::string::npos, summary.find("C:\\Docseal\\Word\\Stamps\\CONFID.STB")) << summary;
}

TEST(WhatIf, AFolderWithManyFilesThatStayedIsOneLine) {
  SimMachine live;
  Load(&live);
  for (int i = 0; i < 30; ++i) {
    ASSERT_TRUE(
        live.files.AddFile("C:\\windows\\system32\\LIB" + std::to_string(10 + i) + ".DLL", "MZ"));
  }
  SimLiveFiles files(&live.files);
  WhatIf what_if(live.platform(), &files, ReadCommandWords("MSWORD /QUIET /WHATIF"), nullptr,
                 nullptr);
  what_if.Start("MSWORD /QUIET /WHATIF", "now");
  (void)what_if.End();
  const std::vector<std::string> lines = what_if.SummaryLines();
  EXPECT_NE(lines.end(),
            std::find(lines.begin(), lines.end(),
                      "  C:\\windows\\system32\\: 33 files (FUNCKY60.dll, FUNCKY60.tlb, ...)"))
      << what_if.Summary();
  EXPECT_NE(lines.end(),
            std::find(lines.begin(), lines.end(), "  C:\\Docseal\\Word\\Stamps\\CONFID.STB"));
}

TEST(WhatIf, WithWindowsThePersonAnswersAndTheCopyAloneChanges) {
  SimMachine live, person;
  Load(&live);
  const std::string before = Everything(live);
  person.ui.answers = {kIdYes, kIdYes, kIdYes, kIdYes};
  SimLiveFiles files(&live.files);
  WhatIf what_if(live.platform(), &files, ReadCommandWords("MSWORD /WHATIF"), &person.ui, nullptr);
  what_if.Start("MSWORD /WHATIF", "now");
  Program& program = what_if.program();
  ASSERT_TRUE(program.Processing().loaded());
  program.Processing().cmdExit_Click();
  if (program.Reboot().loaded()) program.Reboot().cmdLater_Click();
  EXPECT_FALSE(program.AnyFormLoaded());
  EXPECT_EQ(kExitFinished, what_if.End());
  EXPECT_EQ(before, Everything(live));
  EXPECT_NE(std::string::npos, person.transcript.ToUtf8().find("msgbox \"Directory not empty"))
      << "the questions went to the person";
  const std::vector<std::string> lines = what_if.SummaryLines();
  EXPECT_NE(lines.end(), std::find(lines.begin(), lines.end(), "  C:\\Docseal\\Word\\Setup"))
      << what_if.Summary();
}

}  // namespace
}  // namespace vrx::preview
