// The history's store: records in one growing array, texts one after the
// other in chunks, both given back from the end when steps are dropped.
#include "app/link_history.h"

#include <cstring>

#include "runtime/mem.h"

namespace {

constexpr size_t kChunkBytes = 256 * 1024;
constexpr int64_t kFirstSteps = 64;
constexpr uint32_t kFirstChunks = 8;

bool all_narrow(const WCHAR* line, size_t length) {
  WCHAR all = 0;
  for (size_t i = 0; i < length; ++i) all |= line[i];
  return all <= 0xFF;
}

// An array of records grown to hold `wanted`: false (and the array as it was) when memory runs out.
template <typename Record, typename Count>
bool grow(Record** records, Count* capacity, Count wanted, Count first) {
  if (wanted <= *capacity) return true;
  Count bigger = *capacity ? *capacity * 2 : first;
  if (bigger < wanted) bigger = wanted;
  void* moved = mem_realloc(*records, static_cast<size_t>(bigger) * sizeof(Record));
  if (!moved) return false;
  *records = static_cast<Record*>(moved);
  *capacity = bigger;
  return true;
}

}  // namespace

uint8_t* LinkHistory::room_for(size_t bytes, bool wide, uint32_t* chunk, uint32_t* offset) {
  if (chunk_count_ > 0) {
    Chunk& last = chunks_[chunk_count_ - 1];
    // UTF-16 text starts on an even byte, where its units can be read in place.
    const size_t at = wide ? (last.used + 1) & ~size_t{1} : last.used;
    if (at <= last.size && last.size - at >= bytes) {
      *chunk = chunk_count_ - 1;
      *offset = static_cast<uint32_t>(at);
      last.used = at + bytes;
      return last.base + *offset;
    }
  }
  if (!grow(&chunks_, &chunk_capacity_, chunk_count_ + 1, kFirstChunks)) return nullptr;
  // A long line gets a chunk of its own size rather than leave most of a shared one empty.
  const size_t size = bytes > kChunkBytes / 4 ? bytes : kChunkBytes;
  auto* base = static_cast<uint8_t*>(mem_alloc(size ? size : 1));
  if (!base) return nullptr;
  chunks_[chunk_count_] = Chunk{base, size, bytes};
  *chunk = chunk_count_++;
  *offset = 0;
  return base;
}

bool LinkHistory::push(Kind kind, int64_t index, const WCHAR* line) {
  const size_t length = static_cast<size_t>(text_length(line));
  if (length > kLengthMask || index < 0 || index > INT32_MAX) return false;
  if (!grow(&steps_, &capacity_, count_ + 1, kFirstSteps)) return false;
  const bool narrow = all_narrow(line, length);
  uint32_t chunk = 0, offset = 0;
  uint8_t* text = room_for(narrow ? length : length * sizeof(WCHAR), !narrow, &chunk, &offset);
  if (!text) return false;
  if (narrow) {
    for (size_t i = 0; i < length; ++i) text[i] = static_cast<uint8_t>(line[i]);
  } else {
    std::memcpy(text, line, length * sizeof(WCHAR));
  }
  const uint32_t flags = (narrow ? kNarrow : 0) | (kind == Kind::Remove ? kRemove : 0);
  steps_[count_++] = Step{chunk, offset, static_cast<int32_t>(index), static_cast<uint32_t>(length) | flags};
  return true;
}

void LinkHistory::truncate(int64_t count) {
  if (count < 0) count = 0;
  if (count >= count_) return;
  const Step& first_dropped = steps_[count];
  // Texts lie in the order of their steps: the dropped ones are the end of the arena.
  for (uint32_t c = first_dropped.chunk + 1; c < chunk_count_; ++c) mem_free(chunks_[c].base);
  chunk_count_ = first_dropped.chunk + 1;
  chunks_[first_dropped.chunk].used = first_dropped.offset;
  count_ = count;
}

void LinkHistory::clear() {
  for (uint32_t c = 0; c < chunk_count_; ++c) mem_free(chunks_[c].base);
  mem_free(chunks_);
  mem_free(steps_);
  chunks_ = nullptr;
  steps_ = nullptr;
  chunk_count_ = chunk_capacity_ = 0;
  count_ = capacity_ = 0;
}

LinkHistory::Entry LinkHistory::entry(int64_t n) const {
  const Step& step = steps_[n];
  return Entry{(step.length_and_flags & kRemove) ? Kind::Remove : Kind::Insert, step.index};
}

WCHAR* LinkHistory::line(int64_t n, int32_t offset) const {
  const Step& step = steps_[n];
  const uint32_t length = step.length_and_flags & kLengthMask;
  const uint8_t* text = chunks_[step.chunk].base + step.offset;
  if (!(step.length_and_flags & kNarrow)) return text_stack_put(reinterpret_cast<const WCHAR*>(text), length, offset);
  WCHAR* out = text_stack_reserve(static_cast<int32_t>(length), offset);
  for (uint32_t i = 0; i < length; ++i) out[i] = text[i];
  out[length] = 0;
  return out;
}

size_t LinkHistory::bytes_held() const {
  size_t bytes = static_cast<size_t>(capacity_) * sizeof(Step) + chunk_capacity_ * sizeof(Chunk);
  for (uint32_t c = 0; c < chunk_count_; ++c) bytes += chunks_[c].size;
  return bytes;
}
