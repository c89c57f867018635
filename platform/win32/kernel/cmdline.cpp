// The Microsoft C runtime's argv rules, unit for unit.
#include "platform/win32/kernel/cmdline.h"

namespace {

bool is_blank(WCHAR c) { return c == u' ' || c == u'\t'; }

// The program name: quotes switch quoting and are dropped, backslashes are
// ordinary, and it ends at the first blank outside quotes.
const WCHAR* split_program(const WCHAR* p, std::u16string* out) {
  bool in_quotes = false;
  while (*p && (in_quotes || !is_blank(*p))) {
    if (*p == u'"') in_quotes = !in_quotes;
    else out->push_back(*p);
    ++p;
  }
  return p;
}

const WCHAR* split_argument(const WCHAR* p, std::u16string* out) {
  bool in_quotes = false;
  for (;;) {
    size_t backslashes = 0;
    while (*p == u'\\') {
      ++p;
      ++backslashes;
    }
    bool copy = true;
    if (*p == u'"') {
      if (backslashes % 2 == 0) {
        if (in_quotes && p[1] == u'"') {
          ++p;  // "" inside quotes: one literal quote, still quoted
        } else {
          copy = false;
          in_quotes = !in_quotes;
        }
      }
      backslashes /= 2;
    }
    out->append(backslashes, u'\\');
    if (!*p || (!in_quotes && is_blank(*p))) return p;
    if (copy) out->push_back(*p);
    ++p;
  }
}

}  // namespace

std::vector<std::u16string> cmdline_split(const WCHAR* line) {
  std::vector<std::u16string> args;
  if (!line) return args;
  args.emplace_back();
  const WCHAR* p = split_program(line, &args.back());
  for (;;) {
    while (is_blank(*p)) ++p;
    if (!*p) return args;
    args.emplace_back();
    p = split_argument(p, &args.back());
  }
}
