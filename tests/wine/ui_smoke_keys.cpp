// The forms on real windows, as the user works them: clicks, the close box and Esc, the focus and
// the default button, Tab into the details list, message boxes and the pump.
#include <string>

#include "platform/win32/win32_system.h"
#include "ui_smoke.h"

namespace vrx::win32::testing {
namespace {

bool IsDefault(HWND button) { return (StyleOf(button) & BS_TYPEMASK) == BS_DEFPUSHBUTTON; }

// ---------------------------------------------------------------------------------------------
// Clicks

TEST_F(FormsOnWindows, ABoxClickTogglesItsValueAndRunsTheHandler) {
  wizard.Show();
  wizard.Check1(2).SetEnabled(true);
  Click(wizard.Check1(2));
  EXPECT_EQ(wizard.Check1(2).Value(), 1);
  EXPECT_EQ(SendMessageA(Window(wizard.Check1(2)), BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_TRUE(IsWindowEnabled(Window(wizard.cmdNext())));
  Click(wizard.Check1(2));
  EXPECT_EQ(wizard.Check1(2).Value(), 0);
  EXPECT_FALSE(IsWindowEnabled(Window(wizard.cmdNext())));

  Click(wizard.Check1(2));
  Click(wizard.cmdNext());
  EXPECT_EQ(TextOf(Window(wizard.cmdNext())), "Finish");
  EXPECT_FALSE(Shows(Window(wizard.Check1(0))));
  EXPECT_TRUE(Shows(Window(wizard.Check1(2))));
}

// A click as the button reports it to its window, and Esc as a message for the window.
void Command(HWND form, HWND control) {
  SendMessageA(form, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(control), BN_CLICKED),
               reinterpret_cast<LPARAM>(control));
}
void Escape(HWND form) {
  MSG m{form, WM_KEYDOWN, VK_ESCAPE, 0, 0, {}};
  Win32Ui::Dispatch(m);
}

TEST_F(FormsOnWindows, AWindowOffTheScreenRefusesClicksTheCloseBoxAndEscAsTheFormDoes) {
  wizard.Load();
  wizard.Check1(1).SetEnabled(true);
  for (const char* state : {"not yet shown", "hidden"}) {
    SCOPED_TRACE(state);
    Command(Window(wizard), Window(wizard.Check1(1)));
    SendMessageA(Window(wizard), WM_CLOSE, 0, 0);
    Escape(Window(wizard));
    EXPECT_EQ(wizard.Check1(1).Value(), 0);
    EXPECT_TRUE(wizard.loaded());
    wizard.Show();
    wizard.Hide();
  }
  wizard.Show();
  Command(Window(wizard), Window(wizard.Check1(1)));
  EXPECT_EQ(wizard.Check1(1).Value(), 1) << "on the screen, the same click ticks";
  SendMessageA(Window(wizard), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);  // no such control
  EXPECT_TRUE(wizard.loaded());
  Escape(Window(wizard));
  EXPECT_FALSE(wizard.loaded()) << "and Esc cancels";
}

TEST_F(FormsOnWindows, AHandlerMayUnloadTheWindowThatDispatchedItsClick) {
  reboot.Show();
  HWND old = Window(reboot);
  Click(reboot.cmdLater());
  EXPECT_FALSE(reboot.loaded());
  EXPECT_FALSE(IsWindow(old));
  EXPECT_EQ(Window(reboot), nullptr);
  MSG wake;
  EXPECT_TRUE(PeekMessageA(&wake, reinterpret_cast<HWND>(-1), WM_NULL, WM_NULL, PM_REMOVE))
      << "the message loop is woken to see that no form is left";

  reboot.Show();  // afresh
  ASSERT_NE(Window(reboot), nullptr);
  EXPECT_NE(Window(reboot.cmdLater()), nullptr);
}

// ---------------------------------------------------------------------------------------------
// The close box and Esc

bool CloseBoxGreyed(HWND hwnd) {
  return (GetMenuState(GetSystemMenu(hwnd, FALSE), SC_CLOSE, MF_BYCOMMAND) & MF_GRAYED) != 0;
}

TEST_F(FormsOnWindows, TheCloseBoxAndEscCancelTheWizardAndDeclineTheRestart) {
  wizard.Show();
  EXPECT_FALSE(CloseBoxGreyed(Window(wizard)));
  SendMessageA(Window(wizard), WM_CLOSE, 0, 0);
  EXPECT_FALSE(wizard.loaded());
  reboot.Show();
  SendMessageA(Window(reboot), WM_CLOSE, 0, 0);
  EXPECT_FALSE(reboot.loaded());
  EXPECT_FALSE(program.AnyFormLoaded());

  wizard.Show();
  Key(VK_ESCAPE);
  EXPECT_FALSE(wizard.loaded()) << "Esc is Cancel";
  reboot.Show();
  Key(VK_ESCAPE);
  EXPECT_FALSE(reboot.loaded()) << "Esc is \"Don't Restart\"";
}

TEST_F(FormsOnWindows, TheProgressWindowClosesOnlyOnceItsRunHasEnded) {
  processing.Show();
  HWND hwnd = Window(processing);
  EXPECT_TRUE(CloseBoxGreyed(hwnd));
  SendMessageA(hwnd, WM_CLOSE, 0, 0);
  Key(VK_ESCAPE);
  EXPECT_TRUE(processing.loaded()) << "the run is still going";

  processing.cmdExit().SetVisible(true);  // the end of the run
  EXPECT_FALSE(CloseBoxGreyed(hwnd));
  SendMessageA(hwnd, WM_CLOSE, 0, 0);
  EXPECT_FALSE(processing.loaded()) << "the close box is Exit now";
  EXPECT_FALSE(reboot.loaded()) << "no restart needed";

  processing.Show();
  processing.cmdExit().SetVisible(true);
  Key(VK_ESCAPE);
  EXPECT_FALSE(processing.loaded()) << "and so is Esc";
}

// ---------------------------------------------------------------------------------------------
// Focus and the keyboard

TEST_F(FormsOnWindows, TheFirstUsableTabStopHasTheFocusWhenShownAndIsTheDefaultButton) {
  reboot.Show();
  EXPECT_EQ(GetFocus(), Window(reboot.cmdRestart()));
  EXPECT_TRUE(IsDefault(Window(reboot.cmdRestart())));
  EXPECT_FALSE(IsDefault(Window(reboot.cmdLater())));
  wizard.Show();
  EXPECT_EQ(GetFocus(), Window(wizard.cmdCancel())) << "Next is disabled";
  EXPECT_TRUE(IsDefault(Window(wizard.cmdCancel())));
}

TEST_F(FormsOnWindows, TheFocusMovesOnWhenItsControlGoesAndComesToAButtonThatAppears) {
  reboot.Show();
  reboot.cmdRestart().SetEnabled(false);
  EXPECT_EQ(GetFocus(), Window(reboot.cmdLater()));
  reboot.cmdLater().SetVisible(false);
  EXPECT_EQ(GetFocus(), Window(reboot)) << "nothing left to take it";

  processing.Show();
  processing.cmdExit().SetVisible(true);
  EXPECT_EQ(GetFocus(), Window(processing.cmdExit()));
  processing.cmdDetails().SetVisible(true);
  EXPECT_EQ(GetFocus(), Window(processing.cmdExit())) << "a used focus stays";
}

TEST_F(FormsOnWindows, TabMovesTheFocusAndTheDefaultButtonAndEnterPressesIt) {
  reboot.Show();
  Key(VK_TAB);
  EXPECT_EQ(GetFocus(), Window(reboot.cmdLater()));
  EXPECT_TRUE(IsDefault(Window(reboot.cmdLater())));
  EXPECT_FALSE(IsDefault(Window(reboot.cmdRestart())));
  Key(VK_RETURN);
  EXPECT_FALSE(reboot.loaded()) << "Don't Restart was pressed";

  wizard.Show();
  wizard.Check1(0).SetEnabled(true);
  Key(VK_TAB);
  ASSERT_EQ(GetFocus(), Window(wizard.Check1(0)));
  EXPECT_FALSE(IsDefault(Window(wizard.cmdCancel()))) << "no button is, while a box has it";
  Key(VK_RETURN);
  EXPECT_TRUE(wizard.loaded()) << "so Enter on a box presses nothing";
}

TEST_F(FormsOnWindows, TheDetailsListJoinsTheTabOrderOnceItCanBeSeen) {
  program.state.AppendDetail("C:\\A.STB this file will be removed when you reboot your computer.");
  processing.Show();
  processing.cmdExit().SetVisible(true);
  processing.cmdDetails().SetVisible(true);
  ASSERT_EQ(GetFocus(), Window(processing.cmdExit()));
  Key(VK_TAB);
  EXPECT_EQ(GetFocus(), Window(processing.cmdDetails())) << "the list is out of sight";
  Key(VK_RETURN);  // Details: the window grows, the button greys
  EXPECT_EQ(GetFocus(), Window(processing.lstDetails())) << "on from the greyed button";
  SetFocus(Window(processing.cmdExit()));
  Key(VK_TAB);
  EXPECT_EQ(GetFocus(), Window(processing.lstDetails())) << "Exit, (lblMsg), (Details), list";
  EXPECT_FALSE(IsDefault(Window(processing.cmdExit())));
  Key(VK_TAB);
  EXPECT_EQ(GetFocus(), Window(processing.cmdExit()));
}

// ---------------------------------------------------------------------------------------------
// Message boxes and the pump

struct SeenBox {
  HWND owner = nullptr;
  std::string title;
  WPARAM press = IDOK;
} g_box;

LRESULT CALLBACK AnswerBox(int code, WPARAM wparam, LPARAM lparam) {
  if (code == HCBT_ACTIVATE && ClassOf(reinterpret_cast<HWND>(wparam)) == "#32770") {
    HWND box = reinterpret_cast<HWND>(wparam);
    g_box.owner = GetWindow(box, GW_OWNER);
    g_box.title = TextOf(box);
    PostMessageA(box, WM_COMMAND, g_box.press, 0);
  }
  return CallNextHookEx(nullptr, code, wparam, lparam);
}

TEST_F(FormsOnWindows, AMessageBoxIsOwnedByTheFormOnTheScreenAndGivesTheButtonAsIs) {
  UniqueHook hook = CbtHook(AnswerBox);
  g_box = {};
  g_box.press = IDNO;
  processing.Show();
  program.BlankFrm().Show();
  program.BlankFrm().Unload();
  SetForegroundWindow(GetDesktopWindow());  // as when Word has the foreground
  EXPECT_EQ(
      ui.MessageBox("Directory not empty C:\\X\rDo you want me to remove it?", kMbYesNo, "Docseal"),
      kIdNo);
  EXPECT_EQ(g_box.owner, Window(processing));
  EXPECT_EQ(g_box.title, "Docseal");

  processing.Unload();
  g_box = {};
  g_box.press = IDOK;
  EXPECT_EQ(ui.MessageBox("You cannot start more than one copy", kMbOk, "VRXUnInst"), kIdOk);
  EXPECT_EQ(g_box.owner, nullptr) << "no form on the screen";
}

TEST_F(FormsOnWindows, PumpEventsHandlesWhatWaitsAndLeavesWmQuitQueued) {
  wizard.Show();
  wizard.Check1(0).SetEnabled(true);
  PostMessageA(Window(wizard.Check1(0)), BM_CLICK, 0, 0);
  EXPECT_EQ(wizard.Check1(0).Value(), 0);
  ui.PumpEvents();
  EXPECT_EQ(wizard.Check1(0).Value(), 1);

  PostQuitMessage(7);
  ui.PumpEvents();
  MSG quit;
  ASSERT_TRUE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(quit.wParam, 7u);
}

int g_ticks = 0;
void CALLBACK Tick(HWND, UINT, UINT_PTR timer, DWORD) {
  ++g_ticks;
  KillTimer(nullptr, timer);
}

TEST_F(FormsOnWindows, PumpEventsWithNothingWaitingSleepsUntilAMessageComes) {
  Drain();
  g_ticks = 0;
  SetTimer(nullptr, 0, 1, Tick);  // due within the clock step the pump may sleep
  // A loaded machine may deliver the timer after a step or two: the pump is asked again, a
  // bounded number of times, and the tick must come through it.
  for (int pumps = 0; pumps < 50 && g_ticks == 0; ++pumps) ui.PumpEvents();
  EXPECT_EQ(g_ticks, 1) << "the pump woke for the timer and handled it";
}

// A window on another thread that stops answering, as a hung program's does.
struct Stuck {
  UniqueHandle release{CreateEventA(nullptr, TRUE, FALSE, nullptr)};
  UniqueHandle ready{CreateEventA(nullptr, TRUE, FALSE, nullptr)};
  UniqueHandle thread;
  ~Stuck() {
    SetEvent(release.get());
    if (thread) WaitForSingleObject(thread.get(), INFINITE);
  }
};

DWORD WINAPI StuckWindow(void* param) {
  auto* stuck = static_cast<Stuck*>(param);
  HWND hwnd = CreateWindowExA(0, "STATIC", "stuck", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                              nullptr, nullptr);
  SetEvent(stuck->ready.get());
  WaitForSingleObject(stuck->release.get(), INFINITE);  // no message is read meanwhile
  DestroyWindow(hwnd);
  return 0;
}

struct Broadcast {
  Win32System* system;
  UniqueHandle done{CreateEventA(nullptr, TRUE, FALSE, nullptr)};
};

DWORD WINAPI SendFontChange(void* param) {
  auto* broadcast = static_cast<Broadcast*>(param);
  broadcast->system->BroadcastFontChange();
  SetEvent(broadcast->done.get());
  return 0;
}

TEST(FontBroadcast, AWindowThatDoesNotAnswerCannotHoldTheProgram) {
  Stuck stuck;
  stuck.thread.reset(CreateThread(nullptr, 0, StuckWindow, &stuck, 0, nullptr));
  ASSERT_EQ(WaitForSingleObject(stuck.ready.get(), 10000), WAIT_OBJECT_0);
  Win32System system;
  Broadcast broadcast{&system};
  UniqueHandle sender(CreateThread(nullptr, 0, SendFontChange, &broadcast, 0, nullptr));
  // Far beyond the time the broadcast gives each window: with a plain SendMessage it never ends.
  // This thread answers meanwhile, as the program's would.
  const DWORD start = GetTickCount();
  bool done = false;
  while (!done && GetTickCount() - start < 20000) {
    HANDLE wait_for = broadcast.done.get();
    done = MsgWaitForMultipleObjects(1, &wait_for, FALSE, 100, QS_ALLINPUT) == WAIT_OBJECT_0;
    Drain();
  }
  EXPECT_TRUE(done) << "the broadcast waits for the window that does not answer";
  SetEvent(stuck.release.get());
  WaitForSingleObject(sender.get(), 20000);
}

}  // namespace
}  // namespace vrx::win32::testing
