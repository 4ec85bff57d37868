// The folders of src/ are layers; a file includes only its own layer and the layers below it.
//
//   platform           the seam: the operating system's interfaces, Word's object model, statuses
//   platform/sim       the simulated machine      } each an implementation of the seam; neither
//   platform/win32     the real Windows API       } includes the other
//   manifest           the add-in's file manifest
//   state              the program-wide state
//   helpers            registry tools, directory tokens, the platform family
//   removal, progress  removing a variant; the progress and restart windows (neither includes
//                      the other)
//   wizard             the wizard and the uninstall run
//   startup            Main and the program that owns the forms
//   deploy             quiet runs and the log (deploy/win32: its Windows side)
//   preview            the snapshot and the what-if (preview/win32: its Windows side)
//   simulator          a whole run on a simulated machine, as vrxuninst-sim makes it
//   tests              every *_test.cpp and everything under testing/
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace vrx {
namespace {

// The layer of a file, by its path below src/ with forward slashes.
std::string LayerOf(const std::string& path) {
  auto ends_with = [&](const std::string& tail) {
    return path.size() >= tail.size() &&
           path.compare(path.size() - tail.size(), tail.size(), tail) == 0;
  };
  if (ends_with("_test.cpp") || path.rfind("testing/", 0) == 0) return "tests";
  if (path == "state/program.h" || path == "state/variants.h") return "state";
  if (path.rfind("platform/sim/", 0) == 0) return "platform/sim";
  if (path.rfind("platform/win32/", 0) == 0) return "platform/win32";
  return path.substr(0, path.find('/'));
}

int RankOf(const std::string& layer) {
  static const std::map<std::string, int> kRanks = {
      {"platform", 0}, {"platform/sim", 1}, {"platform/win32", 1}, {"manifest", 2}, {"state", 3},
      {"helpers", 4},  {"removal", 5},      {"progress", 5},       {"wizard", 6},   {"startup", 7},
      {"deploy", 8},   {"preview", 9},      {"simulator", 10},     {"tests", 11}};
  auto it = kRanks.find(layer);
  return it == kRanks.end() ? -1 : it->second;
}

// Whether the file at `from` may include the file at `to` (both below src/).
bool MayInclude(const std::string& from, const std::string& to) {
  const std::string a = LayerOf(from);
  const std::string b = LayerOf(to);
  return a == b || RankOf(b) < RankOf(a);
}

TEST(Layers, TheOrderItselfRefusesUpwardAndSidewaysIncludes) {
  EXPECT_TRUE(MayInclude("removal/remove_variant.cpp", "state/program.h"));
  EXPECT_TRUE(MayInclude("wizard/uninstall_run.cpp", "removal/remove_variant.h"));
  EXPECT_TRUE(MayInclude("removal/remove_variant_test.cpp", "wizard/uninstall_form.h"));
  EXPECT_FALSE(MayInclude("removal/remove_variant.cpp", "wizard/uninstall_form.h"));
  EXPECT_FALSE(MayInclude("removal/remove_variant.cpp", "progress/processing_form.h"));
  EXPECT_FALSE(MayInclude("helpers/directory_tokens.cpp", "startup/main.h"));
  EXPECT_FALSE(MayInclude("platform/platform.h", "helpers/registry_tools.h"));
  EXPECT_FALSE(MayInclude("platform/sim/sim_word.cpp", "platform/win32/win32_com.h"));
  EXPECT_FALSE(MayInclude("platform/win32/win32_ui.cpp", "deploy/run_log.h"));
  EXPECT_FALSE(MayInclude("deploy/run_log.cpp", "testing/fault_injection.h"));
}

TEST(Layers, NoIncludeRunsFromALowerLayerToAHigherOne) {
  namespace fs = std::filesystem;
  const fs::path root = fs::path(VRX_SOURCE_DIR) / "src";
  std::vector<std::string> wrong;
  int files = 0;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    const std::string ext = entry.path().extension().string();
    if (!entry.is_regular_file() || (ext != ".h" && ext != ".cpp")) continue;
    ++files;
    const std::string from = entry.path().lexically_relative(root).generic_string();
    if (RankOf(LayerOf(from)) < 0) wrong.push_back(from + " is in no layer");
    std::ifstream in(entry.path());
    for (std::string line; std::getline(in, line);) {
      if (line.rfind("#include \"", 0) != 0) continue;
      const std::string to = line.substr(10, line.find('"', 10) - 10);
      if (!fs::exists(root / to)) continue;  // a file beside it, not one of src/'s layers
      if (!MayInclude(from, to)) {
        wrong.push_back(from + " (" + LayerOf(from) + ") includes " + to + " (" + LayerOf(to) +
                        ")");
      }
    }
  }
  EXPECT_GT(files, 100) << "the sources were not found under " << root;
  EXPECT_EQ(std::vector<std::string>{}, wrong);
}

}  // namespace
}  // namespace vrx
