// Reading another process's windows, as the Wine test tools do: a visible top-level window by its
// caption, and the items of a list box.
#pragma once

// clang-format off
#include <windows.h>
// clang-format on

#include <string>
#include <vector>

namespace vrx::wine_tools {

namespace window_query_detail {
struct Search {
  const std::string* caption;
  bool dialog_only;
  HWND found;
};
inline BOOL CALLBACK Match(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<Search*>(param);
  char text[1024] = {};
  GetWindowTextA(window, text, sizeof text);
  char cls[64] = {};
  GetClassNameA(window, cls, sizeof cls);
  if (IsWindowVisible(window) && *search->caption == text &&
      (!search->dialog_only || std::string(cls) == "#32770")) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}
}  // namespace window_query_detail

// The visible top-level window with the caption (only a message box when dialog_only), looked for
// again every 100 ms for up to `seconds`; null when there is none by then. With no seconds it
// looks once and answers at once.
inline HWND FindTopWindow(const std::string& caption, bool dialog_only, double seconds) {
  for (int waited = 0;; waited += 100) {
    window_query_detail::Search search{&caption, dialog_only, nullptr};
    EnumWindows(window_query_detail::Match, reinterpret_cast<LPARAM>(&search));
    if (search.found != nullptr) return search.found;
    if (waited >= seconds * 1000) return nullptr;
    Sleep(100);
  }
}

// The items of a list box, in the ANSI code page. Wine hands the text of another process's list
// box over in UTF-16 only, whichever variant is asked, so it is asked in UTF-16 and turned back.
inline std::vector<std::string> ListItems(HWND list) {
  std::vector<std::string> items;
  const LRESULT count = SendMessageA(list, LB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    wchar_t wide[1024] = {};
    SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(wide));
    char item[2048] = {};
    WideCharToMultiByte(CP_ACP, 0, wide, -1, item, sizeof item, nullptr, nullptr);
    items.emplace_back(item);
  }
  return items;
}

}  // namespace vrx::wine_tools
