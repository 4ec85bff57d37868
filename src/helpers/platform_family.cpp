#include "helpers/platform_family.h"

namespace vrx {

int GetPlatform(System& system) {
  OsVersionInfo info{};
  info.dwOSVersionInfoSize = sizeof(OsVersionInfo);
  if (!system.GetVersionEx(&info)) info = OsVersionInfo{};
  switch (info.dwPlatformId) {
    case 0:
    case 1:
    case 2:
      return static_cast<int>(info.dwPlatformId);
    default:
      return kPlatformWin32s;
  }
}

}  // namespace vrx
