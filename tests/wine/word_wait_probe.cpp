// Starts one Word copy and cleans it as the uninstaller does, on the real Windows API, with the
// focus call or the repaint call on BlankFrm in the wait for its document; prints what came of it.
// tests/wine/word-scenarios.sh runs it against the stand-in Word to show that only the focus call
// lets a Word started hidden be found within the pauses.
//
//   word_wait_probe.exe focus|repaint DIRECTORY 97|2000
//
// Prints "seconds N" (the time the clean-up took), then one line "detail TEXT" for each detail
// line it added. Exit status 0, or 2 for bad usage.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/win32/win32_platform.h"
#include "platform/win32/win32_ui.h"
#include "platform/win32/win32_windows.h"
#include "progress/processing_form.h"
#include "removal/word_cleanup.h"
#include "state/program.h"
#include "wizard/uninstall_form.h"

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: word_wait_probe focus|repaint DIRECTORY 97|2000\n");
    return 2;
  }
  const std::string call = argv[1];
  if (call != "focus" && call != "repaint") return 2;
  vrx::win32::Win32Ui ui;
  vrx::win32::Win32Platform backend(&ui);
  vrx::Program program(backend.platform());
  program.Processing().Show();
  (void)program.Processing().ProgressBar1().SetMax(1000);
  program.UnInstall().nStartProgress = 1;

  const DWORD start = GetTickCount();
  (void)vrx::CleanWordCopy(
      program, argv[2], std::atoi(argv[3]),
      call == "focus" ? vrx::BlankFormCall::kFocus : vrx::BlankFormCall::kRepaint);
  std::printf("seconds %lu\n", static_cast<unsigned long>((GetTickCount() - start) / 1000));
  for (int i = 0; i <= program.state.DetailMessagesLast; ++i) {
    std::printf("detail %s\n", program.state.DetailMessages[static_cast<size_t>(i)].c_str());
  }
  program.Processing().Unload();
  return 0;
}
