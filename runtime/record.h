// Records that hold strings and containers, described by layouts: sequences
// of signed 64-bit words read entry by entry.
//
//   >= 0            1 word       a string variable (TextVar) at this byte offset
//   -1              1 word       end of the layout
//   -2              5 words      fixed array: count, byte offset, element size, element layout (pointer)
//   -3              4 words      embedded record: byte offset, size, its layout (pointer)
//   -4              6 words      dynamic array reference at the byte offset, plus 4 type words
//   -5              5 words      linked list reference at the byte offset: element size, element layout, 1 word spare
//   -6              6 words      map reference at the byte offset: value size, value kind, value layout, bucket count
//   -7              6 + d words  d-dimensional array reference: offset, type words, d in the third word, then d words
//
// Container kinds get their routines from the library that provides them;
// a kind with no routines installed is skipped by the walkers.
#pragma once

#include <cstddef>
#include <cstdint>

enum : int64_t {
  MEM_LAYOUT_END = -1,
  MEM_LAYOUT_ARRAY = -2,
  MEM_LAYOUT_RECORD = -3,
  MEM_LAYOUT_DYNAMIC_ARRAY = -4,
  MEM_LAYOUT_LIST = -5,
  MEM_LAYOUT_MAP = -6,
  MEM_LAYOUT_MULTI_ARRAY = -7,
};

// The routines of one container kind. Each gets the address of the reference
// slot inside the record and the layout entry that describes it.
struct MemContainerRoutines {
  void (*create)(void* slot, const int64_t* entry);
  void (*copy)(void* target_slot, const void* source_slot, const int64_t* entry);
  void (*release)(void* slot, const int64_t* entry);
};

// kind is one of -4 .. -7; null routines uninstall.
void mem_record_set_container_routines(int64_t kind, const MemContainerRoutines* routines);

int mem_record_has_containers(const int64_t* layout);
void mem_record_init(void* record, const int64_t* layout);
void mem_record_release(void* record, const int64_t* layout);
// Copies size bytes of source onto target, managing strings and containers as the layout says.
void mem_record_copy(void* target, const void* source, size_t size, const int64_t* layout);
