// The lines of a list box: their texts, item data and selection marks, in
// the order the list shows them. A line costs its text in a shared arena plus
// one 12-byte record; a text whose units all lie below 256 (most lines) is
// kept as one byte a unit, so a list of a million lines stays near the size
// of its file. Item data is kept apart, and only once a line has any.
// Appending is amortized constant time; a sorted insertion is a binary
// search and one move of the records behind it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <new>
#include <vector>

#include "platform/win32/api.h"
#include "platform/win32/controls/listbox_memory.h"

namespace listbox {

template <typename T>
struct LargeAllocator {
  using value_type = T;
  LargeAllocator() = default;
  template <typename U>
  explicit LargeAllocator(const LargeAllocator<U>&) {}
  T* allocate(size_t n) {
    if (n > SIZE_MAX / sizeof(T)) throw std::bad_array_new_length();
    void* block = allocate_large(n * sizeof(T));
    if (!block) throw std::bad_alloc();
    return static_cast<T*>(block);
  }
  void deallocate(T* block, size_t n) { free_large(block, n * sizeof(T)); }
  bool operator==(const LargeAllocator&) const = default;
};

// Twelve bytes, packed: a long list holds a million of these.
#pragma pack(push, 4)
struct Item {
  static constexpr uint32_t kNarrow = 1u << 31;    // the text is bytes, each the unit of that value
  static constexpr uint32_t kSelected = 1u << 30;  // used by multiple-selection lists only
  static constexpr uint32_t kMostLength = kSelected - 1;

  const void* text;  // not terminated: length() units, bytes when narrow
  uint32_t bits;     // the length, and the two flags above it

  uint32_t length() const { return bits & kMostLength; }
  bool narrow() const { return (bits & kNarrow) != 0; }
  bool selected() const { return (bits & kSelected) != 0; }
};
#pragma pack(pop)
static_assert(sizeof(Item) == 12, "a line's record");

// Lines compare as list boxes order them: without regard to case (each unit
// lowered by the system's simple case mapping), unit by unit, a prefix first.
int compare_folded(const WCHAR* a, size_t a_length, const WCHAR* b, size_t b_length);
bool starts_with_folded(const WCHAR* text, size_t length, const WCHAR* prefix, size_t prefix_length);

class ItemStore {
 public:
  ItemStore() = default;
  ItemStore(const ItemStore&) = delete;
  ItemStore& operator=(const ItemStore&) = delete;
  ~ItemStore();

  int count() const { return static_cast<int>(items_.size()); }
  uint32_t length(int index) const { return items_[static_cast<size_t>(index)].length(); }
  // Writes up to room units of the line's text to out (no terminator); answers how many.
  uint32_t read(int index, WCHAR* out, uint32_t room) const;
  bool selected(int index) const { return items_[static_cast<size_t>(index)].selected(); }
  void set_selected(int index, bool on);
  ULONG_PTR data(int index) const { return data_.empty() ? 0 : data_[static_cast<size_t>(index)]; }
  // False when memory runs out; nothing changes then.
  bool set_data(int index, ULONG_PTR data);

  // Inserts a copy of the text before index (0..count()), with data 0 and not
  // selected. False when memory runs out or the list is full; nothing changes then.
  bool insert(int index, const WCHAR* text, size_t length);
  void erase(int index);
  void clear();
  // Room for lines more lines holding units more text units; false when memory runs out.
  bool reserve(size_t lines, size_t units);
  // Gives back what the large pages behind the last record and the last text
  // hold unused, once a run of additions is over; the room stays reserved.
  void release_spare();
  size_t capacity() const { return items_.capacity(); }

  // Where a sorted insertion puts the text: before the first line that does not sort below it.
  int sorted_position(const WCHAR* text, size_t length) const;
  // The first line after start, wrapping round to start itself, that equals the
  // text (exact) or begins with it, ignoring case; -1 when none does. A start
  // outside the list searches from the top. An empty text finds nothing.
  int find(int start, const WCHAR* text, size_t length, bool exact) const;

  // Bytes held: records (with the vector's spare room), item data and text chunks.
  size_t bytes_held() const;

 private:
  struct Chunk {
    uint8_t* base;
    size_t size;  // bytes
    size_t used;
  };
  const void* keep_text(const WCHAR* text, size_t length, bool narrow);
  void compact();
  void free_chunks(std::vector<Chunk>& chunks);

  std::vector<Item, LargeAllocator<Item>> items_;
  std::vector<ULONG_PTR, LargeAllocator<ULONG_PTR>> data_;  // empty until a line gets item data, then one for each line
  std::vector<Chunk> chunks_;                               // the last one is filled by small texts
  size_t live_bytes_ = 0;                                   // text bytes of the lines in the list
  size_t dead_bytes_ = 0;                                   // bytes of erased lines still in the chunks
};

}  // namespace listbox
