// Element pools: chunk sizing, moves between the open and full lists, chunks
// going back to the heap, shared pools and locked pools under several threads.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <thread>
#include <vector>

#include "runtime/mem.h"

namespace {

class PoolTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_NE(mem_heap_init(), nullptr); }
  void TearDown() override { mem_heap_end(); }
};

int count_chunks(const PoolChunk* chunk) {
  int n = 0;
  for (; chunk; chunk = chunk->next) n++;
  return n;
}

// The chunk an element came from, read back from the slot header in front of it.
const PoolChunk* chunk_of(const void* element) { return *(static_cast<PoolChunk* const*>(element) - 1); }

}  // namespace

TEST_F(PoolTest, SlotSizeIsTheElementRoundedUpToEightPlusTheHeader) {
  const struct {
    uint64_t element;
    uint64_t slot;
  } cases[] = {{56, 64}, {57, 72}, {0, 8}, {1, 16}, {8, 16}, {1000, 1008}};
  for (const auto& c : cases) {
    ElementPool* pool = mem_pool_new(c.element, 16, 256, 0);
    ASSERT_NE(pool, nullptr);
    EXPECT_EQ(pool->slot_size, c.slot) << c.element;
    EXPECT_EQ(pool->locked, 0u);
    mem_pool_end(pool);
  }
  // Sizes that cannot make a slot, and chunk bounds that cannot make a chunk.
  EXPECT_EQ(mem_pool_new(UINT64_MAX, 16, 256, 0), nullptr);
  EXPECT_EQ(mem_pool_new(UINT64_MAX - 20, 16, 256, MEM_POOL_SHARED), nullptr);
  EXPECT_EQ(mem_pool_new(8, 0, 256, 0), nullptr);
  EXPECT_EQ(mem_pool_new(8, -4, 256, 0), nullptr);
  EXPECT_EQ(mem_pool_new(8, 32, 16, 0), nullptr);
  mem_pool_end(nullptr);
  mem_pool_clear(nullptr);
}

TEST_F(PoolTest, FirstChunkServesTheMinimumThenASecondOpens) {
  ElementPool* pool = mem_pool_new(56, 16, 256, 2);  // the event queue's pool: no lock
  ASSERT_NE(pool, nullptr);
  EXPECT_EQ(pool->locked, 0u);
  std::vector<void*> elements;
  for (int i = 0; i < 16; i++) {
    void* element = mem_pool_alloc(pool);
    ASSERT_NE(element, nullptr);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(element) % 8, 0u);
    memset(element, i, 56);  // the whole element is ours to write
    elements.push_back(element);
  }
  EXPECT_EQ(pool->total_slots, 16u);
  EXPECT_EQ(pool->open_chunks, nullptr);  // the only chunk is now full
  ASSERT_EQ(count_chunks(pool->full_chunks), 1);
  for (void* element : elements) EXPECT_EQ(chunk_of(element), pool->full_chunks);
  EXPECT_EQ(std::set<void*>(elements.begin(), elements.end()).size(), 16u);
  for (int i = 0; i < 16; i++) EXPECT_EQ(static_cast<unsigned char*>(elements[i])[55], i);

  void* seventeenth = mem_pool_alloc(pool);
  ASSERT_NE(seventeenth, nullptr);
  EXPECT_EQ(pool->total_slots, 32u);
  ASSERT_EQ(count_chunks(pool->open_chunks), 1);
  EXPECT_EQ(pool->open_chunks->capacity, 16);
  EXPECT_EQ(pool->open_chunks->handed_out_fresh, 1);
  EXPECT_EQ(chunk_of(seventeenth), pool->open_chunks);
  mem_pool_end(pool);
}

TEST_F(PoolTest, ChunksGrowBySixteenthsInStepsOfSixteenUpToTheMaximum) {
  ElementPool* pool = mem_pool_new(8, 16, 64, 0);
  ASSERT_NE(pool, nullptr);
  std::vector<int32_t> capacities;
  std::vector<void*> elements;
  for (int i = 0; i < 3000; i++) {
    const uint64_t before = pool->total_slots;
    void* element = mem_pool_alloc(pool);
    ASSERT_NE(element, nullptr);
    elements.push_back(element);
    if (pool->total_slots != before) capacities.push_back(chunk_of(element)->capacity);
  }
  // 16 until the pool holds 512 slots, then 32 until 768, 48 until 1024 and the maximum of 64 from there on.
  ASSERT_EQ(capacities.size(), 77u);
  for (size_t i = 0; i < 32; i++) EXPECT_EQ(capacities[i], 16) << i;
  for (size_t i = 32; i < 40; i++) EXPECT_EQ(capacities[i], 32) << i;
  for (size_t i = 40; i < 46; i++) EXPECT_EQ(capacities[i], 48) << i;
  for (size_t i = 46; i < capacities.size(); i++) EXPECT_EQ(capacities[i], 64) << i;
  uint64_t total = 0;
  for (int32_t capacity : capacities) total += static_cast<uint64_t>(capacity);
  EXPECT_EQ(total, pool->total_slots);

  // Giving everything back returns every chunk: an emptied pool holds no memory.
  for (void* element : elements) mem_pool_free(pool, element);
  EXPECT_EQ(pool->total_slots, 0u);
  EXPECT_EQ(pool->open_chunks, nullptr);
  EXPECT_EQ(pool->full_chunks, nullptr);
  mem_pool_end(pool);
}

TEST_F(PoolTest, ChunksMoveBetweenListsAndGoBackWhenEmpty) {
  ElementPool* pool = mem_pool_new(24, 16, 256, 0);
  ASSERT_NE(pool, nullptr);
  std::vector<void*> first(16), second(4);
  for (void*& element : first) element = mem_pool_alloc(pool);
  for (void*& element : second) element = mem_pool_alloc(pool);
  const PoolChunk* full = chunk_of(first[0]);
  const PoolChunk* open = chunk_of(second[0]);
  ASSERT_EQ(pool->full_chunks, full);
  ASSERT_EQ(pool->open_chunks, open);

  // One slot back from the full chunk: it moves to the head of the open list and is used next.
  mem_pool_free(pool, first[5]);
  EXPECT_EQ(pool->full_chunks, nullptr);
  ASSERT_EQ(pool->open_chunks, full);
  EXPECT_EQ(pool->open_chunks->next, open);
  EXPECT_EQ(full->free_count, 1);
  void* reused = mem_pool_alloc(pool);
  EXPECT_EQ(reused, first[5]);
  EXPECT_EQ(pool->full_chunks, full);
  EXPECT_EQ(pool->open_chunks, open);
  first[5] = reused;

  // Freed slots come back last in, first out, before the never-used tail.
  mem_pool_free(pool, second[1]);
  mem_pool_free(pool, second[3]);
  EXPECT_EQ(mem_pool_alloc(pool), second[3]);
  EXPECT_EQ(mem_pool_alloc(pool), second[1]);
  EXPECT_EQ(open->handed_out_fresh, 4);

  // Every handed-out slot of the second chunk back: it is freed though its tail was never used.
  for (void* element : second) mem_pool_free(pool, element);
  EXPECT_EQ(pool->total_slots, 16u);
  EXPECT_EQ(pool->open_chunks, nullptr);
  EXPECT_EQ(pool->full_chunks, full);

  // The full chunk, emptied, goes too.
  for (void* element : first) mem_pool_free(pool, element);
  EXPECT_EQ(pool->total_slots, 0u);
  EXPECT_EQ(pool->full_chunks, nullptr);
  mem_pool_free(pool, nullptr);
  mem_pool_end(pool);
}

TEST_F(PoolTest, ZeroedAllocationAndClearing) {
  ElementPool* pool = mem_pool_new(40, 16, 256, 0);
  ASSERT_NE(pool, nullptr);
  auto* dirty = static_cast<unsigned char*>(mem_pool_alloc(pool));
  void* keep = mem_pool_alloc(pool);  // keeps the chunk alive so the slot is reused
  memset(dirty, 0xAB, 40);
  mem_pool_free(pool, dirty);
  auto* clean = static_cast<unsigned char*>(mem_pool_alloc_zero(pool));
  ASSERT_EQ(clean, dirty);
  for (int i = 0; i < 40; i++) EXPECT_EQ(clean[i], 0) << i;

  for (int i = 0; i < 40; i++) ASSERT_NE(mem_pool_alloc(pool), nullptr);
  ASSERT_GT(pool->total_slots, 16u);
  mem_pool_clear(pool);
  EXPECT_EQ(pool->total_slots, 0u);
  EXPECT_EQ(pool->open_chunks, nullptr);
  EXPECT_EQ(pool->full_chunks, nullptr);
  (void)keep;
  // A cleared pool starts again from the minimum.
  ASSERT_NE(mem_pool_alloc(pool), nullptr);
  EXPECT_EQ(pool->total_slots, 16u);
  mem_pool_end(pool);
}

TEST_F(PoolTest, SharedPoolsAreFoundBySlotSizeAndFlagsAndLiveUntilTheLastEnd) {
  ElementPool* a = mem_pool_new(24, 16, 65536, MEM_POOL_SHARED);
  ElementPool* b = mem_pool_new(20, 8, 128, MEM_POOL_SHARED);  // slot size 32 as well
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a, b);
  EXPECT_NE(a->shared_entry, nullptr);
  EXPECT_EQ(a->minimum_chunk, 16);

  ElementPool* other_size = mem_pool_new(32, 16, 65536, MEM_POOL_SHARED);
  ElementPool* locked = mem_pool_new(24, 16, 65536, MEM_POOL_SHARED | MEM_POOL_LOCKED);
  ElementPool* unlocked_two = mem_pool_new(24, 16, 65536, MEM_POOL_SHARED | 2);
  ElementPool* locked_again = mem_pool_new(17, 16, 65536, MEM_POOL_SHARED | MEM_POOL_LOCKED);
  ElementPool* private_one = mem_pool_new(24, 16, 65536, 0);
  std::set<ElementPool*> distinct = {a, other_size, locked, unlocked_two, private_one};
  EXPECT_EQ(distinct.size(), 5u);
  EXPECT_EQ(locked_again, locked);
  EXPECT_EQ(locked->locked, 1u);
  EXPECT_EQ(unlocked_two->locked, 0u);
  EXPECT_EQ(a->locked, 0u);
  EXPECT_EQ(private_one->shared_entry, nullptr);

  // Elements of a shared pool survive one user giving it up.
  void* element = mem_pool_alloc(a);
  ASSERT_NE(element, nullptr);
  mem_pool_end(a);
  EXPECT_EQ(mem_pool_new(24, 16, 65536, MEM_POOL_SHARED), b);
  EXPECT_EQ(b->total_slots, 16u);
  mem_pool_end(b);
  mem_pool_end(b);
  // Every user has ended it: the next request gets a new, empty pool.
  ElementPool* fresh = mem_pool_new(24, 16, 65536, MEM_POOL_SHARED);
  ASSERT_NE(fresh, nullptr);
  EXPECT_EQ(fresh->total_slots, 0u);
  EXPECT_EQ(fresh->full_chunks, nullptr);
  EXPECT_EQ(fresh->open_chunks, nullptr);

  for (ElementPool* pool : {fresh, other_size, locked, locked, unlocked_two, private_one}) mem_pool_end(pool);
}

TEST_F(PoolTest, SharedPoolsLeftAtShutdownGoWithTheHeap) {
  ElementPool* pool = mem_pool_new(48, 16, 65536, MEM_POOL_SHARED);
  ASSERT_NE(pool, nullptr);
  ASSERT_NE(mem_pool_alloc(pool), nullptr);
  // Destroying the heap takes the pool and its list entry; a new heap must not find them.
  mem_heap_end();
  ASSERT_NE(mem_heap_init(), nullptr);
  ElementPool* again = mem_pool_new(48, 16, 65536, MEM_POOL_SHARED);
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(again->total_slots, 0u);
  mem_pool_end(again);
}

TEST_F(PoolTest, LockedPoolServesSeveralThreads) {
  ElementPool* pool = mem_pool_new(16, 16, 256, MEM_POOL_LOCKED);
  ASSERT_NE(pool, nullptr);
  ASSERT_EQ(pool->locked, 1u);
  constexpr int kThreads = 4;
  constexpr int kRounds = 200;
  std::vector<int> failures(kThreads, 0);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; t++) {
    threads.emplace_back([pool, t, &failures] {
      std::vector<uint64_t*> mine;
      for (int round = 0; round < kRounds; round++) {
        for (int i = 0; i < 50; i++) {
          auto* element = static_cast<uint64_t*>(mem_pool_alloc(pool));
          if (!element) {
            failures[t]++;
            continue;
          }
          element[0] = static_cast<uint64_t>(t);
          element[1] = static_cast<uint64_t>(round * 100 + i);
          mine.push_back(element);
        }
        // Keep some, give back the rest, so chunks move and are freed while others allocate.
        while (mine.size() > 20) {
          uint64_t* element = mine.back();
          mine.pop_back();
          if (element[0] != static_cast<uint64_t>(t)) failures[t]++;
          mem_pool_free(pool, element);
        }
      }
      for (uint64_t* element : mine) {
        if (element[0] != static_cast<uint64_t>(t)) failures[t]++;
        mem_pool_free(pool, element);
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (int t = 0; t < kThreads; t++) EXPECT_EQ(failures[t], 0) << t;
  EXPECT_EQ(pool->total_slots, 0u);
  EXPECT_EQ(pool->open_chunks, nullptr);
  EXPECT_EQ(pool->full_chunks, nullptr);
  mem_pool_end(pool);
}

TEST_F(PoolTest, GeneralHeapBlocks) {
  EXPECT_NE(mem_heap(), nullptr);
  EXPECT_EQ(mem_heap_init(), mem_heap());  // a second start keeps the heap it has
  auto* zero = static_cast<unsigned char*>(mem_alloc_zero(300));
  ASSERT_NE(zero, nullptr);
  for (int i = 0; i < 300; i++) ASSERT_EQ(zero[i], 0);
  memset(zero, 7, 300);
  auto* grown = static_cast<unsigned char*>(mem_realloc(zero, 5000));
  ASSERT_NE(grown, nullptr);
  EXPECT_EQ(grown[299], 7);
  auto* fresh = static_cast<unsigned char*>(mem_realloc(nullptr, 10));
  ASSERT_NE(fresh, nullptr);
  mem_free(fresh);
  mem_free(grown);
  mem_free(nullptr);
  mem_heap_end();
  EXPECT_EQ(mem_heap(), nullptr);
  mem_heap_end();  // nothing to destroy twice
  ASSERT_NE(mem_heap_init(), nullptr);
}
