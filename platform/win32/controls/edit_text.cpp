// The edit control's text, selection and single undo step. Undo, as in the
// Win32 control, is one step that undoes itself: undoing twice gives the
// text back. Consecutive typing at the caret is one step.
#include <utility>

#include "platform/win32/controls/edit_internal.h"

namespace edit {

namespace {

bool blank(WCHAR c) { return c == u' ' || c == u'\t'; }

}  // namespace

bool Text::set_sel(UINT start, UINT end) {
  UINT len = length();
  if (start == 0xFFFFFFFFu) {
    start = caret;
    end = caret;
  } else {
    if (start > len) start = len;
    if (end > len) end = len;
  }
  if (start == anchor && end == caret) return false;
  anchor = start;
  caret = end;
  typing_end = kNoTyping;
  return true;
}

void Text::move(UINT pos, bool extend) {
  if (pos > length()) pos = length();
  caret = pos;
  if (!extend) anchor = pos;
  typing_end = kNoTyping;
}

Fit Text::fit(UINT count) const {
  UINT kept = length() - (sel_max() - sel_min());
  if (static_cast<uint64_t>(kept) + count <= limit) return Fit{count, false};
  return Fit{kept >= limit ? 0 : limit - kept, true};
}

bool Text::replace(const WCHAR* text, UINT count, bool keep_undo, bool typing) {
  UINT s = sel_min(), e = sel_max();
  if (s == e && count == 0) return false;
  if (keep_undo) {
    bool joins = typing && s == e && s == typing_end && undo_valid;
    if (!joins) {
      undo_chars = chars;
      undo_anchor = anchor;
      undo_caret = caret;
      undo_valid = true;
    }
  } else {
    undo_valid = false;
  }
  chars.replace(s, e - s, text ? text : u"", count);
  anchor = caret = s + count;
  typing_end = typing ? caret : kNoTyping;
  return true;
}

void Text::set_all(const WCHAR* text, UINT count) {
  chars.assign(text ? text : u"", text ? count : 0);
  anchor = caret = 0;
  forget_undo();
}

bool Text::undo() {
  if (!undo_valid) return false;
  chars.swap(undo_chars);
  std::swap(anchor, undo_anchor);
  std::swap(caret, undo_caret);
  typing_end = kNoTyping;
  return true;
}

UINT word_left(const std::u16string& s, UINT pos) {
  if (pos > s.size()) pos = static_cast<UINT>(s.size());
  while (pos > 0 && blank(s[pos - 1])) --pos;
  while (pos > 0 && !blank(s[pos - 1])) --pos;
  return pos;
}

UINT word_right(const std::u16string& s, UINT pos) {
  UINT len = static_cast<UINT>(s.size());
  while (pos < len && !blank(s[pos])) ++pos;
  while (pos < len && blank(s[pos])) ++pos;
  return pos;
}

void word_at(const std::u16string& s, UINT pos, UINT* start, UINT* end) {
  UINT len = static_cast<UINT>(s.size());
  if (pos > len) pos = len;
  if (len == 0) {
    *start = *end = 0;
    return;
  }
  UINT at = pos < len ? pos : len - 1;  // past the end: the last character's word
  UINT a = at, b = at;
  if (blank(s[at])) {
    while (a > 0 && blank(s[a - 1])) --a;
    while (b < len && blank(s[b])) ++b;
  } else {
    while (a > 0 && !blank(s[a - 1])) --a;
    b = word_right(s, at);
  }
  *start = a;
  *end = b;
}

UINT first_line(const WCHAR* text, UINT count) {
  for (UINT i = 0; i < count; ++i)
    if (text[i] == u'\r' || text[i] == u'\n') return i;
  return count;
}

}  // namespace edit
