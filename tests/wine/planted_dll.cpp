// A DLL that an attacker would plant under the name of a system DLL (tests/wine/run-deploy.sh
// copies it as shcore.dll into the current folder, a PATH folder and beside a copy of the
// program). Loaded into a process, it appends a line to C:\planted.txt, the process's program
// and the path the DLL was loaded from, and does nothing else.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID /*reserved*/) {
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  char line[2 * MAX_PATH + 3];
  DWORD length = GetModuleFileNameA(nullptr, line, MAX_PATH);
  line[length++] = ' ';
  length += GetModuleFileNameA(instance, line + length, MAX_PATH);
  line[length++] = '\r';
  line[length++] = '\n';
  HANDLE file = CreateFileA("C:\\planted.txt", FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file != INVALID_HANDLE_VALUE) {
    DWORD written = 0;
    WriteFile(file, line, length, &written, nullptr);
    CloseHandle(file);
  }
  return TRUE;
}
