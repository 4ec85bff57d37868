#include "platform/sim/machine_ini.h"

#include <algorithm>
#include <map>
#include <sstream>

#include "platform/sim/machine_ini_rules.h"
#include "platform/sim/sim_machine.h"
#include "platform/windows_names.h"

namespace vrx::sim {

using ini_rules::FindSection;
using ini_rules::KeyRule;
using ini_rules::Pairs;
using ini_rules::Present;
using ini_rules::SectionRule;
using ini_rules::Sections;
using ini_rules::Trim;
using ini_rules::UnknownKey;

std::optional<MachineIni> MachineIni::Parse(const std::string& text, const std::string& file,
                                            std::string* error) {
  MachineIni ini;
  ini.file_ = file;
  std::istringstream in(text);
  std::string raw;
  int number = 0;
  while (std::getline(in, raw)) {
    ++number;
    if (!raw.empty() && raw.back() == '\r') raw.pop_back();
    std::string line = raw;
    for (size_t i = 0; i < line.size(); ++i) {
      if (line[i] == ';' && (i == 0 || line[i - 1] == ' ' || line[i - 1] == '\t')) {
        line.resize(i);
        break;
      }
    }
    line = Trim(line);
    if (line.empty()) continue;
    auto fail = [&](const std::string& message) {
      *error = file + ":" + std::to_string(number) + ": " + message;
      return std::nullopt;
    };
    // A value ending in one would lose it when written and read again, as a CR LF line end.
    if (line.find('\r') != std::string::npos) return fail("a carriage return inside the line");
    if (line.front() == '[') {
      if (line.back() != ']' || line.size() < 3) return fail("bad section header \"" + line + "\"");
      ini.sections_.push_back({number, line.substr(1, line.size() - 2), {}});
      continue;
    }
    size_t eq = line.find('=');
    if (eq == std::string::npos) return fail("expected key=value, found \"" + line + "\"");
    if (ini.sections_.empty()) return fail("key outside a section");
    std::string key = Trim(line.substr(0, eq));
    if (key.empty()) return fail("empty key");
    ini.sections_.back().lines.push_back({number, key, Trim(line.substr(eq + 1)), line});
  }
  return ini;
}

bool MachineIni::ApplyTo(SimMachine* machine, std::string* error) const {
  auto fail = [&](int line, const std::string& message) {
    *error = file_ + ":" + std::to_string(line) + ": " + message;
    return false;
  };
  std::map<std::string, int> seen;
  for (const Section& section : sections_) {
    if (seen.count(section.name)) {
      return fail(section.number, "section [" + section.name + "] appears twice");
    }
    seen[section.name] = section.number;
  }
  for (bool first : {true, false}) {
    for (const Section& section : sections_) {
      const SectionRule* rule = FindSection(section.name);
      if (rule == nullptr) {
        if (first) continue;
        return fail(section.number, "unknown section [" + section.name + "]");
      }
      if (rule->read_first != first) continue;
      if (rule->begin) rule->begin(*machine);
      for (const Line& l : section.lines) {
        if (rule->add) {
          std::string key = l.key, value = l.value;
          if (rule->keyed_by_path) {
            const size_t eq = l.text.rfind('=');
            key = Trim(l.text.substr(0, eq));
            value = Trim(l.text.substr(eq + 1));
          }
          std::string problem = rule->add(key, value, *machine);
          if (!problem.empty()) return fail(l.number, problem);
          continue;
        }
        auto key = std::find_if(rule->keys.begin(), rule->keys.end(),
                                [&](const KeyRule& k) { return l.key == k.name; });
        if (key == rule->keys.end()) return fail(l.number, UnknownKey(section.name, l.key));
        if (std::string problem = key->parse(l.value, *machine); !problem.empty()) {
          return fail(l.number, problem);
        }
      }
    }
  }
  machine->ApplyFacts();
  machine->word.StartRunningInstances();
  return true;
}

std::string MachineIni::Format(const SimMachine& machine) {
  std::string out;
  for (const SectionRule& s : Sections()) {
    if (s.entries) {
      Pairs entries = s.entries(machine);
      if (entries.empty()) continue;
      if (s.sorted) {
        std::stable_sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) {
          return FoldName(a.first) < FoldName(b.first);
        });
      }
      out += "[" + std::string(s.name) + "]\n";
      for (const auto& [key, value] : entries) out += key + "=" + value + "\n";
      continue;
    }
    if (!Present(s, machine)) continue;
    out += "[" + std::string(s.name) + "]\n";
    for (const KeyRule& k : s.keys) out += std::string(k.name) + "=" + k.format(machine) + "\n";
  }
  return out;
}

}  // namespace vrx::sim