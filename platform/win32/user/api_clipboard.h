// Global memory blocks and the clipboard of the stand-in, with their Win32
// names, arguments and return conventions. The clipboard is the process's
// own: what one window puts there every window of the program can take, but
// no other program sees it. Delayed rendering (SetClipboardData with a null
// handle) is not offered: it answers null with ERROR_INVALID_PARAMETER.
#pragma once

#include "platform/win32/user/types_user.h"

typedef HANDLE HGLOBAL;

// GlobalAlloc flags.
#define GMEM_FIXED 0x0000
#define GMEM_MOVEABLE 0x0002
#define GMEM_NOCOMPACT 0x0010
#define GMEM_NODISCARD 0x0020
#define GMEM_ZEROINIT 0x0040
#define GMEM_MODIFY 0x0080
#define GMEM_DISCARDABLE 0x0100
#define GMEM_SHARE 0x2000
#define GMEM_DDESHARE 0x2000
#define GMEM_INVALID_HANDLE 0x8000
#define GHND (GMEM_MOVEABLE | GMEM_ZEROINIT)
#define GPTR (GMEM_FIXED | GMEM_ZEROINIT)
#define GMEM_LOCKCOUNT 0x00FF

// Standard clipboard formats.
#define CF_TEXT 1
#define CF_BITMAP 2
#define CF_METAFILEPICT 3
#define CF_SYLK 4
#define CF_DIF 5
#define CF_TIFF 6
#define CF_OEMTEXT 7
#define CF_DIB 8
#define CF_PALETTE 9
#define CF_PENDATA 10
#define CF_RIFF 11
#define CF_WAVE 12
#define CF_UNICODETEXT 13
#define CF_ENHMETAFILE 14
#define CF_HDROP 15
#define CF_LOCALE 16
#define CF_DIBV5 17

// Messages to the clipboard's owner.
#define WM_RENDERFORMAT 0x0305
#define WM_RENDERALLFORMATS 0x0306
#define WM_DESTROYCLIPBOARD 0x0307
#define WM_CLIPBOARDUPDATE 0x031D

#define ERROR_NOT_LOCKED 158L
#define ERROR_CLIPBOARD_NOT_OPEN 1418L

// Blocks live in the process heap. A moveable block is reached through a
// handle that GlobalLock turns into its address; a fixed block's handle is
// its address. Handles are checked, so a stale one is refused, never used.
HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes);
HGLOBAL GlobalReAlloc(HGLOBAL memory, SIZE_T bytes, UINT flags);
LPVOID GlobalLock(HGLOBAL memory);
BOOL GlobalUnlock(HGLOBAL memory);
SIZE_T GlobalSize(HGLOBAL memory);
UINT GlobalFlags(HGLOBAL memory);
HGLOBAL GlobalHandle(LPCVOID memory);
HGLOBAL GlobalFree(HGLOBAL memory);

// The clipboard. Data handed to SetClipboardData must be a global memory
// handle; after a successful call the clipboard owns it and frees it when
// the data is replaced or emptied. CF_TEXT and CF_UNICODETEXT are made from
// each other on demand, as Win32 does (CF_OEMTEXT is not).
BOOL OpenClipboard(HWND newOwner);
BOOL CloseClipboard();
BOOL EmptyClipboard();
HANDLE SetClipboardData(UINT format, HANDLE memory);
HANDLE GetClipboardData(UINT format);
BOOL IsClipboardFormatAvailable(UINT format);
int CountClipboardFormats();
UINT EnumClipboardFormats(UINT format);
HWND GetClipboardOwner();
HWND GetOpenClipboardWindow();
DWORD GetClipboardSequenceNumber();
