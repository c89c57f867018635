// What the window files share among themselves.
#pragma once

// Room for "WindowClass_" and any 64-bit number.
constexpr int WINDOW_CLASS_NAME_SIZE = 40;

// Looks up what the procedure needs from the platform once (the MDI frame procedure, where there is one).
void win_procedure_init();

struct WindowObject;
// The accelerator table a window starts with (Tab, Shift+Tab), and freeing all of its tables.
void win_make_accelerators(WindowObject* object);
void win_free_accelerators(WindowObject* object);
