// Pixels per inch, as Windows of every age gives them.
//
// The program declares that it draws at each monitor's own DPI (in its manifest, and at run time
// with the call of the newest Windows that has one), so that Windows does not stretch a 96-dpi
// picture of its windows into a blurred one. The forms' twips are then converted at the DPI of
// the monitor each window is on, and again when the window moves to another. Everything newer
// than Windows 95 and NT 4.0 is looked up with GetProcAddress; where it is missing, the screen's
// one DPI stands for every monitor, as it does on those systems.
#pragma once

#include <map>

#include "platform/win32/win32_handles.h"
#include "platform/win32/win32_windows.h"

namespace vrx::win32 {

// WM_DPICHANGED: the window now lies on a monitor of another DPI (LOWORD of wParam); lParam
// points to the rectangle Windows suggests for it there.
inline constexpr UINT kWmDpiChanged = 0x02E0;

// Asks to draw at each monitor's DPI: per-monitor (v2) on Windows 10 1703 on, per-monitor on 8.1,
// system DPI on Vista; nothing on older systems. Harmless when the manifest asked already, and
// harmless when called again. Call it before the first window is made.
void DeclareDpiAware();

// The screen's pixels per inch; 96 when it cannot be read.
int SystemDpi();

// The DPI of the monitor the window is on (Windows 10 1607 on); SystemDpi() elsewhere.
int DpiOfWindow(HWND hwnd);

// The outer rectangle of a client rectangle at a DPI: AdjustWindowRectExForDpi where Windows has
// it, AdjustWindowRectEx (the system DPI's frame) elsewhere.
void ClientToOuter(RECT* rect, DWORD style, DWORD ex_style, int dpi);

// A length in twips (1/1440 inch) in pixels at a DPI.
inline int TwipsToPixels(int twips, int dpi) { return MulDiv(twips, dpi, 1440); }

// The font the forms were laid out for, MS Shell Dlg 8 point, once for each DPI in use.
class FormFonts {
 public:
  FormFonts() = default;
  FormFonts(const FormFonts&) = delete;
  FormFonts& operator=(const FormFonts&) = delete;

  // The font at the DPI; owned here and valid while this object lives. The stock GUI font when
  // the font cannot be made.
  HFONT At(int dpi);

 private:
  std::map<int, UniqueHfont> fonts_;
};

}  // namespace vrx::win32
