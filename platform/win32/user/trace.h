// A trace of the stand-in's messages for finding out why a sequence went
// wrong: with WEBROLO_TRACE=messages in the environment every send, post,
// dispatch and control notification is written to stderr as one line, with
// the window's handle and class and the arguments. Builds configured with
// WEBROLO_TRACE off (Release and MinSizeRel by default) leave it out: the
// calls below are then empty and cost nothing.
#pragma once

#include <atomic>

#include "platform/win32/api.h"

namespace trace {

#if WEBROLO_TRACE
// Whether WEBROLO_TRACE names the channel ("x11": errors the X server reports, which the program survives).
bool channel_on(const char* channel);
bool messages_on();  // WEBROLO_TRACE names "messages" (read once; reload() reads it again)
void reload();
// Writes the line when messages are traced.
void write_message(const char* kind, HWND window, UINT message, WPARAM wParam, LPARAM lParam);
extern std::atomic<bool> g_messages_off;  // known to be off: every message passes here, and most runs trace none
// kind: "send", "post", "dispatch" or "notify"; a notification names the
// control that sends it, with the parent it goes to in place of lParam.
inline void message(const char* kind, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!g_messages_off.load(std::memory_order_relaxed)) write_message(kind, window, message, wParam, lParam);
}
#else
inline bool channel_on(const char*) { return false; }
inline bool messages_on() { return false; }
inline void reload() {}
inline void message(const char*, HWND, UINT, WPARAM, LPARAM) {}
#endif

}  // namespace trace
