// LiveFiles and ImageFolder on a simulated machine's drives: a snapshot of a simulated machine,
// written onto the same machine, as the real program does on Windows.
#pragma once

#include "platform/sim/sim_files.h"
#include "platform/sim/sim_platform.h"
#include "preview/host_calls.h"

namespace vrx::preview {

// A program the machine can start ([programs]) is a file there too, as it is on Windows, whether
// or not the image holds one: `programs` (may be null) are shown as files where none is.
class SimLiveFiles : public LiveFiles {
 public:
  explicit SimLiveFiles(const sim::SimFiles* files,
                        const std::vector<sim::ProgramEntry>* programs = nullptr)
      : files_(files), programs_(programs) {}
  [[nodiscard]] Status Stat(const std::string& path, LiveEntry* entry) override;
  [[nodiscard]] Status List(const std::string& folder, std::vector<LiveEntry>* entries) override;
  [[nodiscard]] Status InUse(const std::string& path, bool* in_use) override;
  [[nodiscard]] Status Read(const std::string& path, std::string* bytes) override;
  [[nodiscard]] Status DriveTarget(char drive, std::string* target) override;

 private:
  // The programs that are not files, as entries of `folder` (a long path).
  std::vector<LiveEntry> ProgramsIn(const std::string& folder) const;
  const sim::SimFiles* files_;
  const std::vector<sim::ProgramEntry>* programs_;
};

class SimImageFolder : public ImageFolder {
 public:
  explicit SimImageFolder(sim::SimFiles* files) : files_(files) {}
  [[nodiscard]] Status Probe(const std::string& path, bool* exists, bool* empty_folder) override;
  [[nodiscard]] Status MakeFolder(const std::string& path) override;
  [[nodiscard]] Status WriteNewFile(const std::string& path, const std::string& bytes) override;
  [[nodiscard]] Status Remove(const std::string& path, bool folder) override;

 private:
  sim::SimFiles* files_;
};

}  // namespace vrx::preview
