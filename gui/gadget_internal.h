// What the gadget core shares with the gadget kinds: the gadget-list state,
// the creation path, events, colours and the brush cache.
#pragma once

#include "gui/event.h"
#include "gui/gadget.h"
#include "runtime/obj.h"

// The gadget-list state: one record for the program.
struct GadgetListState {
  HWND current_list;  // the window or container that receives new gadgets
  HFONT font;         // font for new gadgets
  HWND* stack;        // earlier current lists
  int32_t depth;
  int32_t capacity;
  HWND tooltip;  // the program's one tooltip window
};

GadgetListState* gadget_list_state();
ObjectTable* gadget_table();
HINSTANCE gadget_instance();

// Gadget lists (gadget_list.cpp).
void gadget_list_init();
void gadget_list_push(HWND list);  // pushes the current list and makes `list` current

// Creation path. gadget_create_control: CreateWindowExW in the current list
// with control identifier -1. gadget_new_object: the object for the number,
// colours -1 when the kind has colours; on failure the control is destroyed
// and null answered. gadget_register: subclassing, identifier, "KT_ID", font;
// answers the number for -1, else the handle.
HWND gadget_create_control(const WCHAR* class_name, const WCHAR* text, DWORD style, DWORD ex_style, int x, int y,
                           int width, int height);
GadgetObject* gadget_new_object(HWND control, int64_t number, bool has_colors);
int64_t gadget_register(GadgetObject* gadget, HWND control, const GadgetKindOps* kind, int64_t number);
// The whole path for the kinds without steps of their own: creation, the
// object, the kind's own procedure (when given) replacing the class
// procedure, which is stored in *class_procedure, and registration.
int64_t gadget_create(int64_t number, const GadgetKindOps* kind, const WCHAR* class_name, const WCHAR* text,
                      DWORD style, DWORD ex_style, int x, int y, int width, int height, bool has_colors,
                      WNDPROC own_procedure = nullptr, WNDPROC* class_procedure = nullptr);
// The kind's own procedure goes under the gadget procedure: replaces the
// control's procedure and answers the class procedure it replaced.
WNDPROC gadget_subclass(HWND control, WNDPROC procedure);
// Whether the gadget procedure is still the control's first: nothing put
// over it since sees the control's messages.
bool gadget_procedure_first(const GadgetObject* gadget);

// Events 13100 of a control: ordinary (dropped while suppressed) or forced.
void gadget_raise_event(HWND control, int64_t type);
void gadget_raise_forced_event(HWND control, int64_t type);
// An ordinary event with data of its own, which the queue releases (gadget_raise_event otherwise).
void gadget_raise_event_with_data(HWND control, int64_t type, void* data, EventRelease release);

// A field's narrowed font, if any, let go (field_fit.cpp).
void gadget_fit_release(GadgetObject* gadget);

// Brush cache (gadget_color.cpp): brushes shared by colour, counted.
void gadget_brush_init();
HBRUSH gadget_brush_take(int32_t color);
void gadget_brush_release(HBRUSH brush);

// The colour slots shared by the kinds that keep their colours in the object.
void gadget_color_set(GadgetObject* gadget, int32_t which, int32_t color);
int32_t gadget_color_get(GadgetObject* gadget, int32_t which);
void gadget_color_release(GadgetObject* gadget);
// The answer to a WM_CTLCOLOR* request: sets the colours on the device
// context and answers the brush; the system colour `system_color` stands in
// for a missing back colour; GADGET_NOT_HANDLED without colours.
LRESULT gadget_color_answer(GadgetObject* gadget, HDC dc, int system_color);

// Text of a control on the temporary string stack at the offset:
// gadget_stack_room reserves `length` units and the terminator;
// gadget_stack_fit gives back what the control did not write (`written`
// units; negative counts as none), ends the text and answers it.
WCHAR* gadget_stack_room(int32_t offset, int32_t length);
WCHAR* gadget_stack_fit(int32_t offset, int32_t length, int64_t written);
