// Stands in for WordPerfect in the Wine tests: records how it was started and ends.
//
//   WPWin.exe / WPWin8.exe / WPWin9.exe ANYTHING    (installed under the program file's name)
//
// Appends its command line, exactly as GetCommandLineA gives it, as one line to fake_wpwin.log
// beside itself. Exit status 0 when the line was written, 1 otherwise.
#include <string>

#include "platform/win32/win32_handles.h"
#include "platform/win32/win32_windows.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  char path[MAX_PATH] = {};
  DWORD length = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string log(path, length);
  size_t slash = log.find_last_of('\\');
  log = (slash == std::string::npos ? std::string(".") : log.substr(0, slash)) + "\\fake_wpwin.log";

  vrx::win32::UniqueFile file(::CreateFileA(log.c_str(), FILE_APPEND_DATA,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return 1;
  std::string line = std::string(::GetCommandLineA()) + "\r\n";
  DWORD written = 0;
  bool ok =
      ::WriteFile(file.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr) &&
      written == line.size();
  return ok ? 0 : 1;
}
