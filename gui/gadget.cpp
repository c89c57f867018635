// The gadget core: the gadget table, the creation path every kind follows,
// the gadget procedure that runs first for every gadget's control and tidies
// up after it, gadget events, and the forwarding of parent messages.
#include "gui/gadget.h"

#include "gui/event.h"
#include "gui/gadget_internal.h"
#include "runtime/text.h"

namespace {

const WCHAR kIdProperty[] = TEXT("KT_ID");
const WCHAR kDropAcceptProperty[] = TEXT("KT_DropAccept");

// Tab, hot-key, date, extended combo box and IP-address classes, as the requesters start them.
constexpr DWORD kControlClasses = ICC_TAB_CLASSES | ICC_HOTKEY_CLASS | ICC_DATE_CLASSES | ICC_USEREX_CLASSES |
                                  ICC_INTERNET_CLASSES;
static_assert(kControlClasses == 0xB48, "the common control classes the gadgets start");

ObjectTable* g_table;
void* g_state_record;  // the per-thread record of the gadget-list state
HINSTANCE g_instance;

int64_t control_id(HWND control) { return static_cast<int64_t>(GetWindowLongPtrW(control, GWLP_ID)); }

// The live gadget of that number, if it is this control's.
GadgetObject* gadget_of_control(HWND control, int64_t number) {
  GadgetObject* gadget = g_table ? static_cast<GadgetObject*>(obj_get(g_table, number)) : nullptr;
  return gadget && gadget->handle == control ? gadget : nullptr;
}

// What WM_NCDESTROY leaves to do once the control's own procedure has seen it.
void tear_down(HWND control, GadgetObject* gadget, int64_t number) {
  if (gadget->kind && gadget->kind->on_destroy) {
    gadget->kind->on_destroy(gadget);
  }
  RemovePropW(control, kIdProperty);
  if (RemovePropW(control, kDropAcceptProperty)) {
    RevokeDragDrop(control);
  }
  SetWindowLongPtrW(control, GWLP_ID, -1);
  event_remove(EVENT_GADGET, number, EVENT_ANY, EVENT_ANY);
  obj_release(g_table, number);
}

// Every message to a gadget's control passes here first. The procedure runs
// only on controls the library took over, so the record whose number the
// control carries and whose handle is the control's is its own: it is found
// without the "KT_ID" look-up that a handle from elsewhere needs.
LRESULT CALLBACK gadget_procedure(HWND control, UINT message, WPARAM wp, LPARAM lp) {
  const int64_t number = control_id(control);
  GadgetObject* gadget = number == -1 ? nullptr : gadget_of_control(control, number);
  if (!gadget) {
    return DefWindowProcW(control, message, wp, lp);
  }
  const LRESULT result = CallWindowProcW(gadget->previous_procedure, control, message, wp, lp);
  if (message == WM_NCDESTROY) {
    // The record may have been released while the control's procedure ran.
    gadget = gadget_from_handle(control);
    if (gadget) {
      tear_down(control, gadget, number);
    }
  }
  return result;
}

// The table's free routine: the control goes, and the gadget procedure frees
// the number on WM_NCDESTROY. A control that never reached it (destroyed
// without our procedure on top) is tidied here, so the number never stays taken.
void gadget_release(int64_t number) {
  GadgetObject* gadget = static_cast<GadgetObject*>(obj_get(g_table, number));
  if (!gadget) {
    return;
  }
  HWND control = gadget->handle;
  DestroyWindow(control);
  if (obj_get(g_table, number) == gadget && gadget->handle == control) {
    tear_down(control, gadget, number);
  }
}

void raise(HWND control, int64_t type, uint32_t flags, void* data = nullptr, EventRelease release = nullptr) {
  // The window is that of the nearest ancestor carrying "KT_WindowID".
  event_post(EVENT_GADGET, control_id(control), win_number(GetParent(control)), type, data, release, flags);
}

void start_state(void* block) {
  GadgetListState* state = static_cast<GadgetListState*>(block);
  state->font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

}  // namespace

void gadget_init() {
  gadget_brush_init();
  g_instance = GetModuleHandleW(nullptr);
  g_state_record = obj_thread_record_new(sizeof(GadgetListState), start_state, nullptr);
  g_table = obj_table_new(sizeof(GadgetObject), 50, gadget_release);
  gadget_list_init();
  INITCOMMONCONTROLSEX controls = {sizeof(INITCOMMONCONTROLSEX), kControlClasses};
  InitCommonControlsEx(&controls);
}

void gadget_end() {
  GadgetListState* state = gadget_list_state();
  if (state && state->tooltip) {
    DestroyWindow(state->tooltip);
    state->tooltip = nullptr;
  }
}

GadgetListState* gadget_list_state() {
  return g_state_record ? static_cast<GadgetListState*>(obj_thread_record(g_state_record)) : nullptr;
}

ObjectTable* gadget_table() { return g_table; }

HINSTANCE gadget_instance() { return g_instance; }

GadgetObject* gadget_object(int64_t gadget) {
  return g_table ? static_cast<GadgetObject*>(obj_get(g_table, gadget)) : nullptr;
}

GadgetObject* gadget_from_handle(HWND control) {
  if (!control) {
    return nullptr;
  }
  const int64_t number = control_id(control);
  return number == reinterpret_cast<INT_PTR>(GetPropW(control, kIdProperty)) ? gadget_of_control(control, number)
                                                                             : nullptr;
}

HWND gadget_handle(int64_t gadget) {
  GadgetObject* object = gadget_object(gadget);
  return object ? object->handle : nullptr;
}

void gadget_free(int64_t gadget) {
  if (gadget_object(gadget)) {
    gadget_release(gadget);
  }
}

HWND gadget_create_control(const WCHAR* class_name, const WCHAR* text, DWORD style, DWORD ex_style, int x, int y,
                           int width, int height) {
  GadgetListState* state = gadget_list_state();
  if (!state || !state->current_list) {
    return nullptr;
  }
  return CreateWindowExW(ex_style, class_name, text, style, x, y, width, height, state->current_list,
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(-1)), g_instance, nullptr);
}

GadgetObject* gadget_new_object(HWND control, int64_t number, bool has_colors) {
  GadgetObject* gadget = static_cast<GadgetObject*>(obj_new(g_table, number));
  if (!gadget) {
    DestroyWindow(control);
    return nullptr;
  }
  gadget->back_color = has_colors ? -1 : 0;
  gadget->front_color = has_colors ? -1 : 0;
  return gadget;
}

int64_t gadget_register(GadgetObject* gadget, HWND control, const GadgetKindOps* kind, int64_t number) {
  const int64_t id = number == -1 ? static_cast<int64_t>(reinterpret_cast<INT_PTR>(gadget)) : number;
  gadget->handle = control;
  gadget->kind = kind;
  gadget->previous_procedure = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(gadget_procedure)));
  SetWindowLongPtrW(control, GWLP_ID, static_cast<LONG_PTR>(id));
  SetPropW(control, kIdProperty, reinterpret_cast<HANDLE>(static_cast<INT_PTR>(id)));
  SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(gadget_list_state()->font), 1);
  return number == -1 ? id : static_cast<int64_t>(reinterpret_cast<INT_PTR>(control));
}

bool gadget_procedure_first(const GadgetObject* gadget) {
  return GetWindowLongPtrW(gadget->handle, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(gadget_procedure);
}

int64_t gadget_create(int64_t number, const GadgetKindOps* kind, const WCHAR* class_name, const WCHAR* text,
                      DWORD style, DWORD ex_style, int x, int y, int width, int height, bool has_colors,
                      WNDPROC own_procedure, WNDPROC* class_procedure) {
  HWND control = gadget_create_control(class_name, text, style, ex_style, x, y, width, height);
  GadgetObject* gadget = control ? gadget_new_object(control, number, has_colors) : nullptr;
  if (!gadget) {
    return 0;
  }
  if (own_procedure) {
    *class_procedure = gadget_subclass(control, own_procedure);
  }
  return gadget_register(gadget, control, kind, number);
}

WNDPROC gadget_subclass(HWND control, WNDPROC procedure) {
  return reinterpret_cast<WNDPROC>(SetWindowLongPtrW(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(procedure)));
}

void gadget_raise_event(HWND control, int64_t type) { raise(control, type, 0); }

void gadget_raise_forced_event(HWND control, int64_t type) { raise(control, type, EVENT_FLAG_FORCE); }

void gadget_raise_event_with_data(HWND control, int64_t type, void* data, EventRelease release) {
  raise(control, type, 0, data, release);
}

LRESULT gadget_forward_parent_message(HWND child, HWND parent, UINT message, WPARAM wp, LPARAM lp) {
  GadgetObject* gadget = gadget_from_handle(child);
  if (!gadget || !gadget->kind || !gadget->kind->parent_message) {
    return GADGET_NOT_HANDLED;
  }
  return gadget->kind->parent_message(gadget, parent, message, wp, lp);
}

WCHAR* gadget_stack_room(int32_t offset, int32_t length) {
  return text_stack_reserve((length < 0 ? 0 : length) + 1, offset);
}

WCHAR* gadget_stack_fit(int32_t offset, int32_t length, int64_t written) {
  if (length < 0) {
    length = 0;
  }
  if (written < 0) {
    written = 0;
  }
  if (written > length) {
    written = length;
  }
  text_stack_release(length + 1 - static_cast<int32_t>(written));
  WCHAR* text = text_stack_at(offset);
  text[written] = 0;
  return text;
}
