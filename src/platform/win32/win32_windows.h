// The one place the Windows headers come in. Every Win32 source includes this instead of
// <windows.h>: it trims the headers, keeps min/max out of the way and removes the A/W macros whose
// names clash with our interface methods (the code always calls the explicit ...A functions).
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif

#include <windows.h>

// Built for Windows 95 and NT 4.0 (WINVER 0x0400, CMakeLists.txt), the program does not compile
// with flags and messages of later systems. MinGW-w64's headers hide by WINVER and _WIN32_WINNT
// only what came with Vista or later and a few calls of 2000 and XP; newer functions are caught by
// tests/wine/import-audit.sh. These are the newer flags and messages of the kinds the program
// uses: window styles, system metrics and parameters, window messages, ancestors, library loads.
#if WINVER <= 0x0400
#undef WS_EX_LAYERED                        // 2000
#undef WS_EX_NOINHERITLAYOUT                // 2000
#undef WS_EX_LAYOUTRTL                      // 98, 2000
#undef WS_EX_COMPOSITED                     // XP
#undef WS_EX_NOACTIVATE                     // 2000
#undef SM_XVIRTUALSCREEN                    // 98, 2000
#undef SM_YVIRTUALSCREEN                    // 98, 2000
#undef SM_CXVIRTUALSCREEN                   // 98, 2000
#undef SM_CYVIRTUALSCREEN                   // 98, 2000
#undef SM_CMONITORS                         // 98, 2000
#undef SPI_GETFOREGROUNDLOCKTIMEOUT         // 98, 2000
#undef SPI_SETFOREGROUNDLOCKTIMEOUT         // 98, 2000
#undef WM_CHANGEUISTATE                     // 2000
#undef WM_UPDATEUISTATE                     // 2000
#undef WM_QUERYUISTATE                      // 2000
#undef GA_PARENT                            // 98, NT 4.0 SP4
#undef GA_ROOT                              // 98, NT 4.0 SP4
#undef GA_ROOTOWNER                         // 98, NT 4.0 SP4
#undef LOAD_LIBRARY_SEARCH_SYSTEM32         // 8 (7 with an update)
#undef LOAD_LIBRARY_SEARCH_DEFAULT_DIRS     // 8 (7 with an update)
#undef LOAD_LIBRARY_SEARCH_APPLICATION_DIR  // 8 (7 with an update)
#endif

#undef CopyFile
#undef CreateDirectory
#undef CreateFile
#undef CreateMutex
#undef CreateProcess
#undef CreateWindow
#undef DeleteFile
#undef DialogBox
#undef DrawText
#undef ExpandEnvironmentStrings
#undef FindFirstFile
#undef FindNextFile
#undef FindWindow
#undef GetClassName
#undef GetCommandLine
#undef GetCurrentDirectory
#undef GetEnvironmentVariable
#undef GetFileAttributes
#undef GetMessage
#undef GetModuleFileName
#undef GetObject
#undef GetFullPathName
#undef GetShortPathName
#undef GetSystemDirectory
#undef GetTempFileName
#undef GetTempPath
#undef GetUserName
#undef GetVersionEx
#undef GetWindowsDirectory
#undef GetWindowText
#undef LoadIcon
#undef LoadString
#undef LookupPrivilegeValue
#undef MessageBox
#undef MoveFile
#undef MoveFileEx
#undef PostMessage
#undef RegCreateKeyEx
#undef RegDeleteKey
#undef RegDeleteValue
#undef RegEnumKeyEx
#undef RegEnumValue
#undef RegOpenKeyEx
#undef RegQueryValueEx
#undef RegSetValueEx
#undef RemoveDirectory
#undef RemoveFontResource
#undef ReplaceFile
#undef SendMessage
#undef SetCurrentDirectory
#undef SetFileAttributes
#undef SetWindowText
#undef ExitWindows
