// A plain account of what a run did to a simulated machine.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/sim/sim_machine.h"

namespace vrx::sim {

// What the account compares: files with their bytes, folders, registry keys and values, the Word
// templates.
struct MachineSnapshot {
  std::map<std::string, std::string> files;    // upper-case path -> long path + "\n" + bytes
  std::map<std::string, std::string> folders;  // upper-case path -> long path
  std::map<std::string, std::string> keys;     // upper-case path -> path
  std::map<std::string, std::string> values;   // upper-case key\name -> shown value
  std::map<std::string, std::string> word;     // "word97 menubar" -> text
  // What waited for the next start of Windows: the system's list, and Wininit.ini's NUL= lines.
  std::vector<std::string> waiting;
};

MachineSnapshot TakeSnapshot(const SimMachine& machine);

// What was removed, what changed, what waits for the next start of Windows, and what stayed in
// the folders that lost files. UTF-8 is not applied: texts are in the ANSI code page.
std::string Summarize(const MachineSnapshot& before, const SimMachine& after);

}  // namespace vrx::sim
