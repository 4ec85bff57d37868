// Directory tokens resolved over arbitrary registry values: no crash, and the variant's own tokens
// lose one trailing backslash, no more. (What the folder step does with such values is the whole
// run's, fuzz_whole_run.)
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
#include "platform/sim/sim_machine.h"
#include "state/program.h"

namespace {

using vrx::sim::SimMachine;

void SetText(SimMachine& m, vrx::HKey hive, const std::string& key, const std::string& name,
             const std::string& text) {
  m.registry.EnsureKey(hive, key).SetValue(name, vrx::kRegSz, text + std::string(1, '\0'));
}

std::unique_ptr<SimMachine> MakeMachine(const std::vector<std::string>& texts) {
  auto m = std::make_unique<SimMachine>();
  m->ApplyFacts();
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
  vrx::Program program(m->platform());
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
  return 0;
}
