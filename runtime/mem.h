// Private heaps, the general heap and element pools.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/win32.h"

// The general heap: every library record, object table, file buffer, map and
// pool chunk comes from it; destroying it releases them all at once.
HANDLE mem_heap_init();                        // creates it (no flags, 4096 bytes initially, no maximum)
void mem_heap_end();                           // destroys it and everything still in it
HANDLE mem_heap();                             // null before mem_heap_init
void* mem_alloc(size_t bytes);                 // not cleared; null when memory is exhausted
void* mem_alloc_zero(size_t bytes);            // cleared
void* mem_realloc(void* block, size_t bytes);  // null block allocates; null result keeps the old block
void mem_free(void* block);                    // null does nothing

struct PoolChunk;
struct SharedPoolEntry;

struct ElementPool {
  PoolChunk* full_chunks;         // chunks without a free slot
  PoolChunk* open_chunks;         // chunks with at least one free slot; allocation takes from the first
  SharedPoolEntry* shared_entry;  // null for a private pool
  uint64_t total_slots;           // sum of the capacities of all chunks
  uint64_t slot_size;             // element size rounded up to 8, plus the 8-byte slot header
  int32_t minimum_chunk;
  int32_t maximum_chunk;
  uint32_t locked;  // 1 when the pool has its own lock
  CRITICAL_SECTION lock;
};

struct PoolChunk {
  PoolChunk* next;
  PoolChunk* previous;
  void* free_list;           // returned slots, linked through their first word
  int32_t capacity;          // slots
  int32_t handed_out_fresh;  // slots taken so far from the never-used tail
  int32_t free_count;        // slots on the free list
};

// Flags of mem_pool_new.
constexpr uint32_t MEM_POOL_LOCKED = 1;  // low two bits equal to 1: the pool has its own lock
constexpr uint32_t MEM_POOL_SHARED = 4;

// Null when memory is exhausted, and for an element size no chunk could hold or chunk bounds
// other than 1 <= minimum <= maximum.
ElementPool* mem_pool_new(uint64_t element_size, int32_t minimum_chunk, int32_t maximum_chunk, uint32_t flags);
void* mem_pool_alloc(ElementPool* pool);
void* mem_pool_alloc_zero(ElementPool* pool);
void mem_pool_free(ElementPool* pool, void* element);
void mem_pool_clear(ElementPool* pool);
void mem_pool_end(ElementPool* pool);

// A once-flag, zero at first. It is as wide as the platform's one-time
// initialisation object, which the service path hands to the platform; the
// fallback path uses its first 32-bit word (0 not run, 1 running, 2 done).
union MemOnceFlag {
  INIT_ONCE once;
  LONG word;
};
typedef void (*MemOnceRoutine)();

// Runs the routine exactly once: through "InitOnceExecuteOnce" of
// "Kernel32.dll" when the platform offers it, else through mem_run_once_atomic.
void mem_run_once(MemOnceFlag* flag, MemOnceRoutine routine);
// The fallback on its own: compare-and-exchange on the word, yielding while another caller runs it.
void mem_run_once_atomic(MemOnceFlag* flag, MemOnceRoutine routine);
