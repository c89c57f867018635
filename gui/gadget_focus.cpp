// The keyboard among gadgets: which gadget has the focus, giving it to one,
// and pressing a button from the keyboard as a click presses it.
#include "gui/gadget.h"

int64_t gadget_get_focus() {
  // A control's inner child window counts as the control.
  for (HWND w = GetFocus(); w; w = GetParent(w)) {
    if (gadget_from_handle(w)) return static_cast<int64_t>(GetWindowLongPtrW(w, GWLP_ID));
    if (!(GetWindowLongW(w, GWL_STYLE) & WS_CHILD)) break;
  }
  return 0;
}

void gadget_set_focus(int64_t gadget) {
  GadgetObject* object = gadget_object(gadget);
  if (!object) return;
  SetFocus(object->handle);
  // Typing then replaces what the field held, as after tabbing into a dialog's field.
  if (object->kind->kind == GADGET_KIND_FIELD && GetFocus() == object->handle) {
    SendMessageW(object->handle, EM_SETSEL, 0, -1);
  }
}

void gadget_press(int64_t gadget) {
  GadgetObject* object = gadget_object(gadget);
  if (object && object->kind->kind == GADGET_KIND_BUTTON) SendMessageW(object->handle, BM_CLICK, 0, 0);
}
