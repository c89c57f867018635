// Text-keyed hash maps with chained buckets (sdbm hash). Keys are 8-bit texts.
#pragma once

#include <cstdint>

#include "runtime/mem.h"

struct MapEntry {
  MapEntry* next;  // next entry of the same chain
  char* key;       // private copy in the general heap
  // the value follows
};

// Flags.
constexpr uint32_t MAP_IGNORE_CASE = 1;
constexpr uint32_t MAP_VALUES_NEED_SETUP = 2;
constexpr uint32_t MAP_INTEGER_KEYS = 4;
// map_new sets flag 2 itself; a caller chooses 1 or 4 by setting them on the map while it is empty.

struct TextMap {
  MapEntry* current;
  MapEntry** buckets;
  MapEntry* previous;
  const int64_t* value_type;  // layout of the value (runtime/record.h), null for plain values
  int32_t current_bucket;     // -1 while an iteration has not started
  int32_t saved_bucket;
  uint64_t value_size;
  int32_t bucket_count;
  int32_t entry_count;
  uint32_t flags;
  TextMap** owner;
  ElementPool* entry_pool;
  int32_t value_kind;
};

TextMap* map_new(uint64_t value_size, int32_t value_kind, const int64_t* value_type, TextMap** owner,
                 int32_t bucket_count);
void* map_find(TextMap* map, const char* key);
// Adds an entry at the head of its chain and answers its value (cleared, and
// set up when the value type needs it); an existing key answers its value.
// Null when memory is exhausted.
void* map_add(TextMap* map, const char* key);
const char* map_current_key(TextMap* map);
void map_rewind(TextMap* map);
void* map_next(TextMap* map);
void* map_delete_current(TextMap* map);
void map_clear(TextMap* map);
void map_free(TextMap* map);
// The hash of a key; its bucket is the hash modulo the bucket count.
uint32_t map_hash(const char* key, uint32_t flags);
// Installs the routines that create, copy and release maps held inside
// records (layout kind -6, runtime/record.h).
void map_library_init();
