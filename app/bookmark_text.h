// The texts of a bookmark file as a catalogue line holds them: bytes in the
// file's encoding with HTML character references, decoded once into UTF-16
// and tidied for the field they go into.
#pragma once

#include <cstddef>
#include <cstdint>

#include "app/text_table.h"

// A run of the file's bytes, as they stand in the file.
struct ByteSpan {
  const uint8_t* at = nullptr;
  size_t size = 0;
};

enum class FileEncoding {
  Utf8,         // bytes that are not valid UTF-8 read as Windows-1252, each on its own
  Windows1252,  // every byte is one Windows-1252 character
};

enum class FieldKind {
  Text,     // an element's text: comments left out, runs of white space one blank, trimmed
  Value,    // an attribute's value (TAGS): runs of white space one blank, trimmed
  Address,  // an attribute holding an address: trimmed, tabs and line breaks dropped, other controls %-encoded
};

// Appends the decoded field to out, in one pass. "[]" in it becomes "[ ]",
// so that a catalogue line made of it keeps exactly three fields. False when
// memory is exhausted.
bool DecodeField(ByteSpan bytes, FieldKind kind, FileEncoding encoding, UnitBuffer* out);

// Appends units tidied as an element's text is (white space, "[]"); false
// when memory is exhausted. With count * 3 / 2 + 1 units of room in out it
// does not move out's units, so the units may lie in out themselves.
bool TidyAsText(const WCHAR* units, size_t count, UnitBuffer* out);

// The encoding a charset label names (as the web reads labels: "latin1" and
// "us-ascii" are Windows-1252); false for a character set the program does not read.
bool EncodingOfCharset(ByteSpan label, FileEncoding* encoding);

// ASCII case-insensitive comparison of bytes with a lower-case word.
bool SameWord(const uint8_t* bytes, size_t size, const char* lower_word);

// The end of a comment that starts at `at` ("<!--"): behind its "-->", or
// behind the first ">" when no "-->" follows (a comment left open does not
// swallow the rest of the file), or `end`. *unclosed_from remembers where a
// search found no "-->" up to `end`, so that the next search from there on
// does not read the rest again; start it at null.
const uint8_t* CommentEnd(const uint8_t* at, const uint8_t* end, const uint8_t** unclosed_from);
inline bool BeginsComment(const uint8_t* at, const uint8_t* end) {
  return end - at >= 4 && at[0] == '<' && at[1] == '!' && at[2] == '-' && at[3] == '-';
}
