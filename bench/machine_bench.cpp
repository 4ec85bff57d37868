// How the simulated machine grows with its size. The machine is the sample with every variant
// (samples/win98-all), made larger in memory: N keys under each variant's key, N/10 entries in
// the add-in's Start Menu group, N unrelated keys with N unrelated shared-component counts, and N
// unrelated files, half of them beside the add-in's in the system folder under long names that
// share their first characters. Loading the image, the run that removes every variant through the
// wizard, and writing the image are timed separately, at N = 1000, 2000, 4000 and 8000.
//
//   build/native/vrx_bench --benchmark_filter=Machine
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "platform/sim/sim_machine.h"
#include "progress/processing_form.h"
#include "progress/reboot_form.h"
#include "state/program.h"
#include "wizard/uninstall_form.h"

namespace {

namespace fs = std::filesystem;
using vrx::sim::SimMachine;

std::string Number(int i) {
  char text[16];
  std::snprintf(text, sizeof text, "%05d", i);
  return text;
}

std::string Text(const std::string& text) { return text + std::string(1, '\0'); }

std::unique_ptr<SimMachine> Generate(int n) {
  auto m = std::make_unique<SimMachine>();
  std::string error;
  if (!vrx::sim::LoadMachineImage(fs::path(VRX_SOURCE_DIR) / "samples" / "win98-all", m.get(),
                                  &error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    std::abort();
  }
  for (const char* variant : {"MSWord", "WPWIN7", "WPWIN8", "WPWIN9"}) {
    for (int i = 0; i < n; ++i) {
      m->registry
          .EnsureKey(vrx::kHkeyLocalMachine,
                     std::string("Software\\Docseal4\\") + variant + "\\Stamps\\Stamp " + Number(i))
          .SetValue("File", vrx::kRegSz, Text("STAMP" + Number(i) + ".STB"));
    }
  }
  bool ok = true;
  for (int i = 0; i < n / 10; ++i) {
    ok &= m->files.AddFile(
        "C:\\WINDOWS\\Start Menu\\Programs\\Docseal 4.0\\Stamp Shortcut " + Number(i) + ".lnk",
        "L");
  }
  vrx::sim::SimKey& shared = m->registry.EnsureKey(
      vrx::kHkeyLocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs");
  for (int i = 0; i < n; ++i) {
    m->registry.EnsureKey(vrx::kHkeyLocalMachine, "Software\\Other Vendor\\Product " + Number(i))
        .SetValue("Path", vrx::kRegSz, Text("C:\\Other Vendor\\Data " + Number(i / 100)));
    shared.SetValue("C:\\WINDOWS\\SYSTEM\\OTHER" + Number(i) + ".DLL", vrx::kRegDword,
                    std::string("\x01\0\0\0", 4));
    const std::string file =
        i % 2 == 0 ? "C:\\WINDOWS\\SYSTEM\\Other Library " + Number(i) + ".dll"
                   : "C:\\Other Vendor\\Data " + Number(i / 100) + "\\Record " + Number(i) + ".dat";
    ok &= m->files.AddFile(file, "data " + Number(i));
  }
  if (!ok) std::abort();
  return m;
}

// One generated machine and its image on disk per size, made once.
struct Sample {
  std::unique_ptr<SimMachine> machine;
  fs::path image;
};

class Samples {
 public:
  ~Samples() {
    std::error_code ec;
    fs::remove_all(root_, ec);
  }
  const Sample& Get(int n) {
    Sample& sample = samples_[n];
    if (!sample.machine) {
      sample.machine = Generate(n);
      sample.image = root_ / ("image-" + std::to_string(n));
      std::string error;
      if (!vrx::sim::WriteMachineImage(*sample.machine, sample.image, &error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        std::abort();
      }
    }
    return sample;
  }
  fs::path Scratch() { return root_ / ("out-" + std::to_string(++scratch_)); }

 private:
  // Images go to memory (tmpfs) where the host has it, so that the host's disk is not timed.
  fs::path root_ =
      (fs::is_directory("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path()) /
      ("vrx-bench-" + std::to_string(::getpid()));
  std::map<int, Sample> samples_;
  int scratch_ = 0;
};

Samples& TheSamples() {
  static Samples samples;
  return samples;
}

void BM_MachineLoad(benchmark::State& state) {
  const Sample& sample = TheSamples().Get(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    SimMachine machine;
    std::string error;
    if (!vrx::sim::LoadMachineImage(sample.image, &machine, &error)) state.SkipWithError("load");
  }
  state.SetComplexityN(state.range(0));
}

void BM_MachineRun(benchmark::State& state) {
  const Sample& sample = TheSamples().Get(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    state.PauseTiming();
    auto machine = std::make_unique<SimMachine>();
    vrx::sim::CopyMachine(*sample.machine, machine.get());
    machine->ui.answers = {vrx::kIdYes, vrx::kIdYes, vrx::kIdNo};
    state.ResumeTiming();
    {
      vrx::Program program(machine->platform());
      vrx::Main(program, "");
      vrx::UnInstallForm& wizard = program.UnInstall();
      for (int16_t i = 0; i < 4; ++i) {
        wizard.Check1(i).SetValue(1);
        wizard.Check1_Click(i);
      }
      wizard.cmdNext_Click();
      wizard.cmdNext_Click();
      program.Processing().cmdExit_Click();
      program.Reboot().cmdLater_Click();
      if (!program.state.ChosenAll) state.SkipWithError("not every variant was removed");
    }
    state.PauseTiming();
    machine.reset();
    state.ResumeTiming();
  }
  state.SetComplexityN(state.range(0));
}

void BM_MachineWrite(benchmark::State& state) {
  const Sample& sample = TheSamples().Get(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    const fs::path out = TheSamples().Scratch();
    std::string error;
    if (!vrx::sim::WriteMachineImage(*sample.machine, out, &error)) state.SkipWithError("write");
    state.PauseTiming();
    std::error_code ec;
    fs::remove_all(out, ec);
    state.ResumeTiming();
  }
  state.SetComplexityN(state.range(0));
}

BENCHMARK(BM_MachineLoad)
    ->Arg(1000)
    ->Arg(2000)
    ->Arg(4000)
    ->Arg(8000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);
BENCHMARK(BM_MachineRun)
    ->Arg(1000)
    ->Arg(2000)
    ->Arg(4000)
    ->Arg(8000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);
BENCHMARK(BM_MachineWrite)
    ->Arg(1000)
    ->Arg(2000)
    ->Arg(4000)
    ->Arg(8000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

}  // namespace
