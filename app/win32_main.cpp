// VRXUnInst.exe: the uninstaller on the real Windows API.
#include <string>

#include "platform/win32/win32_platform.h"
#include "platform/win32/win32_ui.h"
#include "platform/win32/win32_windows.h"
#include "startup/program.h"
#include "win32_command_line.h"

int WINAPI WinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, LPSTR /*command_line*/,
                   int /*show*/) {
  const std::string command_line = vrx::ArgumentsOf(GetCommandLineA());
  vrx::win32::Win32Ui ui;
  vrx::win32::Win32Platform backend(&ui);
  vrx::Program program(backend.platform());
  vrx::Main(program, command_line);
  // The program lives in its forms' handlers until the last form is unloaded. Every handler run
  // from a window posts a message when it returns, so the wait below ends then.
  MSG message;
  while (program.AnyFormLoaded()) {
    if (GetMessageA(&message, nullptr, 0, 0) <= 0) break;  // WM_QUIT, or no queue to read
    vrx::win32::Win32Ui::Dispatch(message);
  }
  return 0;
}
