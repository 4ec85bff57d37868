// Reading and writing machine image folders: machine.ini, registry.reg and the drive folders.
#include <algorithm>
#include <cmath>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>

#include "platform/form.h"
#include "platform/sim/sim_machine.h"

namespace vrx::sim {
namespace {

namespace fs = std::filesystem;

std::string Trim(const std::string& text) {
  size_t begin = text.find_first_not_of(" \t");
  if (begin == std::string::npos) return "";
  size_t end = text.find_last_not_of(" \t");
  return text.substr(begin, end - begin + 1);
}

bool ReadWholeFile(const fs::path& path, std::string* bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream content;
  content << in.rdbuf();
  if (in.bad()) return false;
  *bytes = content.str();
  return true;
}

bool WriteWholeFile(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
  out.close();
  return static_cast<bool>(out);
}

struct IniLine {
  int number;
  std::string key;
  std::string value;
};

struct IniSection {
  int number;
  std::string name;
  std::vector<IniLine> lines;
};

// INI text: [section] lines, key=value lines, ';' comments (whole lines, or after a blank).
bool ParseIni(const std::string& text, const std::string& file, std::vector<IniSection>* sections,
              std::string* error) {
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
      return false;
    };
    if (line.front() == '[') {
      if (line.back() != ']' || line.size() < 3) return fail("bad section header \"" + line + "\"");
      sections->push_back({number, line.substr(1, line.size() - 2), {}});
      continue;
    }
    size_t eq = line.find('=');
    if (eq == std::string::npos) return fail("expected key=value, found \"" + line + "\"");
    if (sections->empty()) return fail("key outside a section");
    std::string key = Trim(line.substr(0, eq));
    if (key.empty()) return fail("empty key");
    sections->back().lines.push_back({number, key, Trim(line.substr(eq + 1))});
  }
  return true;
}

bool ParseInt(const std::string& text, long long low, long long high, long long* value) {
  if (text.empty()) return false;
  size_t used = 0;
  try {
    long long v = std::stoll(text, &used);
    if (used != text.size() || v < low || v > high) return false;
    *value = v;
    return true;
  } catch (...) {
    return false;
  }
}

bool ParseSeconds(const std::string& text, double* value) {
  if (text.empty()) return false;
  size_t used = 0;
  try {
    double v = std::stod(text, &used);
    if (used != text.size() || !(v >= 0 && v < 86400)) return false;
    *value = v;
    return true;
  } catch (...) {
    return false;
  }
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
  return out;
}

const std::vector<std::string> kProgramKinds = {"regsvr32", "wordperfect", "word97", "word2000",
                                                "program"};

class ImageReader {
 public:
  ImageReader(const fs::path& folder, SimMachine* machine, std::string* error)
      : folder_(folder), m_(machine), error_(error) {}

  bool Read() {
    std::string ini;
    if (!ReadWholeFile(folder_ / "machine.ini", &ini)) {
      return Fail((folder_ / "machine.ini").string() + ": cannot be read");
    }
    std::vector<IniSection> sections;
    if (!ParseIni(ini, "machine.ini", &sections, error_)) return false;

    std::string reg;
    fs::path reg_path = folder_ / "registry.reg";
    if (!ReadWholeFile(reg_path, &reg)) return Fail(reg_path.string() + ": cannot be read");
    RegFileResult result = ParseRegFile(reg, "registry.reg", &m_->registry);
    if (!result.ok) return Fail(result.error);
    m_->registry_format = result.format;
    if (!m_->files.LoadDriveFolders(folder_, error_)) return false;

    std::map<std::string, int> seen;
    for (const IniSection& section : sections) {
      if (seen.count(section.name)) {
        return LineFail(section.number, "section [" + section.name + "] appears twice");
      }
      seen[section.name] = section.number;
    }
    // Empty folders first: the other sections may name them.
    for (bool folders : {true, false}) {
      for (const IniSection& section : sections) {
        if ((section.name == "folders") == folders && !ReadSection(section)) return false;
      }
    }
    m_->ApplyFacts();
    m_->word.StartRunningInstances();
    return true;
  }

 private:
  bool Fail(const std::string& message) {
    *error_ = message;
    return false;
  }
  bool LineFail(int line, const std::string& message) {
    return Fail("machine.ini:" + std::to_string(line) + ": " + message);
  }
  bool BadValue(const IniLine& l) {
    return LineFail(l.number, "bad value \"" + l.value + "\" for " + l.key);
  }
  bool UnknownKey(const IniSection& s, const IniLine& l) {
    return LineFail(l.number, "unknown key \"" + l.key + "\" in [" + s.name + "]");
  }
  bool Flag(const IniLine& l, bool* flag) {
    if (l.value != "0" && l.value != "1") return BadValue(l);
    *flag = l.value == "1";
    return true;
  }
  bool ExistingPath(const IniLine& l) {
    if (!m_->files.Exists(l.key)) return LineFail(l.number, "no such file or folder " + l.key);
    return true;
  }

  bool ReadSection(const IniSection& s) {
    static const char* const kSections[] = {"system",  "shutdown", "attributes", "in-use",
                                            "folders", "programs", "fonts",      "pending",
                                            "word",    "word97",   "word2000"};
    if (std::find(std::begin(kSections), std::end(kSections), s.name) == std::end(kSections)) {
      return LineFail(s.number, "unknown section [" + s.name + "]");
    }
    SystemFacts& f = m_->facts;
    for (const IniLine& l : s.lines) {
      long long n = 0;
      if (s.name == "system") {
        if (l.key == "platform") {
          if (!ParseInt(l.value, 0, 3, &n)) return BadValue(l);
          f.platform = static_cast<int>(n);
        } else if (l.key == "windows") {
          f.windows = l.value;
        } else if (l.key == "system") {
          f.system = l.value;
        } else if (l.key == "username") {
          f.username = l.value;
        } else if (l.key == "another_instance") {
          if (!Flag(l, &f.another_instance)) return false;
        } else if (l.key == "clock") {
          double seconds = 0;
          if (!ParseSeconds(l.value, &seconds)) return BadValue(l);
          m_->clock.Set(seconds);
        } else {
          return UnknownKey(s, l);
        }
      } else if (s.name == "shutdown") {
        bool* flag = l.key == "open_token"          ? &f.open_token
                     : l.key == "lookup_privilege"  ? &f.lookup_privilege
                     : l.key == "adjust_privileges" ? &f.adjust_privileges
                     : l.key == "exit_windows"      ? &f.exit_windows
                                                    : nullptr;
        if (flag == nullptr) return UnknownKey(s, l);
        if (!Flag(l, flag)) return false;
      } else if (s.name == "attributes") {
        uint32_t attributes = 0;
        if (!ParseAttributes(l.value, &attributes)) return BadValue(l);
        if (!ExistingPath(l)) return false;
        if (!m_->files.SetAttributes(l.key, attributes)) {
          return LineFail(l.number, "cannot set the attributes of " + l.key);
        }
      } else if (s.name == "in-use") {
        bool in_use = false;
        if (!Flag(l, &in_use)) return false;
        if (!ExistingPath(l)) return false;
        if (!m_->files.SetInUse(l.key, in_use)) {
          return LineFail(l.number, "only a file can be in use: " + l.key);
        }
      } else if (s.name == "folders") {
        bool present = false;
        if (!Flag(l, &present)) return false;
        if (present && !m_->files.AddDirectory(l.key)) {
          return LineFail(l.number, "cannot make folder " + l.key);
        }
      } else if (s.name == "programs") {
        if (std::find(kProgramKinds.begin(), kProgramKinds.end(), l.value) == kProgramKinds.end()) {
          return BadValue(l);
        }
        m_->processes.programs.push_back({l.key, l.value});
      } else if (s.name == "fonts") {
        bool loaded = false;
        if (!Flag(l, &loaded)) return false;
        if (loaded) m_->system.fonts.push_back(l.key);
      } else if (s.name == "pending") {
        if (!ParseInt(l.key, 1, 32767, &n)) return UnknownKey(s, l);
        m_->system.pending.push_back(l.value);
      } else if (s.name == "word") {
        WordFacts& w = m_->word.facts;
        if (l.key == "running") {
          if (!ParseInt(l.value, 0, 16, &n)) return BadValue(l);
          w.running = static_cast<int>(n);
        } else if (l.key == "cancel_saves") {
          if (!ParseInt(l.value, 0, 1000000, &n)) return BadValue(l);
          w.cancel_saves = static_cast<int>(n);
        } else if (l.key == "document_pumps") {
          if (!ParseInt(l.value, 1, 1000000, &n)) return BadValue(l);
          w.document_pumps = static_cast<int>(n);
        } else if (l.key == "never_document") {
          if (!Flag(l, &w.never_document)) return false;
        } else {
          return UnknownKey(s, l);
        }
      } else if (s.name == "word97" || s.name == "word2000") {
        auto& raw = word_raw_[s.name];
        if (l.key != "menubar" && l.key != "filemenu" && l.key != "keys") return UnknownKey(s, l);
        raw[l.key] = l.value;
        if (l.key == "keys" && !ValidKeys(l.value)) return BadValue(l);
      }
    }
    if (s.name == "word97" || s.name == "word2000") {
      auto& raw = word_raw_[s.name];
      m_->word.templates[s.name] =
          WordTemplate::Parse(raw["menubar"], raw["filemenu"], raw["keys"]);
    }
    return true;
  }

  static bool ValidKeys(const std::string& keys) {
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

  fs::path folder_;
  SimMachine* m_;
  std::string* error_;
  std::map<std::string, std::map<std::string, std::string>> word_raw_;
};

bool PathLess(const std::string& a, const std::string& b) { return UpperName(a) < UpperName(b); }

std::string MachineIni(const SimMachine& m) {
  std::ostringstream out;
  const SystemFacts& f = m.facts;
  out << "[system]\n"
      << "platform=" << f.platform << "\n"
      << "windows=" << f.windows << "\n"
      << "system=" << f.system << "\n"
      << "username=" << f.username << "\n"
      << "another_instance=" << (f.another_instance ? 1 : 0) << "\n"
      << "clock=" << FormatNumber(m.clock.seconds()) << "\n";
  if (!f.open_token || !f.lookup_privilege || !f.adjust_privileges || !f.exit_windows) {
    out << "[shutdown]\n"
        << "open_token=" << f.open_token << "\n"
        << "lookup_privilege=" << f.lookup_privilege << "\n"
        << "adjust_privileges=" << f.adjust_privileges << "\n"
        << "exit_windows=" << f.exit_windows << "\n";
  }
  auto list = [&](const char* name, std::vector<std::pair<std::string, std::string>> entries,
                  bool sort) {
    if (entries.empty()) return;
    if (sort) {
      std::stable_sort(entries.begin(), entries.end(),
                       [](const auto& a, const auto& b) { return PathLess(a.first, b.first); });
    }
    out << "[" << name << "]\n";
    for (const auto& [k, v] : entries) out << k << "=" << v << "\n";
  };
  std::vector<std::pair<std::string, std::string>> attributes, in_use, folders, programs, fonts,
      pending;
  for (const EntryInfo& entry : m.files.Entries()) {
    std::string letters = AttributeLetters(entry.attributes);
    if (!letters.empty()) attributes.emplace_back(entry.path, letters);
  }
  for (const std::string& path : m.files.FilesInUse()) in_use.emplace_back(path, "1");
  for (const std::string& path : m.files.EmptyFolders()) folders.emplace_back(path, "1");
  for (const ProgramEntry& p : m.processes.programs) programs.emplace_back(p.path, p.kind);
  for (const std::string& font : m.system.fonts) fonts.emplace_back(font, "1");
  for (size_t i = 0; i < m.system.pending.size(); ++i) {
    pending.emplace_back(std::to_string(i + 1), m.system.pending[i]);
  }
  list("attributes", attributes, true);
  list("in-use", in_use, true);
  list("folders", folders, true);
  list("programs", programs, true);
  list("fonts", fonts, true);
  const WordFacts& w = m.word.facts;
  if (w.running != 0 || w.cancel_saves != 0 || w.document_pumps != WordFacts{}.document_pumps ||
      w.never_document) {
    out << "[word]\n"
        << "running=" << w.running << "\n"
        << "cancel_saves=" << w.cancel_saves << "\n"
        << "document_pumps=" << w.document_pumps << "\n"
        << "never_document=" << (w.never_document ? 1 : 0) << "\n";
  }
  for (const char* version : {"word97", "word2000"}) {
    auto t = m.word.templates.find(version);
    if (t == m.word.templates.end()) continue;
    out << "[" << version << "]\n"
        << "menubar=" << t->second.MenubarText() << "\n"
        << "filemenu=" << t->second.FilemenuText() << "\n"
        << "keys=" << t->second.KeysText() << "\n";
  }
  list("pending", pending, false);
  return out.str();
}

}  // namespace

bool LoadMachineImage(const std::filesystem::path& folder, SimMachine* machine,
                      std::string* error) {
  if (!fs::is_directory(folder)) {
    *error = folder.string() + ": not a machine image folder";
    return false;
  }
  for (const auto& entry : fs::directory_iterator(folder)) {
    std::string name = entry.path().filename().string();
    bool known = name == "machine.ini" || name == "registry.reg" ||
                 (name.size() == 7 && name.rfind("drive_", 0) == 0 && name[6] >= 'a' &&
                  name[6] <= 'z' && entry.is_directory());
    if (!known) {
      *error = entry.path().string() + ": not part of a machine image";
      return false;
    }
  }
  return ImageReader(folder, machine, error).Read();
}

bool WriteMachineImage(const SimMachine& machine, const std::filesystem::path& folder,
                       std::string* error) {
  std::error_code ec;
  if (fs::exists(folder, ec)) {
    if (!fs::is_directory(folder, ec) || !fs::is_empty(folder, ec)) {
      *error = folder.string() + ": exists and is not an empty folder";
      return false;
    }
  } else if (!fs::create_directories(folder, ec)) {
    *error = folder.string() + ": cannot be made: " + ec.message();
    return false;
  }
  if (!WriteWholeFile(folder / "machine.ini", MachineIni(machine))) {
    *error = (folder / "machine.ini").string() + ": cannot be written";
    return false;
  }
  if (!WriteWholeFile(folder / "registry.reg",
                      FormatRegFile(machine.registry, machine.registry_format))) {
    *error = (folder / "registry.reg").string() + ": cannot be written";
    return false;
  }
  return machine.files.WriteDriveFolders(folder, error);
}

}  // namespace vrx::sim
