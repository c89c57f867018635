// The container kind: a plain child window of the library's own class
// "KyteContainer" that holds other gadgets. It becomes the current gadget
// list when created, paints its background with its own brush, and hands
// every other message to the window procedure, so the notifications and
// colour requests of its children reach them as in a top-level window.
#include "gui/gadget_internal.h"
#include "gui/window.h"

namespace {

const WCHAR kClassName[] = TEXT("KyteContainer");

HBRUSH container_brush(HWND container) { return reinterpret_cast<HBRUSH>(GetWindowLongPtrW(container, 0)); }

void set_container_brush(HWND container, HBRUSH brush) {
  SetWindowLongPtrW(container, 0, reinterpret_cast<LONG_PTR>(brush));
}

LRESULT CALLBACK container_procedure(HWND container, UINT message, WPARAM wp, LPARAM lp) {
  switch (message) {
    case WM_SIZE: gadget_raise_forced_event(container, GADGET_TYPE_LEFT_CLICK); break;
    case WM_ERASEBKGND: {
      HBRUSH brush = container_brush(container);
      if (!brush) {
        return DefWindowProcW(container, message, wp, lp);
      }
      RECT area;
      GetClientRect(container, &area);
      FillRect(reinterpret_cast<HDC>(wp), &area, brush);
      return 0;
    }
    default: break;
  }
  return win_procedure(container, message, wp, lp);
}

void on_destroy(GadgetObject* gadget) {
  gadget_brush_release(container_brush(gadget->handle));
  set_container_brush(gadget->handle, nullptr);
}

void reopen_list(GadgetObject* gadget) { gadget_list_push(gadget->handle); }

void set_color(GadgetObject* gadget, int32_t which, int32_t color) {
  if (which != GADGET_BACK_COLOR) {
    return;
  }
  gadget_brush_release(container_brush(gadget->handle));
  set_container_brush(gadget->handle, color == -1 ? nullptr : gadget_brush_take(color));
  gadget->back_color = color;
  RedrawWindow(gadget->handle, nullptr, nullptr, RDW_INVALIDATE | RDW_INTERNALPAINT | RDW_ERASE | RDW_FRAME);
}

int32_t get_color(GadgetObject* gadget, int32_t which) { return which == GADGET_BACK_COLOR ? gadget->back_color : -1; }

const GadgetKindOps kContainerKind = {
    .kind = GADGET_KIND_CONTAINER,
    .size = sizeof(GadgetKindOps),
    .on_destroy = on_destroy,
    .reopen_list = reopen_list,
    .set_color = set_color,
    .get_color = get_color,
};

bool register_class() {
  static bool registered;
  if (!registered) {
    WNDCLASSEXW container_class = {};
    container_class.cbSize = sizeof(container_class);
    container_class.lpfnWndProc = container_procedure;
    container_class.cbWndExtra = 8;
    container_class.hInstance = gadget_instance();
    container_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    container_class.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(16));
    container_class.lpszClassName = kClassName;
    registered = RegisterClassExW(&container_class) != 0;
  }
  return registered;
}

}  // namespace

int64_t gadget_new_container(int64_t number, int x, int y, int width, int height, int64_t flags) {
  if (!register_class()) {
    return 0;
  }
  DWORD style = WS_CHILD | WS_VISIBLE;
  DWORD ex_style = 0;
  if (flags & 0x1) {
    style |= WS_BORDER;
  } else if (flags & 0x2) {
    style |= WS_DLGFRAME;
  } else if (flags & 0x4) {
    ex_style = WS_EX_STATICEDGE;
  } else if (flags & 0x8) {
    ex_style = WS_EX_CLIENTEDGE;
  }
  HWND container = gadget_create_control(kClassName, nullptr, style, ex_style, x, y, width, height);
  if (!container) {
    return 0;
  }
  GadgetObject* gadget = gadget_new_object(container, number, true);
  if (!gadget) {
    return 0;
  }
  SetClassLongPtrW(container, GCLP_HBRBACKGROUND, 16);
  set_container_brush(container, nullptr);
  gadget_list_push(container);
  InvalidateRect(container, nullptr, TRUE);
  return gadget_register(gadget, container, &kContainerKind, number);
}
