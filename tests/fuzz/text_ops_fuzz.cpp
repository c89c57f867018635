// The string runtime: a script of operations (text_count, text_field,
// text_find in both modes, text_replace, text_from_int and text_to_int,
// text_from_utf8 and text_from_ansi, text_format) on texts the input makes, each result compared with a plain
// model over std::u16string. Every text argument lies where the input says:
// in a caller's buffer, in a string variable, null, or on the temporary stack
// itself; results go to the top or over the stack's own arguments. The stack
// starts at its first 16 bytes for each input, so it grows, and moves, under
// the operations that read from it.
#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz_input.h"
#include "platform/win32.h"
#include "platform/win32/kernel/codepage.h"
#include "runtime/text.h"
#include "utf8_model.h"

namespace {

using fuzz::show;

// Units that matter to the operations (digits, signs, the number prefixes,
// blanks, cased letters, surrogates) are likely; any other unit is possible.
const char16_t kUnits[] = {u'a',  u'b',  u'A',  u'B',  u'[',  u']',   u'-',   u'+',   u'$',   u'%', u'0',
                           u'1',  u'9',  u'f',  u'F',  u'x',  u' ',   u'\t',  u'7',   u'e',   0xC4, 0xE4,
                           0x130, 0x131, 0x3A3, 0x3C3, 0x3C2, 0xD800, 0xDC00, 0xFFFF, 0x1E9E, 0xDF};
constexpr int kUnitCount = sizeof kUnits / sizeof kUnits[0];

char16_t unit(fuzz::Input& in) {
  uint8_t b = in.byte();
  if (b < 0xF0) return kUnits[b % kUnitCount];
  char16_t raw = in.u16();
  return raw ? raw : u'z';
}

// Mostly short texts; now and then (one in 40) a long one, a short piece
// repeated to up to 12,000 units, enough to make the stack grow again.
std::u16string text(fuzz::Input& in) {
  uint8_t n = in.byte();
  std::u16string out;
  if (n < 250) {
    for (int i = n % 12; i > 0; --i) out += unit(in);
    return out;
  }
  std::u16string piece;
  for (int i = in.byte() % 5 + 1; i > 0; --i) piece += unit(in);
  for (int i = (n - 249) * 400; i > 0; --i) out += piece;
  return out;
}

// ---- The model ----

std::vector<size_t> matches(const std::u16string& s, const std::u16string& p) {
  std::vector<size_t> at;
  if (p.empty()) return at;
  for (size_t i = 0; i + p.size() <= s.size();) {
    if (s.compare(i, p.size(), p) == 0) {
      at.push_back(i);
      i += p.size();
    } else {
      ++i;
    }
  }
  return at;
}

std::u16string model_field(const std::u16string& s, int32_t index, const std::u16string& d) {
  if (index < 1) return u"";
  if (d.empty()) return index == 1 ? s : u"";
  std::vector<std::u16string> fields;
  size_t from = 0;
  for (size_t at : matches(s, d)) {
    fields.push_back(s.substr(from, at - from));
    from = at + d.size();
  }
  fields.push_back(s.substr(from));
  return static_cast<size_t>(index) <= fields.size() ? fields[static_cast<size_t>(index) - 1] : u"";
}

char16_t lower(char16_t c) {
  return static_cast<char16_t>(
      reinterpret_cast<UINT_PTR>(CharLowerW(reinterpret_cast<LPWSTR>(static_cast<UINT_PTR>(c)))));
}

int64_t model_find(const std::u16string& s, const std::u16string& p, int64_t start, int mode) {
  if (s.empty() || p.empty() || start > static_cast<int64_t>(s.size())) return 0;
  if (start < 1) start = 1;
  for (int64_t i = start - 1; i + static_cast<int64_t>(p.size()) <= static_cast<int64_t>(s.size()); ++i) {
    bool same = true;
    for (size_t k = 0; k < p.size() && same; ++k) {
      char16_t a = s[static_cast<size_t>(i) + k], b = p[k];
      same = (mode & TEXT_IGNORE_CASE) ? lower(a) == lower(b) : a == b;
    }
    if (same) return i + 1;
  }
  return 0;
}

std::u16string model_replace(const std::u16string& s, const std::u16string& p, const std::u16string& r) {
  std::u16string out;
  size_t from = 0;
  for (size_t at : matches(s, p)) {
    out += s.substr(from, at - from) + r;
    from = at + p.size();
  }
  return out + s.substr(from);
}

int64_t model_to_int(const std::u16string& s) {
  size_t i = 0;
  while (i < s.size() && (s[i] == u' ' || s[i] == u'\t')) ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == u'-' || s[i] == u'+')) negative = s[i++] == u'-';
  unsigned base = 10;
  if (i < s.size() && s[i] == u'$') base = 16, ++i;
  else if (i < s.size() && s[i] == u'%') base = 2, ++i;
  const std::u16string digits = u"0123456789abcdef";
  uint64_t value = 0;
  for (; i < s.size(); ++i) {
    char16_t c = s[i] >= u'A' && s[i] <= u'F' ? static_cast<char16_t>(s[i] + 32) : s[i];
    size_t d = digits.find(c);
    if (d == std::u16string::npos || d >= base) break;
    value = value * base + d;
  }
  return static_cast<int64_t>(negative ? 0 - value : value);
}

std::u16string widen(const std::string& s) { return std::u16string(s.begin(), s.end()); }

// ---- Where the arguments lie ----

// The arguments of one operation: their texts and where each was put.
class Arguments {
 public:
  explicit Arguments(fuzz::Input& in) : in_(in) {}
  ~Arguments() {
    for (TextVar v : variables_) text_free(v);
  }
  Arguments(const Arguments&) = delete;
  Arguments& operator=(const Arguments&) = delete;

  // Places a text; answers its slot. Stack texts are pushed at the top, each
  // kept apart from the next by its zero unit.
  int add(const std::u16string& text) {
    Slot slot{text, Where(in_.byte() % 4), -1};
    if (slot.where == Where::Null && !text.empty()) slot.where = Where::Buffer;
    if (slot.where == Where::Stack) {
      slot.offset = text_stack_top();
      text_push(reinterpret_cast<const WCHAR*>(text.c_str()));
      text_stack_reserve(1, text_stack_top());  // over the zero unit: the next push starts behind it
      if (first_on_stack_ < 0) first_on_stack_ = slot.offset;
    } else if (slot.where == Where::Variable) {
      variables_.push_back(nullptr);
      text_assign(&variables_.back(), reinterpret_cast<const WCHAR*>(text.c_str()));
      slot.variable = variables_.size() - 1;
    }
    slots_.push_back(slot);
    return static_cast<int>(slots_.size() - 1);
  }
  // The pointer to pass; taken only once every argument is placed (pushing may move the stack).
  const WCHAR* get(int i) const {
    const Slot& s = slots_[static_cast<size_t>(i)];
    switch (s.where) {
      case Where::Buffer: return reinterpret_cast<const WCHAR*>(s.text.c_str());
      case Where::Variable: return variables_[s.variable];
      case Where::Stack: return text_stack_at(s.offset);
      case Where::Null: return nullptr;
    }
    return nullptr;
  }
  // Where the result goes: the top, or over the first argument on the stack.
  int32_t result_offset() { return first_on_stack_ >= 0 && in_.flag() ? first_on_stack_ : text_stack_top(); }

 private:
  enum class Where { Buffer, Variable, Stack, Null };
  struct Slot {
    std::u16string text;
    Where where;
    int32_t offset;
    size_t variable = 0;
  };
  fuzz::Input& in_;
  std::vector<Slot> slots_;
  std::vector<TextVar> variables_;
  int32_t first_on_stack_ = -1;
};

void check_result(const WCHAR* result, int32_t offset, const std::u16string& wanted, const char* what) {
  const std::u16string got(reinterpret_cast<const char16_t*>(result));
  FUZZ_CHECK(result == text_stack_at(offset), what);
  FUZZ_CHECK(got == wanted, std::string(what) + ": " + show(got) + " wanted " + show(wanted));
  FUZZ_CHECK(text_stack_top() == offset + 2 * static_cast<int32_t>(wanted.size()), what);
}

void count_op(fuzz::Input& in) {
  const std::u16string s = text(in), p = text(in);
  Arguments a(in);
  int is = a.add(s), ip = a.add(p);
  const int64_t got = text_count(a.get(is), a.get(ip));
  FUZZ_CHECK(got == static_cast<int64_t>(matches(s, p).size()), show(s) + " / " + show(p) + ": " + std::to_string(got));
}

void field_op(fuzz::Input& in) {
  const std::u16string s = text(in), d = text(in);
  const int32_t index = in.byte() < 250 ? in.range(-1, 8) : static_cast<int32_t>(in.u32());
  Arguments a(in);
  int is = a.add(s), id = a.add(d);
  const int32_t offset = a.result_offset();
  const WCHAR* result = text_field(a.get(is), index, a.get(id), offset);
  check_result(result, offset, model_field(s, index, d), "text_field");
}

void find_op(fuzz::Input& in) {
  const std::u16string s = text(in), p = text(in);
  const int64_t start = in.byte() < 250 ? in.range(-2, static_cast<int>(s.size()) + 3) : static_cast<int64_t>(in.u64());
  const int mode = in.byte();
  Arguments a(in);
  int is = a.add(s), ip = a.add(p);
  const int64_t got = text_find(a.get(is), a.get(ip), start, mode);
  const int64_t wanted = model_find(s, p, start, mode);
  FUZZ_CHECK(got == wanted, show(s) + " / " + show(p) + " from " + std::to_string(start) + " mode " +
                                std::to_string(mode) + ": " + std::to_string(got) + " wanted " +
                                std::to_string(wanted));
}

void replace_op(fuzz::Input& in) {
  const std::u16string s = text(in), p = text(in), r = text(in);
  Arguments a(in);
  int is = a.add(s), ip = a.add(p), ir = a.add(r);
  const int32_t offset = a.result_offset();
  const WCHAR* result = text_replace(a.get(is), a.get(ip), a.get(ir), offset);
  check_result(result, offset, model_replace(s, p, r), "text_replace");
}

void number_op(fuzz::Input& in) {
  // Small numbers, the edges and anything in between.
  const uint8_t kind = in.byte() % 4;
  const int near = in.byte() % 3;
  int64_t value = kind == 0   ? static_cast<int8_t>(in.byte())
                  : kind == 1 ? (in.flag() ? INT64_MIN + near : INT64_MAX - near)
                              : static_cast<int64_t>(in.u64());
  const int32_t offset = text_stack_top();
  const WCHAR* result = text_from_int(value, offset);
  check_result(result, offset, widen(std::to_string(value)), "text_from_int");
  FUZZ_CHECK(text_to_int(result) == value, std::to_string(value));
  text_stack_cut(offset);
  // Any text reads as the model reads it.
  const std::u16string s = text(in);
  Arguments a(in);
  int is = a.add(s);
  const int64_t got = text_to_int(a.get(is));
  FUZZ_CHECK(got == model_to_int(s), show(s) + ": " + std::to_string(got));
}

// 8-bit text decoded onto the stack, the bytes lying in a buffer or on the stack itself.
void decode_op(fuzz::Input& in) {
  std::string bytes = in.bytes(40);
  if (in.byte() >= 250) bytes = std::string(static_cast<size_t>(in.range(1, 9000)), '\xC3') + bytes;  // a long one
  bytes = bytes.substr(0, bytes.find('\0'));
  const bool utf8 = in.flag();
  std::u16string wanted;
  if (utf8) wanted = fuzz::utf8_model(bytes);
  else
    for (char c : bytes) wanted += cp1252_to_unit(static_cast<unsigned char>(c));  // the table is tested elsewhere
  const bool on_stack = in.flag();
  const bool over = on_stack && in.flag();
  int32_t bytes_at = -1;
  if (on_stack) {
    bytes_at = text_stack_top();
    char* room = reinterpret_cast<char*>(text_stack_reserve(static_cast<int32_t>(bytes.size() / 2 + 1), bytes_at));
    std::memcpy(room, bytes.c_str(), bytes.size() + 1);
  }
  const char* source = on_stack ? reinterpret_cast<const char*>(text_stack_at(bytes_at)) : bytes.c_str();
  const int32_t offset = over ? bytes_at : text_stack_top();
  const WCHAR* result = utf8 ? text_from_utf8(source, offset) : text_from_ansi(source, offset);
  check_result(result, offset, wanted, utf8 ? "text_from_utf8" : "text_from_ansi");
}

// ---- text_format: one directive between literal texts ----

struct Directive {
  std::string flags;
  int width = -1, precision = -1;  // -1: none
  bool width_star = false, precision_star = false;
  std::string size;  // "", h, hh, l, ll, I64, I32, w
  char conversion = 'd';
};

std::string spelled(const Directive& d, const std::string& size) {
  std::string out = "%" + d.flags;
  if (d.width_star) out += "*";
  else if (d.width >= 0) out += std::to_string(d.width);
  if (d.precision_star) out += ".*";
  else if (d.precision >= 0) out += "." + std::to_string(d.precision);
  return out + size + d.conversion;
}

// The C library's own integer print is the model for the integer conversions
// (sizes h and hh as they are; l and I32 are 32 bits here, ll and I64 64).
std::u16string integer_model(const Directive& d, int width, int precision, bool wide, long long value) {
  const std::string format = spelled(d, wide ? "ll" : d.size == "h" || d.size == "hh" ? d.size : "");
  const char* f = format.c_str();
  const int narrow_value = static_cast<int>(value);
  char buffer[512];
  if (d.width_star && d.precision_star) {
    if (wide) std::snprintf(buffer, sizeof buffer, f, width, precision, value);
    else std::snprintf(buffer, sizeof buffer, f, width, precision, narrow_value);
  } else if (d.width_star || d.precision_star) {
    const int star = d.width_star ? width : precision;
    if (wide) std::snprintf(buffer, sizeof buffer, f, star, value);
    else std::snprintf(buffer, sizeof buffer, f, star, narrow_value);
  } else {
    if (wide) std::snprintf(buffer, sizeof buffer, f, value);
    else std::snprintf(buffer, sizeof buffer, f, narrow_value);
  }
  return widen(buffer);
}

// Text and characters: cut to the precision, padded to the width (zeros when asked, as the runtime does).
std::u16string padded(const Directive& d, int width, int precision, std::u16string body, bool cut) {
  bool left = d.flags.find('-') != std::string::npos;
  if (d.width_star) {
    if (width < 0) left = true, width = width == INT_MIN ? INT_MAX : -width;
  } else {
    width = d.width;
  }
  if (!d.precision_star) precision = d.precision;
  if (cut && precision >= 0 && body.size() > static_cast<size_t>(precision))
    body.resize(static_cast<size_t>(precision));
  size_t pad = width > 0 && static_cast<size_t>(width) > body.size() ? static_cast<size_t>(width) - body.size() : 0;
  bool zero = d.flags.find('0') != std::string::npos;
  if (left) return body + std::u16string(pad, u' ');
  return std::u16string(pad, zero ? u'0' : u' ') + body;
}

template <typename V>
int call(WCHAR* out, const WCHAR* format, const Directive& d, int width, int precision, V value) {
  if (d.width_star && d.precision_star) return text_format(out, format, width, precision, value);
  if (d.width_star) return text_format(out, format, width, value);
  if (d.precision_star) return text_format(out, format, precision, value);
  return text_format(out, format, value);
}

Directive directive(fuzz::Input& in) {
  Directive d;
  const uint8_t flags = in.byte();
  for (int i = 0; i < 5; ++i)
    if (flags & (1 << i)) d.flags += "-+ #0"[i];
  const uint8_t width = in.byte();
  if (width < 40) d.width = width;
  else if (width < 60) d.width_star = true;
  const uint8_t precision = in.byte();
  if (precision < 30) d.precision = precision;
  else if (precision < 50) d.precision_star = true;
  static const char* const sizes[] = {"", "h", "hh", "l", "ll", "I64", "I32"};
  d.size = sizes[in.byte() % 7];
  d.conversion = "diuxXopsSscCc%"[in.byte() % 14];
  return d;
}

void format_op(fuzz::Input& in) {
  Directive d = directive(in);
  const int width = static_cast<int8_t>(in.byte()), precision = static_cast<int8_t>(in.byte());
  const uint64_t number = in.flag() ? in.u64() : static_cast<uint64_t>(static_cast<int8_t>(in.byte()));
  std::u16string before = text(in), after = text(in);
  for (std::u16string* literal : {&before, &after})
    for (char16_t& c : *literal)
      if (c == u'%') c = u'=';
  const std::u16string argument = text(in);
  const std::string narrow = "n\x80\xFF";
  const bool null_text = in.byte() == 0;
  Arguments a(in);
  const int ia = a.add(argument);

  std::u16string wanted;
  const bool wide_int = d.size == "ll" || d.size == "I64";
  const char c = d.conversion;
  const bool narrow_text = d.size == "h" || ((c == 'S' || c == 'C') && d.size != "l");
  if (c == 'd' || c == 'i') {
    long long v = wide_int         ? static_cast<long long>(number)
                  : d.size == "h"  ? static_cast<short>(number)
                  : d.size == "hh" ? static_cast<signed char>(number)
                                   : static_cast<int>(number);
    wanted = integer_model(d, width, precision, wide_int, v);
  } else if (c == 'u' || c == 'x' || c == 'X' || c == 'o') {
    unsigned long long v = wide_int         ? number
                           : d.size == "h"  ? static_cast<unsigned short>(number)
                           : d.size == "hh" ? static_cast<unsigned char>(number)
                                            : static_cast<unsigned>(number);
    wanted = integer_model(d, width, precision, wide_int, static_cast<long long>(v));
  } else if (c == 'p') {
    d.flags.erase(std::remove(d.flags.begin(), d.flags.end(), '#'), d.flags.end());
    d.size = "";
    Directive hex = d;
    hex.conversion = 'X';
    hex.precision = 16;
    hex.precision_star = false;
    wanted = integer_model(hex, width, precision, true, static_cast<long long>(number));
  } else if (c == 's' || c == 'S') {
    const bool null_wide = !narrow_text && !a.get(ia);  // an empty text passed as null
    std::u16string body = null_text || null_wide ? u"(null)" : narrow_text ? u"n\u0080\u00FF" : argument;
    wanted = padded(d, width, precision, body, true);
  } else if (c == 'c' || c == 'C') {
    char16_t ch = narrow_text ? static_cast<char16_t>(number & 0xFF) : static_cast<char16_t>(number);
    wanted = padded(d, width, precision, std::u16string(1, ch), false);
  } else {  // "%%" and the like: the character itself, no argument
    d = Directive{};
    d.conversion = '%';
    wanted = u"%";
  }
  wanted = before + wanted + after;
  std::u16string format = before + widen(spelled(d, d.size)) + after;

  std::vector<WCHAR> out(wanted.size() + 1, 0x5A5A);  // exactly the room the text needs
  int got_length;
  if (c == 's' || c == 'S') {
    const void* text_argument = null_text     ? nullptr
                                : narrow_text ? static_cast<const void*>(narrow.c_str())
                                              : a.get(ia);
    got_length = call(out.data(), reinterpret_cast<const WCHAR*>(format.c_str()), d, width, precision, text_argument);
  } else if (c == 'd' || c == 'i' || c == 'u' || c == 'x' || c == 'X' || c == 'o') {
    got_length = wide_int
                     ? call(out.data(), reinterpret_cast<const WCHAR*>(format.c_str()), d, width, precision, number)
                     : call(out.data(), reinterpret_cast<const WCHAR*>(format.c_str()), d, width, precision,
                            static_cast<unsigned>(number));
  } else if (c == 'p') {
    got_length = call(out.data(), reinterpret_cast<const WCHAR*>(format.c_str()), d, width, precision,
                      reinterpret_cast<void*>(static_cast<uintptr_t>(number)));
  } else if (c == 'c' || c == 'C') {
    got_length = call(out.data(), reinterpret_cast<const WCHAR*>(format.c_str()), d, width, precision,
                      static_cast<int>(number));
  } else {
    got_length = text_format(out.data(), reinterpret_cast<const WCHAR*>(format.c_str()));
  }
  // A %c of zero writes a zero unit inside the text: compare the whole room.
  const std::u16string got(reinterpret_cast<const char16_t*>(out.data()), wanted.size());
  FUZZ_CHECK(got == wanted && got_length == static_cast<int>(wanted.size()) && out[wanted.size()] == 0,
             show(format) + ": " + show(got) + " (" + std::to_string(got_length) + " units) wanted " + show(wanted));
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // Windows-1252 as the active code page, whatever the machine's locale.
  setenv("LC_ALL", "C", 1);
  if (GetACP() != 1252) std::abort();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::Input in(data, size);
  text_heap_init();
  // Someone's text below everything: no operation may touch it.
  const std::u16string floor = text(in);
  text_push(reinterpret_cast<const WCHAR*>(floor.c_str()));
  const int32_t base = text_stack_top();
  while (!in.done()) {
    const int32_t saved = text_stack_top();
    switch (in.byte() % 7) {
      case 0: count_op(in); break;
      case 1: field_op(in); break;
      case 2: find_op(in); break;
      case 3: replace_op(in); break;
      case 4: number_op(in); break;
      case 5: decode_op(in); break;
      default: format_op(in); break;
    }
    text_stack_cut(saved);
  }
  FUZZ_CHECK(text_stack_top() == base, "the stack is back where it was");
  FUZZ_CHECK(std::u16string(reinterpret_cast<const char16_t*>(text_stack_base()), floor.size()) == floor,
             "the text below is kept");
  text_heap_end();
  return 0;
}
