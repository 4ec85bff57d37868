// The common controls, as far as the program may use them: every Win32 source includes this
// instead of <commctrl.h>.
//
// The program is built for common controls 4.00, the version of Windows 95 and NT 4.0
// (_WIN32_IE 0x0200, CMakeLists.txt). MinGW-w64's commctrl.h hides by that macro only what came
// with version 6.0: the messages and styles of 4.70 to 5.80 compile whatever it says, and on
// Windows 95 a message its controls do not know does nothing. So, built for 4.00, this header
// takes those of the progress bar (the one common control the program has) away: using one does
// not compile.
#pragma once

#include "platform/win32/win32_windows.h"
// After the Windows headers.
#include <commctrl.h>

#if _WIN32_IE < 0x0300
#undef PBM_SETRANGE32   // 4.70: a 32-bit range
#undef PBM_GETRANGE     // 4.70
#undef PBM_GETPOS       // 4.70
#undef PBM_SETBARCOLOR  // 4.71
#undef PBM_SETBKCOLOR   // 4.71
#undef PBS_SMOOTH       // 4.70
#undef PBS_VERTICAL     // 4.70
#undef PBS_MARQUEE      // 6.0
#undef PBM_SETMARQUEE   // 6.0
#endif
