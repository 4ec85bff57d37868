#include "testing/nothing_lost.h"

#include <set>
#include <sstream>

#include "helpers/directory_tokens.h"
#include "helpers/registry_tools.h"
#include "manifest/file_manifest.h"
#include "platform/windows_names.h"
#include "progress/processing_form.h"
#include "startup/variants.h"

namespace vrx {
namespace {

using sim::SimMachine;
using sim::UpperName;

constexpr const char* kSharedDlls = "SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\SHAREDDLLS";
constexpr const char* kUninstall = "SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\UNINSTALL\\";
constexpr const char* kShellFolders =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr const char* kQuestionEnd = "\rDo you want me to remove it?";

std::string Trim(const std::string& text) {
  size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

bool Below(const std::string& path, const std::string& folder) {
  return path.size() > folder.size() + 1 && path.compare(0, folder.size(), folder) == 0 &&
         path[folder.size()] == '\\';
}

std::string Parent(const std::string& path) { return path.substr(0, path.rfind('\\')); }

// The long upper-case path of an existing entry of the machine; "" when it does not exist.
std::string Existing(const SimMachine& m, const std::string& path) {
  if (path.empty()) return "";
  return UpperName(m.files.LongPath(path).value_or(""));
}

// What the run may take away, worked out on the machine as it was before.
struct Allowed {
  std::set<std::string> files;        // long upper-case paths
  std::set<std::string> yes_folders;  // folders whose files the user let go
  std::set<std::string> group_bases;  // folders that hold the Start Menu group "Docseal 4.0"
  std::set<std::string> shared_values;
};

void AddVariant(SimMachine& before, const std::string& code, const std::string& defaults,
                Allowed* allowed) {
  Platform platform = before.platform();
  ProgramState state;
  auto read = [&](const char* value) {
    return QueryValue(*platform.registry, defaults, value, kHkeyLocalMachine).AsText();
  };
  state.VariantSourceDir = read("Source Directory");
  state.VariantSigDir = read("Sig File Directory");
  state.VariantDataDir = read(std::string(kDataDirectoryValue).c_str());
  state.VariantHelpDir = read("Help Files Directory");
  state.VariantStampDir = read("Stamp Directory");
  auto resolve = [&](const std::string& token) { return GetDirectory(platform, state, token); };
  FileManifest manifest;
  BuildManifest(manifest, code, resolve);
  for (const ManifestEntry& entry : manifest) {
    if (entry.FileName.empty()) continue;
    const std::string directory = Trim(resolve(entry.DirToken));
    if (directory.empty()) continue;
    const std::string path = directory + "\\" + entry.FileName;
    allowed->files.insert(Existing(before, path));
    if (IsShared(entry)) allowed->shared_values.insert(FoldName(path));
  }
}

Allowed WhatMayGo(SimMachine& before, Program& program, const FaultInjection& faults) {
  Allowed allowed;
  const ProgramState& s = program.state;
  for (size_t i = 0; i < kVariants.size(); ++i) {
    if (s.Chosen[i])
      AddVariant(before, std::string(kVariants[i].code), DefaultsKey(kVariants[i]), &allowed);
  }
  for (const FaultInjection::Question& question : faults.questions()) {
    if (question.answer != kIdYes) continue;
    const std::string& text = question.text;
    size_t start = text.find("Directory not empty ");
    size_t end = text.rfind(kQuestionEnd);
    if (start == std::string::npos || end == std::string::npos) continue;
    start += std::string("Directory not empty ").size();
    allowed.yes_folders.insert(Existing(before, text.substr(start, end - start)));
  }
  const std::string windows = before.facts.windows;
  allowed.files.insert(Existing(before, before.facts.system + "\\Docsealw.ttf"));
  allowed.files.insert(Existing(before, windows + "\\fonts\\Docsealw.ttf"));
  Registry& registry = before.registry;
  for (const std::string& base :
       {QueryValue(registry, kShellFolders, "Current Desktop", kHkeyLocalMachine).AsText(),
        QueryValue(registry, kShellFolders, "Programs", kHkeyCurrentUser).AsText(),
        windows + "\\Profiles\\" + before.facts.username + "\\Start Menu\\Programs",
        windows + "\\Profiles\\All Users\\Start Menu\\Programs"}) {
    allowed.group_bases.insert(Existing(before, base + "\\Docseal 4.0"));
  }
  allowed.files.erase("");
  allowed.yes_folders.erase("");
  allowed.group_bases.erase("");
  return allowed;
}

void CheckFiles(SimMachine& before, SimMachine& after, const Allowed& allowed,
                std::vector<std::string>* broken) {
  for (const sim::EntryInfo& entry : before.files.Entries()) {
    if (entry.directory || after.files.Exists(entry.path)) continue;
    const std::string path = UpperName(entry.path);
    if (allowed.files.count(path) || allowed.yes_folders.count(Parent(path)) ||
        allowed.group_bases.count(Parent(path))) {
      continue;
    }
    broken->push_back("file deleted: " + entry.path);
  }
}

bool KeyMayGo(HKey hive, const std::string& path) {
  if (hive != kHkeyLocalMachine) return false;
  const std::string upper = UpperName(path);
  const std::string add_in = UpperName(kAddInKey);
  if (upper == add_in || Below(upper, add_in)) return true;
  for (const char* entry :
       {"DOCSEAL 4.0 FOR WORD\xAE 97/2000", "DOCSEAL 4.0 FOR WORDPERFECT\xAE 7",
        "DOCSEAL 4.0 FOR WORDPERFECT\xAE 8", "DOCSEAL 4.0 FOR WORDPERFECT\xAE 9"}) {
    for (const std::string& key :
         {std::string(kUninstall) + entry, std::string(kUninstall) + entry + " TRIAL VERSION"}) {
      if (upper == key || Below(upper, key)) return true;
    }
  }
  return false;
}

void CheckRegistry(const SimMachine& before, const SimMachine& after, const Allowed& allowed,
                   std::vector<std::string>* broken) {
  before.registry.ForEachKey([&](HKey hive, const std::string& path, const sim::SimKey& key) {
    const std::string shown = std::string(sim::HiveName(hive)) + "\\" + path;
    const sim::SimKey* now = after.registry.FindKey(hive, path);
    if (now == nullptr) {
      if (!KeyMayGo(hive, path)) broken->push_back("registry key deleted: " + shown);
      return;
    }
    for (const sim::SimValue& value : key.values()) {
      if (now->FindValue(value.name) != nullptr || KeyMayGo(hive, path)) continue;
      if (hive == kHkeyLocalMachine && UpperName(path) == kSharedDlls &&
          allowed.shared_values.count(UpperName(value.name))) {
        continue;
      }
      broken->push_back("registry value deleted: " + shown + " [" + value.name + "]");
    }
  });
}

// Lines as Windows 95/98 read Wininit.ini: CR LF or a lone CR ends a line.
std::vector<std::string> Lines(const std::string& bytes) {
  std::vector<std::string> lines;
  std::string line;
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] != '\r') {
      line += bytes[i];
      continue;
    }
    if (i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
    lines.push_back(line);
    line.clear();
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

void CheckWininit(const SimMachine& before, const SimMachine& after,
                  std::vector<std::string>* broken) {
  const std::string path = before.facts.windows + "\\Wininit.ini";
  std::optional<std::string> old_bytes = before.files.Contents(path);
  if (!old_bytes) return;
  std::optional<std::string> new_bytes = after.files.Contents(path);
  if (!new_bytes) {
    broken->push_back("Wininit.ini is gone");
    return;
  }
  std::vector<std::string> now = Lines(*new_bytes);
  size_t next = 0;
  for (const std::string& line : Lines(*old_bytes)) {
    while (next < now.size() && now[next] != line) ++next;
    if (next == now.size()) {
      broken->push_back("Wininit.ini lost the line \"" + line + "\"");
      return;
    }
    ++next;
  }
}

void CheckWord(SimMachine& before, const SimMachine& after, std::vector<std::string>* broken) {
  std::set<int> users;
  for (int n = 1; before.word.Find(n) != nullptr; ++n) {
    if (before.word.Find(n)->running) users.insert(n);
  }
  for (const std::string& line : after.transcript.lines()) {
    std::istringstream in(line);
    std::string word;
    int number = 0;
    if (!(in >> word >> number) || word != "word" || !users.count(number)) continue;
    for (const char* call :
         {"NormalTemplate.Save", "Quit False", ").Delete", "FindKey.Clear", "KeyBindings.Add"}) {
      if (line.find(call) != std::string::npos) {
        broken->push_back("the user's Word was touched: " + line);
        break;
      }
    }
  }
}

}  // namespace

std::vector<std::string> CheckNothingLost(SimMachine& before, SimMachine& after, Program& program,
                                          const FaultInjection& faults) {
  std::vector<std::string> broken;
  const std::string end = program.Processing().lblMsg().Caption();
  if (end != "Uninstall complete." && !faults.Failed("GetVersionExA")) {
    broken.push_back("the run ended on \"" + end + "\"");
  }
  Allowed allowed = WhatMayGo(before, program, faults);
  CheckFiles(before, after, allowed, &broken);
  CheckRegistry(before, after, allowed, &broken);
  CheckWininit(before, after, &broken);
  CheckWord(before, after, &broken);
  for (const std::string& open : faults.OpenHandles()) broken.push_back("left open: " + open);
  if (after.registry.OpenHandleCount() != 0) broken.push_back("registry keys left open");
  return broken;
}

}  // namespace vrx
