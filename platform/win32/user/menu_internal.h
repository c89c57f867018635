// Inside the stand-in's popup menus: the menu records behind the handles
// (menu.cpp), the tracking of a shown menu (menu_track.cpp) and its layout,
// drawing and placement (menu_draw.cpp).
#pragma once

#include <string>
#include <vector>

#include "platform/win32/api.h"

namespace menu {

struct Item {
  UINT flags = 0;  // MF_GRAYED, MF_DISABLED, MF_CHECKED, MF_SEPARATOR
  UINT_PTR id = 0;
  std::u16string text;
};

struct Menu {
  std::vector<Item> items;
};

// The live menu of a handle; null, with ERROR_INVALID_MENU_HANDLE, for any other.
Menu* find(HMENU handle);

// An item the user can choose: neither a separator nor greyed nor disabled.
inline bool selectable(const Item& item) { return !(item.flags & (MF_SEPARATOR | MF_GRAYED | MF_DISABLED)); }

// The position of the item the shown menu highlights when `handle` is the menu
// being tracked on this thread, else -1.
int highlighted(HMENU handle);

// Where each item lies in the menu window's client area, and the window's size.
struct Layout {
  std::vector<RECT> items;
  SIZE size{};
};
// The menu font of the desktop's settings (SPI_GETNONCLIENTMETRICS); the caller deletes it.
HFONT menu_font();
// Measured with the menu font selected into the device context.
Layout measure(HDC dc, const std::vector<Item>& items);
// The whole menu in the system's menu colours; `hot` is the highlighted item or -1.
void draw(HDC dc, const std::vector<Item>& items, const Layout& layout, int hot);
// The menu window's top-left corner for TrackPopupMenuEx's point and alignment
// flags: on the work area, on the other side of the point where it does not fit.
POINT place(POINT at, SIZE size, UINT flags);

}  // namespace menu
