#include <string>
#include <vector>

#include "helpers/directory_tokens.h"
#include "helpers/platform_family.h"
#include "helpers/registry_tools.h"
#include "platform/windows_names.h"
#include "state/program.h"
#include "state/variants.h"
#include "wizard/uninstall_form.h"

namespace vrx {

std::vector<std::string> SplitCommandLine(const std::string& command_line) {
  std::vector<std::string> words;
  bool previous_blank = true;
  for (char c : command_line) {
    if (c == ' ' || c == '\t') {
      previous_blank = true;
      continue;
    }
    if (previous_blank) words.emplace_back();
    previous_blank = false;
    words.back().push_back(FoldChar(c));
  }
  return words;
}

void ReadCommandLine(ProgramState& state, const std::vector<std::string>& words) {
  // A word that holds several codes chooses the first of this order.
  constexpr VariantIndex kMatchOrder[] = {kWpWin7, kWpWin8, kWpWin9, kMsWord};
  for (const std::string& word : words) {
    bool chose = false;
    for (VariantIndex v : kMatchOrder) {
      if (word.find(kVariants[v].code) == std::string::npos) continue;
      state.Chosen[v] = true;
      state.CommandLineMode = true;
      chose = true;
      break;
    }
    if (!chose && word.find("NOREBOOT") != std::string::npos) state.NoReboot = true;
  }
}

namespace {

std::string HklmText(Program& program, std::string_view key, const std::string& value) {
  return QueryValue(program.registry(), std::string(key), value, kHkeyLocalMachine).AsText();
}

void OfferVariant(Program& program, size_t index) {
  Control& box = program.UnInstall().Check1(static_cast<int>(index));
  box.SetTag(std::string(kVariants[index].tag));
  box.SetEnabled(true);
  box.SetValue(0);
}

void DetectVariants(Program& program) {
  ProgramState& s = program.state;
  if (!IsBlank(HklmText(program, DefaultsKey(kVariants[kMsWord]), "Source Directory"))) {
    s.Installed[kMsWord] = true;
    if (!IsBlank(HklmText(program, kWord97InstallRoot, "Path")) && !s.CommandLineMode) {
      OfferVariant(program, kMsWord);
    }
    if (!IsBlank(HklmText(program, kWord2000InstallRoot, "Path"))) s.Word2000Found = true;
  }
  for (size_t v = kWpWin7; v <= kWpWin9; ++v) {
    if (IsBlank(HklmText(program, DefaultsKey(kVariants[v]), "Source Directory"))) continue;
    if (!s.CommandLineMode) OfferVariant(program, v);
    s.Installed[v] = true;
  }
}

}  // namespace

void Main(Program& program, const std::string& command_line) {
  ProgramState& s = program.state;
  s.DetailMessagesLast = -1;
  s.Chosen = {};

  if (program.system().AnotherInstanceRunning()) {
    (void)program.ui().MessageBox("You cannot start more than one copy", kMbOk, "VRXUnInst");
    return;
  }
  std::vector<std::string> words = SplitCommandLine(command_line);

  switch (GetPlatform(program.system())) {
    case kPlatformWin9x:
      s.IsWin9x = true;
      s.IsWinNT = false;
      break;
    case kPlatformWinNT:
      s.IsWinNT = true;
      s.IsWin9x = false;
      break;
    default:
      return;
  }
  s.NeedsRestart = false;
  s.PendingDeleteCount = 0;
  // Without the system folder the program does not know where it stands, and schedules nothing
  // of itself.
  const std::string system_directory = GetDirectory(program.platform(), s, "WINSYS");
  s.SelfPath = system_directory.empty() ? "" : system_directory + "\\VRXUnInst.EXE";
  s.Installed = {};
  s.Word2000Found = false;
  s.CommandLineMode = false;
  ReadCommandLine(s, words);

  UnInstallForm& wizard = program.UnInstall();
  wizard.Load();
  if (s.CommandLineMode) {
    wizard.cmdNext().SetCaption(kFinishCaption);
  } else {
    for (int i = 0; i < 4; ++i) {
      wizard.Label1(i).SetCaption(std::string(kVariants[static_cast<size_t>(i)].label));
      wizard.Check1(i).SetEnabled(false);
    }
  }
  DetectVariants(program);

  if (s.CommandLineMode) {
    wizard.cmdNext_Click();
  } else {
    wizard.Show();
  }
}

}  // namespace vrx
