// Code-page conversions between 8-bit text and UTF-16: UTF-8 and Windows-1252,
// and the active ANSI code page, which is one of the two.
#include <langinfo.h>
#include <locale.h>

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "platform/win32/api.h"
#include "platform/win32/kernel/codepage.h"

namespace {

const WCHAR kReplacement = 0xFFFD;

enum class Page { Utf8, Cp1252, Unknown };

Page page_of(UINT codePage) {
  if (codePage == CP_ACP) codePage = GetACP();
  if (codePage == CP_UTF8) return Page::Utf8;
  if (codePage == 1252) return Page::Cp1252;
  return Page::Unknown;
}

// Character set names compare as the C library does: case and '-' or '_' do not count.
bool is_utf8_name(const char* name, size_t length) {
  const char* wanted = "utf8";
  size_t k = 0;
  for (size_t i = 0; i < length; ++i) {
    char c = name[i];
    if (c == '-' || c == '_') continue;
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (wanted[k] == 0 || wanted[k] != c) return false;
    ++k;
  }
  return wanted[k] == 0;
}

// Collects output units or bytes; counts all of them, stores only what fits.
template <typename Unit>
struct Out {
  Unit* dst;
  int64_t capacity;  // 0: only count
  int64_t length = 0;

  void put(Unit u) {
    if (length < capacity) dst[length] = u;
    ++length;
  }
  // Takes the ASCII units at the start of source (at most n), which are the
  // same in every code page and in UTF-16, and answers how many: eight at a
  // step while they fit, then counted only, as put counts what does not fit.
  template <typename Source>
  int64_t take_ascii(const Source* source, int64_t n) {
    int64_t i = 0;
    if (capacity > 0) {
      const int64_t room = capacity > length ? capacity - length : 0;
      const int64_t limit = n < room ? n : room;
      Unit* to = dst + length;
      for (; i + 8 <= limit && all_ascii8(source + i); i += 8) {
        for (int k = 0; k < 8; ++k) to[i + k] = static_cast<Unit>(source[i + k]);
      }
      for (; i < limit && static_cast<uint32_t>(source[i]) < 0x80; ++i) to[i] = static_cast<Unit>(source[i]);
      length += i;
      if (i < limit || limit == n) return i;
    }
    const int64_t stored = i;
    while (i < n && static_cast<uint32_t>(source[i]) < 0x80) ++i;
    length += i - stored;
    return i;
  }

 private:
  // Whether eight units are all ASCII, tested a machine word at a time.
  static bool all_ascii8(const unsigned char* units) {
    uint64_t word;
    std::memcpy(&word, units, 8);
    return (word & 0x8080808080808080ull) == 0;
  }
  static bool all_ascii8(const WCHAR* units) {
    uint64_t words[2];
    std::memcpy(words, units, 16);
    return ((words[0] | words[1]) & 0xFF80FF80FF80FF80ull) == 0;
  }
};

int fail(DWORD error) {
  SetLastError(error);
  return 0;
}

// The argument rules both directions share: some input, and a buffer for any
// nonzero output size that is not the input itself.
bool valid_buffers(const void* src, int srcLength, const void* dst, int dstLength) {
  if (!src || srcLength == 0 || dstLength < 0) return false;
  return dstLength == 0 || (dst && dst != src);
}

// Shared ending of both conversions: the size when measuring, otherwise the
// units written, or 0 when they did not fit.
int finish(int64_t length, int64_t capacity) {
  if (length > INT_MAX || (capacity > 0 && length > capacity)) return fail(ERROR_INSUFFICIENT_BUFFER);
  return static_cast<int>(length);
}

// Length of the input: -1 (any negative length, as Windows takes it) means
// zero-terminated, and the terminator is converted too.
template <typename Unit>
int64_t input_length(const Unit* text, int given) {
  if (given >= 0) return given;
  int64_t n = 0;
  while (text[n]) ++n;
  return n + 1;
}

// The number of bytes of the well-formed UTF-8 sequence that starts at s[0]
// (1 to 4), storing its code point; or, for an ill-formed one, 0 with *bad set
// to the length of its maximal subpart, which one U+FFFD replaces.
int decode_utf8(const unsigned char* s, int64_t available, uint32_t* code, int* bad) {
  unsigned char b = s[0];
  if (b < 0x80) {
    *code = b;
    return 1;
  }
  int need;
  unsigned char low = 0x80, high = 0xBF;  // allowed range of the second byte
  if (b >= 0xC2 && b <= 0xDF) {
    need = 2;
    *code = b & 0x1F;
  } else if (b >= 0xE0 && b <= 0xEF) {
    need = 3;
    *code = b & 0x0F;
    if (b == 0xE0) low = 0xA0;   // shorter forms are overlong
    if (b == 0xED) high = 0x9F;  // U+D800-U+DFFF are not characters
  } else if (b >= 0xF0 && b <= 0xF4) {
    need = 4;
    *code = b & 0x07;
    if (b == 0xF0) low = 0x90;
    if (b == 0xF4) high = 0x8F;  // nothing above U+10FFFF
  } else {
    *bad = 1;
    return 0;
  }
  for (int i = 1; i < need; ++i) {
    unsigned char c = i < available ? s[i] : 0;
    bool ok = i == 1 ? (c >= low && c <= high) : (c >= 0x80 && c <= 0xBF);
    if (!ok) {
      *bad = i;
      return 0;
    }
    *code = (*code << 6) | (c & 0x3F);
  }
  return need;
}

bool utf8_to_wide(DWORD flags, const unsigned char* src, int64_t length, Out<WCHAR>& out) {
  for (int64_t i = 0; i < length;) {
    if (int64_t run = out.take_ascii(src + i, length - i)) {
      i += run;
      continue;
    }
    uint32_t code = 0;
    int bad = 0;
    int used = decode_utf8(src + i, length - i, &code, &bad);
    if (used == 0) {
      if (flags & MB_ERR_INVALID_CHARS) {
        fail(ERROR_NO_UNICODE_TRANSLATION);
        return false;
      }
      out.put(kReplacement);
      i += bad;
      continue;
    }
    if (code >= 0x10000) {
      code -= 0x10000;
      out.put(static_cast<WCHAR>(0xD800 + (code >> 10)));
      out.put(static_cast<WCHAR>(0xDC00 + (code & 0x3FF)));
    } else {
      out.put(static_cast<WCHAR>(code));
    }
    i += used;
  }
  return true;
}

bool wide_to_utf8(DWORD flags, LPCWSTR src, int64_t length, Out<char>& out) {
  for (int64_t i = 0; i < length; ++i) {
    if (int64_t run = out.take_ascii(src + i, length - i)) {
      i += run - 1;
      continue;
    }
    uint32_t code = src[i];
    if (code >= 0xD800 && code < 0xE000) {
      bool paired = code < 0xDC00 && i + 1 < length && src[i + 1] >= 0xDC00 && src[i + 1] < 0xE000;
      if (paired) {
        code = 0x10000 + ((code - 0xD800) << 10) + (src[i + 1] - 0xDC00);
        ++i;
      } else if (flags & WC_ERR_INVALID_CHARS) {
        fail(ERROR_NO_UNICODE_TRANSLATION);
        return false;
      } else {
        code = kReplacement;
      }
    }
    if (code < 0x80) {
      out.put(static_cast<char>(code));
    } else if (code < 0x800) {
      out.put(static_cast<char>(0xC0 | (code >> 6)));
      out.put(static_cast<char>(0x80 | (code & 0x3F)));
    } else if (code < 0x10000) {
      out.put(static_cast<char>(0xE0 | (code >> 12)));
      out.put(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
      out.put(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
      out.put(static_cast<char>(0xF0 | (code >> 18)));
      out.put(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
      out.put(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
      out.put(static_cast<char>(0x80 | (code & 0x3F)));
    }
  }
  return true;
}

}  // namespace

UINT codepage_acp_from_environment() {
  locale_t user = newlocale(LC_CTYPE_MASK, "", static_cast<locale_t>(nullptr));
  if (user) {
    const char* codeset = nl_langinfo_l(CODESET, user);
    bool utf8 = codeset && is_utf8_name(codeset, strlen(codeset));
    freelocale(user);
    return utf8 ? CP_UTF8 : 1252;
  }
  // The locale asked for is not installed: its name still tells which character
  // set the user works in ("de_DE.UTF-8@euro" names UTF-8).
  const char* name = nullptr;
  for (const char* variable : {"LC_ALL", "LC_CTYPE", "LANG"}) {
    name = getenv(variable);
    if (name && *name) break;
  }
  const char* dot = name ? strchr(name, '.') : nullptr;
  if (!dot) return 1252;
  const char* codeset = dot + 1;
  return is_utf8_name(codeset, strcspn(codeset, "@")) ? CP_UTF8 : 1252;
}

UINT GetACP() {
  static const UINT acp = codepage_acp_from_environment();
  return acp;
}

int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR multiByteStr, int multiByte, LPWSTR wideCharStr,
                        int wideChar) {
  if (!valid_buffers(multiByteStr, multiByte, wideCharStr, wideChar)) return fail(ERROR_INVALID_PARAMETER);
  Page page = page_of(codePage);
  if (page == Page::Unknown) return fail(ERROR_INVALID_PARAMETER);
  DWORD allowed = page == Page::Utf8 ? MB_ERR_INVALID_CHARS : MB_PRECOMPOSED | MB_ERR_INVALID_CHARS;
  if (flags & ~allowed) return fail(ERROR_INVALID_FLAGS);
  const unsigned char* src = reinterpret_cast<const unsigned char*>(multiByteStr);
  int64_t length = input_length(src, multiByte);
  Out<WCHAR> out{wideCharStr, wideChar};
  if (page == Page::Utf8) {
    if (!utf8_to_wide(flags, src, length, out)) return 0;
  } else {
    for (int64_t i = 0; i < length; ++i) out.put(cp1252_to_unit(src[i]));
  }
  return finish(out.length, wideChar);
}

int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR wideCharStr, int wideChar, LPSTR multiByteStr,
                        int multiByte, LPCSTR defaultChar, LPBOOL usedDefaultChar) {
  if (!valid_buffers(wideCharStr, wideChar, multiByteStr, multiByte)) return fail(ERROR_INVALID_PARAMETER);
  Page page = page_of(codePage);
  // UTF-8 has no default character.
  if (page == Page::Unknown || (page == Page::Utf8 && (defaultChar || usedDefaultChar))) {
    return fail(ERROR_INVALID_PARAMETER);
  }
  DWORD allowed = page == Page::Utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
  if (flags & ~allowed) return fail(ERROR_INVALID_FLAGS);
  int64_t length = input_length(wideCharStr, wideChar);
  Out<char> out{multiByteStr, multiByte};
  if (page == Page::Utf8) {
    if (!wide_to_utf8(flags, wideCharStr, length, out)) return 0;
    return finish(out.length, multiByte);
  }
  // Single-byte code page: what it lacks becomes the default character, and
  // there is no best-fit guessing (as with WC_NO_BEST_FIT_CHARS).
  char fallback = defaultChar ? defaultChar[0] : '?';
  BOOL used = FALSE;
  for (int64_t i = 0; i < length; ++i) {
    if (int64_t run = out.take_ascii(wideCharStr + i, length - i)) {
      i += run - 1;
      continue;
    }
    unsigned char byte;
    if (cp1252_from_unit(wideCharStr[i], &byte)) {
      out.put(static_cast<char>(byte));
    } else {
      out.put(fallback);
      used = TRUE;
    }
  }
  int result = finish(out.length, multiByte);
  if (result && usedDefaultChar) *usedDefaultChar = used;
  return result;
}
