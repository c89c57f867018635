// The link list's context menu: a right click on the list, or Shift+F10 or
// the Menu key while it has the focus, opens it where the list says (at the
// click, or below the selected line). A right click on a line selects that
// line first, as a left click does, so that the menu acts on the line
// clicked. The items are one table; an item is greyed while it cannot act.
#include "app/displays.h"
#include "app/state.h"
#include "app/text_helpers.h"
#include "desktop/req.h"
#include "gui/clipboard.h"
#include "gui/event.h"
#include "gui/gadget.h"
#include "gui/menu.h"

namespace {

constexpr int64_t kFieldsOfALine = 3;
constexpr int32_t kAddressField = 3;

bool LineSelected() { return gadget_get_state(ListViewLinks) >= 0; }

// Exactly what a double click on the selected line does.
void VisitLink() {
  ListEventType = GADGET_TYPE_DOUBLE_CLICK;
  ListViewLinks_Clicked();
}

// The selected line's address, for pasting into a browser or a mail.
void CopyLinkAddress() {
  LocalText line, address;
  ReadGadgetText(ListViewLinks, &line.value);
  if (text_count(line, Delimiter) != kFieldsOfALine) {
    Joined message(TEXT("Missing 1 or more delimiters "), Delimiter, TEXT(" ."));
    req_message_ok(TEXT("URL Link ERROR:"), message);
    return;
  }
  KeepField(&address.value, line, kAddressField, Delimiter);
  if (clipboard_set_text(MainWindow, address)) {
    SetStatus(TEXT("Clipboard =  "), address);
  } else {
    req_message_ok(TEXT("Copy Link Address"), TEXT("The clipboard is in use by another program. Please try again."));
  }
  text_assign(&LastAction, TEXT("CopyLinkAddress"));
}

struct LinkMenuItem {
  const WCHAR* text;  // null: a separator
  bool (*enabled)();
  void (*run)();
};

// In the menu's order; an item's number is its place here plus one.
const LinkMenuItem kLinkMenu[] = {
    {TEXT("Visit Link"), LineSelected, VisitLink},
    {TEXT("Copy Link Address"), LineSelected, CopyLinkAddress},
    {nullptr, nullptr, nullptr},
    // "Import Browser Bookmarks..." and "Export as Browser Bookmarks..." come here, one line each.
};
constexpr int64_t kLinkMenuItems = sizeof kLinkMenu / sizeof kLinkMenu[0];

// A right click on a line that is not the selected one selects it, and shows its fields, as a left click would.
void SelectClickedLine(int64_t line) {
  if (line < 0 || line == gadget_get_state(ListViewLinks)) return;
  gadget_set_state(ListViewLinks, line);
  ListEventType = GADGET_TYPE_LEFT_CLICK;
  ListViewLinks_Clicked();
}

}  // namespace

void ListViewLinks_ContextMenu() {
  const auto* asked = static_cast<const GadgetMenuPoint*>(event_data());
  if (!asked) return;
  const GadgetMenuPoint at = *asked;  // the event's data goes with the next event, which a box may take
  SelectClickedLine(at.item);
  HMENU menu = menu_new();
  if (!menu) return;
  for (int64_t number = 1; number <= kLinkMenuItems; ++number) {
    const LinkMenuItem& item = kLinkMenu[number - 1];
    if (item.text) {
      menu_add_item(menu, number, item.text, item.enabled());
    } else {
      menu_add_separator(menu);
    }
  }
  const int64_t chosen = menu_popup(menu, MainWindow, at.x, at.y);
  menu_free(menu);
  if (chosen >= 1 && chosen <= kLinkMenuItems) kLinkMenu[chosen - 1].run();
}
