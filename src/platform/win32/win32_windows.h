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
