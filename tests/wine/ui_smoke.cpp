// The forms on real windows: sizes at the window's DPI, the font, labels that show their whole
// text, the mirroring of properties, the details list, the icon and the frames. Runs under Wine
// with an X display, at 96, 120 and 144 pixels per inch (tests/wine/run-ui.sh). The keyboard,
// clicks, the close box, message boxes and the pump are in ui_smoke_keys.cpp.
#include "ui_smoke.h"

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

// After the Windows headers.
#include <commctrl.h>

namespace vrx::win32::testing {
namespace {

// ---------------------------------------------------------------------------------------------
// Geometry and the font

TEST_F(FormsOnWindows, ClientAreaIsTheFormsTwipsAtTheWindowsDpiInAFixedFrame) {
  wizard.Load();
  HWND hwnd = Window(wizard);
  ASSERT_NE(hwnd, nullptr);
  EXPECT_GE(ui.DpiOf(wizard), 96);
  RECT client;
  GetClientRect(hwnd, &client);
  EXPECT_EQ(client.right, Px(wizard, 4425));
  EXPECT_EQ(client.bottom, Px(wizard, 2505));
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

TEST_F(FormsOnWindows, ControlsSitAtTheirTwipsInTabOrderWithTheirKindsAndOneFont) {
  for (Form* form : std::vector<Form*>{&wizard, &processing, &reboot}) {
    form->Load();
    const int dpi = ui.DpiOf(*form);
    HWND child = GetWindow(Window(*form), GW_CHILD);
    int id = kFirstControlId;
    for (const auto& control : form->controls()) {
      SCOPED_TRACE(form->name() + "." + control->QualifiedName() + " at " + std::to_string(dpi));
      ASSERT_EQ(child, Window(*control)) << "z-order follows the tab order";
      EXPECT_EQ(GetDlgCtrlID(child), id++);
      const RECT r = PlaceOf(child);
      const Geometry& g = control->geometry();
      EXPECT_EQ(r.left, Px(*form, g.left));
      EXPECT_EQ(r.top, Px(*form, g.top));
      EXPECT_EQ(r.bottom - r.top, Px(*form, g.height));
      if (control->kind() == ControlKind::kLabel) {
        EXPECT_GE(r.right - r.left, Px(*form, g.width)) << "a label may widen for its text";
      } else {
        EXPECT_EQ(r.right - r.left, Px(*form, g.width));
      }
      LOGFONTA font{};
      ASSERT_NE(0, GetObjectA(reinterpret_cast<HFONT>(SendMessageA(child, WM_GETFONT, 0, 0)),
                              sizeof font, &font));
      EXPECT_STREQ(font.lfFaceName, "MS Shell Dlg");
      EXPECT_EQ(font.lfHeight, -MulDiv(8, dpi, 72)) << "8 point at the window's DPI";
      const LONG type = StyleOf(child) & BS_TYPEMASK;
      const bool tab_stop = (StyleOf(child) & WS_TABSTOP) != 0;
      switch (control->kind()) {
        case ControlKind::kLabel:
          EXPECT_EQ(ClassOf(child), "Static");
          EXPECT_EQ(TextOf(child), control->Caption());
          break;
        case ControlKind::kButton:
          EXPECT_EQ(ClassOf(child), "Button");
          EXPECT_TRUE(type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON) << type;
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
          EXPECT_FALSE(tab_stop) << "below the client area until Details";
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

// ---------------------------------------------------------------------------------------------
// Labels: the whole text, at every DPI

// Whether a label's text fits its window, as the label draws it.
void ExpectWholeText(HWND label, const std::string& text) {
  SCOPED_TRACE("\"" + text + "\"");
  SetWindowTextA(label, text.c_str());
  RECT box;
  GetClientRect(label, &box);
  HDC dc = GetDC(label);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(label, WM_GETFONT, 0, 0)));
  const bool wraps = (StyleOf(label) & SS_TYPEMASK) == SS_LEFT;
  RECT needed{0, 0, box.right, 0};
  DrawTextA(dc, text.c_str(), -1, &needed,
            DT_CALCRECT | DT_NOPREFIX | (wraps ? DT_WORDBREAK : DT_SINGLELINE));
  SelectObject(dc, old);
  ReleaseDC(label, dc);
  EXPECT_LE(needed.right, box.right) << "cut at the right: needs " << needed.right;
  EXPECT_LE(needed.bottom, box.bottom) << "cut at the bottom: needs " << needed.bottom;
}

TEST_F(FormsOnWindows, EveryLabelShowsItsWholeText) {
  wizard.Load();
  processing.Load();
  reboot.Load();
  const int dpi = ui.DpiOf(reboot);
  SCOPED_TRACE(std::to_string(dpi) + " pixels per inch");
  HWND one_line = Window(*reboot.Find("Label1"));
  HWND two_lines = Window(*reboot.Find("Label2"));
  EXPECT_EQ(StyleOf(one_line) & SS_TYPEMASK, SS_LEFTNOWORDWRAP) << "255 twips: one line";
  EXPECT_EQ(StyleOf(two_lines) & SS_TYPEMASK, SS_LEFT) << "495 twips: it wraps";
  ExpectWholeText(one_line, reboot.Find("Label1")->Caption());
  ExpectWholeText(two_lines, reboot.Find("Label2")->Caption());
  for (const char* text :
       {"Uninstall Docseal from the following:", "Click on Finish to Uninstall Docseal for:",
        "Select the Software to Uninstall:"}) {
    wizard.LblMsg1().SetCaption(text);
    ExpectWholeText(Window(wizard.LblMsg1()), text);
  }
  for (const char* text : {"Microsoft Word 97/2000", "WordPerfect 7", "WordPerfect 9"}) {
    ExpectWholeText(Window(wizard.Label1(0)), text);
  }
  for (const char* text : {"Removing Docseal from Microsoft Word\xAE.....",
                           "Removing Docseal from WordPerfect\xAE 9.....", "Uninstall complete."}) {
    processing.lblMsg().SetCaption(text);
    ExpectWholeText(Window(processing.lblMsg()), text);
  }
}

TEST_F(FormsOnWindows, ANewDpiLaysTheWindowOutAgain) {
  reboot.Load();
  HWND hwnd = Window(reboot);
  const int dpi = ui.DpiOf(reboot) == 144 ? 120 : 144;
  RECT suggested{10, 20, 500, 400};
  SendMessageA(hwnd, 0x02E0 /* WM_DPICHANGED */, MAKEWPARAM(dpi, dpi),
               reinterpret_cast<LPARAM>(&suggested));
  EXPECT_EQ(ui.DpiOf(reboot), dpi);
  RECT client;
  GetClientRect(hwnd, &client);
  EXPECT_EQ(client.right, MulDiv(4680, dpi, 1440));
  EXPECT_EQ(client.bottom, MulDiv(1680, dpi, 1440));
  EXPECT_EQ(OuterOf(hwnd).left, 10);
  EXPECT_EQ(OuterOf(hwnd).top, 20);
  const RECT button = PlaceOf(Window(reboot.cmdRestart()));
  EXPECT_EQ(button.left, MulDiv(2760, dpi, 1440));
  EXPECT_EQ(button.bottom - button.top, MulDiv(375, dpi, 1440));
  LOGFONTA font{};
  GetObjectA(reinterpret_cast<HFONT>(SendMessageA(Window(reboot.cmdRestart()), WM_GETFONT, 0, 0)),
             sizeof font, &font);
  EXPECT_EQ(font.lfHeight, -MulDiv(8, dpi, 72));
  ExpectWholeText(Window(*reboot.Find("Label1")), reboot.Find("Label1")->Caption());
}

// ---------------------------------------------------------------------------------------------
// The progress window, the details list, BlankFrm, the icon

TEST_F(FormsOnWindows, DetailsEnlargeTheProgressWindowToShowTheListWhichScrollsSideways) {
  const std::string long_line =
      "C:\\Program Files\\Docseal 4.0\\Word\\Startup Templates\\Letterheads and Stamps\\"
      "CONFIDENTIAL.STB this file will be removed when you reboot your computer.";
  program.state.AppendDetail("C:\\A.STB this file will be removed when you reboot your computer.");
  program.state.AppendDetail(long_line);
  processing.Show();
  const RECT before = OuterOf(Window(processing));
  processing.cmdDetails().SetVisible(true);
  Click(processing.cmdDetails());
  const RECT after = OuterOf(Window(processing));
  EXPECT_EQ(after.bottom - after.top, Px(processing, 4770));
  EXPECT_EQ(after.left, before.left);
  EXPECT_EQ(after.top, before.top);
  EXPECT_EQ(after.right, before.right);
  HWND list = Window(processing.lstDetails());
  ASSERT_EQ(SendMessageA(list, LB_GETCOUNT, 0, 0), 2);
  char line[256] = {};
  SendMessageA(list, LB_GETTEXT, 1, reinterpret_cast<LPARAM>(line));
  EXPECT_EQ(line, long_line);
  EXPECT_FALSE(IsWindowEnabled(Window(processing.cmdDetails())));

  RECT inside;
  GetClientRect(list, &inside);
  const LRESULT extent = SendMessageA(list, LB_GETHORIZONTALEXTENT, 0, 0);
  EXPECT_GT(extent, inside.right) << "the long line can be scrolled into view";
  EXPECT_TRUE(StyleOf(list) & WS_HSCROLL) << "with its scroll bar";
  SIZE text{};
  HDC dc = GetDC(list);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(list, WM_GETFONT, 0, 0)));
  GetTextExtentPoint32A(dc, long_line.c_str(), static_cast<int>(long_line.size()), &text);
  SelectObject(dc, old);
  ReleaseDC(list, dc);
  EXPECT_GE(extent, text.cx) << "to its last character";
  EXPECT_TRUE(StyleOf(list) & WS_TABSTOP) << "in view now";
}

TEST_F(FormsOnWindows, BlankFrmIsAToolWindowPlacedInTwips) {
  BlankForm& blank = program.BlankFrm();
  blank.Load();
  EXPECT_TRUE(GetWindowLongA(Window(blank), GWL_EXSTYLE) & WS_EX_TOOLWINDOW)
      << "no button of its own on the taskbar";
  blank.SetLeft(1440);
  blank.SetTop(720);
  blank.SetWidth(2880);
  const RECT r = OuterOf(Window(blank));
  EXPECT_EQ(r.left, Px(blank, 1440));
  EXPECT_EQ(r.top, Px(blank, 720));
  EXPECT_EQ(r.right - r.left, Px(blank, 2880));
  wizard.Load();
  EXPECT_FALSE(GetWindowLongA(Window(wizard), GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
}

TEST_F(FormsOnWindows, TheWindowsCarryTheProgramsIcon) {
  ASSERT_NE(
      LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(kAppIconId), IMAGE_ICON, 32, 32, 0),
      nullptr)
      << "the icon is in the resources";
  reboot.Load();
  const auto icon = GetClassLongPtrA(Window(reboot), GCLP_HICON);
  EXPECT_NE(icon, 0);
  EXPECT_NE(icon, reinterpret_cast<LONG_PTR>(LoadIconA(nullptr, IDI_APPLICATION)));
  EXPECT_NE(GetClassLongPtrA(Window(reboot), GCLP_HICONSM), 0);
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

// The progress bar of common controls 4.00 (Windows 95), where the messages of 4.70 and later (a
// 32-bit range, reading the range or the position back, colours) do nothing: the bar's own window
// procedure is given only the others, and what it shows is read from that procedure.
WNDPROC g_bar_proc = nullptr;
int g_newer_messages = 0;
LRESULT CALLBACK BarOfVersion400(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if ((message >= PBM_SETRANGE32 && message <= PBM_SETBARCOLOR) || message == PBM_SETBKCOLOR) {
    ++g_newer_messages;
    return 0;
  }
  return CallWindowProcA(g_bar_proc, hwnd, message, wparam, lparam);
}

TEST_F(FormsOnWindows, ProgressBarShowsTheRunOnCommonControls400) {
  processing.Load();
  HWND bar = Window(processing.ProgressBar1());
  g_bar_proc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(bar, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&BarOfVersion400)));
  g_newer_messages = 0;
  const auto position = [&] { return CallWindowProcA(g_bar_proc, bar, PBM_GETPOS, 0, 0); };
  const auto range = [&] { return CallWindowProcA(g_bar_proc, bar, PBM_GETRANGE, FALSE, 0); };
  EXPECT_EQ(range(), 100) << "as designed";
  Control& progress = processing.ProgressBar1();
  // Three variants, as the run counts them, rounded; then back to the start, then a Max beyond
  // 16 bits, scaled.
  ASSERT_TRUE(progress.SetMax(300.4f));
  EXPECT_EQ(range(), 300);
  for (float value : {0.1f, 50.0f, 99.5f, 150.0f, 250.6f, 300.0f}) {
    ASSERT_TRUE(progress.SetProgressValue(value));
    EXPECT_EQ(position(), std::lround(value)) << value;
  }
  EXPECT_FALSE(progress.SetProgressValue(400));
  EXPECT_EQ(position(), 300) << "a refused value leaves the bar";
  ASSERT_TRUE(progress.SetProgressValue(0));
  EXPECT_EQ(position(), 0);
  ASSERT_TRUE(progress.SetMax(100000));
  ASSERT_TRUE(progress.SetProgressValue(25000));
  EXPECT_EQ(range(), 0x7FFF);
  EXPECT_EQ(position(), 0x2000);
  EXPECT_EQ(g_newer_messages, 0) << "messages that common controls 4.00 does not know";
}

TEST_F(FormsOnWindows, AProgressStepLetsTheWaitingMessagesThrough) {
  processing.Show();
  wizard.Show();
  wizard.Check1(0).SetEnabled(true);
  PostMessageA(Window(wizard.Check1(0)), BM_CLICK, 0, 0);
  ASSERT_EQ(wizard.Check1(0).Value(), 0);
  ASSERT_TRUE(processing.ProgressBar1().SetProgressValue(10));
  EXPECT_EQ(wizard.Check1(0).Value(), 1) << "the click was handled during the step";
}

}  // namespace
}  // namespace vrx::win32::testing
