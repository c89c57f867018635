// The string field kind: a one-line "Edit" that raises focus events, answers
// its colour requests, and has one attribute, its maximum text length. Its
// text goes through the platform fallbacks; its edit notifications reach the
// application through the window procedure's generic path.
#include "gui/gadget_internal.h"

namespace {

constexpr DWORD kBaseStyle = WS_CHILD | WS_VISIBLE | WS_GROUP | WS_TABSTOP | ES_AUTOHSCROLL;
static_assert(kBaseStyle == 0x50030080, "a field's base style");
constexpr int64_t kNoBorderFlag = 0x20000;
constexpr int64_t kLargestLimit = 0x7FFFFFFE;

WNDPROC g_edit_class_procedure;

LRESULT CALLBACK field_procedure(HWND field, UINT message, WPARAM wp, LPARAM lp) {
  if (message == WM_SETFOCUS) {
    gadget_raise_event(field, GADGET_TYPE_FOCUS);
  } else if (message == WM_KILLFOCUS) {
    gadget_raise_event(field, GADGET_TYPE_LOST_FOCUS);
  }
  return CallWindowProcW(g_edit_class_procedure, field, message, wp, lp);
}

LRESULT parent_message(GadgetObject* gadget, HWND parent, UINT message, WPARAM wp, LPARAM lp) {
  (void)parent;
  (void)lp;
  if (message == WM_CTLCOLOREDIT) {
    return gadget_color_answer(gadget, reinterpret_cast<HDC>(wp), COLOR_WINDOW);
  }
  // A read-only field asks as a static; a disabled one keeps the platform's look.
  if (message == WM_CTLCOLORSTATIC && IsWindowEnabled(gadget->handle)) {
    return gadget_color_answer(gadget, reinterpret_cast<HDC>(wp), COLOR_3DFACE);
  }
  return GADGET_NOT_HANDLED;
}

void on_destroy(GadgetObject* gadget) {
  gadget_color_release(gadget);
  gadget_fit_release(gadget);
}

int64_t get_attribute(GadgetObject* gadget, int64_t attribute) {
  if (attribute != GADGET_ATTRIBUTE_TEXT_LIMIT) {
    return 0;
  }
  return static_cast<int64_t>(static_cast<UINT>(SendMessageW(gadget->handle, EM_GETLIMITTEXT, 0, 0)));
}

void set_attribute(GadgetObject* gadget, int64_t attribute, int64_t value) {
  if (attribute != GADGET_ATTRIBUTE_TEXT_LIMIT) {
    return;
  }
  if (value < 1) {
    value = 1;
  }
  if (value > kLargestLimit) {
    value = kLargestLimit;
  }
  SendMessageW(gadget->handle, EM_SETLIMITTEXT, static_cast<WPARAM>(value), 0);
}

const GadgetKindOps kFieldKind = {
    .kind = GADGET_KIND_FIELD,
    .size = sizeof(GadgetKindOps),
    .parent_message = parent_message,
    .on_destroy = on_destroy,
    .get_attribute = get_attribute,
    .set_attribute = set_attribute,
    .set_color = gadget_color_set,
    .get_color = gadget_color_get,
};

}  // namespace

int64_t gadget_new_field(int64_t number, int x, int y, int width, int height, const WCHAR* text, int64_t flags) {
  const DWORD ex_style = (flags & kNoBorderFlag) ? 0 : WS_EX_CLIENTEDGE;
  return gadget_create(number, &kFieldKind, WC_EDITW, text ? text : TEXT(""), kBaseStyle | static_cast<DWORD>(flags),
                       ex_style, x, y, width, height, true, field_procedure, &g_edit_class_procedure);
}
