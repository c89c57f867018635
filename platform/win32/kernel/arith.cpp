// Integer arithmetic of the Win32 kernel.
#include <climits>
#include <cstdint>

#include "platform/win32/api.h"

// number * numerator / denominator with a 64-bit product, rounded to the
// nearest integer, halves away from zero; -1 for a zero denominator or a
// result outside 32 bits.
int MulDiv(int number, int numerator, int denominator) {
  if (denominator == 0) return -1;
  int64_t product = static_cast<int64_t>(number) * numerator;
  bool negative = (product < 0) != (denominator < 0);
  uint64_t magnitude = product < 0 ? 0 - static_cast<uint64_t>(product) : static_cast<uint64_t>(product);
  uint64_t divisor = denominator < 0 ? 0 - static_cast<uint64_t>(static_cast<int64_t>(denominator))
                                     : static_cast<uint64_t>(denominator);
  uint64_t quotient = (magnitude + divisor / 2) / divisor;
  int64_t result = negative ? -static_cast<int64_t>(quotient) : static_cast<int64_t>(quotient);
  if (result < INT_MIN || result > INT_MAX) return -1;
  return static_cast<int>(result);
}
