// The event queue: a first-in first-out list of pooled records with merging,
// suppression and bound callbacks, and the hidden window through which other
// threads hand events in.
#include "gui/event.h"

#include <cassert>

#include "runtime/mem.h"
#include "runtime/obj.h"
#include "gui/event_bindings.h"

bool event_thread_safety = false;

namespace {

void* state_record = nullptr;  // the per-thread record behind event_state()
HWND hidden_window = nullptr;
UINT post_event_message = 0;

const WCHAR kPostEventClass[] = TEXT("PostEventClass");

void lock(EventState* state) {
  if (state->locked) EnterCriticalSection(&state->lock);
}

void unlock(EventState* state) {
  if (state->locked) LeaveCriticalSection(&state->lock);
}

void release_data(void* data, EventRelease release) {
  if (data && release) release(data);
}

bool repeats_tail(const EventState* state, int32_t code, int64_t gadget, int64_t window, int64_t type) {
  const EventRecord* tail = state->tail;
  return tail && tail->code == code && tail->gadget == gadget && tail->window == window && tail->type == type;
}

// Whether the tail may absorb the new event instead of a new record.
bool merges(const EventState* state, int32_t code, int64_t gadget, int64_t window, int64_t type, uint32_t flags) {
  return code <= 65535 && !(flags & EVENT_FLAG_DEFERRED) && repeats_tail(state, code, gadget, window, type);
}

// Makes the event current while its callbacks run, then puts the taken event back.
void run_callbacks_as_current(EventState* state, int32_t code, int64_t gadget, int64_t window, int64_t type) {
  const int32_t saved_code = state->current_code;
  const int64_t saved_gadget = state->current_gadget;
  const int64_t saved_window = state->current_window;
  const int64_t saved_type = state->current_type;
  state->current_code = code;
  state->current_gadget = gadget;
  state->current_window = window;
  state->current_type = type;
  event_run_bindings(code, window, gadget, type);
  state->current_code = saved_code;
  state->current_gadget = saved_gadget;
  state->current_window = saved_window;
  state->current_type = saved_type;
}

// Unlinks every queued record the predicate accepts, releasing its data.
template <typename Match>
void remove_matching(EventState* state, Match match) {
  EventRecord* previous = nullptr;
  EventRecord* record = state->head;
  while (record) {
    EventRecord* next = record->next;
    if (match(*record)) {
      if (previous) {
        previous->next = next;
      } else {
        state->head = next;
      }
      if (state->tail == record) state->tail = previous;
      release_data(record->data, record->release);
      mem_pool_free(state->pool, record);
    } else {
      previous = record;
    }
    record = next;
  }
}

// Events from other threads arrive here as heap records and are queued as forced.
LRESULT CALLBACK post_event_procedure(HWND window, UINT message, WPARAM wp, LPARAM lp) {
  if (message == post_event_message && post_event_message != 0) {
    auto* request = reinterpret_cast<EventPostRequest*>(lp);
    if (request) {
      event_post(request->code, request->gadget, request->window, request->type, request->data, nullptr,
                 EVENT_FLAG_FORCE);
      mem_free(request);
    }
    return 0;
  }
  return DefWindowProcW(window, message, wp, lp);
}

void open_hidden_window() {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSW window_class{};
  window_class.style = CS_DBLCLKS;
  window_class.lpfnWndProc = post_event_procedure;
  window_class.hInstance = instance;
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
  window_class.lpszClassName = kPostEventClass;
  RegisterClassW(&window_class);
  hidden_window = CreateWindowExW(0, kPostEventClass, TEXT(""), WS_CAPTION, 0, 0, 1, 1, nullptr, nullptr, instance,
                                  nullptr);
  post_event_message = RegisterWindowMessageW(TEXT("KT_PostEventMessage"));
}

}  // namespace

EventState* event_state() { return state_record ? static_cast<EventState*>(obj_thread_record(state_record)) : nullptr; }

void event_init() {
  if (state_record) event_end();
  open_hidden_window();
  state_record = obj_thread_record_new(sizeof(EventState), nullptr, nullptr);
  EventState* state = event_state();
  if (!state) return;
  state->pool = mem_pool_new(sizeof(EventRecord), 16, 256, 2);
  if (!state->pool) {
    mem_free(state_record);
    state_record = nullptr;
    return;
  }
  event_bindings_init();
  if (event_thread_safety) {
    InitializeCriticalSection(&state->lock);
    state->locked = 1;
  }
}

void event_end() {
  if (hidden_window) DestroyWindow(hidden_window);
  hidden_window = nullptr;
  UnregisterClassW(kPostEventClass, GetModuleHandleW(nullptr));
  event_bindings_end();
  EventState* state = event_state();
  if (!state) return;
  remove_matching(state, [](const EventRecord&) { return true; });
  release_data(state->current_data, state->current_release);
  mem_pool_end(state->pool);
  if (state->locked) DeleteCriticalSection(&state->lock);
  mem_free(state_record);
  state_record = nullptr;
}

void event_post(int32_t code, int64_t gadget, int64_t window, int64_t type, void* data, EventRelease release,
                uint32_t flags) {
  EventState* state = event_state();
  if (!state) {
    release_data(data, release);
    return;
  }
  lock(state);
  if (state->suppression != 0 && !(flags & EVENT_FLAG_FORCE)) {
    unlock(state);
    release_data(data, release);
    return;
  }
  if (merges(state, code, gadget, window, type, flags)) {
    // The queued event stands for both; this one's data has no owner left.
    release_data(data, release);
  } else if (auto* record = static_cast<EventRecord*>(mem_pool_alloc(state->pool))) {
    *record = EventRecord{nullptr, code, flags, gadget, window, type, data, release};
    if (state->tail) {
      state->tail->next = record;
    } else {
      state->head = record;
    }
    state->tail = record;
  } else {
    release_data(data, release);
  }
  if (!(flags & EVENT_FLAG_DEFERRED)) run_callbacks_as_current(state, code, gadget, window, type);
  unlock(state);
}

int32_t event_take() {
  EventState* state = event_state();
  if (!state) return 0;
  lock(state);
  state->current_code = 0;
  release_data(state->current_data, state->current_release);
  state->current_data = nullptr;
  state->current_release = nullptr;
  state->current_type = -1;
  if (EventRecord* record = state->head) {
    state->current_code = record->code;
    state->current_gadget = record->gadget;
    state->current_window = record->window;
    state->current_type = record->type;
    state->current_data = record->data;
    state->current_release = record->release;
    const uint32_t flags = record->flags;
    state->head = record->next;
    if (!state->head) state->tail = nullptr;
    mem_pool_free(state->pool, record);
    if (flags & EVENT_FLAG_DEFERRED) {
      event_run_bindings(state->current_code, state->current_window, state->current_gadget, state->current_type);
    }
  }
  const int32_t code = state->current_code;
  unlock(state);
  return code;
}

bool event_pending() {
  EventState* state = event_state();
  return state && state->head;
}

int64_t event_source() {
  EventState* state = event_state();
  return state ? state->current_gadget : 0;
}

int64_t event_subtype() {
  EventState* state = event_state();
  return state ? state->current_type : 0;
}

int64_t event_window() {
  EventState* state = event_state();
  return state ? state->current_window : 0;
}

void* event_data() {
  EventState* state = event_state();
  return state ? state->current_data : nullptr;
}

void event_remove(int32_t code, int64_t gadget, int64_t window, int64_t type) {
  EventState* state = event_state();
  if (!state) return;
  remove_matching(state, [&](const EventRecord& record) {
    return (code == EVENT_ANY || record.code == code) && (gadget == EVENT_ANY || record.gadget == gadget) &&
           (window == EVENT_ANY || record.window == window) && (type == EVENT_ANY || record.type == type);
  });
}

void event_remove_window(int64_t window) {
  EventState* state = event_state();
  if (!state) return;
  remove_matching(state, [&](const EventRecord& record) { return record.window == window; });
}

void event_suppress_begin() {
  if (EventState* state = event_state()) state->suppression++;
}

void event_suppress_end() {
  EventState* state = event_state();
  if (!state) return;
  assert(state->suppression > 0 && "suppression ends only what it began");
  if (state->suppression > 0) state->suppression--;
}

HWND event_hidden_window() { return hidden_window; }

bool event_post_from_thread(int32_t code, int64_t gadget, int64_t window, int64_t type, void* data) {
  if (!hidden_window || !post_event_message) return false;
  auto* request = static_cast<EventPostRequest*>(mem_alloc(sizeof(EventPostRequest)));
  if (!request) return false;
  *request = EventPostRequest{code, gadget, window, type, data};
  if (!PostMessageW(hidden_window, post_event_message, 0, reinterpret_cast<LPARAM>(request))) {
    mem_free(request);
    return false;
  }
  return true;
}
