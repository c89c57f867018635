// The list box's line store: records in one vector, texts in large chunks
// filled front to back, narrow texts as bytes and the others as UTF-16 units.
// Erased texts leave holes that are reclaimed by copying the live texts into
// a fresh chunk once the holes outweigh them.
#include "platform/win32/controls/listbox_items.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <new>
#include <stdexcept>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace listbox {

namespace {

constexpr size_t kChunkBytes = 256 * 1024;      // text per chunk, at first
constexpr size_t kOwnChunk = kChunkBytes / 4;   // longer texts get a chunk of their own
constexpr size_t kMinDead = 128 * 1024;         // erased bytes worth a compaction
constexpr size_t kMaxChunk = 32 * 1024 * 1024;  // chunks grow with the list up to this
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

// The comparisons work on either kind of stored text against wide text.
template <typename Unit>
int compare_units(const Unit* a, size_t a_length, const WCHAR* b, size_t b_length) {
  const WCHAR* lower = fold();
  size_t n = a_length < b_length ? a_length : b_length;
  for (size_t i = 0; i < n; ++i) {
    const WCHAR x0 = static_cast<WCHAR>(a[i]);
    if (x0 == b[i]) continue;
    WCHAR x = lower[x0], y = lower[b[i]];
    if (x != y) return x < y ? -1 : 1;
  }
  if (a_length == b_length) return 0;
  return a_length < b_length ? -1 : 1;
}

template <typename Unit>
bool equal_units(const Unit* a, const WCHAR* b, size_t n) {
  const WCHAR* lower = fold();
  for (size_t i = 0; i < n; ++i) {
    const WCHAR x = static_cast<WCHAR>(a[i]);
    if (x != b[i] && lower[x] != lower[b[i]]) return false;
  }
  return true;
}

int compare_item(const Item& item, const WCHAR* text, size_t length) {
  if (item.narrow()) return compare_units(static_cast<const uint8_t*>(item.text), item.length(), text, length);
  return compare_units(static_cast<const WCHAR*>(item.text), item.length(), text, length);
}

bool item_starts_with(const Item& item, const WCHAR* prefix, size_t length) {
  if (item.length() < length) return false;
  if (item.narrow()) return equal_units(static_cast<const uint8_t*>(item.text), prefix, length);
  return equal_units(static_cast<const WCHAR*>(item.text), prefix, length);
}

size_t bytes_of(const Item& item) { return item.length() * (item.narrow() ? size_t{1} : sizeof(WCHAR)); }

// Narrow texts are copied to and from wide ones many units at a step: a
// million-line list is read whole by every search, build and save.
bool fits_in_bytes(const WCHAR* text, size_t length) {
  size_t i = 0;
  WCHAR all = 0;
#ifdef __SSE2__
  __m128i any = _mm_setzero_si128();
  for (; i + 8 <= length; i += 8) any = _mm_or_si128(any, _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + i)));
  // A unit above 255 has a bit in its high byte.
  if (_mm_movemask_epi8(_mm_cmpeq_epi16(_mm_srli_epi16(any, 8), _mm_setzero_si128())) != 0xFFFF) return false;
#endif
  for (; i < length; ++i) all |= text[i];
  return all <= 0xFF;
}

void narrow_copy(uint8_t* out, const WCHAR* text, size_t length) {
  size_t i = 0;
#ifdef __SSE2__
  for (; i + 16 <= length; i += 16) {
    __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + i));
    __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + i + 8));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(low, high));
  }
#endif
  for (; i < length; ++i) out[i] = static_cast<uint8_t>(text[i]);
}

void widen_copy(WCHAR* out, const uint8_t* bytes, size_t length) {
  size_t i = 0;
#ifdef __SSE2__
  for (; i + 16 <= length; i += 16) {
    __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_unpacklo_epi8(v, _mm_setzero_si128()));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i + 8), _mm_unpackhi_epi8(v, _mm_setzero_si128()));
  }
#endif
  for (; i < length; ++i) out[i] = bytes[i];
}

// A new chunk holds about as much as the list has already, within bounds:
// few chunks for a long list, little room unused in a short one.
size_t next_chunk_size(size_t live_bytes) { return std::clamp(std::bit_floor(live_bytes), kChunkBytes, kMaxChunk); }

}  // namespace

int compare_folded(const WCHAR* a, size_t a_length, const WCHAR* b, size_t b_length) {
  return compare_units(a, a_length, b, b_length);
}

bool starts_with_folded(const WCHAR* text, size_t length, const WCHAR* prefix, size_t prefix_length) {
  return length >= prefix_length && equal_units(text, prefix, prefix_length);
}

ItemStore::~ItemStore() { free_chunks(chunks_); }

void ItemStore::free_chunks(std::vector<Chunk>& chunks) {
  for (Chunk& c : chunks) free_large(c.base, c.size);
  chunks.clear();
}

uint32_t ItemStore::read(int index, WCHAR* out, uint32_t room) const {
  const Item& item = items_[static_cast<size_t>(index)];
  const uint32_t n = item.length() < room ? item.length() : room;
  if (item.narrow()) {
    widen_copy(out, static_cast<const uint8_t*>(item.text), n);
  } else {
    std::memcpy(out, item.text, n * sizeof(WCHAR));
  }
  return n;
}

void ItemStore::set_selected(int index, bool on) {
  Item& item = items_[static_cast<size_t>(index)];
  item.bits = on ? item.bits | Item::kSelected : item.bits & ~Item::kSelected;
}

bool ItemStore::set_data(int index, ULONG_PTR data) {
  if (data_.empty()) {
    if (data == 0) return true;
    try {
      data_.reserve(items_.capacity());
      data_.resize(items_.size());
    } catch (const std::bad_alloc&) {
      return false;
    }
  }
  data_[static_cast<size_t>(index)] = data;
  return true;
}

const void* ItemStore::keep_text(const WCHAR* text, size_t length, bool narrow) {
  if (length == 0) return kEmpty;
  const size_t bytes = length * (narrow ? 1 : sizeof(WCHAR));
  bool own = bytes > kOwnChunk;
  if (!own && !chunks_.empty()) {
    Chunk& c = chunks_.back();
    size_t at = narrow ? c.used : (c.used + 1) & ~size_t{1};  // wide units lie on even bytes
    if (at <= c.size && c.size - at >= bytes) {
      uint8_t* p = c.base + at;
      if (narrow) {
        narrow_copy(p, text, length);
      } else {
        std::memcpy(p, text, bytes);
      }
      block_written(c.base, c.size, c.used, at + bytes);
      c.used = at + bytes;
      return p;
    }
  }
  size_t size = own ? bytes : next_chunk_size(live_bytes_);
  uint8_t* base = allocate_text_block(size);
  if (!base) return nullptr;
  try {
    // A text with a chunk of its own goes before the chunk being filled, which stays last.
    if (own && !chunks_.empty()) chunks_.insert(chunks_.end() - 1, Chunk{base, size, bytes});
    else chunks_.push_back(Chunk{base, size, bytes});
  } catch (const std::bad_alloc&) {
    free_large(base, size);
    return nullptr;
  }
  if (narrow) {
    narrow_copy(base, text, length);
  } else {
    std::memcpy(base, text, bytes);
  }
  return base;
}

bool ItemStore::insert(int index, const WCHAR* text, size_t length) {
  if (index < 0 || index > count() || items_.size() >= static_cast<size_t>(INT_MAX - 1) || length > Item::kMostLength)
    return false;
  if (items_.size() == items_.capacity() || (!data_.empty() && data_.size() == data_.capacity())) {
    try {
      items_.reserve(items_.capacity() < 16 ? 16 : items_.capacity() * 2);
      if (!data_.empty()) data_.reserve(items_.capacity());
    } catch (const std::bad_alloc&) {
      return false;
    } catch (const std::length_error&) {
      return false;
    }
  }
  const bool narrow = fits_in_bytes(text, length);
  const void* kept = keep_text(text, length, narrow);
  if (!kept) return false;
  // Room is there, so these move the records behind index and cannot fail.
  items_.insert(items_.begin() + index, Item{kept, static_cast<uint32_t>(length) | (narrow ? Item::kNarrow : 0)});
  if (!data_.empty()) data_.insert(data_.begin() + index, 0);
  // A reserved run of records fills like a text block.
  block_written(reinterpret_cast<uint8_t*>(items_.data()), items_.capacity() * sizeof(Item),
                (items_.size() - 1) * sizeof(Item), items_.size() * sizeof(Item));
  live_bytes_ += bytes_of(items_[static_cast<size_t>(index)]);
  return true;
}

void ItemStore::erase(int index) {
  size_t bytes = bytes_of(items_[static_cast<size_t>(index)]);
  items_.erase(items_.begin() + index);
  if (!data_.empty()) data_.erase(data_.begin() + index);
  if (items_.empty()) {
    clear();
    return;
  }
  live_bytes_ -= bytes;
  dead_bytes_ += bytes;
  if (dead_bytes_ > kMinDead && dead_bytes_ > live_bytes_) compact();
}

void ItemStore::compact() {
  // Room for every live text, with a byte for each wide one's alignment.
  size_t size = live_bytes_ + items_.size() + kChunkBytes;
  uint8_t* base = allocate_text_block(size);
  if (!base) return;  // the holes stay until memory allows
  std::vector<Chunk> fresh;
  try {
    fresh.push_back(Chunk{base, size, 0});
  } catch (const std::bad_alloc&) {
    free_large(base, size);
    return;
  }
  Chunk& c = fresh.back();
  for (Item& item : items_) {
    if (item.length() == 0) continue;
    if (!item.narrow()) c.used = (c.used + 1) & ~size_t{1};
    uint8_t* p = c.base + c.used;
    std::memcpy(p, item.text, bytes_of(item));
    item.text = p;
    c.used += bytes_of(item);
  }
  free_chunks(chunks_);
  chunks_.swap(fresh);
  dead_bytes_ = 0;
}

void ItemStore::clear() {
  decltype(items_)().swap(items_);
  decltype(data_)().swap(data_);
  free_chunks(chunks_);
  live_bytes_ = dead_bytes_ = 0;
}

bool ItemStore::reserve(size_t lines, size_t units) {
  if (lines > static_cast<size_t>(INT_MAX) - items_.size()) return false;
  try {
    items_.reserve(items_.size() + lines);
    if (!data_.empty()) data_.reserve(items_.capacity());
  } catch (const std::bad_alloc&) {
    return false;
  }
  if (units == 0) return true;
  // Room for the units as wide text, which narrow text needs no more than.
  const size_t bytes = units * sizeof(WCHAR);
  if (!chunks_.empty() && chunks_.back().size - chunks_.back().used >= bytes) return true;
  size_t size = bytes > kChunkBytes ? bytes : kChunkBytes;
  uint8_t* base = allocate_text_block(size);
  if (!base) return false;
  try {
    chunks_.push_back(Chunk{base, size, 0});
  } catch (const std::bad_alloc&) {
    free_large(base, size);
    return false;
  }
  return true;
}

void ItemStore::release_spare() {
  release_tail(items_.data(), items_.size() * sizeof(Item), items_.capacity() * sizeof(Item));
  release_tail(data_.data(), data_.size() * sizeof(ULONG_PTR), data_.capacity() * sizeof(ULONG_PTR));
  if (!chunks_.empty()) release_tail(chunks_.back().base, chunks_.back().used, chunks_.back().size);
}

int ItemStore::sorted_position(const WCHAR* text, size_t length) const {
  // Probes in the order Win32 list boxes probe, so that a list made unsorted by
  // LB_INSERTSTRING places a new line where theirs do; on a tie the search goes
  // on to the left, before every equal line.
  long long low = 0, high = static_cast<long long>(items_.size()) - 1;
  while (low <= high) {
    long long mid = (low + high) / 2;
    if (compare_item(items_[static_cast<size_t>(mid)], text, length) < 0) low = mid + 1;
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
    if (exact ? item.length() == length && item_starts_with(item, text, length) : item_starts_with(item, text, length))
      return i;
  }
  return -1;
}

size_t ItemStore::bytes_held() const {
  size_t bytes = items_.capacity() * sizeof(Item) + data_.capacity() * sizeof(ULONG_PTR) +
                 chunks_.capacity() * sizeof(Chunk);
  for (const Chunk& c : chunks_) bytes += c.size;
  return bytes;
}

}  // namespace listbox
