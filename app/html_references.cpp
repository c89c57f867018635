#include "app/html_references.h"

namespace {

#include "app/html_references.inc"

// Where each entry starts in the table, worked out by the compiler.
struct ReferenceIndex {
  uint16_t at[kReferenceCount] = {};
  int count = 0;
};

constexpr ReferenceIndex MakeIndex() {
  ReferenceIndex index;
  index.at[index.count++] = 0;
  for (int i = 0; kReferenceTable[i]; ++i) {
    if (kReferenceTable[i] == '|' && kReferenceTable[i + 1]) index.at[index.count++] = static_cast<uint16_t>(i + 1);
  }
  return index;
}

constexpr ReferenceIndex kIndex = MakeIndex();
static_assert(kIndex.count == kReferenceCount, "the table's entries and its count disagree");

// Byte order of the name against the entry's name (which ends at ':').
int Compare(const uint8_t* name, size_t length, const char* entry) {
  for (size_t i = 0; i < length; ++i) {
    const auto unit = static_cast<uint8_t>(entry[i]);
    if (unit == ':') return 1;
    if (name[i] != unit) return name[i] < unit ? -1 : 1;
  }
  return entry[length] == ':' ? 0 : -1;
}

uint32_t ReadHex(const char** at) {
  uint32_t value = 0;
  for (char c; (c = **at) && c != ',' && c != '!' && c != '|'; ++*at) {
    value = value * 16 + static_cast<uint32_t>(c <= '9' ? c - '0' : c - 'A' + 10);
  }
  return value;
}

}  // namespace

bool FindNamedReference(const uint8_t* name, size_t length, NamedReference* found) {
  if (length == 0 || length > kLongestReferenceName) return false;
  int low = 0, high = kReferenceCount - 1;
  while (low <= high) {
    const int middle = (low + high) / 2;
    const char* entry = kReferenceTable + kIndex.at[middle];
    const int order = Compare(name, length, entry);
    if (order < 0) {
      high = middle - 1;
    } else if (order > 0) {
      low = middle + 1;
    } else {
      const char* at = entry + length + 1;
      found->first = ReadHex(&at);
      found->second = *at == ',' ? (++at, ReadHex(&at)) : 0;
      found->short_form = *at == '!';
      return true;
    }
  }
  return false;
}
