// The tokenizer of bookmark files: the HTML that browsers and link services
// export (the "NETSCAPE-Bookmark-file-1" format, or a <ul><li><a href> list),
// read as loosely as they write it. It sees only what a catalogue needs:
// headings, folders, lists opening and closing, links and the character set;
// separators, descriptions, icons and dates pass by. It works on the file's
// bytes and hands out where things are; decoding them is bookmark_text's.
//
// Markup as found in the wild: tags and attributes in any case, values in
// double, single or no quotes, <DT>, <DD> and <p> never closed, comments
// anywhere, a byte-order mark, a missing </DL>. A tag of no meaning here
// inside a title (<script>, <b>) is part of the title's text, as an exporter
// that did not escape it meant; the text of a link, folder or heading ends at
// its end tag or at the next tag that begins another part of the file (<DT>,
// <DD>, <A>, <DL>, <H3>, ...), so one odd title never swallows what follows.
// Nothing is recursive: lists nest as deep as the file says.
#pragma once

#include <cstddef>
#include <cstdint>

#include "app/bookmark_text.h"

enum class BookmarkTokenKind {
  End,
  Heading,    // <H1>: text
  Folder,     // <H3>: text, the name of the folder whose list follows
  ListOpen,   // <DL>, <UL>, <OL>
  ListClose,  // </DL>, </UL>, </OL>
  Link,       // <A>: text, href (when has_href), tags
  Charset,    // <META> naming a character set: charset
};

struct BookmarkToken {
  BookmarkTokenKind kind = BookmarkTokenKind::End;
  ByteSpan text;
  ByteSpan href;
  bool has_href = false;
  ByteSpan tags;
  ByteSpan charset;
};

struct BookmarkReader {
  const uint8_t* at = nullptr;
  const uint8_t* end = nullptr;
  const uint8_t* unclosed_comment = nullptr;  // see CommentEnd
  bool cut_short = false;                     // the file ended inside a tag
};

// Starts reading the bytes (a UTF-8 byte-order mark is passed over).
void StartBookmarkReader(BookmarkReader* reader, const uint8_t* bytes, size_t size);
// The next token; false (and kind kEnd) at the end of the bytes.
bool NextBookmarkToken(BookmarkReader* reader, BookmarkToken* token);

// Whether the bytes are a bookmark file: one that begins with the format's
// doctype always is; a catalogue (a line of three "[]" among its first lines)
// never is; otherwise one with a link or a folder inside a list (<DL> or
// <UL>, and an <A HREF> or an <H3> in it).
bool LooksLikeBookmarkFile(const uint8_t* bytes, size_t size);
