// Popup menus: numbered items shown at a point of the screen for a window,
// until the user chooses one or dismisses the menu. A menu is built, shown
// and freed by the handler that needs it.
#pragma once

#include <cstdint>

#include "platform/win32.h"

// Item numbers run from 1 to MENU_LAST_ITEM (a menu command is 16 bits); 0 answers "nothing chosen".
constexpr int64_t MENU_LAST_ITEM = 0xFFFF;

// An empty menu; null when the platform could not make one.
HMENU menu_new();
// Adds an item after the others, greyed unless enabled (a greyed item cannot be
// chosen). A null text reads as empty. False for a null menu, an item number
// out of range or a failure of the platform.
bool menu_add_item(HMENU menu, int64_t item, const WCHAR* text, bool enabled);
bool menu_add_separator(HMENU menu);
// Shows the menu with its top-left corner at the screen point (moved to stay on
// the screen) for the window, and waits: the number of the item chosen, or 0
// when the menu was dismissed, or could not be shown (no such window or menu).
int64_t menu_popup(HMENU menu, int64_t window, int x, int y);
// Frees the menu; null does nothing.
void menu_free(HMENU menu);
