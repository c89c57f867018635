// The only door to the operating system for every layer above platform/.
// On Windows it is the real SDK; elsewhere it is our own stand-in, which
// offers the same names, types and observable behaviour for the subset we use.
#pragma once

#ifdef _WIN32
#ifndef UNICODE
#define UNICODE
#endif
#ifndef _UNICODE
#define _UNICODE
#endif
#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>
#include <objbase.h>
#include <shlobj.h>
#include <stdio.h>
#include <wchar.h>
// The find-text dialog is not used, and its generic name is a variable of the program's.
#undef FindText
// Windows always has its display.
inline bool platform_open_display() { return true; }
#else
#include "platform/win32/api.h"
// Puts the program's windows on the desktop's display (X11 or Wayland) when
// there is one; false leaves them on the headless display, which no one sees.
// Called once, before the first window.
bool platform_open_display();
#endif
