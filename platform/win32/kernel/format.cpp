// The runtime library's wide formatted print, with its Microsoft conventions:
// %s and %c take wide text in a wide print (%hs and %hc take 8-bit text), "l"
// is 32 bits as LONG is, I64 and ll are 64 bits, %p prints 16 upper-case hex
// digits, and a result that does not fit is cut off without a terminator.
#include <cassert>
#include <climits>
#include <cstdint>
#include <type_traits>

#include "platform/win32/api.h"

namespace {

// Stores what fits in the buffer and counts everything.
struct Sink {
  WCHAR* buffer;
  size_t capacity;
  size_t length = 0;

  void put(WCHAR c) {
    if (length < capacity) buffer[length] = c;
    ++length;
  }
  void repeat(WCHAR c, size_t n) {
    for (; n > 0 && length < capacity; --n) buffer[length++] = c;
    length += n;
  }
};

enum class Size { Plain, H, Hh, L, Ll };

struct Spec {
  bool left = false;
  bool plus = false;
  bool space = false;
  bool alternate = false;
  bool zero = false;
  int width = 0;
  int precision = -1;  // none
  Size size = Size::Plain;
  bool wide_modifier = false;  // "w": wide text or character
};

bool parse_flag(Spec& spec, WCHAR c) {
  switch (c) {
    case '-': spec.left = true; return true;
    case '+': spec.plus = true; return true;
    case ' ': spec.space = true; return true;
    case '#': spec.alternate = true; return true;
    case '0': spec.zero = true; return true;
    default: return false;
  }
}

int parse_number(const WCHAR*& p) {
  int64_t n = 0;
  for (; *p >= '0' && *p <= '9'; ++p) n = n < INT_MAX ? n * 10 + (*p - '0') : n;
  return n > INT_MAX ? INT_MAX : static_cast<int>(n);
}

bool starts_with(const WCHAR* p, char a, char b) { return p[0] == a && p[1] == b; }

void parse_size(Spec& spec, const WCHAR*& p) {
  if (*p == 'I') {
    ++p;
    if (starts_with(p, '6', '4')) {
      spec.size = Size::Ll;
      p += 2;
    } else if (starts_with(p, '3', '2')) {
      spec.size = Size::Plain;
      p += 2;
    } else {
      spec.size = Size::Ll;  // pointer-sized
    }
  } else if (*p == 'h') {
    ++p;
    spec.size = Size::H;
    if (*p == 'h') {
      spec.size = Size::Hh;
      ++p;
    }
  } else if (*p == 'l') {
    ++p;
    spec.size = Size::L;
    if (*p == 'l') {
      spec.size = Size::Ll;
      ++p;
    }
  } else if (*p == 'w') {
    ++p;
    spec.wide_modifier = true;
  }
}

// Pads to the field width around a body of the given length; the body is
// written by the caller between before() and after().
struct Field {
  Sink& out;
  const Spec& spec;
  size_t pad;

  Field(Sink& o, const Spec& s, size_t body) : out(o), spec(s) {
    pad = static_cast<size_t>(s.width) > body ? s.width - body : 0;
    if (!s.left) out.repeat(s.zero ? '0' : ' ', pad);
  }
  ~Field() {
    if (spec.left) out.repeat(' ', pad);
  }
};

template <typename Unit>
void emit_text(Sink& out, const Spec& spec, const Unit* text) {
  static const char null_text[] = "(null)";
  if (!text) {
    emit_text(out, spec, null_text);
    return;
  }
  size_t n = 0;
  while ((spec.precision < 0 || n < static_cast<size_t>(spec.precision)) && text[n]) ++n;
  Field field(out, spec, n);
  // 8-bit text widens byte by byte, as the runtime's default "C" locale does.
  for (size_t i = 0; i < n; ++i) out.put(static_cast<WCHAR>(static_cast<std::make_unsigned_t<Unit>>(text[i])));
}

void emit_char(Sink& out, const Spec& spec, WCHAR c) {
  Field field(out, spec, 1);
  out.put(c);
}

void emit_integer(Sink& out, Spec spec, WCHAR conversion, uint64_t magnitude, bool negative) {
  bool is_signed = conversion == 'd' || conversion == 'i';
  unsigned base = conversion == 'o' ? 8 : (conversion == 'x' || conversion == 'X' || conversion == 'p') ? 16 : 10;
  const char* digit_set = conversion == 'x' ? "0123456789abcdef" : "0123456789ABCDEF";

  char digits[24];
  size_t n = 0;
  for (uint64_t v = magnitude; v != 0; v /= base) digits[n++] = digit_set[v % base];
  if (magnitude == 0 && spec.precision != 0) digits[n++] = '0';

  char prefix[2];
  size_t prefix_length = 0;
  if (negative) prefix[prefix_length++] = '-';
  else if (is_signed && spec.plus) prefix[prefix_length++] = '+';
  else if (is_signed && spec.space) prefix[prefix_length++] = ' ';
  if (spec.alternate && base == 16 && magnitude != 0) {
    prefix[prefix_length++] = '0';
    prefix[prefix_length++] = conversion == 'x' ? 'x' : 'X';
  }

  size_t zeros = spec.precision > 0 && static_cast<size_t>(spec.precision) > n ? spec.precision - n : 0;
  if (spec.alternate && base == 8 && zeros == 0 && (n == 0 || digits[n - 1] != '0')) zeros = 1;
  size_t body = prefix_length + zeros + n;
  // Zero padding goes between the sign or prefix and the digits, and a precision turns it off.
  if (spec.zero && !spec.left && spec.precision < 0 && static_cast<size_t>(spec.width) > body) {
    zeros += spec.width - body;
    body = spec.width;
  }
  spec.zero = false;
  Field field(out, spec, body);
  for (size_t i = 0; i < prefix_length; ++i) out.put(prefix[i]);
  out.repeat('0', zeros);
  while (n > 0) out.put(digits[--n]);
}

// The arguments still to print. Helpers take it by reference: a va_list
// handed on by value may not be used again by its sender.
struct Args {
  va_list list;
};

// The flags, width, precision and size of a conversion, from after the '%'
// to its conversion character; '*' takes the width or precision from the arguments.
Spec parse_spec(const WCHAR*& p, Args& args) {
  Spec spec;
  while (parse_flag(spec, *p)) ++p;
  if (*p == '*') {
    ++p;
    int width = va_arg(args.list, int);
    if (width < 0) {
      spec.left = true;
      width = width == INT_MIN ? INT_MAX : -width;
    }
    spec.width = width;
  } else {
    spec.width = parse_number(p);
  }
  if (*p == '.') {
    ++p;
    if (*p == '*') {
      ++p;
      int precision = va_arg(args.list, int);
      spec.precision = precision < 0 ? -1 : precision;
    } else {
      spec.precision = parse_number(p);
    }
  }
  parse_size(spec, p);
  return spec;
}

void print_signed(Sink& out, const Spec& spec, WCHAR conversion, Args& args) {
  int64_t value;
  if (spec.size == Size::Ll) value = va_arg(args.list, long long);
  else if (spec.size == Size::H) value = static_cast<short>(va_arg(args.list, int));
  else if (spec.size == Size::Hh) value = static_cast<signed char>(va_arg(args.list, int));
  else value = va_arg(args.list, int);
  uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
  emit_integer(out, spec, conversion, magnitude, value < 0);
}

void print_unsigned(Sink& out, const Spec& spec, WCHAR conversion, Args& args) {
  uint64_t value;
  if (spec.size == Size::Ll) value = va_arg(args.list, unsigned long long);
  else if (spec.size == Size::H) value = static_cast<unsigned short>(va_arg(args.list, unsigned));
  else if (spec.size == Size::Hh) value = static_cast<unsigned char>(va_arg(args.list, unsigned));
  else value = va_arg(args.list, unsigned);
  emit_integer(out, spec, conversion, value, false);
}

// In a wide print %s and %c are wide and %S and %C 8-bit; h and l/w choose explicitly.
bool narrow_text(const Spec& spec, WCHAR conversion) {
  bool upper = conversion == 'S' || conversion == 'C';
  return spec.size == Size::H || (upper && spec.size != Size::L && !spec.wide_modifier);
}

void print_text(Sink& out, const Spec& spec, WCHAR conversion, Args& args) {
  if (narrow_text(spec, conversion)) emit_text(out, spec, va_arg(args.list, const char*));
  else emit_text(out, spec, va_arg(args.list, const WCHAR*));
}

void print_char(Sink& out, const Spec& spec, WCHAR conversion, Args& args) {
  int value = va_arg(args.list, int);
  emit_char(out, spec, static_cast<WCHAR>(narrow_text(spec, conversion) ? static_cast<unsigned char>(value) : value));
}

void print_conversion(Sink& out, Spec spec, WCHAR conversion, Args& args) {
  switch (conversion) {
    case 'd':
    case 'i': print_signed(out, spec, conversion, args); break;
    case 'u':
    case 'x':
    case 'X':
    case 'o': print_unsigned(out, spec, conversion, args); break;
    case 'p':
      spec.precision = 16;
      emit_integer(out, spec, 'p', reinterpret_cast<uintptr_t>(va_arg(args.list, void*)), false);
      break;
    case 's':
    case 'S': print_text(out, spec, conversion, args); break;
    case 'c':
    case 'C': print_char(out, spec, conversion, args); break;
    case 'e':
    case 'E':
    case 'f':
    case 'F':
    case 'g':
    case 'G':
    case 'a':
    case 'A':
      assert(!"_vsnwprintf of the stand-in prints no floating-point numbers");
      (void)va_arg(args.list, double);
      break;
    case 'n':
      assert(!"%n is refused, as the runtime does by default");
      (void)va_arg(args.list, void*);
      break;
    default:  // "%%", and any other character after '%', print that character
      out.put(conversion);
      break;
  }
}

// The answer: the length printed, with the terminator when it fits; the
// length the text needs when only measuring; -1 when it did not fit.
int finish(const Sink& out, WCHAR* buffer, size_t count) {
  if (out.length > INT_MAX) return -1;
  if (!buffer) return static_cast<int>(out.length);
  if (out.length < count) {
    buffer[out.length] = 0;
    return static_cast<int>(out.length);
  }
  return out.length == count ? static_cast<int>(count) : -1;
}

}  // namespace

int _vsnwprintf(WCHAR* buffer, size_t count, const WCHAR* format, va_list list) {
  assert(format && "_vsnwprintf needs a format");
  assert((buffer || count == 0) && "_vsnwprintf needs a buffer for a nonzero count");
  if (!format || (!buffer && count != 0)) return -1;
  Sink out{buffer, count};
  Args args;
  va_copy(args.list, list);
  for (const WCHAR* p = format; *p;) {
    if (*p != '%') {
      out.put(*p++);
      continue;
    }
    ++p;
    Spec spec = parse_spec(p, args);
    WCHAR conversion = *p;
    if (conversion == 0) break;
    ++p;
    print_conversion(out, spec, conversion, args);
  }
  va_end(args.list);
  return finish(out, buffer, count);
}

int _snwprintf(WCHAR* buffer, size_t count, const WCHAR* format, ...) {
  va_list args;
  va_start(args, format);
  int result = _vsnwprintf(buffer, count, format, args);
  va_end(args);
  return result;
}
