#include "platform/sim/sim_files.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string_view>
#include <system_error>
#include <utility>

namespace vrx::sim {

namespace fs = std::filesystem;

struct SimFiles::Entry {
  // Orders upper-case names as NTFS does: by the Unicode code points of their characters.
  struct Order {
    bool operator()(const std::string& a, const std::string& b) const;
  };

  std::string name;        // as created
  std::string short_name;  // the 8.3 name; the name itself when it is one
  bool directory = false;
  uint32_t attributes = 0;  // R H S A; the directory bit is `directory`
  bool in_use = false;
  std::string contents;
  Entry* parent = nullptr;                                        // null for a drive root
  std::map<std::string, std::unique_ptr<Entry>, Order> children;  // keyed by Fold(name)
};

struct SimFiles::Parsed {
  std::string prefix;  // the drive as written, "C:" or "c:"
  char drive = 'C';    // its upper-case letter
  std::vector<std::string> parts;
  bool trailing_separator = false;
};

struct SimFiles::Found {
  Entry* entry = nullptr;           // null when missing
  Entry* parent = nullptr;          // the folder that holds or would hold the last component
  Status error = kOk;               // 2 or 3 when missing
  std::vector<const Entry*> chain;  // the entry of each component
  bool last_by_short_name = false;
};

namespace {

using Entry = SimFiles::Entry;

constexpr uint32_t kStoredAttributes = kAttrReadOnly | kAttrHidden | kAttrSystem | kAttrArchive;

// Code points of the bytes 0x80 to 0x9F; 0 where Windows-1252 leaves the byte undefined.
constexpr uint16_t kHigh[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

uint32_t CodePoint(unsigned char byte) {
  if (byte >= 0x80 && byte < 0xA0 && kHigh[byte - 0x80] != 0) return kHigh[byte - 0x80];
  return byte;
}

char Upper(char c) {
  auto b = static_cast<unsigned char>(c);
  if ((b >= 'a' && b <= 'z') || (b >= 0xE0 && b <= 0xFE && b != 0xF7))
    b -= 0x20;
  else if (b == 0x9A || b == 0x9C || b == 0x9E)
    b -= 0x10;  // š œ ž
  else if (b == 0xFF)
    b = 0x9F;  // ÿ
  return static_cast<char>(b);
}

std::string Fold(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = Upper(c);
  return out;
}

bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

bool HasDrivePrefix(std::string_view s) {
  return s.size() >= 2 && s[1] == ':' && IsAsciiLetter(s[0]);
}

std::string Slashes(std::string text) {
  std::replace(text.begin(), text.end(), '/', '\\');
  return text;
}

// A name that Windows accepts for a file or folder.
bool IsValidName(std::string_view name) {
  if (name.empty() || name == "." || name == "..") return false;
  for (char c : name) {
    if (static_cast<unsigned char>(c) < 0x20) return false;
    if (std::string_view("<>:\"/\\|?*").find(c) != std::string_view::npos) return false;
  }
  return true;
}

bool IsShortName(std::string_view name) {
  if (name.empty() || name.front() == '.' || !IsValidName(name)) return false;
  if (name.find_first_of(" +,;=[]") != std::string_view::npos) return false;
  size_t dot = name.find('.');
  if (dot == std::string_view::npos) return name.size() <= 8;
  if (name.find('.', dot + 1) != std::string_view::npos) return false;
  return dot <= 8 && name.size() - dot - 1 <= 3;
}

// Upper case, without the characters an 8.3 name cannot hold.
std::string CleanForShortName(std::string_view part) {
  std::string out;
  for (char c : part) {
    if (std::string_view(" .+,;=[]").find(c) == std::string_view::npos) out.push_back(Upper(c));
  }
  return out;
}

bool ShortNameTaken(const Entry& dir, const std::string& candidate) {
  const std::string folded = Fold(candidate);
  for (const auto& [key, child] : dir.children) {
    if (Fold(child->short_name) == folded) return true;
  }
  return false;
}

std::string MakeShortName(const Entry& dir, const std::string& name) {
  if (IsShortName(name)) return name;
  size_t start = name.find_first_not_of('.');
  std::string_view trimmed =
      start == std::string::npos ? std::string_view() : std::string_view(name).substr(start);
  size_t dot = trimmed.rfind('.');
  std::string base = CleanForShortName(trimmed.substr(0, dot));
  std::string ext = dot == std::string_view::npos ? "" : CleanForShortName(trimmed.substr(dot + 1));
  if (base.empty()) base = "_";
  if (ext.size() > 3) ext.resize(3);
  for (unsigned n = 1;; ++n) {
    std::string tail = "~" + std::to_string(n);
    std::string candidate = base.substr(0, std::min<size_t>(6, 8 - tail.size())) + tail;
    if (!ext.empty()) candidate += "." + ext;
    if (!ShortNameTaken(dir, candidate)) return candidate;
  }
}

std::unique_ptr<Entry> MakeRoot() {
  auto root = std::make_unique<Entry>();
  root->directory = true;
  return root;
}

Entry* CreateChild(Entry& dir, const std::string& name, bool directory) {
  auto entry = std::make_unique<Entry>();
  entry->name = name;
  entry->short_name = MakeShortName(dir, name);
  entry->directory = directory;
  entry->parent = &dir;
  Entry* raw = entry.get();
  dir.children.emplace(Fold(name), std::move(entry));
  return raw;
}

// The entry of a folder that answers to `name`, by its long name or else by its short name.
Entry* Child(const Entry& dir, const std::string& name, bool* by_short_name) {
  const std::string folded = Fold(name);
  *by_short_name = false;
  if (auto it = dir.children.find(folded); it != dir.children.end()) return it->second.get();
  for (const auto& [key, child] : dir.children) {
    if (Fold(child->short_name) == folded) {
      *by_short_name = true;
      return child.get();
    }
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

// `*` matches any run of characters, `?` exactly one; both texts already folded.
bool Glob(std::string_view pattern, std::string_view name) {
  size_t p = 0, n = 0, star = std::string_view::npos, resume = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == name[n])) {
      ++p;
      ++n;
    } else if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      resume = n;
    } else if (star != std::string_view::npos) {
      p = star + 1;
      n = ++resume;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

bool Matches(const std::string& pattern, const std::string& name) {
  const std::string p = Fold(pattern);
  const std::string n = Fold(name);
  if (Glob(p, n)) return true;
  std::string_view view(p);
  if (view.size() >= 2 && view.ends_with(".*") && Glob(view.substr(0, view.size() - 2), n)) {
    return true;
  }
  return view.size() >= 2 && view.ends_with('.') && view != ".." &&
         n.find('.') == std::string::npos && Glob(view.substr(0, view.size() - 1), n);
}

std::string JoinLong(char drive, const std::vector<const Entry*>& chain) {
  std::string out{drive, ':'};
  if (chain.empty()) return out + "\\";
  for (const Entry* e : chain) out += "\\" + e->name;
  return out;
}

void CollectEntries(const Entry& dir, const std::string& path, std::vector<EntryInfo>* out) {
  for (const auto& [key, child] : dir.children) {
    EntryInfo info;
    info.path = path + "\\" + child->name;
    info.directory = child->directory;
    info.attributes = AttributesOf(*child);
    info.in_use = child->in_use;
    out->push_back(info);
    if (child->directory) CollectEntries(*child, info.path, out);
  }
}

// --- the host side of machine images ---

bool Fail(std::string* error, const fs::path& path, const std::string& problem) {
  if (error) *error = path.string() + ": " + problem;
  return false;
}

bool ReadHostFile(const fs::path& path, std::string* contents) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  contents->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

bool LoadHostFolder(const fs::path& host, Entry& dir, std::string* error) {
  struct HostEntry {
    std::string name;
    std::string folded;
    fs::path path;
    bool directory;
  };
  std::vector<HostEntry> found;
  std::error_code ec;
  fs::directory_iterator it(host, ec);
  for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
    const fs::path path = it->path();
    const std::string name = path.filename().string();
    if (!IsValidName(name)) return Fail(error, path, "not a valid Windows file name");
    fs::file_status status = it->symlink_status(ec);
    if (ec) return Fail(error, path, "cannot be read: " + ec.message());
    if (!fs::is_directory(status) && !fs::is_regular_file(status)) {
      return Fail(error, path, "neither a file nor a folder");
    }
    found.push_back({name, Fold(name), path, fs::is_directory(status)});
  }
  if (ec) return Fail(error, host, "cannot be read: " + ec.message());

  // Valid 8.3 names first, so that no generated short name takes one of them.
  std::sort(found.begin(), found.end(), [](const HostEntry& a, const HostEntry& b) {
    const bool a_short = IsShortName(a.name), b_short = IsShortName(b.name);
    if (a_short != b_short) return a_short;
    if (a.folded != b.folded) return Entry::Order()(a.folded, b.folded);
    return a.name < b.name;
  });
  for (size_t i = 1; i < found.size(); ++i) {
    if (found[i].folded == found[i - 1].folded) {
      return Fail(error, found[i].path,
                  "differs only in case from \"" + found[i - 1].name + "\" in the same folder");
    }
  }

  std::vector<std::pair<Entry*, const HostEntry*>> created;
  for (const HostEntry& h : found) created.emplace_back(CreateChild(dir, h.name, h.directory), &h);
  for (const auto& [entry, h] : created) {
    if (h->directory) {
      if (!LoadHostFolder(h->path, *entry, error)) return false;
    } else if (!ReadHostFile(h->path, &entry->contents)) {
      return Fail(error, h->path, "cannot be read");
    }
  }
  return true;
}

bool WriteHostFolder(const Entry& dir, const fs::path& host, std::string* error) {
  for (const auto& [key, child] : dir.children) {
    const fs::path path = host / child->name;
    if (child->directory) {
      std::error_code ec;
      if (!fs::create_directory(path, ec)) {
        return Fail(error, path, "cannot be created" + (ec ? ": " + ec.message() : std::string()));
      }
      if (!WriteHostFolder(*child, path, error)) return false;
    } else {
      std::ofstream out(path, std::ios::binary | std::ios::trunc);
      out.write(child->contents.data(), static_cast<std::streamsize>(child->contents.size()));
      out.close();
      if (!out) return Fail(error, path, "cannot be written");
    }
  }
  return true;
}

}  // namespace

bool SimFiles::Entry::Order::operator()(const std::string& a, const std::string& b) const {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return CodePoint(static_cast<unsigned char>(x)) < CodePoint(static_cast<unsigned char>(y));
  });
}

SimFiles::SimFiles() { drives_['C'] = MakeRoot(); }

SimFiles::~SimFiles() = default;

// --- paths ---

std::optional<SimFiles::Parsed> SimFiles::Parse(const std::string& path) const {
  const std::string s = Slashes(path);
  if (s.empty() || s.starts_with("\\\\")) return std::nullopt;
  Parsed parsed;
  std::string_view rest(s);
  const char current_drive = Upper(current_prefix_[0]);
  if (HasDrivePrefix(s)) {
    parsed.prefix = s.substr(0, 2);
    parsed.drive = Upper(s[0]);
    rest.remove_prefix(2);
    if (!rest.starts_with('\\') && parsed.drive == current_drive) parsed.parts = current_parts_;
  } else {
    parsed.prefix = current_prefix_;
    parsed.drive = current_drive;
    if (!rest.starts_with('\\')) parsed.parts = current_parts_;
  }
  parsed.trailing_separator = rest.size() > 1 && rest.ends_with('\\');
  while (!rest.empty()) {
    size_t sep = rest.find('\\');
    std::string_view part = rest.substr(0, sep);
    rest.remove_prefix(sep == std::string_view::npos ? rest.size() : sep + 1);
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      if (!parsed.parts.empty()) parsed.parts.pop_back();
      continue;
    }
    parsed.parts.emplace_back(part);
  }
  return parsed;
}

SimFiles::Found SimFiles::Resolve(const Parsed& parsed) const {
  Found found;
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
  for (const std::string& part : parsed->parts) {
    if (!IsValidName(part)) return nullptr;
  }
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
  std::optional<Parsed> parsed = Parse(path);
  if (!parsed) return std::nullopt;
  Found found = Resolve(*parsed);
  if (found.entry == nullptr) return std::nullopt;
  std::string out = parsed->prefix;
  if (parsed->parts.empty()) return out + "\\";
  for (size_t i = 0; i < parsed->parts.size(); ++i) {
    const std::string& typed = parsed->parts[i];
    out += "\\" + (IsShortName(typed) ? typed : found.chain[i]->short_name);
  }
  if (parsed->trailing_separator) out += "\\";
  return out;
}

std::optional<std::string> SimFiles::LongPath(const std::string& path) const {
  std::optional<Parsed> parsed = Parse(path);
  if (!parsed) return std::nullopt;
  Found found = Resolve(*parsed);
  if (found.entry == nullptr) return std::nullopt;
  return JoinLong(parsed->drive, found.chain);
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
      listing_.push_back(found.entry->name);
    }
    return ListNext();
  }
  if (last.empty()) last = "*";
  if (folder.find_first_of("*?") != std::string::npos) return "";
  Found found = Resolve(folder.empty() ? CurrentPath() : folder);
  if (found.entry == nullptr || !found.entry->directory) return "";
  const Entry& dir = *found.entry;
  if (filter == ListFilter::kDirectories && dir.parent != nullptr) {
    if (Matches(last, ".") && PassesFilter(AttributesOf(dir), filter)) listing_.push_back(".");
    if (Matches(last, "..") && PassesFilter(AttributesOf(*dir.parent), filter)) {
      listing_.push_back("..");
    }
  }
  for (const auto& [key, child] : dir.children) {
    // As on Windows, a pattern also matches an entry through its 8.3 name.
    if ((Matches(last, child->name) || Matches(last, child->short_name)) &&
        PassesFilter(AttributesOf(*child), filter)) {
      listing_.push_back(child->name);
    }
  }
  return ListNext();
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
  entry->parent->children.erase(Fold(entry->name));
  return kOk;
}

Status SimFiles::SetAttributesNormal(const std::string& path) {
  Found found = Resolve(path);
  if (found.entry == nullptr) return found.error;
  if (found.entry->parent != nullptr) found.entry->attributes = 0;
  return kOk;
}

Status SimFiles::RemoveDirectory(const std::string& path) {
  Found found = Resolve(path);
  Entry* entry = found.entry;
  if (entry == nullptr) return found.error;
  if (!entry->directory) return kErrorDirectory;
  if (entry->parent == nullptr) return kErrorAccessDenied;
  if (Resolve(CurrentPath()).entry == entry) return kErrorSharingViolation;
  if (entry->attributes & kAttrReadOnly) return kErrorAccessDenied;
  if (!entry->children.empty()) return kErrorDirNotEmpty;
  entry->parent->children.erase(Fold(entry->name));
  return kOk;
}

std::string SimFiles::GetCurrentDirectory() { return CurrentPath(); }

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
  if (target_path->drive != source_path->drive) return kErrorNotSameDevice;
  Found target = Resolve(*target_path);
  if (target.entry == nullptr && target.error != kErrorFileNotFound) return target.error;
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
  if (!IsValidName(name)) return kErrorInvalidName;

  Entry* source_parent = source.entry->parent;
  auto slot = source_parent->children.find(Fold(source.entry->name));
  std::unique_ptr<Entry> moving = std::move(slot->second);
  source_parent->children.erase(slot);
  Entry* folder = target.parent;
  if (target.entry != nullptr) folder->children.erase(Fold(target.entry->name));
  moving->name = name;
  moving->short_name = MakeShortName(*folder, name);
  moving->parent = folder;
  folder->children.emplace(Fold(name), std::move(moving));
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
    if (!IsValidName(parsed->parts.back())) return kErrorInvalidName;
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

// --- direct access ---

bool SimFiles::AddDirectory(const std::string& path) { return CreatePath(path, true) != nullptr; }

bool SimFiles::AddFile(const std::string& path, const std::string& contents, uint32_t attributes) {
  Entry* entry = CreatePath(path, false);
  if (entry == nullptr) return false;
  entry->contents = contents;
  entry->attributes = attributes & kStoredAttributes;
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

std::vector<char> SimFiles::Drives() const {
  std::vector<char> out;
  for (const auto& [letter, root] : drives_) out.push_back(letter);
  return out;
}

std::vector<EntryInfo> SimFiles::Entries() const {
  std::vector<EntryInfo> out;
  for (const auto& [letter, root] : drives_) CollectEntries(*root, std::string{letter, ':'}, &out);
  return out;
}

std::vector<std::string> SimFiles::FilesInUse() const {
  std::vector<std::string> out;
  for (const EntryInfo& info : Entries()) {
    if (!info.directory && info.in_use) out.push_back(info.path);
  }
  return out;
}

std::vector<std::string> SimFiles::EmptyFolders() const {
  std::vector<std::string> out;
  for (const EntryInfo& info : Entries()) {
    if (info.directory && Resolve(info.path).entry->children.empty()) out.push_back(info.path);
  }
  return out;
}

// --- machine images ---

bool SimFiles::LoadDriveFolders(const fs::path& image_dir, std::string* error) {
  std::vector<std::pair<char, fs::path>> drive_folders;
  std::error_code ec;
  fs::directory_iterator it(image_dir, ec);
  for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
    const fs::path path = it->path();
    const std::string name = path.filename().string();
    if (name.size() != 7 || !name.starts_with("drive_") || !IsAsciiLetter(name[6])) continue;
    if (name[6] < 'a') return Fail(error, path, "a drive folder is named in lower case");
    fs::file_status status = it->symlink_status(ec);
    if (ec || !fs::is_directory(status)) return Fail(error, path, "not a folder");
    drive_folders.emplace_back(Upper(name[6]), path);
  }
  if (ec) return Fail(error, image_dir, "cannot be read: " + ec.message());
  std::sort(drive_folders.begin(), drive_folders.end());

  DriveMap drives;
  for (const auto& [letter, path] : drive_folders) {
    std::unique_ptr<Entry>& root = drives[letter];
    root = MakeRoot();
    if (!LoadHostFolder(path, *root, error)) return false;
  }
  if (!drives.contains('C')) drives['C'] = MakeRoot();
  drives_ = std::move(drives);
  open_files_.clear();
  listing_.clear();
  listing_next_ = 0;
  current_prefix_ = "C:";
  current_parts_.clear();
  return true;
}

bool SimFiles::WriteDriveFolders(const fs::path& out_dir, std::string* error) const {
  std::error_code ec;
  fs::create_directories(out_dir, ec);
  if (ec) return Fail(error, out_dir, "cannot be created: " + ec.message());
  for (const auto& [letter, root] : drives_) {
    const fs::path folder = out_dir / (std::string("drive_") + static_cast<char>(letter + 32));
    if (fs::symlink_status(folder, ec).type() != fs::file_type::not_found) {
      return Fail(error, folder, "already exists");
    }
    if (!fs::create_directory(folder, ec)) {
      return Fail(error, folder, "cannot be created" + (ec ? ": " + ec.message() : std::string()));
    }
    if (!WriteHostFolder(*root, folder, error)) return false;
  }
  return true;
}

}  // namespace vrx::sim
