#include <string>
#include <vector>

#include "helpers/directory_tokens.h"
#include "helpers/platform_family.h"
#include "helpers/registry_tools.h"
#include "platform/windows_names.h"
#include "startup/program.h"
#include "startup/variants.h"
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
  for (const std::string& word : words) {
    if (word.find("WPWIN7") != std::string::npos) {
      state.ChosenWpWin7 = true;
      state.CommandLineMode = true;
    } else if (word.find("WPWIN8") != std::string::npos) {
      state.ChosenWpWin8 = true;
      state.CommandLineMode = true;
    } else if (word.find("WPWIN9") != std::string::npos) {
      state.ChosenWpWin9 = true;
      state.CommandLineMode = true;
    } else if (word.find("MSWORD") != std::string::npos) {
      state.ChosenMsWord = true;
      state.CommandLineMode = true;
    } else if (word.find("NOREBOOT") != std::string::npos) {
      state.NoReboot = true;
    }
  }
}

namespace {

std::string HklmText(Program& program, std::string_view key, const std::string& value) {
  return QueryValue(program.registry(), std::string(key), value, kHkeyLocalMachine).AsText();
}

void OfferVariant(Program& program, int index) {
  Control& box = program.UnInstall().Check1(index);
  box.SetTag(std::string(kVariants[static_cast<size_t>(index)].tag));
  box.SetEnabled(true);
  box.SetValue(0);
}

void DetectVariants(Program& program) {
  ProgramState& s = program.state;
  if (!IsBlank(HklmText(program, "Software\\Docseal4\\MSWord\\Defaults", "Source Directory"))) {
    s.InstalledMsWord = true;
    if (!IsBlank(HklmText(program, kWord97InstallRoot, "Path")) && !s.CommandLineMode) {
      OfferVariant(program, 0);
    }
    if (!IsBlank(HklmText(program, kWord2000InstallRoot, "Path"))) s.Word2000Found = true;
  }
  bool* installed[] = {&s.InstalledWpWin7, &s.InstalledWpWin8, &s.InstalledWpWin9};
  for (int n = 7; n <= 9; ++n) {
    std::string key = "Software\\Docseal4\\WPWIN" + std::to_string(n) + "\\Defaults";
    if (IsBlank(HklmText(program, key, "Source Directory"))) continue;
    if (!s.CommandLineMode) OfferVariant(program, n - 6);
    *installed[n - 7] = true;
  }
}

}  // namespace

void Main(Program& program, const std::string& command_line) {
  ProgramState& s = program.state;
  s.DetailMessagesLast = -1;
  s.ChosenMsWord = s.ChosenWpWin7 = s.ChosenWpWin8 = s.ChosenWpWin9 = false;

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
  s.SelfPath = GetDirectory(program.platform(), s, "WINSYS") + "\\VRXUnInst.EXE";
  s.InstalledMsWord = s.Word2000Found = false;
  s.InstalledWpWin7 = s.InstalledWpWin8 = s.InstalledWpWin9 = false;
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
