// The list box's line store: records in one vector, texts in large chunks
// filled front to back. Erased texts leave holes that are reclaimed by
// copying the live texts into a fresh chunk once the holes outweigh them.
#include "platform/win32/listbox_items.h"

#include <climits>
#include <cstdlib>
#include <cstring>
#include <new>
#include <stdexcept>

namespace listbox {

namespace {

constexpr size_t kChunkUnits = 64 * 1024;     // 128 KB of text per chunk
constexpr size_t kOwnChunk = kChunkUnits / 4;  // longer texts get a chunk of their own
constexpr size_t kMinDead = 64 * 1024;         // erased units worth a compaction
constexpr WCHAR kEmpty[1] = {0};

// Lower case of every UTF-16 unit, from the system's own case mapping.
struct FoldTable {
  WCHAR lower[65536];
  FoldTable() {
    for (uintptr_t c = 0; c < 65536; ++c)
      lower[c] = static_cast<WCHAR>(reinterpret_cast<uintptr_t>(CharLowerW(reinterpret_cast<LPWSTR>(c))));
  }
};

const WCHAR* fold() {
  static const FoldTable table;
  return table.lower;
}

bool equal_folded(const WCHAR* a, const WCHAR* b, size_t n) {
  const WCHAR* lower = fold();
  for (size_t i = 0; i < n; ++i)
    if (a[i] != b[i] && lower[a[i]] != lower[b[i]]) return false;
  return true;
}

}  // namespace

int compare_folded(const WCHAR* a, size_t a_length, const WCHAR* b, size_t b_length) {
  const WCHAR* lower = fold();
  size_t n = a_length < b_length ? a_length : b_length;
  for (size_t i = 0; i < n; ++i) {
    if (a[i] == b[i]) continue;
    WCHAR x = lower[a[i]], y = lower[b[i]];
    if (x != y) return x < y ? -1 : 1;
  }
  if (a_length == b_length) return 0;
  return a_length < b_length ? -1 : 1;
}

bool starts_with_folded(const WCHAR* text, size_t length, const WCHAR* prefix, size_t prefix_length) {
  return length >= prefix_length && equal_folded(text, prefix, prefix_length);
}

ItemStore::~ItemStore() { free_chunks(chunks_); }

void ItemStore::free_chunks(std::vector<Chunk>& chunks) {
  for (Chunk& c : chunks) std::free(c.base);
  chunks.clear();
}

const WCHAR* ItemStore::keep_text(const WCHAR* text, size_t length) {
  if (length == 0) return kEmpty;
  bool own = length > kOwnChunk;
  if (!own && !chunks_.empty()) {
    Chunk& c = chunks_.back();
    if (c.size - c.used >= length) {
      WCHAR* p = c.base + c.used;
      std::memcpy(p, text, length * sizeof(WCHAR));
      c.used += length;
      return p;
    }
  }
  size_t size = own ? length : kChunkUnits;
  auto* base = static_cast<WCHAR*>(std::malloc(size * sizeof(WCHAR)));
  if (!base) return nullptr;
  try {
    // A text with a chunk of its own goes before the chunk being filled, which stays last.
    if (own && !chunks_.empty()) chunks_.insert(chunks_.end() - 1, Chunk{base, size, length});
    else chunks_.push_back(Chunk{base, size, length});
  } catch (const std::bad_alloc&) {
    std::free(base);
    return nullptr;
  }
  std::memcpy(base, text, length * sizeof(WCHAR));
  return base;
}

bool ItemStore::insert(int index, const WCHAR* text, size_t length) {
  if (index < 0 || index > count() || items_.size() >= static_cast<size_t>(INT_MAX - 1) || length > UINT32_MAX)
    return false;
  if (items_.size() == items_.capacity()) {
    try {
      items_.reserve(items_.capacity() < 16 ? 16 : items_.capacity() * 2);
    } catch (const std::bad_alloc&) {
      return false;
    } catch (const std::length_error&) {
      return false;
    }
  }
  const WCHAR* kept = keep_text(text, length);
  if (!kept) return false;
  // Room is there, so this moves the records behind index and cannot fail.
  items_.insert(items_.begin() + index, Item{kept, static_cast<uint32_t>(length), 0, 0});
  live_units_ += length;
  return true;
}

void ItemStore::erase(int index) {
  size_t length = items_[static_cast<size_t>(index)].length;
  items_.erase(items_.begin() + index);
  if (items_.empty()) {
    clear();
    return;
  }
  live_units_ -= length;
  dead_units_ += length;
  if (dead_units_ > kMinDead && dead_units_ > live_units_) compact();
}

void ItemStore::compact() {
  size_t size = live_units_ + kChunkUnits;
  auto* base = static_cast<WCHAR*>(std::malloc(size * sizeof(WCHAR)));
  if (!base) return;  // the holes stay until memory allows
  std::vector<Chunk> fresh;
  try {
    fresh.push_back(Chunk{base, size, 0});
  } catch (const std::bad_alloc&) {
    std::free(base);
    return;
  }
  Chunk& c = fresh.back();
  for (Item& item : items_) {
    if (item.length == 0) continue;
    WCHAR* p = c.base + c.used;
    std::memcpy(p, item.text, item.length * sizeof(WCHAR));
    item.text = p;
    c.used += item.length;
  }
  free_chunks(chunks_);
  chunks_.swap(fresh);
  dead_units_ = 0;
}

void ItemStore::clear() {
  std::vector<Item>().swap(items_);
  free_chunks(chunks_);
  live_units_ = dead_units_ = 0;
}

bool ItemStore::reserve(size_t lines, size_t units) {
  if (lines > static_cast<size_t>(INT_MAX) - items_.size()) return false;
  try {
    items_.reserve(items_.size() + lines);
  } catch (const std::bad_alloc&) {
    return false;
  }
  if (units == 0) return true;
  if (!chunks_.empty() && chunks_.back().size - chunks_.back().used >= units) return true;
  size_t size = units > kChunkUnits ? units : kChunkUnits;
  auto* base = static_cast<WCHAR*>(std::malloc(size * sizeof(WCHAR)));
  if (!base) return false;
  try {
    chunks_.push_back(Chunk{base, size, 0});
  } catch (const std::bad_alloc&) {
    std::free(base);
    return false;
  }
  return true;
}

int ItemStore::sorted_position(const WCHAR* text, size_t length) const {
  // Probes in the order Win32 list boxes probe, so that a list made unsorted by
  // LB_INSERTSTRING places a new line where theirs do; on a tie the search goes
  // on to the left, before every equal line.
  long long low = 0, high = static_cast<long long>(items_.size()) - 1;
  while (low <= high) {
    long long mid = (low + high) / 2;
    const Item& item = items_[static_cast<size_t>(mid)];
    if (compare_folded(item.text, item.length, text, length) < 0) low = mid + 1;
    else high = mid - 1;
  }
  return static_cast<int>(low);
}

int ItemStore::find(int start, const WCHAR* text, size_t length, bool exact) const {
  int n = count();
  if (length == 0 || n == 0) return -1;
  int first = start < 0 || start >= n - 1 ? 0 : start + 1;
  for (int k = 0, i = first; k < n; ++k, i = i + 1 == n ? 0 : i + 1) {
    const Item& item = items_[static_cast<size_t>(i)];
    if (exact ? item.length == length && equal_folded(item.text, text, length)
              : starts_with_folded(item.text, item.length, text, length))
      return i;
  }
  return -1;
}

size_t ItemStore::bytes_held() const {
  size_t bytes = items_.capacity() * sizeof(Item) + chunks_.capacity() * sizeof(Chunk);
  for (const Chunk& c : chunks_) bytes += c.size * sizeof(WCHAR);
  return bytes;
}

}  // namespace listbox
