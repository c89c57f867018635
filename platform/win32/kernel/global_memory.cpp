// Global memory blocks (GlobalAlloc and friends), which the clipboard trades
// in. A moveable block's handle names a record of the block table; a fixed
// block's handle is its address. Every call checks the handle against the
// table first, so a freed or made-up handle is refused with
// ERROR_INVALID_HANDLE and never touched.
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <unordered_map>

#include "platform/win32/api.h"

namespace {

struct Block {
  bool moveable = false;
  void* data = nullptr;  // null for a moveable block of size 0 (discarded)
  SIZE_T size = 0;
  int locks = 0;
  UINT flags = 0;
};

// Handles of moveable blocks count up and are never reused; they are 4 past
// a multiple of 16, so no block address (16-aligned) ever equals one.
uint64_t next_handle = 1;

constexpr UINT GMEM_DISCARDED = 0x4000;
constexpr SIZE_T kLargest = SIZE_T{1} << 40;  // refused as more than memory, as Win32 would

std::mutex lock;
// Never destroyed: blocks the clipboard still holds at exit stay reachable.
std::unordered_map<HGLOBAL, Block>& blocks() {
  static auto* table = new std::unordered_map<HGLOBAL, Block>;
  return *table;
}
std::unordered_map<const void*, HGLOBAL>& by_address() {
  static auto* table = new std::unordered_map<const void*, HGLOBAL>;
  return *table;
}

Block* find(HGLOBAL handle) {
  auto it = blocks().find(handle);
  return it == blocks().end() ? nullptr : &it->second;
}

Block* find_or_fail(HGLOBAL handle) {
  Block* b = handle ? find(handle) : nullptr;
  if (!b) SetLastError(ERROR_INVALID_HANDLE);
  return b;
}

// Memory for size bytes; a block of size 0 still gets a distinct address.
void* take(SIZE_T size, bool zero) {
  if (size > kLargest) return nullptr;
  return zero ? std::calloc(size ? size : 1, 1) : std::malloc(size ? size : 1);
}

}  // namespace

HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes) {
  bool moveable = (flags & GMEM_MOVEABLE) != 0;
  Block b;
  b.moveable = moveable;
  b.size = bytes;
  b.flags = flags & (GMEM_DISCARDABLE | GMEM_DDESHARE);
  if (!moveable || bytes) {
    b.data = take(bytes, (flags & GMEM_ZEROINIT) != 0);
    if (!b.data) {
      SetLastError(ERROR_NOT_ENOUGH_MEMORY);
      return nullptr;
    }
  }
  std::lock_guard<std::mutex> guard(lock);
  HGLOBAL handle = moveable ? reinterpret_cast<HGLOBAL>(static_cast<uintptr_t>(next_handle++ * 16 + 4))
                            : static_cast<HGLOBAL>(b.data);
  blocks()[handle] = b;
  if (b.data) by_address()[b.data] = handle;
  return handle;
}

HGLOBAL GlobalReAlloc(HGLOBAL memory, SIZE_T bytes, UINT flags) {
  std::lock_guard<std::mutex> guard(lock);
  Block* b = find_or_fail(memory);
  if (!b) return nullptr;
  if (flags & GMEM_MODIFY) {
    if (flags & GMEM_DISCARDABLE) b->flags |= GMEM_DISCARDABLE;
    else b->flags &= ~static_cast<UINT>(GMEM_DISCARDABLE);
    return memory;
  }
  // A fixed or locked block may only move when the caller allows it (GMEM_MOVEABLE).
  bool may_move = (b->moveable && b->locks == 0) || (flags & GMEM_MOVEABLE);
  if (!may_move && bytes > b->size) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  if (b->moveable && bytes == 0) {
    if (b->locks) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return nullptr;
    }
    by_address().erase(b->data);
    std::free(b->data);
    b->data = nullptr;
    b->size = 0;
    return memory;
  }
  if (bytes <= b->size && b->data) {
    b->size = bytes;  // shrinks in place
    return memory;
  }
  void* data = take(bytes, false);
  if (!data) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  if (b->data) std::memcpy(data, b->data, b->size);
  if (flags & GMEM_ZEROINIT) std::memset(static_cast<char*>(data) + b->size, 0, bytes - b->size);
  if (b->data) by_address().erase(b->data);
  std::free(b->data);
  b->data = data;
  b->size = bytes;
  by_address()[data] = memory;
  if (b->moveable) return memory;
  // A fixed block's handle is its address: it changes with the block.
  Block moved = *b;
  blocks().erase(memory);
  blocks()[data] = moved;
  by_address()[data] = data;
  return data;
}

LPVOID GlobalLock(HGLOBAL memory) {
  std::lock_guard<std::mutex> guard(lock);
  Block* b = find_or_fail(memory);
  if (!b) return nullptr;
  if (!b->moveable) return b->data;
  if (!b->data) return nullptr;  // discarded
  if (b->locks < GMEM_LOCKCOUNT) ++b->locks;
  return b->data;
}

BOOL GlobalUnlock(HGLOBAL memory) {
  std::lock_guard<std::mutex> guard(lock);
  Block* b = find_or_fail(memory);
  if (!b) return FALSE;
  if (!b->moveable || b->locks == 0) {
    SetLastError(ERROR_NOT_LOCKED);
    return FALSE;
  }
  if (--b->locks > 0) return TRUE;
  SetLastError(ERROR_SUCCESS);
  return FALSE;
}

SIZE_T GlobalSize(HGLOBAL memory) {
  std::lock_guard<std::mutex> guard(lock);
  Block* b = find_or_fail(memory);
  return b ? b->size : 0;
}

UINT GlobalFlags(HGLOBAL memory) {
  std::lock_guard<std::mutex> guard(lock);
  Block* b = find_or_fail(memory);
  if (!b) return GMEM_INVALID_HANDLE;
  UINT flags = static_cast<UINT>(b->locks) | b->flags;
  if (b->moveable && !b->data) flags |= GMEM_DISCARDED;
  return flags;
}

HGLOBAL GlobalHandle(LPCVOID memory) {
  std::lock_guard<std::mutex> guard(lock);
  auto it = by_address().find(memory);
  if (it == by_address().end()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  return it->second;
}

HGLOBAL GlobalFree(HGLOBAL memory) {
  if (!memory) return nullptr;
  std::lock_guard<std::mutex> guard(lock);
  Block* b = find_or_fail(memory);
  if (!b) return memory;
  if (b->data) by_address().erase(b->data);
  std::free(b->data);
  blocks().erase(memory);
  return nullptr;
}
