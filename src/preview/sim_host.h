// LiveFiles and ImageFolder on a simulated machine's drives: a snapshot of a simulated machine,
// written onto the same machine, as the real program does on Windows.
#pragma once

#include "platform/sim/sim_files.h"
#include "preview/host_calls.h"

namespace vrx::preview {

class SimLiveFiles : public LiveFiles {
 public:
  explicit SimLiveFiles(const sim::SimFiles* files) : files_(files) {}
  [[nodiscard]] Status Stat(const std::string& path, LiveEntry* entry) override;
  [[nodiscard]] Status List(const std::string& folder, std::vector<LiveEntry>* entries) override;
  [[nodiscard]] Status Read(const std::string& path, std::string* bytes) override;

 private:
  const sim::SimFiles* files_;
};

class SimImageFolder : public ImageFolder {
 public:
  explicit SimImageFolder(sim::SimFiles* files) : files_(files) {}
  [[nodiscard]] Status Probe(const std::string& path, bool* exists, bool* empty_folder) override;
  [[nodiscard]] Status MakeFolder(const std::string& path) override;
  [[nodiscard]] Status WriteNewFile(const std::string& path, const std::string& bytes) override;

 private:
  sim::SimFiles* files_;
};

}  // namespace vrx::preview
