// Private heaps over the C allocator. Every block is linked into its heap so
// that HeapDestroy can give back everything at once, as Win32 does.
#include <malloc.h>

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>

#include "platform/win32/api.h"

namespace {

constexpr uint32_t kHeapMagic = 0x48454150;  // "HEAP"

struct Heap;

// 32 bytes, so the block behind it keeps malloc's 16-byte alignment.
struct BlockHeader {
  BlockHeader* previous;
  BlockHeader* next;
  Heap* heap;
  size_t size;
};
static_assert(sizeof(BlockHeader) % 16 == 0);

struct Heap {
  uint32_t magic;
  DWORD options;
  size_t maximum;  // 0: growable
  size_t used;
  BlockHeader* blocks;
  std::mutex lock;
};

Heap* heap_from(HANDLE handle) {
  auto* heap = static_cast<Heap*>(handle);
  if (!heap || heap->magic != kHeapMagic) return nullptr;
  return heap;
}

BlockHeader* header_of(LPCVOID block) {
  return reinterpret_cast<BlockHeader*>(const_cast<char*>(static_cast<const char*>(block)) - sizeof(BlockHeader));
}

// Serialises unless the heap or the call asks for no serialisation.
class HeapGuard {
 public:
  HeapGuard(Heap* heap, DWORD flags) : heap_(heap), locked_(!((heap->options | flags) & HEAP_NO_SERIALIZE)) {
    if (locked_) heap_->lock.lock();
  }
  ~HeapGuard() {
    if (locked_) heap_->lock.unlock();
  }
  HeapGuard(const HeapGuard&) = delete;
  HeapGuard& operator=(const HeapGuard&) = delete;

 private:
  Heap* heap_;
  bool locked_;
};

void link_block(Heap* heap, BlockHeader* block) {
  block->previous = nullptr;
  block->next = heap->blocks;
  if (heap->blocks) heap->blocks->previous = block;
  heap->blocks = block;
}

void unlink_block(Heap* heap, BlockHeader* block) {
  if (block->previous) block->previous->next = block->next;
  else heap->blocks = block->next;
  if (block->next) block->next->previous = block->previous;
}

bool over_limit(const Heap* heap, size_t extra) {
  return heap->maximum != 0 && (extra > heap->maximum || heap->used > heap->maximum - extra);
}

// A block owned by this heap, or null (the caller's error, reported as Win32 does).
BlockHeader* owned_block(Heap* heap, LPCVOID block) {
  if (!block) return nullptr;
  BlockHeader* header = header_of(block);
  return header->heap == heap ? header : nullptr;
}

// Whether the C allocator's block already holds the new size without wasting
// much: then resizing is only a new size, which text assigned line after line
// asks for all the time.
bool fits_in_place(BlockHeader* block, size_t bytes) {
  const size_t usable = malloc_usable_size(block);
  const size_t total = sizeof(BlockHeader) + bytes;
  return total <= usable && usable <= 2 * total + 64;
}

}  // namespace

HANDLE HeapCreate(DWORD options, SIZE_T initialSize, SIZE_T maximumSize) {
  if (maximumSize != 0 && initialSize > maximumSize) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto* heap = new (std::nothrow) Heap{};
  if (!heap) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  heap->magic = kHeapMagic;
  heap->options = options;
  heap->maximum = maximumSize;
  return heap;
}

BOOL HeapDestroy(HANDLE handle) {
  Heap* heap = heap_from(handle);
  if (!heap || handle == GetProcessHeap()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  for (BlockHeader* block = heap->blocks; block;) {
    BlockHeader* next = block->next;
    std::free(block);
    block = next;
  }
  heap->magic = 0;
  delete heap;
  return TRUE;
}

LPVOID HeapAlloc(HANDLE handle, DWORD flags, SIZE_T bytes) {
  Heap* heap = heap_from(handle);
  if (!heap) return nullptr;
  HeapGuard guard(heap, flags);
  if (over_limit(heap, bytes) || bytes > SIZE_MAX - sizeof(BlockHeader)) return nullptr;
  size_t total = sizeof(BlockHeader) + bytes;
  void* raw = (flags & HEAP_ZERO_MEMORY) ? std::calloc(1, total) : std::malloc(total);
  if (!raw) return nullptr;
  auto* block = static_cast<BlockHeader*>(raw);
  block->heap = heap;
  block->size = bytes;
  link_block(heap, block);
  heap->used += bytes;
  return block + 1;
}

LPVOID HeapReAlloc(HANDLE handle, DWORD flags, LPVOID memory, SIZE_T bytes) {
  Heap* heap = heap_from(handle);
  if (!heap) return nullptr;
  HeapGuard guard(heap, flags);
  BlockHeader* block = owned_block(heap, memory);
  if (!block) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  size_t old_size = block->size;
  if (bytes > old_size && over_limit(heap, bytes - old_size)) return nullptr;
  if (bytes > SIZE_MAX - sizeof(BlockHeader)) return nullptr;
  if ((flags & HEAP_REALLOC_IN_PLACE_ONLY) && bytes > old_size) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  if (!(flags & HEAP_REALLOC_IN_PLACE_ONLY) && !fits_in_place(block, bytes)) {
    // realloc may move the block: take it out of the list first, put the result back.
    unlink_block(heap, block);
    auto* moved = static_cast<BlockHeader*>(std::realloc(block, sizeof(BlockHeader) + bytes));
    if (!moved) {
      link_block(heap, block);
      return nullptr;
    }
    block = moved;
    link_block(heap, block);
  }
  if ((flags & HEAP_ZERO_MEMORY) && bytes > old_size)
    std::memset(reinterpret_cast<char*>(block + 1) + old_size, 0, bytes - old_size);
  heap->used = heap->used - old_size + bytes;
  block->size = bytes;
  return block + 1;
}

BOOL HeapFree(HANDLE handle, DWORD flags, LPVOID memory) {
  Heap* heap = heap_from(handle);
  if (!heap) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (!memory) return TRUE;  // Win32 accepts a null block
  HeapGuard guard(heap, flags);
  BlockHeader* block = owned_block(heap, memory);
  if (!block) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  unlink_block(heap, block);
  heap->used -= block->size;
  block->heap = nullptr;
  std::free(block);
  return TRUE;
}

SIZE_T HeapSize(HANDLE handle, DWORD flags, LPCVOID memory) {
  Heap* heap = heap_from(handle);
  if (!heap) return static_cast<SIZE_T>(-1);
  HeapGuard guard(heap, flags);
  BlockHeader* block = owned_block(heap, memory);
  return block ? block->size : static_cast<SIZE_T>(-1);
}

HANDLE GetProcessHeap() {
  static HANDLE process_heap = HeapCreate(0, 0, 0);
  return process_heap;
}
