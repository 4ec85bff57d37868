// Laying a form's window out at its DPI: the frame, the controls, their font, the labels'
// wrapping and width, the details list's sideways extent and its place in the tab order.
#include <algorithm>

#include "platform/win32/win32_dpi.h"
#include "platform/win32/win32_form_window.h"

namespace vrx::win32 {
namespace {

constexpr LONG kStaticTypeMask = 0x1F;  // SS_TYPEMASK

}  // namespace

void FormWindow::LayOut() {
  HFONT font = ui_.fonts().At(dpi_);
  for (Child& child : children_) {
    SendMessageA(child.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    PlaceChild(child);
    if (child.control->kind() == ControlKind::kListBox) {
      child.text_width = 0;
      for (const std::string& item : child.control->Items()) {
        child.text_width = std::max(child.text_width, TextWidth(child.hwnd, item));
      }
      UpdateListExtent(child);
    }
  }
  RECT outer;
  GetWindowRect(window_.get(), &outer);
  PlaceFrame(POINT{outer.left, outer.top});
  InvalidateRect(window_.get(), nullptr, TRUE);
}

void FormWindow::PlaceFrame(std::optional<POINT> top_left) {
  RECT outer{0, 0, TwipsToPixels(form_.ClientWidth(), dpi_),
             TwipsToPixels(form_.ClientHeight(), dpi_)};
  ClientToOuter(&outer, kFormStyle, static_cast<DWORD>(GetWindowLongA(window_.get(), GWL_EXSTYLE)),
                dpi_);
  const int width = width_ ? TwipsToPixels(*width_, dpi_) : outer.right - outer.left;
  const int height = height_ ? TwipsToPixels(*height_, dpi_) : outer.bottom - outer.top;
  POINT at = top_left.value_or(POINT{0, 0});
  if (left_) at.x = TwipsToPixels(*left_, dpi_);
  if (top_) at.y = TwipsToPixels(*top_, dpi_);
  SetWindowPos(window_.get(), nullptr, at.x, at.y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
  // The frame Windows draws may differ from the one asked about (a DPI that changed before the
  // frame did, a system without the call for the DPI): the client area is made exact.
  RECT client;
  if ((!width_ || !height_) && GetClientRect(window_.get(), &client)) {
    const int wrong_x =
        width_ ? 0 : static_cast<int>(client.right) - TwipsToPixels(form_.ClientWidth(), dpi_);
    const int wrong_y =
        height_ ? 0 : static_cast<int>(client.bottom) - TwipsToPixels(form_.ClientHeight(), dpi_);
    if (wrong_x != 0 || wrong_y != 0) {
      SetWindowPos(window_.get(), nullptr, 0, 0, width - wrong_x, height - wrong_y,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
  }
  UpdateListTabStop();
}

void FormWindow::PlaceChild(Child& child) {
  const Control& control = *child.control;
  const Geometry& g = control.geometry();
  const int x = TwipsToPixels(g.left, dpi_);
  int width = TwipsToPixels(g.width, dpi_);
  const int height = TwipsToPixels(g.height, dpi_);
  if (control.kind() == ControlKind::kLabel) {
    // The form designer's rule: a label with room for one line shows one line, a taller one
    // wraps. A line that needs more room than its box takes it, up to the form's edge.
    const bool one_line = height < 2 * LineHeight(child.hwnd);
    const LONG style = GetWindowLongA(child.hwnd, GWL_STYLE);
    const LONG wanted = (style & ~kStaticTypeMask) | (one_line ? SS_LEFTNOWORDWRAP : SS_LEFT);
    if (wanted != style) SetWindowLongA(child.hwnd, GWL_STYLE, wanted);
    if (one_line) {
      const int room = TwipsToPixels(form_.ClientWidth(), dpi_) - x;
      const int text = TextWidth(child.hwnd, control.Caption());
      if (text > width) width = std::max(width, std::min(text, room));
    }
    InvalidateRect(child.hwnd, nullptr, TRUE);
  }
  SetWindowPos(child.hwnd, nullptr, x, TwipsToPixels(g.top, dpi_), width, height,
               SWP_NOZORDER | SWP_NOACTIVATE);
}

int FormWindow::TextWidth(HWND hwnd, const std::string& text) const {
  if (text.empty()) return 0;
  HDC dc = GetDC(hwnd);
  if (dc == nullptr) return 0;
  HGDIOBJ old = SelectObject(dc, ui_.fonts().At(dpi_));
  SIZE size{0, 0};
  GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
  SelectObject(dc, old);
  ReleaseDC(hwnd, dc);
  return size.cx;
}

int FormWindow::LineHeight(HWND hwnd) const {
  HDC dc = GetDC(hwnd);
  if (dc == nullptr) return 1;
  HGDIOBJ old = SelectObject(dc, ui_.fonts().At(dpi_));
  TEXTMETRICA metrics{};
  GetTextMetricsA(dc, &metrics);
  SelectObject(dc, old);
  ReleaseDC(hwnd, dc);
  return std::max(1, static_cast<int>(metrics.tmHeight));
}

void FormWindow::AddListItem(Child& child, const std::string& item) {
  SendMessageA(child.hwnd, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
  child.text_width = std::max(child.text_width, TextWidth(child.hwnd, item));
  UpdateListExtent(child);
}

void FormWindow::UpdateListExtent(Child& child) {
  // The list draws its items a few pixels in from its edge.
  const int extent = child.text_width == 0 ? 0 : child.text_width + MulDiv(6, dpi_, 96);
  SendMessageA(child.hwnd, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(extent), 0);
}

// The details list lies below the progress window's first client area: it is a tab stop only
// while some of it can be seen.
void FormWindow::UpdateListTabStop() {
  RECT client;
  if (!GetClientRect(window_.get(), &client)) return;
  for (const Child& child : children_) {
    if (child.control->kind() != ControlKind::kListBox) continue;
    RECT r;
    GetWindowRect(child.hwnd, &r);
    MapWindowPoints(HWND_DESKTOP, window_.get(), reinterpret_cast<POINT*>(&r), 2);
    const bool in_view = r.top < client.bottom && r.left < client.right;
    const LONG style = GetWindowLongA(child.hwnd, GWL_STYLE);
    const LONG wanted = in_view ? style | WS_TABSTOP : style & ~WS_TABSTOP;
    if (wanted != style) SetWindowLongA(child.hwnd, GWL_STYLE, wanted);
    if (!in_view && GetFocus() == child.hwnd) MoveFocusFrom(child.hwnd);
  }
}

}  // namespace vrx::win32
