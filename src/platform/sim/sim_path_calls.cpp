// The simulated machine's path and file-name calls: GetFullPathNameA, GetTempFileNameA and
// MoveFileA, over the drives that SimFiles holds.
#include <cstdio>
#include <string>
#include <vector>

#include "platform/sim/sim_files.h"
#include "platform/sim/sim_platform.h"

namespace vrx::sim {
namespace {

bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool IsDrivePath(const std::string& s) { return s.size() >= 2 && IsLetter(s[0]) && s[1] == ':'; }

// The length of the "\\server\share\" part of a UNC path, separators after the share included.
size_t UncRootLength(const std::string& s) {
  size_t i = 2;
  while (i < s.size() && s[i] != '\\') ++i;  // server
  while (i < s.size() && s[i] == '\\') ++i;
  while (i < s.size() && s[i] != '\\') ++i;  // share
  while (i < s.size() && s[i] == '\\') ++i;
  return i;
}

// The root that a path starting with a single backslash takes from the current directory.
std::string RootOf(const std::string& current) {
  if (IsDrivePath(current)) return std::string{current[0], ':', '\\'};
  if (current.rfind("\\\\", 0) == 0) {
    std::string root = current.substr(0, UncRootLength(current));
    if (root.back() != '\\') root += '\\';
    return root;
  }
  return "C:\\";
}

// Joins the rest of a path to its root, resolving "." and "..", dropping a dot that ends a
// folder's name and the blanks and dots that end the path.
std::string Collapse(const std::string& root, const std::string& rest) {
  std::vector<std::string> parts;
  size_t begin = 0;
  while (begin <= rest.size()) {
    size_t end = rest.find('\\', begin);
    bool separator_follows = end != std::string::npos;
    if (!separator_follows) end = rest.size();
    std::string part = rest.substr(begin, end - begin);
    begin = end + 1;
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
      continue;
    }
    // A name ending in one dot loses it when a separator follows ("WINDOWS.\" is "WINDOWS\").
    if (separator_follows && part.size() >= 2 && part.back() == '.' &&
        part[part.size() - 2] != '.') {
      part.pop_back();
    }
    parts.push_back(part);
  }
  std::string full = root;
  for (size_t i = 0; i < parts.size(); ++i) {
    if (i > 0) full += '\\';
    full += parts[i];
  }
  if (!rest.empty() && rest.back() == '\\') {
    if (!parts.empty()) full += '\\';
  } else {
    while (full.size() > root.size() && (full.back() == ' ' || full.back() == '.')) {
      full.pop_back();
    }
  }
  return full;
}

}  // namespace

std::optional<std::string> FullPathName(const std::string& path, const std::string& given) {
  if (path.empty()) return std::nullopt;
  // A current directory is always absolute; anything else stands for the root of C:.
  const bool absolute =
      (IsDrivePath(given) && given.size() >= 3 && given[2] == '\\') || given.rfind("\\\\", 0) == 0;
  const std::string current = absolute ? given : "C:\\";
  std::string s = path;
  for (char& c : s) {
    if (c == '/') c = '\\';
  }
  if (s.rfind("\\\\?\\", 0) == 0) return path;
  if (s.rfind("\\\\.\\", 0) == 0) return Collapse("\\\\.\\", s.substr(4));
  if (s.rfind("\\\\", 0) == 0) {
    size_t root = UncRootLength(s);
    return Collapse(s.substr(0, root), s.substr(root));
  }
  if (IsDrivePath(s)) {
    if (s.size() >= 3 && s[2] == '\\') {
      return Collapse(std::string{Upper(s[0]), ':', '\\'}, s.substr(3));
    }
    // Drive-relative: from the current directory when it is on that drive.
    if (IsDrivePath(current) && Upper(current[0]) == Upper(s[0])) {
      // "C:" alone is the current directory as it is kept: with a separator at its end.
      return FullPathName(current + "\\" + s.substr(2), current);
    }
    return Collapse(std::string{Upper(s[0]), ':', '\\'}, s.substr(2));
  }
  if (s[0] == '\\') return Collapse(RootOf(current), s.substr(1));
  return FullPathName(current + "\\" + s, current);
}

Status SimSystem::GetFullPathName(const std::string& path, std::string* full_path) {
  std::optional<std::string> full = FullPathName(path, files_->GetCurrentDirectory());
  if (!full) return kErrorInvalidName;
  *full_path = *full;
  return kOk;
}

Status SimSystem::GetTempFileName(const std::string& directory, const std::string& prefix,
                                  std::string* path) {
  std::optional<uint32_t> attributes = files_->Attributes(directory);
  if (!attributes || !(*attributes & kAttrDirectory)) return kErrorDirectory;
  std::string base = directory;
  if (base.empty() || base.back() != '\\') base += '\\';
  base += prefix.substr(0, 3);
  for (int tries = 0; tries < 0xFFFF; ++tries) {
    uint32_t number = next_temp_number_;
    next_temp_number_ = next_temp_number_ % 0xFFFF + 1;
    char digits[8];
    std::snprintf(digits, sizeof digits, "%X", number);
    std::string name = base + digits + ".TMP";
    if (files_->Exists(name)) continue;
    if (!files_->AddFile(name, "", kAttrArchive)) return kErrorAccessDenied;
    *path = name;
    return kOk;
  }
  return kErrorAlreadyExists;
}

Status SimSystem::MoveFile(const std::string& existing, const std::string& new_name) {
  // Another entry of that name is never replaced; the file itself may take another case.
  std::optional<std::string> from = files_->LongPath(existing);
  std::optional<std::string> to = files_->LongPath(new_name);
  if (from && to && *from != *to) return kErrorAlreadyExists;
  return files_->ReplaceFile(existing, new_name);
}

}  // namespace vrx::sim
