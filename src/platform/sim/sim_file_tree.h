// The stored form of the simulated drives: a tree of entries, each folder holding its children by
// long and by 8.3 name. Shared by the parts of SimFiles; nothing outside the simulator's file
// system includes it.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/sim/sim_files.h"
#include "platform/windows_names.h"

namespace vrx::sim {

struct SimFiles::Entry {
  // Orders folded names as NTFS does: by the code points of their characters.
  struct Order {
    bool operator()(const std::string& a, const std::string& b) const {
      return CompareFolded(a, b) < 0;
    }
  };

  std::string name;        // as created
  std::string short_name;  // the 8.3 name; the name itself when it is one
  bool directory = false;
  uint32_t attributes = 0;  // R H S A; the directory bit is `directory`
  bool in_use = false;
  std::string contents;
  Entry* parent = nullptr;                                        // null for a drive root
  std::map<std::string, std::unique_ptr<Entry>, Order> children;  // keyed by FoldName(name)
  std::map<std::string, Entry*> by_short_name;                    // keyed by FoldName(short_name)
};

struct SimFiles::Parsed {
  std::string prefix;  // the drive as written, "C:" or "c:", or the share, "\\server\share"
  char drive = 'C';    // its upper-case letter; 0 for a share
  std::vector<std::string> parts;
  bool trailing_separator = false;  // the path ends in a separator after its last part
};

struct SimFiles::Found {
  Entry* entry = nullptr;           // null when missing
  char drive = 0;                   // the drive the path leads to, through any alias
  Entry* parent = nullptr;          // the folder that holds or would hold the last component
  Status error = kOk;               // FileNotFound, PathNotFound or InvalidName when missing
  std::vector<const Entry*> chain;  // the entry of each component
  bool last_by_short_name = false;
};

namespace file_tree {

using Entry = SimFiles::Entry;

// The attributes an entry stores; the directory bit is its kind. A folder marked as a reparse
// point is a junction whose target is not known (as a snapshot records one).
inline constexpr uint32_t kStoredAttributes =
    kAttrReadOnly | kAttrHidden | kAttrSystem | kAttrArchive | kAttrReparsePoint;

// Whether `s` begins with a drive letter and a colon.
bool HasDrivePrefix(std::string_view s);
// `text` with every forward slash turned into a backslash.
std::string Slashes(std::string text);
// The first 8.3 name Windows would give `name` in `dir`: each candidate is one lookup.
std::string MakeShortName(const Entry& dir, const std::string& name);
// An empty drive root.
std::unique_ptr<Entry> MakeRoot();
// Puts an entry into a folder under its long and its short name.
Entry* Attach(Entry& dir, std::unique_ptr<Entry> entry);
// Takes an entry out of its folder.
std::unique_ptr<Entry> Detach(Entry& entry);
// A new, empty file or folder `name` in `dir`, with the short name Windows would give it.
Entry* CreateChild(Entry& dir, const std::string& name, bool directory);
// The entry of a folder that answers to `name`, by its long name or else by its short name.
Entry* Child(const Entry& dir, const std::string& name, bool* by_short_name);
// The attributes as Windows reports them, the directory bit included.
uint32_t AttributesOf(const Entry& entry);
// Whether a listing with `filter` shows an entry with `attributes`.
bool PassesFilter(uint32_t attributes, ListFilter filter);
// The long path of the entries of `chain` on `drive`.
std::string JoinLong(char drive, const std::vector<const Entry*>& chain);
// A deep copy of an entry and everything below it.
std::unique_ptr<Entry> Clone(const Entry& from);
// Every entry below `dir`, parents before children, with its path below `path`.
void Walk(const Entry& dir, const std::string& path,
          const std::function<void(const EntryInfo&, const std::string&)>& visit);

}  // namespace file_tree
}  // namespace vrx::sim
