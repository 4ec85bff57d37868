// The cases of tests/cases/: each file is a machine, the runs made on it and what must hold
// afterwards, one statement a line ("#" starts a comment):
//
//   machine FOLDER          the image to start from, relative to the source tree
//   event TRIGGER|ACTION    an [events] entry added to the machine (sim_machine.h)
//   file PATH TEXT...       a file put on the machine before the runs (TEXT may be empty)
//   value KEY|NAME|TEXT     a REG_SZ value set before the runs (KEY begins HKLM\, HKCU\ or HKU\;
//                           expand: the same as REG_EXPAND_SZ)
//   alias NAME=TARGET       another name of a folder, as an [aliases] line of machine.ini
//   run WORDS...            a run with that command line, on the machine as the last one left it;
//                           the script lines after it (tick, untick, click, answer) are its own
//   restart                 the next start of Windows
//   exit N                  the last run's exit code
//   said TEXT               some transcript line of the last run holds TEXT (not-said: none does)
//   log PATH TEXT           the file PATH holds TEXT (no-log: it does not)
//   exists PATH             the file or folder is there afterwards (gone: it is not)
//   summary TEXT            the account of what the runs did holds TEXT (no-summary: it does not)
//   same                    nothing on the machine changed but the files the checks name (a
//                           preview's log)
//
// A case that fails names its file and line.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/sim/machine_image.h"
#include "platform/sim/machine_summary.h"
#include "platform/sim/sim_machine.h"
#include "platform/windows_names.h"
#include "simulator/script.h"
#include "simulator/session.h"

namespace vrx::simulator {
namespace {

namespace fs = std::filesystem;

fs::path CasesFolder() { return fs::path(VRX_SOURCE_DIR) / "tests" / "cases"; }

std::vector<std::string> CaseNames() {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(CasesFolder())) {
    if (entry.path().extension() == ".case") names.push_back(entry.path().stem().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

// The word after the verb, and the rest of the line after it.
std::string Split(const std::string& rest, std::string* tail) {
  const size_t blank = rest.find(' ');
  *tail = blank == std::string::npos ? "" : rest.substr(blank + 1);
  return rest.substr(0, blank);
}

class CaseRunner {
 public:
  explicit CaseRunner(std::string name) : name_(std::move(name)) {}

  void Run() {
    std::ifstream in(CasesFolder() / (name_ + ".case"));
    ASSERT_TRUE(in) << name_;
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    for (size_t i = 0; i < lines.size(); ++i) {
      line_ = static_cast<int>(i + 1);
      std::string text = lines[i].substr(0, lines[i].find('#'));
      while (!text.empty() && (text.back() == ' ' || text.back() == '\r')) text.pop_back();
      if (text.empty()) continue;
      std::string rest;
      const std::string verb = Split(text, &rest);
      if (verb == "run") {
        // The script lines that follow belong to this run.
        std::string script;
        while (i + 1 < lines.size() && IsScriptLine(lines[i + 1])) script += lines[++i] + "\n";
        DoRun(rest, script);
      } else {
        Statement(verb, rest);
      }
      if (::testing::Test::HasFatalFailure()) return;
    }
  }

 private:
  static bool IsScriptLine(const std::string& line) {
    for (const char* verb : {"tick ", "untick ", "click ", "answer "}) {
      if (line.rfind(verb, 0) == 0) return true;
    }
    return false;
  }

  std::string Where() const { return name_ + ".case:" + std::to_string(line_); }

  void DoRun(const std::string& words, const std::string& script) {
    ASSERT_TRUE(machine_) << Where() << ": run before machine";
    std::vector<ScriptAction> actions;
    std::string error;
    ASSERT_TRUE(ParseScriptText(script, Where(), &actions, &error)) << error;
    const size_t first = machine_->transcript.lines().size();
    end_ = RunSession(*machine_, words, actions);
    const auto& all = machine_->transcript.lines();
    said_.assign(all.begin() + static_cast<long>(first), all.end());
  }

  bool Said(const std::string& text) const {
    for (const std::string& line : said_) {
      if (line.find(text) != std::string::npos) return true;
    }
    return false;
  }

  void Statement(const std::string& verb, const std::string& rest) {
    std::string tail;
    if (verb == "machine") {
      machine_ = std::make_unique<sim::SimMachine>();
      std::string error;
      ASSERT_TRUE(sim::LoadMachineImage(fs::path(VRX_SOURCE_DIR) / rest, machine_.get(), &error))
          << Where() << ": " << error;
      before_ = sim::TakeSnapshot(*machine_);
      return;
    }
    ASSERT_TRUE(machine_) << Where() << ": " << verb << " before machine";
    if (verb == "event") {
      sim::SimEvent event;
      ASSERT_TRUE(sim::SimEvent::Parse(rest, &event)) << Where() << ": not an event";
      machine_->events.push_back(event);
    } else if (verb == "file") {
      const std::string path = Split(rest, &tail);
      ASSERT_TRUE(machine_->files.AddFile(path, tail)) << Where();
      before_ = sim::TakeSnapshot(*machine_);
    } else if (verb == "value" || verb == "expand") {
      const size_t a = rest.find('|'), b = rest.find('|', a + 1);
      ASSERT_TRUE(b != std::string::npos && rest.size() > 5) << Where() << ": KEY|NAME|TEXT";
      const size_t hive_end = rest.find('\\');
      const std::string hive_name = rest.substr(0, hive_end);
      const HKey hive = hive_name == "HKCU"  ? kHkeyCurrentUser
                        : hive_name == "HKU" ? kHkeyUsers
                                             : kHkeyLocalMachine;
      machine_->registry.EnsureKey(hive, rest.substr(hive_end + 1, a - hive_end - 1))
          .SetValue(rest.substr(a + 1, b - a - 1), verb == "value" ? kRegSz : kRegExpandSz,
                    rest.substr(b + 1) + '\0');
      before_ = sim::TakeSnapshot(*machine_);
    } else if (verb == "alias") {
      const size_t eq = rest.rfind('=');
      ASSERT_NE(std::string::npos, eq) << Where() << ": NAME=TARGET";
      EXPECT_EQ("", machine_->files.AddAlias(rest.substr(0, eq), rest.substr(eq + 1))) << Where();
    } else if (verb == "restart") {
      machine_->Restart();
    } else if (verb == "exit") {
      EXPECT_TRUE(end_.ended) << Where() << ": the run did not end";
      EXPECT_EQ(std::stoi(rest), end_.exit_code) << Where();
    } else if (verb == "said" || verb == "not-said") {
      std::string transcript;
      for (const std::string& line : said_) transcript += "\n  " + line;
      EXPECT_EQ(verb == "said", Said(rest)) << Where() << ": " << rest << transcript;
    } else if (verb == "log" || verb == "no-log") {
      const std::string path = Split(rest, &tail);
      const std::string text = machine_->files.Contents(path).value_or("");
      EXPECT_EQ(verb == "log", text.find(tail) != std::string::npos)
          << Where() << ": " << tail << "\n"
          << text;
      named_.push_back(FoldName(path));
    } else if (verb == "exists" || verb == "gone") {
      EXPECT_EQ(verb == "exists", machine_->files.Exists(rest)) << Where() << ": " << rest;
    } else if (verb == "summary" || verb == "no-summary") {
      const std::string summary = sim::Summarize(before_, *machine_);
      EXPECT_EQ(verb == "summary", summary.find(rest) != std::string::npos)
          << Where() << ": " << rest << "\n"
          << summary;
    } else if (verb == "same") {
      sim::MachineSnapshot now = sim::TakeSnapshot(*machine_);
      for (const std::string& path : named_) now.files.erase(path);
      for (const auto& [path, file] : before_.files) {
        if (now.files.count(path) == 0) ADD_FAILURE() << Where() << ": gone " << path;
      }
      EXPECT_TRUE(now.files == before_.files && now.folders == before_.folders &&
                  now.keys == before_.keys && now.values == before_.values)
          << Where() << ": the machine changed\n"
          << sim::Summarize(before_, *machine_);
    } else {
      FAIL() << Where() << ": unknown statement " << verb;
    }
  }

  std::string name_;
  int line_ = 0;
  std::unique_ptr<sim::SimMachine> machine_;
  sim::MachineSnapshot before_;
  SessionEnd end_;
  std::vector<std::string> said_;
  std::vector<std::string> named_;  // files the checks read: a preview's log
};

class Cases : public ::testing::TestWithParam<std::string> {};

TEST_P(Cases, Hold) { CaseRunner(GetParam()).Run(); }

INSTANTIATE_TEST_SUITE_P(Files, Cases, ::testing::ValuesIn(CaseNames()),
                         [](const ::testing::TestParamInfo<std::string>& param) {
                           std::string name = param.param;
                           for (char& c : name) {
                             if (!isalnum(static_cast<unsigned char>(c))) c = '_';
                           }
                           return name;
                         });

}  // namespace
}  // namespace vrx::simulator
