// A link line: menu name, title and address, each followed by "[]". A click
// on a line of the list splits it into the three work areas; a double click
// then offers to visit its address.
#include "app/state.h"
#include "app/text_helpers.h"
#include "desktop/req.h"
#include "gui/gadget.h"

namespace {

constexpr int64_t kFieldsOfALine = 3;

// The work area each field of a line goes to, in field order.
int64_t* const kWorkAreas[kFieldsOfALine] = {&MenuNameTxt, &LinkTitleTxt, &LinkAddressTxt};

}  // namespace

bool ShowLineFields(const WCHAR* line) {
  if (text_count(line, Delimiter) != kFieldsOfALine) return false;
  for (int32_t n = 1; n <= kFieldsOfALine; ++n) {
    KeepField(&FieldText, line, n, Delimiter);
    gadget_set_text(*kWorkAreas[n - 1], FieldText);
    if (n == kFieldsOfALine) text_assign(&WebSiteAddress, FieldText);
  }
  return true;
}

void ListViewLinks_Clicked() {
  if (gadget_item_count(ListViewLinks) == 0) return;
  SelectedIndex = gadget_get_state(ListViewLinks);
  const int32_t saved = text_stack_top();
  gadget_item_text(ListViewLinks, SelectedIndex, saved);
  KeepText(&SelectedLine, saved);
  DelimiterCount = text_count(SelectedLine, Delimiter);
  if (DelimiterCount == kFieldsOfALine) {
    ShowLineFields(SelectedLine);
  } else {
    Joined message(TEXT("Missing 1 or more delimiters "), Delimiter, TEXT(" ."));
    req_message_ok(TEXT("URL Link ERROR:"), message);
  }
  if (!Is(LastAction, TEXT("FindLinkBtn"))) text_assign(&LastAction, TEXT("ListViewLinks"));
  if (ListEventType == GADGET_TYPE_DOUBLE_CLICK) VisitWebSite();
}
