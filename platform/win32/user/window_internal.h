// The window manager's own records, shared by its files (window*.cpp,
// message*.cpp, input.cpp, focus.cpp, paint.cpp, compose.cpp, scrollbar.cpp, menu_default.cpp)
// and by the standard controls, which register their classes here.
//
// A window handle is not an address: it names a slot of the handle table and
// that slot's generation, so a stale or made-up handle is refused, never
// dereferenced. Each window draws into its own image (its outer rectangle);
// a top-level window's picture is the composition of its image and its
// visible descendants' images, clipped to each parent's client area, in
// z-order, and that picture is what the display backend shows.
#pragma once

#include <cairo.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "platform/win32/api.h"
#include "platform/win32/display/backend.h"

// Flags Windows passes in WINDOWPOS.flags without naming them in the SDK.
#define SWP_NOCLIENTSIZE 0x0800
#define SWP_NOCLIENTMOVE 0x1000
#define SWP_STATECHANGED 0x8000

namespace user {

struct Queue;

struct WindowClass {
  std::u16string name;
  ATOM atom = 0;
  UINT style = 0;
  WNDPROC proc = nullptr;
  int class_extra = 0, window_extra = 0;
  HINSTANCE instance = nullptr;
  HICON icon = nullptr, icon_small = nullptr;
  HCURSOR cursor = nullptr;
  HBRUSH background = nullptr;
  std::u16string menu_name;
  std::vector<BYTE> extra;  // class extra bytes
  int windows = 0;          // live windows of the class
  bool system = false;      // registered by the stand-in itself
};

struct Prop {
  std::u16string name;  // or "#<atom>" for an integer atom
  HANDLE data;
  std::u16string spelled;  // the name as SetPropW was given it (empty for an atom): most look-ups spell it so
};

// A region kept as a few disjoint rectangles (client coordinates).
struct Region {
  std::vector<RECT> rects;
  bool empty() const { return rects.empty(); }
  void clear() { rects.clear(); }
  void add(const RECT& r);
  void subtract(const RECT& r);
  void clip(const RECT& r);
  RECT bounds() const;
};

struct ScrollBar {
  int min = 0, max = 100;
  UINT page = 0;
  int pos = 0, track_pos = 0;
  UINT disabled = 0;      // ESB_DISABLE_* arrows
  bool tracking = false;  // the left button went down on it and is still down
  bool thumb = false;     // ...on the thumb, which follows the pointer
  int grab = 0;           // where on the thumb, pixels from its start
};

struct Window {
  HWND handle = nullptr;
  WindowClass* cls = nullptr;
  Window* parent = nullptr;  // null for a top-level window
  Window* owner = nullptr;
  std::vector<Window*> children;  // z-order, the top first
  DWORD style = 0, ex_style = 0;
  LONG_PTR id = 0;  // GWLP_ID (the menu of a top-level window)
  WNDPROC proc = nullptr;
  LONG_PTR user_data = 0;
  HINSTANCE instance = nullptr;
  std::vector<BYTE> extra;
  std::u16string text;
  std::vector<Prop> props;
  // Rectangles in the parent's client coordinates (screen for top-level windows).
  RECT window_rect{}, client_rect{};
  RECT normal_rect{};  // where a minimised or maximised window is restored to
  bool restore_maximized = false;
  bool need_size = false;  // an overlapped window hears WM_SIZE and WM_MOVE when first shown
  DWORD thread = 0;
  Queue* queue = nullptr;
  bool message_only = false;
  // Life cycle.
  bool created = false;     // linked into the tree (after WM_NCCREATE)
  bool destroying = false;  // DestroyWindow under way
  bool dead = false;        // WM_NCDESTROY sent: the handle is gone
  int calls = 0;            // procedure calls under way; the record outlives them
  // Painting.
  Region update;  // client coordinates
  bool erase = false, internal_paint = false, frame_dirty = true;
  bool painting = false;             // between BeginPaint and EndPaint
  cairo_surface_t* image = nullptr;  // the outer rectangle's pixels, made on first use
  int open_dcs = 0;
  std::vector<cairo_surface_t*> retired;  // old images still used by open contexts
  // Top-level windows.
  display::Surface* surface = nullptr;
  RECT dirty{};  // part of the composed picture to present, window coordinates
  cairo_surface_t* picture = nullptr;
  // State.
  DWORD ui_state = 0;  // UISF_HIDEFOCUS | UISF_HIDEACCEL
  HICON icon_big = nullptr, icon_small = nullptr;
  ScrollBar hscroll, vscroll;
  bool ncactive = false;  // caption drawn active
};

// --- Handle table (window.cpp). A handle is (generation << 16) | (slot + 1);
// the generation is never 0, so no handle collides with the small
// pseudo-handles (HWND_TOPMOST, HWND_BROADCAST...).
struct HandleSlot {
  std::atomic<uint32_t> handle{0};
  std::atomic<Window*> window{nullptr};
  std::atomic<Queue*> queue{nullptr};
};
constexpr uint32_t kHandleSlots = 0xFFFF;
extern HandleSlot handle_slots[kHandleSlots];

inline HandleSlot* slot_of(HWND handle) {
  uintptr_t v = reinterpret_cast<uintptr_t>(handle);
  if (v > 0xFFFFFFFFu || (v & 0xFFFF) == 0 || (v >> 16) == 0) return nullptr;
  HandleSlot* s = &handle_slots[(v & 0xFFFF) - 1];
  return s->handle.load(std::memory_order_acquire) == v ? s : nullptr;
}

// Live window or null; sets nothing. Every message looks its window up
// several times on its way through the procedures, so this is inline.
inline Window* find(HWND handle) {
  HandleSlot* s = slot_of(handle);
  if (!s) return nullptr;
  Window* w = s->window.load(std::memory_order_acquire);
  return w && !w->dead ? w : nullptr;
}
Window* find_or_fail(HWND handle);            // as find, with ERROR_INVALID_WINDOW_HANDLE when not live
Queue* queue_of_handle(HWND handle);          // any thread may ask
void release_record(Window* w);               // frees a dead window's record once no call uses it
extern std::vector<Window*> message_windows;  // children of HWND_MESSAGE

// --- Tree (window_tree.cpp).
extern std::vector<Window*> toplevels;  // z-order, topmost first
std::vector<Window*>& siblings(Window* w);
void unlink(Window* w);
// Links w among its siblings after insert_after (HWND_TOP, HWND_BOTTOM, HWND_TOPMOST, HWND_NOTOPMOST or a sibling).
void link(Window* w, HWND insert_after);
Window* root(Window* w);
bool is_descendant(const Window* ancestor, const Window* w);
bool is_visible(const Window* w);  // it and every ancestor have WS_VISIBLE
bool is_child(const Window* w);    // WS_CHILD with a parent
POINT client_origin_on_screen(const Window* w);
POINT window_origin_on_screen(const Window* w);
// Offset of w's client area inside its top-level window's image.
POINT client_offset_in_root(const Window* w);
void collect_descendants(Window* w, std::vector<HWND>* out);  // depth first, z-order
Window* window_at(POINT screen);                              // metrics.cpp; null over the bare desktop
Window* window_at_in(Window* top, POINT screen);              // the same within one top-level window

// --- Classes and atoms (window_class.cpp).
WindowClass* find_class(LPCWSTR name);      // by name or integer atom; registers standard controls on demand
ATOM atom_add(const std::u16string& name);  // case-insensitive, 0xC000 and up
ATOM atom_find(const std::u16string& name);
const std::u16string* atom_name(ATOM atom);
// The standard controls' registration: each fills a WNDCLASSEXW and calls this.
ATOM register_system_class(const WNDCLASSEXW& wc);
void register_listbox_class();                 // listbox.cpp
void register_edit_class();                    // edit.cpp
void register_button_class();                  // button.cpp
void register_tooltip_class();                 // tooltip.cpp
void register_static_class();                  // static.cpp
std::u16string fold(const std::u16string& s);  // for case-insensitive comparison

// --- Window procedures and messages (message.cpp).
LRESULT call_proc(Window* w, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT send(Window* w, UINT message, WPARAM wParam, LPARAM lParam);  // SendMessageW without the lookup
void remove_messages_of(Window* w);
uint64_t now();  // the display's clock

// --- Position and state (window_pos.cpp).
bool set_window_pos(Window* w, HWND insert_after, int x, int y, int cx, int cy, UINT flags);
BOOL show_window(Window* w, int command);
MINMAXINFO min_max_info(Window* w);
// Client rectangle from a window rectangle and the styles (what DefWindowProcW's WM_NCCALCSIZE does).
RECT client_from_window(const Window* w, const RECT& window);
void frame_sizes(DWORD style, DWORD ex_style, RECT* insets);  // border and caption, no scroll bars

// --- Native surfaces of top-level windows (surface.cpp).
void surface_style_changed(Window* w);  // the styles or the owner changed: the display hears of it
void surface_icon_changed(Window* w);   // WM_SETICON, or the first showing with the class's icon

// --- Context menus asked for by the mouse and the keyboard, for DefWindowProcW (menu_default.cpp).
LRESULT context_menu_from_mouse(HWND window, UINT message, LPARAM lParam);  // WM_RBUTTONUP, WM_NCRBUTTONUP
// WM_SYSKEYDOWN, WM_KEYUP, WM_SYSKEYUP: true when the key asked for a context menu.
bool context_menu_from_key(HWND window, UINT message, WPARAM key, LPARAM lParam);

// --- Focus, activation, capture (focus.cpp).
void activate(Window* top, bool by_mouse);  // set_active_window and foreground
void activate_other(Window* leaving);
void focus_leaving(Window* w);  // w or a descendant is going away or being hidden

// --- Input (input.cpp).
void input_event(const display::InputEvent& e);  // from the backend or the headless controls
bool input_pending(Queue* q, HWND filter, UINT min, UINT max);
bool input_take(Queue* q, HWND filter, UINT min, UINT max, bool remove, MSG* msg);
void mouse_tracking(HWND now_under);  // cursor.cpp: WM_MOUSELEAVE for TrackMouseEvent

// --- Painting (paint.cpp, compose.cpp).
void invalidate(Window* w, const RECT* client, UINT flags);  // RedrawWindow's invalidation, recursive per flags
bool needs_paint(const Window* w);
Window* paint_candidate(Queue* q, HWND filter);
void update_now(Window* w, UINT flags);
cairo_surface_t* ensure_image(Window* w);
// Records that part of w changed on screen: area in w's client coordinates, or window coordinates.
void mark_dirty(Window* w, const RECT& area, bool client);
void compose_all();         // composes and presents every top-level window with something to show
void compose(Window* top);  // composes top's picture (after drawing dirty frames) and presents it
void draw_frame(Window* w);
void release_images(Window* w);

// --- Scroll bars (scrollbar.cpp).
void scrollbar_rects(const Window* w, int bar, RECT* whole);  // window coordinates; empty when absent
void draw_scrollbars(Window* w, HDC dc);
bool scrollbar_mouse(Window* w, UINT message, int hit, POINT screen);  // true when it took the message
LRESULT scrollbar_hit(const Window* w, POINT screen);                  // HTVSCROLL, HTHSCROLL or HTNOWHERE

// --- The thread message queue (message.cpp).
struct Timer {
  HWND window;
  UINT_PTR id;
  UINT interval;
  TIMERPROC proc;
  uint64_t due;
};

struct RawInput {
  display::InputEvent event;
  DWORD time;
  WPARAM keys;  // MK_* at the time of the event
};

struct KeyText {
  UINT message;
  WPARAM key;
  LPARAM lparam;
  DWORD time;
  std::u16string text;
  bool known;  // false: TranslateMessage maps the key itself
};

struct SentMessage {
  HWND window;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  LRESULT result = 0;
  bool done = false;
};

struct Queue {
  DWORD thread = 0;
  // Guarded by lock: other threads post and send here.
  std::mutex lock;
  std::condition_variable sent_done;
  std::deque<MSG> posted;
  std::deque<SentMessage*> sent;
  bool quit = false;
  int quit_code = 0;
  // Owner thread only.
  std::deque<RawInput> input;
  std::vector<Timer> timers;
  HWND focus = nullptr, active = nullptr, capture = nullptr;
  MSG last{};  // last message retrieved (GetMessageTime, GetMessagePos)
  std::deque<KeyText> key_texts;
  int in_cross_send = 0;
  // Double clicks.
  UINT click_message = 0;
  HWND click_window = nullptr;
  DWORD click_time = 0;
  POINT click_point{};
  // Keyboard state as of the last message retrieved (GetKeyState).
  BYTE key_state[256] = {};
};

Queue* current_queue();  // the calling thread's queue (made on first use)
Queue* find_queue(DWORD thread);
void wake_queue(Queue* q);
void process_sent(Queue* q);  // runs messages other threads sent to this one
namespace headless_hooks {
void set_stall_handler(void (*handler)(const char* message));  // display/headless_driver.h
}

// Timers (message_timer.cpp).
bool timer_take(Queue* q, HWND filter, bool remove, MSG* msg);
uint64_t next_timer_due(Queue* q);  // UINT64_MAX when none
void kill_timers_of(Queue* q, HWND window);

// Global input state (input.cpp).
extern BYTE async_keys[256];
extern POINT cursor_pos;
extern HWND foreground;

// Metrics (metrics.cpp).
constexpr int kCaption = 23;
constexpr int kSmallCaption = 17;
constexpr int kFrame = 8;  // sizing and dialog frames alike, as a classic theme with padded borders
constexpr int kScrollBar = 17;

}  // namespace user
