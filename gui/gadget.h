// Gadgets: controls placed in a window or a container, numbered like every
// other object, each dispatched through the operation table of its kind.
#pragma once

#include <cstddef>
#include <cstdint>

#include "gui/window.h"
#include "platform/win32.h"

// What a parent-message operation answers for a message it leaves alone; the
// window procedure then goes on with its own handling.
constexpr LRESULT GADGET_NOT_HANDLED = WIN_NOT_HANDLED;

// Kind identifiers.
constexpr int32_t GADGET_KIND_BUTTON = 1;
constexpr int32_t GADGET_KIND_FIELD = 2;
constexpr int32_t GADGET_KIND_LIST = 6;
constexpr int32_t GADGET_KIND_INNER_CHILD = 8;  // a kind whose control has an inner child window
constexpr int32_t GADGET_KIND_CONTAINER = 11;

// Which colour of gadget_set_color / gadget_get_color.
constexpr int32_t GADGET_FRONT_COLOR = 1;
constexpr int32_t GADGET_BACK_COLOR = 2;

// Event types of gadget events (code EVENT_GADGET, 13100).
constexpr int64_t GADGET_TYPE_LEFT_CLICK = 0;
constexpr int64_t GADGET_TYPE_RIGHT_CLICK = 1;
constexpr int64_t GADGET_TYPE_DOUBLE_CLICK = 2;
constexpr int64_t GADGET_TYPE_FOCUS = 14000;
constexpr int64_t GADGET_TYPE_LOST_FOCUS = 14001;
constexpr int64_t GADGET_TYPE_DRAG_START = 14002;

// Where a list's context menu is to open: the data of its GADGET_TYPE_RIGHT_CLICK events
// (event_data), for a right click and for Shift+F10 or the Menu key while the list has the focus.
struct GadgetMenuPoint {
  int32_t x, y;  // screen: the click's point, or beside the selected line (the list's corner when none shows)
  int64_t item;  // the item the menu is for: the one clicked, or the selected one from the keyboard; -1 for none
};

// Attribute 1 of a string field: its maximum text length.
constexpr int32_t GADGET_ATTRIBUTE_TEXT_LIMIT = 1;

struct GadgetKindOps;

struct GadgetObject {
  HWND handle;  // the control; non-null while the gadget is live
  const GadgetKindOps* kind;
  WNDPROC previous_procedure;  // the control's procedure before the gadget procedure
  int32_t back_color;          // -1 = the platform's colour
  int32_t front_color;         // -1 = the platform's colour
  HBRUSH back_brush;           // shared, from the brush cache
};

// One table per kind: identifier, size, then 39 routine slots (null = not
// provided). Slot n is at byte 8 * n; the reserved positions hold nothing in
// any kind of this program.
typedef void (*GadgetReservedSlot)();
struct GadgetKindOps {
  int32_t kind = 0;
  int32_t size = 0;  // sizeof(GadgetKindOps), 320
  LRESULT (*parent_message)(GadgetObject* gadget, HWND parent, UINT message, WPARAM wp, LPARAM lp) = nullptr;  // 1
  void (*on_destroy)(GadgetObject* gadget) = nullptr;                                                          // 2
  int64_t (*get_state)(GadgetObject* gadget) = nullptr;                                                        // 3
  void (*set_state)(GadgetObject* gadget, int64_t state) = nullptr;                                            // 4
  WCHAR* (*get_text)(GadgetObject* gadget, int32_t offset) = nullptr;                                          // 5
  void (*set_text)(GadgetObject* gadget, const WCHAR* text) = nullptr;                                         // 6
  int64_t (*add_item)(GadgetObject* gadget, int64_t position, const WCHAR* text, HANDLE image) = nullptr;      // 7
  int64_t (*add_item_flags)(GadgetObject* gadget, int64_t position, const WCHAR* text, HANDLE image,
                            int64_t flags) = nullptr;                                                      // 8
  void (*remove_item)(GadgetObject* gadget, int64_t index) = nullptr;                                      // 9
  void (*clear_items)(GadgetObject* gadget) = nullptr;                                                     // 10
  void (*reserve_items)(GadgetObject* gadget, int64_t items, int64_t units) = nullptr;                     // 11
  int64_t (*count_items)(GadgetObject* gadget) = nullptr;                                                  // 12
  int64_t (*get_item_state)(GadgetObject* gadget, int64_t index) = nullptr;                                // 13
  void (*set_item_state)(GadgetObject* gadget, int64_t index, int64_t state) = nullptr;                    // 14
  WCHAR* (*get_item_text)(GadgetObject* gadget, int64_t index, int64_t column, int32_t offset) = nullptr;  // 15
  void (*set_item_text)(GadgetObject* gadget, int64_t index, const WCHAR* text) = nullptr;                 // 16
  void (*reopen_list)(GadgetObject* gadget) = nullptr;                                                     // 17
  GadgetReservedSlot reserved_18 = nullptr, reserved_19 = nullptr, reserved_20 = nullptr, reserved_21 = nullptr;
  void (*hide)(GadgetObject* gadget, int64_t hide) = nullptr;  // 22
  GadgetReservedSlot reserved_23 = nullptr, reserved_24 = nullptr;
  int64_t (*get_attribute)(GadgetObject* gadget, int64_t attribute) = nullptr;              // 25
  void (*set_attribute)(GadgetObject* gadget, int64_t attribute, int64_t value) = nullptr;  // 26
  GadgetReservedSlot reserved_27 = nullptr, reserved_28 = nullptr;
  void (*set_color)(GadgetObject* gadget, int32_t which, int32_t color) = nullptr;  // 29
  int32_t (*get_color)(GadgetObject* gadget, int32_t which) = nullptr;              // 30
  GadgetReservedSlot reserved_31 = nullptr, reserved_32 = nullptr;
  void (*set_item_data)(GadgetObject* gadget, int64_t index, int64_t data) = nullptr;      // 33
  int64_t (*get_item_data)(GadgetObject* gadget, int64_t index) = nullptr;                 // 34
  void (*required_size)(GadgetObject* gadget, int32_t* width, int32_t* height) = nullptr;  // 35
  GadgetReservedSlot reserved_36 = nullptr, reserved_37 = nullptr;
  void (*set_font)(GadgetObject* gadget, HFONT font) = nullptr;  // 38
  GadgetReservedSlot reserved_39 = nullptr;
};
static_assert(sizeof(GadgetKindOps) == 320);
static_assert(offsetof(GadgetKindOps, parent_message) == 8);
static_assert(offsetof(GadgetKindOps, set_font) == 8 * 38);

// Library life cycle.
void gadget_init();
void gadget_end();

// Called by the window layer. gadget_prepare_window: step "prepare the window
// for gadgets" of opening a window (makes it the current gadget list, or
// restores the lists it had). gadget_forward_parent_message: a message a child
// sent its parent (WM_COMMAND, WM_NOTIFY, WM_CTLCOLOR*, WM_HSCROLL,
// WM_VSCROLL, 13120), handed to the parent-message slot of the gadget
// `child`; GADGET_NOT_HANDLED when the child is no gadget or its kind leaves
// the message alone.
void gadget_prepare_window(HWND window, int64_t window_number);
LRESULT gadget_forward_parent_message(HWND child, HWND parent, UINT message, WPARAM wp, LPARAM lp);

// The gadget behind a control handle, null when the control is none of ours.
GadgetObject* gadget_from_handle(HWND control);
// The gadget of a number, null when the number names no live gadget.
GadgetObject* gadget_object(int64_t gadget);

// Constructors: the gadget number for -1, else the control's handle; 0 on failure.
int64_t gadget_new_container(int64_t number, int x, int y, int width, int height, int64_t flags = 0);
int64_t gadget_new_list(int64_t number, int x, int y, int width, int height, int64_t flags = 0);
int64_t gadget_new_field(int64_t number, int x, int y, int width, int height, const WCHAR* text, int64_t flags = 0);
int64_t gadget_new_button(int64_t number, int x, int y, int width, int height, const WCHAR* text, int64_t flags = 0);

// Gadget lists: where new gadgets go.
void gadget_pop_list();
// Makes a container the current list again (pushing the current one), as its creation did.
void gadget_open_list(int64_t gadget);
HWND gadget_current_list();

// Generic operations. A number that names no gadget does nothing and answers
// 0 or the empty text. Texts are given on the temporary string stack at the offset.
HWND gadget_handle(int64_t gadget);
void gadget_free(int64_t gadget);
void gadget_set_text(int64_t gadget, const WCHAR* text);
WCHAR* gadget_get_text(int64_t gadget, int32_t offset);
int64_t gadget_get_state(int64_t gadget);
void gadget_set_state(int64_t gadget, int64_t state);
int64_t gadget_add_item(int64_t gadget, int64_t position, const WCHAR* text);
void gadget_remove_item(int64_t gadget, int64_t index);
void gadget_clear(int64_t gadget);
// Before many items are added: room for that many more, holding about that
// many text units in all (an estimate; 0 when unknown), so that each add
// takes the shortest time. Kinds without items ignore it.
void gadget_reserve_items(int64_t gadget, int64_t items, int64_t units);
// Drawing of a gadget held off while it changes much, and resumed (the gadget then drawn whole).
void gadget_set_redraw(int64_t gadget, bool redraw);
int64_t gadget_item_count(int64_t gadget);
WCHAR* gadget_item_text(int64_t gadget, int64_t index, int32_t offset);
WCHAR* gadget_item_text(int64_t gadget, int64_t index, int64_t column, int32_t offset);
void gadget_set_item_text(int64_t gadget, int64_t index, const WCHAR* text);
int64_t gadget_get_item_state(int64_t gadget, int64_t index);
void gadget_set_item_state(int64_t gadget, int64_t index, int64_t state);
void gadget_set_item_data(int64_t gadget, int64_t index, int64_t data);
int64_t gadget_get_item_data(int64_t gadget, int64_t index);
int64_t gadget_get_attribute(int64_t gadget, int64_t attribute);
void gadget_set_attribute(int64_t gadget, int64_t attribute, int64_t value);
void gadget_set_color(int64_t gadget, int32_t which, int32_t color);
int32_t gadget_get_color(int64_t gadget, int32_t which);
// -1 as the gadget: the font of gadgets created from now on; GADGET_DEFAULT_FONT as the font: the default
// GUI font; a null font: the platform's system font.
#define GADGET_DEFAULT_FONT (reinterpret_cast<HFONT>(static_cast<INT_PTR>(-1)))
void gadget_set_font(int64_t gadget, HFONT font);
void gadget_set_hidden(int64_t gadget, int64_t hide);
// The keyboard focus: the gadget that has it (0 when none of ours has), and
// giving it to a gadget (a field's whole text is selected, so typing replaces
// it). gadget_press clicks a button as the mouse does, its event following;
// other kinds do nothing.
int64_t gadget_get_focus();
void gadget_set_focus(int64_t gadget);
void gadget_press(int64_t gadget);

// A string field shows all of its text: when the text is wider than the field, the field's font
// is narrowed just enough (same face and height); when it fits again, the field's font of before
// comes back. Other kinds are left alone.
void gadget_fit_text(int64_t gadget);
// The platform's result of adding the tool.
LRESULT gadget_set_tip(int64_t gadget, const WCHAR* text);
