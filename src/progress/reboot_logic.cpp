#include "progress/reboot_logic.h"

#include "state/program.h"

namespace vrx {

void RestartWindows(Program& program) {
  System& system = program.system();
  if (program.state.IsWinNT && system.EnableShutdownPrivilege() != kOk) return;
  (void)system.ExitWindowsEx(kEwxShutdown | kEwxReboot, 0xFFFFFFFFu);
}

}  // namespace vrx
