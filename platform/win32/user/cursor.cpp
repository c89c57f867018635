// Cursors as handles: the standard ones by their IDC_ number, shared and
// never freed, as in Win32 (icons are icon.cpp's); the one set is what the
// display shows. Also mouse tracking (WM_MOUSELEAVE).
#include "platform/win32/user/window_internal.h"

namespace user {
namespace {

struct IconRecord {
  bool cursor;
  WORD id;
};

// The standard cursors.
IconRecord cursors[] = {{true, 32512}, {true, 32513}, {true, 32514}, {true, 32515}, {true, 32516}, {true, 32640},
                        {true, 32641}, {true, 32642}, {true, 32643}, {true, 32644}, {true, 32645}, {true, 32646},
                        {true, 32648}, {true, 32649}, {true, 32650}, {true, 32651}};
HCURSOR current_cursor = nullptr;

template <size_t N>
HICON lookup(IconRecord (&table)[N], LPCWSTR name) {
  if (!IS_INTRESOURCE(name)) return nullptr;
  WORD id = static_cast<WORD>(reinterpret_cast<ULONG_PTR>(name));
  for (IconRecord& r : table)
    if (r.id == id) return reinterpret_cast<HICON>(&r);
  return nullptr;
}

HWND tracked = nullptr;  // the window that asked for WM_MOUSELEAVE

}  // namespace

// Called for every mouse message retrieved: leaving the tracked window tells it so.
void mouse_tracking(HWND now_under) {
  if (tracked && tracked != now_under) {
    HWND h = tracked;
    tracked = nullptr;
    if (find(h)) PostMessageW(h, WM_MOUSELEAVE, 0, 0);
  }
}

}  // namespace user

using namespace user;

HCURSOR LoadCursorW(HINSTANCE instance, LPCWSTR name) {
  HCURSOR cursor = name && !instance ? lookup(cursors, name) : nullptr;
  if (!cursor) SetLastError(1812L);
  return cursor;
}

HCURSOR SetCursor(HCURSOR cursor) {
  HCURSOR old = current_cursor;
  current_cursor = cursor;
  if (cursor != old) {
    // The display shows the standard shape; a cursor of our own making shows as the arrow.
    WORD id = 0;
    for (IconRecord& r : cursors)
      if (reinterpret_cast<HCURSOR>(&r) == cursor) id = r.id;
    display::current().set_cursor(display::cursor_shape(id));
  }
  return old;
}

HCURSOR GetCursor() { return current_cursor; }

BOOL DestroyCursor(HCURSOR cursor) { return cursor ? TRUE : FALSE; }

BOOL TrackMouseEvent(LPTRACKMOUSEEVENT track) {
  if (!track || track->cbSize != sizeof(TRACKMOUSEEVENT)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (track->dwFlags & TME_QUERY) {
    track->dwFlags = tracked ? TME_LEAVE : 0;
    track->hwndTrack = tracked;
    return TRUE;
  }
  if (!find_or_fail(track->hwndTrack)) return FALSE;
  if (track->dwFlags & TME_CANCEL) {
    if ((track->dwFlags & TME_LEAVE) && tracked == track->hwndTrack) tracked = nullptr;
    return TRUE;
  }
  if (track->dwFlags & TME_LEAVE) {
    POINT p = cursor_pos;
    Window* under = window_at(p);
    if (!under || under->handle != track->hwndTrack) {
      PostMessageW(track->hwndTrack, WM_MOUSELEAVE, 0, 0);  // already outside
      return TRUE;
    }
    tracked = track->hwndTrack;
  }
  return TRUE;
}
