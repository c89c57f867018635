// The list kind: a "ListBox" whose own procedure turns presses, releases and
// drags on its items, and requests for a context menu, into gadget events, and
// whose slots are single list-box messages. Selection changes and double
// clicks come as notifications to the parent, forwarded here.
#include <algorithm>
#include <cassert>

#include "gui/gadget_internal.h"
#include "runtime/mem.h"

namespace {

const WCHAR kMouseDownProperty[] = TEXT("KT_MouseDown");
// Both scroll bars, the notifications, strings kept by the list, and any height (no trimming to whole lines).
constexpr DWORD kBaseStyle = WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | WS_GROUP | WS_TABSTOP | LBS_NOTIFY |
                             LBS_HASSTRINGS | LBS_NOINTEGRALHEIGHT;
static_assert(kBaseStyle == 0x50330141, "a list's base style");
constexpr LONG kMultipleSelection = LBS_MULTIPLESEL | LBS_EXTENDEDSEL;
// A stored press point never reads as an absent property, even at (0, 0).
constexpr uint64_t kPointTag = uint64_t{1} << 32;

WNDPROC g_list_class_procedure;
int g_drag_x;
int g_drag_y;

LRESULT send(GadgetObject* gadget, UINT message, int64_t wp, LPARAM lp) {
  return SendMessageW(gadget->handle, message, static_cast<WPARAM>(wp), lp);
}

// Reading, adding and counting lines go straight to the list's own procedure
// while the gadget's two procedures are the only ones over it: they act on
// input and on the control's end only, and a page build or a save sends a few
// of these for each of a million lines. Whatever was put over them since is
// sent every message, as a message.
LRESULT data_send(GadgetObject* gadget, UINT message, WPARAM wp, LPARAM lp) {
  if (!gadget_procedure_first(gadget)) return SendMessageW(gadget->handle, message, wp, lp);
  assert(GetWindowThreadProcessId(gadget->handle, nullptr) == GetCurrentThreadId());
  return CallWindowProcW(g_list_class_procedure, gadget->handle, message, wp, lp);
}

WPARAM index_param(int64_t index) { return static_cast<WPARAM>(static_cast<INT_PTR>(static_cast<int32_t>(index))); }

bool multiple_selection(HWND list) { return (GetWindowLongW(list, GWL_STYLE) & kMultipleSelection) != 0; }

// A plain press on an item (on a selected one in an extended list) may start
// a drag: its point is kept until the release or the drag. Answers whether
// an extended list swallows the press.
bool press(HWND list, WPARAM keys, LPARAM point) {
  if (keys & (MK_SHIFT | MK_CONTROL)) {
    return false;
  }
  const LRESULT item = SendMessageW(list, LB_ITEMFROMPOINT, 0, point);
  if (HIWORD(item) != 0) {
    return false;  // outside every item
  }
  const bool extended = (GetWindowLongW(list, GWL_STYLE) & LBS_EXTENDEDSEL) != 0;
  if (extended && SendMessageW(list, LB_GETSEL, LOWORD(item), 0) <= 0) {
    return false;
  }
  const uint64_t stored = (static_cast<uint64_t>(point) & 0xFFFFFFFF) | kPointTag;
  SetPropW(list, kMouseDownProperty, reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(stored)));
  SetCapture(list);
  return extended;
}

bool moved_past_threshold(LPARAM pressed, LPARAM now) {
  const int dx = static_cast<int16_t>(LOWORD(now)) - static_cast<int16_t>(LOWORD(pressed));
  const int dy = static_cast<int16_t>(HIWORD(now)) - static_cast<int16_t>(HIWORD(pressed));
  return dx > g_drag_x || -dx > g_drag_x || dy > g_drag_y || -dy > g_drag_y;
}

void end_press(HWND list, int64_t type) {
  ReleaseCapture();
  RemovePropW(list, kMouseDownProperty);
  gadget_raise_event(list, type);
}

// The item under a point of the client area, -1 for none. Worked out from the
// top line and the line height, as LB_ITEMFROMPOINT's answer holds only 16 bits of index.
int64_t item_at(HWND list, POINT client) {
  RECT area{};
  GetClientRect(list, &area);
  const LRESULT top = SendMessageW(list, LB_GETTOPINDEX, 0, 0);
  const LRESULT height = SendMessageW(list, LB_GETITEMHEIGHT, 0, 0);
  if (!PtInRect(&area, client) || top < 0 || height <= 0) {
    return -1;
  }
  const int64_t item = top + client.y / height;
  return item < SendMessageW(list, LB_GETCOUNT, 0, 0) ? item : -1;
}

// From the keyboard the menu opens below the selected line, or at the list's corner when that line is not in view.
GadgetMenuPoint keyboard_point(HWND list) {
  const LRESULT selected = SendMessageW(list, LB_GETCURSEL, 0, 0);
  RECT area{}, line{}, seen{};
  GetClientRect(list, &area);
  POINT at{0, 0};
  if (selected >= 0 &&
      SendMessageW(list, LB_GETITEMRECT, static_cast<WPARAM>(selected), reinterpret_cast<LPARAM>(&line)) != LB_ERR &&
      IntersectRect(&seen, &line, &area)) {
    at = POINT{seen.left, seen.bottom};
  }
  ClientToScreen(list, &at);
  return GadgetMenuPoint{at.x, at.y, selected >= 0 ? static_cast<int64_t>(selected) : -1};
}

// A context-menu request: event type 1 with the point and item it is for. The
// right button's release and the WM_CONTEXTMENU it brings are one request, which the queue merges.
void raise_menu_request(HWND list, const GadgetMenuPoint& point) {
  auto* data = static_cast<GadgetMenuPoint*>(mem_alloc(sizeof(GadgetMenuPoint)));
  if (data) {
    *data = point;
  }
  gadget_raise_event_with_data(list, GADGET_TYPE_RIGHT_CLICK, data, data ? mem_free : nullptr);
}

GadgetMenuPoint mouse_point(HWND list, POINT screen) {
  POINT client = screen;
  ScreenToClient(list, &client);
  return GadgetMenuPoint{screen.x, screen.y, item_at(list, client)};
}

POINT point_of(LPARAM lp) { return POINT{static_cast<int16_t>(LOWORD(lp)), static_cast<int16_t>(HIWORD(lp))}; }

LRESULT CALLBACK list_procedure(HWND list, UINT message, WPARAM wp, LPARAM lp) {
  switch (message) {
    case WM_LBUTTONDOWN:
      if (press(list, wp, lp)) {
        return 0;  // a press on the selection of an extended list may start a drag, not a new selection
      }
      break;
    case WM_MOUSEMOVE: {
      HANDLE pressed = GetPropW(list, kMouseDownProperty);
      if (pressed && moved_past_threshold(static_cast<LPARAM>(reinterpret_cast<UINT_PTR>(pressed) & 0xFFFFFFFF), lp)) {
        end_press(list, GADGET_TYPE_DRAG_START);
      }
      break;
    }
    case WM_LBUTTONUP:
      if (GetPropW(list, kMouseDownProperty)) {
        end_press(list, GADGET_TYPE_LEFT_CLICK);
      }
      break;
    case WM_RBUTTONUP: {
      POINT screen = point_of(lp);
      ClientToScreen(list, &screen);
      raise_menu_request(list, mouse_point(list, screen));
      break;
    }
    case WM_CONTEXTMENU: {
      // From the keyboard both coordinates are -1. The list answers the request: it goes no further up.
      const POINT at = point_of(lp);
      raise_menu_request(list, at.x == -1 && at.y == -1 ? keyboard_point(list) : mouse_point(list, at));
      return 0;
    }
    default: break;
  }
  return CallWindowProcW(g_list_class_procedure, list, message, wp, lp);
}

LRESULT parent_message(GadgetObject* gadget, HWND parent, UINT message, WPARAM wp, LPARAM lp) {
  (void)parent;
  (void)lp;
  if (message == WM_COMMAND) {
    if (HIWORD(wp) == LBN_DBLCLK) {
      gadget_raise_event(gadget->handle, GADGET_TYPE_DOUBLE_CLICK);
    } else if (HIWORD(wp) == LBN_SELCHANGE) {
      gadget_raise_event(gadget->handle, GADGET_TYPE_LEFT_CLICK);
    }
    return 0;
  }
  if (message == WM_CTLCOLORLISTBOX) {
    return gadget_color_answer(gadget, reinterpret_cast<HDC>(wp), COLOR_WINDOW);
  }
  return GADGET_NOT_HANDLED;
}

void on_destroy(GadgetObject* gadget) {
  RemovePropW(gadget->handle, kMouseDownProperty);
  gadget_color_release(gadget);
}

int64_t get_state(GadgetObject* gadget) {
  if (!multiple_selection(gadget->handle)) {
    return static_cast<int32_t>(send(gadget, LB_GETCURSEL, 0, 0));
  }
  int first = -1;
  if (send(gadget, LB_GETSELITEMS, 1, reinterpret_cast<LPARAM>(&first)) != 1) {
    return -1;
  }
  return first;
}

void set_state(GadgetObject* gadget, int64_t state) {
  if (!multiple_selection(gadget->handle)) {
    send(gadget, LB_SETCURSEL, static_cast<int64_t>(index_param(state)), 0);
    return;
  }
  const LRESULT count = send(gadget, LB_GETCOUNT, 0, 0);
  if (count > 0) {
    send(gadget, LB_SELITEMRANGEEX, count - 1, 0);
  }
  if (state != -1) {
    SendMessageW(gadget->handle, LB_SETSEL, 1, static_cast<LPARAM>(static_cast<int32_t>(state)));
  }
}

WCHAR* get_item_text(GadgetObject* gadget, int64_t index, int64_t column, int32_t offset) {
  (void)column;
  const WPARAM item = index_param(index);
  const LRESULT length = data_send(gadget, LB_GETTEXTLEN, item, 0);
  const int32_t units = length < 0 ? 0 : static_cast<int32_t>(length);
  WCHAR* room = gadget_stack_room(offset, units);
  const LRESULT written = length < 0 ? 0 : data_send(gadget, LB_GETTEXT, item, reinterpret_cast<LPARAM>(room));
  return gadget_stack_fit(offset, units, written);
}

WCHAR* get_text(GadgetObject* gadget, int32_t offset) {
  return get_item_text(gadget, static_cast<int32_t>(send(gadget, LB_GETCURSEL, 0, 0)), 0, offset);
}

void set_text(GadgetObject* gadget, const WCHAR* text) {
  const LRESULT found = SendMessageW(gadget->handle, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                     reinterpret_cast<LPARAM>(text));
  if (!multiple_selection(gadget->handle)) {
    SendMessageW(gadget->handle, LB_SETCURSEL, index_param(found), 0);
  } else if (found != LB_ERR) {
    SendMessageW(gadget->handle, LB_SETSEL, 1, found);
  }
}

int64_t add_item(GadgetObject* gadget, int64_t position, const WCHAR* text, HANDLE image) {
  (void)image;
  data_send(gadget, LB_INSERTSTRING, index_param(position), reinterpret_cast<LPARAM>(text));
  return 0;
}

void remove_item(GadgetObject* gadget, int64_t index) {
  SendMessageW(gadget->handle, LB_DELETESTRING, index_param(index), 0);
}

void clear_items(GadgetObject* gadget) { send(gadget, LB_RESETCONTENT, 0, 0); }

// The room is only a hint: when the list cannot reserve it, adding goes on as
// it would have. The list counts text in bytes with each item's terminator,
// and the message carries 32 bits of each number.
void reserve_items(GadgetObject* gadget, int64_t items, int64_t units) {
  constexpr int64_t kMost = INT32_MAX;
  const int64_t bytes = std::min(units + items, kMost / 2) * static_cast<int64_t>(sizeof(WCHAR));
  send(gadget, LB_INITSTORAGE, std::min(items, kMost), static_cast<LPARAM>(bytes));
}

int64_t count_items(GadgetObject* gadget) { return static_cast<int32_t>(data_send(gadget, LB_GETCOUNT, 0, 0)); }

int64_t get_item_state(GadgetObject* gadget, int64_t index) {
  return static_cast<int32_t>(SendMessageW(gadget->handle, LB_GETSEL, index_param(index), 0));
}

void set_item_state(GadgetObject* gadget, int64_t index, int64_t state) {
  SendMessageW(gadget->handle, LB_SETSEL, state ? 1 : 0, static_cast<LPARAM>(static_cast<int32_t>(index)));
}

void set_item_text(GadgetObject* gadget, int64_t index, const WCHAR* text) {
  const WPARAM item = index_param(index);
  const LRESULT data = SendMessageW(gadget->handle, LB_GETITEMDATA, item, 0);
  if (SendMessageW(gadget->handle, LB_DELETESTRING, item, 0) == LB_ERR) {
    return;
  }
  if (SendMessageW(gadget->handle, LB_INSERTSTRING, item, reinterpret_cast<LPARAM>(text)) >= 0) {
    SendMessageW(gadget->handle, LB_SETITEMDATA, item, data);
  }
}

void set_item_data(GadgetObject* gadget, int64_t index, int64_t data) {
  SendMessageW(gadget->handle, LB_SETITEMDATA, index_param(index), static_cast<LPARAM>(data));
}

int64_t get_item_data(GadgetObject* gadget, int64_t index) {
  return static_cast<int64_t>(SendMessageW(gadget->handle, LB_GETITEMDATA, index_param(index), 0));
}

const GadgetKindOps kListKind = {
    .kind = GADGET_KIND_LIST,
    .size = sizeof(GadgetKindOps),
    .parent_message = parent_message,
    .on_destroy = on_destroy,
    .get_state = get_state,
    .set_state = set_state,
    .get_text = get_text,
    .set_text = set_text,
    .add_item = add_item,
    .remove_item = remove_item,
    .clear_items = clear_items,
    .reserve_items = reserve_items,
    .count_items = count_items,
    .get_item_state = get_item_state,
    .set_item_state = set_item_state,
    .get_item_text = get_item_text,
    .set_item_text = set_item_text,
    .set_color = gadget_color_set,
    .get_color = gadget_color_get,
    .set_item_data = set_item_data,
    .get_item_data = get_item_data,
};

}  // namespace

int64_t gadget_new_list(int64_t number, int x, int y, int width, int height, int64_t flags) {
  static bool thresholds_read;
  if (!thresholds_read) {
    g_drag_x = GetSystemMetrics(SM_CXDRAG);
    g_drag_y = GetSystemMetrics(SM_CYDRAG);
    thresholds_read = true;
  }
  return gadget_create(number, &kListKind, WC_LISTBOXW, nullptr, kBaseStyle | static_cast<DWORD>(flags),
                       WS_EX_CLIENTEDGE, x, y, width, height, true, list_procedure, &g_list_class_procedure);
}
