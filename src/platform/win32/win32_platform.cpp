#include "platform/win32/win32_platform.h"

namespace vrx::win32 {

// system_ is declared before files_, so it can be asked for the platform id here.
Win32Platform::Win32Platform(Ui* ui) : ui_(ui), files_(system_.PlatformId()) {}

Platform Win32Platform::platform() {
  Platform p;
  p.registry = &registry_;
  p.system = &system_;
  p.files = &files_;
  p.processes = &processes_;
  p.automation = &automation_;
  p.ui = ui_;
  p.clock = &clock_;
  return p;
}

}  // namespace vrx::win32
