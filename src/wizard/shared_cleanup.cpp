#include "wizard/shared_cleanup.h"

#include <string>

#include "helpers/directory_tokens.h"
#include "helpers/registry_tools.h"
#include "removal/deferred_deletion.h"
#include "state/program.h"
#include "state/variants.h"

namespace vrx {
namespace {

constexpr const char* kShellFolders =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr const char* kGroup = "\\Docseal 4.0";

std::string TrimBlanks(const std::string& text) {
  size_t begin = text.find_first_not_of(' ');
  if (begin == std::string::npos) return "";
  return text.substr(begin, text.find_last_not_of(' ') - begin + 1);
}

bool Contains(const std::string& text, const char* part) {
  return text.find(part) != std::string::npos;
}

// Whether a Start Menu entry belongs to what is being removed; the tests heed case.
bool EntryGoes(const ProgramState& s, const std::string& name) {
  return s.ChosenAll || (s.Chosen[kMsWord] && (Contains(name, "97") || Contains(name, "2000"))) ||
         (s.Chosen[kWpWin7] && Contains(name, "WordPerfect") && Contains(name, "7")) ||
         (s.Chosen[kWpWin8] && Contains(name, "WordPerfect") && Contains(name, "8")) ||
         (s.Chosen[kWpWin9] && Contains(name, "WordPerfect") && Contains(name, "9"));
}

void CleanGroup(Program& program, const std::string& base, bool always_schedule) {
  ProgramState& s = program.state;
  Files& files = program.files();
  const std::string group = base + kGroup;
  for (std::string name = files.ListFirst(group + "\\*.*", ListFilter::kPlain); !name.empty();
       name = files.ListNext()) {
    if (!EntryGoes(s, name)) continue;
    const std::string path = group + "\\" + name;
    if (files.DeleteFile(GetShortPath(program.system(), path)) == kOk) continue;
    const std::string short_path = GetShortPath(program.system(), path);
    if (always_schedule) {
      DeleteAtNextRestart(program, short_path);
    } else {
      ScheduleDeletion(program, short_path);
    }
  }
  if (s.ChosenAll) (void)files.RemoveDirectory(group);
}

std::string Hklm(Program& program, const std::string& key, const std::string& value) {
  return QueryValue(program.registry(), key, value, kHkeyLocalMachine).AsText();
}

}  // namespace

void DeleteAddInTree(Program& program) {
  if (program.state.ChosenAll) {
    DeleteSubKeys(program.registry(), std::string(kAddInKey), kHkeyLocalMachine);
  }
}

void RemoveAddInFont(Program& program) {
  ProgramState& s = program.state;
  if (!s.ChosenAll) return;
  const std::string path =
      s.IsWinNT
          ? TrimBlanks(GetDirectory(program.platform(), s, "WINDIR")) + "\\fonts\\" + "Docsealw.ttf"
          : TrimBlanks(GetDirectory(program.platform(), s, "WINSYS")) + "\\Docsealw.ttf";
  if (GetShortPath(program.system(), path).empty()) return;
  if (program.system().RemoveFontResource(path) == 0) {
    s.AppendDetail(path + " unable to remove font file.");
    return;
  }
  (void)program.files().DeleteFile(path);
  program.system().BroadcastFontChange();
}

void RemoveStartMenuEntries(Program& program) {
  const ProgramState& s = program.state;
  const std::string windows = GetDirectory(program.platform(), s, "WINDIR");
  std::string user_programs = s.IsWin9x ? Hklm(program, kShellFolders, "Current Desktop")
                                        : windows + "\\Profiles\\" +
                                              program.system().GetEnvironmentVariable("USERNAME") +
                                              "\\Start Menu\\Programs";
  CleanGroup(program, user_programs, false);
  if (s.IsWinNT) {
    CleanGroup(program, windows + "\\Profiles\\All Users\\Start Menu\\Programs", true);
  }
  CleanGroup(program,
             QueryValue(program.registry(), kShellFolders, "Programs", kHkeyCurrentUser).AsText(),
             false);
}

void RemoveUninstallEntries(Program& program) {
  const ProgramState& s = program.state;
  Registry& registry = program.registry();
  for (size_t v = 0; v < kVariantCount; ++v) {
    if (!s.Chosen[v]) continue;
    const VariantInfo& variant = kVariants[v];
    const std::string entry = std::string(kUninstallListKey) + std::string(variant.uninstall_entry);
    (void)registry.DeleteKey(kHkeyLocalMachine, entry + std::string(kTrialSuffix));
    (void)registry.DeleteKey(kHkeyLocalMachine, entry);
    (void)registry.DeleteKey(kHkeyLocalMachine, CodeKey(variant));
  }
  if (s.ChosenAll) (void)registry.DeleteKey(kHkeyLocalMachine, std::string(kAddInKey));
}

}  // namespace vrx
