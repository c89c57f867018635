// The whole window from the keyboard: shortcuts in the window's accelerator
// table, each raising the "menu or shortcut" event with its item number, and
// the handler that runs an item as a menu would. Some keys act on what has
// the focus: Enter adds, finds, visits or presses; Esc clears the work
// areas. Delete, Ctrl+C and the undo keys are taken only outside the text
// fields, which keep them for editing.
#include "app/state.h"
#include "gui/gadget.h"
#include "gui/window.h"

namespace {

bool InWorkArea(int64_t gadget) {
  return gadget != 0 && (gadget == MenuNameTxt || gadget == LinkTitleTxt || gadget == LinkAddressTxt);
}

void FocusFindField() { gadget_set_focus(FindLinkTxt); }

// Enter does what the focused gadget is for; a button is pressed, as Space presses it.
void EnterKey() {
  const int64_t focus = gadget_get_focus();
  if (focus == 0) return;
  if (focus == FindLinkTxt) {
    FindLink();
  } else if (InWorkArea(focus)) {
    AddLink();
  } else if (focus == ListViewLinks) {
    VisitLink();
  } else {
    gadget_press(focus);
  }
}

void EscapeKey() {
  if (InWorkArea(gadget_get_focus())) ClearWorkAreas();
}

void DeleteKey() {
  if (gadget_get_focus() == ListViewLinks) DeleteLink();
}

// As the context menu's item, which is greyed without a selected line.
void CopyKey() {
  if (gadget_get_focus() == ListViewLinks && LinkLineSelected()) CopyLinkAddress();
}

struct Shortcut {
  BYTE modifiers;  // FCONTROL, FSHIFT
  WORD key;        // a virtual key
  WinKeyScope where;
  void (*run)();
};

constexpr WinKeyScope kAnywhere = WinKeyScope::Anywhere;
constexpr WinKeyScope kOutsideText = WinKeyScope::OutsideTextFields;

// An item's number is its place here plus kFirstItem.
const Shortcut kShortcuts[] = {
    {FCONTROL, 'O', kAnywhere, OpenBtn_Clicked},
    {FCONTROL, 'S', kAnywhere, SaveFileBtn_Clicked},
    {FCONTROL, 'B', kAnywhere, BuildHtmlPage},
    {FCONTROL | FSHIFT, 'B', kAnywhere, ViewHtmlPage},
    {0, VK_F1, kAnywhere, HelpBtn_clicked},
    {FCONTROL, 'Q', kAnywhere, ExitProgram},
    {FCONTROL, 'F', kAnywhere, FocusFindField},
    {0, VK_F3, kAnywhere, FindLink},
    {0, VK_RETURN, kAnywhere, EnterKey},
    {0, VK_ESCAPE, kAnywhere, EscapeKey},
    {0, VK_DELETE, kOutsideText, DeleteKey},
    {FCONTROL, 'C', kOutsideText, CopyKey},
    {FCONTROL, 'Z', kOutsideText, UndoLinkChange},
    {FCONTROL, 'Y', kOutsideText, RedoLinkChange},
    {FCONTROL | FSHIFT, 'Z', kOutsideText, RedoLinkChange},
};
constexpr int64_t kShortcutCount = sizeof kShortcuts / sizeof kShortcuts[0];
constexpr int64_t kFirstItem = 1001;

void AddShortcutsOf(WinKeyScope where) {
  ACCEL entries[kShortcutCount];
  int32_t count = 0;
  for (int64_t i = 0; i < kShortcutCount; ++i) {
    const Shortcut& shortcut = kShortcuts[i];
    if (shortcut.where != where) continue;
    const auto item = static_cast<WORD>(kFirstItem + i);
    entries[count++] = ACCEL{static_cast<BYTE>(FVIRTKEY | shortcut.modifiers), shortcut.key, item};
  }
  win_add_accelerators(MainWindow, entries, count, where);
}

}  // namespace

void AddShortcuts() {
  AddShortcutsOf(kAnywhere);
  AddShortcutsOf(kOutsideText);
}

void DispatchShortcut(int64_t item) {
  const int64_t place = item - kFirstItem;
  if (place >= 0 && place < kShortcutCount) kShortcuts[place].run();
}
