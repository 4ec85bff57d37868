#include "platform/sim/sim_file_tree.h"

#include <algorithm>
#include <utility>

#include "platform/windows_names.h"

namespace vrx::sim::file_tree {
namespace {

bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

}  // namespace

bool HasDrivePrefix(std::string_view s) {
  return s.size() >= 2 && s[1] == ':' && IsAsciiLetter(s[0]);
}

std::string Slashes(std::string text) {
  std::replace(text.begin(), text.end(), '/', '\\');
  return text;
}

// The first 8.3 name Windows would give `name` in `dir`: each candidate is one lookup.
std::string MakeShortName(const Entry& dir, const std::string& name) {
  if (IsShortName(name)) return name;
  for (int attempt = 1;; ++attempt) {
    std::string candidate = ShortNameCandidate(name, attempt);
    if (!dir.by_short_name.contains(FoldName(candidate))) return candidate;
  }
}

std::unique_ptr<Entry> MakeRoot() {
  auto root = std::make_unique<Entry>();
  root->directory = true;
  return root;
}

// Puts an entry into a folder under its long and its short name.
Entry* Attach(Entry& dir, std::unique_ptr<Entry> entry) {
  Entry* raw = entry.get();
  raw->parent = &dir;
  dir.by_short_name.emplace(FoldName(raw->short_name), raw);
  dir.children.emplace(FoldName(raw->name), std::move(entry));
  return raw;
}

// Takes an entry out of its folder.
std::unique_ptr<Entry> Detach(Entry& entry) {
  Entry& dir = *entry.parent;
  dir.by_short_name.erase(FoldName(entry.short_name));
  auto slot = dir.children.find(FoldName(entry.name));
  std::unique_ptr<Entry> owned = std::move(slot->second);
  dir.children.erase(slot);
  owned->parent = nullptr;
  return owned;
}

Entry* CreateChild(Entry& dir, const std::string& name, bool directory) {
  auto entry = std::make_unique<Entry>();
  entry->name = name;
  entry->short_name = MakeShortName(dir, name);
  entry->directory = directory;
  return Attach(dir, std::move(entry));
}

// The entry of a folder that answers to `name`, by its long name or else by its short name.
Entry* Child(const Entry& dir, const std::string& name, bool* by_short_name) {
  const std::string folded = FoldName(name);
  *by_short_name = false;
  if (auto it = dir.children.find(folded); it != dir.children.end()) return it->second.get();
  if (auto it = dir.by_short_name.find(folded); it != dir.by_short_name.end()) {
    *by_short_name = true;
    return it->second;
  }
  return nullptr;
}

uint32_t AttributesOf(const Entry& entry) {
  return entry.attributes | (entry.directory ? kAttrDirectory : 0);
}

bool PassesFilter(uint32_t attributes, ListFilter filter) {
  const bool hidden = attributes & kAttrHidden;
  const bool system = attributes & kAttrSystem;
  const bool directory = attributes & kAttrDirectory;
  switch (filter) {
    case ListFilter::kPlain:
      return !hidden && !system && !directory;
    case ListFilter::kHidden:
      return !system && !directory;
    case ListFilter::kDirectories:
      return !hidden && !system;
  }
  return false;
}

std::string JoinLong(char drive, const std::vector<const Entry*>& chain) {
  std::string out{drive, ':'};
  if (chain.empty()) return out + "\\";
  for (const Entry* e : chain) out += "\\" + e->name;
  return out;
}

std::unique_ptr<Entry> Clone(const Entry& from) {
  auto copy = std::make_unique<Entry>();
  copy->name = from.name;
  copy->short_name = from.short_name;
  copy->directory = from.directory;
  copy->attributes = from.attributes;
  copy->in_use = from.in_use;
  copy->contents = from.contents;
  for (const auto& [key, child] : from.children) Attach(*copy, Clone(*child));
  return copy;
}

void Walk(const Entry& dir, const std::string& path,
          const std::function<void(const EntryInfo&, const std::string&)>& visit) {
  EntryInfo info;
  for (const auto& [key, child] : dir.children) {
    info.path = path + "\\" + child->name;
    info.directory = child->directory;
    info.attributes = AttributesOf(*child);
    info.in_use = child->in_use;
    info.empty = child->directory && child->children.empty();
    visit(info, child->contents);
    if (child->directory) Walk(*child, info.path, visit);
  }
}

}  // namespace vrx::sim::file_tree
