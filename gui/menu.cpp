// Popup menus over the platform's own: strings, separators and greyed items,
// tracked with the right button as well as the left, the choice answered
// rather than sent as a command.
#include "gui/menu.h"

#include "gui/window.h"

HMENU menu_new() { return CreatePopupMenu(); }

bool menu_add_item(HMENU menu, int64_t item, const WCHAR* text, bool enabled) {
  if (!menu || item < 1 || item > MENU_LAST_ITEM) return false;
  const UINT flags = MF_STRING | (enabled ? MF_ENABLED : MF_GRAYED);
  return AppendMenuW(menu, flags, static_cast<UINT_PTR>(item), text ? text : TEXT("")) != FALSE;
}

bool menu_add_separator(HMENU menu) { return menu && AppendMenuW(menu, MF_SEPARATOR, 0, nullptr) != FALSE; }

int64_t menu_popup(HMENU menu, int64_t window, int x, int y) {
  HWND owner = win_handle(window);
  if (!menu || !owner) return 0;
  constexpr UINT kFlags = TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD;
  return TrackPopupMenuEx(menu, kFlags, x, y, owner, nullptr);
}

void menu_free(HMENU menu) {
  if (menu) DestroyMenu(menu);
}
