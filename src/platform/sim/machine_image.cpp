#include "platform/sim/machine_image.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
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
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat info;
  bool ok = ::fstat(fd, &info) == 0;
  std::string data(ok ? static_cast<size_t>(info.st_size) : 0, '\0');
  size_t done = 0;
  while (ok) {
    if (done == data.size()) data.resize(done + 4096);  // the file grew, or says size 0
    const ssize_t got = ::read(fd, data.data() + done, data.size() - done);
    if (got < 0) ok = false;
    if (got <= 0) break;
    done += static_cast<size_t>(got);
  }
  ::close(fd);
  data.resize(done);
  if (ok) *bytes = std::move(data);
  return ok;
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

// Reads the host folder `host` into the model's folder `windows_path` ("C:", "C:\\A"), which
// exists.
bool LoadHostFolder(const fs::path& host, const std::string& windows_path, SimFiles& files,
                    std::string* error) {
  struct HostEntry {
    std::string name;
    std::string folded;
    bool directory;
    bool short_name;
  };
  std::vector<HostEntry> found;
  DIR* dir = ::opendir(host.c_str());
  if (dir == nullptr) return Fail(error, host, "cannot be read");
  bool ok = true;
  while (const dirent* d = ::readdir(dir)) {
    const std::string name = d->d_name;
    if (name == "." || name == "..") continue;
    unsigned char type = d->d_type;
    if (type == DT_UNKNOWN) {
      struct stat info;
      if (::lstat((host / name).c_str(), &info) != 0) {
        ok = Fail(error, host / name, "cannot be read");
        break;
      }
      type = S_ISDIR(info.st_mode) ? DT_DIR : S_ISREG(info.st_mode) ? DT_REG : DT_LNK;
    }
    const std::string problem = PathLengthProblem(
        windows_path + "\\" + name, type == DT_DIR ? kMaxFolderPathLength : kMaxPathLength);
    if (!problem.empty()) {
      ok = Fail(error, host / name, problem + " on Windows");
      break;
    }
    if (!IsValidFileName(name)) {
      ok = Fail(error, host / name, "not a valid Windows file name");
      break;
    }
    if (type != DT_DIR && type != DT_REG) {
      ok = Fail(error, host / name, "neither a file nor a folder");
      break;
    }
    found.push_back({name, FoldName(name), type == DT_DIR, IsShortName(name)});
  }
  ::closedir(dir);
  if (!ok) return false;

  // Valid 8.3 names first, so that no generated short name takes one of them.
  std::sort(found.begin(), found.end(), [](const HostEntry& a, const HostEntry& b) {
    if (a.short_name != b.short_name) return a.short_name;
    if (int order = CompareFolded(a.folded, b.folded); order != 0) return order < 0;
    return a.name < b.name;
  });
  std::vector<SimFiles::NewEntry> entries;
  entries.reserve(found.size());
  for (size_t i = 0; i < found.size(); ++i) {
    const HostEntry& h = found[i];
    if (i > 0 && h.folded == found[i - 1].folded) {
      return Fail(error, host / h.name,
                  "differs only in case from \"" + found[i - 1].name + "\" in the same folder");
    }
    SimFiles::NewEntry entry{h.name, h.directory, {}};
    if (!h.directory && !ReadWholeFile(host / h.name, &entry.contents)) {
      return Fail(error, host / h.name, "cannot be read");
    }
    entries.push_back(std::move(entry));
  }
  if (!files.AddEntries(windows_path + "\\", std::move(entries))) {
    return Fail(error, host, "cannot be made");
  }
  for (const HostEntry& h : found) {
    if (h.directory && !LoadHostFolder(host / h.name, windows_path + "\\" + h.name, files, error)) {
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

// How the drives are written: "C:\A\B" is out_dir/drive_c/A/B, each name as its Windows-1252 bytes,
// one byte a character, as LoadHostFolder takes them back. The host holds names of up to 255
// bytes, and no entry of the model has a name longer than 255 characters (SimFiles makes none that
// IsValidFileName refuses), so every name fits; a path below out_dir is its Windows path with 5
// bytes more, far from the 4096 a host path may have.
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
