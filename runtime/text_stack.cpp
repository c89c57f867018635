// The string heap, the temporary string stack and string variables.
//
// The stack is one block of the string heap: base, top (byte offset where the
// text under construction ends) and capacity. The block is always capacity + 10
// bytes and the top stays below capacity - 4, so writing a result of n units and
// its zero unit behind a reservation never leaves the block.
#include <cassert>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "runtime/text.h"

namespace {

constexpr int32_t kStartCapacity = 16;
constexpr int64_t kGrowth = 0x4000;
constexpr int64_t kMargin = 4;       // the top stays this far below the capacity
constexpr int64_t kBlockSpare = 10;  // bytes the stack block has beyond the capacity
constexpr int64_t kVariableSpare = 10;

HANDLE g_heap;
uint8_t* g_base;
int32_t g_top;
int32_t g_capacity;

// Exhausted memory leaves no sound way on: a string that cannot be stored
// would silently become another string.
[[noreturn]] void out_of_memory() { std::abort(); }

// The platform measures texts fastest.
int64_t units_of(const WCHAR* text) { return text ? lstrlenW(text) : 0; }

// Offset of a pointer anywhere inside the stack block, or -1. Wider than
// text_stack_offset_of on purpose: anything in the block moves with it.
int64_t block_offset(const void* pointer) {
  auto p = reinterpret_cast<uintptr_t>(pointer);
  auto base = reinterpret_cast<uintptr_t>(g_base);
  if (!g_base || p < base || p >= base + static_cast<uintptr_t>(g_capacity) + kBlockSpare) return -1;
  return static_cast<int64_t>(p - base);
}

void* heap_resize(void* block, int64_t bytes) {
  void* moved = block ? HeapReAlloc(g_heap, 0, block, static_cast<SIZE_T>(bytes))
                      : HeapAlloc(g_heap, 0, static_cast<SIZE_T>(bytes));
  if (!moved) out_of_memory();
  return moved;
}

// Moves the start of a variable's own block to its front before the block is
// resized, so that assigning a variable (a part of) itself keeps the text.
const WCHAR* settle_inside(TextVar variable, const WCHAR* text, int64_t units) {
  auto p = reinterpret_cast<uintptr_t>(text);
  auto start = reinterpret_cast<uintptr_t>(variable);
  if (!variable || p < start) return text;
  SIZE_T size = HeapSize(g_heap, 0, variable);
  if (size == static_cast<SIZE_T>(-1) || p >= start + size) return text;
  std::memmove(variable, text, static_cast<size_t>(units + 1) * sizeof(WCHAR));
  return variable;
}

}  // namespace

void text_heap_init() {
  assert(!g_heap && "text_heap_init called twice");
  // Unlocked: the string runtime belongs to the program's one thread.
  g_heap = HeapCreate(HEAP_NO_SERIALIZE, 4096, 0);
  if (!g_heap) out_of_memory();
  g_top = 0;
  g_capacity = kStartCapacity;
  g_base = static_cast<uint8_t*>(HeapAlloc(g_heap, HEAP_ZERO_MEMORY, kStartCapacity));
  if (!g_base) out_of_memory();
}

void text_heap_end() {
  if (!g_heap) return;
  HeapFree(g_heap, 0, g_base);
  HeapDestroy(g_heap);
  g_heap = nullptr;
  g_base = nullptr;
  g_top = 0;
  g_capacity = 0;
}

HANDLE text_heap() { return g_heap; }
WCHAR* text_stack_base() { return reinterpret_cast<WCHAR*>(g_base); }
int32_t text_stack_top() { return g_top; }
int32_t text_stack_capacity() { return g_capacity; }
WCHAR* text_stack_at(int32_t offset) { return reinterpret_cast<WCHAR*>(g_base + offset); }

WCHAR* text_stack_reserve(int32_t units, int32_t offset) {
  assert(g_heap && "string runtime not started");
  assert(units >= 0 && offset >= 0 && offset % 2 == 0);
  if (units < 0) units = 0;
  // Counting from the higher of top and offset keeps an offset above the top
  // inside the block as well.
  int64_t need = static_cast<int64_t>(offset > g_top ? offset : g_top) + 2 * static_cast<int64_t>(units);
  if (need >= g_capacity - kMargin) {
    int64_t capacity = need + kGrowth;
    if (capacity + kBlockSpare > INT32_MAX) out_of_memory();  // offsets are 32-bit: the stack stays below 2 GB
    g_base = static_cast<uint8_t*>(heap_resize(g_base, capacity + kBlockSpare));
    g_capacity = static_cast<int32_t>(capacity);
  }
  g_top = static_cast<int32_t>(offset + 2 * static_cast<int64_t>(units));
  return text_stack_at(offset);
}

void text_stack_release(int32_t units) {
  assert(units >= 0 && 2 * static_cast<int64_t>(units) <= g_top);
  if (units < 0) return;
  int64_t top = g_top - 2 * static_cast<int64_t>(units);
  g_top = static_cast<int32_t>(top < 0 ? 0 : top);
}

int32_t text_stack_cut(int32_t offset) {
  // Reserving nothing sets the top and keeps the zero unit inside the block.
  WCHAR* at = text_stack_reserve(0, offset);
  *at = 0;
  return offset;
}

int32_t text_stack_offset_of(const void* pointer) {
  auto p = reinterpret_cast<uintptr_t>(pointer);
  auto base = reinterpret_cast<uintptr_t>(g_base);
  if (!g_base || p < base || p > base + static_cast<uintptr_t>(g_top)) return 0;
  return static_cast<int32_t>(p - base) + 1;
}

WCHAR* text_stack_put(const WCHAR* units, int64_t count, int32_t offset) {
  if (count < 0 || (count > 0 && !units)) count = 0;
  if (count > (INT32_MAX - kGrowth) / 2) out_of_memory();
  // A source inside the stack block is found again by its offset after the
  // block may have moved.
  int64_t source = block_offset(units);
  WCHAR* destination = text_stack_reserve(static_cast<int32_t>(count), offset);
  if (source >= 0) units = reinterpret_cast<const WCHAR*>(g_base + source);
  if (count > 0) std::memmove(destination, units, static_cast<size_t>(count) * sizeof(WCHAR));
  destination[count] = 0;
  return destination;
}

void text_push(const WCHAR* text) {
  if (!text) {
    text_stack_cut(g_top);
    return;
  }
  text_stack_put(text, units_of(text), g_top);
}

void text_pop_into(TextVar* variable, int32_t saved_offset) {
  assert(variable && saved_offset >= 0);
  int64_t bytes = static_cast<int64_t>(g_top) - saved_offset;
  assert(bytes >= 0 && bytes % 2 == 0);
  if (bytes < 0) bytes = 0;
  bytes &= ~int64_t{1};
  auto* block = static_cast<WCHAR*>(heap_resize(*variable, bytes + kVariableSpare));
  std::memcpy(block, g_base + saved_offset, static_cast<size_t>(bytes));
  block[bytes / 2] = 0;
  *variable = block;
  text_stack_cut(saved_offset);
}

void text_assign(TextVar* variable, const WCHAR* text) {
  assert(variable);
  if (!text) {
    text_free(*variable);
    *variable = nullptr;
    return;
  }
  int64_t units = units_of(text);
  text = settle_inside(*variable, text, units);
  bool own = text == *variable;
  auto* block = static_cast<WCHAR*>(heap_resize(*variable, 2 * units + kVariableSpare));
  if (!own) std::memcpy(block, text, static_cast<size_t>(units) * sizeof(WCHAR));
  block[units] = 0;
  *variable = block;
}

void text_free(WCHAR* block) {
  if (block) HeapFree(g_heap, 0, block);
}

void text_new_copy(TextVar* variable, const WCHAR* text) {
  assert(variable);
  if (!text) return;
  int64_t units = units_of(text);
  auto* block = static_cast<WCHAR*>(heap_resize(nullptr, (units + 5) * 2));
  std::memcpy(block, text, static_cast<size_t>(units + 1) * sizeof(WCHAR));
  *variable = block;
}
