// The simulated drives as the machine image and the tests build and read them, past the rules of
// the file calls.
#include <utility>

#include "platform/sim/sim_file_tree.h"
#include "platform/sim/sim_files.h"
#include "platform/windows_names.h"

namespace vrx::sim {

using file_tree::AttributesOf;
using file_tree::Child;
using file_tree::Clone;
using file_tree::CreateChild;
using file_tree::kStoredAttributes;
using file_tree::Walk;

bool SimFiles::AddDirectory(const std::string& path) { return CreatePath(path, true) != nullptr; }

std::string SimFiles::AddAlias(const std::string& name, const std::string& target) {
  const std::string s = file_tree::Slashes(name);
  const bool on_drive = file_tree::HasDrivePrefix(s) && s.size() >= 3 && s[2] == '\\';
  std::optional<Parsed> parsed = Parse(s);
  if (!parsed || (!on_drive && !s.starts_with("\\\\"))) {
    return "an alias is a drive root, a share or a folder by its full path: " + name;
  }
  const Parsed through = Dealias(*parsed);
  if (FoldName(through.prefix) != FoldName(parsed->prefix) || through.parts != parsed->parts) {
    return "an alias lies inside another: " + name;
  }
  for (const std::string& part : parsed->parts) {
    if (!IsValidFileName(part)) return "not a Windows name: " + name;
  }
  if (on_drive && parsed->parts.empty() && drives_.count(parsed->drive) != 0) {
    return "drive " + parsed->prefix + " holds files already";
  }
  if (!parsed->parts.empty()) {
    Found found = Resolve(*parsed);
    if (found.entry != nullptr) return "the alias's name is taken: " + name;
    if (found.parent == nullptr) return "no folder holds the alias " + name;
  }
  Found aimed = Resolve(target);
  if (aimed.entry == nullptr || !aimed.entry->directory) return "no such folder: " + target;
  std::string long_target = file_tree::JoinLong(aimed.drive, aimed.chain);
  // machine.ini takes the target from after the last "=" of the line.
  if (long_target.find('=') != std::string::npos) return "a target holds \"=\": " + long_target;
  aliases_.emplace_back(name, std::move(long_target));
  return "";
}

bool SimFiles::AddFile(const std::string& path, const std::string& contents, uint32_t attributes) {
  Entry* entry = CreatePath(path, false);
  if (entry == nullptr) return false;
  entry->contents = contents;
  entry->attributes = attributes & kStoredAttributes;
  return true;
}

bool SimFiles::AddEntries(const std::string& folder, std::vector<NewEntry> entries) {
  Found found = Resolve(folder);
  if (found.entry == nullptr || !found.entry->directory) return false;
  Entry& dir = *found.entry;
  for (NewEntry& e : entries) {
    bool by_short_name = false;
    if (!IsValidFileName(e.name) || Child(dir, e.name, &by_short_name) != nullptr) return false;
    CreateChild(dir, e.name, e.directory)->contents = std::move(e.contents);
  }
  return true;
}

bool SimFiles::SetAttributes(const std::string& path, uint32_t attributes) {
  Found found = Resolve(path);
  if (found.entry == nullptr || found.entry->parent == nullptr) return false;
  found.entry->attributes = attributes & kStoredAttributes;
  return true;
}

std::optional<uint32_t> SimFiles::Attributes(const std::string& path) const {
  Found found = Resolve(path);
  if (found.entry == nullptr) return std::nullopt;
  return AttributesOf(*found.entry);
}

bool SimFiles::SetInUse(const std::string& path, bool in_use) {
  Found found = Resolve(path);
  if (found.entry == nullptr || found.entry->directory) return false;
  found.entry->in_use = in_use;
  return true;
}

bool SimFiles::InUse(const std::string& path) const {
  Found found = Resolve(path);
  return found.entry != nullptr && found.entry->in_use;
}

bool SimFiles::Exists(const std::string& path) const { return Resolve(path).entry != nullptr; }

std::optional<std::string> SimFiles::Contents(const std::string& path) const {
  Found found = Resolve(path);
  if (found.entry == nullptr || found.entry->directory) return std::nullopt;
  return found.entry->contents;
}

void SimFiles::CopyDrivesFrom(const SimFiles& other) {
  DriveMap drives;
  for (const auto& [letter, root] : other.drives_) drives[letter] = Clone(*root);
  drives_ = std::move(drives);
  open_files_.clear();
  listing_.clear();
  listing_next_ = 0;
  current_prefix_ = "C:";
  current_parts_.clear();
}

std::vector<char> SimFiles::Drives() const {
  std::vector<char> out;
  for (const auto& [letter, root] : drives_) out.push_back(letter);
  return out;
}

void SimFiles::VisitEntries(
    const std::function<void(const EntryInfo& entry, const std::string& contents)>& visit) const {
  for (const auto& [letter, root] : drives_) Walk(*root, std::string{letter, ':'}, visit);
}

std::vector<EntryInfo> SimFiles::Entries() const {
  std::vector<EntryInfo> out;
  VisitEntries([&](const EntryInfo& entry, const std::string&) { out.push_back(entry); });
  return out;
}

std::vector<std::string> SimFiles::FilesInUse() const {
  std::vector<std::string> out;
  VisitEntries([&](const EntryInfo& entry, const std::string&) {
    if (!entry.directory && entry.in_use) out.push_back(entry.path);
  });
  return out;
}

std::vector<std::string> SimFiles::EmptyFolders() const {
  std::vector<std::string> out;
  VisitEntries([&](const EntryInfo& entry, const std::string&) {
    if (entry.empty) out.push_back(entry.path);
  });
  return out;
}
}  // namespace vrx::sim
