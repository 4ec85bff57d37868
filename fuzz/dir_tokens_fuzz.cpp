// Directory tokens resolved over arbitrary registry values, and the folder step run over what they
// name, answering Yes to every question: no crash, and no folder of the system or of the user is
// offered or emptied. The protected folders are known here by their place on a fixed machine, not
// by the program's own rules: C:\ itself, the Windows and system folders, Program Files, the
// user's documents and desktop, and the folders that hold them.
//
// Input: NUL-separated texts for, in order, the five directories of the variant, SRCDIR, the Word
// startup paths (8, 9), and the WordPerfect 7/8/9 startup, program and documents directories.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "helpers/directory_tokens.h"
#include "manifest/file_manifest.h"
#include "platform/sim/sim_machine.h"
#include "platform/windows_names.h"
#include "progress/processing_form.h"
#include "removal/remove_variant.h"
#include "startup/program.h"
#include "testing/fault_injection.h"

namespace {

using vrx::sim::SimMachine;

// Folders that must keep their files, each with a file whose name no manifest has.
const char* const kKept[] = {"C:\\",
                             "C:\\WINDOWS",
                             "C:\\WINDOWS\\SYSTEM",
                             "C:\\Program Files",
                             "C:\\My Documents",
                             "C:\\Users\\bob\\Desktop"};
// Folders that contain a protected one without being named as one.
const char* const kHolders[] = {"C:\\Users", "C:\\Users\\bob"};

void SetText(SimMachine& m, vrx::HKey hive, const std::string& key, const std::string& name,
             const std::string& text) {
  m.registry.EnsureKey(hive, key).SetValue(name, vrx::kRegSz, text + std::string(1, '\0'));
}

std::unique_ptr<SimMachine> MakeMachine(const std::vector<std::string>& texts) {
  auto m = std::make_unique<SimMachine>();
  m->ApplyFacts();
  for (const char* folder : kKept) {
    if (!m->files.AddFile(std::string(folder) + "\\keep.me", "mine")) std::abort();
  }
  if (!m->files.AddFile("C:\\Docseal\\Stamps\\DRAFT.STB", "add-in")) std::abort();
  const std::string current = "Software\\Microsoft\\Windows\\CurrentVersion";
  SetText(*m, vrx::kHkeyLocalMachine, current, "ProgramFilesDir", "C:\\Program Files");
  SetText(*m, vrx::kHkeyLocalMachine, current + "\\Explorer\\Shell Folders", "Common Documents",
          "C:\\My Documents");
  SetText(*m, vrx::kHkeyCurrentUser, current + "\\Explorer\\Shell Folders", "Desktop",
          "C:\\Users\\bob\\Desktop");
  auto text = [&](size_t i) { return i < texts.size() ? texts[i] : std::string(); };
  SetText(*m, vrx::kHkeyLocalMachine, "Software\\Docseal4\\MSWORD\\Defaults", "SRCDIR", text(5));
  SetText(*m, vrx::kHkeyLocalMachine, "Software\\Docseal4\\MSWord\\Defaults\\8", "Startup Path",
          text(6));
  SetText(*m, vrx::kHkeyLocalMachine, "Software\\Docseal4\\MSWord\\Defaults\\9", "Startup Path",
          text(7));
  for (int v = 0; v < 3; ++v) {
    const std::string key = "Software\\Docseal4\\WPWIN" + std::to_string(7 + v) + "\\Defaults";
    SetText(*m, vrx::kHkeyLocalMachine, key, "Startup Directory", text(8 + 3 * v));
    SetText(*m, vrx::kHkeyLocalMachine, key, "Program Directory", text(9 + 3 * v));
    SetText(*m, vrx::kHkeyLocalMachine, key, "Documents Directory", text(10 + 3 * v));
  }
  return m;
}

std::string Upper(const std::string& text) { return vrx::FoldName(text); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::string> texts(1);
  for (size_t i = 0; i < size; ++i) {
    if (data[i] == 0) {
      texts.emplace_back();
    } else {
      texts.back() += static_cast<char>(data[i]);
    }
  }
  std::unique_ptr<SimMachine> m = MakeMachine(texts);
  vrx::FaultInjection watch(m->platform());
  vrx::Program program(watch.platform());
  program.Processing().Load();
  vrx::ProgramState& s = program.state;
  s.IsWinNT = true;
  std::string* variant[] = {&s.VariantSourceDir, &s.VariantSigDir, &s.VariantDataDir,
                            &s.VariantHelpDir, &s.VariantStampDir};
  for (size_t i = 0; i < 5 && i < texts.size(); ++i) *variant[i] = texts[i];

  // Every token resolves without trouble; the variant's own lose one trailing backslash, no more.
  for (const char* token :
       {"WINSYS", "WINDIR", "STARTUPDIRWD8", "STARTUPDIRWD9", "STARTUPDIRWP7", "STARTUPDIRWP8",
        "STARTUPDIRWP9", "WPTD7", "WPTD8", "WPTD9", "DD7", "DD8", "DD9", "WPPROGPATH7",
        "WPPROGPATH8", "WPPROGPATH9", "SRCDIR", "sd", ""}) {
    (void)vrx::GetDirectory(program.platform(), s, token);
  }
  const char* variant_tokens[] = {"SD", "SIGDIR", "LD", "HD", "STMPDIR"};
  for (size_t i = 0; i < 5; ++i) {
    std::string expected = *variant[i];
    if (!expected.empty() && expected.back() == '\\') expected.pop_back();
    if (vrx::GetDirectory(program.platform(), s, variant_tokens[i]) != expected) std::abort();
  }

  const std::string code = size > 0 && (data[0] & 1) ? "WPWIN8" : "MSWORD";
  vrx::BuildManifest(program.manifest, code, [&](const std::string& token) {
    return vrx::GetDirectory(program.platform(), s, token);
  });
  (void)m->files.SetCurrentDirectory("c:\\");
  // The folder step of the walk, on each directory entry (the file steps only take the manifest's
  // own names).
  for (const vrx::ManifestEntry& entry : program.manifest) {
    if (!entry.FileName.empty()) continue;
    std::string directory = vrx::GetDirectory(program.platform(), s, entry.DirToken);
    directory.erase(0, directory.find_first_not_of(' '));
    directory.erase(directory.find_last_not_of(' ') + 1);
    if (directory.empty() || directory == "\\") continue;
    vrx::RemoveVariantDirectory(program, entry, directory);
  }

  for (const char* folder : kKept) {
    if (!m->files.Exists(std::string(folder) + "\\keep.me")) std::abort();
  }
  // No question names a protected folder or one that holds one.
  for (const vrx::FaultInjection::Question& question : watch.questions()) {
    const std::string& q = question.text;
    size_t start = q.find("not empty ");
    size_t end = q.rfind("\rDo you want me to remove it?");
    if (start == std::string::npos || end == std::string::npos) std::abort();
    start += 10;
    const std::string asked = Upper(m->files.LongPath(q.substr(start, end - start)).value_or(""));
    for (const char* folder : kKept) {
      if (asked == Upper(folder) || asked + "\\" == Upper(folder)) std::abort();
    }
    for (const char* folder : kHolders) {
      if (asked == Upper(folder)) std::abort();
    }
  }
  return 0;
}
