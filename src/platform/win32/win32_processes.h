// Starting programs and bringing their windows to the front (kernel32, user32).
#pragma once

#include <string>

#include "platform/platform.h"

namespace vrx::win32 {

class Win32Processes : public Processes {
 public:
  // CreateProcessA with the command line alone (no application name) and STARTUPINFOA asking for
  // the window style; the task is the process id. The process and thread handles are closed at
  // once: the program is never waited for. On failure the GetLastError code (never 0).
  [[nodiscard]] Status Start(const std::string& command_line, int window_style,
                             TaskId* task) override;
  // SetForegroundWindow on the first visible top-level window of the task's process, as
  // EnumWindows finds it; nothing when it has none.
  void ActivateTask(TaskId task) override;
};

}  // namespace vrx::win32
