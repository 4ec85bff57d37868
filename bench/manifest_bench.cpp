#include <benchmark/benchmark.h>

#include <string>

#include "manifest/file_manifest.h"

namespace {

// Builds the manifest for one variant code over a resolver that gives each folder its own path.
void BM_BuildManifest(benchmark::State& state, const std::string& variant_code) {
  vrx::FileManifest manifest;
  const vrx::DirectoryResolver resolve = [](const std::string& token) {
    return "C:\\Docseal\\" + token;
  };
  for (auto _ : state) {
    vrx::BuildManifest(manifest, variant_code, resolve);
    benchmark::DoNotOptimize(manifest.data());
    benchmark::ClobberMemory();
  }
}

BENCHMARK_CAPTURE(BM_BuildManifest, MSWORD, std::string("MSWORD"));
BENCHMARK_CAPTURE(BM_BuildManifest, WPWIN7, std::string("WPWIN7"));
BENCHMARK_CAPTURE(BM_BuildManifest, WPWIN8, std::string("WPWIN8"));
BENCHMARK_CAPTURE(BM_BuildManifest, WPWIN9, std::string("WPWIN9"));

}  // namespace
