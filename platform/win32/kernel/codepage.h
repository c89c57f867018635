// Internals of the code-page conversions, shared by codepage.cpp, cp1252.cpp
// and the Linux-only tests. Not part of the Win32 surface.
#pragma once

#include "platform/win32/types.h"

// Windows-1252, byte to UTF-16 unit: every byte has a unit (the five bytes the
// code page leaves undefined stand for the C1 controls of the same value).
WCHAR cp1252_to_unit(unsigned char byte);
// UTF-16 unit to Windows-1252; false when the code page has no byte for it.
bool cp1252_from_unit(WCHAR unit, unsigned char* byte);

// The active ANSI code page the environment asks for now (LC_ALL, then
// LC_CTYPE, then LANG): 65001 for a UTF-8 character set, 1252 otherwise.
// GetACP() decides once with this and keeps the answer.
UINT codepage_acp_from_environment();
