// Popup menus as objects: a list of items (strings and separators) with
// their states, reached through checked handles that are never reused, so a
// destroyed menu's handle is refused rather than taken for another menu.
#include <memory>
#include <mutex>
#include <unordered_map>

#include "platform/win32/user/menu_internal.h"

namespace menu {

namespace {

// Menus may be made on any thread, as in Win32; the table is shared.
std::mutex table_lock;
uintptr_t next_handle = 0x10000;

std::unordered_map<uintptr_t, std::unique_ptr<Menu>>& table() {
  static auto* menus = new std::unordered_map<uintptr_t, std::unique_ptr<Menu>>;
  return *menus;
}

constexpr UINT kStateFlags = MF_GRAYED | MF_DISABLED | MF_CHECKED;
constexpr UINT kEnableFlags = MF_GRAYED | MF_DISABLED;
constexpr UINT kNotOffered = MF_POPUP | MF_BITMAP | MF_OWNERDRAW | MF_MENUBREAK | MF_MENUBARBREAK;
constexpr UINT kNoItem = static_cast<UINT>(-1);

// The item named by a command identifier (the first that has it) or, with MF_BYPOSITION, by its position.
Item* item_of(HMENU handle, UINT which, UINT flags) {
  Menu* m = find(handle);
  if (!m) return nullptr;
  if (flags & MF_BYPOSITION) return which < m->items.size() ? &m->items[which] : nullptr;
  for (Item& item : m->items)
    if (!(item.flags & MF_SEPARATOR) && item.id == which) return &item;
  return nullptr;
}

}  // namespace

Menu* find(HMENU handle) {
  std::lock_guard<std::mutex> guard(table_lock);
  auto it = table().find(reinterpret_cast<uintptr_t>(handle));
  if (it != table().end()) return it->second.get();
  SetLastError(ERROR_INVALID_MENU_HANDLE);
  return nullptr;
}

}  // namespace menu

using namespace menu;

HMENU CreatePopupMenu() {
  std::lock_guard<std::mutex> guard(table_lock);
  uintptr_t handle = next_handle;
  next_handle += 4;
  table()[handle] = std::make_unique<Menu>();
  return reinterpret_cast<HMENU>(handle);
}

BOOL DestroyMenu(HMENU handle) {
  std::lock_guard<std::mutex> guard(table_lock);
  if (table().erase(reinterpret_cast<uintptr_t>(handle))) return TRUE;
  SetLastError(ERROR_INVALID_MENU_HANDLE);
  return FALSE;
}

BOOL IsMenu(HMENU handle) { return find(handle) ? TRUE : FALSE; }

BOOL AppendMenuW(HMENU handle, UINT flags, UINT_PTR id, LPCWSTR text) {
  Menu* m = find(handle);
  if (!m) return FALSE;
  if (flags & kNotOffered) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return FALSE;
  }
  Item item;
  item.flags = flags & (kStateFlags | MF_SEPARATOR);
  item.id = id;
  if (!(flags & MF_SEPARATOR) && text) item.text = text;
  m->items.push_back(std::move(item));
  return TRUE;
}

// The previous state (MF_ENABLED, MF_GRAYED, MF_DISABLED), or -1 when there is no such item.
BOOL EnableMenuItem(HMENU handle, UINT which, UINT enable) {
  Item* item = item_of(handle, which, enable);
  if (!item) return -1;
  const BOOL previous = static_cast<BOOL>(item->flags & kEnableFlags);
  item->flags = (item->flags & ~kEnableFlags) | (enable & kEnableFlags);
  return previous;
}

// The previous state (MF_CHECKED or MF_UNCHECKED), or -1 when there is no such item.
DWORD CheckMenuItem(HMENU handle, UINT which, UINT check) {
  Item* item = item_of(handle, which, check);
  if (!item) return kNoItem;
  const DWORD previous = item->flags & MF_CHECKED;
  item->flags = (item->flags & ~static_cast<UINT>(MF_CHECKED)) | (check & MF_CHECKED);
  return previous;
}

int GetMenuItemCount(HMENU handle) {
  Menu* m = find(handle);
  return m ? static_cast<int>(m->items.size()) : -1;
}

UINT GetMenuState(HMENU handle, UINT which, UINT flags) {
  Item* item = item_of(handle, which, flags);
  if (!item) return kNoItem;
  UINT state = item->flags;
  Menu* m = find(handle);
  if (highlighted(handle) == static_cast<int>(item - m->items.data())) state |= MF_HILITE;
  return state;
}
