// Writing and reading back the lines of the edit journal.
#include "app/journal_line.h"

namespace {

const WCHAR kMagic[] = TEXT("Webrolo unsaved links");
const WCHAR kVersion[] = TEXT("1");
const WCHAR kAdd[] = TEXT("add");
const WCHAR kDelete[] = TEXT("delete");
constexpr WCHAR kTab = TEXT('\t');
constexpr WCHAR kEscape = TEXT('\\');
constexpr int kCheckDigits = 8;
constexpr int kHashDigits = 16;
constexpr int kMostDigits = 18;   // a decimal number of the journal fits in 63 bits
constexpr int kHeaderFields = 7;  // magic, version, name, path, size, time, hash
constexpr int kStepFields = 3;    // kind, index, line
constexpr uint32_t kCheckBasis = 2166136261u;
constexpr uint32_t kCheckPrime = 16777619u;

// FNV-1a over the units: any change to a line, and most cuts, change it.
uint32_t LineCheck(const WCHAR* units, int64_t count) {
  uint32_t check = kCheckBasis;
  for (int64_t i = 0; i < count; ++i) check = (check ^ units[i]) * kCheckPrime;
  return check;
}

WCHAR EscapeOf(WCHAR unit) {
  switch (unit) {
    case kEscape: return kEscape;
    case TEXT('\t'): return TEXT('t');
    case TEXT('\r'): return TEXT('r');
    case TEXT('\n'): return TEXT('n');
    default: return 0;
  }
}

// Pushes the text escaped. The text may lie on the stack: it is found again after the room is reserved.
void PushEscaped(const WCHAR* text) {
  if (!text) return;
  int64_t units = 0;
  for (const WCHAR* at = text; *at; ++at) units += EscapeOf(*at) ? 2 : 1;
  const int32_t source = text_stack_offset_of(text);
  WCHAR* out = text_stack_reserve(static_cast<int32_t>(units), text_stack_top());
  if (source) text = reinterpret_cast<const WCHAR*>(reinterpret_cast<const char*>(text_stack_base()) + source - 1);
  for (const WCHAR* at = text; *at; ++at) {
    const WCHAR escape = EscapeOf(*at);
    if (escape) {
      *out++ = kEscape;
      *out++ = escape;
    } else {
      *out++ = *at;
    }
  }
  *out = 0;
}

void PushTab() { text_push(TEXT("\t")); }

void PushNumber(int64_t value) { text_from_int(value, text_stack_top()); }

// Ends the line that began at `start` with a tab and its check.
WCHAR* EndLine(int32_t start) {
  const WCHAR* units = text_stack_at(start);
  const int64_t count = (text_stack_top() - start) / static_cast<int32_t>(sizeof(WCHAR));
  WCHAR check[kCheckDigits + 2] = {};
  text_format(check, TEXT("\t%08x"), LineCheck(units, count));
  text_push(check);
  return text_stack_at(start);
}

// Splits the line at its tabs, in place: up to `most` fields; answers how many there were.
int Split(WCHAR* line, WCHAR** fields, int most) {
  int count = 0;
  fields[count++] = line;
  for (WCHAR* at = line; *at; ++at) {
    if (*at != kTab) continue;
    if (count == most) return most + 1;
    *at = 0;
    fields[count++] = at + 1;
  }
  return count;
}

// Undoes the escapes in place; false for an escape the writer never makes.
bool Unescape(WCHAR* text) {
  WCHAR* out = text;
  for (const WCHAR* at = text; *at; ++at) {
    if (*at != kEscape) {
      *out++ = *at;
      continue;
    }
    switch (*++at) {
      case kEscape: *out++ = kEscape; break;
      case TEXT('t'): *out++ = TEXT('\t'); break;
      case TEXT('r'): *out++ = TEXT('\r'); break;
      case TEXT('n'): *out++ = TEXT('\n'); break;
      default: return false;
    }
  }
  *out = 0;
  return true;
}

// A number of 1 to `most` digits in base 10 or 16, nothing else.
bool ParseNumber(const WCHAR* text, int base, int most, uint64_t* value) {
  uint64_t result = 0;
  int digits = 0;
  for (; *text; ++text, ++digits) {
    unsigned digit;
    if (*text >= TEXT('0') && *text <= TEXT('9')) digit = *text - TEXT('0');
    else if (base == 16 && *text >= TEXT('a') && *text <= TEXT('f')) digit = *text - TEXT('a') + 10;
    else return false;
    if (digits == most) return false;
    result = result * static_cast<unsigned>(base) + digit;
  }
  *value = result;
  return digits > 0;
}

bool ParseHeader(WCHAR** fields, JournalLine* out) {
  uint64_t size = 0, time = 0, hash = 0;
  if (!Unescape(fields[2]) || !Unescape(fields[3]) || !ParseNumber(fields[4], 10, kMostDigits, &size) ||
      !ParseNumber(fields[5], 10, kMostDigits, &time) || !ParseNumber(fields[6], 16, kHashDigits, &hash)) {
    return false;
  }
  out->header = JournalHeader{fields[2], fields[3],
                              FileStamp{static_cast<int64_t>(size), static_cast<int64_t>(time), hash, 1}};
  out->kind = JournalLineKind::Header;
  return true;
}

bool ParseStep(WCHAR** fields, JournalLine* out) {
  uint64_t index = 0;
  const bool add = text_equal(fields[0], kAdd) != 0;
  if ((!add && !text_equal(fields[0], kDelete)) || !ParseNumber(fields[1], 10, kMostDigits, &index) ||
      !Unescape(fields[2])) {
    return false;
  }
  out->step = JournalStep{add ? JournalKind::Add : JournalKind::Delete, static_cast<int64_t>(index), fields[2]};
  out->kind = JournalLineKind::Step;
  return true;
}

}  // namespace

WCHAR* JournalHeaderLine(const JournalHeader& header, int32_t offset) {
  text_stack_cut(offset);
  text_push(kMagic);
  PushTab();
  text_push(kVersion);
  PushTab();
  PushEscaped(header.catalogue);
  PushTab();
  PushEscaped(header.path);
  PushTab();
  PushNumber(header.stamp.size);
  PushTab();
  PushNumber(header.stamp.time);
  WCHAR hash[kHashDigits + 2] = {};
  text_format(hash, TEXT("\t%016I64x"), header.stamp.hash);
  text_push(hash);
  return EndLine(offset);
}

WCHAR* JournalStepLine(const JournalStep& step, int32_t offset) {
  text_stack_cut(offset);
  text_push(step.kind == JournalKind::Add ? kAdd : kDelete);
  PushTab();
  PushNumber(step.index);
  PushTab();
  PushEscaped(step.line);
  return EndLine(offset);
}

JournalLine ParseJournalLine(WCHAR* line) {
  JournalLine out;
  const int64_t length = text_length(line);
  if (length == 0) return out;
  out.kind = JournalLineKind::Damaged;
  // The check: the last tab, then exactly its digits, which must be those of everything before the tab.
  const int64_t tab = length - kCheckDigits - 1;
  uint64_t check = 0;
  if (tab < 0 || line[tab] != kTab || !ParseNumber(line + tab + 1, 16, kCheckDigits, &check) ||
      check != LineCheck(line, tab)) {
    return out;
  }
  line[tab] = 0;
  WCHAR* fields[kHeaderFields + 1] = {};
  const int count = Split(line, fields, kHeaderFields);
  if (count == kHeaderFields && text_equal(fields[0], kMagic) && text_equal(fields[1], kVersion)) {
    ParseHeader(fields, &out);
  } else if (count == kStepFields) {
    ParseStep(fields, &out);
  }
  return out;
}
