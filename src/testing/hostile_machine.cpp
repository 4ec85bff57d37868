#include "testing/hostile_machine.h"

#include <algorithm>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>

#include "helpers/registry_tools.h"
#include "platform/sim/machine_image.h"
#include "platform/sim/machine_ini.h"
#include "platform/windows_names.h"
#include "simulator/session.h"
#include "startup/variants.h"
#include "testing/oracle.h"

namespace vrx::hostile {
namespace {

namespace fs = std::filesystem;
using sim::SimMachine;

constexpr const char* kCurrentVersion = "Software\\Microsoft\\Windows\\CurrentVersion";
constexpr const char* kShellFolders =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr const char* kProfileList =
    "Software\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList\\S-1-5-21-1001";

// The images a case starts from.
constexpr const char* kTemplates[] = {
    "samples/win98-all",
    "samples/nt-word",
    "samples/nt-shared",
    "tests/wine/machines/nt-all",
    "tests/wine/machines/98-wininit",
    "tests/wine/machines/hostile",
};

// The Defaults values that name folders.
constexpr const char* kFolderValues[] = {
    "Source Directory",     "Sig File Directory", "Data Directory",
    "Help Files Directory", "Stamp Directory",    "SRCDIR",
    "Program Directory",    "Startup Directory",  "Documents Directory"};

std::string Parent(const std::string& path) { return path.substr(0, path.rfind('\\')); }

std::string Join(const std::string& folder, const std::string& name) {
  return folder.ends_with("\\") ? folder + name : folder + "\\" + name;
}

std::string Lower(std::string text) {
  for (char& c : text) {
    const auto u = static_cast<unsigned char>(c);
    if ((u >= 'A' && u <= 'Z') || (u >= 0xC0 && u <= 0xDE && u != 0xD7))
      c = static_cast<char>(u + 0x20);
  }
  return text;
}

void SetText(SimMachine& m, HKey hive, const std::string& key, const std::string& name,
             const std::string& text) {
  m.registry.EnsureKey(hive, key).SetValue(name, kRegSz, text + std::string(1, '\0'));
}

void SetDword(sim::SimKey& key, const std::string& name, uint32_t n) {
  std::string data(4, '\0');
  for (size_t i = 0; i < 4; ++i) data[i] = static_cast<char>(n >> (8 * i));
  key.SetValue(name, kRegDword, data);
}

// Takes a file or a folder with all it holds off the machine, whatever holds it.
void Remove(SimMachine& m, const std::string& path) {
  std::vector<sim::EntryInfo> doomed;
  const std::string folded = FoldName(m.files.LongPath(path).value_or(""));
  if (folded.empty()) return;
  for (const sim::EntryInfo& e : m.files.Entries()) {
    const std::string f = FoldName(e.path);
    if (f == folded || f.starts_with(folded + "\\")) doomed.push_back(e);
  }
  std::reverse(doomed.begin(), doomed.end());  // what a folder holds before the folder
  for (const sim::EntryInfo& e : doomed) {
    (void)m.files.SetInUse(e.path, false);
    (void)m.files.SetAttributes(e.path, 0);
    if (e.directory) {
      (void)m.files.RemoveDirectory(e.path);
    } else {
      (void)m.files.DeleteFile(e.path);
    }
  }
}

void RemoveKey(SimMachine& m, HKey hive, const std::string& path) {
  DeleteSubKeys(m.registry, path, hive);
  (void)m.registry.DeleteKey(hive, path);
}

// The machine its image loads as: the drives made again in the order an image folder gives them
// (valid 8.3 names first, then listing order), so that every short name is the one a replay gets;
// the registry and machine.ini copied as CopyMachine copies them.
std::unique_ptr<SimMachine> Normalize(const SimMachine& m) {
  auto out = std::make_unique<SimMachine>();
  std::vector<std::string> folders;
  std::map<std::string, std::vector<sim::SimFiles::NewEntry>> held;
  for (char drive : m.files.Drives()) {
    folders.push_back(std::string{drive, ':'});
    (void)out->files.AddDirectory(folders.back() + "\\");
  }
  m.files.VisitEntries([&](const sim::EntryInfo& e, const std::string& contents) {
    const size_t slash = e.path.rfind('\\');
    held[FoldName(e.path.substr(0, slash))].push_back(
        {e.path.substr(slash + 1), e.directory, e.directory ? "" : contents});
    if (e.directory) folders.push_back(e.path);
  });
  for (const std::string& folder : folders) {
    std::vector<sim::SimFiles::NewEntry>& entries = held[FoldName(folder)];
    std::stable_partition(entries.begin(), entries.end(),
                          [](const auto& e) { return IsShortName(e.name); });
    if (!out->files.AddEntries(folder + "\\", std::move(entries))) {
      throw std::logic_error("cannot make the entries of " + folder);
    }
  }
  m.registry.ForEachKey([&](HKey hive, const std::string& path, const sim::SimKey& key) {
    sim::SimKey& copy =
        path.empty() ? *out->registry.Hive(hive) : out->registry.EnsureKey(hive, path);
    for (const sim::SimValue& v : key.values()) copy.SetValue(v.name, v.type, v.data);
  });
  out->registry_format = m.registry_format;
  std::string error;
  std::optional<sim::MachineIni> ini =
      sim::MachineIni::Parse(sim::MachineIni::Format(m), "machine.ini", &error);
  if (!ini || !ini->ApplyTo(out.get(), &error)) throw std::logic_error(error);
  return out;
}

// ---------------------------------------------------------------------------------------------
// The ingredients

struct Kitchen {
  Choices& pick;
  SimMachine& m;
  Case& c;
  std::vector<std::string> add_in;   // the add-in's folders as its setup recorded them
  std::vector<std::string> targets;  // folders of Windows, the user and other programs
  std::vector<std::string> named;    // folders the values name: the user's files go there
  std::string log, snapshot;         // where /LOG= and /SNAPSHOT= may point

  uint32_t Below(uint32_t n) { return pick.Below(n); }
  bool OneIn(uint32_t n) { return pick.OneIn(n); }
  template <typename T>
  T Any(const std::vector<T>& from) {
    return from.empty() ? T() : from[Below(static_cast<uint32_t>(from.size()))];
  }
  void Note(const std::string& line) { c.recipe.push_back(line); }
};

// A way of writing a folder that Windows reads as the same folder, or nearly.
std::string Spell(Kitchen& k, const std::string& path) {
  const std::string rest = path.size() > 3 ? path.substr(3) : "";
  const std::string shorter = k.m.files.ShortPath(path).value_or(path);
  switch (k.Below(16)) {
    case 0:
      return FoldName(path);
    case 1:
      return Lower(path);
    case 2:
      return path + "\\";
    case 3:
      return path + (k.OneIn(2) ? "." : ". ");
    case 4:
      return shorter;
    case 5:
      return k.m.files.ShortPath(Parent(path)).value_or(Parent(path)) +
             path.substr(path.rfind('\\'));
    case 6:
      return path.substr(0, 3) + "WINDOWS\\..\\" + rest;
    case 7:
      return "\\\\HOST\\C$\\" + rest;
    case 8:
      return "\\\\?\\" + path;
    case 9:
      return path.substr(0, 2) + rest;
    case 10:
      return rest;
    case 11: {
      std::string s = path;
      std::replace(s.begin(), s.end(), '\\', '/');
      return s;
    }
    case 12:
      return path + "\\.";
    case 13:
      return Join(path, "..\\" + path.substr(path.rfind('\\') + 1));
    default:
      return path;
  }
}

void PlatformFacts(Kitchen& k) {
  if (!k.OneIn(6)) return;
  k.m.facts.platform = static_cast<int>(k.Below(3));
  k.m.ApplyFacts();
  k.Note("platform " + std::to_string(k.m.facts.platform));
}

void Variants(Kitchen& k) {
  for (const VariantInfo& v : kVariants) {
    if (k.m.registry.FindKey(kHkeyLocalMachine, DefaultsKey(v)) == nullptr) continue;
    const uint32_t how = k.Below(5);
    if (how == 0) {
      RemoveKey(k.m, kHkeyLocalMachine, std::string(v.key));
      (void)k.m.registry.DeleteKey(kHkeyLocalMachine,
                                   std::string(kUninstallListKey) + std::string(v.uninstall_entry));
      k.Note("not installed: " + std::string(v.code));
    } else if (how == 1) {
      k.m.registry.FindKey(kHkeyLocalMachine, DefaultsKey(v))->DeleteValue("Source Directory");
      k.Note("half installed: " + std::string(v.code));
    }
  }
}

void FewerStamps(Kitchen& k) {
  const uint32_t one_in = k.OneIn(4) ? 1 : 2 + k.Below(40);
  if (one_in == 1) return;
  for (const sim::EntryInfo& e : k.m.files.Entries()) {
    const std::string upper = FoldName(e.path);
    if (!e.directory &&
        (upper.ends_with(".STB") || upper.ends_with(".STM") || upper.ends_with(".STS") ||
         upper.ends_with(".GIF")) &&
        std::hash<std::string>{}(upper) % one_in != 0) {
      Remove(k.m, e.path);
    }
  }
  k.Note("one stamp file in " + std::to_string(one_in));
}

void WindowsFolders(Kitchen& k) {
  const std::string win = k.m.facts.windows;
  const std::string user = k.m.facts.username.empty() ? "user" : k.m.facts.username;
  const std::string profile =
      (k.OneIn(2) ? "C:\\Documents and Settings\\" : win + "\\Profiles\\") + user;
  struct Place {
    HKey hive;
    const char* key;
    const char* value;
    std::string path;
  };
  const std::vector<Place> places = {
      {kHkeyLocalMachine, kCurrentVersion, "ProgramFilesDir", "C:\\Program Files"},
      {kHkeyLocalMachine, kCurrentVersion, "CommonFilesDir", "C:\\Program Files\\Common Files"},
      {kHkeyCurrentUser, kShellFolders, "Personal",
       k.OneIn(2) ? "C:\\My Documents" : profile + "\\Personal"},
      {kHkeyCurrentUser, kShellFolders, "Desktop", profile + "\\Desktop"},
      {kHkeyCurrentUser, kShellFolders, "Startup", profile + "\\Start Menu\\Programs\\Startup"},
      {kHkeyCurrentUser, kShellFolders, "AppData", profile + "\\Application Data"},
      {kHkeyCurrentUser, kShellFolders, "Fonts", win + "\\Fonts"},
      {kHkeyLocalMachine, kShellFolders, "Common Desktop", win + "\\Profiles\\All Users\\Desktop"},
      {kHkeyLocalMachine, kProfileList, "ProfileImagePath", profile},
  };
  for (const Place& p : places) {
    if (k.OneIn(8)) continue;
    SetText(k.m, p.hive, p.key, p.value, p.path);
    (void)k.m.files.AddDirectory(p.path);
    k.targets.push_back(p.path);
  }
  for (const std::string& path :
       {win, k.m.facts.system, win + "\\TEMP", win + "\\INF", win + "\\SYSTEM", win + "\\Fonts",
        profile + "\\Local Settings\\Temp", std::string("C:\\TEMP"), std::string("C:\\"),
        std::string("C:\\Program Files\\Other App"),
        std::string("C:\\Donn\xE9"
                    "es\\\xDC"
                    "bersicht")}) {
    (void)k.m.files.AddDirectory(path);
    k.targets.push_back(path);
  }
  for (const auto& [key, value] :
       {std::pair{"Software\\Microsoft\\Office\\8.0\\Common\\InstallRoot", "OfficeBin"},
        std::pair{"Software\\Microsoft\\Office\\9.0\\Common\\InstallRoot", "Path"},
        std::pair{"Software\\Docseal4\\WPWIN8\\Defaults", "Program Directory"}}) {
    const sim::SimKey* found = k.m.registry.FindKey(kHkeyLocalMachine, key);
    const sim::SimValue* v = found ? found->FindValue(value) : nullptr;
    if (v != nullptr && k.m.files.Exists(v->data.c_str())) k.targets.push_back(v->data.c_str());
  }
}

void LogAndSnapshotFolders(Kitchen& k) {
  auto folder = [&]() -> std::string {
    switch (k.Below(4)) {
      case 0:
        return k.Any(k.add_in);
      case 1:
        return k.Any(k.targets);
      case 2:
        return "C:\\";
      default:
        return "C:\\Logs";
    }
  };
  const std::string log_folder = folder();
  const std::string snapshot_folder = folder();
  k.log =
      Join(log_folder.empty() ? "C:\\" : log_folder, k.OneIn(2) ? "vrx.log" : "Uninstall Log.txt");
  k.snapshot = Join(snapshot_folder.empty() ? "C:\\" : snapshot_folder, "snap");
}

void HostileValues(Kitchen& k) {
  for (uint32_t n = k.Below(6); n > 0; --n) {
    const VariantInfo& v = kVariants[k.Below(kVariantCount)];
    std::string key = DefaultsKey(v);
    std::string name = kFolderValues[k.Below(std::size(kFolderValues))];
    if (v.code == "MSWORD" && k.OneIn(3)) {
      key += k.OneIn(2) ? "\\8" : "\\9";
      name = "Startup Path";
    }
    std::string folder;
    switch (k.Below(5)) {
      case 0:
        folder = k.Any(k.targets);
        break;
      case 1:
        folder = Join(k.Any(k.targets), k.OneIn(2) ? "Docseal" : "~VRX0001");
        break;
      case 2:
        folder = k.OneIn(2) ? Parent(k.log) : k.snapshot;
        break;
      case 3:
        folder = k.Any(k.add_in);
        break;
      default:
        folder = Parent(k.Any(k.add_in));
        break;
    }
    if (folder.size() < 2) folder = "C:\\";
    if (folder.size() == 2) folder += "\\";
    if (!k.m.files.Exists(folder) && k.OneIn(2)) (void)k.m.files.AddDirectory(folder);
    const std::string spelt = Spell(k, folder);
    SetText(k.m, kHkeyLocalMachine, key, name, spelt);
    k.named.push_back(folder);
    k.Note("value " + key + " [" + name + "] = " + spelt);
  }
}

void UserFiles(Kitchen& k) {
  static const char* kNames[] = {"Letter to Mr M\xFCller.doc",
                                 "NOTES.TXT",
                                 "my stamp.stb",
                                 "Report 2024.xls",
                                 "SETUP.LOG",
                                 "~WRL0001.tmp"};
  std::vector<std::string> folders = k.named;
  for (const std::string& folder : k.add_in) {
    if (k.OneIn(2)) folders.push_back(folder);
  }
  for (const std::string& folder : folders) {
    for (uint32_t n = k.Below(4); n > 0; --n) {
      std::string path = Join(folder, kNames[k.Below(std::size(kNames))]);
      if (k.OneIn(5)) path = Join(Join(folder, "Sub"), "kept.txt");
      if (k.m.files.Exists(path) || !k.m.files.AddFile(path, "the user's own " + path)) continue;
      const uint32_t attributes = k.OneIn(2) ? k.Below(8) : 0;  // R H S
      (void)k.m.files.SetAttributes(path, (attributes & 1 ? kAttrReadOnly : 0) |
                                              (attributes & 2 ? kAttrHidden : 0) |
                                              (attributes & 4 ? kAttrSystem : 0));
      const bool in_use = k.OneIn(5) && k.m.files.SetInUse(path, true);
      k.Note("user file " + path + " attributes " + std::to_string(attributes) +
             (in_use ? " in use" : ""));
    }
  }
}

void AddInFiles(Kitchen& k) {
  std::vector<std::string> files;
  const std::string system = FoldName(k.m.facts.system);
  for (const sim::EntryInfo& e : k.m.files.Entries()) {
    const std::string upper = FoldName(e.path);
    if (e.directory) continue;
    bool add_in = FoldName(Parent(e.path)) == system;
    for (const std::string& folder : k.add_in) add_in |= upper.starts_with(FoldName(folder) + "\\");
    if (add_in) files.push_back(e.path);
  }
  for (uint32_t n = k.Below(5); n > 0 && !files.empty(); --n) {
    const std::string path = k.Any(files);
    if (k.OneIn(2)) {
      (void)k.m.files.SetInUse(path, true);
      k.Note("in use: " + path);
    } else {
      const uint32_t a = 1 + k.Below(7);
      (void)k.m.files.SetAttributes(path, (a & 1 ? kAttrReadOnly : 0) | (a & 2 ? kAttrHidden : 0) |
                                              (a & 4 ? kAttrSystem : 0));
      k.Note("attributes " + std::to_string(a) + ": " + path);
    }
  }
}

void SharedCounts(Kitchen& k) {
  sim::SimKey* key =
      k.m.registry.FindKey(kHkeyLocalMachine, std::string(kCurrentVersion) + "\\SharedDLLs");
  if (key == nullptr) return;
  std::vector<std::string> names;
  for (const sim::SimValue& v : key->values()) names.push_back(v.name);
  for (const std::string& name : names) {
    switch (k.Below(9)) {
      case 0:
        key->DeleteValue(name);
        break;
      case 1:
        SetDword(*key, name, 0);
        break;
      case 2:
        SetDword(*key, name, 2);
        break;
      case 3:
        SetDword(*key, name, 9);
        break;
      case 4:
        key->SetValue(name, kRegSz, std::string("3 users") + '\0');
        break;
      default:
        continue;
    }
    k.Note("SharedDLLs count changed: " + name);
  }
}

void Wininit(Kitchen& k) {
  const std::string path = k.m.facts.windows + "\\Wininit.ini";
  const std::string self = FoldName(k.m.facts.system + "\\VRXUnInst.EXE");
  static const std::string kContents[] = {
      "",
      "[rename]\r\nNUL=C:\\OLDSETUP\\OLD.DLL\r\nC:\\WINDOWS\\SYSTEM\\NEW.DLL=C:"
      "\\WINDOWS\\TEMP\\NEW.DLL\r\n",
      "[Other]\r\nkey=1\r\n",
      "[RENAME]\nNUL=C:\\OLDSETUP\\LF.DLL\n",
      "[RENAME]\r\nNUL=C:\\A.TMP\r\n[misc]\r\n[RENAME]\r\nNUL=C:\\B.TMP\r\n",
  };
  const uint32_t what = k.Below(8);
  if (what == 7) return;
  if (what == 6) {
    Remove(k.m, path);
  } else {
    std::string text = what == 5 ? "[RENAME]\r\nNUL=" + self + "\r\n" : kContents[what];
    (void)k.m.files.AddFile(path, text);
  }
  const uint32_t state = k.Below(4);
  if (state == 1) (void)k.m.files.SetInUse(path, true);
  if (state == 2) (void)k.m.files.SetAttributes(path, kAttrHidden | kAttrReadOnly);
  k.Note("Wininit.ini " + std::to_string(what) + " state " + std::to_string(state));
}

void OtherPending(Kitchen& k) {
  if (k.OneIn(4)) k.m.system.pending.push_back("C:\\OLDSETUP\\OLD.DLL");
  if (k.OneIn(8)) k.m.system.pending.push_back(k.m.facts.system + "\\VRXUnInst.EXE");
}

void UsersWord(Kitchen& k) {
  if (k.OneIn(2)) return;
  sim::WordFacts& f = k.m.word.facts;
  f.running = static_cast<int>(k.Below(3));
  f.cancel_saves = static_cast<int>(k.Below(3));
  f.unreachable = static_cast<int>(k.Below(2));
  f.register_at_once = k.OneIn(3);
  f.never_document = k.OneIn(12);
  f.busy_pumps = static_cast<int>(k.Below(12));
  f.document_pumps = 1 + static_cast<int>(k.Below(12));
  k.Note("Word: running " + std::to_string(f.running) + ", cancels " +
         std::to_string(f.cancel_saves) + ", unreachable " + std::to_string(f.unreachable));
}

void AnotherCopy(Kitchen& k) {
  if (!k.OneIn(40)) return;
  k.m.facts.another_instance = true;
  k.Note("another copy runs");
}

// Mid-run events of the person and other programs: none yet.
void Events(Kitchen&) {}

std::string LogPath(Kitchen& k) {
  switch (k.Below(8)) {
    case 0:
      return Spell(k, k.log);
    case 1: {
      const std::string mine = Join(k.Any(k.targets), "budget.xls");
      (void)k.m.files.AddFile(mine, "the user's budget");
      return mine;
    }
    case 2:
      return k.m.facts.windows + "\\Wininit.ini";
    case 3:
      (void)k.m.files.AddFile(k.log, "Docseal Uninstaller 4.0 log, started yesterday\r\n");
      return k.log;
    case 4:
      return Join(k.Any(k.add_in), k.OneIn(2) ? "CSU.BIN" : "DRAFT.STB");
    case 5:
      return "C:\\No Such Folder\\vrx.log";
    case 6:
      return "";
    default:
      return Join(k.m.files.ShortPath(Parent(k.log)).value_or(Parent(k.log)),
                  k.log.substr(k.log.rfind('\\') + 1));
  }
}

std::string Preview(Kitchen& k) {
  static const char* kWhatIf[] = {"/WHATIF", "-WHATIF", "/WHATIF:", "\"/WHATIF\"",
                                  "/whatif", "/WhatIf", "WHATIF"};
  static const char* kSnapshot[] = {
      "/SNAPSHOT=", "/snapshot=", "/SNAPSHOT:", "-SNAPSHOT=", "\"/SNAPSHOT=", "/Snapshot="};
  if (k.OneIn(2)) return kWhatIf[k.Below(std::size(kWhatIf))];
  std::string dir;
  switch (k.Below(5)) {
    case 0:
      dir = k.snapshot;
      break;
    case 1:
      dir = Spell(k, k.snapshot);
      break;
    case 2:
      dir = "C:\\Empty";
      (void)k.m.files.AddDirectory(dir);
      break;
    case 3:
      dir = k.Any(k.targets);
      break;
    default:
      dir = "C:\\No Such Folder\\snap";
      break;
  }
  return kSnapshot[k.Below(std::size(kSnapshot))] + dir;
}

bool NamesVariant(const std::string& word) {
  const std::string upper = FoldName(word);
  if (upper.starts_with("/LOG=") || upper.starts_with("/SNAPSHOT=")) return false;
  for (const VariantInfo& v : kVariants) {
    if (upper.find(v.code) != std::string::npos) return true;
  }
  return false;
}

void CommandLine(Kitchen& k) {
  std::vector<std::string> words;
  for (const VariantInfo& v : kVariants) {
    if (!k.OneIn(3)) continue;
    const std::string code = k.OneIn(3) ? Lower(std::string(v.code)) : std::string(v.code);
    static const char* kBefore[] = {"", "", "/", "-"};
    words.push_back(kBefore[k.Below(4)] + code);
  }
  if (k.OneIn(3)) words.push_back(k.OneIn(3) ? "/noreboot" : "NOREBOOT");
  if (k.OneIn(2)) words.push_back(k.OneIn(3) ? "/quiet" : "/QUIET");
  if (k.OneIn(2)) words.push_back("/LOG=" + LogPath(k));
  if (k.OneIn(3)) words.push_back(Preview(k));
  if (k.OneIn(8))
    words.push_back(k.Any(std::vector<std::string>{"/?", "REMOVE", "\"\"", "/QUIET:", "/LOG"}));
  for (size_t i = words.size(); i > 1; --i)
    std::swap(words[i - 1], words[k.Below(static_cast<uint32_t>(i))]);
  for (const std::string& word : words) {
    // A blank ends a word: a path with one is cut there, as on Windows.
    std::istringstream parts(word);
    for (std::string part; parts >> part;) {
      k.c.command_line += (k.c.command_line.empty() ? "" : " ") + part;
    }
  }
  k.Note("command line: " + k.c.command_line);
}

void Script(Kitchen& k) {
  auto add = [&](const char* verb, const std::string& argument) {
    k.c.actions.push_back({0, verb, argument});
  };
  for (uint32_t n = k.Below(5); n > 0; --n) add("answer", k.OneIn(2) ? "yes" : "no");
  std::istringstream words(k.c.command_line);
  bool code = false;
  for (std::string word; words >> word;) code |= NamesVariant(word);
  if (!code) {
    for (int box = 0; box < static_cast<int>(kVariantCount); ++box) {
      if (k.OneIn(2)) add("tick", std::to_string(box));
    }
    if (k.OneIn(10)) add("click", "cmdCancel");
    add("click", "cmdNext");
    add("click", "cmdNext");
  }
  if (k.OneIn(3)) add("click", "cmdDetails");
  add("click", "cmdExit");
  if (k.OneIn(5)) {
    k.m.facts.exit_windows = false;  // a restart Windows accepts would end the run's evidence
    add("click", "cmdRestart");
  } else {
    add("click", "cmdLater");
  }
}

struct Ingredient {
  const char* name;
  void (*add)(Kitchen&);
};

constexpr Ingredient kIngredients[] = {
    {"platform", PlatformFacts},
    {"variants", Variants},
    {"fewer stamps", FewerStamps},
    {"folders of Windows, the user and other programs", WindowsFolders},
    {"the log's and the snapshot's folders", LogAndSnapshotFolders},
    {"Defaults values", HostileValues},
    {"the user's files", UserFiles},
    {"the add-in's files in use or with attributes", AddInFiles},
    {"SharedDLLs counts", SharedCounts},
    {"Wininit.ini", Wininit},
    {"other setups' pending deletions", OtherPending},
    {"the user's Word", UsersWord},
    {"another copy", AnotherCopy},
    {"events", Events},
    {"command line", CommandLine},
    {"script", Script},
};

// The add-in's folders as the Defaults values of the image name them.
std::vector<std::string> AddInFolders(const SimMachine& m) {
  std::vector<std::string> folders;
  m.registry.ForEachKey([&](HKey hive, const std::string& path, const sim::SimKey& key) {
    if (hive != kHkeyLocalMachine || !FoldName(path).starts_with("SOFTWARE\\DOCSEAL4\\")) return;
    for (const sim::SimValue& v : key.values()) {
      if (std::optional<std::string> folder = m.files.LongPath(v.data.c_str());
          folder && folder->size() > 3 &&
          m.files.Attributes(*folder).value_or(0) & kAttrDirectory) {
        folders.push_back(*folder);
      }
    }
  });
  return folders;
}

// ---------------------------------------------------------------------------------------------
// Shrinking

struct Atom {
  enum Kind {
    kWord,
    kAction,
    kFolder,
    kKey,
    kFile,
    kValue,
    kInUse,
    kAttributes,
    kWordFact,
    kPending
  };
  Atom(Kind k, std::string p, std::string n = "", size_t i = 0)
      : kind(k), path(std::move(p)), name(std::move(n)), index(i) {}
  Kind kind;
  std::string path;  // an entry, a key, a word
  std::string name;  // a value
  size_t index;      // an action, a pending deletion, a Word fact; a key's hive
};

std::vector<Atom> Atoms(const Case& c) {
  std::vector<Atom> atoms;
  std::istringstream words(c.command_line);
  for (std::string word; words >> word;) atoms.push_back({Atom::kWord, word});
  for (size_t i = 0; i < c.actions.size(); ++i) atoms.push_back({Atom::kAction, "", "", i});
  const SimMachine& m = *c.machine;
  for (const sim::EntryInfo& e : m.files.Entries()) {
    if (e.directory) atoms.push_back({Atom::kFolder, e.path});
  }
  m.registry.ForEachKey([&](HKey hive, const std::string& path, const sim::SimKey& key) {
    if (!path.empty()) atoms.push_back({Atom::kKey, path, "", hive});
    for (const sim::SimValue& v : key.values()) atoms.push_back({Atom::kValue, path, v.name, hive});
  });
  for (const sim::EntryInfo& e : m.files.Entries()) {
    if (!e.directory) atoms.push_back({Atom::kFile, e.path});
    if (e.in_use) atoms.push_back({Atom::kInUse, e.path});
    if (e.attributes & ~kAttrDirectory) atoms.push_back({Atom::kAttributes, e.path});
  }
  for (size_t i = 0; i < 3; ++i) atoms.push_back({Atom::kWordFact, "", "", i});
  for (size_t i = 0; i < m.system.pending.size(); ++i) atoms.push_back({Atom::kPending, "", "", i});
  return atoms;
}

void Drop(Case& c, const Atom& a) {
  SimMachine& m = *c.machine;
  switch (a.kind) {
    case Atom::kWord: {
      std::istringstream in(c.command_line);
      std::string kept;
      bool dropped = false;
      for (std::string word; in >> word;) {
        if (!dropped && word == a.path) {
          dropped = true;
        } else {
          kept += (kept.empty() ? "" : " ") + word;
        }
      }
      c.command_line = kept;
      break;
    }
    case Atom::kAction:
      c.actions.erase(c.actions.begin() + static_cast<long>(a.index));
      break;
    case Atom::kFolder:
    case Atom::kFile:
      Remove(m, a.path);
      break;
    case Atom::kKey:
      RemoveKey(m, static_cast<HKey>(a.index), a.path);
      break;
    case Atom::kValue:
      if (sim::SimKey* key = m.registry.FindKey(static_cast<HKey>(a.index), a.path)) {
        key->DeleteValue(a.name);
      }
      break;
    case Atom::kInUse:
      (void)m.files.SetInUse(a.path, false);
      break;
    case Atom::kAttributes:
      (void)m.files.SetAttributes(a.path, 0);
      break;
    case Atom::kWordFact:
      (a.index == 0   ? m.word.facts.running
       : a.index == 1 ? m.word.facts.unreachable
                      : m.word.facts.cancel_saves) = 0;
      break;
    case Atom::kPending:
      m.system.pending.erase(m.system.pending.begin() + static_cast<long>(a.index));
      break;
  }
}

std::string KindOf(const std::string& line) { return line.substr(0, line.find(':')); }

}  // namespace

uint32_t ByteChoices::Below(uint32_t n) {
  uint32_t value = 0;
  for (uint32_t range = 1; range < n && next_ < size_; range <<= 8)
    value = value << 8 | data_[next_++];
  return value % n;
}

Case Case::Clone() const {
  Case copy;
  copy.machine = Normalize(*machine);
  copy.command_line = command_line;
  copy.actions = actions;
  copy.recipe = recipe;
  return copy;
}

Case Generate(Choices& choices, const fs::path& source_dir) {
  static std::map<std::string, std::unique_ptr<SimMachine>> loaded;
  const std::string image =
      (source_dir / kTemplates[choices.Below(std::size(kTemplates))]).string();
  std::unique_ptr<SimMachine>& start = loaded[image];
  if (!start) {
    start = std::make_unique<SimMachine>();
    std::string error;
    if (!sim::LoadMachineImage(image, start.get(), &error)) throw std::runtime_error(error);
  }
  Case c;
  c.machine = std::make_unique<SimMachine>();
  sim::CopyMachine(*start, c.machine.get());
  c.recipe.push_back("machine " + image);
  Kitchen k{choices, *c.machine, c, AddInFolders(*c.machine), {}, {}, {}, {}};
  for (const Ingredient& ingredient : kIngredients) ingredient.add(k);
  c.machine = Normalize(*c.machine);
  return c;
}

std::vector<std::string> RunAndJudge(const Case& c) {
  std::unique_ptr<SimMachine> after = Normalize(*c.machine);
  const simulator::SessionEnd end = simulator::RunSession(*after, c.command_line, c.actions);
  JudgedRun run{c.machine.get(),
                after.get(),
                c.command_line,
                c.actions,
                end.ended ? std::optional<int>(end.exit_code) : std::nullopt,
                {}};
  return Judge(run);
}

Case Shrink(const Case& c, const std::vector<std::string>& verdict, int trials) {
  const std::string kind = KindOf(verdict.front());
  auto still_fails = [&](const Case& trial) {
    --trials;
    for (const std::string& line : RunAndJudge(trial)) {
      if (KindOf(line) == kind) return true;
    }
    return false;
  };
  Case best = c.Clone();
  for (bool progress = true; progress && trials > 0;) {
    progress = false;
    std::vector<Atom> atoms = Atoms(best);
    for (size_t size = std::max<size_t>(atoms.size() / 2, 1); trials > 0; size /= 2) {
      for (size_t at = 0; at < atoms.size() && trials > 0;) {
        const size_t end = std::min(at + size, atoms.size());
        Case trial = best.Clone();
        for (size_t i = end; i-- > at;) Drop(trial, atoms[i]);
        trial.machine = Normalize(*trial.machine);
        if (still_fails(trial)) {
          best = std::move(trial);
          atoms.erase(atoms.begin() + static_cast<long>(at),
                      atoms.begin() + static_cast<long>(end));
          progress = true;
        } else {
          at = end;
        }
      }
      if (size == 1) break;
    }
  }
  return best;
}

bool WriteCase(const Case& c, const fs::path& folder, std::string* error) {
  std::error_code ec;
  fs::create_directories(folder, ec);
  if (!sim::WriteMachineImage(*c.machine, folder / "machine", error)) return false;
  std::ofstream words(folder / "words", std::ios::binary);
  words << c.command_line << "\n";
  std::ofstream script(folder / "script", std::ios::binary);
  for (const std::string& line : c.recipe) script << "# " << line << "\n";
  for (const ScriptAction& a : c.actions) script << a.verb << " " << a.argument << "\n";
  if (!words || !script) {
    *error = folder.string() + ": cannot be written";
    return false;
  }
  return true;
}

bool ReadCase(const fs::path& folder, Case* c, std::string* error) {
  c->machine = std::make_unique<SimMachine>();
  if (!sim::LoadMachineImage(folder / "machine", c->machine.get(), error)) return false;
  std::ifstream words(folder / "words", std::ios::binary);
  std::getline(words, c->command_line);
  c->actions.clear();
  return ParseScript((folder / "script").string(), &c->actions, error);
}

}  // namespace vrx::hostile
