// Whole runs on hostile machines (testing/hostile_machine.h) made from the fuzzer's bytes, each
// judged by the oracle (testing/oracle.h): a run the oracle fails is shrunk, written as a case
// folder under build/fuzz/found-cases/ and ends the fuzzer.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "testing/hostile_machine.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vrx::hostile::ByteChoices choices(data, size);
  vrx::hostile::Case c = vrx::hostile::Generate(choices, VRX_SOURCE_DIR);
  const std::vector<std::string> verdict = vrx::hostile::RunAndJudge(c);
  if (verdict.empty()) return 0;
  for (const std::string& line : verdict) std::fprintf(stderr, "oracle: %s\n", line.c_str());
  const std::string folder = std::string(VRX_SOURCE_DIR) + "/build/fuzz/found-cases/case";
  std::string error;
  if (vrx::hostile::WriteCase(vrx::hostile::Shrink(c, verdict), folder, &error)) {
    std::fprintf(stderr, "shrunk case: %s\n", folder.c_str());
  }
  std::abort();
}
