// The generic gadget operations: each finds the gadget, then runs its kind's
// slot or the platform fallback. The changes the program itself makes (text,
// state, adding and removing items) run with events suppressed, so the
// notifications they cause raise no events.
#include "gui/event.h"
#include "gui/gadget_internal.h"
#include "runtime/text.h"

namespace {

struct Suppressed {
  Suppressed() { event_suppress_begin(); }
  ~Suppressed() { event_suppress_end(); }
  Suppressed(const Suppressed&) = delete;
  Suppressed& operator=(const Suppressed&) = delete;
};

const WCHAR* text_or_empty(const WCHAR* text) { return text ? text : TEXT(""); }

WCHAR* empty_text(int32_t offset) { return text_stack_at(text_stack_cut(offset)); }

HFONT font_or_default(HFONT font) {
  return font == GADGET_DEFAULT_FONT ? static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)) : font;
}

}  // namespace

void gadget_set_text(int64_t gadget, const WCHAR* text) {
  GadgetObject* object = gadget_object(gadget);
  if (!object) {
    return;
  }
  Suppressed quiet;
  if (object->kind->set_text) {
    object->kind->set_text(object, text_or_empty(text));
  } else {
    SetWindowTextW(object->handle, text_or_empty(text));
  }
}

WCHAR* gadget_get_text(int64_t gadget, int32_t offset) {
  GadgetObject* object = gadget_object(gadget);
  if (!object) {
    return empty_text(offset);
  }
  if (object->kind->get_text) {
    return object->kind->get_text(object, offset);
  }
  const int length = GetWindowTextLengthW(object->handle);
  WCHAR* room = gadget_stack_room(offset, length);
  const int written = GetWindowTextW(object->handle, room, length + 1);
  return gadget_stack_fit(offset, length, written);
}

int64_t gadget_get_state(int64_t gadget) {
  GadgetObject* object = gadget_object(gadget);
  return object && object->kind->get_state ? object->kind->get_state(object) : 0;
}

void gadget_set_state(int64_t gadget, int64_t state) {
  GadgetObject* object = gadget_object(gadget);
  if (object && object->kind->set_state) {
    Suppressed quiet;
    object->kind->set_state(object, state);
  }
}

int64_t gadget_add_item(int64_t gadget, int64_t position, const WCHAR* text) {
  GadgetObject* object = gadget_object(gadget);
  if (!object) {
    return 0;
  }
  Suppressed quiet;
  if (object->kind->add_item_flags) {
    return object->kind->add_item_flags(object, position, text_or_empty(text), nullptr, 0);
  }
  return object->kind->add_item ? object->kind->add_item(object, position, text_or_empty(text), nullptr) : 0;
}

void gadget_remove_item(int64_t gadget, int64_t index) {
  GadgetObject* object = gadget_object(gadget);
  if (object && object->kind->remove_item) {
    Suppressed quiet;
    object->kind->remove_item(object, index);
  }
}

void gadget_clear(int64_t gadget) {
  GadgetObject* object = gadget_object(gadget);
  if (object && object->kind->clear_items) {
    object->kind->clear_items(object);
  }
}

int64_t gadget_item_count(int64_t gadget) {
  GadgetObject* object = gadget_object(gadget);
  return object && object->kind->count_items ? static_cast<int32_t>(object->kind->count_items(object)) : 0;
}

WCHAR* gadget_item_text(int64_t gadget, int64_t index, int32_t offset) {
  return gadget_item_text(gadget, index, 0, offset);
}

WCHAR* gadget_item_text(int64_t gadget, int64_t index, int64_t column, int32_t offset) {
  GadgetObject* object = gadget_object(gadget);
  if (!object || !object->kind->get_item_text) {
    return empty_text(offset);
  }
  return object->kind->get_item_text(object, index, column, offset);
}

void gadget_set_item_text(int64_t gadget, int64_t index, const WCHAR* text) {
  GadgetObject* object = gadget_object(gadget);
  if (object && object->kind->set_item_text) {
    object->kind->set_item_text(object, index, text_or_empty(text));
  }
}

int64_t gadget_get_item_state(int64_t gadget, int64_t index) {
  GadgetObject* object = gadget_object(gadget);
  return object && object->kind->get_item_state ? object->kind->get_item_state(object, index) : 0;
}

void gadget_set_item_state(int64_t gadget, int64_t index, int64_t state) {
  GadgetObject* object = gadget_object(gadget);
  if (object && object->kind->set_item_state) {
    object->kind->set_item_state(object, index, state);
  }
}

void gadget_set_item_data(int64_t gadget, int64_t index, int64_t data) {
  GadgetObject* object = gadget_object(gadget);
  if (object && object->kind->set_item_data) {
    object->kind->set_item_data(object, index, data);
  }
}

int64_t gadget_get_item_data(int64_t gadget, int64_t index) {
  GadgetObject* object = gadget_object(gadget);
  return object && object->kind->get_item_data ? object->kind->get_item_data(object, index) : 0;
}

int64_t gadget_get_attribute(int64_t gadget, int64_t attribute) {
  GadgetObject* object = gadget_object(gadget);
  return object && object->kind->get_attribute ? object->kind->get_attribute(object, attribute) : 0;
}

void gadget_set_attribute(int64_t gadget, int64_t attribute, int64_t value) {
  GadgetObject* object = gadget_object(gadget);
  if (object && object->kind->set_attribute) {
    object->kind->set_attribute(object, attribute, value);
  }
}

void gadget_set_color(int64_t gadget, int32_t which, int32_t color) {
  GadgetObject* object = gadget_object(gadget);
  if (object && object->kind->set_color) {
    object->kind->set_color(object, which, color);
  }
}

int32_t gadget_get_color(int64_t gadget, int32_t which) {
  GadgetObject* object = gadget_object(gadget);
  if (!object) {
    return 0;
  }
  return object->kind->get_color ? object->kind->get_color(object, which) : -1;
}

void gadget_set_font(int64_t gadget, HFONT font) {
  if (gadget == -1) {
    GadgetListState* state = gadget_list_state();
    if (state) {
      state->font = font_or_default(font);
    }
    return;
  }
  GadgetObject* object = gadget_object(gadget);
  if (!object) {
    return;
  }
  if (object->kind->set_font) {
    object->kind->set_font(object, font);
  } else {
    SendMessageW(object->handle, WM_SETFONT, reinterpret_cast<WPARAM>(font_or_default(font)), 1);
  }
}

void gadget_set_hidden(int64_t gadget, int64_t hide) {
  GadgetObject* object = gadget_object(gadget);
  if (!object) {
    return;
  }
  if (object->kind->hide) {
    object->kind->hide(object, hide);
  } else {
    ShowWindow(object->handle, hide ? SW_HIDE : SW_SHOW);
  }
}
