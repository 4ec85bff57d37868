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

// A number written in decimal digits alone (as [events] and the pump count give it).
long long Digits(const std::string& text) {
  long long n = 0;
  for (char c : text) n = n * 10 + (c - '0');
  return n;
}

constexpr const char* kRunOnceKey = "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";

}  // namespace

SimMachine::SimMachine() {
  processes.on_word_started = [this](const std::string& kind, TaskId task) {
    word.StartInstance(kind, task);
  };
  processes.on_task_ended = [this](TaskId task) { word.TaskEnded(task); };
  processes.on_started = [this](const std::string& command_line) {
    Fire(SimEvent::When::kStart, command_line);
  };
  ui.on_pump = [this] {
    word.Pump();
    Fire(SimEvent::When::kPump, std::to_string(ui.pumps()));
  };
  ui.on_foreground = [this](const std::string& form) { word.ForegroundTaken(form); };
  word.retry_wait = [this] { ui.PumpEvents(); };
  word.now = [this] { return clock.seconds(); };
}

Platform SimMachine::platform() {
  return {&registry, &system, &event_files_, &processes, &word, &ui, &clock};
}

bool SimEvent::Parse(const std::string& text, SimEvent* event) {
  const size_t bar = text.find('|');
  if (bar == std::string::npos) return false;
  auto split = [](const std::string& part, std::string* rest) {
    const size_t blank = part.find(' ');
    *rest = blank == std::string::npos ? "" : part.substr(blank + 1);
    return part.substr(0, blank);
  };
  SimEvent e;
  std::string trigger = split(text.substr(0, bar), &e.trigger);
  if (trigger == "start" && !e.trigger.empty()) {
    e.when = When::kStart;
  } else if (trigger == "pump" && !e.trigger.empty() &&
             e.trigger.find_first_not_of("0123456789") == std::string::npos &&
             e.trigger.size() < 10) {
    e.when = When::kPump;
  } else if (trigger == "open" && !e.trigger.empty()) {
    e.when = When::kOpen;
  } else {
    return false;
  }
  std::string action = split(text.substr(bar + 1), &e.path);
  if (action == "word" && e.path.empty()) {
    e.what = What::kWord;
  } else if (action == "in-use" && !e.path.empty()) {
    e.what = What::kInUse;
  } else if (action == "free" && !e.path.empty()) {
    e.what = What::kFree;
  } else if (action == "file" && !e.path.empty()) {
    e.what = What::kFile;
  } else {
    return false;
  }
  *event = e;
  return true;
}

std::string SimEvent::Format() const {
  static constexpr const char* kWhen[] = {"start", "pump", "open"};
  static constexpr const char* kWhat[] = {"word", "in-use", "free", "file"};
  return std::string(kWhen[static_cast<int>(when)]) + " " + trigger + "|" +
         kWhat[static_cast<int>(what)] + (path.empty() ? "" : " " + path);
}

void SimMachine::Fire(SimEvent::When when, const std::string& subject) {
  for (size_t i = 0; i < events.size(); ++i) {
    SimEvent& e = events[i];
    if (e.fired || e.when != when) continue;
    bool now = false;
    switch (when) {
      case SimEvent::When::kStart:
        now = FoldName(subject).find(FoldName(e.trigger)) != std::string::npos;
        break;
      case SimEvent::When::kPump:
        now = Digits(subject) >= Digits(e.trigger);
        break;
      case SimEvent::When::kOpen: {
        const std::optional<std::string> a = files.LongPath(subject), b = files.LongPath(e.trigger);
        now = a && b ? *a == *b : SameName(subject, e.trigger);
        break;
      }
    }
    if (!now) continue;
    e.fired = true;
    Happen(e);
  }
}

void SimMachine::Happen(const SimEvent& event) {
  transcript.Add("event " + Quoted(event.Format()));
  switch (event.what) {
    case SimEvent::What::kWord:
      word.StartUsersInstance();
      break;
    case SimEvent::What::kInUse:
    case SimEvent::What::kFree:
      (void)files.SetInUse(event.path, event.what == SimEvent::What::kInUse);
      break;
    case SimEvent::What::kFile:
      (void)files.AddFile(event.path, "a file of the user's\r\n",
                          files.Attributes(event.path).value_or(0) & ~kAttrDirectory);
      break;
  }
}

void SimMachine::ApplyFacts() {
  registry.SetPlatformFamily(facts.platform);
  files.SetPlatformFamily(facts.platform);
}

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
