// The event library's table of bound callbacks, keyed by the text of
// (code, window, gadget, type), -1 standing for any value in a position.
#pragma once

#include <cstdint>

struct TextMap;

void event_bindings_init();
void event_bindings_end();
TextMap* event_bindings();

// Runs the callbacks bound to the event, looking up in this order:
// (c, w, g, t), (c, w, g, -1), (c, w, -1, -1), (c, -1, -1, -1), (c, -1, g, t).
void event_run_bindings(int32_t code, int64_t window, int64_t gadget, int64_t type);

// The key text of a binding: "code:window:gadget:type" in 8-bit decimal, ended
// by a zero byte. The buffer must hold EVENT_KEY_SIZE bytes; answers the length.
constexpr int EVENT_KEY_SIZE = 80;
int event_binding_key(char* key, int32_t code, int64_t window, int64_t gadget, int64_t type);
