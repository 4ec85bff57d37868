#include "platform/win32/win32_platform.h"

namespace vrx::win32 {

// system_ is declared before files_, so it can be asked for the platform id here.
Win32Platform::Win32Platform(Ui* ui) : ui_(ui), files_(system_.PlatformId()) {}

Platform Win32Platform::platform() {
  return {&registry_, &system_, &files_, &processes_, &automation_, ui_, &clock_};
}

}  // namespace vrx::win32
