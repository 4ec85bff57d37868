// Starting programs and bringing their windows to the front (kernel32, user32).
#pragma once

#include <map>
#include <string>

#include "platform/platform.h"
#include "platform/win32/win32_handles.h"

namespace vrx::win32 {

class Win32Processes : public Processes {
 public:
  // CreateProcessA with the command line alone (no application name) and STARTUPINFOA asking for
  // the window style; the task is the process id. The program is never waited for; its process
  // handle is kept, so that the id keeps naming that process for EndTask. On failure the
  // GetLastError code (never 0).
  [[nodiscard]] Status Start(const std::string& command_line, int window_style,
                             TaskId* task) override;
  // SetForegroundWindow on the first visible top-level window of the task's process, as
  // EnumWindows finds it; nothing when it has none.
  void ActivateTask(TaskId task) override;
  // TerminateProcess through the handle kept since the start: never a process this program did
  // not start, even one that took over a finished task's id.
  [[nodiscard]] Status EndTask(TaskId task) override;

 private:
  std::map<TaskId, UniqueHandle> started_;
};

}  // namespace vrx::win32
