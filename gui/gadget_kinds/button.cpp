// The button kind: a push "Button" with a check state and no procedure or
// colours of its own; its clicks reach the application through the window
// procedure's generic path as event 13100 with type 0 (BN_CLICKED).
#include "gui/gadget_internal.h"

namespace {

constexpr DWORD kBaseStyle = WS_CHILD | WS_VISIBLE | WS_GROUP | WS_TABSTOP;
static_assert(kBaseStyle == 0x50030000, "a button's base style");

int64_t get_state(GadgetObject* gadget) { return SendMessageW(gadget->handle, BM_GETCHECK, 0, 0) & 1; }

void set_state(GadgetObject* gadget, int64_t state) {
  SendMessageW(gadget->handle, BM_SETCHECK, state ? BST_CHECKED : BST_UNCHECKED, 0);
}

const GadgetKindOps kButtonKind = {
    .kind = GADGET_KIND_BUTTON,
    .size = sizeof(GadgetKindOps),
    .get_state = get_state,
    .set_state = set_state,
};

}  // namespace

int64_t gadget_new_button(int64_t number, int x, int y, int width, int height, const WCHAR* text, int64_t flags) {
  return gadget_create(number, &kButtonKind, WC_BUTTONW, text ? text : TEXT(""), kBaseStyle | static_cast<DWORD>(flags),
                       0, x, y, width, height, false);
}
