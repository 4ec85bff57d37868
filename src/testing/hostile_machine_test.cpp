// Generated hostile machines (testing/hostile_machine.h), each run as vrxuninst-sim runs it and
// judged by the oracle (testing/oracle.h); and the cases kept in tests/hostile/, replayed.
//
// By hand, for as long as one likes (runs are split over four shards; the seed of run N is the
// base seed plus N):
//   VRX_HOSTILE_RUNS=1000000 VRX_HOSTILE_SEED=7 build/native/vrx_tests
//   --gtest_filter='Shards/Hostile*'
// A failing run stops its shard and prints the seed that repeats it alone
//   VRX_HOSTILE_RUNS=1 VRX_HOSTILE_SEED=<seed> build/native/vrx_tests
//   --gtest_filter='Shards/Hostile*'
// and the folder its shrunk case went to (VRX_HOSTILE_OUT, by default hostile-failures/ in the
// current folder), which replays with
//   build/native/vrxuninst-sim --machine DIR/machine --script DIR/script -- $(cat DIR/words)
// and, once its fault is mended, is kept as a folder of tests/hostile/.
#include "testing/hostile_machine.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <iostream>

namespace vrx::hostile {
namespace {

#ifdef VRX_SANITIZED
constexpr long kRuns = 500;
#else
constexpr long kRuns = 5000;
#endif
constexpr int kShards = 4;

long EnvNumber(const char* name, long fallback) {
  const char* text = std::getenv(name);
  return text != nullptr && *text != '\0' ? std::strtol(text, nullptr, 10) : fallback;
}

std::string Lines(const std::vector<std::string>& lines) {
  std::string out;
  for (const std::string& line : lines) out += "\n  " + line;
  return out;
}

class Hostile : public ::testing::TestWithParam<int> {};

TEST_P(Hostile, GeneratedMachinesLoseNothing) {
  const long runs = EnvNumber("VRX_HOSTILE_RUNS", kRuns);
  const uint64_t base = static_cast<uint64_t>(EnvNumber("VRX_HOSTILE_SEED", 20240701));
  long done = 0;
  for (long run = GetParam(); run < runs; run += kShards, ++done) {
    const uint64_t seed = base + static_cast<uint64_t>(run);
    SeededChoices choices(seed);
    Case c = Generate(choices, VRX_SOURCE_DIR);
    const std::vector<std::string> verdict = RunAndJudge(c);
    if (done % 10000 == 9999)
      std::cout << "hostile shard " << GetParam() << ": " << done + 1 << " machines so far"
                << std::endl;
    if (verdict.empty()) continue;
    const Case small = Shrink(c, verdict);
    const char* out = std::getenv("VRX_HOSTILE_OUT");
    const std::filesystem::path folder = std::filesystem::absolute(
        std::filesystem::path(out != nullptr && *out != '\0' ? out : "hostile-failures") /
        ("seed-" + std::to_string(seed)));
    std::filesystem::remove_all(folder);
    std::string error;
    const bool kept = WriteCase(small, folder, &error);
    ADD_FAILURE() << "VRX_HOSTILE_SEED=" << seed << " VRX_HOSTILE_RUNS=1:" << Lines(verdict)
                  << "\nshrunk to " << (kept ? folder.string() : error) << ":"
                  << Lines(RunAndJudge(small)) << "\nthe case:" << Lines(c.recipe);
    break;
  }
  std::cout << "hostile shard " << GetParam() << ": " << done << " machines\n";
}

INSTANTIATE_TEST_SUITE_P(Shards, Hostile, ::testing::Range(0, kShards));

TEST(HostileKept, EveryKeptCaseLosesNothing) {
  const std::filesystem::path kept = std::filesystem::path(VRX_SOURCE_DIR) / "tests" / "hostile";
  if (!std::filesystem::is_directory(kept)) return;
  for (const auto& entry : std::filesystem::directory_iterator(kept)) {
    Case c;
    std::string error;
    ASSERT_TRUE(ReadCase(entry.path(), &c, &error)) << error;
    EXPECT_EQ(std::vector<std::string>{}, RunAndJudge(c)) << entry.path();
  }
}

}  // namespace
}  // namespace vrx::hostile
