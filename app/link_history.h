// The steps of the link list's history, for undo and redo: each is a line
// added or removed and its place, nothing more. A step costs one 16-byte
// record and its line's text in a shared arena of large chunks (one byte a
// unit when every unit lies below 256, as most lines do), so a million
// deletes are kept in about the memory the lines took in the list. Steps are
// added and dropped only at the end.
#pragma once

#include <cstddef>
#include <cstdint>

#include "runtime/text.h"

class LinkHistory {
 public:
  enum class Kind : uint8_t { Insert, Remove };
  struct Entry {
    Kind kind;
    int64_t index;
  };

  LinkHistory() = default;
  LinkHistory(const LinkHistory&) = delete;
  LinkHistory& operator=(const LinkHistory&) = delete;
  ~LinkHistory() { clear(); }

  // Appends a step; false when memory runs out or the line is beyond what a
  // step holds (nothing changes then).
  bool push(Kind kind, int64_t index, const WCHAR* line);
  // Drops the steps from `count` on.
  void truncate(int64_t count);
  // Drops every step and gives the memory back.
  void clear();

  int64_t count() const { return count_; }
  Entry entry(int64_t n) const;
  // The line of step n onto the temporary stack at offset.
  WCHAR* line(int64_t n, int32_t offset) const;
  // Records and text chunks, with their spare room.
  size_t bytes_held() const;

 private:
  struct Step {
    uint32_t chunk;
    uint32_t offset;            // bytes into the chunk
    int32_t index;              // list indexes are 32-bit
    uint32_t length_and_flags;  // units, kNarrow, kRemove
  };
  struct Chunk {
    uint8_t* base;
    size_t size;
    size_t used;
  };
  static constexpr uint32_t kNarrow = 1u << 30;
  static constexpr uint32_t kRemove = 1u << 31;
  static constexpr uint32_t kLengthMask = kNarrow - 1;

  uint8_t* room_for(size_t bytes, bool wide, uint32_t* chunk, uint32_t* offset);

  Step* steps_ = nullptr;
  int64_t count_ = 0;
  int64_t capacity_ = 0;
  Chunk* chunks_ = nullptr;
  uint32_t chunk_count_ = 0;
  uint32_t chunk_capacity_ = 0;
};
