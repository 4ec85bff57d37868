// Restarting Windows.
#pragma once

namespace vrx {

class Program;

// Asks Windows to restart; on Windows NT only once the shutdown privilege is enabled.
void RestartWindows(Program& program);

}  // namespace vrx
