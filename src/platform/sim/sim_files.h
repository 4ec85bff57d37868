// The drives of the simulated Windows machine, held in memory: the file system alone. Reading and
// writing drives as host folders belongs to the machine image (machine_image.h); the name rules
// (case, 8.3 names, patterns, trailing dots) are windows_names.h.
//
// Paths. `C:\WINDOWS\SYSTEM\FILE.DLL`; `/` is taken as `\`, repeated separators count as one, and
// the components `.` and `..` are resolved as Windows resolves them (`..` of a root is the root).
// Then one trailing dot is cut from every other component and every trailing dot and blank from
// the last: `C:\D.\Stamps. ` is `C:\D\Stamps`. A path that ends in a separator names a folder,
// never a file (`C:\D\A.TXT\` is refused with kErrorInvalidName). A path starting with `\` is on
// the current directory's drive; `C:` alone or `C:name` is relative to the current directory when
// that is on C: and to C:\ otherwise; any other path without a drive is relative to the current
// directory, which starts as `C:\`. A UNC path (`\\server\share\...`) names something only
// through an alias.
//
// Aliases stand for the other names Windows gives a folder: a SUBST drive (`S:\` for
// `C:\WINDOWS`), a share (`\\HOST\C$` for `C:\`) or a junction (`C:\Link` for `C:\WINDOWS`).
// Every call resolves a path through them once `.` and `..` are resolved, as Windows does: a path
// that begins with an alias's name (component by component, without regard to case) stands for
// the same path below the alias's target, so listing, reading or deleting through an alias acts
// on the target. GetIdentity gives the target's identity. The name of an alias is no entry of its
// folder (a listing does not show a junction), and RemoveDirectory of a junction's own name
// removes the target, not the link; a SUBST drive or a share root is a root (AccessDenied).
//
// Names are matched without regard to case (FoldName) and keep the case they were created with.
// Every entry also answers to its 8.3 short name (see ShortPath), so a path may mix long and
// short components. Entries of a folder come in the order NTFS gives them (CompareNames).
// Looking up, creating and deleting an entry take time logarithmic in the size of its folder.
//
// Drives are A: to Z:. C: always exists; another drive exists once something was added to it.
// Files carry bytes and DOS attributes (R H S A); folders carry the directory attribute and may
// also be R, H or S. A file can be marked in use, standing for another program holding it open.
//
// The Files calls give the Win32 results the program relies on (the contract suites in
// testing/contract hold them to Windows). Statuses by their names in status.h, without the
// kError prefix:
// - DeleteFile: PathNotFound missing folder on the path, FileNotFound missing file, AccessDenied
//   a folder, SharingViolation a file in use or held open here, AccessDenied a read-only file
//   (the in-use test comes first, as on NTFS).
// - SetAttributesNormal: clears R H S A of a file or folder (a drive root is left as it is);
//   FileNotFound/PathNotFound when missing.
// - RemoveDirectory: PathNotFound/FileNotFound when missing, Directory for a file, AccessDenied
//   for a drive root, SharingViolation for the current directory, AccessDenied for a read-only
//   folder, DirNotEmpty when not empty (tested in this order).
// - SetCurrentDirectory: PathNotFound when missing, Directory for a file. GetCurrentDirectory
//   gives the full path as it was set (dots resolved, case as typed, no trailing backslash except
//   on a root).
// - ReplaceFile(from, to): `from` takes the place and the name (as typed) of `to`, keeping its own
//   attributes and contents. FileNotFound/PathNotFound when `from` is missing, AccessDenied when
//   either is a folder or `to` is read-only, SharingViolation when either is in use or held open
//   here, PathNotFound when `to`'s folder is missing, NotSameDevice when the two are on different
//   drives.
// - Listing: ListFirst takes a pattern whose last part may hold `*` and `?`, matched against the
//   long and the 8.3 name of each entry (MatchesPattern). A last part without wildcards names one
//   entry (long or short name; the long name is given). An empty last part (`C:\WINDOWS\`, `C:`)
//   lists every entry. Filters: kPlain gives entries without the hidden, system and directory
//   attributes; kHidden adds hidden files; kDirectories adds folders that are neither hidden nor
//   system and, below a drive root, `.` and `..` first (carrying the attributes of the folder and
//   of its parent). The names are taken when ListFirst runs: later changes do not disturb
//   ListNext. A missing folder, a pattern with wildcards before its last part, or no match give
//   "". Once exhausted, ListNext keeps giving "".
// - GetIdentity: FileNotFound/PathNotFound when missing; on Windows 95/98 (platform family other
//   than 2) AccessDenied for a folder. The volume serial number stands for the drive, the index for
//   the entry, kept while it exists (also when it is renamed or replaced into another's place).
// - Text files: numbers are the lowest free from 1. OpenText(kReadChars): PathNotFound/
//   FileNotFound when missing, AccessDenied for a folder, SharingViolation in use.
//   OpenText(kWriteBytes) creates the file or empties it: PathNotFound missing folder,
//   AccessDenied a folder, a read-only, a hidden or a system file (as CreateFile with
//   CREATE_ALWAYS), SharingViolation in use or held open here, InvalidName for a name Windows
//   refuses; the file gets the archive attribute. ReadChar gives one byte (HandleEof at the end,
//   AccessDenied on a file open for writing); Write appends bytes at once (AccessDenied on a file
//   open for reading); unknown numbers give InvalidHandle. AtEnd is true for an unknown number. On
//   failure, out-parameters are left untouched.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace vrx::sim {

// One file or folder, as the machine-image writer walks them.
struct EntryInfo {
  std::string path;  // the long path with the stored case, e.g. "C:\WINDOWS\WIN.INI"
  bool directory = false;
  uint32_t attributes = 0;  // kAttrDirectory included for a folder
  bool in_use = false;
  bool empty = false;  // a folder that holds nothing
};

class SimFiles : public Files {
 public:
  SimFiles();
  ~SimFiles() override;
  SimFiles(const SimFiles&) = delete;
  SimFiles& operator=(const SimFiles&) = delete;
  // Takes over another model whole (drives, current directory, listing, open files).
  SimFiles(SimFiles&&) noexcept;
  SimFiles& operator=(SimFiles&&) noexcept;

  // Files
  std::string ListFirst(const std::string& pattern, ListFilter filter) override;
  std::string ListNext() override;
  [[nodiscard]] Status DeleteFile(const std::string& path) override;
  [[nodiscard]] Status SetAttributesNormal(const std::string& path) override;
  [[nodiscard]] Status RemoveDirectory(const std::string& path) override;
  std::string GetCurrentDirectory() override;
  [[nodiscard]] Status SetCurrentDirectory(const std::string& path) override;
  [[nodiscard]] Status ReplaceFile(const std::string& from, const std::string& to) override;
  [[nodiscard]] Status GetIdentity(const std::string& path, FileIdentity* identity) override;
  [[nodiscard]] Status OpenText(const std::string& path, TextMode mode,
                                FileNumber* number) override;
  [[nodiscard]] Status ReadChar(FileNumber number, char* c) override;
  bool AtEnd(FileNumber number) override;
  [[nodiscard]] Status Write(FileNumber number, const std::string& bytes) override;
  [[nodiscard]] Status Close(FileNumber number) override;
  void CloseAll() override;

  // The 8.3 form of an existing path, as GetShortPathNameA gives it; nullopt when it does not
  // exist. The path is given back as typed (drive prefix, separators, `.` and `..`, relative or
  // not) with every component that is not a valid 8.3 name (IsShortName) replaced by the short
  // name of its entry. An entry's short name is fixed when it is created: the name itself when it
  // is a valid 8.3 name, otherwise the first ShortNameCandidate that no entry of the folder
  // answers to.
  std::optional<std::string> ShortPath(const std::string& path) const;
  // The full path of an existing entry with the stored case of every component and an upper-case
  // drive letter ("C:\Program Files\Docseal 4.0"); nullopt when it does not exist.
  std::optional<std::string> LongPath(const std::string& path) const;

  // Direct access for the machine image and for tests. The bool results are false when a
  // component on the way is a file, a name cannot be a Windows name, or (where said) the entry
  // is missing.
  // Creates the folder and any missing folders above it (a drive root creates the drive).
  [[nodiscard]] bool AddDirectory(const std::string& path);
  // Creates or overwrites a file (with its missing folders); false when the path is a folder.
  // Only the R H S A bits of `attributes` are kept.
  [[nodiscard]] bool AddFile(const std::string& path, const std::string& contents,
                             uint32_t attributes = 0);
  // One entry of AddEntries: a folder, or a file with its bytes.
  struct NewEntry {
    std::string name;
    bool directory = false;
    std::string contents;
  };
  // Creates the entries in an existing folder, in the order given (which fixes their 8.3 names),
  // looking the folder up once; false, having made the entries before it, when a name is not a
  // valid Windows name or is taken already.
  [[nodiscard]] bool AddEntries(const std::string& folder, std::vector<NewEntry> entries);
  // Sets R H S A of a file or folder (other bits ignored); false when missing or a drive root.
  [[nodiscard]] bool SetAttributes(const std::string& path, uint32_t attributes);
  // kAttrDirectory included for folders and drive roots; nullopt when missing.
  std::optional<uint32_t> Attributes(const std::string& path) const;
  // Marks a file as held open by another program; false when missing or a folder.
  [[nodiscard]] bool SetInUse(const std::string& path, bool in_use);
  bool InUse(const std::string& path) const;
  bool Exists(const std::string& path) const;
  // A file's bytes; nullopt for a folder or a missing path.
  std::optional<std::string> Contents(const std::string& path) const;

  // Platform family 2 behaves as Windows NT, any other as Windows 95/98: the identity of a folder,
  // and "\\?\X:\..." taken as the path after the prefix, each part as written (no "." or "..",
  // no trailing dots or blanks taken away), where Windows 95/98 know no such path.
  void SetPlatformFamily(int family) { family_ = family; }

  // Makes `name` an alias of the existing folder `target` (see above): a drive root ("S:\") of a
  // drive that holds nothing, a share ("\\HOST\C$") or a folder path ("C:\Link") whose folder
  // exists and holds no entry of that name. The target is kept as its long path, resolved through
  // the aliases made before, and may not hold "=" (machine.ini could not say where the name
  // ends). "" when made, else why not.
  [[nodiscard]] std::string AddAlias(const std::string& name, const std::string& target);
  // The name of the junction (an alias of a folder on a drive) that `path` names itself, as the
  // alias was written; empty for any other path.
  std::string JunctionNamed(const std::string& path) const;
  // The aliases, name and target's long path, in the order made.
  const std::vector<std::pair<std::string, std::string>>& Aliases() const { return aliases_; }

  // Makes this model a copy of another's drives: every entry with its name, 8.3 name, contents,
  // attributes and in-use mark. Text files are closed, the listing ends and the current directory
  // becomes C:\.
  void CopyDrivesFrom(const SimFiles& other);

  // The existing drives ('C', 'D', ...), in order.
  std::vector<char> Drives() const;
  // Visits every file and folder of every drive (roots excluded), drive by drive, each folder
  // before what it holds, the entries of a folder in listing order; `contents` is a file's bytes
  // (empty for a folder).
  void VisitEntries(
      const std::function<void(const EntryInfo& entry, const std::string& contents)>& visit) const;
  // The same walk, collected.
  std::vector<EntryInfo> Entries() const;
  // The long paths of the files in use, in the order of Entries.
  std::vector<std::string> FilesInUse() const;
  // The long paths of the folders that hold nothing (drive roots excluded), in the same order.
  std::vector<std::string> EmptyFolders() const;

  struct Entry;  // the stored form of a file or folder

 private:
  struct Parsed;
  struct Found;
  struct OpenFile {
    Entry* entry = nullptr;
    TextMode mode = TextMode::kReadChars;
    size_t position = 0;
  };
  using DriveMap = std::map<char, std::unique_ptr<Entry>>;

  std::optional<Parsed> Parse(const std::string& path) const;
  std::optional<Parsed> ParseLiteral(std::string_view rest) const;
  // The path a parsed path stands for once every alias it begins with is replaced by its target.
  Parsed Dealias(Parsed parsed) const;
  Found Resolve(const Parsed& parsed) const;
  Found Resolve(const std::string& path) const;
  Entry* CreatePath(const std::string& path, bool last_is_directory);
  bool HeldOpen(const Entry* entry) const;
  std::string CurrentPath() const;

  DriveMap drives_;
  std::string current_prefix_ = "C:";       // the drive of the current directory, as typed
  std::vector<std::string> current_parts_;  // its components below the root, as typed
  std::vector<std::string> listing_;
  size_t listing_next_ = 0;
  std::map<FileNumber, OpenFile> open_files_;
  std::vector<std::pair<std::string, std::string>> aliases_;
  int family_ = 2;  // Windows NT
};

}  // namespace vrx::sim
