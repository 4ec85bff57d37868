// The fixed list of the add-in's files for one variant, with the folders to remove after them.
#pragma once

#include <array>
#include <functional>
#include <string>

namespace vrx {

struct ManifestEntry {
  std::string FileName;  // empty: a directory entry; "xxx": a filler entry
  std::string DirToken;  // the symbolic directory, resolved when the entry is used
  std::string Shared;    // "True" for a shared component, "False" otherwise
};

inline constexpr int kManifestSize = 221;
using FileManifest = std::array<ManifestEntry, kManifestSize>;

// Resolves a DirToken to a path, as GetDirectory does.
using DirectoryResolver = std::function<std::string(const std::string& token)>;

// Assigns all 221 entries for the variant code: the file entries, then the directory entries
// (each folder once, compared by the path that `resolve` gives), then fillers up to the end.
void BuildManifest(FileManifest& manifest, const std::string& variant_code,
                   const DirectoryResolver& resolve);

// True when an entry's Shared text reads as true.
bool IsShared(const ManifestEntry& entry);

}  // namespace vrx
