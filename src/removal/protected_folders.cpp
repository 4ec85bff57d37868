#include "removal/protected_folders.h"

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "helpers/directory_tokens.h"
#include "helpers/registry_tools.h"
#include "platform/windows_names.h"
#include "state/program.h"

namespace vrx {
namespace {

constexpr uint32_t kKeyRead = 0x20019;  // KEY_READ: reading asks for no more
constexpr uint32_t kValueNameBuffer = 16384;
constexpr uint32_t kDirectoryBuffer = 260;
constexpr const char* kShellFolders =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr const char* kCurrentVersion = "Software\\Microsoft\\Windows\\CurrentVersion";
// The profiles of every user: of Windows NT, and of Windows 95/98 with user profiles.
constexpr const char* kProfileLists[] = {
    "Software\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList",
    "Software\\Microsoft\\Windows\\CurrentVersion\\ProfileList"};
constexpr const char* kProfileImagePath = "ProfileImagePath";
constexpr uint32_t kKeyNameBuffer = 256;  // a key name is at most 255 characters
constexpr const char* kProgramFilesValues[] = {"ProgramFilesDir", "ProgramFilesDir (x86)",
                                               "ProgramW6432Dir"};

// The folders to protect, as the system and the registry name them.
struct FolderList {
  std::vector<std::string> with_parents;
  std::vector<std::string> with_contents;
};

template <typename Query>
std::optional<std::string> SystemFolder(Query query) {
  char buffer[kDirectoryBuffer] = {};
  uint32_t length = query(buffer, kDirectoryBuffer);
  if (length == 0 || length >= kDirectoryBuffer) return std::nullopt;
  return std::string(buffer, length);
}

// Adds a text value to the list; a missing value or one of another type adds nothing.
bool AddValue(Registry& registry, HKey key, const std::string& name,
              std::vector<std::string>* folders) {
  RegValue value;
  Status status = QueryValueData(registry, key, name, &value);
  if (status == kErrorFileNotFound || status == kUnhandledType) return true;
  if (status != kOk) return false;
  if (value.kind() == RegValue::Kind::kText && !value.AsText().empty()) {
    folders->push_back(value.AsText());
  }
  return true;
}

// The folders that the values of a key name (`names` empty: every value of the key). A missing key
// names none; false when the key or a value could not be read.
bool AddKeyValues(Registry& registry, HKey hive, const std::string& path,
                  const std::vector<std::string>& names, std::vector<std::string>* folders) {
  HKey key = 0;
  Status opened = registry.OpenKey(hive, path, kKeyRead, &key);
  if (opened == kErrorFileNotFound) return true;
  if (opened != kOk) return false;
  bool ok = true;
  if (names.empty()) {
    std::vector<char> name(kValueNameBuffer);
    for (uint32_t index = 0; ok; ++index) {
      uint32_t size = kValueNameBuffer;
      Status status = registry.EnumValue(key, index, name.data(), &size, nullptr);
      if (status == kErrorNoMoreItems) break;
      ok = status == kOk && AddValue(registry, key, std::string(name.data(), size), folders);
    }
  } else {
    for (const std::string& value : names) ok = ok && AddValue(registry, key, value, folders);
  }
  (void)registry.CloseKey(key);
  return ok;
}

// `text` with every %NAME% replaced by the environment variable's value, as
// ExpandEnvironmentStringsA does; a name the environment does not know stays as written. A user's
// own profile folder, when given, stands for %USERPROFILE%: another user's value names theirs.
std::string ExpandVariables(System& system, const std::string& text,
                            const std::string& user_profile = "") {
  std::string out;
  size_t at = 0;
  while (at < text.size()) {
    const size_t open = text.find('%', at);
    const size_t close = open == std::string::npos ? open : text.find('%', open + 1);
    if (close == std::string::npos) break;
    out += text.substr(at, open - at);
    const std::string name = text.substr(open + 1, close - open - 1);
    const std::string value = !user_profile.empty() && FoldName(name) == "USERPROFILE"
                                  ? user_profile
                                  : system.GetEnvironmentVariable(name);
    if (close > open + 1 && !value.empty()) {
      out += value;
      at = close + 1;
    } else {
      out += '%';  // the second % may open the next name
      at = open + 1;
    }
  }
  return out + text.substr(std::min(at, text.size()));
}

// Adds the folder that a REG_SZ or REG_EXPAND_SZ value names (the latter with its variables
// expanded); a missing value or one of another type adds nothing.
bool AddFolderValue(Program& program, HKey key, const std::string& name,
                    std::vector<std::string>* folders, const std::string& user_profile = "") {
  Registry& registry = program.registry();
  uint32_t type = 0;
  uint32_t size = 0;
  Status status = registry.QueryValue(key, name, &type, nullptr, &size);
  if (status == kErrorFileNotFound) return true;
  if (status != kOk) return false;
  if ((type != kRegSz && type != kRegExpandSz) || size == 0) return true;
  std::string text(size, '\0');
  status = registry.QueryValue(key, name, nullptr, reinterpret_cast<uint8_t*>(text.data()), &size);
  if (status != kOk) return false;
  text.resize(std::min<size_t>(size, text.find('\0')));
  if (type == kRegExpandSz) text = ExpandVariables(program.system(), text, user_profile);
  if (!text.empty()) folders->push_back(text);
  return true;
}

// Calls `visit` with the name of every subkey of `path` (a missing key has none); false when the
// key could not be opened or listed, or when `visit` gives false.
template <typename Visit>
bool ForEachSubKey(Registry& registry, HKey hive, const std::string& path, Visit visit) {
  HKey key = hive;
  if (!path.empty()) {
    Status opened = registry.OpenKey(hive, path, kKeyRead, &key);
    if (opened == kErrorFileNotFound) return true;
    if (opened != kOk) return false;
  }
  bool ok = true;
  char name[kKeyNameBuffer];
  for (uint32_t index = 0; ok; ++index) {
    uint32_t size = kKeyNameBuffer;
    Status status = registry.EnumKey(key, index, name, &size, nullptr);
    if (status == kErrorNoMoreItems) break;
    ok = status == kOk && visit(std::string(name, size));
  }
  if (key != hive) (void)registry.CloseKey(key);
  return ok;
}

// The profile folder of every user the ProfileList keys name.
bool AddProfiles(Program& program, std::vector<std::string>* folders) {
  Registry& registry = program.registry();
  for (const char* list : kProfileLists) {
    const bool listed =
        ForEachSubKey(registry, kHkeyLocalMachine, list, [&](const std::string& profile) {
          HKey key = 0;
          Status opened = registry.OpenKey(kHkeyLocalMachine, std::string(list) + "\\" + profile,
                                           kKeyRead, &key);
          if (opened == kErrorFileNotFound) return true;  // gone meanwhile
          if (opened != kOk) return false;
          const bool ok = AddFolderValue(program, key, kProfileImagePath, folders);
          (void)registry.CloseKey(key);
          return ok;
        });
    if (!listed) return false;
  }
  return true;
}

// The profile folder that ProfileList gives for a user (a hive's name under HKEY_USERS); empty
// when no list names it. False when a list could not be read.
bool ProfileOf(Program& program, const std::string& user, std::string* profile) {
  for (const char* list : kProfileLists) {
    HKey key = 0;
    Status opened = program.registry().OpenKey(kHkeyLocalMachine, std::string(list) + "\\" + user,
                                               kKeyRead, &key);
    if (opened == kErrorFileNotFound) continue;
    if (opened != kOk) return false;
    std::vector<std::string> found;
    const bool ok = AddFolderValue(program, key, kProfileImagePath, &found);
    (void)program.registry().CloseKey(key);
    if (!ok) return false;
    if (!found.empty()) {
      *profile = found.front();
      return true;
    }
  }
  return true;
}

// The Shell Folders of every user whose hive is loaded (run as LocalSystem, the program's own
// HKCU is not the user's), and each one's temporary folders: the TEMP and TMP of the hive's
// Environment key, where %USERPROFILE% is that user's profile (the program's own when ProfileList
// names none).
bool AddLoadedUsersFolders(Program& program, FolderList* folders) {
  Registry& registry = program.registry();
  return ForEachSubKey(registry, kHkeyUsers, "", [&](const std::string& user) {
    if (!AddKeyValues(registry, kHkeyUsers, user + "\\" + kShellFolders, {},
                      &folders->with_parents)) {
      return false;
    }
    HKey key = 0;
    Status opened = registry.OpenKey(kHkeyUsers, user + "\\Environment", kKeyRead, &key);
    if (opened == kErrorFileNotFound) return true;
    if (opened != kOk) return false;
    std::string profile;
    std::vector<std::string> temporary;
    const bool ok = ProfileOf(program, user, &profile) &&
                    AddFolderValue(program, key, "TEMP", &temporary, profile) &&
                    AddFolderValue(program, key, "TMP", &temporary, profile);
    (void)registry.CloseKey(key);
    for (std::string& folder : temporary) folders->with_contents.push_back(std::move(folder));
    return ok;
  });
}

// None when one of them could not be learnt.
std::optional<FolderList> SystemAndUserFolders(Program& program) {
  System& system = program.system();
  std::optional<std::string> windows = SystemFolder(
      [&](char* buffer, uint32_t size) { return system.GetWindowsDirectory(buffer, size); });
  std::optional<std::string> system_folder = SystemFolder(
      [&](char* buffer, uint32_t size) { return system.GetSystemDirectory(buffer, size); });
  if (!windows || !system_folder) return std::nullopt;
  FolderList folders;
  folders.with_contents = {*windows, *system_folder, *windows + "\\SysWOW64", *windows + "\\TEMP"};
  for (const char* variable : {"TEMP", "TMP"}) {
    const std::string temporary = system.GetEnvironmentVariable(variable);
    if (!temporary.empty()) folders.with_contents.push_back(temporary);
  }
  std::vector<std::string>& kept = folders.with_parents;
  Registry& registry = program.registry();
  const std::vector<std::string> program_files(std::begin(kProgramFilesValues),
                                               std::end(kProgramFilesValues));
  if (!AddKeyValues(registry, kHkeyLocalMachine, kCurrentVersion, program_files, &kept) ||
      !AddKeyValues(registry, kHkeyLocalMachine, kShellFolders, {}, &kept) ||
      !AddKeyValues(registry, kHkeyCurrentUser, kShellFolders, {}, &kept) ||
      !AddProfiles(program, &kept) || !AddLoadedUsersFolders(program, &folders)) {
    return std::nullopt;
  }
  return folders;
}

bool StartsWith(const std::string& text, const std::string& start) {
  return text.compare(0, start.size(), start) == 0;
}

// Where the root of an absolute path ends ("C:\" or "\\server\share"); 0 for any other path.
size_t RootLength(const std::string& full) {
  if (full.size() >= 3 && full[1] == ':' && full[2] == '\\') {
    char drive = full[0];
    return (drive >= 'A' && drive <= 'Z') || (drive >= 'a' && drive <= 'z') ? 3 : 0;
  }
  if (!StartsWith(full, "\\\\") || StartsWith(full, "\\\\?\\") || StartsWith(full, "\\\\.\\")) {
    return 0;
  }
  size_t server_end = full.find('\\', 2);
  if (server_end == std::string::npos || server_end == 2) return 0;
  size_t share_end = full.find('\\', server_end + 1);
  if (share_end == std::string::npos) share_end = full.size();
  return share_end > server_end + 1 ? share_end : 0;
}

// A path in the form paths are compared in: upper case, no separator at the end.
std::string Comparable(std::string path) {
  while (!path.empty() && path.back() == '\\') path.pop_back();
  return FoldName(path);
}

// The forms of an absolute path that name the same folder: as written and in 8.3 form.
std::vector<std::string> Forms(System& system, const std::string& full) {
  std::vector<std::string> forms = {Comparable(full)};
  std::string short_form = GetShortPath(system, full);
  if (!short_form.empty()) forms.push_back(Comparable(short_form));
  return forms;
}

std::optional<std::string> FullPath(System& system, const std::string& path) {
  std::string full;
  if (system.GetFullPathName(path, &full) != kOk || full.empty()) return std::nullopt;
  return full;
}

// The comparable forms (as written and 8.3) of every folder of a list; false when one of them
// could not be made absolute.
bool AddForms(System& system, const std::vector<std::string>& folders,
              std::vector<std::string>* forms) {
  for (const std::string& folder : folders) {
    std::optional<std::string> full = FullPath(system, folder);
    if (!full) return false;
    for (std::string& form : Forms(system, *full)) forms->push_back(std::move(form));
  }
  return true;
}

// An absolute path and every folder above it, without separators at their ends, and last its root
// ("C:\" or "\\server\share", which may stand for any folder).
std::vector<std::string> SelfAndParents(const std::string& full) {
  std::vector<std::string> chain;
  const size_t root = RootLength(full);
  if (root == 0) return chain;
  std::string path = full;
  while (true) {
    while (path.size() > root && path.back() == '\\') path.pop_back();
    if (path.size() <= root || path.find_first_not_of('\\', root) == std::string::npos) break;
    chain.push_back(path);
    path.resize(path.rfind('\\'));
  }
  chain.push_back(full.substr(0, root));
  return chain;
}

// The identity of a folder; none where the system gives none (a call that fails leaves the
// comparison to the names), nor where a file system gives every entry the index 0, as some
// network file systems do.
std::optional<FileIdentity> IdentityOf(Files& files, const std::string& path) {
  FileIdentity identity;
  if (files.GetIdentity(path, &identity) != kOk || identity.file_index == 0) return std::nullopt;
  return identity;
}

enum class Chain { kAll, kSelf, kRoot };

// Adds the identities of the folders of a list (made absolute): of each folder and every folder
// above it, of each alone, or of the root of each.
void AddIdentities(Program& program, const std::vector<std::string>& folders, Chain which,
                   std::vector<FileIdentity>* identities) {
  for (const std::string& folder : folders) {
    std::optional<std::string> full = FullPath(program.system(), folder);
    if (!full) continue;
    std::vector<std::string> chain = SelfAndParents(*full);
    if (which == Chain::kRoot && !chain.empty()) chain.erase(chain.begin(), chain.end() - 1);
    if (which == Chain::kSelf && chain.size() > 1) chain.resize(1);
    for (const std::string& path : chain) {
      std::optional<FileIdentity> identity = IdentityOf(program.files(), path);
      if (identity &&
          std::find(identities->begin(), identities->end(), *identity) == identities->end()) {
        identities->push_back(*identity);
      }
    }
  }
}

// The comparable forms of every protected folder, and their identities; none when one of them
// could not be learnt.
std::optional<Program::ProtectedFolders> LearnProtectedForms(Program& program) {
  std::optional<FolderList> folders = SystemAndUserFolders(program);
  if (!folders) return std::nullopt;
  Program::ProtectedFolders forms;
  if (!AddForms(program.system(), folders->with_parents, &forms.with_parents) ||
      !AddForms(program.system(), folders->with_contents, &forms.with_contents)) {
    return std::nullopt;
  }
  AddIdentities(program, folders->with_parents, Chain::kAll, &forms.kept_identities);
  AddIdentities(program, folders->with_contents, Chain::kAll, &forms.kept_identities);
  AddIdentities(program, folders->with_contents, Chain::kSelf, &forms.whole_identities);
  AddIdentities(program, folders->with_contents, Chain::kRoot, &forms.whole_roots);
  return forms;
}

bool Holds(const std::vector<FileIdentity>& identities, const FileIdentity& identity) {
  return std::find(identities.begin(), identities.end(), identity) != identities.end();
}

// Whether the folder at an absolute path is, by its identity, a protected folder or one that
// holds one, or lies inside a folder protected with its contents: a SUBST drive, a share or a
// junction may name it by another path. A path that passes through a junction, or whose root is a
// folder of a volume rather than its root (a SUBST drive, a share of this machine), does not say
// where on its volume the folder lies: on a volume that holds a folder protected with its
// contents, it is protected.
bool IsProtectedIdentity(Program& program, const Program::ProtectedFolders& kept,
                         const std::string& full) {
  if (kept.kept_identities.empty()) return false;
  const std::vector<std::string> chain = SelfAndParents(full);
  bool elsewhere = false;
  std::optional<uint32_t> volume;
  for (size_t i = 0; i < chain.size(); ++i) {
    std::optional<FileIdentity> identity = IdentityOf(program.files(), chain[i]);
    if (!identity) continue;
    if (i == 0 && Holds(kept.kept_identities, *identity)) return true;
    if (Holds(kept.whole_identities, *identity)) return true;
    if (!volume) volume = identity->volume_serial;
    elsewhere |= identity->link;
    if (i + 1 == chain.size()) {
      // A root of that volume, but none of the roots the protected folders are named from.
      bool on_volume = false, known = false;
      for (const FileIdentity& root : kept.whole_roots) {
        on_volume |= root.volume_serial == identity->volume_serial;
        known |= root == *identity;
      }
      elsewhere |= on_volume && !known;
    }
  }
  if (!elsewhere || !volume) return false;
  return std::any_of(kept.whole_identities.begin(), kept.whole_identities.end(),
                     [&](const FileIdentity& whole) { return whole.volume_serial == *volume; });
}

// The system's and the user's folders do not move while the program runs, so they are learnt once;
// a list that could not be learnt is asked for again next time.
const Program::ProtectedFolders* ProtectedForms(Program& program) {
  if (!program.protected_folders) program.protected_folders = LearnProtectedForms(program);
  return program.protected_folders ? &*program.protected_folders : nullptr;
}

// A path as written that names a folder whatever the current directory: "X:\..." or
// "\\server\share...".
bool WrittenAbsolute(const std::string& path) {
  if (path.size() >= 3 && path[1] == ':' && path[2] == '\\') {
    const char drive = path[0];
    return (drive >= 'A' && drive <= 'Z') || (drive >= 'a' && drive <= 'z');
  }
  return StartsWith(path, "\\\\");
}

// Whether one way of writing the folder names a protected one.
bool IsProtectedForm(Program& program, const std::string& path) {
  System& system = program.system();
  if (!WrittenAbsolute(path)) return true;
  std::optional<std::string> full = FullPath(system, path);
  if (!full) return true;
  size_t root = RootLength(*full);
  if (root == 0) return true;
  // A drive or share root, with or without its separator.
  if (full->find_first_not_of('\\', root) == std::string::npos) return true;
  if ((*full)[0] == '\\' && (*full)[root - 1] == '$') return true;

  const Program::ProtectedFolders* kept = ProtectedForms(program);
  if (kept == nullptr) return true;
  for (const std::string& form : Forms(system, *full)) {
    for (const std::string& folder : kept->with_parents) {
      if (folder == form || StartsWith(folder, form + "\\")) return true;
    }
    for (const std::string& folder : kept->with_contents) {
      if (folder == form || StartsWith(folder, form + "\\") || StartsWith(form, folder + "\\")) {
        return true;
      }
    }
  }
  return IsProtectedIdentity(program, *kept, *full);
}

}  // namespace

bool IsProtectedFolder(Program& program, const std::string& directory) {
  // The folder step uses the folder both as written ("C:" for a question, a removal, the current
  // directory) and with a separator after it ("C:\*.*" for its listing and its files), and the
  // two may name different folders: neither may be protected.
  return IsProtectedForm(program, directory) || IsProtectedForm(program, directory + "\\");
}

}  // namespace vrx
