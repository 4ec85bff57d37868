// Holds files open, as another program would, so that deleting them fails.
//
//   file_locker.exe --ready READY_FILE --stop STOP_FILE PATH...
//
// Opens every PATH for reading with no sharing but reading, writes READY_FILE once they are all
// held, and lets them go when STOP_FILE appears (or when it is killed).
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv) {
  std::string ready, stop;
  std::vector<HANDLE> held;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--ready" && i + 1 < argc) {
      ready = argv[++i];
    } else if (arg == "--stop" && i + 1 < argc) {
      stop = argv[++i];
    } else {
      HANDLE h = CreateFileA(arg.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
      if (h == INVALID_HANDLE_VALUE) {
        std::fprintf(stderr, "file_locker: cannot open %s (error %lu)\n", arg.c_str(),
                     GetLastError());
        return 1;
      }
      held.push_back(h);
    }
  }
  if (!ready.empty()) {
    HANDLE r = CreateFileA(ready.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (r != INVALID_HANDLE_VALUE) CloseHandle(r);
  }
  while (stop.empty() || GetFileAttributesA(stop.c_str()) == INVALID_FILE_ATTRIBUTES) Sleep(100);
  for (HANDLE h : held) CloseHandle(h);
  return 0;
}
