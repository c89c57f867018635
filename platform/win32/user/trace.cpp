// The message trace: what WEBROLO_TRACE asks for, and the lines it writes.
#include "platform/win32/user/trace.h"

#if WEBROLO_TRACE

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/win32/user/window_internal.h"

namespace trace {

namespace {

int state = -1;  // -1: not read yet; else whether messages are traced

// Whether a comma-separated list names the channel.
bool names(const char* list, const char* channel) {
  size_t n = std::strlen(channel);
  for (const char* p = list; *p;) {
    const char* end = std::strchr(p, ',');
    size_t length = end ? static_cast<size_t>(end - p) : std::strlen(p);
    if (length == n && std::strncmp(p, channel, n) == 0) return true;
    if (!end) break;
    p = end + 1;
  }
  return false;
}

// The class of a window as UTF-8 (class names are ASCII in practice; others show as '?').
// Only the thread a window belongs to reads its record; others print "-".
std::string class_of(HWND window) {
  user::Queue* mine = user::find_queue(GetCurrentThreadId());
  user::Window* w = mine && user::queue_of_handle(window) == mine ? user::find(window) : nullptr;
  if (!w || !w->cls) return "-";
  std::string out;
  for (char16_t c : w->cls->name) out += c < 0x80 ? static_cast<char>(c) : '?';
  return out;
}

}  // namespace

std::atomic<bool> g_messages_off{false};

void reload() {
  const char* value = std::getenv("WEBROLO_TRACE");
  state = value && names(value, "messages") ? 1 : 0;
  g_messages_off.store(state == 0, std::memory_order_relaxed);
}

bool channel_on(const char* channel) {
  const char* value = std::getenv("WEBROLO_TRACE");
  return value && names(value, channel);
}

bool messages_on() {
  if (state < 0) reload();
  return state == 1;
}

void write_message(const char* kind, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!messages_on()) return;
  std::fprintf(stderr, "trace: %-8s %p %-16s 0x%04X wParam 0x%llX lParam 0x%llX\n", kind, static_cast<void*>(window),
               class_of(window).c_str(), message, static_cast<unsigned long long>(wParam),
               static_cast<unsigned long long>(lParam));
}

}  // namespace trace

#endif
