// The clipboard: text handed to the desktop, for this and other programs to paste.
#pragma once

#include <cstdint>

#include "platform/win32.h"

// Puts the text (null reads as empty) on the clipboard for the window, in
// place of what was there. False when there is no such window, or the
// clipboard stayed busy with another program or memory ran out.
bool clipboard_set_text(int64_t window, const WCHAR* text);
