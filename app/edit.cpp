// Editing the link list: adding the link typed into the work areas (no exact
// duplicates), deleting the selected line, clearing the work areas and
// finding the next line that holds a text.
#include "app/displays.h"
#include "app/link_changes.h"
#include "app/state.h"
#include "desktop/req.h"
#include "gui/gadget.h"

namespace {

struct WorkAreas {
  LocalText menu, title, address;
  WorkAreas() {
    ReadGadgetText(MenuNameTxt, &menu.value);
    ReadGadgetText(LinkTitleTxt, &title.value);
    ReadGadgetText(LinkAddressTxt, &address.value);
  }
};

// Steps that refuse an add show their box and answer false.
bool ComposeNewLink() {
  WorkAreas areas;
  if (text_length(areas.menu) < 1) {
    req_message_ok(TEXT("MenuNameTxt"), TEXT("MenuName is empty !"));
    return false;
  }
  if (text_length(areas.title) < 1) {
    req_message_ok(TEXT("LinkTitle"), TEXT("LinkTitle is empty !"));
    return false;
  }
  if (text_length(areas.address) < 1) {
    req_message_ok(TEXT("LinkAddress"), TEXT("LinkAddress is empty !"));
    return false;
  }
  // A field holding the delimiter would make a line that selection and building reject.
  if (text_count(areas.menu, Delimiter) || text_count(areas.title, Delimiter) || text_count(areas.address, Delimiter)) {
    req_message_ok(TEXT("Add Link"), TEXT("A Menu Name, Link Title or Link Address cannot hold [] ."));
    return false;
  }
  Joined line(areas.menu, Delimiter, areas.title, Delimiter, areas.address, Delimiter);
  text_assign(&NewLinkLine, line);
  return true;
}

// Whether a line exactly equal to this one (case included) is in the list.
// The list's own search, which ignores case, finds the candidates.
bool LinkExists(const WCHAR* line) {
  HWND list = gadget_handle(ListViewLinks);
  const LPARAM wanted = reinterpret_cast<LPARAM>(line);
  const LRESULT first = SendMessageW(list, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), wanted);
  for (LRESULT at = first; at != LB_ERR;) {
    const int32_t saved = text_stack_top();
    const bool same = text_equal(gadget_item_text(ListViewLinks, at, saved), line) != 0;
    text_stack_cut(saved);
    if (same) return true;
    // The search goes on after the candidate and comes round to the first one at the end.
    at = SendMessageW(list, LB_FINDSTRINGEXACT, static_cast<WPARAM>(at), wanted);
    if (at == first) break;
  }
  return false;
}

void InsertNewLink() {
  if (LinkExists(NewLinkLine)) {
    SetStatus(TEXT("This Link already exists !"));
    return;
  }
  // Sorted insertion places the line among the lines of its menu; the change clears FileSaved.
  LinkInsert(LinkSortedPlace(NewLinkLine), NewLinkLine);
  SetStatus(TEXT("  Link: "), NewLinkLine, TEXT("   ADDED !"));
}

// The first line from FindStart on that holds the search text, ignoring case; -1 when none does.
int64_t NextHit() {
  LocalText wanted;
  ReadGadgetText(FindLinkTxt, &wanted.value);
  text_assign(&FindText, wanted);
  for (int64_t i = FindStart; i < LinkCount; ++i) {
    const int32_t saved = text_stack_top();
    const bool hit = text_find(gadget_item_text(ListViewLinks, i, saved), FindText, 1, TEXT_IGNORE_CASE) > 0;
    text_stack_cut(saved);
    if (hit) return i;
  }
  return -1;
}

}  // namespace

void AddLink() {
  if (ComposeNewLink()) InsertNewLink();
  ShowLinkCount();
  text_assign(&LastAction, TEXT("AddSaveBtn"));
  // Selects the first line equal to the composed one ignoring case (after a refusal, the previous composition).
  gadget_set_text(ListViewLinks, NewLinkLine);
}

void DeleteLink() {
  WorkAreas areas;
  SelectedIndex = gadget_get_state(ListViewLinks);
  if (SelectedIndex < 0) {
    req_message_ok(TEXT("Delete ERROR "), TEXT("NO LINK SELECTED , Try Again !"));
  } else {
    LinkRemove(SelectedIndex);  // kept for undo; clears FileSaved
    ShowLinkCount();
    SetStatus(TEXT(" Link: "), areas.menu, Delimiter, areas.title, Delimiter, areas.address, Delimiter,
              TEXT("  DELETED !"));
  }
  text_assign(&LastAction, TEXT("DeleteBtn"));
}

void ClearWorkAreas() {
  gadget_set_text(MenuNameTxt, TEXT(""));
  gadget_set_text(LinkTitleTxt, TEXT(""));
  gadget_set_text(LinkAddressTxt, TEXT(""));
  text_assign(&LastAction, TEXT("ClearBtn"));
}

void FindLink() {
  LinkCount = gadget_item_count(ListViewLinks);
  if (!Is(LastAction, TEXT("FindLinkBtn"))) {
    FindStart = 0;
    FindHits = 0;
    text_assign(&LastAction, TEXT("FindLinkBtn"));
  }
  const int64_t hit = NextHit();
  if (hit >= 0) {
    FindHits += 1;
    gadget_set_state(ListViewLinks, hit);
    FindStart = hit + 1;
    text_assign(&LastAction, TEXT("FindLinkBtn"));
    ListEventType = GADGET_TYPE_LEFT_CLICK;
    ListViewLinks_Clicked();
  }
  if (FindHits == 0) req_message_ok(TEXT("Find"), TEXT("Link Not Found "));
  if (hit < 0) {
    req_message_ok(TEXT("Find"), TEXT(" End Of Search "));
    FindStart = 0;
    FindHits = 0;
    text_assign(&LastAction, TEXT("EndOf-FindLinkBtn"));
  }
}
