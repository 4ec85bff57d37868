#include "platform/win32/win32_processes.h"

#include <vector>

#include "platform/win32/win32_error.h"
#include "platform/win32/win32_handles.h"

namespace vrx::win32 {
namespace {

struct WindowSearch {
  DWORD process_id;
  HWND found;
};

BOOL CALLBACK FindTaskWindow(HWND window, LPARAM context) {
  auto* search = reinterpret_cast<WindowSearch*>(context);
  DWORD owner = 0;
  ::GetWindowThreadProcessId(window, &owner);
  if (owner != search->process_id || !::IsWindowVisible(window) ||
      ::GetWindow(window, GW_OWNER) != nullptr) {
    return TRUE;
  }
  search->found = window;
  return FALSE;
}

}  // namespace

Status Win32Processes::Start(const std::string& command_line, int window_style, TaskId* task) {
  std::vector<char> writable(command_line.begin(), command_line.end());
  writable.push_back('\0');
  STARTUPINFOA startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = static_cast<WORD>(window_style);
  PROCESS_INFORMATION started{};
  if (!::CreateProcessA(nullptr, writable.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &started)) {
    return LastErrorStatus();
  }
  UniqueHandle thread(started.hThread);
  started_[started.dwProcessId] = UniqueHandle(started.hProcess);
  *task = started.dwProcessId;
  return kOk;
}

Status Win32Processes::EndTask(TaskId task) {
  auto it = started_.find(task);
  if (it == started_.end()) return kErrorInvalidHandle;
  if (::WaitForSingleObject(it->second.get(), 0) == WAIT_OBJECT_0) return kOk;
  if (!::TerminateProcess(it->second.get(), 1)) return LastErrorStatus();
  // The task has ended once its handle is signalled; a few seconds at most.
  (void)::WaitForSingleObject(it->second.get(), 5000);
  return kOk;
}

void Win32Processes::ActivateTask(TaskId task) {
  WindowSearch search{task, nullptr};
  ::EnumWindows(&FindTaskWindow, reinterpret_cast<LPARAM>(&search));
  if (search.found) ::SetForegroundWindow(search.found);
}

}  // namespace vrx::win32
