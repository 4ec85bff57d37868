// Compares what a run left on a Wine prefix with what the simulator left for the same image.
//
//   vrx-image-diff --seed IMAGE --wine-drive PREFIX/drive_c [--redirect FROM=TO]...
//
// copies the image's drive C: into the prefix first, each folder merged into the one Wine
// already has under any case (Wine finds names without regard to case, so a second folder that
// differs only in case would hide the first). A file that is there already is replaced, not
// written through (the prefix may share it with its template). Wine keeps a Windows name on the
// host in UTF-8: the image's Windows-1252 names are written so and read back so.
//
//   vrx-image-diff --before IMAGE --sim IMAGE_AFTER --wine-drive PREFIX/drive_c
//                  [--wine-reg EXPORT.reg]... [--baseline-reg EXPORT.reg]...
//                  [--root HIVE\KEY]... [--ignore PATH]... [--redirect FROM=TO]...
//
// --redirect names where a folder of the image lies on the Wine drive: with
// 'C:\windows\system32=C:\windows\syswow64' the image's system folder, as a 32-bit program on a
// 64-bit Windows sees it, is the prefix's syswow64.
//
// Files: every file and folder of drive C: that the image had before or the simulator has after
// must exist on the Wine drive exactly when it exists in the simulator's image (names are matched
// without regard to case, so short names do not matter). Registry: below each --root, every key
// and value of either registry must be present in Wine's exports exactly when the simulator has
// it, with the same type and data; what Wine had before it was seeded (the baseline exports) and
// still has is its own and not compared. Prints each difference; exit status 0 when there is none,
// 1 when there are differences, 2 for bad usage.
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "platform/sim/reg_file.h"
#include "platform/sim/sim_machine.h"
#include "platform/sim/transcript.h"
#include "platform/windows_names.h"

namespace {

namespace fs = std::filesystem;
using vrx::FoldName;
using vrx::SameName;
using vrx::sim::SimMachine;
using vrx::sim::SimRegistry;

// The Windows name of a host file name that Wine wrote (UTF-8); empty when it has none.
std::string WindowsName(const fs::path& host) {
  std::string ansi;
  return vrx::sim::Utf8ToAnsi(host.filename().string(), &ansi) ? ansi : std::string();
}

// The host path of a Windows path below drive_c: the folders and files that exist under any case
// are found, and new ones are named as the image spells them, in UTF-8. `found` tells whether the
// whole path exists.
fs::path HostPath(const fs::path& drive, const std::string& windows_path, bool* found) {
  std::string rest = windows_path.size() > 3 ? windows_path.substr(3) : "";
  fs::path here = drive;
  *found = true;
  std::istringstream parts(rest);
  for (std::string part; std::getline(parts, part, '\\');) {
    if (part.empty()) continue;
    fs::path next = here / vrx::sim::AnsiToUtf8(part);
    bool exists = false;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(here, ec)) {
      if (SameName(WindowsName(entry.path()), part)) {
        next = entry.path();
        exists = true;
        break;
      }
    }
    *found = *found && exists;
    here = next;
  }
  return here;
}

// Where Windows paths of the image lie on the Wine drive: FROM=TO pairs, FROM in upper case.
using Redirects = std::vector<std::pair<std::string, std::string>>;

bool AddRedirect(const std::string& from_to, Redirects* redirects) {
  size_t equals = from_to.find('=');
  if (equals == std::string::npos || equals == 0 || equals + 1 == from_to.size()) return false;
  redirects->emplace_back(FoldName(from_to.substr(0, equals)), from_to.substr(equals + 1));
  return true;
}

std::string Redirected(const std::string& windows_path, const Redirects& redirects) {
  std::string upper = FoldName(windows_path);
  for (const auto& [from, to] : redirects) {
    if (upper.rfind(from, 0) == 0 && (upper.size() == from.size() || upper[from.size()] == '\\')) {
      return to + windows_path.substr(from.size());
    }
  }
  return windows_path;
}

bool ExistsOnDrive(const fs::path& drive, const std::string& windows_path) {
  bool found = false;
  HostPath(drive, windows_path, &found);
  return found;
}

int Seed(const std::string& image, const fs::path& drive, const Redirects& redirects) {
  auto machine = std::make_unique<SimMachine>();
  std::string error;
  if (!vrx::sim::LoadMachineImage(image, machine.get(), &error)) {
    std::cerr << "vrx-image-diff: " << error << "\n";
    return 2;
  }
  for (const vrx::sim::EntryInfo& e : machine->files.Entries()) {
    if (e.path.rfind("C:\\", 0) != 0) continue;
    bool exists = false;
    fs::path host = HostPath(drive, Redirected(e.path, redirects), &exists);
    std::error_code ec;
    if (e.directory) {
      fs::create_directories(host, ec);
    } else {
      fs::create_directories(host.parent_path(), ec);
      if (!ec) fs::remove(host, ec);
      std::ofstream(host, std::ios::binary) << machine->files.Contents(e.path).value_or("");
    }
    if (ec) {
      std::cerr << "vrx-image-diff: cannot make " << host << ": " << ec.message() << "\n";
      return 2;
    }
  }
  return 0;
}

// Every key and value below the roots, as "KEY" and "KEY\"value" = type:data entries.
std::map<std::string, std::string> Flatten(const SimRegistry& registry,
                                           const std::vector<std::string>& roots) {
  std::map<std::string, std::string> flat;
  registry.ForEachKey([&](vrx::HKey hive, const std::string& path, const vrx::sim::SimKey& key) {
    std::string full = std::string(vrx::sim::HiveName(hive)) + (path.empty() ? "" : "\\" + path);
    bool below = false;
    for (const std::string& root : roots) {
      std::string upper_root = FoldName(root);
      std::string upper = FoldName(full);
      if (upper == upper_root || upper.rfind(upper_root + "\\", 0) == 0) below = true;
    }
    if (!below) return;
    flat[FoldName(full)] = "key " + full;
    for (const vrx::sim::SimValue& v : key.values()) {
      std::ostringstream data;
      data << "type " << v.type << ":";
      for (unsigned char c : v.data) data << ' ' << std::hex << static_cast<int>(c);
      flat[FoldName(full) + "\\\"" + FoldName(v.name) + "\""] =
          "value " + full + "\\\"" + v.name + "\" " + data.str();
    }
  });
  return flat;
}

bool LoadImage(const std::string& folder, SimMachine* machine) {
  std::string error;
  if (!vrx::sim::LoadMachineImage(folder, machine, &error)) {
    std::cerr << "vrx-image-diff: " << error << "\n";
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  std::string seed_dir, before_dir, sim_dir, wine_drive;
  std::vector<std::string> wine_regs, baseline_regs, roots, ignored;
  Redirects redirects;
  for (int i = 1; i + 1 < argc; i += 2) {
    std::string option = argv[i];
    std::string value = argv[i + 1];
    if (option == "--seed") {
      seed_dir = value;
    } else if (option == "--redirect") {
      if (!AddRedirect(value, &redirects)) {
        std::cerr << "vrx-image-diff: --redirect takes FROM=TO, not " << value << "\n";
        return 2;
      }
    } else if (option == "--before") {
      before_dir = value;
    } else if (option == "--sim") {
      sim_dir = value;
    } else if (option == "--wine-drive") {
      wine_drive = value;
    } else if (option == "--wine-reg") {
      wine_regs.push_back(value);
    } else if (option == "--baseline-reg") {
      baseline_regs.push_back(value);
    } else if (option == "--root") {
      roots.push_back(value);
    } else if (option == "--ignore") {
      ignored.push_back(FoldName(value));
    } else {
      std::cerr << "vrx-image-diff: unknown option " << option << "\n";
      return 2;
    }
  }
  if (!seed_dir.empty() && !wine_drive.empty() && before_dir.empty() && argc % 2 == 1) {
    return Seed(seed_dir, wine_drive, redirects);
  }
  if (before_dir.empty() || sim_dir.empty() || wine_drive.empty() || argc % 2 == 0) {
    std::cerr << "usage: vrx-image-diff --seed IMAGE --wine-drive DIR [--redirect FROM=TO]...\n"
                 "       vrx-image-diff --before IMAGE --sim IMAGE --wine-drive DIR "
                 "[--wine-reg FILE]... [--root KEY]... [--ignore PATH]... "
                 "[--redirect FROM=TO]...\n";
    return 2;
  }
  auto before = std::make_unique<SimMachine>();
  auto after = std::make_unique<SimMachine>();
  if (!LoadImage(before_dir, before.get()) || !LoadImage(sim_dir, after.get())) return 2;

  int differences = 0;
  auto differ = [&](const std::string& what) {
    std::cout << what << "\n";
    ++differences;
  };

  std::set<std::string> paths;
  std::map<std::string, std::string> shown;
  for (const auto* machine : {before.get(), after.get()}) {
    for (const vrx::sim::EntryInfo& e : machine->files.Entries()) {
      if (e.path.rfind("C:\\", 0) != 0) continue;
      paths.insert(FoldName(e.path));
      shown.emplace(FoldName(e.path), e.path);
    }
  }
  for (const std::string& path : paths) {
    bool skip = false;
    for (const std::string& prefix : ignored) {
      if (path == prefix || path.rfind(prefix + "\\", 0) == 0) skip = true;
    }
    if (skip) continue;
    bool in_sim = after->files.Exists(shown[path]);
    bool in_wine = ExistsOnDrive(wine_drive, Redirected(shown[path], redirects));
    if (in_sim != in_wine) {
      differ(std::string(in_sim ? "only the simulator has " : "only Wine has ") + shown[path]);
    }
  }

  SimRegistry wine_registry, baseline_registry;
  for (const auto& [files, registry] :
       {std::pair{&wine_regs, &wine_registry}, std::pair{&baseline_regs, &baseline_registry}}) {
    for (const std::string& file : *files) {
      if (!fs::exists(file)) continue;  // the key was not there to export
      vrx::sim::RegFileResult result = vrx::sim::ReadRegFile(file, registry);
      if (!result.ok) {
        std::cerr << "vrx-image-diff: " << result.error << "\n";
        return 2;
      }
    }
  }
  std::map<std::string, std::string> baseline_flat = Flatten(baseline_registry, roots);
  std::map<std::string, std::string> sim_flat = Flatten(after->registry, roots);
  std::map<std::string, std::string> wine_flat = Flatten(wine_registry, roots);
  std::map<std::string, std::string> before_flat = Flatten(before->registry, roots);
  std::set<std::string> keys;
  for (const auto* flat : {&sim_flat, &wine_flat, &before_flat}) {
    for (const auto& [key, text] : *flat) keys.insert(key);
  }
  for (const std::string& key : keys) {
    auto s = sim_flat.find(key);
    auto w = wine_flat.find(key);
    if (s == sim_flat.end() && w == wine_flat.end()) continue;
    if (s == sim_flat.end() && !before_flat.count(key) && baseline_flat.count(key)) continue;
    if (s == sim_flat.end()) {
      differ("only Wine has " + w->second);
    } else if (w == wine_flat.end()) {
      differ("only the simulator has " + s->second);
    } else if (s->second != w->second) {
      differ("the simulator has " + s->second + "\n  but Wine has " + w->second);
    }
  }
  std::cout << (differences == 0 ? "same end state\n"
                                 : std::to_string(differences) + " differences\n");
  return differences == 0 ? 0 : 1;
}
