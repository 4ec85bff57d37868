#include "platform/sim/machine_image.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <sstream>
#include <system_error>
#include <utility>
#include <vector>

#include "platform/sim/machine_ini.h"
#include "platform/sim/sim_machine.h"
#include "platform/windows_names.h"

namespace vrx::sim {
namespace {

namespace fs = std::filesystem;

bool Fail(std::string* error, const fs::path& path, const std::string& problem) {
  if (error) *error = path.string() + ": " + problem;
  return false;
}

bool ReadWholeFile(const fs::path& path, std::string* bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

bool WriteWholeFile(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  return static_cast<bool>(out);
}

bool IsDriveFolderName(const std::string& name) {
  return name.size() == 7 && name.starts_with("drive_") &&
         ((name[6] >= 'a' && name[6] <= 'z') || (name[6] >= 'A' && name[6] <= 'Z'));
}

// Reads the host folder `host` into the model's folder `windows_path` (which exists).
bool LoadHostFolder(const fs::path& host, const std::string& windows_path, SimFiles& files,
                    std::string* error) {
  struct HostEntry {
    std::string name;
    std::string folded;
    fs::path path;
    bool directory;
    bool short_name;
  };
  std::vector<HostEntry> found;
  std::error_code ec;
  fs::directory_iterator it(host, ec);
  for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
    const fs::path path = it->path();
    const std::string name = path.filename().string();
    if (!IsValidFileName(name)) return Fail(error, path, "not a valid Windows file name");
    fs::file_status status = it->symlink_status(ec);
    if (ec) return Fail(error, path, "cannot be read: " + ec.message());
    if (!fs::is_directory(status) && !fs::is_regular_file(status)) {
      return Fail(error, path, "neither a file nor a folder");
    }
    found.push_back({name, FoldName(name), path, fs::is_directory(status), IsShortName(name)});
  }
  if (ec) return Fail(error, host, "cannot be read: " + ec.message());

  // Valid 8.3 names first, so that no generated short name takes one of them.
  std::sort(found.begin(), found.end(), [](const HostEntry& a, const HostEntry& b) {
    if (a.short_name != b.short_name) return a.short_name;
    if (int order = CompareFolded(a.folded, b.folded); order != 0) return order < 0;
    return a.name < b.name;
  });
  for (size_t i = 1; i < found.size(); ++i) {
    if (found[i].folded == found[i - 1].folded) {
      return Fail(error, found[i].path,
                  "differs only in case from \"" + found[i - 1].name + "\" in the same folder");
    }
  }
  for (const HostEntry& h : found) {
    const std::string path = windows_path + "\\" + h.name;
    if (h.directory) {
      if (!files.AddDirectory(path)) return Fail(error, h.path, "cannot be made");
      continue;
    }
    std::string contents;
    if (!ReadWholeFile(h.path, &contents)) return Fail(error, h.path, "cannot be read");
    if (!files.AddFile(path, contents)) return Fail(error, h.path, "cannot be made");
  }
  for (const HostEntry& h : found) {
    if (h.directory && !LoadHostFolder(h.path, windows_path + "\\" + h.name, files, error)) {
      return false;
    }
  }
  return true;
}

}  // namespace

bool LoadDriveFolders(const fs::path& image_dir, SimFiles* files, std::string* error) {
  std::vector<std::pair<char, fs::path>> drive_folders;
  std::error_code ec;
  fs::directory_iterator it(image_dir, ec);
  for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
    const fs::path path = it->path();
    const std::string name = path.filename().string();
    if (!IsDriveFolderName(name)) continue;
    if (name[6] < 'a') return Fail(error, path, "a drive folder is named in lower case");
    fs::file_status status = it->symlink_status(ec);
    if (ec || !fs::is_directory(status)) return Fail(error, path, "not a folder");
    drive_folders.emplace_back(FoldChar(name[6]), path);
  }
  if (ec) return Fail(error, image_dir, "cannot be read: " + ec.message());
  std::sort(drive_folders.begin(), drive_folders.end());

  SimFiles loaded;
  for (const auto& [letter, path] : drive_folders) {
    const std::string root{letter, ':'};
    if (!loaded.AddDirectory(root + "\\")) return Fail(error, path, "cannot be made");
    if (!LoadHostFolder(path, root, loaded, error)) return false;
  }
  *files = std::move(loaded);
  return true;
}

bool WriteDriveFolders(const SimFiles& files, const fs::path& out_dir, std::string* error) {
  std::error_code ec;
  fs::create_directories(out_dir, ec);
  if (ec) return Fail(error, out_dir, "cannot be created: " + ec.message());
  for (char letter : files.Drives()) {
    const fs::path folder = out_dir / (std::string("drive_") + static_cast<char>(letter + 32));
    if (fs::symlink_status(folder, ec).type() != fs::file_type::not_found) {
      return Fail(error, folder, "already exists");
    }
    if (!fs::create_directory(folder, ec)) {
      return Fail(error, folder, "cannot be created" + (ec ? ": " + ec.message() : std::string()));
    }
  }
  bool ok = true;
  files.VisitEntries([&](const EntryInfo& entry, const std::string& contents) {
    if (!ok) return;
    // "C:\A\B" is drive_c/A/B.
    fs::path path = out_dir / (std::string("drive_") + static_cast<char>(entry.path[0] + 32));
    std::istringstream parts(entry.path.substr(3));
    for (std::string part; std::getline(parts, part, '\\');) path /= part;
    if (entry.directory) {
      if (!fs::create_directory(path, ec)) {
        ok = Fail(error, path, "cannot be created" + (ec ? ": " + ec.message() : std::string()));
      }
    } else if (!WriteWholeFile(path, contents)) {
      ok = Fail(error, path, "cannot be written");
    }
  });
  return ok;
}

bool LoadMachineImage(const fs::path& folder, SimMachine* machine, std::string* error) {
  if (!fs::is_directory(folder)) {
    *error = folder.string() + ": not a machine image folder";
    return false;
  }
  for (const auto& entry : fs::directory_iterator(folder)) {
    std::string name = entry.path().filename().string();
    bool known = name == "machine.ini" || name == "registry.reg" ||
                 (IsDriveFolderName(name) && name[6] >= 'a' && entry.is_directory());
    if (!known) {
      *error = entry.path().string() + ": not part of a machine image";
      return false;
    }
  }
  std::string text;
  if (!ReadWholeFile(folder / "machine.ini", &text)) {
    return Fail(error, folder / "machine.ini", "cannot be read");
  }
  std::optional<MachineIni> ini = MachineIni::Parse(text, "machine.ini", error);
  if (!ini) return false;

  const fs::path reg_path = folder / "registry.reg";
  if (!ReadWholeFile(reg_path, &text)) return Fail(error, reg_path, "cannot be read");
  RegFileResult result = ParseRegFile(text, "registry.reg", &machine->registry);
  if (!result.ok) {
    *error = result.error;
    return false;
  }
  machine->registry_format = result.format;
  if (!LoadDriveFolders(folder, &machine->files, error)) return false;
  return ini->ApplyTo(machine, error);
}

bool WriteMachineImage(const SimMachine& machine, const fs::path& folder, std::string* error) {
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
  if (!WriteWholeFile(folder / "machine.ini", MachineIni::Format(machine))) {
    return Fail(error, folder / "machine.ini", "cannot be written");
  }
  if (!WriteWholeFile(folder / "registry.reg",
                      FormatRegFile(machine.registry, machine.registry_format))) {
    return Fail(error, folder / "registry.reg", "cannot be written");
  }
  return WriteDriveFolders(machine.files, folder, error);
}

}  // namespace vrx::sim
