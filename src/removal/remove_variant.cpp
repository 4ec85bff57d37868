#include "removal/remove_variant.h"

#include <algorithm>
#include <string>
#include <string_view>

#include "helpers/directory_tokens.h"
#include "helpers/registry_tools.h"
#include "manifest/file_manifest.h"
#include "platform/windows_names.h"
#include "removal/deferred_deletion.h"
#include "removal/progress_sink.h"
#include "removal/protected_folders.h"
#include "removal/word_cleanup.h"
#include "removal/wordperfect_cleanup.h"
#include "state/program.h"
#include "state/variants.h"

namespace vrx {
namespace {

constexpr const char* kSharedDllsKey = "Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
constexpr const char* kRunOnceKey = "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
constexpr const char* kRunOnceValue = "Docseal2";
constexpr const char* kMessageTitle = "Docseal";

constexpr const char* kFileInUse = " this file will be removed when you reboot your computer.";
constexpr const char* kSharedInUse = " file may be in use by another program.";
constexpr const char* kDeleteFileByHand = " You must manually delete this file.";
constexpr const char* kRemoveDirectoryByHand = " You must manually remove this directory.";

// Leading and trailing spaces removed.
std::string Trim(const std::string& text) {
  size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return "";
  size_t last = text.find_last_not_of(' ');
  return text.substr(first, last - first + 1);
}

// regsvr32 takes a path with a blank in it only in quotation marks.
std::string QuoteIfBlank(const std::string& path) {
  if (path.find(' ') == std::string::npos) return path;
  return "\"" + path + "\"";
}

// The SharedDLLs count of a component; false when it cannot be read, 0 when it is missing.
bool ReadSharedCount(Registry& registry, const std::string& component, int32_t* count) {
  HKey key = 0;
  const Status opened = registry.OpenKey(kHkeyLocalMachine, kSharedDllsKey, kKeyAllUsed, &key);
  if (opened != kOk) {
    *count = 0;
    return opened == kErrorFileNotFound;
  }
  RegValue value;
  const Status read = QueryValueData(registry, key, component, &value);
  (void)registry.CloseKey(key);
  *count = value.AsCount();
  return read == kOk || read == kErrorFileNotFound || read == kUnhandledType;
}

std::string Directory(Program& program, const std::string& token) {
  return GetDirectory(program.platform(), program.state, token);
}

}  // namespace

void RemoveVariant(Program& program, const std::string& variant_code) {
  if (variant_code == "MSWORD") CleanWord(program);
  if (variant_code == "WPWIN7" || variant_code == "WPWIN8" || variant_code == "WPWIN9") {
    RunWordPerfectRemovalMacro(program, variant_code);
  }

  // Gives the word processor just started time to do its part before its files go.
  AdvanceProgress(program, 50);
  for (int i = 0; i < 5; ++i) {
    WaitSeconds(program, 1);
    AdvanceProgress(program, 50);
  }

  (void)program.files().SetCurrentDirectory("c:\\");
  bool installed = false;
  for (size_t v = 0; v < kVariantCount; ++v) {
    if (kVariants[v].code == variant_code) installed = program.state.Installed[v];
  }
  RemoveManifestFiles(program, installed);
  AdvanceProgress(program, 100);
  AdvanceProgress(program, 50);

  for (const VariantInfo& variant : kVariants) {
    if (variant.code == variant_code) {
      DeleteSubKeys(program.registry(), std::string(variant.key), kHkeyLocalMachine);
      break;
    }
  }
  AdvanceProgress(program, 100);
}

void AdvanceProgress(Program& program, double step) { program.progress().Advance(step); }

void WaitSeconds(Program& program, double seconds) {
  double start = program.clock().SecondsSinceMidnight();
  // A pause that would run past midnight ends at once: the clock is already past n.
  if (start + seconds > 86399) start = 0;
  while (program.clock().SecondsSinceMidnight() < start + seconds) program.ui().PumpEvents();
}

void RemoveManifestFiles(Program& program, bool installed) {
  const double step = 100.0 / (kManifestSize - 1);
  for (const ManifestEntry& entry : program.manifest) {
    std::string directory = Trim(Directory(program, entry.DirToken));
    if (directory == "\\") continue;
    if (entry.FileName.empty() && !directory.empty()) {
      RemoveVariantDirectory(program, entry, directory);
    }
    // A folder that could not be learnt names no file: "\\NAME" would be the root of the drive.
    // Nor does one with a character no Windows path holds: a quotation mark in it would move
    // the path's end in regsvr32's command line onto another file.
    const std::string_view rest = std::string_view(directory).substr(
        directory.starts_with("\\\\?\\") || directory.starts_with("\\\\.\\") ? 4 : 0);
    const bool no_path = directory.empty() || rest.find_first_of("\"<>|*?") != rest.npos ||
                         std::any_of(rest.begin(), rest.end(),
                                     [](char c) { return static_cast<unsigned char>(c) < 32; });
    if (no_path && !entry.FileName.empty()) {
      AdvanceProgress(program, step);
      continue;
    }
    if (IsShared(entry)) {
      if (installed) ReleaseSharedComponent(program, entry, directory);
    } else {
      DeleteManifestFile(program, entry, directory);
    }
    AdvanceProgress(program, step);
  }
}

void DeleteManifestFile(Program& program, const ManifestEntry& entry,
                        const std::string& directory) {
  Files& files = program.files();
  if (entry.FileName.empty()) return;
  const std::string full = directory + "\\" + entry.FileName;
  // Hidden and system files are not seen by a plain listing and so are left alone.
  if (files.ListFirst(full, ListFilter::kPlain).empty()) return;

  // Filler entries resolve to no directory: a file of their name in the root stays.
  if (directory.empty()) return;
  if (entry.FileName == "CSU.BIN") {
    (void)files.SetAttributesNormal(GetShortPath(program.system(), full));
  }

  // A file whose short form cannot be learnt has gone meanwhile, or is named in a way the system
  // does not take: it stays, and nothing is scheduled in its name.
  const std::string short_path = GetShortPath(program.system(), full);
  if (short_path.empty()) return;
  if (files.DeleteFile(short_path) == kOk) return;
  program.state.NeedsRestart = true;
  program.state.AppendDetail(full + kFileInUse);
  ScheduleDeletion(program, short_path);
}

void ReleaseSharedComponent(Program& program, const ManifestEntry& entry,
                            const std::string& directory) {
  Registry& registry = program.registry();
  const std::string path = FoldName(Trim(directory) + "\\" + entry.FileName);
  // A count too large for 32 bits stands for many users and keeps the file. A count that cannot
  // be read (the key or the value fails for another reason than being missing) keeps it too:
  // other programs may still use the component.
  int32_t count = 0;
  if (!ReadSharedCount(registry, path, &count)) return;

  if (count <= 1) {
    // Without the system folder there is no regsvr32 to name: the component and its count stay.
    const std::string system_directory = Directory(program, "WINSYS");
    if (Trim(system_directory).empty()) return;
    TaskId task = 0;
    Status started = program.processes().Start(
        system_directory + "\\regsvr32 /u /s " + QuoteIfBlank(path), kWindowHidden, &task);
    if (started == kOk) {
      // regsvr32 is not waited for: the component may still be loaded and take the in-use path.
      if (!program.files().ListFirst(path, ListFilter::kPlain).empty() &&
          program.files().DeleteFile(path) != kOk) {
        program.state.NeedsRestart = true;
        program.state.AppendDetail(path + kSharedInUse);
        ScheduleDeletion(program, path);
      }
    } else {
      // Unregistered at the next logon instead. Every component writes the same value.
      SetKeyValue(
          registry, kRunOnceKey, kRunOnceValue,
          RegValue::Text(system_directory + "\\" + "regsvr32.exe /s /u " + QuoteIfBlank(path)),
          kRegSz, kHkeyLocalMachine);
      ScheduleDeletion(program, path);
    }
  }
  if (count > 0) {
    --count;
    SetKeyValue(registry, kSharedDllsKey, path, RegValue::Number(count), kRegDword,
                kHkeyLocalMachine);
  }
  if (count <= 0) DeleteValue(registry, kSharedDllsKey, path, kHkeyLocalMachine);
}

void RemoveVariantDirectory(Program& program, const ManifestEntry& entry,
                            const std::string& directory) {
  // A folder of the system or of the user is never offered, whatever a Defaults value says.
  if (IsProtectedFolder(program, directory)) return;
  Files& files = program.files();
  const std::string all_files = directory + "\\*.*";
  // Subdirectories and system files are not seen here.
  const bool has_files = !files.ListFirst(all_files, ListFilter::kHidden).empty();
  bool remove = false;

  if (!has_files) {
    const std::string remembered = files.GetCurrentDirectory();
    if (remembered.empty()) {
      // A current directory that cannot be put back is not left: the folder stays, without a line.
    } else if (files.SetCurrentDirectory(directory) != kOk) {
      // Gone already: passed over without a line.
      (void)files.SetCurrentDirectory(remembered);
    } else {
      std::string name = files.ListFirst("*.*", ListFilter::kDirectories);
      while (name == "." || name == "..") name = files.ListNext();
      if (!name.empty()) {
        program.state.AppendDetail(directory + kRemoveDirectoryByHand);
      } else {
        remove = true;
      }
      (void)files.SetCurrentDirectory(remembered);
    }
  } else {
    const std::string question =
        std::string(entry.DirToken == "SRCDIR" ? "Setup Files Directory not empty "
                                               : "Directory not empty ") +
        directory + "\r" + "Do you want me to remove it?";
    remove = program.ui().MessageBox(question, kMbYesNo, kMessageTitle) == kIdYes;
    if (remove) {
      for (std::string name = files.ListFirst(all_files, ListFilter::kHidden); !name.empty();
           name = files.ListNext()) {
        const std::string short_path = GetShortPath(program.system(), directory + "\\" + name);
        (void)files.SetAttributesNormal(short_path);
        if (files.DeleteFile(short_path) != kOk) {
          program.state.AppendDetail(directory + "\\" + name + kDeleteFileByHand);
        }
      }
    }
  }

  if (remove && files.RemoveDirectory(directory) != kOk) {
    program.state.AppendDetail(directory + kRemoveDirectoryByHand);
  }
}

}  // namespace vrx
