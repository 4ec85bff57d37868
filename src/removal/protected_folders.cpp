#include "removal/protected_folders.h"

#include <optional>
#include <string>
#include <vector>

#include "helpers/directory_tokens.h"
#include "helpers/registry_tools.h"
#include "platform/windows_names.h"
#include "startup/program.h"

namespace vrx {
namespace {

constexpr uint32_t kKeyRead = 0x20019;  // KEY_READ: reading asks for no more
constexpr uint32_t kValueNameBuffer = 16384;
constexpr uint32_t kDirectoryBuffer = 260;
constexpr const char* kShellFolders =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr const char* kCurrentVersion = "Software\\Microsoft\\Windows\\CurrentVersion";
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
      !AddKeyValues(registry, kHkeyCurrentUser, kShellFolders, {}, &kept)) {
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

// The comparable forms of every protected folder; none when one of them could not be learnt.
std::optional<Program::ProtectedFolders> LearnProtectedForms(Program& program) {
  std::optional<FolderList> folders = SystemAndUserFolders(program);
  if (!folders) return std::nullopt;
  Program::ProtectedFolders forms;
  if (!AddForms(program.system(), folders->with_parents, &forms.with_parents) ||
      !AddForms(program.system(), folders->with_contents, &forms.with_contents)) {
    return std::nullopt;
  }
  return forms;
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
  return false;
}

}  // namespace

bool IsProtectedFolder(Program& program, const std::string& directory) {
  // The folder step uses the folder both as written ("C:" for a question, a removal, the current
  // directory) and with a separator after it ("C:\*.*" for its listing and its files), and the
  // two may name different folders: neither may be protected.
  return IsProtectedForm(program, directory) || IsProtectedForm(program, directory + "\\");
}

}  // namespace vrx
