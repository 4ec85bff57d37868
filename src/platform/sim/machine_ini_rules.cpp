#include "platform/sim/machine_ini_rules.h"

#include <algorithm>
#include <charconv>
#include <map>
#include <sstream>

#include "platform/sim/sim_machine.h"
#include "platform/windows_names.h"

namespace vrx::sim::ini_rules {

std::string BadValue(const std::string& key, const std::string& value) {
  return "bad value \"" + value + "\" for " + key;
}

std::string UnknownKey(const std::string& section, const std::string& key) {
  return "unknown key \"" + key + "\" in [" + section + "]";
}

std::string Trim(const std::string& text) {
  size_t begin = text.find_first_not_of(" \t");
  if (begin == std::string::npos) return "";
  size_t end = text.find_last_not_of(" \t");
  return text.substr(begin, end - begin + 1);
}

namespace {

bool ParseInt(const std::string& text, long long low, long long high, long long* value) {
  long long v = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size()) return false;
  if (v < low || v > high) return false;
  *value = v;
  return true;
}

bool ParseFlag(const std::string& text, bool* flag) {
  if (text != "0" && text != "1") return false;
  *flag = text == "1";
  return true;
}

// Keys kept in a field of the machine; `field` gives the field of a machine, const or not.
template <typename Field>
KeyRule FlagKey(const char* name, Field field) {
  return {name, [field](const SimMachine& m) { return std::string(field(m) ? "1" : "0"); },
          [name, field](const std::string& v, SimMachine& m) {
            return ParseFlag(v, &field(m)) ? "" : BadValue(name, v);
          }};
}

template <typename Field>
KeyRule NumberKey(const char* name, long long low, long long high, Field field) {
  return {name, [field](const SimMachine& m) { return std::to_string(field(m)); },
          [name, field, low, high](const std::string& v, SimMachine& m) {
            long long n = 0;
            if (!ParseInt(v, low, high, &n)) return BadValue(name, v);
            field(m) = static_cast<int>(n);
            return std::string();
          }};
}

template <typename Field>
KeyRule TextKey(const char* name, Field field) {
  return {name, [field](const SimMachine& m) { return std::string(field(m)); },
          [field](const std::string& v, SimMachine& m) {
            field(m) = v;
            return std::string();
          }};
}

// "" when Windows can hold `path` as a path of at most `max_length` characters, else why not.
std::string PathProblem(const std::string& path, size_t max_length) {
  const std::string problem = PathLengthProblem(path, max_length);
  return problem.empty() ? problem : problem + ": " + path;
}

// A key whose value is the full path of a folder.
template <typename Field>
KeyRule FolderKey(const char* name, Field field) {
  return {name, [field](const SimMachine& m) { return std::string(field(m)); },
          [field](const std::string& v, SimMachine& m) {
            std::string problem = PathProblem(v, kMaxFolderPathLength);
            if (problem.empty()) field(m) = v;
            return problem;
          }};
}

// The clock, written so that it reads back exactly.
std::string FormatSeconds(double seconds) {
  char buffer[64];
  auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, seconds);
  return ec == std::errc() ? std::string(buffer, end) : std::string("0");
}

bool ParseSeconds(const std::string& text, double* value) {
  double v = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size()) return false;
  if (!(v >= 0 && v < 86400)) return false;
  *value = v;
  return true;
}

bool ParseAttributes(const std::string& text, uint32_t* attributes) {
  uint32_t a = 0;
  for (char c : text) {
    switch (c) {
      case 'R':
        a |= kAttrReadOnly;
        break;
      case 'H':
        a |= kAttrHidden;
        break;
      case 'S':
        a |= kAttrSystem;
        break;
      case 'A':
        a |= kAttrArchive;
        break;
      case 'L':
        a |= kAttrReparsePoint;
        break;
      default:
        return false;
    }
  }
  *attributes = a;
  return true;
}

std::string AttributeLetters(uint32_t a) {
  std::string out;
  if (a & kAttrReadOnly) out += 'R';
  if (a & kAttrHidden) out += 'H';
  if (a & kAttrSystem) out += 'S';
  if (a & kAttrArchive) out += 'A';
  if (a & kAttrReparsePoint) out += 'L';
  return out;
}

bool ValidKeys(const std::string& keys) {
  std::istringstream in(keys);
  std::string entry;
  while (std::getline(in, entry, '|')) {
    size_t colon = entry.find(':');
    long long n = 0;
    if (colon == std::string::npos || !ParseInt(entry.substr(0, colon), 0, 0x7FFFFFFF, &n)) {
      return false;
    }
    size_t second = entry.find(':', colon + 1);
    if (second != std::string::npos && !ParseInt(entry.substr(second + 1), 0, 32767, &n)) {
      return false;
    }
  }
  return true;
}

std::string NoSuchPath(const SimMachine& m, const std::string& path) {
  return m.files.Exists(path) ? "" : "no such file or folder " + path;
}

// A Normal template section: its three keys are kept as the template's own texts.
SectionRule TemplateSection(const char* version) {
  using Part = std::string (WordTemplate::*)() const;
  auto key = [version](const char* name, Part part) {
    return KeyRule{
        name,
        [version, part](const SimMachine& m) { return (m.word.templates.at(version).*part)(); },
        [version, name](const std::string& v, SimMachine& m) {
          WordTemplate& t = m.word.templates[version];
          std::string menubar = t.MenubarText(), filemenu = t.FilemenuText(), keys = t.KeysText();
          std::string& slot = std::string(name) == "menubar"    ? menubar
                              : std::string(name) == "filemenu" ? filemenu
                                                                : keys;
          slot = v;
          if (!ValidKeys(keys)) return BadValue(name, v);
          t = WordTemplate::Parse(menubar, filemenu, keys);
          return std::string();
        }};
  };
  SectionRule s;
  s.name = version;
  s.keys = {key("menubar", &WordTemplate::MenubarText),
            key("filemenu", &WordTemplate::FilemenuText), key("keys", &WordTemplate::KeysText)};
  s.present = [version](const SimMachine& m) { return m.word.templates.contains(version); };
  s.begin = [version](SimMachine& m) { m.word.templates[version] = WordTemplate{}; };
  return s;
}

const char* const kProgramKinds[] = {"regsvr32", "wordperfect", "word97", "word2000", "program"};

}  // namespace

const std::vector<SectionRule>& Sections() {
  static const std::vector<SectionRule> sections = [] {
    std::vector<SectionRule> all;

    SectionRule system;
    system.name = "system";
    system.keys = {
        NumberKey(
            "platform", 0, 3, [](auto& m) -> auto& { return m.facts.platform; }),
        FolderKey(
            "windows", [](auto& m) -> auto& { return m.facts.windows; }),
        FolderKey(
            "system", [](auto& m) -> auto& { return m.facts.system; }),
        TextKey(
            "username", [](auto& m) -> auto& { return m.facts.username; }),
        FlagKey(
            "another_instance", [](auto& m) -> auto& { return m.facts.another_instance; }),
        KeyRule{"clock", [](const SimMachine& m) { return FormatSeconds(m.clock.seconds()); },
                [](const std::string& v, SimMachine& m) {
                  double seconds = 0;
                  if (!ParseSeconds(v, &seconds)) return BadValue("clock", v);
                  m.clock.Set(seconds);
                  return std::string();
                }},
    };
    system.present = [](const SimMachine&) { return true; };
    all.push_back(system);

    SectionRule shutdown;
    shutdown.name = "shutdown";
    shutdown.keys = {
        FlagKey(
            "open_token", [](auto& m) -> auto& { return m.facts.open_token; }),
        FlagKey(
            "lookup_privilege", [](auto& m) -> auto& { return m.facts.lookup_privilege; }),
        FlagKey(
            "adjust_privileges", [](auto& m) -> auto& { return m.facts.adjust_privileges; }),
        FlagKey(
            "exit_windows", [](auto& m) -> auto& { return m.facts.exit_windows; }),
    };
    all.push_back(shutdown);

    SectionRule attributes;
    attributes.name = "attributes";
    attributes.sorted = true;
    attributes.keyed_by_path = true;
    attributes.entries = [](const SimMachine& m) {
      Pairs out;
      m.files.VisitEntries([&](const EntryInfo& e, const std::string&) {
        std::string letters = AttributeLetters(e.attributes);
        if (!letters.empty()) out.emplace_back(e.path, letters);
      });
      return out;
    };
    attributes.add = [](const std::string& path, const std::string& v, SimMachine& m) {
      uint32_t a = 0;
      if (!ParseAttributes(v, &a)) return BadValue(path, v);
      if (std::string problem = PathProblem(path, kMaxPathLength); !problem.empty()) return problem;
      if (std::string missing = NoSuchPath(m, path); !missing.empty()) return missing;
      if (!m.files.SetAttributes(path, a)) return "cannot set the attributes of " + path;
      return std::string();
    };
    all.push_back(attributes);

    SectionRule in_use;
    in_use.name = "in-use";
    in_use.sorted = true;
    in_use.keyed_by_path = true;
    in_use.entries = [](const SimMachine& m) {
      Pairs out;
      for (const std::string& path : m.files.FilesInUse()) out.emplace_back(path, "1");
      return out;
    };
    in_use.add = [](const std::string& path, const std::string& v, SimMachine& m) {
      bool flag = false;
      if (!ParseFlag(v, &flag)) return BadValue(path, v);
      if (std::string problem = PathProblem(path, kMaxPathLength); !problem.empty()) return problem;
      if (std::string missing = NoSuchPath(m, path); !missing.empty()) return missing;
      if (!m.files.SetInUse(path, flag)) return "only a file can be in use: " + path;
      return std::string();
    };
    all.push_back(in_use);

    SectionRule folders;
    folders.name = "folders";
    folders.sorted = true;
    folders.read_first = true;
    folders.keyed_by_path = true;
    folders.entries = [](const SimMachine& m) {
      Pairs out;
      for (const std::string& path : m.files.EmptyFolders()) out.emplace_back(path, "1");
      return out;
    };
    folders.add = [](const std::string& path, const std::string& v, SimMachine& m) {
      bool present = false;
      if (!ParseFlag(v, &present)) return BadValue(path, v);
      if (std::string problem = PathProblem(path, kMaxPathLength); !problem.empty()) return problem;
      if (!present) return std::string();
      if (!m.files.AddDirectory(path)) return "cannot make folder " + path;
      // Typed through short names, the folder's own path may be longer than the line.
      return PathProblem(m.files.LongPath(path).value_or(path), kMaxFolderPathLength);
    };
    all.push_back(folders);

    SectionRule aliases;
    aliases.name = "aliases";
    aliases.keyed_by_path = true;
    aliases.entries = [](const SimMachine& m) { return m.files.Aliases(); };
    aliases.add = [](const std::string& name, const std::string& target, SimMachine& m) {
      if (std::string problem = PathProblem(name, kMaxPathLength); !problem.empty()) return problem;
      return m.files.AddAlias(name, target);
    };
    all.push_back(aliases);

    SectionRule programs;
    programs.name = "programs";
    programs.sorted = true;
    programs.keyed_by_path = true;
    programs.entries = [](const SimMachine& m) {
      Pairs out;
      for (const ProgramEntry& p : m.processes.programs) out.emplace_back(p.path, p.kind);
      return out;
    };
    programs.add = [](const std::string& path, const std::string& v, SimMachine& m) {
      if (std::find(std::begin(kProgramKinds), std::end(kProgramKinds), v) ==
          std::end(kProgramKinds)) {
        return BadValue(path, v);
      }
      if (std::string problem = PathProblem(path, kMaxPathLength); !problem.empty()) return problem;
      m.processes.programs.push_back({path, v});
      return std::string();
    };
    all.push_back(programs);

    SectionRule fonts;
    fonts.name = "fonts";
    fonts.sorted = true;
    fonts.keyed_by_path = true;
    fonts.entries = [](const SimMachine& m) {
      Pairs out;
      for (const std::string& font : m.system.fonts) out.emplace_back(font, "1");
      return out;
    };
    fonts.add = [](const std::string& path, const std::string& v, SimMachine& m) {
      bool loaded = false;
      if (!ParseFlag(v, &loaded)) return BadValue(path, v);
      if (std::string problem = PathProblem(path, kMaxPathLength); !problem.empty()) return problem;
      if (loaded) m.system.fonts.push_back(path);
      return std::string();
    };
    all.push_back(fonts);

    SectionRule word;
    word.name = "word";
    word.keys = {
        NumberKey(
            "running", 0, 16, [](auto& m) -> auto& { return m.word.facts.running; }),
        NumberKey(
            "cancel_saves", 0, 1000000, [](auto& m) -> auto& { return m.word.facts.cancel_saves; }),
        NumberKey(
            "document_pumps", 1, 1000000,
            [](auto& m) -> auto& { return m.word.facts.document_pumps; }),
        FlagKey(
            "never_document", [](auto& m) -> auto& { return m.word.facts.never_document; }),
        FlagKey(
            "register_at_once", [](auto& m) -> auto& { return m.word.facts.register_at_once; }),
        NumberKey(
            "busy_pumps", 0, 1000000, [](auto& m) -> auto& { return m.word.facts.busy_pumps; }),
        NumberKey(
            "unreachable", 0, 16, [](auto& m) -> auto& { return m.word.facts.unreachable; }),
    };
    all.push_back(word);

    all.push_back(TemplateSection("word97"));
    all.push_back(TemplateSection("word2000"));

    SectionRule pending;
    pending.name = "pending";
    pending.entries = [](const SimMachine& m) {
      Pairs out;
      for (size_t i = 0; i < m.system.pending.size(); ++i) {
        out.emplace_back(std::to_string(i + 1), m.system.pending[i]);
      }
      return out;
    };
    pending.add = [](const std::string& number, const std::string& path, SimMachine& m) {
      long long n = 0;
      if (!ParseInt(number, 1, 32767, &n)) return UnknownKey("pending", number);
      if (std::string problem = PathProblem(path, kMaxPathLength); !problem.empty()) return problem;
      m.system.pending.push_back(path);
      return std::string();
    };
    all.push_back(pending);

    SectionRule events;
    events.name = "events";
    events.entries = [](const SimMachine& m) {
      Pairs out;
      for (size_t i = 0; i < m.events.size(); ++i) {
        out.emplace_back(std::to_string(i + 1), m.events[i].Format());
      }
      return out;
    };
    events.add = [](const std::string& number, const std::string& text, SimMachine& m) {
      long long n = 0;
      if (!ParseInt(number, 1, 32767, &n)) return UnknownKey("events", number);
      SimEvent event;
      if (!SimEvent::Parse(text, &event)) return BadValue(number, text);
      m.events.push_back(event);
      return std::string();
    };
    all.push_back(events);
    return all;
  }();
  return sections;
}

const SectionRule* FindSection(const std::string& name) {
  for (const SectionRule& s : Sections()) {
    if (name == s.name) return &s;
  }
  return nullptr;
}

bool Present(const SectionRule& s, const SimMachine& m) {
  if (s.present) return s.present(m);
  static const SimMachine fresh;
  return std::any_of(s.keys.begin(), s.keys.end(),
                     [&](const KeyRule& k) { return k.format(m) != k.format(fresh); });
}

}  // namespace vrx::sim::ini_rules
