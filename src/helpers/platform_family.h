// The Windows platform family.
#pragma once

#include "platform/platform.h"

namespace vrx {

inline constexpr int kPlatformWin32s = 0;
inline constexpr int kPlatformWin9x = 1;
inline constexpr int kPlatformWinNT = 2;

// 1 on Windows 95/98, 2 on Windows NT, 0 for anything else or a failed query.
int GetPlatform(System& system);

}  // namespace vrx
