// The layout walkers over records holding strings and container references,
// with container routines of the test's own standing in for a library's.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <vector>

#include "common/test_text.h"
#include "runtime/record.h"
#include "runtime/text.h"

namespace {

// A container of the test: a box holding one number, made and counted by the routines below.
struct Box {
  int64_t value;
};

struct Calls {
  int create = 0;
  int copy = 0;
  int release = 0;
  std::vector<int64_t> kinds;  // the kind of the entry each routine was given
};
Calls g_calls;

void box_create(void* slot, const int64_t* entry) {
  ++g_calls.create;
  g_calls.kinds.push_back(entry[0]);
  *static_cast<Box**>(slot) = new Box{0};
}
void box_copy(void* target, const void* source, const int64_t* entry) {
  ++g_calls.copy;
  g_calls.kinds.push_back(entry[0]);
  (*static_cast<Box**>(target))->value = (*static_cast<Box* const*>(source))->value;
}
void box_release(void* slot, const int64_t* entry) {
  ++g_calls.release;
  g_calls.kinds.push_back(entry[0]);
  delete *static_cast<Box**>(slot);
  *static_cast<Box**>(slot) = nullptr;
}
const MemContainerRoutines kBoxRoutines = {box_create, box_copy, box_release};

struct Inner {
  TextVar name;
  int32_t flags;
  Box* map;
};

struct Outer {
  int64_t id;
  TextVar title;
  Inner inner;
  Inner items[3];
  void* dims;     // a two-dimensional array reference, no routines installed
  double weight;  // plain bytes between managed fields
  TextVar address;
};

int64_t word(const void* layout) { return static_cast<int64_t>(reinterpret_cast<intptr_t>(layout)); }

const int64_t kInnerLayout[] = {offsetof(Inner, name), MEM_LAYOUT_MAP, offsetof(Inner, map), 8, 0, 0, 16,
                                MEM_LAYOUT_END};
const int64_t kOuterLayout[] = {offsetof(Outer, title),
                                MEM_LAYOUT_RECORD,
                                offsetof(Outer, inner),
                                sizeof(Inner),
                                word(kInnerLayout),
                                MEM_LAYOUT_ARRAY,
                                3,
                                offsetof(Outer, items),
                                sizeof(Inner),
                                word(kInnerLayout),
                                MEM_LAYOUT_MULTI_ARRAY,
                                offsetof(Outer, dims),
                                2,
                                0,
                                0,
                                0,
                                10,
                                20,
                                offsetof(Outer, address),
                                MEM_LAYOUT_END};
const int64_t kStringsOnly[] = {0, 8, MEM_LAYOUT_RECORD, 16, 16, word(nullptr), MEM_LAYOUT_END};

class Records : public ::testing::Test {
 protected:
  void SetUp() override {
    text_heap_init();
    g_calls = Calls{};
    mem_record_set_container_routines(MEM_LAYOUT_MAP, &kBoxRoutines);
  }
  void TearDown() override {
    for (int64_t kind = MEM_LAYOUT_DYNAMIC_ARRAY; kind >= MEM_LAYOUT_MULTI_ARRAY; --kind) {
      mem_record_set_container_routines(kind, nullptr);
    }
    text_heap_end();
  }

  static void fill(Outer& record, const WCHAR* tag) {
    std::memset(&record, 0, sizeof record);
    mem_record_init(&record, kOuterLayout);
    record.id = 7;
    record.weight = 2.5;
    text_assign(&record.title, tag);
    text_assign(&record.inner.name, TEXT("inner"));
    record.inner.flags = 3;
    record.inner.map->value = 100;
    for (int i = 0; i < 3; ++i) {
      record.items[i].flags = i;
      record.items[i].map->value = 10 + i;
    }
    text_assign(&record.items[1].name, TEXT("item 1"));
    text_assign(&record.address, TEXT("http://example.org/"));
  }
};

TEST_F(Records, HasContainers) {
  EXPECT_EQ(mem_record_has_containers(nullptr), 0);
  EXPECT_EQ(mem_record_has_containers(kStringsOnly), 0);
  EXPECT_EQ(mem_record_has_containers(kInnerLayout), 1);
  EXPECT_EQ(mem_record_has_containers(kOuterLayout), 1);
  const int64_t embedded[] = {0, MEM_LAYOUT_RECORD, 8, sizeof(Inner), word(kInnerLayout), MEM_LAYOUT_END};
  EXPECT_EQ(mem_record_has_containers(embedded), 1);
  const int64_t in_array[] = {MEM_LAYOUT_ARRAY, 2, 0, sizeof(Inner), word(kInnerLayout), MEM_LAYOUT_END};
  EXPECT_EQ(mem_record_has_containers(in_array), 1);
  const int64_t empty_array[] = {MEM_LAYOUT_ARRAY, 0, 0, sizeof(Inner), word(kInnerLayout), MEM_LAYOUT_END};
  EXPECT_EQ(mem_record_has_containers(empty_array), 0);
  // A list reference counts even with no routines installed; the words of
  // each entry are skipped correctly (a -7 entry is 6 + d words long).
  const int64_t list[] = {MEM_LAYOUT_LIST, 0, 16, word(nullptr), 0, MEM_LAYOUT_END};
  EXPECT_EQ(mem_record_has_containers(list), 1);
  const int64_t multi[] = {MEM_LAYOUT_MULTI_ARRAY, 0, 3, 0, 0, 0, MEM_LAYOUT_MAP, MEM_LAYOUT_MAP, MEM_LAYOUT_MAP,
                           MEM_LAYOUT_END};
  EXPECT_EQ(mem_record_has_containers(multi), 1);
  const int64_t strings_in_record[] = {MEM_LAYOUT_RECORD, 0, 16, word(kStringsOnly), MEM_LAYOUT_END};
  EXPECT_EQ(mem_record_has_containers(strings_in_record), 0);
}

TEST_F(Records, InitCreatesInstalledContainersOnly) {
  Outer record;
  std::memset(&record, 0, sizeof record);
  mem_record_init(&record, kOuterLayout);
  EXPECT_EQ(g_calls.create, 4);  // inner and the three items; the -7 kind has no routines
  ASSERT_NE(record.inner.map, nullptr);
  for (const Inner& item : record.items) ASSERT_NE(item.map, nullptr);
  EXPECT_NE(record.items[0].map, record.items[1].map);
  EXPECT_EQ(record.dims, nullptr);
  EXPECT_EQ(record.title, nullptr);
  for (int64_t kind : g_calls.kinds) EXPECT_EQ(kind, MEM_LAYOUT_MAP);

  mem_record_release(&record, kOuterLayout);
  EXPECT_EQ(g_calls.release, 4);
  EXPECT_EQ(record.inner.map, nullptr);

  // With the routines taken away the walkers leave the references alone.
  mem_record_set_container_routines(MEM_LAYOUT_MAP, nullptr);
  mem_record_init(&record, kOuterLayout);
  EXPECT_EQ(g_calls.create, 4);
  EXPECT_EQ(record.inner.map, nullptr);
  mem_record_init(nullptr, kOuterLayout);
  mem_record_init(&record, nullptr);
}

TEST_F(Records, ReleaseFreesEveryString) {
  Outer record;
  fill(record, TEXT("title"));
  g_calls = Calls{};
  mem_record_release(&record, kOuterLayout);
  EXPECT_EQ(record.title, nullptr);
  EXPECT_EQ(record.inner.name, nullptr);
  EXPECT_EQ(record.items[1].name, nullptr);
  EXPECT_EQ(record.address, nullptr);
  EXPECT_EQ(g_calls.release, 4);
  for (const Inner& item : record.items) EXPECT_EQ(item.map, nullptr);
  // Plain fields are not the walker's business.
  EXPECT_EQ(record.id, 7);
  EXPECT_EQ(record.items[2].flags, 2);
  // Released twice: nothing is left to free.
  mem_record_release(&record, kOuterLayout);
  mem_record_release(nullptr, kOuterLayout);

  // The extra words of a d-dimensional array entry are not read as entries
  // (here they would be strings at odd offsets).
  struct Grid {
    void* dims;
    TextVar label;
  } grid{};
  const int64_t grid_layout[] = {MEM_LAYOUT_MULTI_ARRAY, 0, 3, 0, 0, 0, 1, 1, 1, offsetof(Grid, label), MEM_LAYOUT_END};
  text_assign(&grid.label, TEXT("grid"));
  mem_record_release(&grid, grid_layout);
  EXPECT_EQ(grid.label, nullptr);
  EXPECT_EQ(grid.dims, nullptr);
}

TEST_F(Records, CopyMakesTheTargetItsOwnCopies) {
  Outer source, target;
  fill(source, TEXT("source"));
  fill(target, TEXT("target"));
  text_assign(&target.items[2].name, TEXT("only in the target"));
  source.dims = &source;  // an unmanaged kind's reference travels as bytes
  source.id = 99;
  source.weight = -1.25;
  source.items[0].flags = 42;
  source.items[2].map->value = 77;
  g_calls = Calls{};

  mem_record_copy(&target, &source, sizeof source, kOuterLayout);
  EXPECT_EQ(target.id, 99);
  EXPECT_EQ(target.weight, -1.25);
  EXPECT_EQ(target.items[0].flags, 42);
  EXPECT_EQ(target.dims, &source);
  EXPECT_EQ(u8(target.title), "source");
  EXPECT_NE(target.title, source.title);
  EXPECT_EQ(u8(target.inner.name), "inner");
  EXPECT_NE(target.inner.name, source.inner.name);
  EXPECT_EQ(u8(target.items[1].name), "item 1");
  EXPECT_EQ(target.items[2].name, nullptr);  // the source had none
  EXPECT_EQ(u8(target.address), "http://example.org/");
  EXPECT_EQ(HeapSize(text_heap(), 0, target.address), static_cast<SIZE_T>((19 + 5) * 2));
  // Each map: the target's released, a new one created and filled from the source's.
  EXPECT_EQ(g_calls.release, 4);
  EXPECT_EQ(g_calls.create, 4);
  EXPECT_EQ(g_calls.copy, 4);
  EXPECT_NE(target.items[2].map, source.items[2].map);
  EXPECT_EQ(target.items[2].map->value, 77);
  EXPECT_EQ(target.inner.map->value, 100);

  // The copy is independent of its source.
  text_assign(&source.title, TEXT("changed"));
  source.items[2].map->value = 5;
  mem_record_release(&source, kOuterLayout);
  EXPECT_EQ(u8(target.title), "source");
  EXPECT_EQ(target.items[2].map->value, 77);

  // Onto itself: nothing happens.
  g_calls = Calls{};
  TextVar title = target.title;
  mem_record_copy(&target, &target, sizeof target, kOuterLayout);
  EXPECT_EQ(target.title, title);
  EXPECT_EQ(g_calls.create + g_calls.copy + g_calls.release, 0);
  mem_record_release(&target, kOuterLayout);
}

TEST_F(Records, CopyWithoutLayoutIsBytes) {
  int64_t a[4] = {1, 2, 3, 4}, b[4] = {};
  mem_record_copy(b, a, sizeof a, nullptr);
  EXPECT_EQ(std::memcmp(a, b, sizeof a), 0);
  // A string-only layout over a record of two strings and an embedded record without layout.
  struct Pair {
    TextVar first;
    TextVar second;
    int64_t plain[2];
  } from{}, to{};
  text_assign(&from.first, TEXT("one"));
  from.plain[1] = 11;
  text_assign(&to.second, TEXT("two"));
  mem_record_copy(&to, &from, sizeof from, kStringsOnly);
  EXPECT_EQ(u8(to.first), "one");
  EXPECT_EQ(to.second, nullptr);
  EXPECT_EQ(to.plain[1], 11);
  mem_record_release(&to, kStringsOnly);
  mem_record_release(&from, kStringsOnly);
  EXPECT_EQ(from.first, nullptr);
  mem_record_copy(nullptr, &from, sizeof from, kStringsOnly);
}

}  // namespace
