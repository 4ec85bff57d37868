#include "wizard/uninstall_run.h"

#include <string>

#include "helpers/directory_tokens.h"
#include "helpers/registry_tools.h"
#include "manifest/file_manifest.h"
#include "progress/processing_form.h"
#include "removal/deferred_deletion.h"
#include "removal/remove_variant.h"
#include "state/program.h"
#include "state/variants.h"
#include "wizard/shared_cleanup.h"
#include "wizard/uninstall_form.h"

namespace vrx {
namespace {

// Takes the choice from the ticked boxes; returns the progress maximum.
int ChooseFromWizard(UnInstallForm& wizard, ProgramState& s) {
  wizard.cmdBack().SetVisible(false);
  wizard.cmdBack().SetEnabled(false);
  wizard.cmdNext().SetEnabled(false);
  wizard.cmdNext().SetVisible(false);
  int maximum = 0;
  for (int i = 0; i < 4; ++i) {
    const std::string& tag = wizard.Check1(i).Tag();
    for (size_t v = 0; v < kVariants.size(); ++v) {
      if (tag != kVariants[v].tag) continue;
      if (wizard.Check1(i).Value() != 0) {
        s.Chosen[v] = true;
        maximum += 100;
      }
      break;
    }
  }
  return maximum;
}

bool EveryInstalledChosen(const ProgramState& s) {
  for (size_t v = 0; v < kVariantCount; ++v) {
    if (s.CountsAsInstalled(v) && !s.Chosen[v]) return false;
  }
  return true;
}

// Loads the variant's five directories from its Defaults key.
void LoadVariantDirectories(Program& program, const std::string& defaults_key) {
  ProgramState& s = program.state;
  auto read = [&](std::string_view value) {
    return QueryValue(program.registry(), defaults_key, std::string(value), kHkeyLocalMachine)
        .AsText();
  };
  s.VariantSourceDir = read("Source Directory");
  s.VariantSigDir = read("Sig File Directory");
  s.VariantDataDir = read(kDataDirectoryValue);
  s.VariantHelpDir = read("Help Files Directory");
  s.VariantStampDir = read("Stamp Directory");
}

void Build(Program& program, const std::string& code) {
  BuildManifest(program.manifest, code, [&](const std::string& token) {
    return GetDirectory(program.platform(), program.state, token);
  });
}

void ShowStatus(ProcessingForm& processing, const std::string& text) {
  processing.lblMsg().SetCaption(text);
  processing.Refresh();
}

void FillBar(ProcessingForm& processing) {
  (void)processing.ProgressBar1().SetProgressValue(300);
  (void)processing.ProgressBar1().SetMax(300);
}

}  // namespace

void RunUninstall(Program& program) {
  ProgramState& s = program.state;
  UnInstallForm& wizard = program.UnInstall();
  ProcessingForm& processing = program.Processing();

  wizard.Hide();
  int maximum = 0;
  if (s.CommandLineMode) {
    for (bool chosen : s.Chosen) {
      if (chosen) maximum += 100;
    }
  } else {
    maximum = ChooseFromWizard(wizard, s);
  }
  s.ChosenAll = false;
  if (EveryInstalledChosen(s)) s.ChosenAll = true;
  wizard.nStartProgress = 1;

  processing.Load();
  (void)processing.ProgressBar1().SetMax(static_cast<float>(maximum));
  processing.Show();

  if (s.Chosen[kMsWord]) {
    const std::string code(kVariants[kMsWord].code);
    LoadVariantDirectories(program, DefaultsKey(kVariants[kMsWord]));
    Build(program, code);
    ShowStatus(processing, "Removing Docseal from Microsoft Word\xAE.....");
    RemoveVariant(program, code);
  }
  // Every WordPerfect variant's folders are read, chosen or not.
  for (size_t v = kWpWin7; v <= kWpWin9; ++v) {
    const std::string code(kVariants[v].code);
    LoadVariantDirectories(program, DefaultsKey(kVariants[v]));
    if (!s.Chosen[v]) continue;
    ShowStatus(processing, "Removing Docseal from WordPerfect\xAE " + code.substr(5) + ".....");
    Build(program, code);
    RemoveVariant(program, code);
  }

  DeleteAddInTree(program);
  RemoveAddInFont(program);
  AdvanceProgress(program, 100);
  RemoveStartMenuEntries(program);
  AdvanceProgress(program, 100);
  ScheduleSelfRemoval(program);
  AdvanceProgress(program, 100);
  RemoveUninstallEntries(program);

  FillBar(processing);
  processing.cmdExit().SetVisible(true);
  processing.lblMsg().SetCaption("Uninstall complete.");
  wizard.Unload();
  if (s.HasDetails || s.NeedsRestart) processing.cmdDetails().SetVisible(true);
  UpdateWininit(program);
  program.files().CloseAll();
  FillBar(processing);
  if (s.NoReboot) processing.Unload();
}

}  // namespace vrx
