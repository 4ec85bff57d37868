// Drives the program's windows as a user would, for the tests under Wine.
//
//   ui_driver.exe wait CAPTION [SECONDS]     waits for a visible top-level window with the caption
//   ui_driver.exe gone CAPTION [SECONDS]     waits until no such window is left
//   ui_driver.exe dump CAPTION [SECONDS]     prints the window's client and outer size and its
//                                            controls (id, place, state, focus, items)
//   ui_driver.exe click CAPTION TEXT [SECONDS]   clicks the button or check box with that text
//   ui_driver.exe click-id CAPTION ID [SECONDS]  clicks the control with that id (check boxes
//                                            have no text of their own)
//   ui_driver.exe answer TITLE yes|no|ok [SECONDS]  presses a button of the message box with
//                                            that title
//   ui_driver.exe text TITLE [SECONDS]       prints the text of the message box with that title
//   ui_driver.exe run PROGRAM [WORDS...]     starts the program with the words (joined by blanks)
//                                            as a deployment tool does, waits for it to end and
//                                            prints "exit N" with its whole exit code
//   ui_driver.exe shown-by EXE               prints a line for each visible top-level window of
//                                            the processes whose program is named EXE
//                                            (VRXUnInst.EXE); none when it shows no window
//
// SECONDS is how long to wait for the window (gone: for it to go); without it every verb takes
// one look and answers at once, so that a window that is not there costs no wait and a loop that
// polls for several windows goes round at once. A caller that expects a window to come gives the
// seconds it may take. Exit status 0 on success, 1 when the window or control is not found in
// time (gone: when the window is still there; shown-by: 0 always).
// clang-format off
#include <windows.h>
#include <commctrl.h>
#include <tlhelp32.h>
// clang-format on

#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>

#include "window_query.h"

namespace {

using vrx::wine_tools::FindTopWindow;

struct ChildSearch {
  const char* text;
  HWND found;
};

BOOL CALLBACK FindChild(HWND child, LPARAM param) {
  auto* search = reinterpret_cast<ChildSearch*>(param);
  char text[512] = {};
  GetWindowTextA(child, text, sizeof text);
  if (std::string(text) == search->text) {
    search->found = child;
    return FALSE;
  }
  return TRUE;
}

BOOL CALLBACK DumpChild(HWND child, LPARAM focus) {
  char text[1024] = {};
  char cls[64] = {};
  GetWindowTextA(child, text, sizeof text);
  GetClassNameA(child, cls, sizeof cls);
  RECT r;
  GetWindowRect(child, &r);
  MapWindowPoints(HWND_DESKTOP, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
  std::printf("%s \"%s\" id %d at %ld,%ld size %ldx%ld%s%s", cls, text, GetDlgCtrlID(child), r.left,
              r.top, r.right - r.left, r.bottom - r.top,
              IsWindowVisible(child) ? " visible" : " hidden",
              IsWindowEnabled(child) ? " enabled" : " disabled");
  std::string kind = cls;
  if (kind == "Button") {
    LONG style = GetWindowLongA(child, GWL_STYLE) & 0xF;
    if (style == BS_CHECKBOX || style == BS_AUTOCHECKBOX) {
      std::printf(" checked=%ld", static_cast<long>(SendMessageA(child, BM_GETCHECK, 0, 0)));
    }
    if (reinterpret_cast<HWND>(focus) == child) std::printf(" focused");
  } else if (kind == "ListBox") {
    LRESULT count = SendMessageA(child, LB_GETCOUNT, 0, 0);
    std::printf(" items=%ld", static_cast<long>(count));
    for (const std::string& item : vrx::wine_tools::ListItems(child)) {
      std::printf("\n  item \"%s\"", item.c_str());
    }
  } else if (kind == "msctls_progress32") {
    std::printf(" position=%ld max=%ld", static_cast<long>(SendMessageA(child, PBM_GETPOS, 0, 0)),
                static_cast<long>(SendMessageA(child, PBM_GETRANGE, FALSE, 0)));
  }
  std::printf("\n");
  return TRUE;
}

// The ids of the running processes whose program has the name, without regard to case.
std::set<DWORD> ProcessesNamed(const char* name) {
  std::set<DWORD> ids;
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return ids;
  PROCESSENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
    if (lstrcmpiA(entry.szExeFile, name) == 0) ids.insert(entry.th32ProcessID);
  }
  CloseHandle(snapshot);
  return ids;
}

struct ShownBy {
  std::set<DWORD> processes;
};

BOOL CALLBACK PrintShown(HWND window, LPARAM param) {
  const auto* shown = reinterpret_cast<const ShownBy*>(param);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (!IsWindowVisible(window) || shown->processes.count(process) == 0) return TRUE;
  char text[512] = {};
  char cls[64] = {};
  GetWindowTextA(window, text, sizeof text);
  GetClassNameA(window, cls, sizeof cls);
  std::printf("%s \"%s\"\n", cls, text);
  return TRUE;
}

int Usage() {
  std::fprintf(stderr, "usage: ui_driver.exe wait|gone|dump|click|answer|text|shown-by ...\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return Usage();
  std::string verb = argv[1];
  const char* caption = argv[2];
  if (verb == "run") {
    std::string command_line;
    for (int i = 2; i < argc; ++i) {
      if (i > 2) command_line += ' ';
      command_line += argv[i];
    }
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (!CreateProcessA(nullptr, command_line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &started)) {
      std::fprintf(stderr, "ui_driver: cannot start %s\n", command_line.c_str());
      return 1;
    }
    WaitForSingleObject(started.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(started.hProcess, &code);
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
    std::printf("exit %lu\n", static_cast<unsigned long>(code));
    std::fflush(stdout);
    return 0;
  }
  if (verb == "shown-by") {
    ShownBy shown{ProcessesNamed(argv[2])};
    EnumWindows(PrintShown, reinterpret_cast<LPARAM>(&shown));
    return 0;
  }
  // Where a verb's optional SECONDS stands; without it, one look.
  const bool caption_only = verb == "wait" || verb == "gone" || verb == "dump" || verb == "text";
  const int seconds_at = caption_only ? 3 : 4;
  const double seconds = argc > seconds_at ? std::atof(argv[seconds_at]) : 0;
  if (verb == "gone") {
    for (int waited = 0; waited <= seconds * 1000; waited += 100) {
      if (FindTopWindow(caption, false, 0) == nullptr) return 0;
      Sleep(100);
    }
    std::fprintf(stderr, "ui_driver: \"%s\" is still there\n", caption);
    return 1;
  }
  bool dialog = verb == "answer" || verb == "text";
  HWND window = FindTopWindow(caption, dialog, seconds);
  if (window == nullptr) {
    std::fprintf(stderr, "ui_driver: no window \"%s\"\n", caption);
    return 1;
  }
  if (verb == "wait") return 0;
  if (verb == "dump") {
    RECT client;
    GetClientRect(window, &client);
    RECT outer;
    GetWindowRect(window, &outer);
    HDC screen = GetDC(nullptr);
    std::printf("window \"%s\" client %ldx%ld outer %ldx%ld dpi %d\n", caption, client.right,
                client.bottom, outer.right - outer.left, outer.bottom - outer.top,
                GetDeviceCaps(screen, LOGPIXELSY));
    ReleaseDC(nullptr, screen);
    // The focus belongs to the program's thread, not to this one.
    GUITHREADINFO thread{};
    thread.cbSize = sizeof thread;
    GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &thread);
    EnumChildWindows(window, DumpChild, reinterpret_cast<LPARAM>(thread.hwndFocus));
    return 0;
  }
  if (verb == "text") {
    char text[2048] = {};
    GetDlgItemTextA(window, 0xFFFF, text, sizeof text);
    std::printf("%s\n", text);
    return 0;
  }
  if (argc < 4) return Usage();
  if (verb == "answer") {
    std::string reply = argv[3];
    int id = reply == "yes" ? IDYES : reply == "no" ? IDNO : IDOK;
    HWND button = GetDlgItem(window, id);
    if (button == nullptr) return 1;
    PostMessageA(button, BM_CLICK, 0, 0);
    return 0;
  }
  if (verb == "click" || verb == "click-id") {
    ChildSearch search{argv[3], nullptr};
    if (verb == "click-id") {
      search.found = GetDlgItem(window, std::atoi(argv[3]));
    } else {
      EnumChildWindows(window, FindChild, reinterpret_cast<LPARAM>(&search));
    }
    if (search.found == nullptr) {
      std::fprintf(stderr, "ui_driver: no control \"%s\" in \"%s\"\n", argv[3], caption);
      return 1;
    }
    if (!IsWindowEnabled(search.found) || !IsWindowVisible(search.found)) {
      std::fprintf(stderr, "ui_driver: \"%s\" cannot be clicked\n", argv[3]);
      return 1;
    }
    PostMessageA(search.found, BM_CLICK, 0, 0);
    return 0;
  }
  return Usage();
}
