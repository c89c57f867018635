// Bound callbacks of the event library. The program binds nothing, yet every
// posted event looks up its five keys, so building a key stays cheap: digits
// by hand rather than a formatted print.
#include "gui/event_bindings.h"

#include "gui/event.h"
#include "runtime/map.h"
#include "runtime/mem.h"

namespace {

struct BindingNode {
  BindingNode* next;
  EventCallback callback;
};

// The value of a map entry: the chain, run from first to last.
struct BindingChain {
  BindingNode* first;
  BindingNode* last;
};
static_assert(sizeof(BindingChain) == 16);

TextMap* bindings = nullptr;

char* put_decimal(char* out, int64_t value) {
  uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
  char digits[20];
  int count = 0;
  do {
    digits[count++] = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude);
  if (value < 0) *out++ = '-';
  while (count) *out++ = digits[--count];
  return out;
}

void free_chain(BindingChain* chain) {
  for (BindingNode* node = chain->first; node;) {
    BindingNode* next = node->next;
    mem_free(node);
    node = next;
  }
  chain->first = chain->last = nullptr;
}

void run_key(int32_t code, int64_t window, int64_t gadget, int64_t type) {
  char key[EVENT_KEY_SIZE];
  event_binding_key(key, code, window, gadget, type);
  auto* chain = static_cast<BindingChain*>(map_find(bindings, key));
  if (!chain) return;
  for (BindingNode* node = chain->first; node;) {
    // Read the link first: a callback may bind more routines to this chain.
    BindingNode* next = node->next;
    node->callback();
    node = next;
  }
}

// Whether the key's window position (between the first and second colon) reads the window's text.
bool key_names_window(const char* key, const char* window_text, int window_length) {
  while (*key && *key != ':') key++;
  if (*key != ':') return false;
  key++;
  for (int i = 0; i < window_length; i++) {
    if (key[i] != window_text[i]) return false;
  }
  return key[window_length] == ':';
}

}  // namespace

int event_binding_key(char* key, int32_t code, int64_t window, int64_t gadget, int64_t type) {
  char* out = put_decimal(key, code);
  *out++ = ':';
  out = put_decimal(out, window);
  *out++ = ':';
  out = put_decimal(out, gadget);
  *out++ = ':';
  out = put_decimal(out, type);
  *out = 0;
  return static_cast<int>(out - key);
}

void event_bindings_init() { map_new(16, 7, nullptr, &bindings, 1024); }

void event_bindings_end() {
  if (!bindings) return;
  map_rewind(bindings);
  for (void* value = map_next(bindings); value; value = map_next(bindings)) {
    free_chain(static_cast<BindingChain*>(value));
  }
  map_free(bindings);
}

TextMap* event_bindings() { return bindings; }

void event_run_bindings(int32_t code, int64_t window, int64_t gadget, int64_t type) {
  if (!bindings) return;
  run_key(code, window, gadget, type);
  run_key(code, window, gadget, -1);
  run_key(code, window, -1, -1);
  run_key(code, -1, -1, -1);
  run_key(code, -1, gadget, type);
}

bool event_bind(int32_t code, int64_t window, int64_t gadget, int64_t type, EventCallback callback) {
  if (!bindings || !callback) return false;
  auto* node = static_cast<BindingNode*>(mem_alloc(sizeof(BindingNode)));
  if (!node) return false;
  char key[EVENT_KEY_SIZE];
  event_binding_key(key, code, window, gadget, type);
  auto* chain = static_cast<BindingChain*>(map_add(bindings, key));
  if (!chain) {
    mem_free(node);
    return false;
  }
  *node = BindingNode{nullptr, callback};
  if (chain->last) {
    chain->last->next = node;
  } else {
    chain->first = node;
  }
  chain->last = node;
  return true;
}

void event_unbind_window(int64_t window) {
  if (!bindings) return;
  char window_text[24];
  const int window_length = static_cast<int>(put_decimal(window_text, window) - window_text);
  map_rewind(bindings);
  for (void* value = map_next(bindings); value; value = map_next(bindings)) {
    if (key_names_window(map_current_key(bindings), window_text, window_length)) {
      free_chain(static_cast<BindingChain*>(value));
      map_delete_current(bindings);
    }
  }
}
