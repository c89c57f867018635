// Text-keyed hash maps: chained buckets, entries from a shared element pool,
// one cursor per map for lookups, iteration and deletion during iteration.
#include "runtime/map.h"

#include <cassert>
#include <cstring>

#include "runtime/record.h"

namespace {

constexpr uint64_t kEntryHeader = sizeof(MapEntry);

void* value_of(MapEntry* entry) { return reinterpret_cast<char*>(entry) + kEntryHeader; }

// The letters A to Z only, as the default locale's single-character conversion does.
unsigned char ascii_lower(unsigned char c) { return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c + 32) : c; }

bool keys_equal(const TextMap* map, const char* stored, const char* key) {
  if (map->flags & MAP_INTEGER_KEYS) {
    return stored == key;
  }
  if (!key) {
    key = "";
  }
  if (!(map->flags & MAP_IGNORE_CASE)) {
    return strcmp(stored, key) == 0;
  }
  const auto* a = reinterpret_cast<const unsigned char*>(stored);
  const auto* b = reinterpret_cast<const unsigned char*>(key);
  for (; ascii_lower(*a) == ascii_lower(*b); a++, b++) {
    if (*a == 0) {
      return true;
    }
  }
  return false;
}

int32_t bucket_of(const TextMap* map, const char* key) {
  return static_cast<int32_t>(map_hash(key, map->flags) % static_cast<uint32_t>(map->bucket_count));
}

// The entry with that key, found without touching the cursor.
MapEntry* entry_find(const TextMap* map, const char* key, int32_t bucket) {
  MapEntry* entry = map->buckets[bucket];
  while (entry && !keys_equal(map, entry->key, key)) {
    entry = entry->next;
  }
  return entry;
}

// Integer keys are the key itself; text keys get a private copy.
bool key_store(const TextMap* map, MapEntry* entry, const char* key) {
  if (map->flags & MAP_INTEGER_KEYS) {
    entry->key = const_cast<char*>(key);
    return true;
  }
  if (!key) {
    key = "";
  }
  const size_t bytes = strlen(key) + 1;
  entry->key = static_cast<char*>(mem_alloc(bytes));
  if (entry->key) {
    memcpy(entry->key, key, bytes);
  }
  return entry->key != nullptr;
}

void entry_free(TextMap* map, MapEntry* entry) {
  if (!(map->flags & MAP_INTEGER_KEYS)) {
    mem_free(entry->key);
  }
  if (map->value_type) {
    mem_record_release(value_of(entry), map->value_type);
  }
  mem_pool_free(map->entry_pool, entry);
}

// A fresh entry with its key and a cleared value, set up when asked; not yet linked.
MapEntry* entry_new(TextMap* map, const char* key, bool set_up) {
  auto* entry = static_cast<MapEntry*>(mem_pool_alloc(map->entry_pool));
  if (!entry) {
    return nullptr;
  }
  entry->next = nullptr;
  if (!key_store(map, entry, key)) {
    mem_pool_free(map->entry_pool, entry);
    return nullptr;
  }
  memset(value_of(entry), 0, map->value_size);
  if (set_up && (map->flags & MAP_VALUES_NEED_SETUP)) {
    mem_record_init(value_of(entry), map->value_type);
  }
  return entry;
}

// The first entry of the first non-empty bucket from the given one, or the end of the iteration.
void* scan_from(TextMap* map, int32_t bucket) {
  for (; bucket < map->bucket_count; bucket++) {
    if (map->buckets[bucket]) {
      map->current = map->buckets[bucket];
      map->current_bucket = bucket;
      return value_of(map->current);
    }
  }
  map->current = nullptr;
  map->current_bucket = map->bucket_count;
  return nullptr;
}

// Makes current the last entry of the nearest non-empty bucket before the given
// one, so that the next map_next reaches that bucket's head; with none, the next
// map_next starts from bucket 0, which reaches the same head first.
void make_last_before_current(TextMap* map, int32_t bucket) {
  for (int32_t b = bucket - 1; b >= 0; b--) {
    if (MapEntry* last = map->buckets[b]) {
      while (last->next) {
        last = last->next;
      }
      map->current = last;
      map->current_bucket = b;
      return;
    }
  }
  map->current = nullptr;
  map->current_bucket = -1;
}

}  // namespace

uint32_t map_hash(const char* key, uint32_t flags) {
  uint32_t h = 0;
  if (flags & MAP_INTEGER_KEYS) {
    // The integer's eight bytes, lowest first.
    auto value = static_cast<uint64_t>(reinterpret_cast<uintptr_t>(key));
    for (int i = 0; i < 8; i++, value >>= 8) {
      h = static_cast<uint32_t>(value & 0xff) + h * 65599u;
    }
    return h;
  }
  if (!key) {
    return 0;
  }
  for (const auto* c = reinterpret_cast<const unsigned char*>(key); *c; c++) {
    const unsigned char byte = (flags & MAP_IGNORE_CASE) ? ascii_lower(*c) : *c;
    h = byte + h * 65599u;
  }
  return h;
}

TextMap* map_new(uint64_t value_size, int32_t value_kind, const int64_t* value_type, TextMap** owner,
                 int32_t bucket_count) {
  if (owner && *owner) {
    map_free(*owner);
  }
  if (value_size > SIZE_MAX - kEntryHeader) {
    return nullptr;
  }
  auto* map = static_cast<TextMap*>(mem_alloc(sizeof(TextMap)));
  if (!map) {
    return nullptr;
  }
  map->bucket_count = bucket_count < 1 ? 1 : bucket_count;
  map->buckets = static_cast<MapEntry**>(mem_alloc_zero(static_cast<size_t>(map->bucket_count) * sizeof(MapEntry*)));
  map->entry_pool = map->buckets ? mem_pool_new(value_size + kEntryHeader, 16, 65536, MEM_POOL_SHARED) : nullptr;
  if (!map->entry_pool) {
    mem_free(map->buckets);
    mem_free(map);
    return nullptr;
  }
  map->current = nullptr;
  map->previous = nullptr;
  map->value_type = value_type;
  map->current_bucket = -1;
  map->saved_bucket = -1;
  map->value_size = value_size;
  map->entry_count = 0;
  map->flags = value_type && mem_record_has_containers(value_type) ? MAP_VALUES_NEED_SETUP : 0;
  map->owner = owner;
  map->value_kind = value_kind;
  if (owner) {
    *owner = map;
  }
  return map;
}

void* map_find(TextMap* map, const char* key) {
  assert(map);
  const int32_t bucket = bucket_of(map, key);
  // A miss touches nothing: the cursor and its predecessor stay as an earlier walk left them.
  MapEntry* before = nullptr;
  for (MapEntry* entry = map->buckets[bucket]; entry; before = entry, entry = entry->next) {
    if (keys_equal(map, entry->key, key)) {
      map->current = entry;
      map->current_bucket = bucket;
      // A head's predecessor in iteration order is not known here; a deletion looks for it.
      map->previous = before;
      map->saved_bucket = before ? bucket : -1;
      return value_of(entry);
    }
  }
  return nullptr;
}

void* map_add(TextMap* map, const char* key) {
  assert(map);
  const int32_t bucket = bucket_of(map, key);
  MapEntry* entry = entry_find(map, key, bucket);
  if (entry) {
    return value_of(entry);
  }
  entry = entry_new(map, key, true);
  if (!entry) {
    return nullptr;
  }
  entry->next = map->buckets[bucket];
  map->buckets[bucket] = entry;
  map->entry_count++;
  return value_of(entry);
}

const char* map_current_key(TextMap* map) {
  assert(map);
  return map->current ? map->current->key : nullptr;
}

void map_rewind(TextMap* map) {
  assert(map);
  map->current = nullptr;
  map->current_bucket = -1;
}

void* map_next(TextMap* map) {
  assert(map);
  map->previous = map->current;
  map->saved_bucket = map->current_bucket;
  if (map->current) {
    if (map->current->next) {
      map->current = map->current->next;
      return value_of(map->current);
    }
    return scan_from(map, map->current_bucket + 1);
  }
  if (map->current_bucket == -1) {
    return scan_from(map, 0);
  }
  return nullptr;
}

void* map_delete_current(TextMap* map) {
  assert(map);
  MapEntry* entry = map->current;
  if (!entry) {
    return nullptr;
  }
  const int32_t bucket = map->current_bucket;
  MapEntry** head = &map->buckets[bucket];
  if (*head == entry) {
    *head = entry->next;
    // The entry visited before it lets an iteration go on with its successor.
    if (map->previous) {
      map->current = map->previous;
      map->current_bucket = map->saved_bucket;
    } else {
      make_last_before_current(map, bucket);
    }
  } else {
    // The remembered predecessor is trusted only when it really links to the entry.
    MapEntry* before = map->previous;
    if (!before || before->next != entry) {
      for (before = *head; before->next != entry; before = before->next) {
      }
    }
    before->next = entry->next;
    map->current = before;
    map->current_bucket = bucket;
  }
  // The new current entry's own predecessor is not known; a second deletion looks for it.
  map->previous = nullptr;
  map->saved_bucket = -1;
  map->entry_count--;
  entry_free(map, entry);
  return map->current ? value_of(map->current) : nullptr;
}

void map_clear(TextMap* map) {
  assert(map);
  for (int32_t bucket = 0; bucket < map->bucket_count; bucket++) {
    for (MapEntry* entry = map->buckets[bucket]; entry;) {
      MapEntry* next = entry->next;
      entry_free(map, entry);
      entry = next;
    }
  }
  memset(map->buckets, 0, static_cast<size_t>(map->bucket_count) * sizeof(MapEntry*));
  map->previous = nullptr;
  map->saved_bucket = -1;
  map_rewind(map);
  map->entry_count = 0;
}

void map_free(TextMap* map) {
  if (!map) {
    return;
  }
  map_clear(map);
  mem_pool_end(map->entry_pool);
  mem_free(map->buckets);
  // Only a variable that still holds this map is emptied; one that moved on to another map keeps it.
  if (map->owner && *map->owner == map) {
    *map->owner = nullptr;
  }
  mem_free(map);
}

// ---- Maps inside records (layout kind -6: offset, value size, value kind, value layout, bucket count) ----

namespace {

TextMap* slot_map(const void* slot) {
  TextMap* map;
  memcpy(&map, slot, sizeof(map));
  return map;
}

void set_slot_map(void* slot, TextMap* map) { memcpy(slot, &map, sizeof(map)); }

// A record's map has no owner variable: records move and are copied, so the slot is kept by the layout walkers.
void map_slot_create(void* slot, const int64_t* entry) {
  const auto* value_type = reinterpret_cast<const int64_t*>(static_cast<intptr_t>(entry[4]));
  set_slot_map(slot, map_new(static_cast<uint64_t>(entry[2]), static_cast<int32_t>(entry[3]), value_type, nullptr,
                             static_cast<int32_t>(entry[5])));
}

// Same shape, same flags, every entry in the same chain order, values copied as their layout says.
TextMap* map_copy(const TextMap* source) {
  TextMap* copy = map_new(source->value_size, source->value_kind, source->value_type, nullptr, source->bucket_count);
  if (!copy) {
    return nullptr;
  }
  copy->flags = source->flags;
  for (int32_t bucket = 0; bucket < source->bucket_count; bucket++) {
    MapEntry** tail = &copy->buckets[bucket];
    for (MapEntry* from = source->buckets[bucket]; from; from = from->next) {
      MapEntry* to = entry_new(copy, from->key, false);
      if (!to) {
        map_free(copy);
        return nullptr;
      }
      if (source->value_type) {
        mem_record_copy(value_of(to), value_of(from), source->value_size, source->value_type);
      } else {
        memcpy(value_of(to), value_of(from), source->value_size);
      }
      *tail = to;
      tail = &to->next;
      copy->entry_count++;
    }
  }
  return copy;
}

void map_slot_copy(void* target_slot, const void* source_slot, const int64_t*) {
  TextMap* source = slot_map(source_slot);
  TextMap* old = slot_map(target_slot);
  if (old != source) {
    map_free(old);
  }
  set_slot_map(target_slot, source ? map_copy(source) : nullptr);
}

void map_slot_release(void* slot, const int64_t*) {
  map_free(slot_map(slot));
  set_slot_map(slot, nullptr);
}

}  // namespace

void map_library_init() {
  static const MemContainerRoutines routines = {map_slot_create, map_slot_copy, map_slot_release};
  mem_record_set_container_routines(MEM_LAYOUT_MAP, &routines);
}
