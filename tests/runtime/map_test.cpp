// Text-keyed hash maps: creation and owner variables, the sdbm hash, case,
// chains, the cursor, deleting while iterating, and maps held in records.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "common/test_text.h"
#include "runtime/map.h"
#include "runtime/mem.h"
#include "runtime/record.h"
#include "runtime/text.h"

namespace {

class MapTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(mem_heap_init(), nullptr);
    text_heap_init();
    map_library_init();
  }
  void TearDown() override {
    mem_record_set_container_routines(MEM_LAYOUT_MAP, nullptr);
    text_heap_end();
    mem_heap_end();
  }
};

// Every key in iteration order, with the value's first word.
std::vector<std::pair<std::string, int64_t>> walk(TextMap* map) {
  std::vector<std::pair<std::string, int64_t>> seen;
  map_rewind(map);
  for (void* value = map_next(map); value; value = map_next(map)) {
    seen.emplace_back(map_current_key(map), *static_cast<int64_t*>(value));
  }
  return seen;
}

std::vector<std::string> keys_of(TextMap* map) {
  std::vector<std::string> keys;
  for (const auto& entry : walk(map)) keys.push_back(entry.first);
  return keys;
}

void add_numbered(TextMap* map, int count) {
  char key[32];
  for (int i = 0; i < count; i++) {
    snprintf(key, sizeof key, "%d_%d_gadget", 13100 + i % 3, i);
    auto* value = static_cast<int64_t*>(map_add(map, key));
    ASSERT_NE(value, nullptr);
    *value = i;
  }
}

// Whether a shared pool of that element size is still in use by someone: a fresh one starts empty.
bool shared_pool_in_use(uint64_t element_size) {
  ElementPool* pool = mem_pool_new(element_size, 16, 65536, MEM_POOL_SHARED);
  const bool used = pool->total_slots != 0;
  mem_pool_end(pool);
  return used;
}

}  // namespace

TEST_F(MapTest, CreationBucketsAndOwnerVariable) {
  TextMap* owner = nullptr;
  TextMap* map = map_new(16, 7, nullptr, &owner, 1024);  // the event library's map
  ASSERT_NE(map, nullptr);
  EXPECT_EQ(owner, map);
  EXPECT_EQ(map->bucket_count, 1024);
  EXPECT_EQ(map->value_size, 16u);
  EXPECT_EQ(map->value_kind, 7);
  EXPECT_EQ(map->flags, 0u);
  EXPECT_EQ(map->entry_count, 0);
  EXPECT_EQ(map->current_bucket, -1);
  EXPECT_EQ(map->entry_pool->slot_size, 40u);  // value + 16, shared
  EXPECT_NE(map->entry_pool->shared_entry, nullptr);
  for (int i = 0; i < 1024; i++) ASSERT_EQ(map->buckets[i], nullptr);
  map_free(map);
  EXPECT_EQ(owner, nullptr);
  map_free(nullptr);

  for (int32_t count : {0, -1, -1000}) {
    TextMap* small = map_new(8, 0, nullptr, nullptr, count);
    ASSERT_NE(small, nullptr);
    EXPECT_EQ(small->bucket_count, 1) << count;
    add_numbered(small, 5);
    EXPECT_EQ(walk(small).size(), 5u);
    map_free(small);
  }

  // A variable that holds a map gives it up to the new one.
  TextMap* old = map_new(200, 0, nullptr, &owner, 8);
  add_numbered(old, 3);
  ASSERT_TRUE(shared_pool_in_use(216));
  TextMap* replacement = map_new(8, 0, nullptr, &owner, 8);
  EXPECT_EQ(owner, replacement);
  EXPECT_FALSE(shared_pool_in_use(216));

  // The variable now holds another map: freeing the first must not empty it.
  TextMap* other = map_new(8, 0, nullptr, nullptr, 8);
  other->owner = &owner;
  owner = other;
  map_free(replacement);
  EXPECT_EQ(owner, other);
  map_free(other);
  EXPECT_EQ(owner, nullptr);

  // A value size that no pool can hold: nothing is made, and the old map is gone all the same.
  TextMap* doomed = map_new(8, 0, nullptr, &owner, 8);
  ASSERT_EQ(owner, doomed);
  EXPECT_EQ(map_new(UINT64_MAX - 4, 0, nullptr, &owner, 8), nullptr);
  EXPECT_EQ(owner, nullptr);
}

TEST_F(MapTest, EmptyMapAnswersNothing) {
  TextMap* map = map_new(16, 7, nullptr, nullptr, 16);
  EXPECT_EQ(map_find(map, "13100_1_2_0"), nullptr);
  EXPECT_EQ(map->current, nullptr);
  EXPECT_EQ(map_current_key(map), nullptr);
  map_rewind(map);
  for (int i = 0; i < 3; i++) EXPECT_EQ(map_next(map), nullptr);
  EXPECT_EQ(map_delete_current(map), nullptr);
  map_clear(map);
  EXPECT_EQ(map_next(map), nullptr);
  map_free(map);
}

TEST_F(MapTest, HashIsSdbmOverTheBytes) {
  EXPECT_EQ(map_hash("", 0), 0u);
  EXPECT_EQ(map_hash(nullptr, 0), 0u);
  EXPECT_EQ(map_hash("a", 0), 97u);
  EXPECT_EQ(map_hash("ab", 0), 6363201u);
  EXPECT_EQ(map_hash("abc", 0), 807794786u);  // wrapped in 32 bits
  EXPECT_EQ(map_hash("13100_1_2_0", 0), 2995735973u);
  EXPECT_EQ(map_hash("ABC", MAP_IGNORE_CASE), 807794786u);
  EXPECT_NE(map_hash("ABC", 0), 807794786u);
  // Bytes above 127 count as unsigned, and only A to Z change case.
  EXPECT_EQ(map_hash("\xC4", 0), 0xC4u);
  EXPECT_EQ(map_hash("\xC4", MAP_IGNORE_CASE), 0xC4u);
  EXPECT_EQ(map_hash("[", MAP_IGNORE_CASE), static_cast<uint32_t>('['));

  TextMap* map = map_new(8, 0, nullptr, nullptr, 7);
  ASSERT_NE(map_add(map, "abc"), nullptr);
  ASSERT_NE(map_find(map, "abc"), nullptr);
  EXPECT_EQ(map->current_bucket, static_cast<int32_t>(807794786u % 7));
  map_free(map);
}

TEST_F(MapTest, AddFindAndChainOrder) {
  TextMap* map = map_new(24, 0, nullptr, nullptr, 1);  // one chain holds everything
  for (const char* key : {"a", "ab", "abc"}) {
    auto* value = static_cast<int64_t*>(map_add(map, key));
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(value[0], 0);
    EXPECT_EQ(value[2], 0);
    value[0] = static_cast<int64_t>(strlen(key));
  }
  EXPECT_EQ(map->entry_count, 3);
  // Newest first.
  EXPECT_EQ(walk(map), (std::vector<std::pair<std::string, int64_t>>{{"abc", 3}, {"ab", 2}, {"a", 1}}));

  auto* ab = static_cast<int64_t*>(map_find(map, "ab"));
  ASSERT_NE(ab, nullptr);
  EXPECT_EQ(*ab, 2);
  EXPECT_STREQ(map_current_key(map), "ab");
  EXPECT_EQ(map_add(map, "ab"), ab);  // an existing key keeps its entry and value
  EXPECT_EQ(*ab, 2);
  EXPECT_EQ(map->entry_count, 3);
  EXPECT_EQ(map_find(map, "b"), nullptr);
  EXPECT_EQ(map_find(map, "abcd"), nullptr);
  EXPECT_EQ(map_find(map, "AB"), nullptr);   // case counts by default
  EXPECT_STREQ(map_current_key(map), "ab");  // a miss leaves the cursor

  // The key is the map's own copy.
  char key[] = "volatile";
  *static_cast<int64_t*>(map_add(map, key)) = 8;
  key[0] = 'V';
  EXPECT_EQ(map_find(map, "Volatile"), nullptr);
  EXPECT_NE(map_find(map, "volatile"), nullptr);
  EXPECT_NE(map_current_key(map), key);

  // A null key is the empty text.
  void* empty = map_add(map, nullptr);
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(map_find(map, ""), empty);
  EXPECT_EQ(map_add(map, ""), empty);

  map_clear(map);
  EXPECT_EQ(map->entry_count, 0);
  EXPECT_EQ(map_find(map, "a"), nullptr);
  EXPECT_TRUE(walk(map).empty());
  add_numbered(map, 4);
  EXPECT_EQ(walk(map).size(), 4u);
  map_free(map);
}

TEST_F(MapTest, FlagsIgnoreCaseAndIntegerKeys) {
  TextMap* map = map_new(8, 0, nullptr, nullptr, 32);
  map->flags |= MAP_IGNORE_CASE;  // chosen while the map is empty
  *static_cast<int64_t*>(map_add(map, "Hello")) = 1;
  EXPECT_NE(map_find(map, "hELLO"), nullptr);
  EXPECT_STREQ(map_current_key(map), "Hello");
  EXPECT_EQ(map_find(map, "hello!"), nullptr);
  EXPECT_EQ(map_find(map, "hell"), nullptr);
  EXPECT_EQ(map_add(map, "HELLO"), map_find(map, "hello"));
  EXPECT_EQ(map->entry_count, 1);
  // Only A to Z fold: other bytes 32 apart stay different.
  map_add(map, "[x]");
  map_add(map, "\xC4");
  EXPECT_EQ(map_find(map, "{x]"), nullptr);
  EXPECT_EQ(map_find(map, "\xE4"), nullptr);
  EXPECT_NE(map_find(map, "[X]"), nullptr);
  map_free(map);

  TextMap* numbers = map_new(8, 0, nullptr, nullptr, 16);
  numbers->flags |= MAP_INTEGER_KEYS;
  for (uintptr_t n = 1; n <= 40; n++) *static_cast<int64_t*>(map_add(numbers, reinterpret_cast<const char*>(n))) = n;
  EXPECT_EQ(numbers->entry_count, 40);
  auto* seventeen = static_cast<int64_t*>(map_find(numbers, reinterpret_cast<const char*>(uintptr_t{17})));
  ASSERT_NE(seventeen, nullptr);
  EXPECT_EQ(*seventeen, 17);
  EXPECT_EQ(map_current_key(numbers), reinterpret_cast<const char*>(uintptr_t{17}));  // the integer itself
  EXPECT_EQ(map_find(numbers, reinterpret_cast<const char*>(uintptr_t{41})), nullptr);
  map_rewind(numbers);
  int deleted = 0;
  for (void* value = map_next(numbers); value; value = map_next(numbers)) {
    if (*static_cast<int64_t*>(value) % 2 == 0) {
      map_delete_current(numbers);
      deleted++;
    }
  }
  EXPECT_EQ(deleted, 20);
  EXPECT_EQ(numbers->entry_count, 20);
  map_free(numbers);
}

TEST_F(MapTest, DeletingMatchesWhileIteratingVisitsEveryOtherEntryOnce) {
  for (int32_t buckets : {1, 2, 7, 64, 1024}) {
    TextMap* map = map_new(16, 7, nullptr, nullptr, buckets);
    add_numbered(map, 300);
    std::multiset<int64_t> visited;
    int deleted = 0;
    map_rewind(map);
    for (void* value = map_next(map); value; value = map_next(map)) {
      const int64_t number = *static_cast<int64_t*>(value);
      visited.insert(number);
      if (number % 3 != 1) {
        void* now_current = map_delete_current(map);
        deleted++;
        // The cursor falls back to the entry visited before, or to nothing.
        EXPECT_EQ(now_current, map->current ? reinterpret_cast<char*>(map->current) + sizeof(MapEntry) : nullptr);
      }
    }
    EXPECT_EQ(visited.size(), 300u) << buckets;
    for (int64_t i = 0; i < 300; i++) EXPECT_EQ(visited.count(i), 1u) << buckets << " " << i;
    EXPECT_EQ(deleted, 200);
    EXPECT_EQ(map->entry_count, 100);
    auto rest = walk(map);
    ASSERT_EQ(rest.size(), 100u) << buckets;
    for (const auto& [key, number] : rest) {
      EXPECT_EQ(number % 3, 1) << key;
      EXPECT_EQ(*static_cast<int64_t*>(map_find(map, key.c_str())), number);
    }

    // Deleting every entry, the first one of the iteration included.
    map_rewind(map);
    int visits = 0;
    for (void* value = map_next(map); value; value = map_next(map)) {
      visits++;
      map_delete_current(map);
    }
    EXPECT_EQ(visits, 100) << buckets;
    EXPECT_EQ(map->entry_count, 0);
    for (int32_t b = 0; b < map->bucket_count; b++) EXPECT_EQ(map->buckets[b], nullptr);
    map_free(map);
  }
}

TEST_F(MapTest, RepeatedDeletionsAndDeletingAfterFindStayConsistent) {
  TextMap* map = map_new(8, 0, nullptr, nullptr, 1);
  for (const char* key : {"a", "b", "c", "d", "e"}) map_add(map, key);  // chain: e d c b a
  map_rewind(map);
  map_next(map);
  map_next(map);
  map_next(map);
  ASSERT_STREQ(map_current_key(map), "c");
  map_delete_current(map);
  ASSERT_STREQ(map_current_key(map), "d");
  // A second deletion without moving on removes "d", whose predecessor the map must find itself.
  map_delete_current(map);
  EXPECT_STREQ(map_current_key(map), "e");
  ASSERT_NE(map_next(map), nullptr);
  EXPECT_STREQ(map_current_key(map), "b");
  EXPECT_EQ(map->entry_count, 3);
  EXPECT_EQ(keys_of(map), (std::vector<std::string>{"e", "b", "a"}));

  // Found entries can be deleted, the head of the chain too, whatever the cursor did before.
  map_rewind(map);
  map_next(map);
  map_next(map);
  ASSERT_NE(map_find(map, "e"), nullptr);
  map_delete_current(map);
  ASSERT_NE(map_find(map, "a"), nullptr);
  map_delete_current(map);
  EXPECT_EQ(map->entry_count, 1);
  EXPECT_EQ(map_find(map, "e"), nullptr);
  EXPECT_EQ(map_find(map, "a"), nullptr);
  EXPECT_EQ(keys_of(map), std::vector<std::string>{"b"});
  map_free(map);
}

namespace {

// A value holding a map of its own (value size 72, so its entries have a pool to themselves) and a string.
const int64_t kNestedValue[] = {MEM_LAYOUT_MAP, 0, 72, 0, 0, 4, 8, MEM_LAYOUT_END};
struct NestedValue {
  TextMap* inner;
  TextVar name;
};

// A record holding a map whose values hold a string and a number.
const int64_t kNamedValue[] = {0, MEM_LAYOUT_END};
struct NamedValue {
  TextVar name;
  int64_t number;
};
const int64_t kHolderLayout[] = {
    MEM_LAYOUT_MAP, 8, sizeof(NamedValue), 0, static_cast<int64_t>(reinterpret_cast<intptr_t>(kNamedValue)), 8,
    MEM_LAYOUT_END};
struct Holder {
  int64_t tag;
  TextMap* map;
};

}  // namespace

TEST_F(MapTest, ValuesWithContainersAreSetUpAndReleased) {
  TextMap* map = map_new(sizeof(NestedValue), 0, kNestedValue, nullptr, 8);
  ASSERT_NE(map, nullptr);
  EXPECT_EQ(map->flags, MAP_VALUES_NEED_SETUP);
  for (const char* key : {"one", "two", "three"}) {
    auto* value = static_cast<NestedValue*>(map_add(map, key));
    ASSERT_NE(value, nullptr);
    ASSERT_NE(value->inner, nullptr);  // made when the entry was
    EXPECT_EQ(value->inner->bucket_count, 4);
    EXPECT_EQ(value->inner->value_size, 72u);
    EXPECT_EQ(value->inner->owner, nullptr);
    EXPECT_EQ(value->name, nullptr);
    ASSERT_NE(map_add(value->inner, key), nullptr);
    text_new_copy(&value->name, TEXT("named"));
  }
  ASSERT_TRUE(shared_pool_in_use(88));
  ASSERT_NE(map_find(map, "two"), nullptr);
  map_delete_current(map);
  EXPECT_TRUE(shared_pool_in_use(88));
  map_clear(map);  // the inner maps go with their entries
  EXPECT_FALSE(shared_pool_in_use(88));
  map_free(map);

  // A plain value type (strings only) needs releasing but no setting up.
  TextMap* names = map_new(sizeof(NamedValue), 0, kNamedValue, nullptr, 8);
  EXPECT_EQ(names->flags, 0u);
  auto* named = static_cast<NamedValue*>(map_add(names, "x"));
  text_new_copy(&named->name, TEXT("text"));
  map_free(names);
}

TEST_F(MapTest, RecordsCopyTheirMapsEntryByEntry) {
  Holder original = {};
  mem_record_init(&original, kHolderLayout);
  ASSERT_NE(original.map, nullptr);
  original.map->flags |= MAP_IGNORE_CASE;
  const char* keys[] = {"alpha", "beta", "gamma", "delta", "epsilon", "zeta", "eta", "theta", "iota", "kappa"};
  int64_t n = 0;
  for (const char* key : keys) {
    auto* value = static_cast<NamedValue*>(map_add(original.map, key));
    value->number = ++n;
    const std::u16string name = w16(std::string("name of ") + key);
    text_new_copy(&value->name, reinterpret_cast<const WCHAR*>(name.c_str()));
  }
  original.tag = 5;

  Holder copy = {};
  mem_record_copy(&copy, &original, sizeof(Holder), kHolderLayout);
  ASSERT_NE(copy.map, nullptr);
  ASSERT_NE(copy.map, original.map);
  EXPECT_EQ(copy.tag, 5);
  EXPECT_EQ(copy.map->bucket_count, original.map->bucket_count);
  EXPECT_EQ(copy.map->flags, original.map->flags);
  EXPECT_EQ(copy.map->entry_count, 10);
  EXPECT_EQ(keys_of(copy.map), keys_of(original.map));  // same entries in the same order
  for (const char* key : keys) {
    auto* from = static_cast<NamedValue*>(map_find(original.map, key));
    auto* to = static_cast<NamedValue*>(map_find(copy.map, key));
    ASSERT_NE(to, nullptr) << key;
    EXPECT_NE(map_current_key(copy.map), map_current_key(original.map));
    EXPECT_EQ(to->number, from->number);
    ASSERT_NE(to->name, from->name);  // a string of its own
    EXPECT_EQ(u8(to->name), "name of " + std::string(key));
  }
  EXPECT_NE(map_find(copy.map, "ALPHA"), nullptr);  // the copy ignores case too

  // The two live apart.
  map_find(copy.map, "beta");
  map_delete_current(copy.map);
  EXPECT_NE(map_find(original.map, "beta"), nullptr);
  mem_record_release(&original, kHolderLayout);
  EXPECT_EQ(original.map, nullptr);
  auto* gamma = static_cast<NamedValue*>(map_find(copy.map, "gamma"));
  ASSERT_NE(gamma, nullptr);
  EXPECT_EQ(u8(gamma->name), "name of gamma");

  // Copying onto a record that holds a map replaces that map.
  Holder again = {};
  mem_record_init(&again, kHolderLayout);
  map_add(again.map, "stale");
  mem_record_copy(&again, &copy, sizeof(Holder), kHolderLayout);
  EXPECT_EQ(map_find(again.map, "stale"), nullptr);
  EXPECT_EQ(again.map->entry_count, 9);
  mem_record_release(&again, kHolderLayout);
  mem_record_release(&copy, kHolderLayout);
  EXPECT_EQ(copy.map, nullptr);
}

// A lookup that misses walks a chain but must not leave its last entry behind as
// the predecessor: deleting the found head afterwards once made that entry (the
// head itself, or an entry of another bucket) current, with a bucket of -1.
TEST_F(MapTest, DeletingAfterAMissNeverMakesAFreedOrForeignEntryCurrent) {
  TextMap* map = map_new(8, 0, nullptr, nullptr, 1);
  ASSERT_NE(map_add(map, "b"), nullptr);
  ASSERT_NE(map_find(map, "b"), nullptr);
  EXPECT_EQ(map_find(map, "other"), nullptr);
  EXPECT_EQ(map_delete_current(map), nullptr);
  EXPECT_EQ(map->current, nullptr);
  EXPECT_EQ(map_next(map), nullptr);
  EXPECT_EQ(map->entry_count, 0);

  // The same within a longer chain: the iteration goes on with the deleted head's successor.
  for (const char* key : {"a", "c", "d"}) map_add(map, key);  // chain: d c a
  ASSERT_NE(map_find(map, "d"), nullptr);
  EXPECT_EQ(map_find(map, "zz"), nullptr);
  EXPECT_EQ(map_delete_current(map), nullptr);
  ASSERT_NE(map_next(map), nullptr);
  EXPECT_STREQ(map_current_key(map), "c");
  ASSERT_NE(map_find(map, "a"), nullptr);
  EXPECT_EQ(map_find(map, "q"), nullptr);
  ASSERT_NE(map_delete_current(map), nullptr);
  EXPECT_STREQ(map_current_key(map), "c");
  EXPECT_EQ(map_next(map), nullptr);
  EXPECT_EQ(keys_of(map), std::vector<std::string>{"c"});
  map_free(map);

  // Across buckets: with two buckets "b" and "d" share bucket 0 (hashes 98, 100), "a" lies in bucket 1.
  TextMap* two = map_new(8, 0, nullptr, nullptr, 2);
  *static_cast<int64_t*>(map_add(two, "b")) = 2;
  *static_cast<int64_t*>(map_add(two, "a")) = 1;
  ASSERT_NE(map_find(two, "a"), nullptr);
  EXPECT_EQ(map_find(two, "d"), nullptr);  // walks bucket 0 past "b"
  auto* now = static_cast<int64_t*>(map_delete_current(two));
  // The entry before "a" in iteration order, in its own bucket.
  ASSERT_NE(now, nullptr);
  EXPECT_EQ(*now, 2);
  EXPECT_EQ(two->current_bucket, 0);
  EXPECT_EQ(map_delete_current(two), nullptr);
  EXPECT_EQ(two->entry_count, 0);
  EXPECT_EQ(two->buckets[0], nullptr);
  EXPECT_EQ(two->buckets[1], nullptr);
  EXPECT_EQ(map_next(two), nullptr);
  map_free(two);
}
