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

bool KeepFields(const WCHAR* line, const WCHAR* delimiter, TextVar* (&fields)[3]) {
  const int64_t length = text_length(delimiter);
  if (!line || length == 0) return false;
  const WCHAR* ends[3];
  const WCHAR* from = line;
  for (const WCHAR*& end : ends) {
    const int64_t at = text_find(from, delimiter, 1, 0);
    if (at == 0) return false;
    end = from + at - 1;
    from = end + length;
  }
  if (text_find(from, delimiter, 1, 0) != 0) return false;
  const WCHAR* start = line;
  for (int k = 0; k < 3; ++k) {
    const int32_t saved = text_stack_top();
    text_stack_put(start, ends[k] - start, saved);
    KeepText(fields[k], saved);
    start = ends[k] + length;
  }
  return true;
}
