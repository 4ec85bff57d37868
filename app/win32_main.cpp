// VRXUnInst.exe: the uninstaller on the real Windows API.
//
// Its exit code is 0, as for any program, unless /QUIET is on the command line; then it says
// what happened (deploy/deployment.h). /SNAPSHOT= and /WHATIF change nothing on the machine
// (preview/preview_run.h).
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "deploy/deployment.h"
#include "deploy/win32/win32_log_file.h"
#include "platform/win32/win32_platform.h"
#include "platform/win32/win32_ui.h"
#include "platform/win32/win32_windows.h"
#include "preview/preview_run.h"
#include "preview/win32/win32_preview_files.h"
#include "state/program.h"
#include "win32_command_line.h"

int WINAPI WinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, LPSTR /*command_line*/,
                   int /*show*/) {
  const std::string command_line = vrx::ArgumentsOf(GetCommandLineA());
  vrx::CommandWords words = vrx::ReadCommandWords(command_line);
  std::unique_ptr<vrx::win32::Win32LogFile> log;
  if (words.log_path) {
    vrx::Status status = vrx::kOk;
    log = vrx::win32::Win32LogFile::Create(*words.log_path, &status);
  }
  vrx::win32::Win32Ui ui;
  vrx::win32::Win32Platform backend(&ui);
  if (words.snapshot_dir || words.what_if) {
    vrx::win32::Win32LiveFiles live_files;
    if (words.snapshot_dir) {
      vrx::win32::Win32ImageFolder out;
      return vrx::preview::RunSnapshot(backend.platform(), &live_files, &out, words, log.get());
    }
    return vrx::preview::RunWhatIf(
        backend.platform(), &live_files, &ui, words, log.get(), command_line,
        vrx::win32::LocalTimeText(),
        [](const std::vector<vrx::Form*>&, const std::function<bool()>& more) {
          MSG message;
          while (more()) {
            if (GetMessageA(&message, nullptr, 0, 0) <= 0) break;
            vrx::win32::Win32Ui::Dispatch(message);
          }
        });
  }
  vrx::Deployment deployment(backend.platform(), std::move(words), log.get());
  vrx::Program program(deployment.platform());
  deployment.Begin(program, command_line, vrx::win32::LocalTimeText());
  vrx::Main(program, deployment.words().program_words);
  deployment.FinishQuietly(program);
  // The program lives in its forms' handlers until the last form is unloaded. Every handler run
  // from a window posts a message when it returns, so the wait below ends then.
  MSG message;
  while (program.AnyFormLoaded()) {
    if (GetMessageA(&message, nullptr, 0, 0) <= 0) break;  // WM_QUIT, or no queue to read
    vrx::win32::Win32Ui::Dispatch(message);
  }
  return deployment.End(program);
}
