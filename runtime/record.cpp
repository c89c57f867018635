// The layout walkers: they find the string variables and container references
// of a record, through its embedded records and fixed arrays, and create,
// release or copy them. Container kinds act through the routines their
// library installed; a kind with none is plain bytes to the walkers.
#include "runtime/record.h"

#include <cassert>
#include <cstring>

#include "runtime/text.h"

namespace {

constexpr int64_t kFirstContainer = MEM_LAYOUT_DYNAMIC_ARRAY;
constexpr int64_t kLastContainer = MEM_LAYOUT_MULTI_ARRAY;
constexpr int64_t kUnbounded = INT64_MAX;

struct InstalledRoutines {
  bool installed;
  MemContainerRoutines routines;
};
InstalledRoutines g_routines[kFirstContainer - kLastContainer + 1];

bool is_container(int64_t kind) { return kind <= kFirstContainer && kind >= kLastContainer; }

const MemContainerRoutines* routines_of(int64_t kind) {
  if (!is_container(kind)) return nullptr;
  const InstalledRoutines& slot = g_routines[kFirstContainer - kind];
  return slot.installed ? &slot.routines : nullptr;
}

// Words in the entry, or 0 for an entry that is not understood (which ends the walk).
int64_t entry_words(const int64_t* entry) {
  switch (entry[0]) {
    case MEM_LAYOUT_ARRAY: return 5;
    case MEM_LAYOUT_RECORD: return 4;
    case MEM_LAYOUT_DYNAMIC_ARRAY: return 6;
    case MEM_LAYOUT_LIST: return 5;
    case MEM_LAYOUT_MAP: return 6;
    case MEM_LAYOUT_MULTI_ARRAY: return entry[2] >= 0 ? 6 + entry[2] : 0;
    default: return entry[0] >= 0 ? 1 : 0;
  }
}

const int64_t* layout_word(int64_t word) { return reinterpret_cast<const int64_t*>(static_cast<intptr_t>(word)); }

void* load_pointer(const void* slot) {
  void* value;
  std::memcpy(&value, slot, sizeof value);
  return value;
}

void store_pointer(void* slot, void* value) { std::memcpy(slot, &value, sizeof value); }

// Calls visit(entry, slot_a, slot_b) for every string (entry[0] >= 0) and
// every container entry of the layout over two records laid out alike
// (b may be the same as a). limit is the size of the record, for checks.
template <class Visit>
void walk(uint8_t* a, const uint8_t* b, const int64_t* layout, int64_t limit, Visit& visit) {
  (void)limit;  // read by the checks only
  if (!layout) return;
  for (const int64_t* entry = layout; entry[0] != MEM_LAYOUT_END;) {
    int64_t words = entry_words(entry);
    assert(words > 0 && "unknown layout entry");
    if (words == 0) return;
    int64_t kind = entry[0];
    if (kind >= 0 || is_container(kind)) {
      int64_t offset = kind >= 0 ? kind : entry[1];
      assert(offset >= 0 && offset + static_cast<int64_t>(sizeof(void*)) <= limit);
      visit(entry, a + offset, b + offset);
    } else if (kind == MEM_LAYOUT_ARRAY) {
      int64_t count = entry[1], offset = entry[2], size = entry[3];
      assert(count <= 0 || (offset >= 0 && size > 0 && offset + count * size <= limit));
      for (int64_t i = 0; i < count; ++i)
        walk(a + offset + i * size, b + offset + i * size, layout_word(entry[4]), size, visit);
    } else {  // MEM_LAYOUT_RECORD
      int64_t offset = entry[1], size = entry[2];
      assert(offset >= 0 && offset + size <= limit);
      walk(a + offset, b + offset, layout_word(entry[3]), size, visit);
    }
    entry += words;
  }
}

// Frees the strings and releases the installed containers of one record.
void release_fields(uint8_t* record, const int64_t* layout, int64_t limit) {
  auto visit = [](const int64_t* entry, uint8_t* slot, const uint8_t*) {
    if (entry[0] >= 0) {
      text_free(static_cast<WCHAR*>(load_pointer(slot)));
      store_pointer(slot, nullptr);  // a second release finds nothing to free
    } else if (const MemContainerRoutines* routines = routines_of(entry[0]); routines && routines->release) {
      routines->release(slot, entry);
    }
  };
  walk(record, record, layout, limit, visit);
}

}  // namespace

void mem_record_set_container_routines(int64_t kind, const MemContainerRoutines* routines) {
  assert(is_container(kind));
  if (!is_container(kind)) return;
  InstalledRoutines& slot = g_routines[kFirstContainer - kind];
  slot.installed = routines != nullptr;
  slot.routines = routines ? *routines : MemContainerRoutines{};
}

int mem_record_has_containers(const int64_t* layout) {
  if (!layout) return 0;
  for (const int64_t* entry = layout; entry[0] != MEM_LAYOUT_END;) {
    int64_t words = entry_words(entry);
    assert(words > 0 && "unknown layout entry");
    if (words == 0) return 0;
    if (is_container(entry[0])) return 1;
    if (entry[0] == MEM_LAYOUT_ARRAY && entry[1] > 0 && mem_record_has_containers(layout_word(entry[4]))) return 1;
    if (entry[0] == MEM_LAYOUT_RECORD && mem_record_has_containers(layout_word(entry[3]))) return 1;
    entry += words;
  }
  return 0;
}

void mem_record_init(void* record, const int64_t* layout) {
  if (!record) return;
  auto visit = [](const int64_t* entry, uint8_t* slot, const uint8_t*) {
    if (const MemContainerRoutines* routines = routines_of(entry[0]); routines && routines->create) {
      routines->create(slot, entry);
    }
  };
  walk(static_cast<uint8_t*>(record), static_cast<uint8_t*>(record), layout, kUnbounded, visit);
}

void mem_record_release(void* record, const int64_t* layout) {
  if (record) release_fields(static_cast<uint8_t*>(record), layout, kUnbounded);
}

void mem_record_copy(void* target, const void* source, size_t size, const int64_t* layout) {
  if (target == source || !target || !source) return;
  auto* to = static_cast<uint8_t*>(target);
  const auto* from = static_cast<const uint8_t*>(source);
  assert((to + size <= from || from + size <= to) && "records overlap");
  auto limit = static_cast<int64_t>(size);
  // The target's own strings and containers go first; then every byte comes
  // over, and the managed fields are made the target's own copies.
  release_fields(to, layout, limit);
  std::memcpy(to, from, size);
  auto visit = [](const int64_t* entry, uint8_t* slot, const uint8_t* source_slot) {
    if (entry[0] >= 0) {
      TextVar copy = nullptr;
      text_new_copy(&copy, static_cast<const WCHAR*>(load_pointer(source_slot)));
      store_pointer(slot, copy);
    } else if (const MemContainerRoutines* routines = routines_of(entry[0])) {
      store_pointer(slot, nullptr);
      if (routines->create) routines->create(slot, entry);
      if (routines->copy) routines->copy(slot, source_slot, entry);
    }
  };
  walk(to, from, layout, limit, visit);
}
