#include "platform/sim/sim_machine.h"

#include <sstream>
#include <stdexcept>

#include "platform/sim/machine_ini.h"
#include "platform/windows_names.h"

namespace vrx::sim {
namespace {

// Removes a file whatever its attributes, as Windows does while it starts.
bool RemoveAtStart(SimFiles& files, const std::string& path) {
  if (!files.Exists(path)) return false;
  (void)files.SetAttributes(path, 0);
  return files.DeleteFile(path) == kOk;
}

constexpr const char* kRunOnceKey = "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";

}  // namespace

SimMachine::SimMachine() {
  processes.on_word_started = [this](const std::string& kind, TaskId) { word.StartInstance(kind); };
  ui.on_pump = [this] { word.Pump(); };
  ui.on_foreground = [this](const std::string& form) { word.ForegroundTaken(form); };
  word.retry_wait = [this] { ui.PumpEvents(); };
  word.now = [this] { return clock.seconds(); };
}

Platform SimMachine::platform() {
  return {&registry, &system, &files, &processes, &word, &ui, &clock};
}

void SimMachine::ApplyFacts() { registry.SetPlatformFamily(facts.platform); }

void SimMachine::Restart() {
  transcript.Add("restart");
  for (const std::string& path : files.FilesInUse()) (void)files.SetInUse(path, false);
  for (const std::string& path : system.pending) {
    bool deleted = RemoveAtStart(files, path);
    transcript.Add("restart deletes " + Quoted(path) + (deleted ? "" : " -> not found"));
  }
  system.pending.clear();

  if (facts.platform == 1) {
    std::string wininit = facts.windows + "\\Wininit.ini";
    if (std::optional<std::string> text = files.Contents(wininit)) {
      std::istringstream in(*text);
      std::string line;
      bool in_rename = false;
      while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty() && line.front() == '[') {
          in_rename = FoldName(line) == "[RENAME]";
          continue;
        }
        if (!in_rename || FoldName(line.substr(0, 4)) != "NUL=") continue;
        std::string path = line.substr(4);
        bool deleted = RemoveAtStart(files, path);
        transcript.Add("restart deletes " + Quoted(path) + (deleted ? "" : " -> not found"));
      }
      std::string backup = facts.windows + "\\Wininit.bak";
      (void)RemoveAtStart(files, backup);
      (void)files.AddFile(backup, *text);
      (void)RemoveAtStart(files, wininit);
      transcript.Add("restart renames " + Quoted(wininit) + " to " + Quoted(backup));
    }
  }

  // RunOnce: Windows deletes each value, then runs its command.
  if (const SimKey* run_once = registry.FindKey(kHkeyLocalMachine, kRunOnceKey)) {
    std::vector<SimValue> commands = run_once->values();
    for (const SimValue& value : commands) {
      (void)registry.EnsureKey(kHkeyLocalMachine, kRunOnceKey).DeleteValue(value.name);
      std::string command = value.data;
      while (!command.empty() && command.back() == '\0') command.pop_back();
      TaskId task = 0;
      (void)processes.Start(command, kWindowHidden, &task);
    }
  }
}

void CopyMachine(const SimMachine& from, SimMachine* to) {
  from.registry.ForEachKey([&](HKey hive, const std::string& path, const SimKey& key) {
    SimKey& copy = path.empty() ? *to->registry.Hive(hive) : to->registry.EnsureKey(hive, path);
    for (const SimValue& v : key.values()) copy.SetValue(v.name, v.type, v.data);
  });
  to->registry_format = from.registry_format;
  to->files.CopyDrivesFrom(from.files);
  std::string error;
  std::optional<MachineIni> ini =
      MachineIni::Parse(MachineIni::Format(from), "machine.ini", &error);
  if (!ini || !ini->ApplyTo(to, &error))
    throw std::logic_error("machine.ini does not read back: " + error);
}

}  // namespace vrx::sim
