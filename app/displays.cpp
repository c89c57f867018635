// The status line and the link count.
#include "app/displays.h"

#include "app/state.h"
#include "gui/gadget.h"

void ShowStatus(const WCHAR* text) { gadget_set_text(StatusTxt, text); }

void ShowLinkCount() {
  LinkCount = gadget_item_count(ListViewLinks);
  const int32_t saved = text_stack_top();
  text_from_int(LinkCount, saved);
  KeepText(&LinkCountText, saved);
  ShowLinkCountText();
}

void ShowLinkCountText() {
  gadget_set_text(LinkCountTxt, LinkCountText);
  // The field is 40 pixels wide: from about a hundred thousand links on, the number is narrowed to show whole.
  gadget_fit_text(LinkCountTxt);
}
