#include "wizard/shared_cleanup.h"

#include <string>

#include "helpers/directory_tokens.h"
#include "helpers/registry_tools.h"
#include "removal/deferred_deletion.h"
#include "startup/program.h"
#include "startup/variants.h"

namespace vrx {
namespace {

constexpr const char* kShellFolders =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr const char* kUninstallList = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
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
  return s.ChosenAll || (s.ChosenMsWord && (Contains(name, "97") || Contains(name, "2000"))) ||
         (s.ChosenWpWin7 && Contains(name, "WordPerfect") && Contains(name, "7")) ||
         (s.ChosenWpWin8 && Contains(name, "WordPerfect") && Contains(name, "8")) ||
         (s.ChosenWpWin9 && Contains(name, "WordPerfect") && Contains(name, "9"));
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
  const std::string word = std::string(kUninstallList) + "Docseal 4.0 for Word\xAE 97" + "/";
  const std::string wp = std::string(kUninstallList) + "Docseal 4.0 for WordPerfect\xAE ";
  struct Entry {
    bool chosen;
    std::string trial;
    std::string full;
    const char* key;
  };
  const Entry entries[] = {
      {s.ChosenMsWord, word + "2000 Trial Version", word + "2000", "Software\\Docseal4\\MSWORD"},
      {s.ChosenWpWin7, wp + "7 Trial Version", wp + "7", "Software\\Docseal4\\WPWIN7"},
      {s.ChosenWpWin8, wp + "8 Trial Version", wp + "8", "Software\\Docseal4\\WPWIN8"},
      {s.ChosenWpWin9, wp + "9 Trial Version", wp + "9", "Software\\Docseal4\\WPWIN9"},
  };
  Registry& registry = program.registry();
  for (const Entry& e : entries) {
    if (!e.chosen) continue;
    (void)registry.DeleteKey(kHkeyLocalMachine, e.trial);
    (void)registry.DeleteKey(kHkeyLocalMachine, e.full);
    (void)registry.DeleteKey(kHkeyLocalMachine, e.key);
  }
  if (s.ChosenAll) (void)registry.DeleteKey(kHkeyLocalMachine, std::string(kAddInKey));
}

}  // namespace vrx
