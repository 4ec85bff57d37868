#include "preview/touch_tracker.h"

#include "platform/sim/sim_platform.h"

namespace vrx::preview {
namespace {

bool IsHive(HKey key) {
  return key == kHkeyClassesRoot || key == kHkeyCurrentUser || key == kHkeyLocalMachine ||
         key == kHkeyUsers;
}

// "A\\B" below "X" is "X\\A\\B"; separators at either end of `subkey` are dropped.
std::string Join(const std::string& base, const std::string& subkey) {
  size_t begin = subkey.find_first_not_of('\\');
  if (begin == std::string::npos) return base;
  size_t end = subkey.find_last_not_of('\\');
  std::string rest = subkey.substr(begin, end - begin + 1);
  return base.empty() ? rest : base + "\\" + rest;
}

}  // namespace

TouchTracker::TouchTracker(const Platform& inner, Touches* touches)
    : registry_(inner.registry, touches),
      files_(inner.files, touches),
      system_(inner.system, &files_, touches),
      processes_(inner.processes, touches) {
  platform_ = Forward(inner, &registry_, &system_, &files_, &processes_);
}

bool TouchTracker::TrackedRegistry::Note(HKey parent, const std::string& subkey,
                                         std::pair<HKey, std::string>* key) {
  if (IsHive(parent)) {
    *key = {parent, Join("", subkey)};
  } else {
    auto it = open_.find(parent);
    if (it == open_.end()) return false;
    *key = {it->second.first, Join(it->second.second, subkey)};
  }
  touches_->keys.push_back(*key);
  return true;
}

Status TouchTracker::TrackedRegistry::OpenKey(HKey parent, const std::string& subkey, uint32_t sam,
                                              HKey* result) {
  std::pair<HKey, std::string> key;
  const bool known = Note(parent, subkey, &key);
  const Status status = ForwardingRegistry::OpenKey(parent, subkey, sam, result);
  if (status == kOk && known && result != nullptr && !IsHive(*result)) open_[*result] = key;
  return status;
}

Status TouchTracker::TrackedRegistry::CreateKey(HKey parent, const std::string& subkey,
                                                uint32_t options, uint32_t sam, HKey* result,
                                                uint32_t* disposition) {
  std::pair<HKey, std::string> key;
  const bool known = Note(parent, subkey, &key);
  const Status status =
      ForwardingRegistry::CreateKey(parent, subkey, options, sam, result, disposition);
  if (status == kOk && known && result != nullptr && !IsHive(*result)) open_[*result] = key;
  return status;
}

Status TouchTracker::TrackedRegistry::DeleteKey(HKey parent, const std::string& subkey) {
  std::pair<HKey, std::string> key;
  (void)Note(parent, subkey, &key);
  return ForwardingRegistry::DeleteKey(parent, subkey);
}

Status TouchTracker::TrackedRegistry::CloseKey(HKey key) {
  const Status status = ForwardingRegistry::CloseKey(key);
  if (status == kOk) open_.erase(key);
  return status;
}

std::string TouchTracker::TrackedFiles::Full(const std::string& path) {
  return sim::FullPathName(path, target_->GetCurrentDirectory()).value_or(path);
}

std::string TouchTracker::TrackedFiles::ListFirst(const std::string& pattern, ListFilter filter) {
  const std::string full = Full(pattern);
  const size_t slash = full.find_last_of('\\');
  if (slash != std::string::npos) {
    touches_->folders.push_back(slash <= 2 ? full.substr(0, 3) : full.substr(0, slash));
  }
  return ForwardingFiles::ListFirst(pattern, filter);
}

Status TouchTracker::TrackedFiles::DeleteFile(const std::string& path) {
  touches_->paths.push_back(Full(path));
  return ForwardingFiles::DeleteFile(path);
}

Status TouchTracker::TrackedFiles::SetAttributesNormal(const std::string& path) {
  touches_->paths.push_back(Full(path));
  return ForwardingFiles::SetAttributesNormal(path);
}

Status TouchTracker::TrackedFiles::RemoveDirectory(const std::string& path) {
  touches_->folders.push_back(Full(path));
  return ForwardingFiles::RemoveDirectory(path);
}

Status TouchTracker::TrackedFiles::SetCurrentDirectory(const std::string& path) {
  touches_->paths.push_back(Full(path));
  return ForwardingFiles::SetCurrentDirectory(path);
}

Status TouchTracker::TrackedFiles::ReplaceFile(const std::string& from, const std::string& to) {
  touches_->paths.push_back(Full(from));
  touches_->paths.push_back(Full(to));
  return ForwardingFiles::ReplaceFile(from, to);
}

Status TouchTracker::TrackedFiles::OpenText(const std::string& path, TextMode mode,
                                            FileNumber* number) {
  touches_->paths.push_back(Full(path));
  if (mode == TextMode::kReadChars) touches_->reads.push_back(Full(path));
  return ForwardingFiles::OpenText(path, mode, number);
}

uint32_t TouchTracker::TrackedSystem::GetShortPathName(const std::string& long_path, char* buffer,
                                                       uint32_t size) {
  touches_->paths.push_back(files_->Full(long_path));
  return ForwardingSystem::GetShortPathName(long_path, buffer, size);
}

bool TouchTracker::TrackedSystem::MoveFileEx(const std::string& existing,
                                             const std::optional<std::string>& new_name,
                                             uint32_t flags) {
  touches_->paths.push_back(files_->Full(existing));
  if (new_name) touches_->paths.push_back(files_->Full(*new_name));
  return ForwardingSystem::MoveFileEx(existing, new_name, flags);
}

Status TouchTracker::TrackedSystem::MoveFile(const std::string& existing,
                                             const std::string& new_name) {
  touches_->paths.push_back(files_->Full(existing));
  touches_->paths.push_back(files_->Full(new_name));
  return ForwardingSystem::MoveFile(existing, new_name);
}

Status TouchTracker::TrackedSystem::GetTempFileName(const std::string& directory,
                                                    const std::string& prefix, std::string* path) {
  touches_->folders.push_back(files_->Full(directory));
  return ForwardingSystem::GetTempFileName(directory, prefix, path);
}

Status TouchTracker::TrackedProcesses::Start(const std::string& command_line, int window_style,
                                             TaskId* task) {
  touches_->starts.push_back(command_line);
  return ForwardingProcesses::Start(command_line, window_style, task);
}

}  // namespace vrx::preview
