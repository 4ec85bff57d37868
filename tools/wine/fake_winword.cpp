// Stands in for Microsoft Word in the Wine tests: an automation server that offers the members of
// Word's object model that the uninstaller drives, with the effects it relies on, and that is as
// awkward to reach as Word itself:
//
// - it has a main window of class OpusApp, shown as the starting program asks (hidden for
//   style 0), and takes the foreground as it comes up, hidden or not;
// - it registers its Application object in the running object table only once that window has
//   lost the activation (as Office programs do), unless register_at_once=1;
// - it rejects every call with RPC_E_SERVERCALL_RETRYLATER while it is busy: for busy_ms after
//   its start (loading), and for busy_ms after a Quit whose save prompt its user then cancels;
// - its CommandBars property takes no argument (DISP_E_BADPARAMCOUNT): a bar is CommandBars.Item.
//
//   winword.exe [ANYTHING]     (installed under that name; the command line is only recorded)
//
// At start it reads fake_winword.ini beside itself, one key=value a line:
//   version=97|2000          which Word it is (Application.Version answers 8.0 or 9.0)
//   document_delay_ms=800    when its document opens; until then ActiveDocument fails
//   never_document=0|1       1: no document ever opens
//   refuse_quit=N            Quit without SaveChanges is ignored N times: its user cancels the
//                            save prompt
//   register_at_once=0|1     1: registers at start, without waiting to lose the activation
//   never_register=0|1       1: never registers, as a Word of another user or session looks to
//                            the uninstaller: a main window, no object
//   busy_ms=500              how long it is busy while loading and while its save prompt is up
//   template=PATH            its Normal template (default normal.ini beside it)
//   log=PATH                 where each call is recorded (default fake_winword.log beside it)
// It registers for the class that HKCR\Word.Application\CLSID names, serves calls from its
// message loop, and ends on a Quit that is not refused (its registration is revoked before that
// Quit returns).
//
// The Normal template file holds the lines
//   menubar=File|Edit|...|Docseal|Help
//   filemenu=New...|Open...|Docseal|View Docseal Manual|Exit
//   keys=592:DocsealPrint|891:FilePrint:2        (CODE:COMMAND[:CATEGORY])
// and any other lines, which are kept as they are. It is read at start and written back only by
// NormalTemplate.Save.
//
// Every call is one line of the log, "Object.Member(arguments) -> result", so that a test can check
// what was asked and in which order; the lines "tick at start N" and "tick at exit N" give the
// system's millisecond clock, to order several Words; "tick at registered N" and "tick at document
// name N" (the first Document.Name answered) time its start, and each rejected call is a line
// "busy: NAME rejected". The fake is stricter than Word about the
// types of the arguments the uninstaller is meant to pass (16-bit integers, a Boolean, texts) and
// refuses others with DISP_E_TYPEMISMATCH.
#include <string>

#include "fake_word_objects.h"
#include "fake_word_state.h"
#include "platform/win32/win32_com.h"
#include "platform/win32/win32_windows.h"

namespace {

using fake_word::g_word;
using fake_word::Log;
using fake_word::Tick;
using vrx::win32::ComApartment;
using vrx::win32::ComPtr;

void CALLBACK OpenDocument(HWND, UINT, UINT_PTR timer, DWORD) {
  ::KillTimer(nullptr, timer);
  g_word.has_document = true;
  Log("document Document1 opened");
}

// The CLSID registered for Word.Application, as a client finds it.
bool WordClass(CLSID* class_id) {
  return SUCCEEDED(::CLSIDFromProgID(L"Word.Application", class_id));
}

// What the registration needs, once the time for it has come.
IDispatch* g_application = nullptr;
CLSID g_class_id{};

void Register(const char* why) {
  if (g_word.registration != 0 || g_word.ending || g_word.settings.never_register) return;
  HRESULT registered =
      ::RegisterActiveObject(g_application, g_class_id, ACTIVEOBJECT_STRONG, &g_word.registration);
  if (FAILED(registered)) {
    Log("RegisterActiveObject failed");
    return;
  }
  Log("registered");
  Log("tick at registered " + Tick() + " (" + why + ")");
}

LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_ACTIVATE) {
    if (LOWORD(wparam) == WA_INACTIVE) {
      Log("window lost the activation");
      Register("after losing the activation");
    } else {
      Log("window activated");
    }
  }
  return ::DefWindowProcA(window, message, wparam, lparam);
}

// Word's main window: class OpusApp, shown as the starting program asked.
HWND CreateMainWindow(HINSTANCE instance, int show) {
  WNDCLASSA window_class{};
  window_class.lpfnWndProc = &WindowProcedure;
  window_class.hInstance = instance;
  window_class.lpszClassName = "OpusApp";
  window_class.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  if (::RegisterClassA(&window_class) == 0) return nullptr;
  HWND window =
      ::CreateWindowExA(0, "OpusApp", "Microsoft Word", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                        CW_USEDEFAULT, 400, 300, nullptr, nullptr, instance, nullptr);
  if (window == nullptr) return nullptr;
  ::ShowWindow(window, show);
  // Coming up, Word takes the foreground, whether its window shows or not.
  ::SetForegroundWindow(window);
  ::SetActiveWindow(window);
  Log(std::string("foreground ") + (::GetForegroundWindow() == window ? "taken" : "not taken"));
  return window;
}
}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
  const std::string directory = fake_word::ProgramDirectory();
  g_word.settings = fake_word::ReadSettings(directory);
  fake_word::SetLogPath(g_word.settings.log_path);
  Log("start " + std::string(::GetCommandLineA()));
  Log("tick at start " + Tick());
  Log("version " + std::to_string(g_word.settings.version));
  g_word.normal.Load(g_word.settings.template_path);
  g_word.busy_until = ::GetTickCount64() + static_cast<ULONGLONG>(g_word.settings.busy_ms);

  ComApartment apartment;
  if (FAILED(apartment.result())) {
    Log("no COM apartment");
    return 1;
  }
  if (!WordClass(&g_class_id)) {
    Log("Word.Application is not registered");
    return 1;
  }
  ComPtr<IDispatch> application(fake_word::NewApplication());
  g_application = application.get();

  g_word.window = CreateMainWindow(instance, show);
  Log(g_word.window == nullptr
          ? "no window"
          : std::string("window ") + (::IsWindowVisible(g_word.window) ? "shown" : "hidden"));
  if (g_word.settings.register_at_once) Register("at once");

  if (!g_word.settings.never_document) {
    if (g_word.settings.document_delay_ms <= 0) {
      OpenDocument(nullptr, 0, 0, 0);
    } else {
      ::SetTimer(nullptr, 0, static_cast<UINT>(g_word.settings.document_delay_ms), &OpenDocument);
    }
  }

  MSG message;
  while (::GetMessageA(&message, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&message);
    ::DispatchMessageA(&message);
  }
  fake_word::RevokeRegistration();
  g_word.ending = true;
  if (g_word.window != nullptr) ::DestroyWindow(g_word.window);
  ::CoDisconnectObject(application.get(), 0);
  g_application = nullptr;
  application.reset();
  Log("tick at exit " + Tick());
  Log("exit");
  return 0;
}
