#include "platform/sim/machine_summary.h"

#include <algorithm>
#include <set>
#include <sstream>

namespace vrx::sim {
namespace {

std::string Parent(const std::string& path) {
  size_t slash = path.rfind('\\');
  return slash == std::string::npos ? "" : path.substr(0, slash);
}

std::string ShowValue(const SimValue& v) {
  if (v.type == kRegSz) {
    std::string text = v.data;
    if (!text.empty() && text.back() == '\0') text.pop_back();
    return "\"" + text + "\"";
  }
  if (v.type == kRegDword && v.data.size() == 4) {
    uint32_t n = 0;
    for (int i = 3; i >= 0; --i) n = (n << 8) | static_cast<unsigned char>(v.data[i]);
    return std::to_string(n);
  }
  return "(" + std::to_string(v.data.size()) + " bytes of type " + std::to_string(v.type) + ")";
}

std::string PathOf(const std::string& entry) { return entry.substr(0, entry.find('\n')); }

// A value entry: its name, its key and how it reads, one a line.
std::string KeyOf(const std::string& entry) {
  size_t first = entry.find('\n');
  return entry.substr(first + 1, entry.find('\n', first + 1) - first - 1);
}
std::string Shown(const std::string& entry) { return entry.substr(entry.rfind('\n') + 1); }

}  // namespace

// What waits for the next start of Windows: the delayed deletions, and on Windows 95/98 the
// NUL= lines of Wininit.ini, each marked as such.
static std::vector<std::string> Waiting(const SimMachine& m) {
  std::vector<std::string> waiting = m.system.pending;
  if (m.facts.platform != 1) return waiting;
  if (auto wininit = m.files.Contents(m.facts.windows + "\\Wininit.ini")) {
    std::istringstream in(*wininit);
    std::string line;
    while (std::getline(in, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (line.rfind("NUL=", 0) == 0) waiting.push_back(line.substr(4) + " (Wininit.ini)");
    }
  }
  return waiting;
}

MachineSnapshot TakeSnapshot(const SimMachine& m) {
  MachineSnapshot s;
  s.waiting = Waiting(m);
  for (const EntryInfo& e : m.files.Entries()) {
    std::string key = UpperName(e.path);
    if (e.directory) {
      s.folders[key] = e.path;
    } else {
      s.files[key] = e.path + "\n" + m.files.Contents(e.path).value_or("");
    }
  }
  m.registry.ForEachKey([&](HKey hive, const std::string& path, const SimKey& key) {
    std::string full = std::string(HiveName(hive)) + (path.empty() ? "" : "\\" + path);
    if (!path.empty()) s.keys[UpperName(full)] = full;
    for (const SimValue& v : key.values()) {
      std::string name = full + "\\" + (v.name.empty() ? "@" : "\"" + v.name + "\"");
      s.values[UpperName(name)] = name + "\n" + UpperName(full) + "\n" + ShowValue(v);
    }
  });
  for (const auto& [version, t] : m.word.templates) {
    s.word[version + " menu bar"] = t.MenubarText();
    s.word[version + " File menu"] = t.FilemenuText();
    s.word[version + " keys"] = t.KeysText();
  }
  return s;
}

std::string Summarize(const MachineSnapshot& before, const SimMachine& after) {
  MachineSnapshot now = TakeSnapshot(after);
  std::ostringstream out;
  out << "\nSummary of what the run did to the machine\n";

  // Removed files, counted by folder.
  std::map<std::string, std::vector<std::string>> removed_by_folder;
  std::set<std::string> touched_folders;
  size_t removed_files = 0;
  for (const auto& [key, entry] : before.files) {
    if (now.files.count(key)) continue;
    std::string path = PathOf(entry);
    removed_by_folder[Parent(path)].push_back(path.substr(Parent(path).size() + 1));
    touched_folders.insert(UpperName(Parent(path)));
    ++removed_files;
  }
  out << "\nRemoved " << removed_files << " files:\n";
  for (const auto& [folder, names] : removed_by_folder) {
    out << "  " << folder << "\\: ";
    if (names.size() <= 4) {
      for (size_t i = 0; i < names.size(); ++i) out << (i ? ", " : "") << names[i];
    } else {
      out << names.size() << " files (" << names[0] << ", " << names[1] << ", ...)";
    }
    out << "\n";
  }
  std::vector<std::string> removed_folders;
  for (const auto& [key, path] : before.folders) {
    if (!now.folders.count(key)) removed_folders.push_back(path);
  }
  out << "\nRemoved " << removed_folders.size() << " folders:\n";
  for (const std::string& f : removed_folders) out << "  " << f << "\n";

  // Registry keys: only the top of each removed tree.
  std::vector<std::string> removed_keys;
  for (const auto& [key, path] : before.keys) {
    if (now.keys.count(key)) continue;
    std::string parent = UpperName(Parent(path));
    if (before.keys.count(parent) && !now.keys.count(parent)) continue;
    removed_keys.push_back(path);
  }
  out << "\nRemoved registry keys (with everything below them):\n";
  for (const std::string& k : removed_keys) out << "  " << k << "\n";
  if (removed_keys.empty()) out << "  none\n";

  out << "\nChanged registry values:\n";
  bool any_value = false;
  for (const auto& [key, entry] : before.values) {
    auto it = now.values.find(key);
    std::string name = PathOf(entry);
    if (it == now.values.end()) {
      if (!now.keys.count(KeyOf(entry))) continue;  // went with its key
      out << "  " << name << " = " << Shown(entry) << " (deleted)\n";
      any_value = true;
    } else if (it->second != entry) {
      out << "  " << name << " = " << Shown(entry) << " -> " << Shown(it->second) << "\n";
      any_value = true;
    }
  }
  for (const auto& [key, entry] : now.values) {
    if (before.values.count(key)) continue;
    out << "  " << PathOf(entry) << " = " << Shown(entry) << " (new)\n";
    any_value = true;
  }
  if (!any_value) out << "  none\n";

  out << "\nChanged files:\n";
  bool any_file = false;
  for (const auto& [key, entry] : now.files) {
    auto it = before.files.find(key);
    if (it != before.files.end() && it->second == entry) continue;
    out << "  " << PathOf(entry) << (it == before.files.end() ? " (new)" : " (changed)") << "\n";
    any_file = true;
  }
  for (const auto& [what, text] : before.word) {
    auto it = now.word.find(what);
    if (it == now.word.end() || it->second == text) continue;
    out << "  Word's Normal template (" << what << "): " << text << "\n"
        << "      now: " << it->second << "\n";
    any_file = true;
  }
  if (!any_file) out << "  none\n";

  // Only what the run added: another setup's deletions were waiting before it.
  out << "\nWaiting for the next start of Windows:\n";
  std::vector<std::string> waiting = Waiting(after);
  std::vector<std::string> earlier = before.waiting;
  std::erase_if(waiting, [&](const std::string& w) {
    auto it = std::find(earlier.begin(), earlier.end(), w);
    if (it == earlier.end()) return false;
    earlier.erase(it);
    return true;
  });
  for (const std::string& w : waiting) out << "  " << w << "\n";
  if (waiting.empty()) out << "  nothing\n";

  out << "\nStayed in the folders that lost files:\n";
  bool any_stayed = false;
  for (const auto& [key, entry] : now.files) {
    if (!touched_folders.count(UpperName(Parent(PathOf(entry))))) continue;
    out << "  " << PathOf(entry) << "\n";
    any_stayed = true;
  }
  if (!any_stayed) out << "  nothing\n";
  return out.str();
}

}  // namespace vrx::sim
