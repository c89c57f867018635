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

// The slot of a gadget's kind, run with the arguments; the fallback when the
// number names no gadget or the kind has no such slot.
template <auto Slot, typename Result, typename... Args>
Result answer(int64_t gadget, Result fallback, Args... args) {
  GadgetObject* object = gadget_object(gadget);
  const auto routine = object ? object->kind->*Slot : nullptr;
  return routine ? static_cast<Result>(routine(object, args...)) : fallback;
}

template <auto Slot, typename... Args>
void run(int64_t gadget, Args... args) {
  GadgetObject* object = gadget_object(gadget);
  const auto routine = object ? object->kind->*Slot : nullptr;
  if (routine) {
    routine(object, args...);
  }
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

int64_t gadget_get_state(int64_t gadget) { return answer<&GadgetKindOps::get_state>(gadget, int64_t{0}); }

void gadget_set_state(int64_t gadget, int64_t state) {
  Suppressed quiet;
  run<&GadgetKindOps::set_state>(gadget, state);
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
  Suppressed quiet;
  run<&GadgetKindOps::remove_item>(gadget, index);
}

void gadget_clear(int64_t gadget) { run<&GadgetKindOps::clear_items>(gadget); }

void gadget_reserve_items(int64_t gadget, int64_t items, int64_t units) {
  if (items > 0 && units >= 0) {
    run<&GadgetKindOps::reserve_items>(gadget, items, units);
  }
}

void gadget_set_redraw(int64_t gadget, bool redraw) {
  GadgetObject* object = gadget_object(gadget);
  if (!object) {
    return;
  }
  SendMessageW(object->handle, WM_SETREDRAW, redraw ? TRUE : FALSE, 0);
  if (redraw) {
    InvalidateRect(object->handle, nullptr, TRUE);  // what changed while drawing was off
  }
}

int64_t gadget_item_count(int64_t gadget) {
  return static_cast<int32_t>(answer<&GadgetKindOps::count_items>(gadget, int64_t{0}));
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
  run<&GadgetKindOps::set_item_text>(gadget, index, text_or_empty(text));
}

int64_t gadget_get_item_state(int64_t gadget, int64_t index) {
  return answer<&GadgetKindOps::get_item_state>(gadget, int64_t{0}, index);
}

void gadget_set_item_state(int64_t gadget, int64_t index, int64_t state) {
  run<&GadgetKindOps::set_item_state>(gadget, index, state);
}

void gadget_set_item_data(int64_t gadget, int64_t index, int64_t data) {
  run<&GadgetKindOps::set_item_data>(gadget, index, data);
}

int64_t gadget_get_item_data(int64_t gadget, int64_t index) {
  return answer<&GadgetKindOps::get_item_data>(gadget, int64_t{0}, index);
}

int64_t gadget_get_attribute(int64_t gadget, int64_t attribute) {
  return answer<&GadgetKindOps::get_attribute>(gadget, int64_t{0}, attribute);
}

void gadget_set_attribute(int64_t gadget, int64_t attribute, int64_t value) {
  run<&GadgetKindOps::set_attribute>(gadget, attribute, value);
}

void gadget_set_color(int64_t gadget, int32_t which, int32_t color) {
  run<&GadgetKindOps::set_color>(gadget, which, color);
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
