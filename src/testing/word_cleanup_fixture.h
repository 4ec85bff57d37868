// The fixture of the Word clean-up tests: a simulated machine with guards that turn a wait
// without end into a failed test, a program on it, and the Words and texts the tests use.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/form.h"
#include "platform/forwarding_platform.h"
#include "platform/sim/sim_machine.h"
#include "progress/processing_form.h"
#include "state/program.h"
#include "testing/fault_injection.h"
#include "wizard/uninstall_form.h"

namespace vrx::word_cleanup_testing {

inline constexpr const char* kOffice97 = "C:\\Program Files\\Microsoft Office\\Office";
inline constexpr const char* kWord97Command = "C:\\PROGRA~1\\MICROS~1\\Office\\winword.exe /m";
inline constexpr const char* kShort97 = "C:\\PROGRA~1\\MICROS~1\\Office";
inline constexpr const char* kShort2000 = "C:\\PROGRA~1\\MICROS~2\\Office";
inline constexpr const char* kOffice2000 = "C:\\Program Files\\Microsoft Office 2000\\Office";
inline constexpr const char* kWord2000Command = "C:\\PROGRA~1\\MICROS~2\\Office\\winword.exe /m";

inline constexpr const char* kStillRunning =
    "Microsoft Word was still running, so its Docseal menus and keys remain.";
inline constexpr const char* kNoAnswer =
    "Microsoft Word did not say whether it was running, so its Docseal menus and keys remain.";
inline constexpr const char* kWord97DidNotAnswer =
    "Microsoft Word 97 did not answer; its Docseal menus and keys may remain.";
inline constexpr const char* kUnreachable =
    "Microsoft Word was running and could not be closed, so its Docseal menus and keys may "
    "remain.";

// Lets a wait that never ends fail the test instead of hanging it.
class PumpGuard : public ForwardingUi {
 public:
  using ForwardingUi::ForwardingUi;
  void PumpEvents() override {
    if (++pumps_ > kMostPumps) throw std::runtime_error("a wait for Word did not end");
    ForwardingUi::PumpEvents();
  }

 private:
  static constexpr int kMostPumps = 100000;  // well over an hour of the simulated clock
  int pumps_ = 0;
};

// The same for a wait that asks Word again and again without letting the clock move.
class LookupGuard : public ForwardingAutomation {
 public:
  using ForwardingAutomation::ForwardingAutomation;
  Status GetRunningWord(const std::string& class_name,
                        std::unique_ptr<WordApplication>* application) override {
    if (++lookups_ > kMostLookups) throw std::runtime_error("Word was asked for without end");
    return ForwardingAutomation::GetRunningWord(class_name, application);
  }

 private:
  static constexpr int kMostLookups = 100000;
  int lookups_ = 0;
};

class WordCleanupTest : public ::testing::Test {
 protected:
  WordCleanupTest() {
    program.Processing().Load();
    EXPECT_TRUE(program.Processing().ProgressBar1().SetMax(1000));
    program.UnInstall().nStartProgress = 1;
    machine.clock.Set(36000);
  }

  // Registers a Word in `directory` whose Normal template is `kind` ("word97", "word2000").
  void InstallWord(const std::string& kind, const std::string& directory, bool startable = true) {
    ASSERT_TRUE(machine.files.AddFile(directory + "\\WINWORD.EXE", "MZ"));
    if (kind == "word97") {
      SetSz("Software\\Microsoft\\Office\\8.0\\Common\\InstallRoot", "OfficeBin", directory);
    } else {
      SetSz("Software\\Microsoft\\Office\\9.0\\Common\\InstallRoot", "Path", directory);
    }
    if (startable) machine.processes.programs.push_back({directory + "\\WINWORD", kind});
    machine.word.templates[kind] = sim::WordTemplate::Parse(
        "File|Edit|Docseal|Help|Docseal", "New...|Docseal|Open...|View Docseal Manual|Docseal|Exit",
        "592:DocsealPrint|891:DocsealPrint");
  }

  void SetSz(const std::string& key, const std::string& name, const std::string& text) {
    machine.registry.EnsureKey(kHkeyLocalMachine, key).SetValue(name, kRegSz, text + '\0');
  }

  std::vector<std::string> Details() const {
    return {program.state.DetailMessages.begin(),
            program.state.DetailMessages.begin() + (program.state.DetailMessagesLast + 1)};
  }

  // Index of the first transcript line that starts with `prefix`; -1 when there is none.
  int LineIndex(const std::string& prefix) const {
    const auto& lines = machine.transcript.lines();
    for (size_t i = 0; i < lines.size(); ++i) {
      if (lines[i].rfind(prefix, 0) == 0) return static_cast<int>(i);
    }
    return -1;
  }
  int LineCount(const std::string& text) const {
    const auto& lines = machine.transcript.lines();
    return static_cast<int>(std::count_if(lines.begin(), lines.end(), [&](const std::string& l) {
      return l.find(text) != std::string::npos;
    }));
  }

  int16_t Counter() { return program.UnInstall().nStartProgress; }

  // A program on the same machine whose calls go through `faults` (made over the guards).
  std::unique_ptr<Program> ProgramWithFaults(std::unique_ptr<FaultInjection>& faults) {
    faults = std::make_unique<FaultInjection>(program.platform());
    auto faulty = std::make_unique<Program>(faults->platform());
    faulty->Processing().Load();
    EXPECT_TRUE(faulty->Processing().ProgressBar1().SetMax(1000));
    faulty->UnInstall().nStartProgress = 1;
    return faulty;
  }

  // Starts a Word of the user's, with an unsaved document, before the program runs.
  void UserWord(int cancel_saves) {
    machine.word.facts.running = 1;
    machine.word.facts.cancel_saves = cancel_saves;
    machine.word.StartRunningInstances();
  }

  sim::SimMachine machine;
  PumpGuard ui{&machine.ui};
  LookupGuard automation{&machine.word};
  Program program{
      Forward(machine.platform(), nullptr, nullptr, nullptr, nullptr, &automation, &ui)};
};
}  // namespace vrx::word_cleanup_testing
