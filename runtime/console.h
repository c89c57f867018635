// Standard output and standard error for a windowed program run as a
// command: it borrows the console it was started from, when there is one.
#pragma once

#include "platform/win32.h"

constexpr int CON_OUTPUT = 1;
constexpr int CON_ERROR = 2;

// Writes to the console of the process that started this one, where the
// program has none of its own; does nothing where it has one already.
void con_attach();
// The text on the stream (CON_OUTPUT or CON_ERROR): UTF-16 to a console,
// UTF-8 to a file, a pipe or a terminal. False when it could not be written.
bool con_write(int stream, const WCHAR* text);
