#include "progress/reboot_logic.h"

#include "startup/program.h"

namespace vrx {

void RestartWindows(Program& program) {
  if (program.state.IsWinNT && !EnableShutdownPrivilege(program)) return;
  (void)program.system().ExitWindowsEx(kEwxShutdown | kEwxReboot, 0xFFFFFFFFu);
}

bool EnableShutdownPrivilege(Program& program) {
  System& system = program.system();
  Handle token = 0;
  if (!system.OpenProcessToken(system.GetCurrentProcess(), kTokenAdjustPrivileges | kTokenQuery,
                               &token)) {
    return false;
  }
  TokenPrivileges request;
  bool enabled = false;
  if (system.LookupPrivilegeValue("", "SeShutdownPrivilege", &request.PrivilegeLuid)) {
    request.PrivilegeCount = 1;
    request.Attributes = kSePrivilegeEnabled;
    TokenPrivileges previous;
    uint32_t previous_length = 0;
    enabled = system.AdjustTokenPrivileges(token, false, &request, sizeof request, &previous,
                                           &previous_length);
  }
  (void)system.CloseHandle(token);
  return enabled;
}

}  // namespace vrx
