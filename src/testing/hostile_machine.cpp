#include "testing/hostile_machine.h"

#include <algorithm>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <stdexcept>

#include "helpers/registry_tools.h"
#include "platform/sim/machine_image.h"
#include "platform/sim/machine_ini.h"
#include "platform/windows_names.h"
#include "simulator/session.h"
#include "state/variants.h"
#include "testing/oracle.h"

namespace vrx::hostile {
namespace {

namespace fs = std::filesystem;
using sim::SimMachine;
using Strings = std::vector<std::string>;

constexpr const char* kCurrentVersion = "Software\\Microsoft\\Windows\\CurrentVersion";
constexpr const char* kShellFolders =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

// The images a case starts from.
constexpr const char* kTemplates[] = {"samples/win98-all",
                                      "samples/nt-word",
                                      "samples/nt-shared",
                                      "tests/wine/machines/nt-all",
                                      "tests/wine/machines/98-wininit",
                                      "tests/wine/machines/hostile"};

std::string Parent(const std::string& path) { return path.substr(0, path.rfind('\\')); }

std::string Join(const std::string& folder, const std::string& name) {
  return folder.ends_with("\\") ? folder + name : folder + "\\" + name;
}

std::string Lower(std::string text) {
  for (char& c : text) {
    const auto u = static_cast<unsigned char>(c);
    if ((u >= 'A' && u <= 'Z') || (u >= 0xC0 && u <= 0xDE && u != 0xD7)) c = char(u + 0x20);
  }
  return text;
}

void SetText(SimMachine& m, HKey hive, const std::string& key, const std::string& name,
             const std::string& text) {
  m.registry.EnsureKey(hive, key).SetValue(name, kRegSz, text + '\0');
}

uint32_t Attributes(uint32_t bits) {
  return (bits & 1 ? kAttrReadOnly : 0) | (bits & 2 ? kAttrHidden : 0) |
         (bits & 4 ? kAttrSystem : 0);
}

// Takes a file or a folder with all it holds off the machine, whatever holds it.
void Remove(SimMachine& m, const std::string& path) {
  const std::string folded = FoldName(m.files.LongPath(path).value_or(""));
  std::vector<sim::EntryInfo> doomed;
  for (const sim::EntryInfo& e : m.files.Entries()) {
    const std::string f = FoldName(e.path);
    if (!folded.empty() && (f == folded || f.starts_with(folded + "\\"))) doomed.push_back(e);
  }
  for (auto e = doomed.rbegin(); e != doomed.rend(); ++e) {  // what a folder holds first
    (void)m.files.SetInUse(e->path, false);
    (void)m.files.SetAttributes(e->path, 0);
    (void)(e->directory ? m.files.RemoveDirectory(e->path) : m.files.DeleteFile(e->path));
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
  Strings folders;
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
    auto& entries = held[FoldName(folder)];
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
// The ingredients, in the order they are added

struct Kitchen {
  Choices& pick;
  SimMachine& m;
  Case& c;
  Strings add_in;             // the add-in's folders as its setup recorded them
  Strings targets;            // folders of Windows, the user and other programs
  Strings named;              // folders the values name: the user's files go there
  Strings files;              // the add-in's files and the user's
  std::string log, snapshot;  // where /LOG= and /SNAPSHOT= may point

  uint32_t Below(size_t n) { return pick.Below(static_cast<uint32_t>(n)); }
  bool OneIn(uint32_t n) { return pick.OneIn(n); }
  std::string Any(const Strings& from) { return from.empty() ? "C:\\" : from[Below(from.size())]; }
  void Note(const std::string& line) { c.recipe.push_back(line); }
};

// A way of writing a folder that Windows reads as the same folder, or nearly.
std::string Spell(Kitchen& k, const std::string& p) {
  const std::string rest = p.size() > 3 ? p.substr(3) : "", parent = Parent(p);
  std::string slashes = p;
  std::replace(slashes.begin(), slashes.end(), '\\', '/');
  const Strings ways = {p,
                        p,
                        FoldName(p),
                        Lower(p),
                        p + "\\",
                        p + ".",
                        p + ". ",
                        p + "\\.",
                        k.m.files.ShortPath(p).value_or(p),
                        k.m.files.ShortPath(parent).value_or(parent) + p.substr(parent.size()),
                        p.substr(0, 3) + "WINDOWS\\..\\" + rest,
                        Join(p, "Sub\\.."),
                        "\\\\HOST\\C$\\" + rest,
                        "\\\\?\\" + p,
                        p.substr(0, 2) + rest,
                        rest,
                        slashes};
  return ways[k.Below(ways.size())];
}

// A spelling with a few characters more, of those paths are made of or that break them.
std::string Mangle(Kitchen& k, std::string p) {
  static const char kBits[] = " .\\/:~1?*\"\xE9";
  for (uint32_t n = 1 + k.Below(4); n > 0; --n) {
    p.insert(k.Below(p.size() + 1), 1, kBits[k.Below(sizeof kBits - 1)]);
  }
  return p;
}

void PlatformFacts(Kitchen& k) {
  if (!k.OneIn(6)) return;
  k.m.facts.platform = static_cast<int>(k.Below(3));
  k.m.ApplyFacts();
  k.Note("platform " + std::to_string(k.m.facts.platform));
}

// Each variant of the image installed, half installed (no "Source Directory") or gone.
void Variants(Kitchen& k) {
  for (const VariantInfo& v : kVariants) {
    sim::SimKey* defaults = k.m.registry.FindKey(kHkeyLocalMachine, DefaultsKey(v));
    const uint32_t how = defaults ? k.Below(5) : 2;
    if (how == 0) {
      RemoveKey(k.m, kHkeyLocalMachine, std::string(v.key));
      RemoveKey(k.m, kHkeyLocalMachine,
                std::string(kUninstallListKey) + std::string(v.uninstall_entry));
    } else if (how == 1) {
      defaults->DeleteValue("Source Directory");
    }
    if (how < 2) k.Note((how ? "half installed: " : "not installed: ") + std::string(v.code));
  }
}

// Most stamps gone, so that a case runs fast.
void FewerStamps(Kitchen& k) {
  const uint32_t one_in = k.OneIn(4) ? 1 : 2 + k.Below(40);
  for (const sim::EntryInfo& e : k.m.files.Entries()) {
    const std::string upper = FoldName(e.path), kind = upper.substr(upper.size() - 4);
    if (one_in > 1 && (kind == ".STB" || kind == ".STM" || kind == ".STS" || kind == ".GIF") &&
        std::hash<std::string>{}(upper) % one_in != 0) {
      (void)k.m.files.SetInUse(e.path, false);
      (void)k.m.files.SetAttributes(e.path, 0);
      (void)k.m.files.DeleteFile(e.path);
    }
  }
  k.Note("one stamp file in " + std::to_string(one_in));
}

// The folders Windows has, most named by the registry as Windows names them.
void WindowsFolders(Kitchen& k) {
  const std::string win = k.m.facts.windows;
  const std::string user = k.m.facts.username.empty() ? "user" : k.m.facts.username;
  const std::string profile =
      (k.OneIn(2) ? "C:\\Documents and Settings\\" : win + "\\Profiles\\") + user;
  const std::string shell = kShellFolders, list =
                                               "Software\\Microsoft\\Windows NT\\CurrentVersion"
                                               "\\ProfileList\\S-1-5-21-1001";
  const struct {
    HKey hive;
    std::string key, value, path;
  } places[] = {
      {kHkeyLocalMachine, kCurrentVersion, "ProgramFilesDir", "C:\\Program Files"},
      {kHkeyLocalMachine, kCurrentVersion, "CommonFilesDir", "C:\\Program Files\\Common Files"},
      {kHkeyCurrentUser, shell, "Personal", k.OneIn(2) ? "C:\\My Documents" : profile + "\\Docs"},
      {kHkeyCurrentUser, shell, "Desktop", profile + "\\Desktop"},
      {kHkeyCurrentUser, shell, "Startup", profile + "\\Start Menu\\Programs\\Startup"},
      {kHkeyCurrentUser, shell, "AppData", profile + "\\Application Data"},
      {kHkeyCurrentUser, shell, "Fonts", win + "\\Fonts"},
      {kHkeyLocalMachine, shell, "Common Desktop", win + "\\Profiles\\All Users\\Desktop"},
      {kHkeyLocalMachine, list, "ProfileImagePath", profile},
  };
  for (const auto& p : places) {
    if (k.OneIn(8)) continue;
    SetText(k.m, p.hive, p.key, p.value, p.path);
    k.targets.push_back(p.path);
  }
  // Another user, logged on while the program runs as someone else: the profile as Windows NT
  // lists it (with a variable in it), the documents folder as that user's loaded hive names it.
  if (k.m.facts.platform == 2 && !k.OneIn(3)) {
    const std::string other = "C:\\Users\\bob";
    k.m.registry
        .EnsureKey(kHkeyLocalMachine,
                   "Software\\Microsoft\\Windows NT\\CurrentVersion"
                   "\\ProfileList\\S-1-5-21-1002")
        .SetValue("ProfileImagePath", kRegExpandSz,
                  std::string("%SystemDrive%\\Users\\bob") + '\0');
    SetText(k.m, kHkeyUsers, "S-1-5-21-1002\\" + shell, "Personal", other + "\\Documents");
    k.targets.push_back(other);
    k.targets.push_back(other + "\\Documents");
    // That user's temporary folder, where setups ran from: through the user's profile, or as is.
    if (!k.OneIn(3)) {
      const std::string temp = k.OneIn(2) ? "\\AppData\\Local\\Temp" : "\\Local Settings\\Temp";
      const bool expand = !k.OneIn(3);
      k.m.registry.EnsureKey(kHkeyUsers, "S-1-5-21-1002\\Environment")
          .SetValue(k.OneIn(2) ? "TEMP" : "TMP", expand ? kRegExpandSz : kRegSz,
                    (expand ? "%USERPROFILE%" : other) + temp + '\0');
      k.targets.push_back(other + temp);
      k.targets.push_back(other + temp + "\\SETUP01");
    }
    k.Note("another user's profile " + other);
  }
  for (const std::string& path :
       {win, k.m.facts.system, win + "\\TEMP", win + "\\INF", win + "\\SYSTEM", win + "\\Fonts",
        profile + "\\Local Settings\\Temp", std::string("C:\\TEMP"), std::string("C:\\"),
        std::string("C:\\Program Files\\Other App"),
        std::string("C:\\Donn\xE9"
                    "es\\\xDC"
                    "ber")}) {
    k.targets.push_back(path);
  }
  for (const std::string& path : k.targets) (void)k.m.files.AddDirectory(path);
  // Other programs' folders: Word's, WordPerfect's.
  for (const std::string& folder : k.add_in) {
    if (FoldName(folder).find("\\OFFICE") != std::string::npos ||
        FoldName(folder).find("\\WPWIN") != std::string::npos) {
      k.targets.push_back(folder);
    }
  }
}

// Another name for a folder of Windows, the user or the add-in, on Windows NT, where a folder has
// an identity to be known by: a SUBST drive, a share on this machine, a junction. Values name
// folders through it as through the folder itself.
void Aliases(Kitchen& k) {
  if (k.m.facts.platform != 2 || !k.OneIn(3)) return;
  const std::string target = k.OneIn(3) ? k.Any(k.add_in) : k.Any(k.targets);
  const std::string name = k.Any({"S:\\", "\\\\HOST\\SHARE", "C:\\Shortcut"});
  if (!k.m.files.AddAlias(name, target).empty()) return;
  k.targets.push_back(name);
  k.Note("alias " + name + " = " + target);
}

void LogAndSnapshotFolders(Kitchen& k) {
  auto folder = [&] { return k.Any({k.Any(k.add_in), k.Any(k.targets), "C:\\", "C:\\Logs"}); };
  k.log = Join(folder(), k.OneIn(2) ? "vrx.log" : "Uninstall Log.txt");
  k.snapshot = Join(folder(), "snap");
}

// Values of the Defaults keys that name any folder, in any spelling.
void DefaultsValues(Kitchen& k) {
  static const char* kNames[] = {
      "Source Directory",     "Sig File Directory", "Data Directory",
      "Help Files Directory", "Stamp Directory",    "SRCDIR",
      "Program Directory",    "Startup Directory",  "Documents Directory"};
  for (uint32_t n = k.Below(6); n > 0; --n) {
    const VariantInfo& v = kVariants[k.Below(kVariantCount)];
    std::string key = DefaultsKey(v), name = kNames[k.Below(std::size(kNames))];
    if (v.code == "MSWORD" && k.OneIn(3)) {
      key += k.OneIn(2) ? "\\8" : "\\9";
      name = "Startup Path";
    }
    std::string folder = k.Any({k.Any(k.targets), Join(k.Any(k.targets), "Docseal"),
                                Join(k.Any(k.targets), "~VRX0001"), Parent(k.log), k.snapshot,
                                k.Any(k.add_in), Parent(k.Any(k.add_in))});
    if (folder.size() <= 2) folder = "C:\\";
    if (k.OneIn(2)) (void)k.m.files.AddDirectory(folder);
    const std::string spelt = k.OneIn(8) ? Mangle(k, Spell(k, folder)) : Spell(k, folder);
    SetText(k.m, kHkeyLocalMachine, key, name, spelt);
    k.named.push_back(folder);
    k.Note("value " + key + " [" + name + "] = " + spelt);
  }
}

// Files of the user's in the folders the values name and in the add-in's own.
void UserFiles(Kitchen& k) {
  static const char* kNames[] = {"Letter to Mr M\xFCller.doc",
                                 "NOTES.TXT",
                                 "my stamp.stb",
                                 "Report 2024.xls",
                                 "SETUP.LOG",
                                 "~WRL0001.tmp",
                                 "Sub\\kept.txt"};
  Strings folders = k.named;
  for (const std::string& folder : k.add_in) {
    if (k.OneIn(2)) folders.push_back(folder);
  }
  // The user's own files at the root under the add-in's names: where an empty folder points.
  for (const char* name : {"StampMnu.WCM", "FUNCKY60.dll", "CSU.BIN"}) {
    if (k.OneIn(6) && k.m.files.AddFile(Join("C:\\", name), "the user's own")) {
      k.files.push_back(Join("C:\\", name));
      k.Note("user file C:\\" + std::string(name));
    }
  }
  for (const std::string& folder : folders) {
    for (uint32_t n = k.Below(4); n > 0; --n) {
      const std::string path = Join(folder, kNames[k.Below(std::size(kNames))]);
      if (k.m.files.Exists(path) || !k.m.files.AddFile(path, "the user's own " + path)) continue;
      const uint32_t bits = k.OneIn(2) ? k.Below(8) : 0;
      (void)k.m.files.SetAttributes(path, Attributes(bits));
      const bool in_use = k.OneIn(5) && k.m.files.SetInUse(path, true);
      k.files.push_back(path);
      k.Note("user file " + path + " R/H/S " + std::to_string(bits) + (in_use ? " in use" : ""));
    }
  }
}

// The add-in's files (and the system folder's) in use, read-only, hidden or system.
void AddInFiles(Kitchen& k) {
  const std::string system = FoldName(k.m.facts.system);
  for (const sim::EntryInfo& e : k.m.files.Entries()) {
    bool add_in = !e.directory && FoldName(Parent(e.path)) == system;
    for (const std::string& folder : k.add_in) {
      add_in |= !e.directory && FoldName(e.path).starts_with(FoldName(folder) + "\\");
    }
    if (add_in) k.files.push_back(e.path);
  }
  for (uint32_t n = k.Below(5); n > 0; --n) {
    const std::string path = k.Any(k.files);
    const uint32_t bits = k.Below(8);
    (void)(bits == 0 ? k.m.files.SetInUse(path, true)
                     : k.m.files.SetAttributes(path, Attributes(bits)));
    k.Note(path + (bits == 0 ? " in use" : " R/H/S " + std::to_string(bits)));
  }
}

void SharedCounts(Kitchen& k) {
  sim::SimKey* key =
      k.m.registry.FindKey(kHkeyLocalMachine, std::string(kCurrentVersion) + "\\SharedDLLs");
  Strings names;
  for (const sim::SimValue& v : key ? key->values() : std::vector<sim::SimValue>{}) {
    names.push_back(v.name);
  }
  static const std::string kCounts[] = {std::string("\0\0\0\0", 4), std::string("\2\0\0\0", 4),
                                        std::string("\x09\0\0\0", 4), "3 users"};
  for (const std::string& name : names) {
    const uint32_t how = k.Below(10);
    if (how == 0) key->DeleteValue(name);
    if (how > 0 && how <= 4) key->SetValue(name, how == 4 ? kRegSz : kRegDword, kCounts[how - 1]);
    if (how <= 4) k.Note("SharedDLLs count " + std::to_string(how) + ": " + name);
  }
}

// Every state of Wininit.ini: missing, empty, other setups' lines, the uninstaller's own line,
// line feeds alone, two [RENAME] sections; in use, hidden and read-only.
void Wininit(Kitchen& k) {
  const std::string path = k.m.facts.windows + "\\Wininit.ini";
  const std::string texts[] = {
      "",
      "[rename]\r\nNUL=C:\\OLDSETUP\\OLD.DLL\r\nC:\\WINDOWS\\SYSTEM\\NEW.DLL=C:\\TEMP\\NEW.DLL\r\n",
      "[Other]\r\nkey=1\r\n",
      "[RENAME]\nNUL=C:\\OLDSETUP\\LF.DLL\n",
      "[RENAME]\r\nNUL=C:\\A.TMP\r\n[misc]\r\n[RENAME]\r\nNUL=C:\\B.TMP\r\n",
      "[RENAME]\r\nNUL=" + FoldName(k.m.facts.system + "\\VRXUnInst.EXE") + "\r\n"};
  const uint32_t what = k.Below(std::size(texts) + 2), state = k.Below(4);
  if (what == std::size(texts)) Remove(k.m, path);
  if (what > std::size(texts)) return;
  if (what < std::size(texts)) (void)k.m.files.AddFile(path, texts[what]);
  if (state == 3) {  // the user's files under the names a rewrite might take
    (void)k.m.files.AddFile(k.m.facts.windows + "\\Wininit.vrx", "the user's", kAttrReadOnly);
    (void)k.m.files.AddFile(k.m.facts.windows + "\\VRX2.TMP", "the user's");
    (void)k.m.files.AddDirectory(k.m.facts.windows + "\\VRX1.TMP");
  }
  if (state == 1) (void)k.m.files.SetInUse(path, true);
  if (state == 2) (void)k.m.files.SetAttributes(path, kAttrHidden | kAttrReadOnly);
  k.Note("Wininit.ini " + std::to_string(what) + " state " + std::to_string(state));
}

void Others(Kitchen& k) {
  if (k.OneIn(4)) k.m.system.pending.push_back("C:\\OLDSETUP\\OLD.DLL");
  if (k.OneIn(8)) k.m.system.pending.push_back(k.m.facts.system + "\\VRXUnInst.EXE");
  k.m.facts.another_instance = k.OneIn(40);
  if (k.OneIn(6)) {  // regsvr32 cannot be started
    std::erase_if(k.m.processes.programs, [](const auto& p) { return p.kind == "regsvr32"; });
    k.Note("no regsvr32");
  }
  if (k.OneIn(2)) return;
  sim::WordFacts& f = k.m.word.facts;
  f.running = static_cast<int>(k.Below(3));
  f.cancel_saves = static_cast<int>(k.Below(3));
  f.unreachable = static_cast<int>(k.Below(2));
  f.register_at_once = k.OneIn(3);
  f.never_document = k.OneIn(12);
  f.busy_pumps = static_cast<int>(k.Below(12));
  f.document_pumps = 1 + static_cast<int>(k.Below(12));
  k.Note("the user's Word: " + std::to_string(f.running) + " running, " +
         std::to_string(f.cancel_saves) + " cancelled saves, " + std::to_string(f.unreachable) +
         " unreachable");
}

// Variant codes installed or not, NOREBOOT, /QUIET, /LOG= to any file, a preview in any spelling,
// a stray word; a word with a blank in it is cut there, as on Windows.
void CommandLine(Kitchen& k) {
  Strings words;
  for (const VariantInfo& v : kVariants) {
    if (k.OneIn(3))
      words.push_back(k.Any({"", "/", "-"}) +
                      k.Any({std::string(v.code), Lower(std::string(v.code))}));
  }
  if (k.OneIn(3)) words.push_back(k.Any({"NOREBOOT", "/noreboot"}));
  if (k.OneIn(2)) words.push_back(k.Any({"/QUIET", "/quiet"}));
  if (k.OneIn(2)) {
    const uint32_t way = k.Below(9);
    const std::string mine = Join(k.Any(k.targets), "budget.xls");
    if (way == 1) (void)k.m.files.AddFile(mine, "the user's budget");
    if (way == 2) (void)k.m.files.AddFile(k.log, "Docseal Uninstaller 4.0 log, started before\r\n");
    const Strings paths = {
        Spell(k, k.log),
        mine,
        k.log,
        k.m.facts.windows + "\\Wininit.ini",
        Join(k.Any(k.add_in), k.Any({"CSU.BIN", "DRAFT.STB"})),
        "C:\\MSWORD\\NOREBOOT.LOG",
        "C:\\No Such Folder\\vrx.log",
        "",
        Join(k.m.files.ShortPath(Parent(k.log)).value_or(Parent(k.log)), "v.log")};
    words.push_back(k.Any({"/LOG=", "/log=", "-LOG=", "/LOG:", "\"/LOG="}) + paths[way]);
  }
  if (k.OneIn(3)) {
    (void)k.m.files.AddDirectory("C:\\Empty");
    words.push_back(
        k.OneIn(2)
            ? k.Any({"/WHATIF", "-WHATIF", "/WHATIF:", "\"/WHATIF\"", "/whatif", "WHATIF"})
            : k.Any({"/SNAPSHOT=", "/snapshot=", "/SNAPSHOT:", "-SNAPSHOT=", "\"/SNAPSHOT="}) +
                  k.Any({k.snapshot, Spell(k, k.snapshot), "C:\\Empty", k.Any(k.targets),
                         "C:\\WPWIN8\\snap", "C:\\No Such Folder\\snap"}));
  }
  if (k.OneIn(8)) words.push_back(k.Any({"/?", "REMOVE", "\"\"", "/QUIET:", "/LOG"}));
  for (size_t i = words.size(); i > 1; --i) std::swap(words[i - 1], words[k.Below(i)]);
  for (const std::string& word : words) {
    std::istringstream parts(word);
    for (std::string part; parts >> part;)
      k.c.command_line += (k.c.command_line.empty() ? "" : " ") + part;
  }
  k.Note("command line: " + k.c.command_line);
}

// While the run goes on: a Word of the user's comes up, a file becomes in use or free, the user
// writes a file; when the program starts a program, at a pump of events, or when it opens a file.
void Events(Kitchen& k) {
  Strings files = k.files;
  files.insert(files.end(), {k.m.facts.windows + "\\Wininit.ini", k.log});
  for (uint32_t n = k.Below(4); n > 0; --n) {
    sim::SimEvent e;
    e.when = static_cast<sim::SimEvent::When>(k.Below(3));
    e.trigger = e.when == sim::SimEvent::When::kStart  ? k.Any({"winword", "regsvr32", "wpwin"})
                : e.when == sim::SimEvent::When::kPump ? std::to_string(1 + k.Below(400))
                                                       : k.Any(files);
    e.what = static_cast<sim::SimEvent::What>(k.Below(4));
    if (e.what != sim::SimEvent::What::kWord) {
      e.path = e.what == sim::SimEvent::What::kFile
                   ? Join(k.Any(k.OneIn(2) ? k.add_in : k.named), "written meanwhile.doc")
                   : k.Any(files);
    }
    k.m.events.push_back(e);
    k.Note("event " + e.Format());
  }
}

// Yes and No, ticks when no code was named, Exit, and a restart Windows refuses.
void Script(Kitchen& k) {
  auto add = [&](const char* verb, const std::string& argument) {
    k.c.actions.push_back({0, verb, argument});
  };
  for (uint32_t n = k.Below(5); n > 0; --n) add("answer", k.OneIn(2) ? "yes" : "no");
  const std::string upper = FoldName(k.c.command_line);
  if (std::none_of(kVariants.begin(), kVariants.end(),
                   [&](const VariantInfo& v) { return upper.find(v.code) != std::string::npos; })) {
    for (int box = 0; box < 4; ++box) {
      if (k.OneIn(2)) add("tick", std::to_string(box));
    }
    if (k.OneIn(10)) add("click", "cmdCancel");
    add("click", "cmdNext");
    add("click", "cmdNext");
  }
  if (k.OneIn(3)) add("click", "cmdDetails");
  add("click", "cmdExit");
  k.m.facts.exit_windows = !k.OneIn(5);  // a restart Windows accepts would end the evidence
  add("click", k.m.facts.exit_windows ? "cmdLater" : "cmdRestart");
}

constexpr void (*kIngredients[])(Kitchen&) = {
    PlatformFacts,  Variants,  FewerStamps, WindowsFolders, Aliases, LogAndSnapshotFolders,
    DefaultsValues, UserFiles, AddInFiles,  SharedCounts,   Wininit, Others,
    CommandLine,    Events,    Script};

// The add-in's folders as the values of its keys in the image name them.
Strings AddInFolders(const SimMachine& m) {
  Strings folders;
  m.registry.ForEachKey([&](HKey hive, const std::string& path, const sim::SimKey& key) {
    if (hive != kHkeyLocalMachine || !FoldName(path).starts_with("SOFTWARE\\DOCSEAL4\\")) return;
    for (const sim::SimValue& v : key.values()) {
      std::optional<std::string> folder = m.files.LongPath(v.data.c_str());
      if (folder && folder->size() > 3 && *m.files.Attributes(*folder) & kAttrDirectory) {
        folders.push_back(*folder);
      }
    }
  });
  return folders;
}

// ---------------------------------------------------------------------------------------------
// Shrinking: the parts of a case, each a way to take it out.

using Atom = std::function<void(Case&)>;

std::vector<Atom> Atoms(const Case& c) {
  std::vector<Atom> atoms;
  std::istringstream words(c.command_line);
  for (std::string word; words >> word;) {
    atoms.push_back([word](Case& x) {
      const size_t at = (" " + x.command_line + " ").find(" " + word + " ");
      if (at != std::string::npos)
        x.command_line.erase(at, std::min(word.size() + 1, x.command_line.size() - at));
    });
  }
  for (size_t i = c.actions.size(); i-- > 0;) {
    atoms.push_back([i](Case& x) { x.actions.erase(x.actions.begin() + static_cast<long>(i)); });
  }
  const SimMachine& m = *c.machine;
  for (size_t i = m.events.size(); i-- > 0;) {
    atoms.push_back([i](Case& x) {
      x.machine->events.erase(x.machine->events.begin() + static_cast<long>(i));
    });
  }
  for (size_t i = m.system.pending.size(); i-- > 0;) {
    atoms.push_back([i](Case& x) {
      x.machine->system.pending.erase(x.machine->system.pending.begin() + static_cast<long>(i));
    });
  }
  atoms.push_back([](Case& x) { x.machine->word.facts = {}; });
  // Folders, then keys, files, values and marks. The Windows and system folders stay, and so
  // does every folder that holds an alias or what one names.
  auto holds_alias = [&](const std::string& folder) {
    const std::string f = FoldName(folder) + "\\";
    for (const auto& [name, target] : m.files.Aliases()) {
      if ((FoldName(name) + "\\").starts_with(f) || (FoldName(target) + "\\").starts_with(f)) {
        return true;
      }
    }
    return false;
  };
  for (bool folder : {true, false}) {
    for (const sim::EntryInfo& e : m.files.Entries()) {
      if (e.directory == folder && !SameName(e.path, m.facts.windows) &&
          !SameName(e.path, m.facts.system) && !(folder && holds_alias(e.path))) {
        atoms.push_back([path = e.path](Case& x) { Remove(*x.machine, path); });
      }
    }
    if (!folder) break;
    m.registry.ForEachKey([&](HKey hive, const std::string& path, const sim::SimKey& key) {
      if (!path.empty()) atoms.push_back([=](Case& x) { RemoveKey(*x.machine, hive, path); });
      for (const sim::SimValue& v : key.values()) {
        atoms.push_back([hive, path, name = v.name](Case& x) {
          if (sim::SimKey* k = x.machine->registry.FindKey(hive, path)) k->DeleteValue(name);
        });
      }
    });
  }
  for (const sim::EntryInfo& e : m.files.Entries()) {
    if (e.in_use || (e.attributes & ~kAttrDirectory)) {
      atoms.push_back([path = e.path](Case& x) {
        (void)x.machine->files.SetInUse(path, false);
        (void)x.machine->files.SetAttributes(path, 0);
      });
    }
  }
  return atoms;
}

std::string KindOf(const std::string& line) { return line.substr(0, line.find(':')); }

}  // namespace

uint32_t ByteChoices::Below(uint32_t n) {
  uint32_t value = 0;
  for (uint32_t range = 1; range < n && next_ < size_; range <<= 8) {
    value = value << 8 | data_[next_++];
  }
  return value % n;
}

Case Case::Clone() const { return {Normalize(*machine), command_line, actions, recipe}; }

Case Generate(Choices& choices, const fs::path& source_dir) {
  static std::map<std::string, std::unique_ptr<SimMachine>> loaded;
  const char* name = kTemplates[choices.Below(std::size(kTemplates))];
  const std::string image = (source_dir / name).string();
  std::unique_ptr<SimMachine>& start = loaded[image];
  if (!start) {
    start = std::make_unique<SimMachine>();
    std::string error;
    if (!sim::LoadMachineImage(image, start.get(), &error)) throw std::runtime_error(error);
  }
  Case c{std::make_unique<SimMachine>(), "", {}, {std::string("machine ") + name}};
  sim::CopyMachine(*start, c.machine.get());
  Kitchen k{choices, *c.machine, c, AddInFolders(*c.machine), {}, {}, {}, {}, {}};
  for (auto add : kIngredients) add(k);
  c.machine = Normalize(*c.machine);
  return c;
}

std::vector<std::string> RunAndJudge(const Case& c) {
  std::unique_ptr<SimMachine> after = Normalize(*c.machine);
  const simulator::SessionEnd end = simulator::RunSession(*after, c.command_line, c.actions);
  return Judge({c.machine.get(),
                after.get(),
                c.command_line,
                c.actions,
                end.ended ? std::optional<int>(end.exit_code) : std::nullopt,
                {}});
}

Case Shrink(const Case& c, const std::vector<std::string>& verdict, int trials) {
  const std::string kind = KindOf(verdict.front());
  auto still_fails = [&](const Case& trial) {
    --trials;
    const std::vector<std::string> lines = RunAndJudge(trial);
    return std::any_of(lines.begin(), lines.end(),
                       [&](const std::string& line) { return KindOf(line) == kind; });
  };
  Case best = c.Clone();
  best.recipe.insert(best.recipe.begin(), "shrunk from a case made of:");
  for (bool progress = true; progress && trials > 0;) {
    progress = false;
    std::vector<Atom> atoms = Atoms(best);
    for (size_t size = std::max<size_t>(atoms.size() / 2, 1); trials > 0; size /= 2) {
      for (size_t at = 0; at < atoms.size() && trials > 0;) {
        const size_t end = std::min(at + size, atoms.size());
        Case trial = best.Clone();
        for (size_t i = at; i < end; ++i) atoms[i](trial);
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
  std::ofstream words(folder / "words", std::ios::binary),
      script(folder / "script", std::ios::binary);
  words << c.command_line << "\n";
  for (const std::string& line : c.recipe) script << "# " << line << "\n";
  for (const ScriptAction& a : c.actions) script << a.verb << " " << a.argument << "\n";
  if (!words || !script) *error = folder.string() + ": cannot be written";
  return words && script;
}

bool ReadCase(const fs::path& folder, Case* c, std::string* error) {
  c->machine = std::make_unique<SimMachine>();
  std::ifstream words(folder / "words", std::ios::binary);
  std::getline(words, c->command_line);
  c->actions.clear();
  return sim::LoadMachineImage(folder / "machine", c->machine.get(), error) &&
         ParseScript((folder / "script").string(), &c->actions, error);
}

}  // namespace vrx::hostile
