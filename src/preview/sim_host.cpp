#include "preview/sim_host.h"

#include "platform/windows_names.h"

namespace vrx::preview {
namespace {

// The folder part of a full path: "C:\A\B" gives "C:\A", "C:\A" gives "C:\".
std::string Parent(const std::string& path) {
  const size_t slash = path.find_last_of('\\');
  if (slash == std::string::npos) return path;
  return slash <= 2 ? path.substr(0, 3) : path.substr(0, slash);
}

// 3 when the folder above a missing entry is missing too, otherwise 2.
Status Missing(const sim::SimFiles& files, const std::string& path) {
  const std::optional<uint32_t> above = files.Attributes(Parent(path));
  return above && (*above & kAttrDirectory) ? kErrorFileNotFound : kErrorPathNotFound;
}

}  // namespace

std::vector<LiveEntry> SimLiveFiles::ProgramsIn(const std::string& folder) const {
  std::vector<LiveEntry> found;
  if (programs_ == nullptr) return found;
  for (const sim::ProgramEntry& p : *programs_) {
    const std::string file = p.path + ".exe";
    if (files_->Exists(file) || !SameName(Parent(file), folder)) continue;
    found.push_back({file.substr(file.find_last_of('\\') + 1), kAttrArchive});
  }
  return found;
}

Status SimLiveFiles::Stat(const std::string& path, LiveEntry* entry) {
  const std::optional<std::string> long_path = files_->LongPath(path);
  if (!long_path) {
    const std::optional<std::string> folder = files_->LongPath(Parent(path));
    if (folder) {
      for (const LiveEntry& program : ProgramsIn(*folder)) {
        if (SameName(program.name, path.substr(path.find_last_of('\\') + 1))) {
          *entry = program;
          return kOk;
        }
      }
    }
    return Missing(*files_, path);
  }
  LiveEntry found;
  const size_t slash = long_path->find_last_of('\\');
  found.name = slash == std::string::npos || long_path->size() <= 3 ? long_path->substr(0, 2)
                                                                    : long_path->substr(slash + 1);
  found.attributes = files_->Attributes(*long_path).value_or(0);
  // A junction is an entry of its own folder, under its own name, marked as a reparse point.
  if (const std::string junction = files_->JunctionNamed(path); !junction.empty()) {
    found.name = junction;
    found.attributes |= kAttrReparsePoint;
  }
  *entry = found;
  return kOk;
}

Status SimLiveFiles::List(const std::string& folder, std::vector<LiveEntry>* entries) {
  const std::optional<std::string> long_path = files_->LongPath(folder);
  if (!long_path) return Missing(*files_, folder);
  if (!(files_->Attributes(*long_path).value_or(0) & kAttrDirectory)) return kErrorDirectory;
  std::string prefix = FoldName(*long_path);
  if (prefix.back() != '\\') prefix += '\\';
  std::vector<LiveEntry> found;
  files_->VisitEntries([&](const sim::EntryInfo& e, const std::string&) {
    const std::string folded = FoldName(e.path);
    if (!folded.starts_with(prefix) || folded.find('\\', prefix.size()) != std::string::npos) {
      return;
    }
    found.push_back({e.path.substr(prefix.size()), e.attributes});
  });
  for (LiveEntry& program : ProgramsIn(*long_path)) found.push_back(std::move(program));
  *entries = std::move(found);
  return kOk;
}

Status SimLiveFiles::DriveTarget(char drive, std::string* target) {
  for (const auto& [name, to] : files_->Aliases()) {
    if (name.size() == 3 && FoldName(name.substr(0, 1)) == FoldName(std::string(1, drive)) &&
        name.substr(1) == ":\\") {
      *target = to;
      return kOk;
    }
  }
  return kErrorFileNotFound;
}

Status SimLiveFiles::Read(const std::string& path, std::string* bytes) {
  const std::optional<uint32_t> attributes = files_->Attributes(path);
  if (!attributes) return Missing(*files_, path);
  if (*attributes & kAttrDirectory) return kErrorAccessDenied;
  if (files_->InUse(path)) return kErrorSharingViolation;
  *bytes = files_->Contents(path).value_or("");
  return kOk;
}

Status SimLiveFiles::InUse(const std::string& path, bool* in_use) {
  const std::optional<uint32_t> attributes = files_->Attributes(path);
  if (!attributes) return Missing(*files_, path);
  *in_use = !(*attributes & kAttrDirectory) && files_->InUse(path);
  return kOk;
}

Status SimImageFolder::Probe(const std::string& path, bool* exists, bool* empty_folder) {
  const std::optional<std::string> long_path = files_->LongPath(path);
  *exists = long_path.has_value();
  *empty_folder = false;
  if (!long_path) return kOk;
  if (!(files_->Attributes(*long_path).value_or(0) & kAttrDirectory)) return kOk;
  std::vector<LiveEntry> entries;
  SimLiveFiles live(files_);
  if (Status status = live.List(*long_path, &entries); status != kOk) return status;
  *empty_folder = entries.empty();
  return kOk;
}

Status SimImageFolder::MakeFolder(const std::string& path) {
  if (files_->Exists(path)) return kErrorAlreadyExists;
  const std::optional<uint32_t> above = files_->Attributes(Parent(path));
  if (!above || !(*above & kAttrDirectory)) return kErrorPathNotFound;
  if (*above & kAttrReadOnly) return kErrorAccessDenied;
  return files_->AddDirectory(path) ? kOk : kErrorInvalidName;
}

Status SimImageFolder::WriteNewFile(const std::string& path, const std::string& bytes) {
  if (files_->Exists(path)) return kErrorFileExists;
  const std::optional<uint32_t> above = files_->Attributes(Parent(path));
  if (!above || !(*above & kAttrDirectory)) return kErrorPathNotFound;
  return files_->AddFile(path, bytes, kAttrArchive) ? kOk : kErrorInvalidName;
}

Status SimImageFolder::Remove(const std::string& path, bool folder) {
  return folder ? files_->RemoveDirectory(path) : files_->DeleteFile(path);
}

}  // namespace vrx::preview
