// Whole runs with failing calls: each distinct call made to fail once, and a seeded soak of runs
// in which every call may fail. After every run nothing of the user's may be lost (see
// testing/nothing_lost.h).
//
// The soak's size and seeds can be chosen by hand:
//   VRX_SOAK_RUNS=200000 VRX_SOAK_SEED=7 build/native/vrx_tests --gtest_filter='Soak*'
// A failing run prints the seed that repeats it alone (VRX_SOAK_RUNS=1 VRX_SOAK_SEED=that).
#include <gtest/gtest.h>

#include <cstdlib>
#include <iostream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "platform/sim/sim_machine.h"
#include "testing/fault_run.h"
#include "testing/sim_test_util.h"

namespace vrx {
namespace {

using sim::SimMachine;

#ifdef VRX_SANITIZED
// Runs are some twenty times slower under the sanitizers: there every seventh distinct call is
// failed (every 28th on the large Windows 98 machine), and the soak is a tenth as long; the plain
// build does all of it.
constexpr size_t kStride = 7;
constexpr size_t kLargeStride = 28;
constexpr long kSoakRuns = 1000;
#else
constexpr size_t kStride = 1;
constexpr size_t kLargeStride = 1;
constexpr long kSoakRuns = 10000;
#endif
constexpr int kSoakShards = 4;

// The machines the runs start from, each with the command line that removes all it has.
struct Scenario {
  const char* name;
  const char* command_line;
  std::unique_ptr<SimMachine> machine;
};

std::unique_ptr<SimMachine> Load(const std::string& folder) {
  return sim::testing::LoadImage(folder);
}

std::vector<Scenario>& Scenarios() {
  static std::vector<Scenario> scenarios = [] {
    std::vector<Scenario> all;
    all.push_back(
        {"win98-all", "MSWORD WPWIN7 WPWIN8 WPWIN9", Load(sim::testing::Sample("win98-all"))});
    all.push_back({"nt-word", "MSWORD", Load(sim::testing::Sample("nt-word"))});
    // A Word of the user's whose user cancels every save prompt.
    auto running = Load(sim::testing::Sample("nt-word"));
    running->word.facts.running = 1;
    running->word.facts.cancel_saves = 1000000;
    running->word.StartRunningInstances();
    all.push_back({"nt-word with a Word that will not quit", "MSWORD", std::move(running)});
    all.push_back({"nt-shared", "WPWIN8", Load(sim::testing::Sample("nt-shared"))});
    all.push_back(
        {"hostile", "MSWORD", Load(std::string(VRX_SOURCE_DIR) + "/tests/wine/machines/hostile")});
    // A hidden Wininit.ini with lines of its own, beside a user's read-only Wininit.vrx.
    all.push_back({"98-wininit", "MSWORD",
                   Load(std::string(VRX_SOURCE_DIR) + "/tests/wine/machines/98-wininit")});
    return all;
  }();
  return scenarios;
}

std::string Lines(const std::vector<std::string>& lines) {
  std::string out;
  for (const std::string& line : lines) out += "\n  " + line;
  return out;
}

// A part of one scenario's distinct calls: those whose number leaves `part` when divided by
// `parts` (the largest machine is split so that its parts run side by side).
struct CallShare {
  int scenario;
  int part;
  int parts;
  const char* name;
};

void PrintTo(const CallShare& share, std::ostream* out) { *out << share.name; }

class EveryDistinctCall : public ::testing::TestWithParam<CallShare> {};

TEST_P(EveryDistinctCall, FailingOnceLosesNothing) {
  const CallShare share = GetParam();
  Scenario& scenario = Scenarios()[static_cast<size_t>(share.scenario)];
  SCOPED_TRACE(scenario.name);
  FaultRunResult clean = RunUnderFaults(*scenario.machine, scenario.command_line,
                                        [](FaultInjection& faults) { faults.FailNothing(); });
  ASSERT_TRUE(clean.broken.empty()) << Lines(clean.broken);
  ASSERT_TRUE(clean.completed);
  size_t failed = 0;
  const size_t stride = share.parts > 1 ? kLargeStride : kStride;
  const size_t step = stride * static_cast<size_t>(share.parts);
  for (size_t i = stride * static_cast<size_t>(share.part); i < clean.distinct_calls.size();
       i += step, ++failed) {
    const std::string& call = clean.distinct_calls[i];
    FaultRunResult run = RunUnderFaults(*scenario.machine, scenario.command_line,
                                        [&](FaultInjection& faults) { faults.FailCall(call); });
    EXPECT_TRUE(run.broken.empty()) << "failing " << call << ":" << Lines(run.broken);
  }
  std::cout << scenario.name << ": " << clean.distinct_calls.size() << " distinct calls; " << failed
            << " of them made to fail once here\n";
  EXPECT_GT(clean.distinct_calls.size(), 100u);
}

std::string ShareName(const ::testing::TestParamInfo<CallShare>& param) { return param.param.name; }

INSTANTIATE_TEST_SUITE_P(
    Samples, EveryDistinctCall,
    ::testing::Values(CallShare{0, 0, 4, "Win98AllPart1"}, CallShare{0, 1, 4, "Win98AllPart2"},
                      CallShare{0, 2, 4, "Win98AllPart3"}, CallShare{0, 3, 4, "Win98AllPart4"},
                      CallShare{1, 0, 1, "NtWord"}, CallShare{2, 0, 1, "NtWordWithAUserWord"},
                      CallShare{5, 0, 1, "Win98HiddenWininit"}),
    ShareName);

long EnvNumber(const char* name, long fallback) {
  const char* text = std::getenv(name);
  return text != nullptr && *text != '\0' ? std::strtol(text, nullptr, 10) : fallback;
}

// Shard k of the soak takes runs k, k + shards, k + 2 shards ...; each run's seed is the base seed
// plus its number, and decides the machine and how often calls fail (one in 20 to one in 500).
class Soak : public ::testing::TestWithParam<int> {};

TEST_P(Soak, SeededRunsWithManyFailuresLoseNothing) {
  const long runs = EnvNumber("VRX_SOAK_RUNS", kSoakRuns);
  const uint64_t base = static_cast<uint64_t>(EnvNumber("VRX_SOAK_SEED", 20240601));
  long done = 0;
  long completed = 0;
  long failures = 0;
  for (long run = GetParam(); run < runs; run += kSoakShards) {
    const uint64_t seed = base + static_cast<uint64_t>(run);
    std::mt19937_64 pick(seed);
    Scenario& scenario = Scenarios()[pick() % Scenarios().size()];
    const uint32_t one_in = 20 + static_cast<uint32_t>(pick() % 481);
    FaultRunResult result =
        RunUnderFaults(*scenario.machine, scenario.command_line,
                       [&](FaultInjection& faults) { faults.FailOneIn(one_in, seed); });
    ++done;
    completed += result.completed ? 1 : 0;
    failures += static_cast<long>(result.failed_calls.size());
    if (!result.broken.empty()) {
      ADD_FAILURE() << "VRX_SOAK_SEED=" << seed << " VRX_SOAK_RUNS=1 (" << scenario.name
                    << ", one call in " << one_in << " fails):" << Lines(result.broken)
                    << "\nthe calls that failed:" << Lines(result.failed_calls);
      break;
    }
  }
  std::cout << "soak shard " << GetParam() << ": " << done << " runs (" << completed
            << " to the end), " << failures << " failed calls\n";
}

INSTANTIATE_TEST_SUITE_P(Shards, Soak, ::testing::Range(0, kSoakShards));

}  // namespace
}  // namespace vrx
