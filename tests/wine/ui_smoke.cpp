// The forms on real windows: geometry, the mirroring of properties, clicks, the close box, focus,
// message boxes and the pump. Runs under Wine with an X display (tests/wine/run-ui.sh).
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/form.h"
#include "platform/win32/win32_ui.h"
#include "platform/win32/win32_windows.h"
#include "progress/processing_form.h"
#include "progress/reboot_form.h"
#include "removal/blank_form.h"
#include "startup/program.h"
#include "wizard/uninstall_form.h"

// After the Windows headers.
#include <commctrl.h>

namespace vrx::win32 {
namespace {

std::string TextOf(HWND hwnd) {
  char text[512] = {};
  GetWindowTextA(hwnd, text, sizeof text);
  return text;
}
std::string ClassOf(HWND hwnd) {
  char name[64] = {};
  GetClassNameA(hwnd, name, sizeof name);
  return name;
}
LONG StyleOf(HWND hwnd) { return GetWindowLongA(hwnd, GWL_STYLE); }
bool Shows(HWND hwnd) { return (StyleOf(hwnd) & WS_VISIBLE) != 0; }
RECT OuterOf(HWND hwnd) {
  RECT r{};
  GetWindowRect(hwnd, &r);
  return r;
}
void Drain() {
  MSG m;
  while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
    if (m.message != WM_QUIT) Win32Ui::Dispatch(m);
  }
}

// Runs `hook` on every window about to be activated while it lives.
class CbtHook {
 public:
  explicit CbtHook(HOOKPROC proc)
      : hook_(SetWindowsHookExA(WH_CBT, proc, nullptr, GetCurrentThreadId())) {}
  ~CbtHook() { UnhookWindowsHookEx(hook_); }
  CbtHook(const CbtHook&) = delete;
  CbtHook& operator=(const CbtHook&) = delete;

 private:
  HHOOK hook_;
};

class FormsOnWindows : public ::testing::Test {
 protected:
  ~FormsOnWindows() override {
    for (Form* form : program.Forms()) form->Unload();
    Drain();
  }
  HWND Window(const Form& form) { return ui.WindowOf(form); }
  HWND Window(const Control& control) { return ui.WindowOf(control); }
  void Click(const Control& control) { SendMessageA(Window(control), BM_CLICK, 0, 0); }

  Win32Ui ui;
  Platform platform{.ui = &ui};
  Program program{platform};
  UnInstallForm& wizard = program.UnInstall();
  ProcessingForm& processing = program.Processing();
  RebootForm& reboot = program.Reboot();
};

// ---------------------------------------------------------------------------------------------
// Geometry

TEST_F(FormsOnWindows, ClientAreaIsTheFormsTwipsAtTheScreensDpiInAFixedFrame) {
  wizard.Load();
  HWND hwnd = Window(wizard);
  ASSERT_NE(hwnd, nullptr);
  RECT client;
  GetClientRect(hwnd, &client);
  EXPECT_EQ(client.right, MulDiv(4425, ui.dpi_x(), 1440));
  EXPECT_EQ(client.bottom, MulDiv(2505, ui.dpi_y(), 1440));
  EXPECT_EQ(TextOf(hwnd), "Docseal Uninstaller");
  const LONG style = StyleOf(hwnd);
  EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX),
            WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX);
  EXPECT_EQ(style & (WS_THICKFRAME | WS_MAXIMIZEBOX), 0);
  EXPECT_FALSE(Shows(hwnd)) << "loaded, not yet shown";

  RECT work;
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  const RECT outer = OuterOf(hwnd);
  EXPECT_LE(std::abs((outer.left + outer.right) - (work.left + work.right)), 1);
  EXPECT_LE(std::abs((outer.top + outer.bottom) - (work.top + work.bottom)), 1);
}

TEST_F(FormsOnWindows, ControlsSitAtTheirTwipsInTabOrderWithTheirKinds) {
  for (Form* form : std::vector<Form*>{&wizard, &processing, &reboot}) {
    form->Load();
    HWND child = GetWindow(Window(*form), GW_CHILD);
    int id = kFirstControlId;
    for (const auto& control : form->controls()) {
      SCOPED_TRACE(form->name() + "." + control->QualifiedName());
      ASSERT_EQ(child, Window(*control)) << "z-order follows the tab order";
      EXPECT_EQ(GetDlgCtrlID(child), id++);
      RECT r = OuterOf(child);
      MapWindowPoints(HWND_DESKTOP, Window(*form), reinterpret_cast<POINT*>(&r), 2);
      const Geometry& g = control->geometry();
      EXPECT_EQ(r.left, MulDiv(g.left, ui.dpi_x(), 1440));
      EXPECT_EQ(r.top, MulDiv(g.top, ui.dpi_y(), 1440));
      EXPECT_EQ(r.right - r.left, MulDiv(g.width, ui.dpi_x(), 1440));
      EXPECT_EQ(r.bottom - r.top, MulDiv(g.height, ui.dpi_y(), 1440));
      const LONG type = StyleOf(child) & BS_TYPEMASK;
      const bool tab_stop = (StyleOf(child) & WS_TABSTOP) != 0;
      switch (control->kind()) {
        case ControlKind::kLabel:
          EXPECT_EQ(ClassOf(child), "Static");
          EXPECT_EQ(TextOf(child), control->Caption());
          break;
        case ControlKind::kButton:
          EXPECT_EQ(ClassOf(child), "Button");
          EXPECT_EQ(type, BS_PUSHBUTTON);
          EXPECT_TRUE(tab_stop);
          EXPECT_EQ(TextOf(child), control->Caption());
          break;
        case ControlKind::kCheckBox:
          EXPECT_EQ(ClassOf(child), "Button");
          EXPECT_EQ(type, BS_CHECKBOX) << "ticked by the view, not by the button itself";
          EXPECT_TRUE(tab_stop);
          break;
        case ControlKind::kListBox:
          EXPECT_EQ(ClassOf(child), "ListBox");
          break;
        case ControlKind::kProgressBar:
          EXPECT_EQ(ClassOf(child), "msctls_progress32");
          break;
      }
      child = GetWindow(child, GW_HWNDNEXT);
    }
    EXPECT_EQ(child, nullptr);
  }
}

TEST_F(FormsOnWindows, DetailsEnlargeTheProgressWindowToShowTheList) {
  program.state.AppendDetail("C:\\A.STB this file will be removed when you reboot your computer.");
  program.state.AppendDetail("C:\\B You must manually remove this directory.");
  processing.Show();
  const RECT before = OuterOf(Window(processing));
  processing.cmdDetails().SetVisible(true);
  Click(processing.cmdDetails());
  const RECT after = OuterOf(Window(processing));
  EXPECT_EQ(after.bottom - after.top, MulDiv(4770, ui.dpi_y(), 1440));
  EXPECT_EQ(after.left, before.left);
  EXPECT_EQ(after.top, before.top);
  EXPECT_EQ(after.right, before.right);
  HWND list = Window(processing.lstDetails());
  ASSERT_EQ(SendMessageA(list, LB_GETCOUNT, 0, 0), 2);
  char line[256] = {};
  SendMessageA(list, LB_GETTEXT, 1, reinterpret_cast<LPARAM>(line));
  EXPECT_STREQ(line, "C:\\B You must manually remove this directory.");
  EXPECT_FALSE(IsWindowEnabled(Window(processing.cmdDetails())));
}

TEST_F(FormsOnWindows, LeftTopAndWidthPlaceTheWindowOnTheScreen) {
  BlankForm& blank = program.BlankFrm();
  blank.Load();
  blank.SetLeft(1440);
  blank.SetTop(720);
  blank.SetWidth(2880);
  const RECT r = OuterOf(Window(blank));
  EXPECT_EQ(r.left, ui.dpi_x());
  EXPECT_EQ(r.top, MulDiv(720, ui.dpi_y(), 1440));
  EXPECT_EQ(r.right - r.left, 2 * ui.dpi_x());
}

// ---------------------------------------------------------------------------------------------
// Properties

TEST_F(FormsOnWindows, StatesAsLoadedAndLaterChangesReachTheWindows) {
  wizard.Load();
  EXPECT_FALSE(Shows(Window(wizard.cmdBack())));
  EXPECT_FALSE(IsWindowEnabled(Window(wizard.cmdBack())));
  EXPECT_FALSE(IsWindowEnabled(Window(wizard.cmdNext())));
  EXPECT_TRUE(IsWindowEnabled(Window(wizard.cmdCancel())));

  wizard.Label1(0).SetCaption("Microsoft Word\xAE 97");  // ANSI bytes pass unchanged
  EXPECT_EQ(TextOf(Window(wizard.Label1(0))), "Microsoft Word\xAE 97");
  wizard.cmdBack().SetVisible(true);
  wizard.cmdBack().SetEnabled(true);
  EXPECT_TRUE(Shows(Window(wizard.cmdBack())));
  EXPECT_TRUE(IsWindowEnabled(Window(wizard.cmdBack())));
  wizard.Check1(3).SetValue(1);
  EXPECT_EQ(SendMessageA(Window(wizard.Check1(3)), BM_GETCHECK, 0, 0), BST_CHECKED);
  wizard.Check1(3).SetVisible(false);
  EXPECT_FALSE(Shows(Window(wizard.Check1(3))));
}

TEST_F(FormsOnWindows, ProgressBarTakesMaxAndValueRounded) {
  processing.Load();
  HWND bar = Window(processing.ProgressBar1());
  EXPECT_EQ(SendMessageA(bar, PBM_GETRANGE, FALSE, 0), 100) << "as designed";
  ASSERT_TRUE(processing.ProgressBar1().SetMax(250.6f));
  ASSERT_TRUE(processing.ProgressBar1().SetProgressValue(99.5f));
  EXPECT_EQ(SendMessageA(bar, PBM_GETRANGE, FALSE, 0), 251);
  EXPECT_EQ(SendMessageA(bar, PBM_GETPOS, 0, 0), 100);
  EXPECT_FALSE(processing.ProgressBar1().SetProgressValue(300));
  EXPECT_EQ(SendMessageA(bar, PBM_GETPOS, 0, 0), 100) << "a refused value leaves the bar";
}

// ---------------------------------------------------------------------------------------------
// Clicks and the close box

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

TEST_F(FormsOnWindows, ClicksOnDisabledOrHiddenControlsAreIgnored) {
  wizard.Show();
  auto command = [&](const Control& c) {
    SendMessageA(Window(wizard), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(Window(c)), BN_CLICKED),
                 reinterpret_cast<LPARAM>(Window(c)));
  };
  wizard.Check1(1).SetEnabled(false);  // a variant that is not installed
  command(wizard.Check1(1));
  EXPECT_EQ(wizard.Check1(1).Value(), 0);
  wizard.cmdBack().SetEnabled(true);  // enabled but hidden
  command(wizard.cmdBack());
  EXPECT_EQ(wizard.LblMsg1().Caption(), "Uninstall Docseal from the following:");
  SendMessageA(Window(wizard), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);  // no such control
  EXPECT_TRUE(wizard.loaded());
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

TEST_F(FormsOnWindows, TheCloseBoxCancelsTheWizardAndDeclinesTheRestart) {
  wizard.Show();
  SendMessageA(Window(wizard), WM_CLOSE, 0, 0);
  EXPECT_FALSE(wizard.loaded());
  reboot.Show();
  SendMessageA(Window(reboot), WM_CLOSE, 0, 0);
  EXPECT_FALSE(reboot.loaded());
  EXPECT_FALSE(program.AnyFormLoaded());
}

TEST_F(FormsOnWindows, TheProgressWindowCannotBeClosed) {
  processing.Show();
  SendMessageA(Window(processing), WM_CLOSE, 0, 0);
  EXPECT_TRUE(processing.loaded());
  EXPECT_TRUE(IsWindow(Window(processing)));
  const UINT state = GetMenuState(GetSystemMenu(Window(processing), FALSE), SC_CLOSE, MF_BYCOMMAND);
  EXPECT_TRUE(state & MF_GRAYED);
}

// ---------------------------------------------------------------------------------------------
// Focus and the keyboard

TEST_F(FormsOnWindows, TheFirstUsableTabStopHasTheFocusWhenShown) {
  reboot.Show();
  EXPECT_EQ(GetFocus(), Window(reboot.cmdRestart()));
  wizard.Show();
  EXPECT_EQ(GetFocus(), Window(wizard.cmdCancel())) << "Next is disabled";
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

TEST_F(FormsOnWindows, TabMovesToTheNextTabStopAndEnterPressesTheFocusedButton) {
  reboot.Show();
  auto key = [&](WPARAM vk) {
    MSG m{GetFocus(), WM_KEYDOWN, vk, 0, 0, {}};
    Win32Ui::Dispatch(m);
  };
  key(VK_TAB);
  EXPECT_EQ(GetFocus(), Window(reboot.cmdLater()));
  key(VK_RETURN);
  EXPECT_FALSE(reboot.loaded()) << "Don't Restart was pressed";
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

TEST_F(FormsOnWindows, AMessageBoxIsOwnedByTheActiveFormAndGivesTheButtonAsIs) {
  CbtHook hook(AnswerBox);
  g_box = {};
  g_box.press = IDNO;
  processing.Show();
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

}  // namespace
}  // namespace vrx::win32
