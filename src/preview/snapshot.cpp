#include "preview/snapshot.h"

#include <algorithm>
#include <set>

#include "helpers/platform_family.h"
#include "platform/sim/machine_ini.h"
#include "platform/sim/reg_file.h"
#include "platform/windows_names.h"
#include "preview/touch_tracker.h"
#include "progress/processing_form.h"
#include "progress/reboot_form.h"
#include "state/program.h"
#include "state/variants.h"
#include "wizard/uninstall_form.h"

namespace vrx::preview {
namespace {

constexpr uint32_t kKeyRead = 0x20019;
constexpr int kMostRounds = 40;
constexpr int kDeepestKey = 16;
constexpr const char* kSharedDlls = "Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
constexpr const char* kRunOnce = "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
constexpr const char* kShellFolders =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr const char* kUninstall = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
constexpr uint32_t kKeptAttributes =
    kAttrReadOnly | kAttrHidden | kAttrSystem | kAttrArchive | kAttrReparsePoint;

// `path` is `folder` or lies in it, without regard to case.
bool LiesIn(const std::string& path, const std::string& folder) {
  const std::string p = FoldName(path), f = FoldName(folder);
  if (f.empty()) return false;
  return p == f || p.starts_with(f.back() == '\\' ? f : f + "\\");
}

std::string ParentOf(const std::string& path) {
  const size_t slash = path.find_last_of('\\');
  if (slash == std::string::npos) return path;
  return slash <= 2 ? path.substr(0, 3) : path.substr(0, slash);
}

// Runs the uninstaller on a copy of `taken` as a person who says Yes to everything, ends it as
// the person would, and notes what it reached for.
void TrackingRun(const sim::SimMachine& taken, const std::string& words, Touches* touches,
                 std::vector<std::string>* removed) {
  sim::SimMachine machine;
  sim::CopyMachine(taken, &machine);
  std::vector<sim::EntryInfo> before;
  if (removed != nullptr) before = machine.files.Entries();
  {
    TouchTracker tracker(machine.platform(), touches);
    Program program(tracker.platform());
    Main(program, words);
    for (int step = 0; step < 8 && program.AnyFormLoaded(); ++step) {
      if (program.Processing().loaded() && program.Processing().cmdExit().Visible()) {
        program.Processing().cmdExit_Click();
      } else if (program.Reboot().loaded()) {
        program.Reboot().cmdLater_Click();
      } else if (program.UnInstall().loaded()) {
        program.UnInstall().cmdCancel_Click();
      } else {
        break;
      }
    }
    program.platform().files->CloseAll();
  }
  if (removed == nullptr) return;
  for (const sim::EntryInfo& e : before) {
    if (!machine.files.Exists(e.path)) removed->push_back(e.path);
  }
  for (const std::string& path : machine.system.pending) removed->push_back(path);
}

class Taker {
 public:
  Taker(const Platform& live, LiveFiles* files, sim::SimMachine* machine, SnapshotReport* report)
      : live_(live), files_(files), m_(*machine), report_(*report) {}

  void Facts() {
    OsVersionInfo info;
    info.dwOSVersionInfoSize = sizeof info;
    if (live_.system->GetVersionEx(&info)) {
      m_.facts.platform = static_cast<int>(std::min<uint32_t>(info.dwPlatformId, 3));
    } else {
      m_.facts.platform = 0;
    }
    m_.facts.windows = Directory(&System::GetWindowsDirectory);
    m_.facts.system = Directory(&System::GetSystemDirectory);
    m_.facts.username = live_.system->GetEnvironmentVariable("USERNAME");
    m_.facts.another_instance = false;
    double seconds = live_.clock->SecondsSinceMidnight();
    m_.clock.Set(seconds >= 0 && seconds < 86400 ? seconds : 0);
    std::unique_ptr<WordApplication> word;
    const Status status = live_.automation->GetRunningWord("Word.Application", &word);
    m_.word.facts.running = status == kMkEUnavailable ? 0 : 1;
    m_.ApplyFacts();
  }

  // The keys a run may read or delete whether or not this run reaches them: the add-in's tree,
  // its class key and its uninstall entries whole, and the lists it changes entries of.
  void Seeds() {
    Subtree(kHkeyLocalMachine, std::string(kAddInKey), 0);
    Subtree(kHkeyClassesRoot, "CLSID\\{BF7A5B3D-566C-11D3-99AF-0010608026A6}", 0);
    for (const char* path : {kSharedDlls, kRunOnce, kShellFolders}) {
      (void)Key(kHkeyLocalMachine, path);
    }
    (void)Key(kHkeyCurrentUser, kShellFolders);
    // The names of the users' loaded hives: a run lists them at the root, which it does not open.
    (void)Key(kHkeyUsers, "");
    for (std::string_view root : {kWord97InstallRoot, kWord2000InstallRoot}) {
      (void)Key(kHkeyLocalMachine, std::string(root));
    }
    for (const std::string& entry : SubkeyNames(kHkeyLocalMachine, kUninstall)) {
      if (FoldName(entry).find("DOCSEAL") != std::string::npos) {
        Subtree(kHkeyLocalMachine, std::string(kUninstall) + "\\" + entry, 0);
      }
    }
  }

  // One round: what the runs reached for that is not taken yet. False when there was nothing.
  bool Round(const std::string& words, std::vector<std::string>* removed) {
    Touches touches;
    removed->clear();
    TrackingRun(m_, words, &touches, removed);
    std::string every = words;
    for (const VariantInfo& v : kVariants) every += " " + std::string(v.code);
    // What any run might remove, the wizard's choices too: a snapshot must outlast every one.
    std::vector<std::string> removed_by_every;
    TrackingRun(m_, every, &touches, &removed_by_every);
    removed->insert(removed->end(), removed_by_every.begin(), removed_by_every.end());
    ++report_.rounds;
    bool more = false;
    for (const auto& [hive, path] : touches.keys) more |= Key(hive, path);
    for (const std::string& path : touches.folders) more |= Folder(path);
    // A path named is found in its folder's listing; a folder's own entries are listed only when
    // a run lists or removes it.
    for (const std::string& path : touches.paths) more |= Folder(ParentOf(path));
    for (const std::string& path : touches.reads) more |= Contents(path);
    for (const std::string& command : touches.starts) more |= Program(command);
    for (const std::string& path : touches.paths) more |= Held(path);
    for (const std::string& path : touches.reads) more |= Held(path);
    return more;
  }

 private:
  std::string Directory(uint32_t (System::*call)(char*, uint32_t)) {
    char buffer[260] = {};
    const uint32_t length = (live_.system->*call)(buffer, sizeof buffer);
    return length > 0 && length < sizeof buffer ? std::string(buffer, length) : std::string();
  }

  std::vector<std::string> SubkeyNames(HKey hive, const std::string& path) {
    std::vector<std::string> names;
    HKey key = 0;
    if (live_.registry->OpenKey(hive, path, kKeyRead, &key) != kOk) return names;
    std::vector<char> name(16384);
    for (uint32_t i = 0;; ++i) {
      uint32_t size = static_cast<uint32_t>(name.size());
      if (live_.registry->EnumKey(key, i, name.data(), &size, nullptr) != kOk) break;
      names.emplace_back(name.data(), size);
    }
    (void)live_.registry->CloseKey(key);
    return names;
  }

  void Subtree(HKey hive, const std::string& path, int depth) {
    (void)Key(hive, path);
    if (depth >= kDeepestKey) return;
    for (const std::string& name : SubkeyNames(hive, path)) {
      Subtree(hive, path + "\\" + name, depth + 1);
    }
  }

  // A key's values and the names of its subkeys.
  bool Key(HKey hive, const std::string& path) {
    if (!taken_keys_.insert(std::to_string(hive) + "\\" + FoldName(path)).second) return false;
    HKey key = 0;
    if (live_.registry->OpenKey(hive, path, kKeyRead, &key) != kOk) return true;
    ++report_.keys;
    sim::SimKey& copy = path.empty() ? *m_.registry.Hive(hive) : m_.registry.EnsureKey(hive, path);
    std::vector<char> name(16384);
    for (uint32_t i = 0;; ++i) {
      uint32_t size = static_cast<uint32_t>(name.size());
      uint32_t type = 0;
      if (live_.registry->EnumValue(key, i, name.data(), &size, &type) != kOk) break;
      const std::string value_name(name.data(), size);
      uint32_t data_size = 0;
      if (live_.registry->QueryValue(key, value_name, &type, nullptr, &data_size) != kOk) continue;
      std::string data(data_size, '\0');
      if (live_.registry->QueryValue(key, value_name, &type,
                                     reinterpret_cast<uint8_t*>(data.data()), &data_size) != kOk) {
        continue;
      }
      data.resize(data_size);
      copy.SetValue(value_name, type, std::move(data));
    }
    for (uint32_t i = 0;; ++i) {
      uint32_t size = static_cast<uint32_t>(name.size());
      if (live_.registry->EnumKey(key, i, name.data(), &size, nullptr) != kOk) break;
      (void)copy.EnsureSubKey(std::string(name.data(), size));
    }
    (void)live_.registry->CloseKey(key);
    return true;
  }

  // Whether a machine image holds an entry of that path: one that Windows could not have made
  // under its path limits is left out, as the image reader would refuse it.
  static bool Holds(const std::string& long_path, uint32_t attributes) {
    const bool folder = (attributes & kAttrDirectory) != 0;
    return PathLengthProblem(long_path, folder ? kMaxFolderPathLength : kMaxPathLength).empty();
  }

  // The long path of an existing path, each folder on the way made in the machine with its
  // attributes; empty when the path is missing or too long for an image.
  std::string Place(const std::string& path) {
    if (path.size() < 3 || path[1] != ':') return "";
    Drive(path[0]);
    std::string long_path;
    const size_t stopped =
        WalkLivePath(files_, path, &long_path, [&](const LiveEntry& entry, bool last) {
          const bool folder = (entry.attributes & kAttrDirectory) != 0;
          if ((!last && !folder) || !Holds(long_path, entry.attributes)) return false;
          if (folder && !m_.files.Exists(long_path)) {
            (void)m_.files.AddDirectory(long_path);
            (void)m_.files.SetAttributes(long_path, entry.attributes & kKeptAttributes);
          }
          return true;
        });
    if (stopped != std::string::npos) return "";
    return long_path.size() == 2 ? long_path + "\\" : long_path;
  }

  // Every entry of a folder, files empty.
  bool Folder(const std::string& path) {
    if (!taken_folders_.insert(FoldName(path)).second) return false;
    const std::string folder = Place(path);
    if (folder.empty()) return true;
    if (folder.size() == 3) (void)m_.files.AddDirectory(folder);
    std::vector<LiveEntry> entries;
    if (files_->List(folder, &entries) != kOk) return true;
    ++report_.folders;
    // Names that are valid 8.3 names first, as an image is read, so that short names agree.
    std::stable_sort(entries.begin(), entries.end(), [](const LiveEntry& a, const LiveEntry& b) {
      const bool sa = IsShortName(a.name), sb = IsShortName(b.name);
      if (sa != sb) return sa;
      return CompareFolded(FoldName(a.name), FoldName(b.name)) < 0;
    });
    const std::string base = folder.back() == '\\' ? folder : folder + "\\";
    for (const LiveEntry& e : entries) {
      const std::string full = base + e.name;
      if (!Holds(full, e.attributes) || m_.files.Exists(full)) continue;
      if (e.attributes & kAttrDirectory) {
        if (!m_.files.AddDirectory(full)) continue;
      } else if (!m_.files.AddFile(full, "")) {
        continue;
      }
      (void)m_.files.SetAttributes(full, e.attributes & kKeptAttributes);
    }
    return true;
  }

  // Whether a file a run named is held by another program, asked once for each file and only for
  // the files a run names: every other program must be able to open them meanwhile.
  bool Held(const std::string& path) {
    const std::optional<std::string> long_path = m_.files.LongPath(path);
    if (!long_path || !taken_held_.insert(FoldName(*long_path)).second) return false;
    if (m_.files.Attributes(*long_path).value_or(kAttrDirectory) & kAttrDirectory) return false;
    bool in_use = false;
    if (files_->InUse(*long_path, &in_use) != kOk || !in_use) return false;
    (void)m_.files.SetInUse(*long_path, true);
    return true;
  }

  bool Contents(const std::string& path) {
    if (!taken_reads_.insert(FoldName(path)).second) return false;
    (void)Folder(ParentOf(path));
    const std::optional<std::string> long_path = m_.files.LongPath(path);
    std::string bytes;
    if (!long_path || files_->Read(*long_path, &bytes) != kOk) return true;
    ++report_.files_read;
    const uint32_t attributes = m_.files.Attributes(*long_path).value_or(0);
    const bool in_use = m_.files.InUse(*long_path);
    (void)m_.files.AddFile(*long_path, bytes, attributes);
    if (in_use) (void)m_.files.SetInUse(*long_path, true);
    return true;
  }

  // The program a command line starts, as CreateProcess looks for it: the quoted name, or each
  // part that ends before a blank, then the whole line, ".exe" added to a name without one.
  bool Program(const std::string& command) {
    if (!taken_starts_.insert(command).second) return false;
    std::vector<std::string> candidates;
    if (!command.empty() && command[0] == '"') {
      const size_t end = command.find('"', 1);
      if (end != std::string::npos && end > 1) candidates.push_back(command.substr(1, end - 1));
    } else {
      for (size_t blank = 0;; ++blank) {
        blank = command.find_first_of(" \t", blank);
        if (blank != 0) candidates.push_back(command.substr(0, blank));
        if (blank == std::string::npos) break;
      }
    }
    for (std::string name : candidates) {
      const size_t last = name.find_last_of("\\/:");
      if (name.find('.', last == std::string::npos ? 0 : last + 1) == std::string::npos) {
        name += ".exe";
      }
      if (name.size() < 3 || name[1] != ':') continue;
      (void)Folder(ParentOf(name));
      const std::optional<std::string> found = m_.files.LongPath(name);
      if (!found) continue;
      if (m_.files.Attributes(*found).value_or(kAttrDirectory) & kAttrDirectory) continue;
      if (FoldName(found->substr(found->size() - std::min<size_t>(4, found->size()))) != ".EXE") {
        return true;
      }
      const std::string path = found->substr(0, found->size() - 4);
      for (const sim::ProgramEntry& p : m_.processes.programs) {
        if (SameName(p.path, path)) return true;
      }
      m_.processes.programs.push_back({path, KindOf(path)});
      return true;
    }
    return true;
  }

  // What a program is to the machine, by its name and where it lies.
  std::string KindOf(const std::string& path) const {
    const std::string folded = FoldName(path);
    const std::string name = folded.substr(folded.find_last_of('\\') + 1);
    if (name == "REGSVR32") return "regsvr32";
    if (name.starts_with("WPWIN")) return "wordperfect";
    if (name == "WINWORD") {
      auto under = [&](std::string_view root) {
        const sim::SimKey* key = m_.registry.FindKey(kHkeyLocalMachine, root);
        const sim::SimValue* value = key ? key->FindValue("Path") : nullptr;
        if (value == nullptr) return false;
        std::string text = value->data.substr(0, value->data.find('\0'));
        while (!text.empty() && text.back() == '\\') text.pop_back();
        return !text.empty() && folded.starts_with(FoldName(text) + "\\");
      };
      if (under(kWord2000InstallRoot)) return "word2000";
      return "word97";
    }
    return "program";
  }

  // A SUBST drive is kept as what it is, another name of a folder ([aliases]), its folder placed
  // first: a preview through it then protects what the run protects. Asked once a drive.
  void Drive(char drive) {
    if (!taken_drives_.insert(FoldName(std::string(1, drive))).second) return;
    std::string target;
    if (files_->DriveTarget(drive, &target) != kOk || target.size() < 3 || target[0] == drive) {
      return;
    }
    const std::string placed = Place(target);
    if (!placed.empty()) (void)m_.files.AddAlias(std::string{drive, ':', '\\'}, placed);
  }

  const Platform& live_;
  LiveFiles* files_;
  sim::SimMachine& m_;
  SnapshotReport& report_;
  std::set<std::string> taken_keys_, taken_folders_, taken_reads_, taken_starts_, taken_held_,
      taken_drives_;
};

}  // namespace

void TakeSnapshot(const Platform& live, LiveFiles* files, const std::string& program_words,
                  sim::SimMachine* machine, SnapshotReport* report) {
  *report = SnapshotReport{};
  Taker taker(live, files, machine, report);
  taker.Facts();
  taker.Seeds();
  std::vector<std::string> removed;
  for (int round = 0; round < kMostRounds; ++round) {
    if (!taker.Round(program_words, &removed)) break;
  }
  report->removed = std::move(removed);
}

size_t WalkLivePath(LiveFiles* files, const std::string& path, std::string* long_path,
                    const std::function<bool(const LiveEntry& entry, bool last)>& each) {
  *long_path = path.substr(0, 2);
  size_t at = 3;
  while (at < path.size()) {
    size_t end = path.find('\\', at);
    if (end == std::string::npos) end = path.size();
    if (end > at) {
      LiveEntry entry;
      if (files->Stat(*long_path + "\\" + path.substr(at, end - at), &entry) != kOk) return at;
      const size_t before = long_path->size();
      *long_path += "\\" + entry.name;
      if (!each(entry, end == path.size())) {
        long_path->resize(before);
        return at;
      }
    }
    at = end + 1;
  }
  return std::string::npos;
}

bool RunWouldEmpty(const sim::SimMachine& machine, const std::string& program_words,
                   const std::string& dir) {
  // The folder as it will be once written: a file in it, which the add-in never had.
  sim::SimMachine planted;
  sim::CopyMachine(machine, &planted);
  const std::string marker = (dir.back() == '\\' ? dir : dir + "\\") + "VRXSNAP.MRK";
  if (!planted.files.AddFile(marker, "snapshot")) return false;
  std::string every = program_words;
  for (const VariantInfo& v : kVariants) every += " " + std::string(v.code);
  for (const std::string& words : {program_words, every}) {
    Touches touches;
    std::vector<std::string> removed;
    TrackingRun(planted, words, &touches, &removed);
    for (const std::string& gone : removed) {
      if (LiesIn(marker, gone)) return true;
    }
  }
  return false;
}

std::vector<ImageEntry> ImageEntries(const sim::SimMachine& machine) {
  std::vector<ImageEntry> entries;
  entries.push_back({"machine.ini", false, sim::MachineIni::Format(machine)});
  entries.push_back(
      {"registry.reg", false, sim::FormatRegFile(machine.registry, machine.registry_format)});
  for (char letter : machine.files.Drives()) {
    entries.push_back({std::string("drive_") + static_cast<char>(letter + 32), true, {}});
  }
  machine.files.VisitEntries([&](const sim::EntryInfo& e, const std::string& contents) {
    // "C:\A\B" is drive_c\A\B.
    entries.push_back(
        {std::string("drive_") + static_cast<char>(e.path[0] + 32) + "\\" + e.path.substr(3),
         e.directory, e.directory ? std::string() : contents});
  });
  return entries;
}

bool WriteSnapshot(const sim::SimMachine& machine, const SnapshotReport& report,
                   const std::string& dir, ImageFolder* out, std::string* error) {
  for (const std::string& gone : report.removed) {
    if (LiesIn(dir, gone)) {
      *error = dir + ": lies inside " + gone + ", which the run removes";
      return false;
    }
  }
  bool exists = false, empty = false;
  if (Status status = out->Probe(dir, &exists, &empty); status != kOk) {
    *error = dir + ": cannot be read (error " + std::to_string(status) + ")";
    return false;
  }
  if (exists && !empty) {
    *error = dir + ": exists and is not an empty folder";
    return false;
  }
  if (!exists) {
    if (Status status = out->MakeFolder(dir); status != kOk) {
      *error = dir + ": cannot be made (error " + std::to_string(status) + ")";
      return false;
    }
  }
  const std::string base = dir.back() == '\\' ? dir : dir + "\\";
  // What was written, so that a snapshot that cannot be written whole leaves nothing behind.
  std::vector<std::pair<std::string, bool>> written;
  if (!exists) written.emplace_back(dir, true);
  for (const ImageEntry& e : ImageEntries(machine)) {
    const Status status =
        e.folder ? out->MakeFolder(base + e.path) : out->WriteNewFile(base + e.path, e.bytes);
    if (status != kOk) {
      *error = base + e.path + ": cannot be written (error " + std::to_string(status) + ")";
      bool left = false;
      for (auto it = written.rbegin(); it != written.rend(); ++it) {
        left |= out->Remove(it->first, it->second) != kOk;
      }
      if (left) *error += "; part of it is left in " + dir;
      return false;
    }
    written.emplace_back(base + e.path, e.folder);
  }
  return true;
}

}  // namespace vrx::preview
