// Windows-1252: Latin-1 except for 0x80-0x9F, where the code page puts
// typographic characters. Windows maps the five bytes it leaves undefined
// (0x81 0x8D 0x8F 0x90 0x9D) to the C1 controls of the same value, both ways,
// so every byte survives a round trip.
#include "platform/win32/kernel/codepage.h"

namespace {

const WCHAR kHighUnits[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 0x80
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 0x88
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 0x90
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 0x98
};

}  // namespace

WCHAR cp1252_to_unit(unsigned char byte) {
  if (byte >= 0x80 && byte < 0xA0) return kHighUnits[byte - 0x80];
  return byte;
}

bool cp1252_from_unit(WCHAR unit, unsigned char* byte) {
  if (unit < 0x80 || (unit >= 0xA0 && unit < 0x100)) {
    *byte = static_cast<unsigned char>(unit);
    return true;
  }
  for (unsigned i = 0; i < 32; ++i) {
    if (kHighUnits[i] == unit) {
      *byte = static_cast<unsigned char>(0x80 + i);
      return true;
    }
  }
  return false;
}
