// The deployment words on the simulated machine: how they are read, a run without /QUIET, a log
// that cannot be written. Whole quiet runs and their logs are cases (tests/cases/).
#include "deploy/deployment.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "progress/processing_form.h"
#include "state/program.h"
#include "testing/sim_test_util.h"

namespace vrx {
namespace {

using sim::SimMachine;
using sim::testing::LinesSink;
using sim::testing::LoadImage;
using sim::testing::SaidLineStarting;
using sim::testing::Sample;

std::unique_ptr<SimMachine> Load(const char* sample) { return LoadImage(Sample(sample)); }

struct Outcome {
  int exit_code = -1;
  bool forms_left = true;
};

// The program as both mains run it: the words, Main, the quiet ending, the exit code.
Outcome RunProgram(SimMachine& m, const std::string& command_line, LogSink* sink = nullptr) {
  Deployment deployment(m.platform(), ReadCommandWords(command_line), sink);
  Program program(deployment.platform());
  deployment.Begin(program, command_line, "now");
  Main(program, deployment.words().program_words);
  deployment.FinishQuietly(program);
  Outcome outcome;
  outcome.forms_left = program.AnyFormLoaded();
  if (!outcome.forms_left) outcome.exit_code = deployment.End(program);
  return outcome;
}

// ---------------------------------------------------------------------------------------------
// The words

// How each word of a command line is read: "-" where a word is absent.
TEST(CommandWords, EachWordIsReadAsTheTableSays) {
  struct Row {
    const char* line;
    bool quiet;
    const char* log;
    const char* snapshot;
    bool what_if;
    const char* program_words;
  };
  const Row rows[] = {
      {"msword\t/Quiet  /log=C:\\Temp\\Run.Log NOREBOOT", true, "C:\\Temp\\Run.Log", "-", false,
       "msword\t/Quiet   NOREBOOT"},
      // Only /QUIET itself is quiet.
      {"/QUIETLY /QUIET- QUIET MSWORD", false, "-", "-", false, "/QUIETLY /QUIET- QUIET MSWORD"},
      // The last log word counts; a blank ends the path.
      {"/LOG=a.log /LOG= /LOG=C:\\last.log", false, "C:\\last.log", "-", false, "  "},
      {"/LOG=C:\\My Logs\\run.log", false, "C:\\My", "-", false, " Logs\\run.log"},
      {"-log:C:\\x.log \"/LOG=C:\\MSWORD.LOG\"", false, "C:\\MSWORD.LOG", "-", false, " "},
      // Previews are found by what a word holds, so that no slip makes them a real run.
      {"/snapshot=C:\\MSWORD\\NOREBOOT wpwin8 /WhatIf", false, "-", "C:\\MSWORD\\NOREBOOT", true,
       " wpwin8 /WhatIf"},
      {"-WHATIF MSWORD", false, "-", "-", true, "-WHATIF MSWORD"},
      {"MSWORD /WHATIF:", false, "-", "-", true, "MSWORD /WHATIF:"},
      {"MSWORD \"/WHATIF\"", false, "-", "-", true, "MSWORD \"/WHATIF\""},
      {"MSWORD /SNAPSHOT:C:\\x", false, "-", "C:\\x", false, "MSWORD "},
      {"MSWORD -Snapshot C:\\x", false, "-", "", false, "MSWORD  C:\\x"},
      {"/SNAPSHOT= /WHATIFS /SNAPSHOT", false, "-", "", true, " /WHATIFS "},
  };
  for (const Row& row : rows) {
    const CommandWords w = ReadCommandWords(row.line);
    EXPECT_EQ(row.quiet, w.quiet) << row.line;
    EXPECT_EQ(row.log, w.log_path.value_or("-")) << row.line;
    EXPECT_EQ(row.snapshot, w.snapshot_dir.value_or("-")) << row.line;
    EXPECT_EQ(row.what_if, w.what_if) << row.line;
    EXPECT_EQ(row.program_words, w.program_words) << row.line;
  }
}

// ---------------------------------------------------------------------------------------------
// /QUIET

TEST(Quiet, WithoutItTheProgramEndsAndAnswersAsAlways) {
  auto m = Load("nt-word");
  m->facts.another_instance = true;
  Outcome out = RunProgram(*m, "MSWORD");
  EXPECT_EQ(kExitFinished, out.exit_code) << "the message box, then 0 as ever";
  EXPECT_TRUE(SaidLineStarting(*m, "msgbox \"You cannot start more than one copy\""));

  m = Load("win98-all");
  out = RunProgram(*m, "MSWORD /LOG=C:\\run.log");
  EXPECT_TRUE(out.forms_left) << "the progress window waits for Exit";
  EXPECT_TRUE(SaidLineStarting(*m, "show Processing"));
}

// ---------------------------------------------------------------------------------------------
// The log

TEST(Log, ALogThatCannotBeWrittenChangesNothingInTheRun) {
  auto with_log = Load("win98-all");
  auto without = Load("win98-all");
  LinesSink log;
  log.fail_from = 5;
  Outcome a = RunProgram(*with_log, "MSWORD /QUIET /LOG=C:\\full.log", &log);
  Outcome b = RunProgram(*without, "MSWORD /QUIET");
  EXPECT_EQ(b.exit_code, a.exit_code);
  EXPECT_EQ(without->transcript.lines(), with_log->transcript.lines());
  EXPECT_EQ(5u, log.lines.size());
  EXPECT_EQ(6, log.calls) << "the log stops at its first failure";
}

}  // namespace
}  // namespace vrx
