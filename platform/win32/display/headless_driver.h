// Test control of the stand-in's windows under the headless display (Linux
// tests only): input injected at screen points or at a window's client
// points, the virtual clock, and the composed pictures of top-level windows.
// Injected input is stamped with the clock's time when injected and waits in
// the thread's queue until a message loop takes it, as real input would.
#pragma once

#include "platform/win32/api.h"

namespace headless {

// Mouse at screen coordinates (button 1 left, 2 right, 3 middle).
void mouse_move(int x, int y);
void mouse_down(int x, int y, int button = 1);
void mouse_up(int x, int y, int button = 1);
void click(int x, int y, int button = 1);  // down and up at one point
void wheel(int x, int y, int delta);       // WHEEL_DELTA units, positive away from the user
// A window's client point on the screen.
POINT on_screen(HWND window, int x, int y);

// Keys by virtual-key code. text is what the key types (null: as a US keyboard would).
void key_down(UINT key, const WCHAR* text = nullptr);
void key_up(UINT key);
void key(UINT key, const WCHAR* text = nullptr);  // down and up

// Another program comes to the front: none of this one's windows stays active or in the foreground.
void leave_foreground();

// Moves the virtual clock on.
void advance(DWORD milliseconds);

// Runs every message that is ready now (TranslateMessage and DispatchMessageW), timers
// that are due included; answers how many were dispatched. It does not wait.
int pump();

// A window's picture as the display shows it: its top-level window composed first.
// pixel: a point in the window's client coordinates; CLR_INVALID outside the picture.
COLORREF pixel(HWND window, int x, int y);
bool save_png(HWND window, const char* path);  // the whole top-level window

// What a GetMessageW that would wait forever calls, with a message naming the open
// windows; by default it prints the message and aborts. When the handler returns,
// GetMessageW answers -1 with ERROR_TIMEOUT. Null restores the default.
void set_stall_handler(void (*handler)(const char* message));

}  // namespace headless
