// The event queue: everything that happens on screen becomes one stream of
// numbered events, taken one at a time by the program's loop. The queue is fed
// by the window procedure and the gadgets; the pump (event_wait) hands out
// queued events first and otherwise serves one platform message.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/win32.h"

// Event codes.
constexpr int32_t EVENT_GADGET = 13100;  // gadget = the gadget number, type per kind
constexpr int32_t EVENT_MENU = 13101;    // gadget = the item number
constexpr int32_t EVENT_TRAY = 13102;    // gadget = the icon number, type 0..3
constexpr int32_t EVENT_ACTIVATE_WINDOW = 13104;
constexpr int32_t EVENT_MINIMIZE_WINDOW = 13107;
constexpr int32_t EVENT_MAXIMIZE_WINDOW = 13108;
constexpr int32_t EVENT_RESTORE_WINDOW = 13109;
constexpr int32_t EVENT_TIMER = 13110;  // gadget = the timer number
constexpr int32_t EVENT_RIGHT_CLICK = 13111;
constexpr int32_t EVENT_LEFT_CLICK = 13112;
constexpr int32_t EVENT_LEFT_DOUBLE_CLICK = 13113;
constexpr int32_t EVENT_DEACTIVATE_WINDOW = 13114;
constexpr int32_t EVENT_REPAINT = 13115;
constexpr int32_t EVENT_CLOSE_WINDOW = 13116;  // gadget = window = the window number
constexpr int32_t EVENT_MOVE_WINDOW = 13117;   // gadget = window = the window number
constexpr int32_t EVENT_SIZE_WINDOW = 13118;

// Flags of event_post.
constexpr uint32_t EVENT_FLAG_FORCE = 1;     // queued even while events are suppressed
constexpr uint32_t EVENT_FLAG_DEFERRED = 2;  // never merged; bound callbacks run when taken, not when posted

// "Any" in a removal pattern or a binding.
constexpr int64_t EVENT_ANY = -1;

typedef void (*EventRelease)(void* data);
typedef void (*EventCallback)();

// One queued event: a 56-byte node of the event pool.
struct EventRecord {
  EventRecord* next;
  int32_t code;
  uint32_t flags;
  int64_t gadget;
  int64_t window;
  int64_t type;
  void* data;            // owned by the event
  EventRelease release;  // frees data; called when the next event is taken
};
static_assert(sizeof(EventRecord) == 56);

struct ElementPool;

// The queue and the event last taken.
struct EventState {
  ElementPool* pool;
  EventRecord* head;
  EventRecord* tail;
  int32_t suppression;  // while not 0, events without EVENT_FLAG_FORCE are dropped
  int32_t current_code;
  int64_t current_window;
  int64_t current_gadget;
  int64_t current_type;
  void* current_data;
  EventRelease current_release;
  uint32_t locked;  // 1 when the queue lock is in use
  CRITICAL_SECTION lock;
};

// The program-wide thread-safety switch, read by event_init: when on, posting
// and taking run under one lock. One GUI thread runs everything here, so it is off.
extern bool event_thread_safety;

// Library life cycle. event_end also frees the queue, its pool and the bindings.
void event_init();
void event_end();
// The event state (the per-thread accessor); null outside event_init .. event_end.
EventState* event_state();

// Queues an event: merged into the tail when it repeats it (code, gadget,
// window, type), dropped while suppressed unless forced. Data the queue does
// not keep (merged or dropped) is released at once.
void event_post(int32_t code, int64_t gadget, int64_t window, int64_t type, void* data = nullptr,
                EventRelease release = nullptr, uint32_t flags = 0);
// Takes the next queued event into the current fields, first releasing the
// data of the previous one. The code, or 0 when the queue was empty.
int32_t event_take();
// Whether any event is queued.
bool event_pending();

// The pump: the next event code, 0 when the time ran out, or the number of
// the platform message served. -1 waits without limit.
int64_t event_wait();
int64_t event_wait_timeout(int32_t milliseconds);

// The event last taken; valid until the next wait.
int64_t event_source();   // its gadget field
int64_t event_subtype();  // its type field (-1 after a wait that served a platform message)
int64_t event_window();   // its window field
void* event_data();       // its data, null when it has none

// Removes every queued event matching the pattern (EVENT_ANY = any), or every event of a window.
void event_remove(int32_t code, int64_t gadget, int64_t window, int64_t type);
void event_remove_window(int64_t window);

// Suppression: the program's own changes to gadgets run between these and raise no events.
void event_suppress_begin();
void event_suppress_end();

// Bindings: callbacks run for the events that match (EVENT_ANY in a position
// matches any value there). False when memory is exhausted.
bool event_bind(int32_t code, int64_t window, int64_t gadget, int64_t type, EventCallback callback);
// Removes every binding whose window is the given one.
void event_unbind_window(int64_t window);

// Another thread hands an event in through the hidden window; the GUI thread
// queues it as forced. False when it could not be sent.
struct EventPostRequest {
  int32_t code;
  int64_t gadget;
  int64_t window;
  int64_t type;
  void* data;
};
bool event_post_from_thread(int32_t code, int64_t gadget, int64_t window, int64_t type, void* data);
HWND event_hidden_window();

// Keyboard cues (focus rectangles and access-key underlines) of a window.
void event_show_keyboard_cues(HWND window);
void event_hide_keyboard_cues(HWND window);
