// The deployment words on the simulated machine: what /QUIET keeps, which exit code each ending
// gives, and what the log of a run holds.
#include "deploy/deployment.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "progress/processing_form.h"
#include "startup/program.h"
#include "testing/sim_test_util.h"

namespace vrx {
namespace {

using sim::SimMachine;
using sim::testing::LinesSink;
using sim::testing::LoadImage;
using sim::testing::SaidLineStarting;
using sim::testing::Sample;

constexpr const char* kProgrammable = "CLSID\\{BF7A5B3D-566C-11D3-99AF-0010608026A6}\\Programmable";

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

TEST(CommandWords, ALogPathNamingAVariantOrNorebootChoosesNothing) {
  auto m = Load("nt-word");
  Deployment deployment(m->platform(), ReadCommandWords("/LOG=C:\\MSWORD\\NOREBOOT.LOG"), nullptr);
  Program program(deployment.platform());
  Main(program, deployment.words().program_words);
  EXPECT_FALSE(program.state.CommandLineMode);
  EXPECT_FALSE(program.state.Chosen[kMsWord]);
  EXPECT_FALSE(program.state.NoReboot);
  EXPECT_TRUE(SaidLineStarting(*m, "show UnInstall")) << "the wizard, as without the word";
}

// ---------------------------------------------------------------------------------------------
// /QUIET

TEST(Quiet, AFolderWithFilesIsKeptTheRestartIsLeftAndTheExitCodeSaysItIsNeeded) {
  auto m = Load("win98-all");
  m->ui.answers = {kIdYes, kIdYes, kIdYes};  // what a person would have said; never asked
  Outcome out = RunProgram(*m, "MSWORD /QUIET");
  EXPECT_FALSE(out.forms_left);
  EXPECT_EQ(kExitRestartNeeded, out.exit_code);
  EXPECT_TRUE(m->files.Exists("C:\\Docseal\\Word\\Stamps\\CONFID.STB"));
  EXPECT_TRUE(m->files.Exists("C:\\Docseal\\Word\\Stamps")) << "the question got No";
  EXPECT_EQ(3u, m->ui.answers.size()) << "no message box reached the machine's user";
  EXPECT_FALSE(SaidLineStarting(*m, "show ")) << "no window was shown";
  EXPECT_FALSE(SaidLineStarting(*m, "exitwindows")) << "no restart";
  EXPECT_EQ(1u, sim::testing::Dword(*m, kHkeyClassesRoot, kProgrammable, "Reboot"))
      << "Exit is pressed for the user, which writes the value";
}

TEST(Quiet, EachEndingHasItsExitCode) {
  auto m = Load("nt-word");
  ASSERT_TRUE(m->files.SetInUse("C:\\Program Files\\Docseal\\Stamps\\PASTDUE.STS", false));
  EXPECT_EQ(kExitFinished, RunProgram(*m, "MSWORD NOREBOOT /QUIET").exit_code) << "nothing in use";

  m = Load("nt-word");
  m->facts.another_instance = true;
  Outcome out = RunProgram(*m, "MSWORD /QUIET");
  EXPECT_EQ(kExitAnotherCopy, out.exit_code);
  EXPECT_FALSE(SaidLineStarting(*m, "msgbox")) << "the copy says nothing on the screen";

  m = Load("nt-word");
  m->facts.platform = 0;
  m->ApplyFacts();
  EXPECT_EQ(kExitNothingDone, RunProgram(*m, "MSWORD /QUIET").exit_code);

  m = Load("nt-word");
  out = RunProgram(*m, "/QUIET");
  EXPECT_FALSE(out.forms_left) << "no wizard waits for nobody";
  EXPECT_EQ(kExitNothingDone, out.exit_code);
  EXPECT_TRUE(m->files.Exists("C:\\Program Files\\Docseal\\Stamps\\PASTDUE.STS"));
}

TEST(Quiet, WordIsCleanedWithoutAWindowOnTheScreen) {
  // Word registers only once the activation has moved away from it; a quiet run still moves it.
  auto m = Load("nt-word");
  EXPECT_EQ(kExitRestartNeeded, RunProgram(*m, "MSWORD /QUIET").exit_code);
  EXPECT_FALSE(SaidLineStarting(*m, "show ")) << "no window was shown";
  EXPECT_EQ("File|Edit|View|Insert|Format|Tools|Table|Window|Help",
            m->word.templates["word97"].MenubarText());
  EXPECT_EQ("File|Edit|View|Insert|Format|Tools|Table|Window|Help|Docseal",
            m->word.templates["word2000"].MenubarText());
  EXPECT_EQ(0, m->word.RunningCount()) << "every Word started here has left";
}

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

TEST(Log, NamesTheRunItsRemovalsItsQuestionsWhatStayedAndTheExitCode) {
  auto m = Load("win98-all");
  LinesSink log;
  Outcome out = RunProgram(*m, "MSWORD /QUIET /LOG=C:\\vrx.log", &log);
  ASSERT_EQ(kExitRestartNeeded, out.exit_code);
  const std::vector<std::string> in_order = {
      "Command line: MSWORD /QUIET /LOG=C:\\vrx.log",
      "Platform: Windows 95/98 (platform 1), version 4.10 build 0",
      "Chosen: MSWORD (Microsoft Word 97/2000)",
      "Status: Removing Docseal from Microsoft Word\xAE.....",
      "Deleted file C:\\Docseal\\Word\\Stamps\\1STDRAFT.STB",
      "Could not delete file C:\\Docseal\\Word\\Stamps\\CONFID.STB: it is in use by another "
      "program (error 32)",
      "Detail: C:\\Docseal\\Word\\Stamps\\CONFID.STB this file will be removed when you reboot "
      "your computer.",
      "Question: Directory not empty C:\\Docseal\\Word\\Stamps / Do you want me to remove it?",
      "Answer: No",
      "Status: Uninstall complete.",
      "  Deleted at the next start of Windows: C:\\Docseal\\Word\\Stamps\\CONFID.STB",
      "  Kept folder C:\\Docseal\\Word\\Stamps (the answer was No), holding: CONFID.STB, "
      "MYSTAMP.STB",
      "  A restart is needed: yes",
      "Exit code: 3010 (finished; a restart of Windows is needed)",
  };
  size_t last = 0;
  for (const std::string& line : in_order) {
    const size_t at = log.IndexOf(line);
    ASSERT_LT(at, log.lines.size()) << "missing: " << line;
    EXPECT_GE(at, last) << "out of order: " << line;
    last = at;
  }
  EXPECT_EQ("Exit code: 3010 (finished; a restart of Windows is needed)", log.lines.back());
}

TEST(Log, ShortPathsAreNamedByTheirLongFormsAndRegistryChangesByTheirKeys) {
  auto m = Load("nt-word");
  LinesSink log;
  RunProgram(*m, "MSWORD NOREBOOT /LOG=x", &log);
  EXPECT_TRUE(log.Has("Deleted file C:\\Program Files\\Docseal\\Stamps\\DRAFT.STB"))
      << "deleted as C:\\PROGRA~1\\...";
  EXPECT_TRUE(log.Has("Deleted key HKEY_LOCAL_MACHINE\\Software\\Docseal4\\MSWord\\Defaults"));
  EXPECT_TRUE(log.Has(
      "  Kept file C:\\Program Files\\Docseal\\Stamps\\PASTDUE.STS: it is in use by another "
      "program (error 32); not scheduled, NOREBOOT"));
}

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
