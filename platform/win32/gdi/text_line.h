// Where the characters of one line of text are drawn, for the stand-in's edit
// control: the line as TextOutW draws it with the font of a device context,
// one paragraph in pango's bidirectional order (each run of letters in its
// own direction, the paragraph in the direction of its first strong letter).
// Positions are pixels from the left edge of the drawn line; indexes are
// UTF-16 offsets of boundaries in logical (stored) order, as the caret and the
// selection of a Win32 edit control count them. And a hook for tests: the
// texts drawn, each with the number of its glyphs that no installed face has.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "platform/win32/api.h"

namespace gdi {

struct TextLayout;

// The caret's x at boundary `index`: just after the character before it as that
// character is drawn (on its left side when it runs right to left), so that it
// marks where the next typed letter of that script goes; at 0, before the first.
int line_caret_x(HDC dc, const WCHAR* text, int count, int index);
// The boundary nearest to x: within a character, the edge it is nearer to.
int line_index_at(HDC dc, const WCHAR* text, int count, int x);
// The spans [left, right) that the characters from start to end cover, left to
// right: one for text of one direction, more where the range crosses a change.
std::vector<std::pair<int, int>> line_spans(HDC dc, const WCHAR* text, int count, int start, int end);
// The next boundary after (forward) or before index where a caret may stop:
// never inside a surrogate pair, a letter with its marks or an emoji sequence.
int line_next_stop(HDC dc, const WCHAR* text, int count, int index, bool forward);

// Test hook: while recording, every text drawn is noted.
struct DrawnText {
  std::u16string text;
  int unknown_glyphs;  // characters drawn as boxes: no installed face has them
};
void record_drawn_texts(bool on);
std::vector<DrawnText> take_drawn_texts();  // the texts drawn since the last call
void note_drawn(const TextLayout& layout);  // text.cpp, for every line it draws, with the layout lock held

}  // namespace gdi
