#include "app/text_table.h"

#include <cstring>

#include "runtime/mem.h"

namespace {

constexpr size_t kFirstRoom = 256;
constexpr int64_t kMostTexts = INT32_MAX - 1;

// FNV-1a over the units.
uint32_t HashOf(const WCHAR* text, size_t length) {
  uint32_t hash = 2166136261u;
  for (size_t i = 0; i < length; ++i) hash = (hash ^ text[i]) * 16777619u;
  return hash;
}

bool SameText(const TextTable& table, const TextTableEntry& entry, const WCHAR* text, size_t length) {
  return entry.length == length && std::memcmp(table.texts.units + entry.at, text, length * sizeof(WCHAR)) == 0;
}

// Twice the slots, every entry placed anew; the table stays as it was when memory is short.
bool Rehash(TextTable* table) {
  const size_t count = table->slot_mask ? (table->slot_mask + 1) * 2 : 1024;
  auto* slots = static_cast<int32_t*>(mem_alloc_zero(count * sizeof(int32_t)));
  if (!slots) return false;
  for (int64_t n = 0; n < table->count; ++n) {
    size_t at = table->entries[n].hash & (count - 1);
    while (slots[at]) at = (at + 1) & (count - 1);
    slots[at] = static_cast<int32_t>(n + 1);
  }
  mem_free(table->slots);
  table->slots = slots;
  table->slot_mask = count - 1;
  return true;
}

}  // namespace

bool UnitBufferReserve(UnitBuffer* buffer, size_t more) {
  if (buffer->room - buffer->used >= more) return true;
  size_t room = buffer->room ? buffer->room : kFirstRoom;
  while (room - buffer->used < more) {
    if (room > SIZE_MAX / 4) return false;
    room *= 2;
  }
  void* units = mem_realloc(buffer->units, room * sizeof(WCHAR));
  if (!units) return false;
  buffer->units = static_cast<WCHAR*>(units);
  buffer->room = room;
  return true;
}

bool UnitBufferAppend(UnitBuffer* buffer, const WCHAR* units, size_t count) {
  if (!UnitBufferReserve(buffer, count)) return false;
  if (count) std::memcpy(buffer->units + buffer->used, units, count * sizeof(WCHAR));
  buffer->used += count;
  return true;
}

void UnitBufferFree(UnitBuffer* buffer) {
  mem_free(buffer->units);
  *buffer = UnitBuffer{};
}

bool GrowArray(void** items, int64_t* room, int64_t needed, size_t item_size) {
  if (needed <= *room) return true;
  int64_t grown = *room ? *room : 64;
  while (grown < needed) grown *= 2;
  void* moved = mem_realloc(*items, static_cast<size_t>(grown) * item_size);
  if (!moved) return false;
  *items = moved;
  *room = grown;
  return true;
}

int64_t TextTableAdd(TextTable* table, const WCHAR* text, size_t length, bool* added) {
  *added = false;
  if (length > UINT32_MAX) return -1;
  // Kept at most half full, so a free slot ends every search soon.
  if (static_cast<size_t>(table->count) * 2 >= table->slot_mask && !Rehash(table)) return -1;
  const uint32_t hash = HashOf(text, length);
  size_t at = hash & table->slot_mask;
  for (; table->slots[at]; at = (at + 1) & table->slot_mask) {
    const int64_t n = table->slots[at] - 1;
    if (table->entries[n].hash == hash && SameText(*table, table->entries[n], text, length)) return n;
  }
  if (table->count >= kMostTexts || !GrowArray(&table->entries, &table->room, table->count + 1)) return -1;
  const size_t start = table->texts.used;
  if (!UnitBufferAppend(&table->texts, text, length)) return -1;
  table->entries[table->count] = TextTableEntry{start, static_cast<uint32_t>(length), hash};
  table->slots[at] = static_cast<int32_t>(table->count + 1);
  *added = true;
  return table->count++;
}

void TextTableFree(TextTable* table) {
  UnitBufferFree(&table->texts);
  mem_free(table->entries);
  mem_free(table->slots);
  *table = TextTable{};
}
