// The text-keyed map: a script of additions, lookups, rewinds, steps,
// deletions of the current entry, clears, whole walks and copies, run against
// a std::map of the same keys. Besides every value and count, the model keeps
// the promise an iteration makes: from a rewind, as long as only steps,
// deletions, additions and missed lookups happen, no entry comes twice, every
// entry that was there at the rewind and still is comes once, and an ended
// iteration stays ended.
//
// Input: the bucket count, the flags (case, integer keys, values holding a
// string), then one byte per operation: the low three bits choose it, the
// high five the key.
#include <map>
#include <set>
#include <string>

#include "fuzz_input.h"
#include "platform/win32.h"
#include "runtime/map.h"
#include "runtime/mem.h"
#include "runtime/record.h"
#include "runtime/text.h"

namespace {

// Keys that collide in small tables, differ only in case, or are empty (null reads as "").
const char* const kKeys[32] = {"b",           "other",       "a",  "d",  "c",    "B",    "A",      "ab",
                               "AB",          "ba",          "",   "x",  "y",    "z",    "q",      "bb",
                               "13100_1_2_0", "13100_1_2_1", "Ab", "aB", "\xC4", "\xE4", "[",      "{",
                               "b ",          " b",          "ob", "bo", "e",    "E",    "other!", nullptr};

struct Value {
  int64_t stamp;
  TextVar name;  // the key as text, when values hold a string
};
const int64_t kValueLayout[] = {8, MEM_LAYOUT_END};

struct Harness {
  TextMap* map = nullptr;
  TextMap* owner = nullptr;
  bool ignore_case = false, integer_keys = false, with_text = false;
  std::map<std::string, int64_t> model;  // normalized key -> stamp
  int64_t next_stamp = 1;
  // The iteration since the last rewind.
  bool clean = false, ended = false;
  std::set<std::string> at_rewind, visited;

  const char* key(int index) const {
    if (integer_keys) return reinterpret_cast<const char*>(static_cast<uintptr_t>(index));
    return kKeys[index];
  }
  std::string normal(const char* k) const {
    if (integer_keys) return std::to_string(reinterpret_cast<uintptr_t>(k));
    std::string s = k ? k : "";
    if (ignore_case)
      for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    return s;
  }
  std::u16string wide_key(const char* k) const {
    std::string n = integer_keys ? normal(k) : (k ? k : "");
    std::u16string out;
    for (char c : n) out += static_cast<char16_t>(static_cast<unsigned char>(c));
    return out;
  }

  Value* value_of_current() const {
    return map->current ? reinterpret_cast<Value*>(reinterpret_cast<char*>(map->current) + sizeof(MapEntry)) : nullptr;
  }
  // A value the map handed out: the current entry's, of a key the model has, with its stamp (and text).
  std::string check_value(void* answer, const char* what) const {
    FUZZ_CHECK(answer == value_of_current(), std::string(what) + ": the answer is the current entry's value");
    const char* k = map_current_key(map);
    const std::string n = normal(k);
    auto it = model.find(n);
    FUZZ_CHECK(it != model.end(), std::string(what) + ": a key the map should not have: " + n);
    const Value* v = static_cast<Value*>(answer);
    FUZZ_CHECK(v->stamp == it->second, std::string(what) + ": the value of " + n);
    if (with_text)
      FUZZ_CHECK(std::u16string(reinterpret_cast<const char16_t*>(v->name ? v->name : TEXT(""))) == wide_key(k),
                 std::string(what) + ": the text of " + n);
    return n;
  }

  void add(const char* k) {
    auto* v = static_cast<Value*>(map_add(map, k));
    FUZZ_CHECK(v, "map_add answers a value");
    auto it = model.find(normal(k));
    if (it != model.end()) {
      FUZZ_CHECK(v->stamp == it->second, "an existing key keeps its value: " + normal(k));
      return;
    }
    FUZZ_CHECK(v->stamp == 0 && v->name == nullptr, "a new value is cleared");
    v->stamp = next_stamp++;
    if (with_text) text_assign(&v->name, reinterpret_cast<const WCHAR*>(wide_key(k).c_str()));
    model[normal(k)] = v->stamp;
  }

  void find(const char* k) {
    void* v = map_find(map, k);
    auto it = model.find(normal(k));
    if (it == model.end()) {
      FUZZ_CHECK(!v, "a key the model lacks is found: " + normal(k));
      return;  // a miss leaves the cursor: the iteration goes on as it was
    }
    FUZZ_CHECK(v, "a key the model has is missed: " + normal(k));
    FUZZ_CHECK(check_value(v, "map_find") == normal(k), "map_find makes its entry current");
    clean = ended = false;
  }

  void rewind() {
    map_rewind(map);
    clean = true;
    ended = false;
    at_rewind.clear();
    visited.clear();
    for (auto& [k, stamp] : model) at_rewind.insert(k);
  }

  void next() {
    void* v = map_next(map);
    if (v) {
      FUZZ_CHECK(!ended, "an ended iteration stays ended");
      const std::string n = check_value(v, "map_next");
      FUZZ_CHECK(!clean || visited.insert(n).second, "an entry comes twice in one iteration: " + n);
      return;
    }
    FUZZ_CHECK(!map->current, "the end leaves no current entry");
    if (clean)
      for (const std::string& k : at_rewind)
        FUZZ_CHECK(!model.count(k) || visited.count(k), "an entry is never reached: " + k);
    ended = true;
  }

  void delete_current() {
    const bool had = map->current != nullptr;
    const std::string gone = had ? normal(map_current_key(map)) : "";
    void* v = map_delete_current(map);
    if (!had) {
      FUZZ_CHECK(!v, "nothing current: nothing deleted");
      return;
    }
    model.erase(gone);
    // Added again later, the key is a new entry, which the iteration may reach.
    visited.erase(gone);
    at_rewind.erase(gone);
    if (v) check_value(v, "map_delete_current");
    else FUZZ_CHECK(!map->current, "a null answer leaves no current entry");
  }

  // Every entry once, and only the model's.
  void walk(TextMap* m, const char* what) const {
    std::set<std::string> seen;
    map_rewind(m);
    for (void* v = map_next(m); v; v = map_next(m)) {
      const std::string n = normal(map_current_key(m));
      FUZZ_CHECK(model.count(n) && static_cast<Value*>(v)->stamp == model.at(n), std::string(what) + ": " + n);
      FUZZ_CHECK(seen.insert(n).second, std::string(what) + ": twice " + n);
    }
    FUZZ_CHECK(seen.size() == model.size(), std::string(what) + ": entries missing");
    FUZZ_CHECK(m->entry_count == static_cast<int32_t>(model.size()), what);
  }

  // A record holding the map is copied: the copy has the same entries, and the original is untouched.
  void copy_through_record() const {
    const int64_t layout[] = {MEM_LAYOUT_MAP,
                              0,
                              sizeof(Value),
                              0,
                              with_text ? static_cast<int64_t>(reinterpret_cast<intptr_t>(kValueLayout)) : 0,
                              1,
                              MEM_LAYOUT_END};
    TextMap* source[1] = {map};
    TextMap* target[1] = {nullptr};
    mem_record_copy(target, source, sizeof target, layout);
    FUZZ_CHECK(target[0] && target[0] != map, "the copy is a map of its own");
    walk(target[0], "the copy");
    mem_record_release(target, layout);
    FUZZ_CHECK(!target[0], "a released record's map is gone");
  }
};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  mem_heap_init();
  text_heap_init();
  map_library_init();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::Input in(data, size);
  Harness h;
  const int32_t buckets = static_cast<int8_t>(in.byte()) % 12;
  const uint8_t flags = in.byte();
  h.ignore_case = flags & 1;
  h.integer_keys = flags & 2;
  h.with_text = flags & 4;
  h.map = map_new(sizeof(Value), 0, h.with_text ? kValueLayout : nullptr, &h.owner, buckets);
  FUZZ_CHECK(h.map && h.owner == h.map && h.map->bucket_count == (buckets < 1 ? 1 : buckets), "map_new");
  // Chosen while the map is empty.
  if (h.ignore_case) h.map->flags |= MAP_IGNORE_CASE;
  if (h.integer_keys) h.map->flags |= MAP_INTEGER_KEYS;
  while (!in.done()) {
    const uint8_t op = in.byte();
    const char* k = h.key(op >> 3);
    switch (op & 7) {
      case 0: h.add(k); break;
      case 1: h.find(k); break;
      case 2: h.rewind(); break;
      case 3: h.next(); break;
      case 4: h.delete_current(); break;
      case 5:
        map_clear(h.map);
        h.model.clear();
        h.clean = h.ended = false;
        break;
      case 6:
        h.walk(h.map, "a walk");
        h.clean = false;
        h.ended = true;
        break;
      default: h.copy_through_record(); break;
    }
    FUZZ_CHECK(h.map->entry_count == static_cast<int32_t>(h.model.size()), "the entry count");
  }
  h.walk(h.map, "the last walk");
  map_free(h.map);
  FUZZ_CHECK(!h.owner, "map_free empties the owner variable");
  return 0;
}
