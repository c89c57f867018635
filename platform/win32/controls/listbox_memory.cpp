// Large blocks for the list box's store, and the helper thread that makes a
// new text block's pages present while the list fills it.
#include "platform/win32/controls/listbox_memory.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <system_error>
#include <thread>

namespace listbox {

namespace {

constexpr size_t kLargePage = 2 * 1024 * 1024;
// How many large pages the helper keeps ready ahead of a writer: filling one
// takes the writer several times as long as the helper needs to make it present.
constexpr size_t kAhead = 2;

constexpr uintptr_t round_up(uintptr_t value, uintptr_t unit) { return (value + unit - 1) / unit * unit; }
size_t round_to_large_pages(size_t bytes) { return round_up(bytes, kLargePage); }

uintptr_t page_size() {
  static const uintptr_t page = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
  return page;
}

// Makes the pages of [from, to) present for writing. Only a hint: a system
// without the call traps page by page as before.
void populate(uintptr_t from, uintptr_t to) {
#ifdef MADV_POPULATE_WRITE
  if (to > from) madvise(reinterpret_cast<void*>(from), to - from, MADV_POPULATE_WRITE);
#else
  (void)from;
  (void)to;
#endif
}

// One helper thread makes blocks present a large page at a time, in the
// order they were handed to it. A block is taken back from it before it is
// unmapped: free_large waits at most for the large page in hand, so the
// helper never touches an address that may have been mapped again since.
class Filler {
 public:
  void add(uintptr_t base, uintptr_t from, uintptr_t to) {
    std::lock_guard lock(mutex_);
    if (!started_) {
      // Without a thread (the system refusing one) blocks simply fill as they are written.
      try {
        std::thread([this] { run(); }).detach();
      } catch (const std::system_error&) {
        return;
      }
      started_ = true;
    }
    queue_.push_back(Block{base, from, to});
    wake_.notify_one();
  }

  void forget(uintptr_t base) {
    std::unique_lock lock(mutex_);
    std::erase_if(queue_, [base](const Block& b) { return b.base == base; });
    done_.wait(lock, [&] { return current_.base != base; });
  }

 private:
  struct Block {
    uintptr_t base = 0;  // where the block starts, as it was handed over
    uintptr_t from = 0, to = 0;
  };

  void run() {
    std::unique_lock lock(mutex_);
    for (;;) {
      wake_.wait(lock, [&] { return !queue_.empty(); });
      Block& next = queue_.front();
      const Block hand{next.base, next.from, std::min(next.to, next.from + kLargePage)};
      current_ = hand;
      next.from = hand.to;
      if (next.from >= next.to) queue_.pop_front();
      lock.unlock();
      populate(hand.from, hand.to);
      lock.lock();
      current_ = Block{};
      done_.notify_all();
    }
  }

  std::mutex mutex_;
  std::condition_variable wake_, done_;
  std::deque<Block> queue_;
  Block current_;
  bool started_ = false;
};

// Never destroyed: its thread may still wait on it while the program exits.
Filler& filler() {
  static Filler* const instance = new Filler;
  return *instance;
}

// Hands the large pages [from, to) of a block of `size` bytes to the helper.
void fill_pages(uint8_t* block, size_t size, size_t from, size_t to) {
  to = std::min(to, round_to_large_pages(size) / kLargePage);
  if (from >= to) return;
  const auto base = reinterpret_cast<uintptr_t>(block);
  filler().add(base, base + from * kLargePage, base + to * kLargePage);
}

}  // namespace

void* allocate_large(size_t bytes) {
  if (bytes < kLargePage) return std::malloc(bytes);
  if (bytes > SIZE_MAX / 2) return nullptr;
  const size_t rounded = round_to_large_pages(bytes);
  // Mapped with a large page's room to spare, then trimmed to start on a large page.
  void* mapped = mmap(nullptr, rounded + kLargePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (mapped == MAP_FAILED) return nullptr;
  const uintptr_t start = reinterpret_cast<uintptr_t>(mapped);
  const uintptr_t aligned = round_up(start, kLargePage);
  if (aligned > start) munmap(mapped, aligned - start);
  if (const size_t after = start + kLargePage - aligned) munmap(reinterpret_cast<void*>(aligned + rounded), after);
  void* block = reinterpret_cast<void*>(aligned);
#ifdef MADV_HUGEPAGE
  // Only a hint: without large pages the block fills page by page.
  madvise(block, rounded, MADV_HUGEPAGE);
#endif
  return block;
}

void free_large(void* block, size_t bytes) {
  if (bytes < kLargePage) {
    std::free(block);
  } else if (block) {
    filler().forget(reinterpret_cast<uintptr_t>(block));
    munmap(block, round_to_large_pages(bytes));
  }
}

uint8_t* allocate_text_block(size_t bytes) {
  auto* base = static_cast<uint8_t*>(allocate_large(bytes));
  if (!base) return nullptr;
  if (bytes >= kLargePage) {
    // The writer traps on the first large page itself; the helper takes the next ones.
    fill_pages(base, bytes, 1, 1 + kAhead);
    return base;
  }
  // Having the system trap on each new page of a small block as it is first
  // written cost more than copying the texts.
  const uintptr_t page = page_size();
  const auto start = reinterpret_cast<uintptr_t>(base);
  populate(round_up(start, page), (start + bytes) / page * page);
  return base;
}

void block_written(uint8_t* block, size_t size, size_t before, size_t after) {
  // Large pages up to `kAhead` past the one the writer is in are present or on their way.
  if (size >= kLargePage) fill_pages(block, size, before / kLargePage + kAhead + 1, after / kLargePage + kAhead + 1);
}

void release_tail(void* block, size_t used, size_t size) {
  if (!block || size < kLargePage) return;
  // The helper must not make present again what is given back here.
  filler().forget(reinterpret_cast<uintptr_t>(block));
  const uintptr_t page = page_size();
  const uintptr_t base = reinterpret_cast<uintptr_t>(block);
  const uintptr_t from = round_up(base + used, page);
  const uintptr_t to = base + round_to_large_pages(size);
  if (to > from) madvise(reinterpret_cast<void*>(from), to - from, MADV_DONTNEED);
}

}  // namespace listbox
