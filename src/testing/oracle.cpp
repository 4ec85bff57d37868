#include "testing/oracle.h"

#include <map>
#include <set>
#include <sstream>

#include "helpers/directory_tokens.h"
#include "helpers/registry_tools.h"
#include "manifest/file_manifest.h"
#include "platform/sim/machine_ini.h"
#include "platform/sim/reg_file.h"
#include "platform/windows_names.h"
#include "state/program.h"
#include "state/variants.h"

namespace vrx {
namespace {

using sim::SimMachine;

constexpr const char* kCurrentVersion = "SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION";
constexpr const char* kShellFolders =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr const char* kLogStarts[] = {"Docseal Uninstaller 4.0 log", "What-if:"};

bool StartsWith(const std::string& text, const std::string& start) {
  return text.compare(0, start.size(), start) == 0;
}

std::string Trim(const std::string& text) {
  const size_t first = text.find_first_not_of(' ');
  return first == std::string::npos ? ""
                                    : text.substr(first, text.find_last_not_of(' ') - first + 1);
}

std::string Parent(const std::string& path) {
  const size_t slash = path.rfind('\\');
  return slash == std::string::npos ? "" : path.substr(0, slash);
}

// `path` is `folder` or lies in it (both in Canon form).
bool Within(const std::string& path, const std::string& folder) {
  if (folder.empty() || !StartsWith(path, folder)) return false;
  return path.size() == folder.size() || folder.back() == '\\' || path[folder.size()] == '\\';
}

// The form paths are compared in: the upper-case long path of an existing entry, else the full
// path as Windows makes it from C:\ (where the run works), upper case, no separator at the end.
std::string Canon(const SimMachine& m, std::string path) {
  if (Trim(path).empty()) return "";
  if (StartsWith(path, "\\\\?\\")) {
    // NT takes what follows as written; the program takes the prefix away where it names a place.
    if (std::optional<std::string> long_path = m.files.LongPath(path)) return FoldName(*long_path);
    if (path.size() > 6 && path[5] == ':') path.erase(0, 4);
  }
  if (std::optional<std::string> long_path = m.files.LongPath(path)) return FoldName(*long_path);
  std::string full = sim::FullPathName(path, "C:\\").value_or(path);
  while (full.size() > 3 && full.back() == '\\') full.pop_back();
  // What does not exist yet: the long path of the deepest folder that does, then the rest as
  // written. A root ("S:\") may be another folder's name too.
  for (size_t slash = full.rfind('\\'); slash != std::string::npos && slash >= 2;
       slash = full.rfind('\\', slash - 1)) {
    if (std::optional<std::string> folder =
            m.files.LongPath(full.substr(0, std::max<size_t>(slash, 3)))) {
      if (folder->back() == '\\') folder->pop_back();
      return FoldName(*folder + full.substr(slash));
    }
    if (slash == 2) break;
  }
  return FoldName(full);
}

std::string RegText(const sim::SimValue& value) {
  std::string text = value.data;
  while (!text.empty() && text.back() == '\0') text.pop_back();
  return text;
}

std::string Value(const SimMachine& m, HKey hive, const std::string& key, const char* name) {
  const sim::SimKey* k = m.registry.FindKey(hive, key);
  const sim::SimValue* v = k ? k->FindValue(name) : nullptr;
  return v ? RegText(*v) : "";
}

// A SharedDLLs count as the program reads it: a DWORD, or a text's leading digits.
long Count(const sim::SimValue* v) {
  if (v == nullptr) return 0;
  if (v->type == kRegDword && v->data.size() == 4) {
    uint32_t n = 0;
    for (int i = 3; i >= 0; --i) n = (n << 8) | static_cast<unsigned char>(v->data[i]);
    return static_cast<long>(n);
  }
  long n = 0;
  for (char c : RegText(*v)) {
    if (c < '0' || c > '9' || n > 1000000) break;
    n = n * 10 + (c - '0');
  }
  return n;
}

// The words of the command line as the documents give them meaning.
struct Words {
  std::array<bool, kVariantCount> chosen{};
  bool any_code = false;
  bool quiet = false;
  bool preview = false;
  std::string log;       // /LOG= path as typed
  std::string snapshot;  // the folder after SNAPSHOT= or SNAPSHOT:
};

Words ReadWords(const std::string& line, const std::vector<ScriptAction>& actions) {
  Words w;
  std::istringstream in(line);
  for (std::string word; in >> word;) {
    const std::string upper = FoldName(word);
    // A switch that takes a path is that switch alone: LOG=, LOG:, BACKUP=, RESTORE= after any
    // "/", "-" or quotation marks; a word that holds SNAPSHOT.
    const std::string bare = upper.substr(std::min(upper.find_first_not_of("/-\""), upper.size()));
    auto path_of = [&](size_t at) {
      std::string path = word.substr(at);
      if (path.ends_with("\"")) path.pop_back();
      return path;
    };
    if (StartsWith(bare, "LOG=") || StartsWith(bare, "LOG:")) {
      w.log = path_of(upper.size() - bare.size() + 4);
      continue;
    }
    if (const size_t snap = upper.find("SNAPSHOT"); snap != std::string::npos) {
      w.preview = true;
      if (snap + 8 < word.size() && (word[snap + 8] == '=' || word[snap + 8] == ':')) {
        w.snapshot = path_of(snap + 9);
      }
      continue;
    }
    if (StartsWith(bare, "BACKUP=") || StartsWith(bare, "RESTORE=")) continue;
    w.preview |= upper.find("WHATIF") != std::string::npos;
    w.quiet |= upper == "/QUIET";
    for (size_t v : {kWpWin7, kWpWin8, kWpWin9, kMsWord}) {
      if (upper.find(kVariants[v].code) != std::string::npos) {
        w.chosen[v] = w.any_code = true;
        break;
      }
    }
  }
  // Without a code the wizard chooses: at most what the person ticks.
  for (const ScriptAction& a : actions) {
    if (!w.any_code && a.verb == "tick" && !a.argument.empty() && a.argument[0] >= '0' &&
        a.argument[0] < '0' + static_cast<int>(kVariantCount)) {
      w.chosen[static_cast<size_t>(a.argument[0] - '0')] = true;
    }
  }
  return w;
}

// A text with each %NAME% the environment knows replaced by its value.
std::string Expand(SimMachine& m, const std::string& text) {
  std::string out;
  for (size_t at = 0; at < text.size();) {
    const size_t open = text.find('%', at), close = text.find('%', open + 1);
    if (open == std::string::npos || close == std::string::npos) {
      out += text.substr(at);
      break;
    }
    const std::string value =
        m.system.GetEnvironmentVariable(text.substr(open + 1, close - open - 1));
    out +=
        text.substr(at, open - at) + (value.empty() ? text.substr(open, close - open + 1) : value);
    at = close + 1;
  }
  return out;
}

// The folders nothing may be offered or emptied in.
struct Protection {
  std::vector<std::string> whole;  // the folder and all it holds
  std::vector<std::string> exact;  // the folder and every folder that holds it

  bool Protects(const std::string& f) const {
    if (f.size() <= 3 || f[1] != ':' || f[2] != '\\') return true;  // a root, or not on a drive
    for (const std::string& w : whole) {
      if (Within(f, w) || Within(w, f)) return true;
    }
    for (const std::string& e : exact) {
      if (Within(e, f)) return true;
    }
    return false;
  }
};

Protection Protect(SimMachine& m) {
  Protection p;
  p.whole = {Canon(m, m.facts.windows), Canon(m, m.facts.system)};
  for (const char* name : {"TEMP", "TMP"}) {
    const std::string temp = m.system.GetEnvironmentVariable(name);
    if (!temp.empty()) p.whole.push_back(Canon(m, temp));
  }
  auto every_value = [&](HKey hive, const std::string& path) {
    if (const sim::SimKey* k = m.registry.FindKey(hive, path)) {
      for (const sim::SimValue& v : k->values()) p.exact.push_back(Canon(m, RegText(v)));
    }
  };
  every_value(kHkeyLocalMachine, kShellFolders);
  every_value(kHkeyCurrentUser, kShellFolders);
  const char* const lists[] = {"Software\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList",
                               "Software\\Microsoft\\Windows\\CurrentVersion\\ProfileList"};
  if (const sim::SimKey* users = m.registry.Hive(kHkeyUsers)) {
    for (size_t i = 0; i < users->subkey_count(); ++i) {
      const std::string user = users->subkey(i).name();
      every_value(kHkeyUsers, user + "\\" + kShellFolders);
      // The user's own temporary folders, %USERPROFILE% being that user's profile.
      std::string profile;
      for (const char* list : lists) {
        const std::string path =
            Value(m, kHkeyLocalMachine, std::string(list) + "\\" + user, "ProfileImagePath");
        if (profile.empty() && !path.empty()) profile = Expand(m, path);
      }
      for (const char* name : {"TEMP", "TMP"}) {
        std::string temp = Value(m, kHkeyUsers, user + "\\Environment", name);
        const size_t at = FoldName(temp).find("%USERPROFILE%");
        if (at != std::string::npos && !profile.empty()) temp.replace(at, 13, profile);
        if (!temp.empty()) p.whole.push_back(Canon(m, Expand(m, temp)));
      }
    }
  }
  for (const char* name : {"ProgramFilesDir", "ProgramFilesDir (x86)", "ProgramW6432Dir"}) {
    p.exact.push_back(Canon(m, Value(m, kHkeyLocalMachine, kCurrentVersion, name)));
  }
  for (const char* list : lists) {
    if (const sim::SimKey* k = m.registry.FindKey(kHkeyLocalMachine, list)) {
      for (size_t i = 0; i < k->subkey_count(); ++i) {
        if (const sim::SimValue* v = k->subkey(i).FindValue("ProfileImagePath")) {
          p.exact.push_back(Canon(m, Expand(m, RegText(*v))));
        }
      }
    }
  }
  for (const char* profiles : {"C:\\Documents and Settings", "C:\\Users"}) {
    for (const sim::EntryInfo& e : m.files.Entries()) {
      if (e.directory && FoldName(Parent(e.path)) == FoldName(profiles)) {
        p.exact.push_back(FoldName(e.path));
      }
    }
  }
  std::erase(p.exact, "");
  return p;
}

// What the run may take away, worked out on the machine as it was.
struct Allowed {
  std::set<std::string> files, shared_files, folders, group_folders, keys, shared_values;
  std::string self;
  bool word = false;

  bool KeyMayGo(const std::string& key) const {
    for (const std::string& k : keys) {
      if (Within(key, k)) return true;
    }
    return false;
  }
};

bool Installed(const SimMachine& m, size_t v) {
  return !IsBlank(Value(m, kHkeyLocalMachine, DefaultsKey(kVariants[v]), "Source Directory"));
}

Allowed WhatMayGo(SimMachine& m, const Words& w, const Protection& p) {
  Allowed a;
  if (m.facts.platform != 1 && m.facts.platform != 2) return a;  // a Windows it does not run on
  Platform platform = m.platform();
  const std::string shared_dlls = std::string(kCurrentVersion) + "\\SHAREDDLLS";
  std::map<std::string, long> users;  // shared component -> chosen installed variants using it
  bool all = true;
  for (size_t v = 0; v < kVariantCount; ++v) {
    const bool installed = Installed(m, v);
    all &= w.chosen[v] || !installed;
    if (!w.chosen[v]) continue;
    a.word |= v == kMsWord;
    const std::string key = "HKEY_LOCAL_MACHINE\\" + FoldName(kVariants[v].key);
    a.keys.insert(key);
    a.keys.insert("HKEY_LOCAL_MACHINE\\" + FoldName(CodeKey(kVariants[v])));
    const std::string entry =
        "HKEY_LOCAL_MACHINE\\" +
        FoldName(std::string(kUninstallListKey) + std::string(kVariants[v].uninstall_entry));
    a.keys.insert(entry);
    a.keys.insert(entry + FoldName(kTrialSuffix));
    ProgramState state;
    auto read = [&](const char* value) {
      return QueryValue(*platform.registry, DefaultsKey(kVariants[v]), value, kHkeyLocalMachine)
          .AsText();
    };
    state.VariantSourceDir = read("Source Directory");
    state.VariantSigDir = read("Sig File Directory");
    state.VariantDataDir = read(std::string(kDataDirectoryValue).c_str());
    state.VariantHelpDir = read("Help Files Directory");
    state.VariantStampDir = read("Stamp Directory");
    auto resolve = [&](const std::string& token) { return GetDirectory(platform, state, token); };
    FileManifest manifest;
    BuildManifest(manifest, std::string(kVariants[v].code), resolve);
    for (const ManifestEntry& e : manifest) {
      const std::string directory = Trim(resolve(e.DirToken));
      if (directory.empty() || e.FileName == "xxx") continue;
      if (e.FileName.empty()) {
        // A folder written other than "X:\..." or "\\..." depends on where the program stands.
        // A "\\?\" or "\\.\" path is never offered (it passes the system's own rules by).
        const bool reachable =
            !directory.starts_with("\\\\?\\") && !directory.starts_with("\\\\.\\");
        const bool absolute =
            reachable && ((directory.size() >= 3 && directory[1] == ':' && directory[2] == '\\') ||
                          directory.starts_with("\\\\"));
        if (absolute && !p.Protects(Canon(m, directory))) a.folders.insert(Canon(m, directory));
        continue;
      }
      const std::string path = Canon(m, directory + "\\" + e.FileName);
      if (!IsShared(e)) {
        a.files.insert(path);
      } else if (installed) {
        const std::string value = FoldName(directory + "\\" + e.FileName);
        a.shared_values.insert(value);
        ++users[path];
        const sim::SimKey* k = m.registry.FindKey(kHkeyLocalMachine, shared_dlls);
        if (Count(k ? k->FindValue(value) : nullptr) <= users[path]) a.files.insert(path);
        a.shared_files.insert(path);
      }
    }
  }
  a.self = Canon(m, m.facts.system + "\\VRXUnInst.EXE");
  if (all) a.keys.insert("HKEY_LOCAL_MACHINE\\" + FoldName(kAddInKey));
  for (const std::string& font :
       {m.facts.system + "\\Docsealw.ttf", m.facts.windows + "\\fonts\\Docsealw.ttf"}) {
    if (all) a.files.insert(Canon(m, font));
  }
  if (std::find(w.chosen.begin(), w.chosen.end(), true) != w.chosen.end()) {
    for (const std::string& base :
         {Value(m, kHkeyLocalMachine, kShellFolders, "Current Desktop"),
          Value(m, kHkeyCurrentUser, kShellFolders, "Programs"),
          m.facts.windows + "\\Profiles\\" + m.facts.username + "\\Start Menu\\Programs",
          m.facts.windows + "\\Profiles\\All Users\\Start Menu\\Programs"}) {
      a.group_folders.insert(Canon(m, base + "\\Docseal 4.0"));
    }
  }
  a.files.erase("");
  return a;
}

// Wininit.ini's lines as Windows 95/98 read them: CR LF or a lone CR ends a line.
std::vector<std::string> TextLines(const std::string& bytes) {
  std::vector<std::string> lines;
  std::string line;
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] != '\r') {
      line += bytes[i];
      continue;
    }
    if (i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
    lines.push_back(line);
    line.clear();
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

// The first line of `was` that `now` does not keep in order (Wininit.ini's lines); "" for none.
std::string LostLine(const std::string& was, const std::string& now) {
  const std::vector<std::string> lines = TextLines(now);
  size_t next = 0;
  for (const std::string& line : TextLines(was)) {
    while (next < lines.size() && lines[next] != line) ++next;
    if (next == lines.size()) return line.empty() ? "(empty)" : line;
    ++next;
  }
  return "";
}

// What waits for the next start of Windows: the pending deletions and the "NUL=" lines of
// Wininit.ini's [RENAME] section, as written.
std::vector<std::string> Waiting(const SimMachine& m) {
  std::vector<std::string> waits = m.system.pending;
  bool rename = false;
  for (const std::string& line :
       TextLines(m.files.Contents(m.facts.windows + "\\Wininit.ini").value_or(""))) {
    if (StartsWith(line, "[")) rename = FoldName(line).find("[RENAME]") != std::string::npos;
    if (rename && StartsWith(FoldName(line), "NUL=")) waits.push_back(line.substr(4));
  }
  return waits;
}

// The first line where two texts part, as it was; "" when they are the same.
std::string FirstDifference(const std::string& was, const std::string& now) {
  std::istringstream a(was), b(now);
  std::string x, y;
  while (true) {
    const bool more_a = static_cast<bool>(std::getline(a, x));
    const bool more_b = static_cast<bool>(std::getline(b, y));
    if (!more_a && !more_b) return "";
    if (!more_a || !more_b || x != y) return more_a ? x : "(new) " + y;
  }
}

class Judgement {
 public:
  explicit Judgement(const JudgedRun& run)
      : run_(run),
        b_(*run.before),
        a_(*run.after),
        w_(ReadWords(run.command_line, run.actions)),
        protection_(Protect(b_)),
        allowed_(WhatMayGo(b_, w_, protection_)) {}

  std::vector<std::string> Verdict() {
    for (const sim::SimEvent& e : b_.events) {
      if (e.what != sim::SimEvent::What::kWord) touched_by_user_.insert(Canon(b_, e.path));
    }
    ReadLog();
    ReadQuestions();
    ReadWaits();
    const bool did_nothing = w_.preview || run_.exit_code == 1603 || run_.exit_code == 1618;
    if (did_nothing) {
      SameImage();
      CheckSnapshotPlace();
    } else {
      CheckFiles();
      CheckRegistry();
      CheckWaits();
      CheckUnregistered();
    }
    CheckLogFile();
    CheckWininit();
    CheckWord();
    CheckLogText();
    CheckExitCode();
    for (const std::string& open : run_.left_open) Broke("left open: " + open);
    if (a_.registry.OpenHandleCount() != 0) Broke("registry keys left open");
    const std::vector<std::string> was = b_.files.FilesInUse();
    for (const std::string& path : a_.files.FilesInUse()) {
      if (std::find(was.begin(), was.end(), path) == was.end() &&
          !touched_by_user_.count(FoldName(path))) {
        Broke("left in use: " + path);
      }
    }
    return broken_;
  }

 private:
  void Broke(const std::string& line) {
    if (std::find(broken_.begin(), broken_.end(), line) == broken_.end()) broken_.push_back(line);
  }

  // The log file: its path, whether it may change (new, or a log of this program), its text.
  void ReadLog() {
    if (w_.log.empty()) return;
    log_path_ = Canon(b_, w_.log);
    const std::optional<std::string> was = b_.files.Contents(w_.log);
    const std::optional<std::string> now = a_.files.Contents(log_path_);
    log_may_change_ = !was && !b_.files.Exists(w_.log);
    for (const char* start : kLogStarts) log_may_change_ |= was && StartsWith(*was, start);
    if (now && now != was) {
      for (const char* start : kLogStarts) {
        if (StartsWith(*now, start)) log_ = *now;
      }
    }
  }

  // The log, a new snapshot, and what the user's events wrote may change.
  bool Exempt(const std::string& canon, bool existed) const {
    for (const std::string& touched : touched_by_user_) {
      if (touched == canon || (!existed && Within(touched, canon))) return true;
    }
    if (!log_path_.empty() && canon == log_path_ && log_may_change_) return true;
    const std::string snapshot = w_.snapshot.empty() ? "" : Canon(b_, w_.snapshot);
    return !existed && Within(canon, snapshot);
  }

  // Folders the person said Yes for; a question about a protected folder is a fault itself.
  void ReadQuestions() {
    auto asked = [&](const std::string& folder, bool yes) {
      const std::string canon = Canon(b_, folder);
      const bool absolute =
          (folder.size() > 2 && folder[1] == ':' && (folder[2] == '\\' || folder[2] == '/')) ||
          StartsWith(folder, "\\\\");
      if (!absolute) {
        Broke("offered a folder by a relative name: " + folder);
      } else if (protection_.Protects(canon)) {
        Broke("offered a protected folder: " + folder);
      } else if (yes) {
        yes_folders_.insert(canon);
      }
    };
    const std::string end = "\\rDo you want me to remove it?";
    for (const std::string& line : a_.transcript.lines()) {
      const size_t at = line.find("Directory not empty ");
      const size_t stop = line.rfind(end);
      if (!StartsWith(line, "msgbox ") || at == std::string::npos || stop == std::string::npos) {
        continue;
      }
      asked(line.substr(at + 20, stop - at - 20), line.size() > 6 && line.ends_with("-> yes"));
    }
    std::istringstream in(log_);
    for (std::string line; std::getline(in, line);) {
      const size_t at = line.find("Question: Directory not empty ");
      const size_t stop = line.rfind(" / Do you want me to remove it?");
      if (at == 0 && stop != std::string::npos) asked(line.substr(30, stop - 30), false);
    }
  }

  // What of the run waits for the next start of Windows: the entries that are new.
  void ReadWaits() {
    std::multiset<std::string> old;
    for (const std::string& path : Waiting(b_)) old.insert(Canon(b_, path));
    for (const std::string& path : Waiting(a_)) {
      const std::string canon = Canon(b_, path);
      if (canon.empty()) continue;  // names nothing
      waits_after_.insert(canon);
      if (auto it = old.find(canon); it != old.end()) {
        old.erase(it);
      } else {
        new_waits_.push_back(canon);
      }
    }
  }

  bool MayDelete(const std::string& canon) const {
    const std::string folder = Parent(canon);
    return allowed_.files.count(canon) || allowed_.group_folders.count(folder) ||
           (yes_folders_.count(folder) && !protection_.Protects(folder));
  }
  bool MayRemoveFolder(const std::string& canon) const {
    return allowed_.folders.count(canon) || allowed_.group_folders.count(canon) ||
           (yes_folders_.count(canon) && !protection_.Protects(canon));
  }
  std::string Why(const std::string& path) const {
    return protection_.Protects(Parent(FoldName(path))) ? " (in a protected folder)" : "";
  }

  void CheckFiles() {
    const std::string wininit = Canon(b_, b_.facts.windows + "\\Wininit.ini");
    std::set<std::string> had;
    for (const sim::EntryInfo& e : b_.files.Entries()) {
      const std::string canon = FoldName(e.path);
      had.insert(canon);
      if (Exempt(canon, true) || canon == wininit) continue;
      const std::optional<uint32_t> now = a_.files.Attributes(e.path);
      if (!now) {
        if (e.directory && !MayRemoveFolder(canon))
          Broke("folder removed: " + e.path + Why(e.path));
        if (!e.directory && !MayDelete(canon)) Broke("file deleted: " + e.path + Why(e.path));
      } else if (!e.directory && !MayDelete(canon) &&
                 (*now != e.attributes || a_.files.Contents(e.path) != b_.files.Contents(e.path))) {
        Broke("file changed: " + e.path);
      }
    }
    // A rewrite of Wininit.ini that failed half-way may leave a whole copy, old or new, beside it.
    // A fresh copy whose writing and deleting both failed stays as far as it got.
    const std::string old_ini = b_.files.Contents(wininit).value_or("");
    const std::string new_ini = a_.files.Contents(wininit).value_or("");
    for (const sim::EntryInfo& e : a_.files.Entries()) {
      const std::string canon = FoldName(e.path);
      const std::optional<std::string> bytes = a_.files.Contents(e.path);
      const bool beside_wininit = Parent(canon) == Parent(wininit) && bytes;
      const bool whole_copy = beside_wininit && bytes->find("NUL=") != std::string::npos &&
                              LostLine(old_ini, *bytes).empty();
      const bool stopped_copy = beside_wininit && !w_.preview &&
                                StartsWith(canon, Parent(wininit) + "\\VRX") &&
                                canon.ends_with(".TMP") && new_ini.starts_with(*bytes);
      if (!had.count(canon) && !Exempt(canon, false) && canon != wininit && !whole_copy &&
          !stopped_copy) {
        Broke((e.directory ? "folder created: " : "file created: ") + e.path);
      }
    }
  }

  void CheckRegistry() {
    const std::string shared =
        "HKEY_LOCAL_MACHINE\\" + std::string(kCurrentVersion) + "\\SHAREDDLLS";
    auto may_set = [&](const std::string& key, const std::string& value) {
      return (key == shared && allowed_.shared_values.count(FoldName(value))) ||
             (key == "HKEY_LOCAL_MACHINE\\" + std::string(kCurrentVersion) + "\\RUNONCE" &&
              FoldName(value) == "DOCSEAL2") ||
             (StartsWith(key, "HKEY_CLASSES_ROOT\\CLSID\\{BF7A5B3D-566C-11D3-99AF-0010608026A6}") &&
              FoldName(value) == "REBOOT");
    };
    b_.registry.ForEachKey([&](HKey hive, const std::string& path, const sim::SimKey& key) {
      const std::string shown = std::string(HiveName(hive)) + (path.empty() ? "" : "\\" + path);
      const std::string folded = FoldName(shown);
      const sim::SimKey* now = a_.registry.FindKey(hive, path);
      if (now == nullptr) {
        if (!allowed_.KeyMayGo(folded)) Broke("registry key deleted: " + shown);
        return;
      }
      for (const sim::SimValue& v : key.values()) {
        const sim::SimValue* after = now->FindValue(v.name);
        if ((after == nullptr || !(*after == v)) && !allowed_.KeyMayGo(folded) &&
            !may_set(folded, v.name)) {
          Broke(std::string(after ? "registry value changed: " : "registry value deleted: ") +
                shown + " [" + v.name + "]");
        }
      }
    });
    a_.registry.ForEachKey([&](HKey hive, const std::string& path, const sim::SimKey& key) {
      const std::string shown = std::string(HiveName(hive)) + (path.empty() ? "" : "\\" + path);
      const sim::SimKey* was = b_.registry.FindKey(hive, path);
      for (const sim::SimValue& v : key.values()) {
        if ((was == nullptr || was->FindValue(v.name) == nullptr) &&
            !may_set(FoldName(shown), v.name)) {
          Broke("registry value created: " + shown + " [" + v.name + "]");
        }
      }
    });
    for (const auto& [kind, normal] : b_.word.templates) {
      auto it = a_.word.templates.find(kind);
      const bool same = it != a_.word.templates.end() &&
                        it->second.MenubarText() == normal.MenubarText() &&
                        it->second.FilemenuText() == normal.FilemenuText() &&
                        it->second.KeysText() == normal.KeysText();
      if (!same && !allowed_.word) Broke("Word's Normal template changed: " + kind);
    }
  }

  // Only the add-in's files and the uninstaller itself may wait for the next start of Windows.
  void CheckWaits() {
    for (const std::string& canon : new_waits_) {
      if (canon != allowed_.self && !allowed_.files.count(canon) &&
          !allowed_.group_folders.count(Parent(canon))) {
        Broke("scheduled for the next start of Windows, not the add-in's: " + canon);
      }
    }
  }

  // A preview, or a run that did nothing: the image is the same but for the log and snapshot.
  void SameImage() {
    std::map<std::string, std::string> before, after;
    auto walk = [&](const SimMachine& m, std::map<std::string, std::string>* out, bool existed) {
      m.files.VisitEntries([&](const sim::EntryInfo& e, const std::string& contents) {
        const std::string canon = FoldName(e.path);
        if (Exempt(canon, existed || b_.files.Exists(e.path))) return;
        (*out)[canon] = e.path + (e.directory ? " (folder)" : "") + " attributes " +
                        std::to_string(e.attributes) + (e.in_use ? " in use" : "") + " " + contents;
      });
    };
    walk(b_, &before, true);
    walk(a_, &after, false);
    std::vector<std::string> changes;
    for (const auto& [canon, was] : before) {
      auto it = after.find(canon);
      if (it == after.end() || it->second != was) {
        changes.push_back(std::string(it == after.end() ? "gone: " : "changed: ") +
                          was.substr(0, was.find(" attributes")));
      }
    }
    for (const auto& [canon, now] : after) {
      if (!before.count(canon)) changes.push_back("new: " + now.substr(0, now.find(" attributes")));
    }
    for (size_t i = 0; i < changes.size() && i < 3; ++i)
      Broke("nothing may change, yet " + changes[i]);
    if (changes.size() > 3)
      Broke("... and " + std::to_string(changes.size() - 3) + " more changes");
    // The facts of machine.ini, but for the files' own, which the walk compared, and the clock.
    auto facts = [](const SimMachine& m) {
      std::string out, section;
      std::istringstream in(sim::MachineIni::Format(m));
      for (std::string line; std::getline(in, line);) {
        if (StartsWith(line, "[")) section = line;
        if (section != "[folders]" && section != "[attributes]" && section != "[in-use]" &&
            !StartsWith(line, "clock=")) {
          out += line + "\n";
        }
      }
      return out;
    };
    if (std::string line = FirstDifference(facts(b_), facts(a_)); !line.empty()) {
      Broke("nothing may change, yet machine.ini changed: " + line);
    }
    const std::string line =
        FirstDifference(sim::FormatRegFile(b_.registry, sim::RegFileFormat::kRegedit4),
                        sim::FormatRegFile(a_.registry, sim::RegFileFormat::kRegedit4));
    if (!line.empty()) Broke("nothing may change, yet the registry changed: " + line);
  }

  // A snapshot is written only where the run it stands for removes nothing: the next real run
  // would take it away.
  void CheckSnapshotPlace() {
    const std::string snapshot = Canon(b_, w_.snapshot);
    if (w_.snapshot.empty() || b_.files.Exists(snapshot) || !a_.files.Exists(snapshot)) return;
    Words all = w_;
    if (!all.any_code) all.chosen.fill(true);
    if (WhatMayGo(b_, all, protection_).folders.count(snapshot)) {
      Broke("a snapshot in a folder the run removes: " + snapshot);
    }
  }

  // A file that is not a log keeps its bytes; Wininit.ini, which the run may rewrite, takes no
  // line of a log.
  void CheckLogFile() {
    if (log_path_.empty() || log_may_change_ || !a_.files.Exists(log_path_)) return;
    const std::string now = a_.files.Contents(log_path_).value_or("");
    const bool wininit = log_path_ == Canon(b_, b_.facts.windows + "\\Wininit.ini");
    if (wininit ? now.find(kLogStarts[0]) != std::string::npos ||
                      now.find(kLogStarts[1]) != std::string::npos
                : now != b_.files.Contents(w_.log)) {
      Broke("/LOG= replaced a file that is not its log: " + w_.log);
    }
  }

  void CheckWininit() {
    const std::optional<std::string> was = b_.files.Contents(b_.facts.windows + "\\Wininit.ini");
    if (!was) return;
    const std::optional<std::string> now = a_.files.Contents(b_.facts.windows + "\\Wininit.ini");
    if (!now) return Broke("Wininit.ini is gone");
    if (std::string lost = LostLine(*was, *now); !lost.empty()) {
      Broke("Wininit.ini lost the line \"" + lost + "\"");
    }
  }

  // A shared component is unregistered only where it may go: "regsvr32 /u /s PATH" started for
  // a file that is there (for one that is gone it changes nothing).
  void CheckUnregistered() {
    const std::string marker = "regsvr32 /u /s ";
    for (const std::string& line : a_.transcript.lines()) {
      const size_t at = line.find(marker);
      if (!StartsWith(line, "start \"") || at == std::string::npos) continue;
      std::string path =
          line.substr(at + marker.size(), line.find("\" style") - at - marker.size());
      for (size_t q = path.find("\\\""); q != std::string::npos; q = path.find("\\\"")) {
        path.erase(q, 2);  // the quotation marks of a path with a blank, as the transcript shows
      }
      if (b_.files.Exists(path) && !allowed_.files.count(Canon(b_, path))) {
        Broke("unregistered, not the add-in's: " + path);
      }
    }
  }

  // Word N is the program's when the transcript says it started it.
  void CheckWord() {
    std::set<int> own;
    for (const std::string& line : a_.transcript.lines()) {
      std::istringstream in(line);
      std::string word, what;
      int n = 0;
      if (in >> word >> n >> what && word == "word" && what == "starts") own.insert(n);
    }
    for (const std::string& line : a_.transcript.lines()) {
      std::istringstream in(line);
      std::string word;
      int n = 0;
      if (!(in >> word >> n) || word != "word" || own.count(n)) continue;
      for (const char* call :
           {"NormalTemplate.Save", "Quit False", ").Delete", "FindKey.Clear", "KeyBindings.Add"}) {
        if (line.find(call) != std::string::npos) {
          Broke("a Word the program did not start was touched: " + line);
          break;
        }
      }
    }
  }

  // Whether something of the run other than the uninstaller waits for the next start; `all`
  // false: an ordinary file (Start Menu entries and shared components that could not be
  // unregistered wait without a restart being asked for).
  bool WaitsOtherThanSelf(bool all) const {
    for (const std::string& canon : new_waits_) {
      if (canon != allowed_.self && (all || (!allowed_.group_folders.count(Parent(canon)) &&
                                             !allowed_.shared_files.count(canon)))) {
        return true;
      }
    }
    return false;
  }

  // What the log says happened happened.
  void CheckLogText() {
    if (log_.empty()) return;
    std::istringstream in(log_);
    std::set<std::string> next_start;
    std::vector<std::string> waiting;  // a what-if's summary of what would wait
    bool in_waiting = false;
    for (std::string line; std::getline(in, line);) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      auto after = [&](const std::string& start) -> std::optional<std::string> {
        if (!StartsWith(line, start)) return std::nullopt;
        return line.substr(start.size());
      };
      if (in_waiting && StartsWith(line, "  ") && line != "  nothing") {
        std::string path = line.substr(2);
        if (path.ends_with(" (Wininit.ini)")) path.resize(path.size() - 14);
        waiting.push_back(path);
      }
      in_waiting = (in_waiting && StartsWith(line, "  ")) ||
                   line == "Waiting for the next start of Windows:";
      std::optional<std::string> path;
      if ((path = after("Scheduled for deletion at the next restart: ")) ||
          (path = after("  Deleted at the next start of Windows: "))) {
        next_start.insert(Canon(b_, *path));
        if (!w_.preview && !waits_after_.count(Canon(b_, *path))) {
          Broke("the log says it waits for the next start of Windows, yet it does not: " + *path);
        }
      }
      if (w_.preview) continue;
      if ((path = after("Deleted file ")) && a_.files.Exists(Canon(b_, *path)) &&
          !touched_by_user_.count(Canon(b_, *path))) {
        Broke("the log says deleted, yet it is there: " + *path);
      }
      if ((path = after("Removed folder ")) && a_.files.Exists(Canon(b_, *path)) &&
          !Exempt(Canon(b_, *path), false)) {  // a file the user wrote makes it again
        Broke("the log says removed, yet it is there: " + *path);
      }
      if ((path = after("  Kept file ")) || (path = after("  Kept folder "))) {
        const size_t end = std::min(
            {path->find(": ", 2), path->find(" with everything"), path->find(" (the answer")});
        const std::string kept = path->substr(0, end);
        if (!a_.files.Exists(Canon(b_, kept))) Broke("the log says kept, yet it is gone: " + kept);
      }
      if (line == "  A restart is needed: yes" && !WaitsOtherThanSelf(true)) {
        Broke("the log says a restart is needed, yet nothing of the run waits for it");
      }
      if (line == "  A restart is needed: no" && WaitsOtherThanSelf(false)) {
        Broke("the log says no restart is needed, yet files of the run wait for it");
      }
    }
    for (const std::string& path : waiting) {
      if (!next_start.count(Canon(b_, path)) && Canon(b_, path) != allowed_.self) {
        Broke("the what-if's summary lists for the next start what its log does not: " + path);
      }
    }
    if (w_.preview && !waiting.empty()) {
      std::set<std::string> listed;
      for (const std::string& path : waiting) listed.insert(Canon(b_, path));
      for (const std::string& canon : next_start) {
        if (!listed.count(canon)) {
          Broke("the what-if's log says it waits for the next start, its summary does not: " +
                canon);
        }
      }
    }
  }

  void CheckExitCode() {
    if (!run_.exit_code) return;
    const int code = *run_.exit_code;
    const std::string is = "exit code " + std::to_string(code) + ": ";
    if (!w_.quiet) {
      if (code != 0) Broke(is + "without /QUIET it is always 0");
      return;
    }
    if (w_.preview) {
      if (code != 0 && code != 1603 && code != 1618) Broke(is + "a preview gives 0, 1603 or 1618");
      return;
    }
    if (b_.facts.another_instance) {
      if (code != 1618) Broke(is + "another copy runs: 1618");
      return;
    }
    if ((b_.facts.platform != 1 && b_.facts.platform != 2) || !w_.any_code) {
      if (code != 1603) Broke(is + "nothing to do: 1603");
      return;
    }
    if (code == 3010 && !WaitsOtherThanSelf(true)) {
      Broke(is + "nothing of the run but the uninstaller waits for the next start");
    } else if (code == 0 && WaitsOtherThanSelf(false)) {
      Broke(is + "files of the run wait for the next start");
    } else if (code != 0 && code != 3010) {
      Broke(is + "a finished quiet run gives 0 or 3010");
    }
  }

  const JudgedRun& run_;
  SimMachine& b_;
  const SimMachine& a_;
  Words w_;
  Protection protection_;
  Allowed allowed_;
  std::string log_path_, log_;
  bool log_may_change_ = false;
  std::set<std::string> yes_folders_, waits_after_, touched_by_user_;
  std::vector<std::string> new_waits_;
  std::vector<std::string> broken_;
};

}  // namespace

std::vector<std::string> Judge(const JudgedRun& run) { return Judgement(run).Verdict(); }

}  // namespace vrx
