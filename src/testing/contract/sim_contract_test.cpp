// The registry, file-system and process contracts, run against the simulated machine.
#include "platform/sim/sim_files.h"
#include "platform/sim/sim_platform.h"
#include "platform/sim/sim_registry.h"
#include "platform/sim/sim_word.h"
#include "platform/sim/transcript.h"
#include "testing/contract/files_contract.h"
#include "testing/contract/path_calls_contract.h"
#include "testing/contract/path_rules_contract.h"
#include "testing/contract/processes_contract.h"
#include "testing/contract/registry_contract.h"
#include "testing/contract/word_window_contract.h"

namespace vrx::contract {
namespace {

template <int kFamily>
class SimRegistryEnv {
 public:
  SimRegistryEnv() : registry_(kFamily) {
    EXPECT_EQ(kOk, registry_.CreateKey(kHkeyCurrentUser, "Software\\VRXContract", 0, kKeyAllUsed,
                                       &root_, nullptr));
  }
  Registry& registry() { return registry_; }
  HKey root() const { return root_; }
  int platform_family() const { return kFamily; }
  bool Deviates(Deviation) const { return false; }

 private:
  sim::SimRegistry registry_;
  HKey root_ = 0;
};

class SimFilesEnv {
 public:
  SimFilesEnv() : system_(&facts_, &files_, &transcript_) { MakeFolder(root()); }
  Files& files() { return files_; }
  System& system() { return system_; }
  std::string root() const { return "C:\\CONTRACT"; }
  void MakeFolder(const std::string& path) { EXPECT_TRUE(files_.AddDirectory(path)) << path; }
  void MakeFile(const std::string& path, const std::string& contents, uint32_t attributes) {
    EXPECT_TRUE(files_.AddFile(path, contents, attributes)) << path;
  }
  void HoldOpen(const std::string& path) { EXPECT_TRUE(files_.SetInUse(path, true)) << path; }
  std::string Contents(const std::string& path) const {
    return files_.Contents(path).value_or("<missing>");
  }
  std::string other_drive() {
    MakeFolder("D:\\CONTRACT");
    return "D:\\CONTRACT";
  }
  bool Deviates(Deviation) const { return false; }

 private:
  sim::SystemFacts facts_;
  sim::SimFiles files_;
  sim::Transcript transcript_;
  sim::SimSystem system_;
};

class SimProcessesEnv {
 public:
  SimProcessesEnv() { MakeFolder(root()); }
  Processes& processes() { return processes_; }
  std::string root() const { return "C:\\CONTRACT"; }
  void MakeFolder(const std::string& path) { EXPECT_TRUE(files_.AddDirectory(path)) << path; }
  void MakeFile(const std::string& path, const std::string& bytes) {
    EXPECT_TRUE(files_.AddFile(path, bytes)) << path;
  }
  void MakeProgram(const std::string& path) {
    MakeFile(path, "MZ");
    processes_.programs.push_back({path.substr(0, path.size() - 4), "program"});
  }

 private:
  sim::SimFiles files_;
  sim::Transcript transcript_;
  sim::SimProcesses processes_{&files_, &transcript_};
};

using SimRegistries = ::testing::Types<SimRegistryEnv<2>, SimRegistryEnv<1>>;
INSTANTIATE_TYPED_TEST_SUITE_P(Sim, RegistryContract, SimRegistries);

using SimFileSystems = ::testing::Types<SimFilesEnv>;
INSTANTIATE_TYPED_TEST_SUITE_P(Sim, FilesContract, SimFileSystems);
INSTANTIATE_TYPED_TEST_SUITE_P(Sim, PathCallsContract, SimFileSystems);
INSTANTIATE_TYPED_TEST_SUITE_P(Sim, ValueEnumContract, SimRegistries);
INSTANTIATE_TYPED_TEST_SUITE_P(Sim, PathRulesContract, SimFileSystems);

using SimProcessTables = ::testing::Types<SimProcessesEnv>;
INSTANTIATE_TYPED_TEST_SUITE_P(Sim, ProcessesContract, SimProcessTables);

class SimWordEnv {
 public:
  Automation& automation() { return word_; }
  void OpenUnreachableWord() {
    word_.facts.unreachable = 1;
    word_.StartRunningInstances();
  }
  TaskId unreachable_owner() { return word_.Find(1)->task; }

 private:
  sim::Transcript transcript_;
  sim::SimWord word_{&transcript_};
};

using SimWords = ::testing::Types<SimWordEnv>;
INSTANTIATE_TYPED_TEST_SUITE_P(Sim, WordWindowContract, SimWords);

}  // namespace
}  // namespace vrx::contract
