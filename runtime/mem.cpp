// The general heap and element pools.
//
// A pool hands out fixed-size slots from chunks of the general heap. Every
// slot starts with the address of its chunk, so freeing needs no search; a
// chunk goes back to the heap as soon as every slot it handed out has come back.
#include "runtime/mem.h"

#include <cassert>
#include <cstring>

namespace {

HANDLE general_heap = nullptr;

}  // namespace

HANDLE mem_heap_init() {
  if (!general_heap) {
    general_heap = HeapCreate(0, 4096, 0);
  }
  return general_heap;
}

HANDLE mem_heap() { return general_heap; }

void* mem_alloc(size_t bytes) {
  assert(general_heap && "the general heap is created first");
  return general_heap ? HeapAlloc(general_heap, 0, bytes) : nullptr;
}

void* mem_alloc_zero(size_t bytes) {
  assert(general_heap && "the general heap is created first");
  return general_heap ? HeapAlloc(general_heap, HEAP_ZERO_MEMORY, bytes) : nullptr;
}

void* mem_realloc(void* block, size_t bytes) {
  if (!block) {
    return mem_alloc(bytes);
  }
  assert(general_heap && "the general heap is created first");
  return general_heap ? HeapReAlloc(general_heap, 0, block, bytes) : nullptr;
}

void mem_free(void* block) {
  if (block && general_heap) {
    HeapFree(general_heap, 0, block);
  }
}

// ---- The shared-pool list ----

struct SharedPoolEntry {
  SharedPoolEntry* next;
  SharedPoolEntry* previous;
  ElementPool* pool;
  uint64_t slot_size;
  uint32_t flags;
  int64_t use_count;
};

namespace {

MemOnceFlag shared_once = {};
CRITICAL_SECTION shared_lock;
SharedPoolEntry* shared_pools = nullptr;
bool shared_started = false;

void shared_pools_start() {
  InitializeCriticalSection(&shared_lock);
  shared_pools = nullptr;
  shared_started = true;
}

}  // namespace

void mem_heap_end() {
  if (!general_heap) {
    return;
  }
  // The shared-pool entries live in the heap that is going away; a later heap starts with an empty list.
  if (shared_started) {
    EnterCriticalSection(&shared_lock);
    shared_pools = nullptr;
    LeaveCriticalSection(&shared_lock);
  }
  HeapDestroy(general_heap);
  general_heap = nullptr;
}

// ---- Pools ----

namespace {

constexpr uint64_t kSlotHeader = 8;
constexpr uint64_t kPoolFlagLockMask = 3;

char* chunk_slots(PoolChunk* chunk) { return reinterpret_cast<char*>(chunk) + sizeof(PoolChunk); }

bool chunk_full(const PoolChunk* chunk) { return chunk->free_count == 0 && chunk->handed_out_fresh >= chunk->capacity; }

void list_unlink(PoolChunk** head, PoolChunk* chunk) {
  if (chunk->previous) {
    chunk->previous->next = chunk->next;
  } else {
    *head = chunk->next;
  }
  if (chunk->next) {
    chunk->next->previous = chunk->previous;
  }
  chunk->next = nullptr;
  chunk->previous = nullptr;
}

void list_push(PoolChunk** head, PoolChunk* chunk) {
  chunk->previous = nullptr;
  chunk->next = *head;
  if (*head) {
    (*head)->previous = chunk;
  }
  *head = chunk;
}

void pool_lock(ElementPool* pool) {
  if (pool->locked == 1) {
    EnterCriticalSection(&pool->lock);
  }
}

void pool_unlock(ElementPool* pool) {
  if (pool->locked == 1) {
    LeaveCriticalSection(&pool->lock);
  }
}

ElementPool* private_pool_new(uint64_t slot_size, int32_t minimum_chunk, int32_t maximum_chunk, uint32_t flags) {
  auto* pool = static_cast<ElementPool*>(mem_alloc(sizeof(ElementPool)));
  if (!pool) {
    return nullptr;
  }
  pool->full_chunks = nullptr;
  pool->open_chunks = nullptr;
  pool->shared_entry = nullptr;
  pool->total_slots = 0;
  pool->slot_size = slot_size;
  pool->minimum_chunk = minimum_chunk;
  pool->maximum_chunk = maximum_chunk;
  pool->locked = (flags & kPoolFlagLockMask) == MEM_POOL_LOCKED ? 1 : 0;
  if (pool->locked) {
    InitializeCriticalSection(&pool->lock);
  }
  return pool;
}

void free_chunks(PoolChunk* chunk) {
  while (chunk) {
    PoolChunk* next = chunk->next;
    mem_free(chunk);
    chunk = next;
  }
}

void private_pool_end(ElementPool* pool) {
  mem_pool_clear(pool);
  if (pool->locked) {
    DeleteCriticalSection(&pool->lock);
  }
  mem_free(pool);
}

// A chunk of the given capacity, or null when it cannot be had (its size would not even fit in memory).
PoolChunk* chunk_new(const ElementPool* pool, int32_t capacity) {
  const uint64_t room = (SIZE_MAX - sizeof(PoolChunk)) / pool->slot_size;
  if (static_cast<uint64_t>(capacity) > room) {
    return nullptr;
  }
  auto* chunk = static_cast<PoolChunk*>(mem_alloc(sizeof(PoolChunk) + capacity * pool->slot_size));
  if (chunk) {
    chunk->next = nullptr;
    chunk->previous = nullptr;
    chunk->free_list = nullptr;
    chunk->capacity = capacity;
    chunk->handed_out_fresh = 1;
    chunk->free_count = 0;
  }
  return chunk;
}

// Grow by about a sixteenth of the pool, in steps of 16 slots, between the minimum and the maximum.
int32_t next_chunk_capacity(const ElementPool* pool) {
  const uint64_t share = (pool->total_slots / 16) & ~static_cast<uint64_t>(15);
  if (share < static_cast<uint64_t>(pool->minimum_chunk)) {
    return pool->minimum_chunk;
  }
  return share > static_cast<uint64_t>(pool->maximum_chunk) ? pool->maximum_chunk : static_cast<int32_t>(share);
}

}  // namespace

ElementPool* mem_pool_new(uint64_t element_size, int32_t minimum_chunk, int32_t maximum_chunk, uint32_t flags) {
  // A chunk of one slot must still be a size the heap can be asked for.
  if (element_size > SIZE_MAX - sizeof(PoolChunk) - 2 * kSlotHeader || minimum_chunk < 1 ||
      maximum_chunk < minimum_chunk) {
    return nullptr;
  }
  const uint64_t slot_size = ((element_size + 7) & ~static_cast<uint64_t>(7)) + kSlotHeader;
  if (!(flags & MEM_POOL_SHARED)) {
    return private_pool_new(slot_size, minimum_chunk, maximum_chunk, flags);
  }
  mem_run_once(&shared_once, shared_pools_start);
  EnterCriticalSection(&shared_lock);
  ElementPool* pool = nullptr;
  SharedPoolEntry* entry = shared_pools;
  while (entry && !(entry->slot_size == slot_size && entry->flags == flags)) {
    entry = entry->next;
  }
  if (entry && entry->pool) {
    entry->use_count++;
    pool = entry->pool;
  } else {
    entry = static_cast<SharedPoolEntry*>(mem_alloc(sizeof(SharedPoolEntry)));
    pool = entry ? private_pool_new(slot_size, minimum_chunk, maximum_chunk, flags & ~MEM_POOL_SHARED) : nullptr;
    if (pool) {
      entry->pool = pool;
      entry->slot_size = slot_size;
      entry->flags = flags;
      entry->use_count = 1;
      entry->previous = nullptr;
      entry->next = shared_pools;
      if (shared_pools) {
        shared_pools->previous = entry;
      }
      shared_pools = entry;
      pool->shared_entry = entry;
    } else {
      mem_free(entry);
    }
  }
  LeaveCriticalSection(&shared_lock);
  return pool;
}

void* mem_pool_alloc(ElementPool* pool) {
  assert(pool);
  pool_lock(pool);
  char* slot = nullptr;
  PoolChunk* chunk = pool->open_chunks;
  if (chunk) {
    if (chunk->free_count >= 1) {
      slot = static_cast<char*>(chunk->free_list);
      chunk->free_list = *reinterpret_cast<void**>(slot);
      chunk->free_count--;
    } else {
      slot = chunk_slots(chunk) + static_cast<uint64_t>(chunk->handed_out_fresh) * pool->slot_size;
      chunk->handed_out_fresh++;
    }
    if (chunk_full(chunk)) {
      list_unlink(&pool->open_chunks, chunk);
      list_push(&pool->full_chunks, chunk);
    }
  } else {
    chunk = chunk_new(pool, next_chunk_capacity(pool));
    if (!chunk) {
      chunk = chunk_new(pool, 1);
    }
    if (chunk) {
      pool->total_slots += static_cast<uint64_t>(chunk->capacity);
      list_push(chunk->capacity == 1 ? &pool->full_chunks : &pool->open_chunks, chunk);
      slot = chunk_slots(chunk);
    }
  }
  if (slot) {
    *reinterpret_cast<PoolChunk**>(slot) = chunk;
    slot += kSlotHeader;
  }
  pool_unlock(pool);
  return slot;
}

void* mem_pool_alloc_zero(ElementPool* pool) {
  void* element = mem_pool_alloc(pool);
  if (element) {
    memset(element, 0, pool->slot_size - kSlotHeader);
  }
  return element;
}

void mem_pool_free(ElementPool* pool, void* element) {
  assert(pool);
  if (!element) {
    return;
  }
  pool_lock(pool);
  char* slot = static_cast<char*>(element) - kSlotHeader;
  PoolChunk* chunk = *reinterpret_cast<PoolChunk**>(slot);
  const bool was_full = chunk_full(chunk);
  *reinterpret_cast<void**>(slot) = chunk->free_list;
  chunk->free_list = slot;
  chunk->free_count++;
  if (chunk->free_count == chunk->handed_out_fresh) {
    list_unlink(was_full ? &pool->full_chunks : &pool->open_chunks, chunk);
    pool->total_slots -= static_cast<uint64_t>(chunk->capacity);
    mem_free(chunk);
  } else if (was_full) {
    list_unlink(&pool->full_chunks, chunk);
    list_push(&pool->open_chunks, chunk);
  }
  pool_unlock(pool);
}

void mem_pool_clear(ElementPool* pool) {
  if (!pool) {
    return;
  }
  pool_lock(pool);
  free_chunks(pool->full_chunks);
  free_chunks(pool->open_chunks);
  pool->full_chunks = nullptr;
  pool->open_chunks = nullptr;
  pool->total_slots = 0;
  pool_unlock(pool);
}

void mem_pool_end(ElementPool* pool) {
  if (!pool) {
    return;
  }
  SharedPoolEntry* entry = pool->shared_entry;
  if (!entry) {
    private_pool_end(pool);
    return;
  }
  EnterCriticalSection(&shared_lock);
  const bool last_user = --entry->use_count == 0;
  if (last_user) {
    if (entry->previous) {
      entry->previous->next = entry->next;
    } else {
      shared_pools = entry->next;
    }
    if (entry->next) {
      entry->next->previous = entry->previous;
    }
    mem_free(entry);
  }
  LeaveCriticalSection(&shared_lock);
  // Out of the list, nobody else can reach the pool: its own lock is taken after the global one is given back.
  if (last_user) {
    private_pool_end(pool);
  }
}
