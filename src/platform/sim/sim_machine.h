// A whole simulated Windows machine: registry, drives, system, programs, Word, user and clock.
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/sim/machine_image.h"
#include "platform/sim/reg_file.h"
#include "platform/sim/sim_files.h"
#include "platform/sim/sim_platform.h"
#include "platform/sim/sim_registry.h"
#include "platform/sim/sim_word.h"
#include "platform/sim/transcript.h"

namespace vrx::sim {

class SimMachine {
 public:
  SimMachine();
  SimMachine(const SimMachine&) = delete;
  SimMachine& operator=(const SimMachine&) = delete;

  // The machine as the program sees it.
  Platform platform();

  // Makes the facts of [system] take effect (platform family, clock).
  void ApplyFacts();

  // What the next start of Windows does: the delayed deletions; on Windows 95/98 the "NUL="
  // lines of Wininit.ini's [RENAME] section, after which the file becomes Wininit.bak; then the
  // RunOnce commands. Nothing is in use any more afterwards. Each deletion is a transcript line.
  void Restart();

  SystemFacts facts;
  Transcript transcript;
  SimClock clock;
  SimRegistry registry;
  SimFiles files;
  SimSystem system{&facts, &files, &transcript};
  SimProcesses processes{&files, &transcript};
  SimUi ui{&clock, &transcript};
  SimWord word{&transcript};
  RegFileFormat registry_format = RegFileFormat::kRegedit4;
};

// Makes `to`, a fresh machine, the same as `from` as it stands: its drives and registry, and every
// fact of machine.ini, which goes through the same description as the image reader and writer.
// The transcript is not copied.
void CopyMachine(const SimMachine& from, SimMachine* to);

}  // namespace vrx::sim
