#include "platform/sim/sim_files.h"

#include <algorithm>
#include <string_view>
#include <utility>

#include "platform/sim/sim_file_tree.h"
#include "platform/windows_names.h"

namespace vrx::sim {

using file_tree::Attach;
using file_tree::AttributesOf;
using file_tree::Child;
using file_tree::CreateChild;
using file_tree::Detach;
using file_tree::HasDrivePrefix;
using file_tree::JoinLong;
using file_tree::MakeRoot;
using file_tree::MakeShortName;
using file_tree::PassesFilter;
using file_tree::Slashes;

SimFiles::SimFiles() { drives_['C'] = MakeRoot(); }

SimFiles::~SimFiles() = default;
SimFiles::SimFiles(SimFiles&&) noexcept = default;
SimFiles& SimFiles::operator=(SimFiles&&) noexcept = default;

// --- paths ---

namespace {

// The length of "\\server\share" at the start of a UNC path; 0 when there is none (no server or
// share, or a device path "\\.\" or "\\?\").
size_t ShareLength(const std::string& s) {
  if (!s.starts_with("\\\\")) return 0;
  const size_t server_end = s.find('\\', 2);
  if (server_end == std::string::npos || server_end == 2) return 0;
  const std::string server = s.substr(2, server_end - 2);
  if (server == "." || server == "?") return 0;
  const size_t share_end = std::min(s.find('\\', server_end + 1), s.size());
  return share_end > server_end + 1 ? share_end : 0;
}

bool SameParts(const std::vector<std::string>& start, const std::vector<std::string>& parts) {
  if (start.size() > parts.size()) return false;
  for (size_t i = 0; i < start.size(); ++i) {
    if (FoldName(start[i]) != FoldName(parts[i])) return false;
  }
  return true;
}

}  // namespace

std::optional<SimFiles::Parsed> SimFiles::Parse(const std::string& path) const {
  if (path.starts_with("\\\\?\\")) return ParseLiteral(std::string_view(path).substr(4));
  const std::string s = Slashes(path);
  if (s.empty()) return std::nullopt;
  Parsed parsed;
  std::string_view rest(s);
  const char current_drive = HasDrivePrefix(current_prefix_) ? FoldChar(current_prefix_[0]) : 0;
  if (s.starts_with("\\\\")) {
    const size_t share = ShareLength(s);
    if (share == 0) return std::nullopt;
    parsed.prefix = s.substr(0, share);
    parsed.drive = 0;
    rest.remove_prefix(share);
  } else if (HasDrivePrefix(s)) {
    parsed.prefix = s.substr(0, 2);
    parsed.drive = FoldChar(s[0]);
    rest.remove_prefix(2);
    if (!rest.starts_with('\\') && parsed.drive == current_drive) parsed.parts = current_parts_;
  } else {
    parsed.prefix = current_prefix_;
    parsed.drive = current_drive;
    if (!rest.starts_with('\\')) parsed.parts = current_parts_;
  }
  while (true) {
    const size_t sep = rest.find('\\');
    const bool last = sep == std::string_view::npos;
    std::string_view part = rest.substr(0, sep);
    if (!last) rest.remove_prefix(sep + 1);
    if (part == "..") {
      if (!parsed.parts.empty()) parsed.parts.pop_back();
      parsed.trailing_separator = false;
    } else if (part == ".") {
      parsed.trailing_separator = false;
    } else if (!part.empty()) {
      part = TrimPathPart(part, last);
      if (!part.empty()) {
        parsed.parts.emplace_back(part);
        parsed.trailing_separator = false;
      } else {
        parsed.trailing_separator = true;  // a last part of dots and blanks only
      }
    } else if (last) {
      parsed.trailing_separator = true;
    }
    if (last) break;
  }
  if (parsed.parts.empty()) parsed.trailing_separator = false;
  return parsed;
}

std::optional<SimFiles::Parsed> SimFiles::ParseLiteral(std::string_view rest) const {
  if (family_ != 2 || rest.size() < 3 || !HasDrivePrefix(std::string(rest.substr(0, 2))) ||
      rest[2] != '\\') {
    return std::nullopt;
  }
  Parsed parsed;
  parsed.prefix = std::string(rest.substr(0, 2));
  parsed.drive = FoldChar(rest[0]);
  rest.remove_prefix(3);
  while (!rest.empty()) {
    const size_t sep = rest.find('\\');
    const std::string_view part = rest.substr(0, sep);
    // Nothing is resolved or trimmed: "." and ".." are names no folder holds.
    if (part.empty() || part == "." || part == "..") return std::nullopt;
    parsed.parts.emplace_back(part);
    if (sep == std::string_view::npos) break;
    rest.remove_prefix(sep + 1);
    parsed.trailing_separator = rest.empty();
  }
  return parsed;
}

SimFiles::Parsed SimFiles::Dealias(Parsed parsed) const {
  // A target is stored resolved, so one round is enough unless a later alias lies inside it.
  for (size_t round = 0; round <= aliases_.size(); ++round) {
    bool replaced = false;
    for (const auto& [name, target] : aliases_) {
      std::optional<Parsed> from = Parse(name);
      if (!from || FoldName(from->prefix) != FoldName(parsed.prefix) ||
          !SameParts(from->parts, parsed.parts)) {
        continue;
      }
      std::optional<Parsed> to = Parse(target);
      if (!to) continue;
      to->parts.insert(to->parts.end(), parsed.parts.begin() + from->parts.size(),
                       parsed.parts.end());
      to->trailing_separator = parsed.trailing_separator && !to->parts.empty();
      parsed = std::move(*to);
      replaced = true;
      break;
    }
    if (!replaced) break;
  }
  return parsed;
}

SimFiles::Found SimFiles::Resolve(const Parsed& written) const {
  Found found;
  const Parsed parsed = Dealias(written);
  found.drive = parsed.drive;
  auto drive = drives_.find(parsed.drive);
  if (drive == drives_.end()) {
    found.error = kErrorPathNotFound;
    return found;
  }
  Entry* current = drive->second.get();
  for (size_t i = 0; i < parsed.parts.size(); ++i) {
    const bool last = i + 1 == parsed.parts.size();
    if (!current->directory) {
      found.parent = nullptr;
      found.error = kErrorPathNotFound;
      return found;
    }
    found.parent = current;
    Entry* next = Child(*current, parsed.parts[i], &found.last_by_short_name);
    if (next == nullptr) {
      if (!last) found.parent = nullptr;
      found.error = last ? kErrorFileNotFound : kErrorPathNotFound;
      return found;
    }
    found.chain.push_back(next);
    current = next;
  }
  if (parsed.trailing_separator && !current->directory) {
    // "A.TXT\" names a folder; a file is not one.
    found.error = kErrorInvalidName;
    return found;
  }
  found.entry = current;
  return found;
}

SimFiles::Found SimFiles::Resolve(const std::string& path) const {
  std::optional<Parsed> parsed = Parse(path);
  if (!parsed) {
    Found found;
    found.error = kErrorPathNotFound;
    return found;
  }
  return Resolve(*parsed);
}

std::string SimFiles::CurrentPath() const {
  std::string out = current_prefix_ + "\\";
  for (size_t i = 0; i < current_parts_.size(); ++i) {
    if (i > 0) out += "\\";
    out += current_parts_[i];
  }
  return out;
}

bool SimFiles::HeldOpen(const Entry* entry) const {
  return std::any_of(open_files_.begin(), open_files_.end(),
                     [entry](const auto& open) { return open.second.entry == entry; });
}

SimFiles::Entry* SimFiles::CreatePath(const std::string& path, bool last_is_directory) {
  std::optional<Parsed> parsed = Parse(path);
  if (!parsed) return nullptr;
  parsed = Dealias(*parsed);
  if (parsed->drive == 0) return nullptr;
  for (const std::string& part : parsed->parts) {
    if (!IsValidFileName(part)) return nullptr;
  }
  if (parsed->trailing_separator && !last_is_directory) return nullptr;
  std::unique_ptr<Entry>& root = drives_[parsed->drive];
  if (!root) root = MakeRoot();
  Entry* current = root.get();
  for (size_t i = 0; i < parsed->parts.size(); ++i) {
    if (!current->directory) return nullptr;
    bool by_short_name = false;
    Entry* next = Child(*current, parsed->parts[i], &by_short_name);
    if (next == nullptr) {
      next = CreateChild(*current, parsed->parts[i],
                         last_is_directory || i + 1 < parsed->parts.size());
    }
    current = next;
  }
  return current->directory == last_is_directory ? current : nullptr;
}

std::optional<std::string> SimFiles::ShortPath(const std::string& path) const {
  // Windows NT keeps the prefix and shortens what follows it.
  if (path.starts_with("\\\\?\\")) {
    if (Resolve(path).entry == nullptr) return std::nullopt;
    std::optional<std::string> rest = ShortPath(path.substr(4));
    return rest ? std::optional<std::string>("\\\\?\\" + *rest) : std::nullopt;
  }
  const std::string s = Slashes(path);
  if (Resolve(s).entry == nullptr) return std::nullopt;
  // Component by component as typed; each long one is looked up as the path up to it.
  std::string out;
  size_t at = 0;
  if (HasDrivePrefix(s)) {
    out = s.substr(0, 2);
    at = 2;
  } else if (const size_t share = ShareLength(s); share > 0) {
    out = s.substr(0, share);
    at = share;
  }
  while (at < s.size()) {
    if (s[at] == '\\') {
      out += '\\';
      ++at;
      continue;
    }
    const size_t end = std::min(s.find('\\', at), s.size());
    const std::string part = s.substr(at, end - at);
    if (IsShortName(part)) {
      out += part;
    } else {
      Found found = Resolve(s.substr(0, end));
      if (found.entry == nullptr || found.entry->parent == nullptr) return std::nullopt;
      out += found.entry->short_name;
    }
    at = end;
  }
  return out;
}

std::optional<std::string> SimFiles::LongPath(const std::string& path) const {
  std::optional<Parsed> parsed = Parse(path);
  if (!parsed) return std::nullopt;
  Found found = Resolve(*parsed);
  if (found.entry == nullptr) return std::nullopt;
  return JoinLong(found.drive, found.chain);
}

// --- listing ---

std::string SimFiles::ListFirst(const std::string& pattern, ListFilter filter) {
  listing_.clear();
  listing_next_ = 0;
  const std::string s = Slashes(pattern);
  if (s.empty()) return "";
  size_t sep = s.rfind('\\');
  size_t last_start = sep != std::string::npos ? sep + 1 : (HasDrivePrefix(s) ? 2 : 0);
  std::string last = s.substr(last_start);
  const std::string folder = s.substr(0, last_start);
  const bool wildcards = last.find_first_of("*?") != std::string::npos;

  if (!last.empty() && !wildcards) {
    Found found = Resolve(s);
    if (found.entry != nullptr && found.entry->parent != nullptr &&
        PassesFilter(AttributesOf(*found.entry), filter)) {
      // A junction is listed under its own name, not its target's.
      const std::string junction = JunctionNamed(s);
      listing_.push_back(junction.empty() ? found.entry->name : junction);
    }
    return ListNext();
  }
  if (last.empty()) last.push_back('*');
  if (folder.find_first_of("*?") != std::string::npos) return "";
  Found found = Resolve(folder.empty() ? CurrentPath() : folder);
  if (found.entry == nullptr || !found.entry->directory) return "";
  const Entry& dir = *found.entry;
  if (filter == ListFilter::kDirectories && dir.parent != nullptr) {
    if (MatchesPattern(last, ".") && PassesFilter(AttributesOf(dir), filter)) {
      listing_.push_back(".");
    }
    if (MatchesPattern(last, "..") && PassesFilter(AttributesOf(*dir.parent), filter)) {
      listing_.push_back("..");
    }
  }
  for (const auto& [key, child] : dir.children) {
    // As on Windows, a pattern also matches an entry through its 8.3 name.
    if (PassesFilter(AttributesOf(*child), filter) &&
        (MatchesPattern(last, child->name) ||
         (child->short_name != child->name && MatchesPattern(last, child->short_name)))) {
      listing_.push_back(child->name);
    }
  }
  // The junctions that lie in the folder are folders of it, as far as a listing goes.
  for (const auto& alias : aliases_) {
    std::optional<Parsed> name = Parse(alias.first);
    if (!name || name->parts.empty() || !PassesFilter(kAttrDirectory, filter) ||
        !MatchesPattern(last, name->parts.back())) {
      continue;
    }
    const std::string own = name->parts.back();
    name->parts.pop_back();
    if (Resolve(*name).entry == &dir) listing_.push_back(own);
  }
  return ListNext();
}

std::string SimFiles::JunctionNamed(const std::string& path) const {
  std::optional<Parsed> parsed = Parse(path);
  if (!parsed) return "";
  for (const auto& alias : aliases_) {
    std::optional<Parsed> name = Parse(alias.first);
    if (name && !name->parts.empty() && name->parts.size() == parsed->parts.size() &&
        FoldName(name->prefix) == FoldName(parsed->prefix) &&
        SameParts(name->parts, parsed->parts)) {
      return name->parts.back();
    }
  }
  return "";
}

std::string SimFiles::ListNext() {
  if (listing_next_ >= listing_.size()) return "";
  return listing_[listing_next_++];
}

// --- deleting, attributes, folders ---

Status SimFiles::DeleteFile(const std::string& path) {
  Found found = Resolve(path);
  Entry* entry = found.entry;
  if (entry == nullptr) return found.error;
  if (entry->directory) return kErrorAccessDenied;
  if (entry->in_use || HeldOpen(entry)) return kErrorSharingViolation;
  if (entry->attributes & kAttrReadOnly) return kErrorAccessDenied;
  Detach(*entry);
  return kOk;
}

Status SimFiles::SetAttributesNormal(const std::string& path) {
  Found found = Resolve(path);
  if (found.entry == nullptr) return found.error;
  // A junction stays one: SetFileAttributes takes no reparse point away.
  if (found.entry->parent != nullptr) found.entry->attributes &= kAttrReparsePoint;
  return kOk;
}

Status SimFiles::RemoveDirectory(const std::string& path) {
  std::optional<Parsed> parsed = Parse(path);
  Found found = Resolve(path);
  Entry* entry = found.entry;
  if (entry == nullptr) return found.error;
  if (!entry->directory) return kErrorDirectory;
  // A SUBST drive's or a share's root is a root, whatever folder it stands for.
  if (entry->parent == nullptr || parsed->parts.empty()) return kErrorAccessDenied;
  if (Resolve(CurrentPath()).entry == entry) return kErrorSharingViolation;
  if (entry->attributes & kAttrReadOnly) return kErrorAccessDenied;
  if (!entry->children.empty()) return kErrorDirNotEmpty;
  Detach(*entry);
  return kOk;
}

std::string SimFiles::GetCurrentDirectory() { return CurrentPath(); }

Status SimFiles::GetIdentity(const std::string& path, FileIdentity* identity) {
  Found found = Resolve(path);
  if (found.entry == nullptr) return found.error;
  if (found.entry->directory && family_ != 2) return kErrorAccessDenied;
  // The entry's place in memory stays while it exists, through renames and replacements.
  identity->volume_serial = 0x5EED0000u | static_cast<uint8_t>(found.drive);
  identity->file_index = reinterpret_cast<uintptr_t>(found.entry);
  // A folder alias on a drive is a junction: the name itself carries the reparse attribute.
  identity->link =
      !JunctionNamed(path).empty() || (found.entry->attributes & kAttrReparsePoint) != 0;
  return kOk;
}

Status SimFiles::SetCurrentDirectory(const std::string& path) {
  std::optional<Parsed> parsed = Parse(path);
  if (!parsed) return kErrorPathNotFound;
  Found found = Resolve(*parsed);
  if (found.entry == nullptr) return found.error;
  if (!found.entry->directory) return kErrorDirectory;
  current_prefix_ = parsed->prefix;
  current_parts_ = parsed->parts;
  return kOk;
}

Status SimFiles::ReplaceFile(const std::string& from, const std::string& to) {
  std::optional<Parsed> source_path = Parse(from);
  if (!source_path) return kErrorPathNotFound;
  Found source = Resolve(*source_path);
  if (source.entry == nullptr) return source.error;
  if (source.entry->directory) return kErrorAccessDenied;
  std::optional<Parsed> target_path = Parse(to);
  if (!target_path) return kErrorPathNotFound;
  if (Dealias(*target_path).drive != Dealias(*source_path).drive) return kErrorNotSameDevice;
  Found target = Resolve(*target_path);
  if (target.entry == nullptr && target.error != kErrorFileNotFound) return target.error;
  if (target_path->trailing_separator) return kErrorInvalidName;
  if (target.entry == source.entry) return kOk;
  if (target.entry != nullptr) {
    if (target.entry->directory) return kErrorAccessDenied;
    if (target.entry->in_use || HeldOpen(target.entry)) return kErrorSharingViolation;
  }
  if (source.entry->in_use || HeldOpen(source.entry)) return kErrorSharingViolation;
  if (target.entry != nullptr && (target.entry->attributes & kAttrReadOnly)) {
    return kErrorAccessDenied;
  }
  std::string name = target_path->parts.back();
  if (target.entry != nullptr && target.last_by_short_name) name = target.entry->name;
  if (!IsValidFileName(name)) return kErrorInvalidName;

  Entry* folder = target.parent;
  std::unique_ptr<Entry> moving = Detach(*source.entry);
  if (target.entry != nullptr) Detach(*target.entry);
  moving->name = name;
  moving->short_name = MakeShortName(*folder, name);
  Attach(*folder, std::move(moving));
  return kOk;
}

// --- text files ---

Status SimFiles::OpenText(const std::string& path, TextMode mode, FileNumber* number) {
  std::optional<Parsed> parsed = Parse(path);
  if (!parsed) return kErrorPathNotFound;
  Found found = Resolve(*parsed);
  Entry* entry = found.entry;
  if (mode == TextMode::kReadChars) {
    if (entry == nullptr) return found.error;
    if (entry->directory) return kErrorAccessDenied;
    if (entry->in_use) return kErrorSharingViolation;
  } else if (entry == nullptr) {
    if (found.error != kErrorFileNotFound) return found.error;
    if (parsed->trailing_separator) return kErrorInvalidName;
    if (!IsValidFileName(parsed->parts.back())) return kErrorInvalidName;
    entry = CreateChild(*found.parent, parsed->parts.back(), false);
    entry->attributes = kAttrArchive;
  } else {
    if (entry->directory) return kErrorAccessDenied;
    if (entry->in_use || HeldOpen(entry)) return kErrorSharingViolation;
    if (entry->attributes & (kAttrReadOnly | kAttrHidden | kAttrSystem)) return kErrorAccessDenied;
    entry->contents.clear();
    entry->attributes |= kAttrArchive;
  }
  FileNumber free_number = 1;
  while (open_files_.count(free_number) != 0) ++free_number;
  open_files_[free_number] = OpenFile{entry, mode, 0};
  *number = free_number;
  return kOk;
}

Status SimFiles::ReadChar(FileNumber number, char* c) {
  auto it = open_files_.find(number);
  if (it == open_files_.end()) return kErrorInvalidHandle;
  OpenFile& file = it->second;
  if (file.mode != TextMode::kReadChars) return kErrorAccessDenied;
  if (file.position >= file.entry->contents.size()) return kErrorHandleEof;
  *c = file.entry->contents[file.position++];
  return kOk;
}

bool SimFiles::AtEnd(FileNumber number) {
  auto it = open_files_.find(number);
  if (it == open_files_.end()) return true;
  return it->second.position >= it->second.entry->contents.size();
}

Status SimFiles::Write(FileNumber number, const std::string& bytes) {
  auto it = open_files_.find(number);
  if (it == open_files_.end()) return kErrorInvalidHandle;
  if (it->second.mode != TextMode::kWriteBytes) return kErrorAccessDenied;
  it->second.entry->contents += bytes;
  return kOk;
}

Status SimFiles::Close(FileNumber number) {
  return open_files_.erase(number) != 0 ? kOk : kErrorInvalidHandle;
}

void SimFiles::CloseAll() { open_files_.clear(); }

}  // namespace vrx::sim
