// The object registry: numbered objects (static numbers 0, 1, 2, ... chosen
// by the caller, or dynamic numbers that are the identity of the record).
#pragma once

#include <cstddef>
#include <cstdint>

typedef void (*ObjReleaseRoutine)(int64_t number);

struct ObjDynamicSet;

struct ObjectTable {
  int32_t object_size;
  int32_t growth_step;
  int64_t capacity;      // static numbers are 0 .. capacity - 1
  void** static_array;   // slot n: the record of static number n, or null
  void* newest_dynamic;  // head of the dynamic records, newest first
  ObjReleaseRoutine release;
  int64_t iteration_position;
  void* iteration_cursor;
  ObjDynamicSet* live_dynamic;  // the identities of live dynamic records, for constant-time validation
};

ObjectTable* obj_table_new(int32_t object_size, int32_t growth_step, ObjReleaseRoutine release);
void* obj_new(ObjectTable* table, int64_t number);
void* obj_get(ObjectTable* table, int64_t number);
void obj_release(ObjectTable* table, int64_t number);
void obj_release_all(ObjectTable* table);
// Iteration: static numbers ascending (live records only), then every dynamic
// record from the oldest to the newest. obj_first restarts the iteration and
// answers its first object; both answer null at the end and store the number.
// The caller may release the object it was just given.
void* obj_first(ObjectTable* table, int64_t* number);
void* obj_next(ObjectTable* table, int64_t* number);

typedef void (*ObjThreadRoutine)(void* block);
void* obj_thread_record_new(size_t size, ObjThreadRoutine start, ObjThreadRoutine end);
void* obj_thread_record(void* record);
