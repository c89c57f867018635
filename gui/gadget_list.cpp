// Gadget lists: the window or container that receives new gadgets, the stack
// of earlier ones, and the per-window records that keep a window's lists
// while another window is current.
#include "gui/gadget_internal.h"
#include "runtime/mem.h"
#include "runtime/text.h"

namespace {

constexpr int32_t kStackStep = 10;

// A window's lists while another window's are current.
struct SavedLists {
  HWND current;
  HWND* stack;
  int32_t depth;
  int32_t capacity;
};

// Kept in the window property named from "KT_GadgetStack_%I64i".
struct GadgetWindowRecord {
  HWND window;
  SavedLists saved;
  WNDPROC previous_procedure;
};

WCHAR g_property[64];

GadgetWindowRecord* record_of(HWND window) {
  return window ? static_cast<GadgetWindowRecord*>(GetPropW(window, g_property)) : nullptr;
}

// The window that owns the current lists: the bottom of the stack, or the
// current list itself while the stack is empty.
HWND lists_owner(const GadgetListState* state) { return state->depth > 0 ? state->stack[0] : state->current_list; }

// Detaches the current lists from the state.
SavedLists take_lists(GadgetListState* state) {
  const SavedLists lists = {state->current_list, state->stack, state->depth, state->capacity};
  state->stack = nullptr;
  state->depth = 0;
  state->capacity = 0;
  return lists;
}

void drop_stack(GadgetListState* state) { mem_free(take_lists(state).stack); }

LRESULT CALLBACK prepared_window_procedure(HWND window, UINT message, WPARAM wp, LPARAM lp) {
  GadgetWindowRecord* record = record_of(window);
  WNDPROC previous = record ? record->previous_procedure : nullptr;
  if (message == WM_NCDESTROY && record) {
    GadgetListState* state = gadget_list_state();
    if (state && lists_owner(state) == window) {
      state->current_list = nullptr;
      state->depth = 0;
    }
    RemovePropW(window, g_property);
    mem_free(record->saved.stack);
    mem_free(record);
  }
  return previous ? CallWindowProcW(previous, window, message, wp, lp) : DefWindowProcW(window, message, wp, lp);
}

}  // namespace

void gadget_list_init() {
  text_format(g_property, TEXT("KT_GadgetStack_%I64i"),
              static_cast<int64_t>(reinterpret_cast<INT_PTR>(gadget_instance())));
}

void gadget_prepare_window(HWND window, int64_t window_number) {
  (void)window_number;  // the record is found through the window's property, not its number
  GadgetListState* state = gadget_list_state();
  if (!state || !window) {
    return;
  }
  HWND owner = lists_owner(state);
  if (owner == window) {
    return;  // its lists are current already
  }
  GadgetWindowRecord* owner_record = record_of(owner);
  if (owner_record) {
    mem_free(owner_record->saved.stack);
    owner_record->saved = take_lists(state);
  }
  GadgetWindowRecord* record = record_of(window);
  if (record) {
    drop_stack(state);
    state->current_list = record->saved.current;
    state->stack = record->saved.stack;
    state->depth = record->saved.depth;
    state->capacity = record->saved.capacity;
    record->saved = SavedLists{};
    return;
  }
  drop_stack(state);
  state->stack = static_cast<HWND*>(mem_alloc(kStackStep * sizeof(HWND)));
  state->capacity = state->stack ? kStackStep : 0;
  state->current_list = window;
  record = static_cast<GadgetWindowRecord*>(mem_alloc_zero(sizeof(GadgetWindowRecord)));
  if (!record) {
    return;
  }
  record->window = window;
  SetPropW(window, g_property, record);
  record->previous_procedure = gadget_subclass(window, prepared_window_procedure);
}

void gadget_list_push(HWND list) {
  GadgetListState* state = gadget_list_state();
  if (!state) {
    return;
  }
  if (state->depth == state->capacity) {
    HWND* grown = static_cast<HWND*>(
        mem_realloc(state->stack, static_cast<size_t>(state->capacity + kStackStep) * sizeof(HWND)));
    if (!grown) {
      return;  // the current list stays: gadgets keep going where they went
    }
    state->stack = grown;
    state->capacity += kStackStep;
  }
  state->stack[state->depth++] = state->current_list;
  state->current_list = list;
}

void gadget_pop_list() {
  GadgetListState* state = gadget_list_state();
  if (state && state->depth > 0) {
    state->current_list = state->stack[--state->depth];
  }
}

void gadget_open_list(int64_t gadget) {
  GadgetObject* object = gadget_object(gadget);
  if (object && object->kind->reopen_list) {
    object->kind->reopen_list(object);
  }
}

HWND gadget_current_list() {
  GadgetListState* state = gadget_list_state();
  return state ? state->current_list : nullptr;
}
