#include "app/bookmark_reader.h"

#include <cstring>
#include <initializer_list>

namespace {

// What a tag's name means here.
enum class TagClass {
  Other,  // no meaning: inside a text it is part of the text
  A,
  H1,
  H3,
  List,
  Meta,
  Boundary,  // begins another part of the file: ends a text, means nothing else
};

struct TagName {
  bool is_tag = false;
  bool closing = false;
  TagClass kind = TagClass::Other;
  const uint8_t* after = nullptr;  // behind the name
};

struct Attributes {
  ByteSpan href, tags, charset, content;
  bool has_href = false;
};

bool IsLetter(uint8_t c) { return (c | 0x20) >= 'a' && (c | 0x20) <= 'z'; }
bool IsNameUnit(uint8_t c) { return IsLetter(c) || (c >= '0' && c <= '9'); }
bool IsSpace(uint8_t c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }

TagClass ClassOf(const uint8_t* name, size_t size) {
  struct Known {
    const char* name;
    TagClass kind;
  };
  static const Known kKnown[] = {
      {"a", TagClass::A},           {"h1", TagClass::H1},          {"h3", TagClass::H3},
      {"dl", TagClass::List},       {"ul", TagClass::List},        {"ol", TagClass::List},
      {"meta", TagClass::Meta},     {"dt", TagClass::Boundary},    {"dd", TagClass::Boundary},
      {"li", TagClass::Boundary},   {"p", TagClass::Boundary},     {"hr", TagClass::Boundary},
      {"h2", TagClass::Boundary},   {"h4", TagClass::Boundary},    {"h5", TagClass::Boundary},
      {"h6", TagClass::Boundary},   {"title", TagClass::Boundary}, {"head", TagClass::Boundary},
      {"body", TagClass::Boundary}, {"html", TagClass::Boundary},
  };
  if (size > 5) return TagClass::Other;
  for (const Known& known : kKnown) {
    if (SameWord(name, size, known.name)) return known.kind;
  }
  return TagClass::Other;
}

// The tag that begins at `at` ("<"), as far as its name.
TagName NameAt(const uint8_t* at, const uint8_t* end) {
  TagName tag;
  const uint8_t* name = at + 1;
  if (name < end && *name == '/') tag.closing = true, ++name;
  if (name >= end || !IsLetter(*name)) return tag;
  const uint8_t* p = name;
  while (p < end && IsNameUnit(*p)) ++p;
  tag.is_tag = true;
  tag.kind = ClassOf(name, static_cast<size_t>(p - name));
  tag.after = p;
  return tag;
}

// The first of three bytes from p on, or end; read in pieces, so that the
// search costs no more than the distance to what it finds.
const uint8_t* FirstOf(const uint8_t* p, const uint8_t* end, uint8_t a, uint8_t b, uint8_t c) {
  constexpr size_t kPiece = 4096;
  for (; p < end; p += kPiece) {
    size_t size = static_cast<size_t>(end - p) < kPiece ? static_cast<size_t>(end - p) : kPiece;
    const uint8_t* first = nullptr;
    for (uint8_t byte : {a, b, c}) {
      const auto* found = static_cast<const uint8_t*>(std::memchr(p, byte, size));
      if (found) first = found, size = static_cast<size_t>(found - p);
    }
    if (first) return first;
  }
  return end;
}

void Keep(const uint8_t* name, size_t size, ByteSpan value, Attributes* found) {
  if (SameWord(name, size, "href")) found->href = value, found->has_href = true;
  else if (SameWord(name, size, "tags")) found->tags = value;
  else if (SameWord(name, size, "charset")) found->charset = value;
  else if (SameWord(name, size, "content")) found->content = value;
}

// A value at p; answers where the tag goes on, and sets *tag_end when the
// value ended the tag. A quoted value may go on over a line break, but not
// over markup: a quote left open ends at the line's end (or at a ">" before
// it), so that a broken value does not run into the next lines.
const uint8_t* ReadValue(const uint8_t* p, const uint8_t* end, ByteSpan* value, const uint8_t** tag_end) {
  const uint8_t quote = *p;
  if (quote == '"' || quote == '\'') {
    const uint8_t* start = p + 1;
    const uint8_t* stop = FirstOf(start, end, quote, '\n', '\r');
    if (stop < end && *stop != quote) {
      const uint8_t* further = FirstOf(stop, end, quote, '<', '>');
      if (further < end && *further == quote) stop = further;
    }
    if (stop < end && *stop == quote) {
      *value = ByteSpan{start, static_cast<size_t>(stop - start)};
      return stop + 1;
    }
    const auto* close = static_cast<const uint8_t*>(std::memchr(start, '>', static_cast<size_t>(stop - start)));
    if (close) stop = close;
    *value = ByteSpan{start, static_cast<size_t>(stop - start)};
    *tag_end = stop < end ? stop + (close ? 1 : 0) : nullptr;
    return stop;
  }
  const uint8_t* start = p;
  while (p < end && !IsSpace(*p) && *p != '>') ++p;
  *value = ByteSpan{start, static_cast<size_t>(p - start)};
  return p;
}

// The attributes from p to the tag's end; answers the position behind the
// tag, or null when the file ends inside it. found may be null.
const uint8_t* ReadAttributes(const uint8_t* p, const uint8_t* end, Attributes* found) {
  for (;;) {
    while (p < end && (IsSpace(*p) || *p == '/')) ++p;
    if (p >= end) return nullptr;
    if (*p == '>') return p + 1;
    const uint8_t* name = p++;
    while (p < end && !IsSpace(*p) && *p != '/' && *p != '>' && *p != '=') ++p;
    const size_t name_size = static_cast<size_t>(p - name);
    const uint8_t* q = p;
    while (q < end && IsSpace(*q)) ++q;
    if (q >= end || *q != '=') continue;
    ++q;
    while (q < end && IsSpace(*q)) ++q;
    if (q >= end) return nullptr;
    ByteSpan value;
    const uint8_t* tag_end = end;
    p = ReadValue(q, end, &value, &tag_end);
    if (found) Keep(name, name_size, value, found);
    if (tag_end != end) return tag_end;
  }
}

// Behind the ">" of the tag at `at` read as far as `from`, or null at the file's end.
const uint8_t* BehindTag(const uint8_t* from, const uint8_t* end) {
  const auto* close = static_cast<const uint8_t*>(std::memchr(from, '>', static_cast<size_t>(end - from)));
  return close ? close + 1 : nullptr;
}

// The text from the reader's position to the end tag of `kind` (which is
// passed over) or to the next tag with a meaning (where reading goes on).
ByteSpan ReadText(BookmarkReader* reader, TagClass kind) {
  const uint8_t* const start = reader->at;
  const uint8_t* const end = reader->end;
  for (const uint8_t* p = start;;) {
    const auto* open = static_cast<const uint8_t*>(std::memchr(p, '<', static_cast<size_t>(end - p)));
    if (!open) {
      reader->at = end;
      return ByteSpan{start, static_cast<size_t>(end - start)};
    }
    if (BeginsComment(open, end)) {
      p = CommentEnd(open, end, &reader->unclosed_comment);
      continue;
    }
    const TagName tag = NameAt(open, end);
    if (!tag.is_tag || tag.kind == TagClass::Other) {
      p = open + 1;
      continue;
    }
    reader->at = open;
    if (tag.closing && tag.kind == kind) {
      const uint8_t* behind = BehindTag(tag.after, end);
      reader->at = behind ? behind : end;
    }
    return ByteSpan{start, static_cast<size_t>(open - start)};
  }
}

// "charset=" inside a META's content ("text/html; charset=UTF-8").
ByteSpan CharsetInContent(ByteSpan content) {
  constexpr size_t kWord = 8;
  for (size_t i = 0; i + kWord <= content.size; ++i) {
    if (!SameWord(content.at + i, kWord, "charset=")) continue;
    size_t from = i + kWord, to = from;
    while (to < content.size && content.at[to] != ';' && !IsSpace(content.at[to])) ++to;
    return ByteSpan{content.at + from, to - from};
  }
  return ByteSpan{};
}

// A start tag whose attributes have been read: fills the token it makes; false for one that makes none.
bool TokenOfTag(BookmarkReader* reader, TagClass kind, const Attributes& attributes, BookmarkToken* token) {
  switch (kind) {
    case TagClass::List: token->kind = BookmarkTokenKind::ListOpen; return true;
    case TagClass::H1: token->kind = BookmarkTokenKind::Heading; break;
    case TagClass::H3: token->kind = BookmarkTokenKind::Folder; break;
    case TagClass::A:
      token->kind = BookmarkTokenKind::Link;
      token->href = attributes.href;
      token->has_href = attributes.has_href;
      token->tags = attributes.tags;
      break;
    case TagClass::Meta:
      token->kind = BookmarkTokenKind::Charset;
      token->charset = attributes.charset.size ? attributes.charset : CharsetInContent(attributes.content);
      return token->charset.size > 0;
    default: return false;
  }
  token->text = ReadText(reader, kind);
  return true;
}

// The markup at reader->at ("<"): a token, or reading goes on behind it.
bool ReadMarkup(BookmarkReader* reader, BookmarkToken* token) {
  const uint8_t* const at = reader->at;
  const uint8_t* const end = reader->end;
  if (BeginsComment(at, end)) {
    reader->at = CommentEnd(at, end, &reader->unclosed_comment);
    return false;
  }
  if (at + 1 < end && (at[1] == '!' || at[1] == '?')) {  // the doctype, or markup of no meaning
    const uint8_t* behind = BehindTag(at + 1, end);
    reader->at = behind ? behind : end;
    return false;
  }
  const TagName tag = NameAt(at, end);
  if (!tag.is_tag) {
    reader->at = at + 1;
    return false;
  }
  const bool wanted = !tag.closing && (tag.kind == TagClass::A || tag.kind == TagClass::Meta);
  Attributes attributes;
  const uint8_t* behind = ReadAttributes(tag.after, end, wanted ? &attributes : nullptr);
  if (!behind) {
    reader->cut_short = true;
    reader->at = end;
    return false;
  }
  reader->at = behind;
  *token = BookmarkToken{};
  if (tag.closing) {
    token->kind = BookmarkTokenKind::ListClose;
    return tag.kind == TagClass::List;
  }
  return TokenOfTag(reader, tag.kind, attributes, token);
}

}  // namespace

void StartBookmarkReader(BookmarkReader* reader, const uint8_t* bytes, size_t size) {
  *reader = BookmarkReader{bytes, bytes + size};
  if (size >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) reader->at += 3;
}

bool NextBookmarkToken(BookmarkReader* reader, BookmarkToken* token) {
  while (reader->at < reader->end) {
    const auto* open = static_cast<const uint8_t*>(
        std::memchr(reader->at, '<', static_cast<size_t>(reader->end - reader->at)));
    if (!open) break;
    reader->at = open;
    if (ReadMarkup(reader, token)) return true;
  }
  reader->at = reader->end;
  *token = BookmarkToken{};
  return false;
}

bool LooksLikeBookmarkFile(const uint8_t* bytes, size_t size) {
  BookmarkReader reader;
  StartBookmarkReader(&reader, bytes, size);
  constexpr char kDoctype[] = "<!doctype netscape-bookmark-file";
  constexpr size_t kDoctypeSize = sizeof kDoctype - 1;
  const uint8_t* p = reader.at;
  while (p < reader.end && IsSpace(*p)) ++p;
  if (static_cast<size_t>(reader.end - p) >= kDoctypeSize && SameWord(p, kDoctypeSize, kDoctype)) return true;
  // A catalogue's lines hold three "[]" each: one among its first lines tells (one may be empty or broken).
  constexpr int kLinesLookedAt = 8;
  int delimiters = 0, lines = 0;
  for (p = reader.at; p + 1 < reader.end && lines < kLinesLookedAt && delimiters < 3; ++p) {
    if (*p == '\n' || (*p == '\r' && p[1] != '\n')) ++lines, delimiters = 0;
    if (p[0] == '[' && p[1] == ']') ++delimiters, ++p;
  }
  if (delimiters >= 3) return false;
  int depth = 0;
  for (BookmarkToken token; NextBookmarkToken(&reader, &token);) {
    if (token.kind == BookmarkTokenKind::ListOpen) ++depth;
    if (token.kind == BookmarkTokenKind::ListClose && depth > 0) --depth;
    if (depth > 0 &&
        (token.kind == BookmarkTokenKind::Folder || (token.kind == BookmarkTokenKind::Link && token.has_href))) {
      return true;
    }
  }
  return false;
}
