// The text tools that go through the gadget and string operations.
#include "app/text_helpers.h"

#include "gui/gadget.h"

void ReadGadgetText(int64_t gadget, TextVar* into) {
  const int32_t saved = text_stack_top();
  gadget_get_text(gadget, saved);
  KeepText(into, saved);
}

void KeepField(TextVar* into, const WCHAR* line, int32_t n, const WCHAR* delimiter) {
  const int32_t saved = text_stack_top();
  text_field(line, n, delimiter, saved);
  KeepText(into, saved);
}

bool SplitLinkLine(const WCHAR* line, const WCHAR* delimiter, TextPiece (&fields)[3]) {
  const int64_t length = text_length(delimiter);
  if (!line || length == 0) return false;
  const WCHAR* from = line;
  for (TextPiece& field : fields) {
    const WCHAR* at = text_next(from, delimiter, length);
    if (!at) return false;
    field = TextPiece{from, at - from};
    from = at + length;
  }
  return !text_next(from, delimiter, length);
}
