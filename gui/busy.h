// The wait cursor of a long action. A handler whose work may run long opens a
// busy span (win_busy_begin ... win_busy_end; spans may nest) and calls
// win_busy_step now and then as it works. Once the span has lasted the busy
// delay, a fifth of a second, the wait cursor shows until the span ends, as
// desktop programs do; a short action never shows it.
#pragma once

#include "platform/win32.h"

constexpr DWORD WIN_BUSY_DELAY = 200;  // milliseconds

void win_busy_begin();
// Cheap: it looks at the clock only every so many steps.
void win_busy_step();
void win_busy_end();
// The delay before the wait cursor shows; the next span uses it.
void win_set_busy_delay(DWORD milliseconds);
