// Growing text in the general heap for work on many texts at once (importing
// and exporting bookmark files): a buffer of UTF-16 units, and a table that
// keeps each distinct text once and numbers the texts in order of arrival.
// Failures of memory come back as false or -1 and leave what was there.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/win32.h"

struct UnitBuffer {
  WCHAR* units = nullptr;
  size_t used = 0;
  size_t room = 0;
};

// Makes room for `more` units behind the used ones.
bool UnitBufferReserve(UnitBuffer* buffer, size_t more);
bool UnitBufferAppend(UnitBuffer* buffer, const WCHAR* units, size_t count);
void UnitBufferFree(UnitBuffer* buffer);

struct TextTableEntry {
  size_t at;        // where the text starts in the table's units
  uint32_t length;  // in units
  uint32_t hash;
};

struct TextTable {
  UnitBuffer texts;                   // every text, back to back
  TextTableEntry* entries = nullptr;  // by number
  int64_t count = 0;
  int64_t room = 0;
  int32_t* slots = nullptr;  // open addressing: entry number + 1, 0 for a free slot
  size_t slot_mask = 0;      // slot count - 1; the count is a power of two
};

// The number of the text: a new number when the table did not hold it (and
// *added is set), the old one otherwise; -1 when memory is exhausted or the
// table is full (2^31 texts).
int64_t TextTableAdd(TextTable* table, const WCHAR* text, size_t length, bool* added);
inline const WCHAR* TextTableText(const TextTable& table, int64_t number) {
  return table.texts.units + table.entries[number].at;
}
inline size_t TextTableLength(const TextTable& table, int64_t number) { return table.entries[number].length; }
void TextTableFree(TextTable* table);

// An array in the general heap that doubles as it grows; false when memory is exhausted.
bool GrowArray(void** items, int64_t* room, int64_t needed, size_t item_size);
template <typename T>
bool GrowArray(T** items, int64_t* room, int64_t needed) {
  void* raw = *items;
  const bool grown = GrowArray(&raw, room, needed, sizeof(T));
  *items = static_cast<T*>(raw);
  return grown;
}
