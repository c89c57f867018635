// The object registry: static growth, liveness, reuse through the release
// routine, validation of dynamic identities, iteration order and releasing
// while iterating.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "runtime/mem.h"
#include "runtime/obj.h"

namespace {

struct Thing {
  int64_t handle;  // the first field: non-zero when live
  int64_t payload[3];
};

ObjectTable* released_table = nullptr;
std::vector<int64_t> released;

// A library's free routine: forget the object, then give its number back.
void release_thing(int64_t number) {
  released.push_back(number);
  obj_release(released_table, number);
}

void note_only(int64_t number) { released.push_back(number); }

class ObjTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(mem_heap_init(), nullptr);
    released.clear();
  }
  void TearDown() override {
    released_table = nullptr;
    mem_heap_end();
  }
};

Thing* make(ObjectTable* table, int64_t number, int64_t handle) {
  auto* thing = static_cast<Thing*>(obj_new(table, number));
  if (thing) thing->handle = handle;
  return thing;
}

int64_t id(const void* record) { return static_cast<int64_t>(reinterpret_cast<uintptr_t>(record)); }

}  // namespace

TEST_F(ObjTest, StaticArrayGrowsByTheStepBeyondTheRequestedNumber) {
  ObjectTable* gadgets = obj_table_new(sizeof(Thing), 50, nullptr);
  ASSERT_NE(gadgets, nullptr);
  EXPECT_EQ(gadgets->capacity, 50);
  for (int64_t n = 0; n < 50; n++) EXPECT_EQ(gadgets->static_array[n], nullptr);
  ASSERT_NE(make(gadgets, 3, 33), nullptr);
  ASSERT_NE(make(gadgets, 60, 66), nullptr);
  EXPECT_EQ(gadgets->capacity, 110);
  for (int64_t n = 50; n < 110; n++) {
    if (n != 60) {
      EXPECT_EQ(gadgets->static_array[n], nullptr) << n;
    }
  }
  EXPECT_EQ(static_cast<Thing*>(obj_get(gadgets, 3))->handle, 33);
  EXPECT_EQ(static_cast<Thing*>(obj_get(gadgets, 60))->handle, 66);

  ObjectTable* files = obj_table_new(sizeof(Thing), 16, nullptr);
  ASSERT_NE(make(files, 20, 1), nullptr);
  EXPECT_EQ(files->capacity, 36);
  ASSERT_NE(make(files, 35, 1), nullptr);  // inside the array now: no growth
  EXPECT_EQ(files->capacity, 36);

  // Numbers whose array could never exist are refused without touching the table.
  EXPECT_EQ(obj_new(files, INT64_MAX), nullptr);
  EXPECT_EQ(obj_new(files, INT64_MAX - 10), nullptr);
  EXPECT_EQ(obj_new(files, int64_t{1} << 62), nullptr);
  EXPECT_EQ(files->capacity, 36);
  EXPECT_EQ(obj_new(files, -2), nullptr);
  EXPECT_EQ(obj_new(files, INT64_MIN), nullptr);
  EXPECT_EQ(files->newest_dynamic, nullptr);

  // A record must hold its 64-bit handle, and the array must be able to grow.
  EXPECT_EQ(obj_table_new(4, 16, nullptr), nullptr);
  EXPECT_EQ(obj_table_new(sizeof(Thing), 0, nullptr), nullptr);
  EXPECT_EQ(obj_table_new(sizeof(Thing), -3, nullptr), nullptr);
}

TEST_F(ObjTest, OnlyLiveRecordsAreFound) {
  ObjectTable* table = obj_table_new(sizeof(Thing), 16, nullptr);
  EXPECT_EQ(obj_get(table, 0), nullptr);  // never used
  auto* thing = static_cast<Thing*>(obj_new(table, 0));
  ASSERT_NE(thing, nullptr);
  EXPECT_EQ(thing->handle, 0);
  EXPECT_EQ(obj_get(table, 0), nullptr);  // created, but its handle is not set yet
  thing->handle = 7;
  thing->payload[2] = 99;
  EXPECT_EQ(obj_get(table, 0), thing);
  obj_release(table, 0);
  EXPECT_EQ(obj_get(table, 0), nullptr);
  EXPECT_EQ(thing->payload[2], 0);  // zero-filled, kept for the next use
  EXPECT_EQ(obj_new(table, 0), thing);

  obj_release(table, 5);   // never used: nothing happens
  obj_release(table, -1);  // names nothing
  obj_release(table, -77);
  EXPECT_EQ(obj_get(table, -1), nullptr);
  EXPECT_EQ(obj_get(table, -5), nullptr);
  EXPECT_EQ(obj_get(table, INT64_MAX), nullptr);
}

TEST_F(ObjTest, RecreatingAStaticNumberReleasesItFirst) {
  ObjectTable* table = obj_table_new(sizeof(Thing), 16, release_thing);
  released_table = table;
  Thing* first = make(table, 2, 11);
  first->payload[0] = 5;
  Thing* second = static_cast<Thing*>(obj_new(table, 2));
  EXPECT_EQ(released, std::vector<int64_t>{2});
  EXPECT_EQ(second, first);
  EXPECT_EQ(second->handle, 0);
  EXPECT_EQ(second->payload[0], 0);

  // Without a release routine the record comes back as it is while it is live.
  ObjectTable* plain = obj_table_new(sizeof(Thing), 16, nullptr);
  Thing* kept = make(plain, 1, 4);
  kept->payload[1] = 8;
  EXPECT_EQ(obj_new(plain, 1), kept);
  EXPECT_EQ(kept->handle, 4);
  EXPECT_EQ(kept->payload[1], 8);
  // A record whose creation failed (handle never set) holds nothing worth keeping.
  kept->handle = 0;
  EXPECT_EQ(obj_new(plain, 1), kept);
  EXPECT_EQ(kept->payload[1], 0);

  // A release routine that leaves the record alone (the object was closed already) still gives a clean record.
  ObjectTable* lazy = obj_table_new(sizeof(Thing), 16, note_only);
  Thing* dead = static_cast<Thing*>(obj_new(lazy, 0));
  dead->payload[0] = 3;  // filled, but the handle never came
  EXPECT_EQ(obj_new(lazy, 0), dead);
  EXPECT_EQ(dead->payload[0], 0);
}

TEST_F(ObjTest, DynamicIdentitiesAreValidatedWithoutTrustingTheValue) {
  ObjectTable* table = obj_table_new(sizeof(Thing), 16, nullptr);
  ObjectTable* other = obj_table_new(sizeof(Thing), 16, nullptr);
  Thing* a = make(table, -1, 1);
  Thing* foreign = make(other, -1, 1);
  Thing* fixed = make(table, 3, 1);
  ASSERT_NE(a, nullptr);
  EXPECT_GE(id(a), table->capacity);
  EXPECT_EQ(obj_get(table, id(a)), a);
  EXPECT_EQ(obj_get(table, id(foreign)), nullptr);  // another table's record
  EXPECT_EQ(obj_get(other, id(a)), nullptr);
  EXPECT_EQ(obj_get(table, id(fixed)), nullptr);  // a static record's address is not an identity
  EXPECT_EQ(obj_get(table, id(a) + 8), nullptr);
  EXPECT_EQ(obj_get(table, 0x123456789), nullptr);  // garbage
  obj_release(table, id(foreign));                  // not ours: nothing happens
  EXPECT_EQ(obj_get(other, id(foreign)), foreign);

  // A dynamic record is found only while its handle is set; released, its identity means nothing.
  a->handle = 0;
  EXPECT_EQ(obj_get(table, id(a)), nullptr);
  a->handle = 2;
  const int64_t gone = id(a);
  obj_release(table, gone);
  EXPECT_EQ(obj_get(table, gone), nullptr);
  obj_release(table, gone);  // twice: still nothing, no double free
  EXPECT_EQ(table->newest_dynamic, nullptr);

  // Growing the static numbers over a live identity would hide that object: refused.
  Thing* b = make(table, -1, 9);
  EXPECT_EQ(obj_new(table, id(b)), nullptr);
  EXPECT_EQ(obj_get(table, id(b)), b);
  EXPECT_EQ(table->capacity, 16);
}

TEST_F(ObjTest, ManyDynamicRecordsStayFindableThroughReleases) {
  ObjectTable* table = obj_table_new(sizeof(Thing), 4, nullptr);
  std::vector<Thing*> live;
  for (int i = 0; i < 2000; i++) {
    Thing* thing = make(table, -1, i + 1);
    ASSERT_NE(thing, nullptr);
    live.push_back(thing);
  }
  std::mt19937 random(12345);
  std::shuffle(live.begin(), live.end(), random);
  std::vector<int64_t> gone;
  while (live.size() > 500) {
    gone.push_back(id(live.back()));
    obj_release(table, gone.back());
    live.pop_back();
    if (live.size() % 250 == 0) {
      for (Thing* thing : live) ASSERT_EQ(obj_get(table, id(thing)), thing);
    }
  }
  for (Thing* thing : live) EXPECT_EQ(obj_get(table, id(thing)), thing);
  size_t found_gone = 0;
  for (int64_t number : gone) found_gone += obj_get(table, number) != nullptr;
  EXPECT_EQ(found_gone, 0u);
  // New records after many releases are found as well.
  for (int i = 0; i < 100; i++) {
    Thing* thing = make(table, -1, 1);
    ASSERT_EQ(obj_get(table, id(thing)), thing);
  }
}

TEST_F(ObjTest, IterationVisitsStaticAscendingThenDynamicOldestFirst) {
  ObjectTable* table = obj_table_new(sizeof(Thing), 8, nullptr);
  EXPECT_EQ(obj_first(table, nullptr), nullptr);  // empty table
  Thing* older = make(table, -1, 0);              // dynamic records are visited whatever their handle
  make(table, 5, 1);
  make(table, 1, 1);
  make(table, 2, 0);  // not live: skipped
  Thing* newer = make(table, -1, 1);
  int64_t number = 42;
  std::vector<int64_t> order;
  for (void* record = obj_first(table, &number); record; record = obj_next(table, &number)) order.push_back(number);
  EXPECT_EQ(order, (std::vector<int64_t>{1, 5, id(older), id(newer)}));
  EXPECT_EQ(number, -1);  // the end answers no number
  EXPECT_EQ(obj_next(table, &number), nullptr);

  // Releasing the record just given, or the one the iteration would visit next, keeps it on track.
  Thing* newest = make(table, -1, 1);
  order.clear();
  for (void* record = obj_first(table, &number); record; record = obj_next(table, &number)) {
    order.push_back(number);
    if (record == older) obj_release(table, id(newer));
    obj_release(table, number);
  }
  EXPECT_EQ(order, (std::vector<int64_t>{1, 5, id(older), id(newest)}));
  EXPECT_EQ(table->newest_dynamic, nullptr);
  EXPECT_EQ(obj_first(table, &number), nullptr);
}

TEST_F(ObjTest, ReleaseAllCallsTheRoutineInIterationOrder) {
  ObjectTable* table = obj_table_new(sizeof(Thing), 16, release_thing);
  released_table = table;
  make(table, 3, 1);
  Thing* a = make(table, -1, 1);
  make(table, 0, 1);
  Thing* b = make(table, -1, 1);
  obj_release_all(table);
  EXPECT_EQ(released, (std::vector<int64_t>{0, 3, id(a), id(b)}));
  EXPECT_EQ(obj_get(table, 0), nullptr);
  EXPECT_EQ(obj_get(table, 3), nullptr);
  EXPECT_EQ(table->newest_dynamic, nullptr);

  // Without a routine there is nothing to call, and nothing changes.
  ObjectTable* plain = obj_table_new(sizeof(Thing), 16, nullptr);
  Thing* kept = make(plain, -1, 1);
  obj_release_all(plain);
  EXPECT_EQ(obj_get(plain, id(kept)), kept);
}

namespace {

int started_blocks = 0;
void start_block(void* block) {
  started_blocks++;
  static_cast<int64_t*>(block)[1] = 77;
}

}  // namespace

TEST_F(ObjTest, ThreadRecordIsOneZeroFilledBlock) {
  started_blocks = 0;
  auto* block = static_cast<int64_t*>(obj_thread_record_new(64, start_block, start_block));
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(started_blocks, 1);  // the start routine only
  EXPECT_EQ(block[0], 0);
  EXPECT_EQ(block[1], 77);
  EXPECT_EQ(block[7], 0);
  EXPECT_EQ(obj_thread_record(block), block);
  EXPECT_EQ(obj_thread_record(block), block);
  auto* plain = static_cast<int64_t*>(obj_thread_record_new(16, nullptr, nullptr));
  ASSERT_NE(plain, nullptr);
  EXPECT_EQ(plain[1], 0);
}
