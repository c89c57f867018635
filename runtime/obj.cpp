// The object registry: per-kind tables of numbered records.
//
// Static numbers index an array. A dynamic number is the address of its
// record's object part; a per-table set of those addresses lets a lookup tell
// a live identity of this table from any other value without touching it.
#include "runtime/obj.h"

#include <cassert>
#include <cstring>

#include "runtime/mem.h"

namespace {

// The header in front of every dynamic object.
struct DynamicRecord {
  DynamicRecord* older;
  DynamicRecord* newer;
};

constexpr uint64_t kSetFirstSize = 16;

}  // namespace

// Open addressing with linear probing over the identities; 0 marks a free slot
// (no record lives at address 0). Kept at most half full.
struct ObjDynamicSet {
  uint64_t* slots;
  uint64_t size;  // a power of two
  uint64_t count;
  DynamicRecord* oldest;  // the other end of the table's list, where iteration starts
};

namespace {

uint64_t set_home(const ObjDynamicSet* set, uint64_t key) {
  key ^= key >> 33;
  key *= 0xff51afd7ed558ccdULL;
  key ^= key >> 33;
  return key & (set->size - 1);
}

ObjDynamicSet* set_new() {
  auto* set = static_cast<ObjDynamicSet*>(mem_alloc_zero(sizeof(ObjDynamicSet)));
  if (!set) {
    return nullptr;
  }
  set->slots = static_cast<uint64_t*>(mem_alloc_zero(kSetFirstSize * sizeof(uint64_t)));
  if (!set->slots) {
    mem_free(set);
    return nullptr;
  }
  set->size = kSetFirstSize;
  return set;
}

// The slot holding the key, or the free slot where it would go.
uint64_t set_probe(const ObjDynamicSet* set, uint64_t key) {
  uint64_t i = set_home(set, key);
  while (set->slots[i] != 0 && set->slots[i] != key) {
    i = (i + 1) & (set->size - 1);
  }
  return i;
}

bool set_contains(const ObjDynamicSet* set, uint64_t key) { return key != 0 && set->slots[set_probe(set, key)] == key; }

bool set_grow(ObjDynamicSet* set) {
  const uint64_t old_size = set->size;
  uint64_t* old_slots = set->slots;
  auto* slots = static_cast<uint64_t*>(mem_alloc_zero(2 * old_size * sizeof(uint64_t)));
  if (!slots) {
    return false;
  }
  set->slots = slots;
  set->size = 2 * old_size;
  for (uint64_t i = 0; i < old_size; i++) {
    if (old_slots[i] != 0) {
      set->slots[set_probe(set, old_slots[i])] = old_slots[i];
    }
  }
  mem_free(old_slots);
  return true;
}

bool set_insert(ObjDynamicSet* set, uint64_t key) {
  if (2 * (set->count + 1) > set->size && !set_grow(set)) {
    return false;
  }
  set->slots[set_probe(set, key)] = key;
  set->count++;
  return true;
}

// Removal shifts later members of the probe run back, so no tombstones are needed.
void set_remove(ObjDynamicSet* set, uint64_t key) {
  const uint64_t mask = set->size - 1;
  uint64_t hole = set_probe(set, key);
  assert(set->slots[hole] == key);
  for (uint64_t j = (hole + 1) & mask; set->slots[j] != 0; j = (j + 1) & mask) {
    const uint64_t home = set_home(set, set->slots[j]);
    // The member at j may move into the hole unless its home lies cyclically in (hole, j].
    const bool stays = hole < j ? (home > hole && home <= j) : (home > hole || home <= j);
    if (!stays) {
      set->slots[hole] = set->slots[j];
      hole = j;
    }
  }
  set->slots[hole] = 0;
  set->count--;
}

DynamicRecord* header_of(void* object) { return reinterpret_cast<DynamicRecord*>(object) - 1; }
void* object_of(DynamicRecord* record) { return record + 1; }
int64_t identity_of(DynamicRecord* record) { return static_cast<int64_t>(reinterpret_cast<uintptr_t>(record + 1)); }

bool is_static(const ObjectTable* table, int64_t number) { return number >= 0 && number < table->capacity; }

bool is_live(const void* record) {
  if (!record) {
    return false;
  }
  int64_t first;
  memcpy(&first, record, sizeof(first));
  return first != 0;
}

void* dynamic_new(ObjectTable* table) {
  auto* record = static_cast<DynamicRecord*>(mem_alloc_zero(sizeof(DynamicRecord) + table->object_size));
  if (!record) {
    return nullptr;
  }
  const int64_t identity = identity_of(record);
  assert(identity >= table->capacity && "a dynamic identity never looks like a static number");
  if (!set_insert(table->live_dynamic, static_cast<uint64_t>(identity))) {
    mem_free(record);
    return nullptr;
  }
  auto* newest = static_cast<DynamicRecord*>(table->newest_dynamic);
  record->older = newest;
  if (newest) {
    newest->newer = record;
  } else {
    table->live_dynamic->oldest = record;
  }
  table->newest_dynamic = record;
  return object_of(record);
}

// Static numbers must never cover a live dynamic identity, or that object would become unreachable.
bool covers_dynamic(const ObjectTable* table, int64_t capacity) {
  for (auto* record = static_cast<DynamicRecord*>(table->newest_dynamic); record; record = record->older) {
    if (identity_of(record) < capacity) {
      return true;
    }
  }
  return false;
}

bool grow_static(ObjectTable* table, int64_t number) {
  if (number > INT64_MAX - table->growth_step) {
    return false;
  }
  const int64_t capacity = number + table->growth_step;
  if (static_cast<uint64_t>(capacity) > SIZE_MAX / sizeof(void*) || covers_dynamic(table, capacity)) {
    return false;
  }
  auto* array = static_cast<void**>(mem_realloc(table->static_array, static_cast<size_t>(capacity) * sizeof(void*)));
  if (!array) {
    return false;
  }
  memset(array + table->capacity, 0, static_cast<size_t>(capacity - table->capacity) * sizeof(void*));
  table->static_array = array;
  table->capacity = capacity;
  return true;
}

}  // namespace

ObjectTable* obj_table_new(int32_t object_size, int32_t growth_step, ObjReleaseRoutine release) {
  // Every record starts with its 64-bit platform handle, which tells whether it is live.
  if (object_size < static_cast<int32_t>(sizeof(int64_t)) || growth_step < 1) {
    return nullptr;
  }
  auto* table = static_cast<ObjectTable*>(mem_alloc_zero(sizeof(ObjectTable)));
  if (!table) {
    return nullptr;
  }
  table->static_array = static_cast<void**>(mem_alloc_zero(static_cast<size_t>(growth_step) * sizeof(void*)));
  table->live_dynamic = set_new();
  if (!table->static_array || !table->live_dynamic) {
    mem_free(table->static_array);
    mem_free(table->live_dynamic);
    mem_free(table);
    return nullptr;
  }
  table->object_size = object_size;
  table->growth_step = growth_step;
  table->capacity = growth_step;
  table->release = release;
  return table;
}

void* obj_new(ObjectTable* table, int64_t number) {
  assert(table);
  if (number == -1) {
    return dynamic_new(table);
  }
  if (number < 0) {
    return nullptr;
  }
  if (number >= table->capacity && !grow_static(table, number)) {
    return nullptr;
  }
  void* record = table->static_array[number];
  if (!record) {
    record = mem_alloc_zero(static_cast<size_t>(table->object_size));
    table->static_array[number] = record;
    return record;
  }
  if (table->release) {
    table->release(number);
  }
  // A record that is not live holds nothing worth keeping, whatever a failed creation left in it.
  if (!is_live(record)) {
    memset(record, 0, static_cast<size_t>(table->object_size));
  }
  return record;
}

void* obj_get(ObjectTable* table, int64_t number) {
  assert(table);
  void* record = nullptr;
  if (is_static(table, number)) {
    record = table->static_array[number];
  } else if (set_contains(table->live_dynamic, static_cast<uint64_t>(number))) {
    record = reinterpret_cast<void*>(static_cast<uintptr_t>(number));
  }
  return is_live(record) ? record : nullptr;
}

void obj_release(ObjectTable* table, int64_t number) {
  assert(table);
  if (is_static(table, number)) {
    if (table->static_array[number]) {
      memset(table->static_array[number], 0, static_cast<size_t>(table->object_size));
    }
    return;
  }
  if (!set_contains(table->live_dynamic, static_cast<uint64_t>(number))) {
    return;
  }
  DynamicRecord* record = header_of(reinterpret_cast<void*>(static_cast<uintptr_t>(number)));
  if (record->newer) {
    record->newer->older = record->older;
  } else {
    table->newest_dynamic = record->older;
  }
  if (record->older) {
    record->older->newer = record->newer;
  } else {
    table->live_dynamic->oldest = record->newer;
  }
  // An iteration waiting on this record goes on with the next newer one.
  if (table->iteration_cursor == record) {
    table->iteration_cursor = record->newer;
  }
  set_remove(table->live_dynamic, static_cast<uint64_t>(number));
  mem_free(record);
}

void* obj_first(ObjectTable* table, int64_t* number) {
  assert(table);
  table->iteration_position = 0;
  table->iteration_cursor = table->live_dynamic->oldest;
  return obj_next(table, number);
}

void* obj_next(ObjectTable* table, int64_t* number) {
  assert(table);
  while (table->iteration_position < table->capacity) {
    const int64_t n = table->iteration_position++;
    void* record = table->static_array[n];
    if (is_live(record)) {
      if (number) {
        *number = n;
      }
      return record;
    }
  }
  auto* record = static_cast<DynamicRecord*>(table->iteration_cursor);
  if (!record) {
    if (number) {
      *number = -1;
    }
    return nullptr;
  }
  table->iteration_cursor = record->newer;
  if (number) {
    *number = identity_of(record);
  }
  return object_of(record);
}

void obj_release_all(ObjectTable* table) {
  assert(table);
  if (!table->release) {
    return;
  }
  int64_t number = 0;
  for (void* record = obj_first(table, &number); record; record = obj_next(table, &number)) {
    table->release(number);
  }
}

void* obj_thread_record_new(size_t size, ObjThreadRoutine start, ObjThreadRoutine end) {
  (void)end;  // the block lives until the general heap is destroyed, so nothing ends it
  void* block = mem_alloc_zero(size);
  if (block && start) {
    start(block);
  }
  return block;
}

void* obj_thread_record(void* record) { return record; }
