// The thread message queue: sending (a direct call on the window's own
// thread), posting, and retrieval in Win32's order: messages sent from other
// threads, posted messages, WM_QUIT, input, WM_PAINT, WM_TIMER.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/win32/display/headless_backend.h"
#include "platform/win32/user/session.h"
#include "platform/win32/user/trace.h"
#include "platform/win32/user/window_internal.h"

namespace user {

namespace {

std::mutex queues_lock;
std::vector<Queue*> queues;  // never freed: other threads may still post to them
thread_local Queue* my_queue = nullptr;

void default_stall(const char* message) {
  std::fprintf(stderr, "%s\n", message);
  std::abort();
}
void (*stall_handler)(const char*) = default_stall;

bool in_range(UINT m, UINT min, UINT max) { return (min == 0 && max == 0) || (m >= min && m <= max); }

bool window_matches(HWND h, HWND filter) {
  if (!filter) return true;
  if (filter == reinterpret_cast<HWND>(-1)) return h == nullptr;
  return h == filter || IsChild(filter, h);
}

// Reads what the display has for us into the input queue.
void pump_display() {
  display::Backend& screen = display::current();
  display::InputEvent e;
  while (screen.next_event(&e)) input_event(e);
}

bool take_posted(Queue* q, MSG* msg, HWND filter, UINT min, UINT max, bool remove) {
  std::lock_guard<std::mutex> guard(q->lock);
  for (auto it = q->posted.begin(); it != q->posted.end(); ++it)
    if (window_matches(it->hwnd, filter) && in_range(it->message, min, max)) {
      *msg = *it;
      if (remove) q->posted.erase(it);
      return true;
    }
  if (q->quit && (!filter || filter == reinterpret_cast<HWND>(-1))) {
    *msg = MSG{nullptr, WM_QUIT, static_cast<WPARAM>(q->quit_code), 0, static_cast<DWORD>(now()), cursor_pos};
    if (remove) q->quit = false;
    return true;
  }
  return false;
}

bool peek(Queue* q, MSG* msg, HWND filter, UINT min, UINT max, UINT flags) {
  process_sent(q);
  pump_display();
  bool remove = (flags & PM_REMOVE) != 0;
  UINT types = flags >> 16;
  if (!types) types = QS_ALLINPUT | QS_ALLPOSTMESSAGE;
  bool found = false;
  if ((types & (QS_POSTMESSAGE | QS_ALLPOSTMESSAGE | QS_SENDMESSAGE)) && take_posted(q, msg, filter, min, max, remove))
    found = true;
  else if ((types & QS_INPUT) && input_take(q, filter, min, max, remove, msg)) found = true;
  if (!found && (types & QS_PAINT) && in_range(WM_PAINT, min, max)) {
    if (Window* w = paint_candidate(q, filter)) {
      *msg = MSG{w->handle, WM_PAINT, 0, 0, static_cast<DWORD>(now()), cursor_pos};
      found = true;
    }
  }
  if (!found && (types & QS_TIMER) && in_range(WM_TIMER, min, max)) found = timer_take(q, filter, remove, msg);
  if (found) {
    if (remove) q->last = *msg;
    return true;
  }
  compose_all();  // idle: show what was painted
  return false;
}

DWORD status(Queue* q) {
  process_sent(q);
  pump_display();
  DWORD bits = 0;
  {
    std::lock_guard<std::mutex> guard(q->lock);
    if (!q->posted.empty() || q->quit) bits |= QS_POSTMESSAGE | QS_ALLPOSTMESSAGE;
    if (!q->sent.empty()) bits |= QS_SENDMESSAGE;
  }
  if (input_pending(q, nullptr, 0, 0)) bits |= QS_INPUT;
  if (paint_candidate(q, nullptr)) bits |= QS_PAINT;
  uint64_t due = next_timer_due(q);
  if (due != UINT64_MAX && due <= now()) bits |= QS_TIMER;
  return bits;
}

std::string open_windows() {
  std::string list;
  for (Window* t : toplevels) {
    char line[160];
    std::string title;
    for (char16_t c : t->text) title += c < 128 ? static_cast<char>(c) : '?';
    std::snprintf(line, sizeof line, "\n  %p \"%s\"%s", static_cast<void*>(t->handle), title.c_str(),
                  (t->style & WS_VISIBLE) ? "" : " (hidden)");
    list += line;
  }
  return list.empty() ? "\n  (none)" : list;
}

enum class Wait { Ready, Timeout, Stalled };

// Waits until something for mask may be there. A wait without end that
// nothing can end is a stalled test: it is reported.
Wait wait_for(Queue* q, DWORD timeout, DWORD mask) {
  display::Backend& screen = display::current();
  uint64_t start = now();
  for (;;) {
    if (status(q) & mask) return Wait::Ready;
    uint64_t t = now();
    uint64_t wait = UINT64_MAX;
    uint64_t due = next_timer_due(q);
    if (due != UINT64_MAX && (mask & QS_TIMER)) wait = due > t ? due - t : 0;
    if (timeout != INFINITE) {
      uint64_t end = start + timeout;
      if (t >= end) return Wait::Timeout;
      if (end - t < wait) wait = end - t;
    }
    if (wait == UINT64_MAX) {
      if (!screen.wait(INFINITE) && !(status(q) & mask)) {
        std::string message =
            "GetMessageW would wait forever: no input is scripted and nothing else can come."
            "\nOpen top-level windows:" +
            open_windows();
        stall_handler(message.c_str());
        return Wait::Stalled;
      }
    } else {
      screen.wait(static_cast<DWORD>(wait));
    }
  }
}

}  // namespace

Queue* current_queue() {
  if (!my_queue) {
    my_queue = new Queue;
    my_queue->thread = GetCurrentThreadId();
    std::lock_guard<std::mutex> guard(queues_lock);
    queues.push_back(my_queue);
  }
  return my_queue;
}

Queue* find_queue(DWORD thread) {
  std::lock_guard<std::mutex> guard(queues_lock);
  for (Queue* q : queues)
    if (q->thread == thread) return q;
  return nullptr;
}

void wake_queue(Queue*) { display::current().wake(); }

uint64_t now() { return display::current().now(); }

LRESULT call_proc(Window* w, UINT message, WPARAM wParam, LPARAM lParam) {
  WNDPROC proc = w->proc;
  if (!proc) return 0;
  w->calls++;
  LRESULT r = proc(w->handle, message, wParam, lParam);
  if (--w->calls == 0 && w->dead) release_record(w);
  return r;
}

LRESULT send(Window* w, UINT message, WPARAM wParam, LPARAM lParam) {
  trace::message("send", w->handle, message, wParam, lParam);
  if (w->queue == my_queue) return call_proc(w, message, wParam, lParam);
  // Another thread's window: its thread runs the procedure while this one waits.
  Queue* q = w->queue;
  SentMessage s{w->handle, message, wParam, lParam};
  std::unique_lock<std::mutex> guard(q->lock);
  q->sent.push_back(&s);
  guard.unlock();
  wake_queue(q);
  guard.lock();
  q->sent_done.wait(guard, [&] { return s.done; });
  return s.result;
}

void process_sent(Queue* q) {
  // The end of the session comes the way sent messages do.
  deliver_session_end();
  for (;;) {
    SentMessage* s;
    {
      std::lock_guard<std::mutex> guard(q->lock);
      if (q->sent.empty()) return;
      s = q->sent.front();
      q->sent.pop_front();
    }
    LRESULT result = 0;
    if (Window* w = find(s->window)) {
      q->in_cross_send++;
      result = call_proc(w, s->message, s->wParam, s->lParam);
      q->in_cross_send--;
    }
    std::lock_guard<std::mutex> guard(q->lock);
    s->result = result;
    s->done = true;
    q->sent_done.notify_all();
  }
}

void remove_messages_of(Window* w) {
  Queue* q = w->queue;
  std::lock_guard<std::mutex> guard(q->lock);
  for (auto it = q->posted.begin(); it != q->posted.end();) it = it->hwnd == w->handle ? q->posted.erase(it) : it + 1;
}

namespace headless_hooks {
void set_stall_handler(void (*handler)(const char* message)) { stall_handler = handler ? handler : default_stall; }
}  // namespace headless_hooks

}  // namespace user

using namespace user;

void display::thread_slept(DWORD milliseconds) {
  if (my_queue && display::headless::active()) display::headless::advance(milliseconds);
}

LRESULT SendMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (window == HWND_BROADCAST) {
    std::vector<HWND> list;
    for (Window* t : toplevels) list.push_back(t->handle);
    for (HWND h : list)
      if (Window* w = find(h)) send(w, message, wParam, lParam);
    return 0;
  }
  Window* w = find_or_fail(window);
  return w ? send(w, message, wParam, lParam) : 0;
}

namespace {

BOOL post_to(Queue* q, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  trace::message("post", window, message, wParam, lParam);
  {
    std::lock_guard<std::mutex> guard(q->lock);
    q->posted.push_back(MSG{window, message, wParam, lParam, static_cast<DWORD>(now()), cursor_pos});
  }
  if (q != my_queue) wake_queue(q);
  return TRUE;
}

}  // namespace

BOOL PostMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!window) return post_to(current_queue(), nullptr, message, wParam, lParam);
  if (window == HWND_BROADCAST) {
    for (Window* t : toplevels) post_to(t->queue, t->handle, message, wParam, lParam);
    return TRUE;
  }
  Queue* q = queue_of_handle(window);
  if (!q) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  return post_to(q, window, message, wParam, lParam);
}

BOOL PostThreadMessageW(DWORD thread, UINT message, WPARAM wParam, LPARAM lParam) {
  Queue* q = find_queue(thread);
  if (!q) {
    SetLastError(ERROR_INVALID_PARAMETER);  // ERROR_INVALID_THREAD_ID in Win32
    return FALSE;
  }
  return post_to(q, nullptr, message, wParam, lParam);
}

void PostQuitMessage(int code) {
  Queue* q = current_queue();
  std::lock_guard<std::mutex> guard(q->lock);
  q->quit = true;
  q->quit_code = code;
}

BOOL GetMessageW(LPMSG msg, HWND window, UINT min, UINT max) {
  if (!msg || (window && window != reinterpret_cast<HWND>(-1) && !find(window))) {
    SetLastError(msg ? ERROR_INVALID_WINDOW_HANDLE : ERROR_NOACCESS);
    return -1;
  }
  Queue* q = current_queue();
  while (!peek(q, msg, window, min, max, PM_REMOVE))
    if (wait_for(q, INFINITE, QS_ALLINPUT | QS_ALLPOSTMESSAGE) == Wait::Stalled) {
      SetLastError(ERROR_TIMEOUT);
      return -1;
    }
  return msg->message != WM_QUIT;
}

BOOL PeekMessageW(LPMSG msg, HWND window, UINT min, UINT max, UINT remove) {
  if (!msg) {
    SetLastError(ERROR_NOACCESS);
    return FALSE;
  }
  if (window && window != reinterpret_cast<HWND>(-1) && !find(window)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  return peek(current_queue(), msg, window, min, max, remove) ? TRUE : FALSE;
}

LRESULT DispatchMessageW(const MSG* msg) {
  if (!msg) return 0;
  trace::message("dispatch", msg->hwnd, msg->message, msg->wParam, msg->lParam);
  if (msg->message == WM_TIMER && msg->lParam) {
    // Only a procedure that a live timer names is called.
    Queue* q = current_queue();
    for (const Timer& t : q->timers)
      if (t.window == msg->hwnd && t.id == msg->wParam && reinterpret_cast<LPARAM>(t.proc) == msg->lParam) {
        t.proc(msg->hwnd, WM_TIMER, msg->wParam, static_cast<DWORD>(now()));
        return 0;
      }
    return 0;
  }
  if (!msg->hwnd) return 0;
  Window* w = find_or_fail(msg->hwnd);
  if (!w) return 0;
  if (w->queue != current_queue()) {
    SetLastError(ERROR_MESSAGE_SYNC_ONLY);
    return 0;
  }
  return call_proc(w, msg->message, msg->wParam, msg->lParam);
}

BOOL WaitMessage() {
  Queue* q = current_queue();
  wait_for(q, INFINITE, QS_ALLINPUT | QS_ALLPOSTMESSAGE);
  return TRUE;
}

DWORD MsgWaitForMultipleObjectsEx(DWORD count, const HANDLE*, DWORD milliseconds, DWORD mask, DWORD) {
  if (count != 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return WAIT_FAILED;
  }
  Queue* q = current_queue();
  if (!mask) mask = QS_ALLINPUT;
  if (milliseconds == 0) return (status(q) & mask) ? WAIT_OBJECT_0 : WAIT_TIMEOUT;
  return wait_for(q, milliseconds, mask | QS_SENDMESSAGE) == Wait::Ready ? WAIT_OBJECT_0 : WAIT_TIMEOUT;
}

DWORD MsgWaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL, DWORD milliseconds, DWORD mask) {
  return MsgWaitForMultipleObjectsEx(count, handles, milliseconds, mask, 0);
}

DWORD GetQueueStatus(UINT flags) {
  DWORD bits = status(current_queue()) & flags;
  return MAKELONG(bits, bits);
}

LONG GetMessageTime() { return static_cast<LONG>(current_queue()->last.time); }

DWORD GetMessagePos() {
  const MSG& m = current_queue()->last;
  return static_cast<DWORD>(MAKELONG(static_cast<WORD>(m.pt.x), static_cast<WORD>(m.pt.y)));
}

BOOL InSendMessage() { return current_queue()->in_cross_send > 0 ? TRUE : FALSE; }

LRESULT CallWindowProcW(WNDPROC procedure, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!procedure) return 0;
  Window* w = find(window);
  if (!w) return procedure(window, message, wParam, lParam);
  w->calls++;
  LRESULT r = procedure(window, message, wParam, lParam);
  if (--w->calls == 0 && w->dead) release_record(w);
  return r;
}
