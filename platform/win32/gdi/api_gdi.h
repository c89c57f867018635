// The gdi32 functions of the stand-in (and the user32 colour, rectangle and
// text drawing functions that belong with them), with their Win32 names,
// arguments and return conventions. Device contexts draw into cairo images;
// text is shaped by pango with faces found through fontconfig.
#pragma once

#include "platform/win32/gdi/types_gdi.h"

// System colours: a classic light scheme; they never change.
DWORD GetSysColor(int index);
// A shared brush of a system colour; deleting it does nothing. Null for an unknown index.
HBRUSH GetSysColorBrush(int index);

// Objects. Stock objects and system colour brushes are never deleted (DeleteObject answers TRUE).
// An object deleted while still selected into a device context lives on until it is deselected.
HGDIOBJ GetStockObject(int object);
BOOL DeleteObject(HGDIOBJ object);
HGDIOBJ SelectObject(HDC dc, HGDIOBJ object);
HGDIOBJ GetCurrentObject(HDC dc, UINT type);
DWORD GetObjectType(HGDIOBJ object);
int GetObjectW(HGDIOBJ object, int size, LPVOID buffer);
// Solid brushes only (no hatches or patterns).
HBRUSH CreateSolidBrush(COLORREF color);
HPEN CreatePen(int style, int width, COLORREF color);
COLORREF SetDCBrushColor(HDC dc, COLORREF color);
COLORREF SetDCPenColor(HDC dc, COLORREF color);
// 32-bit images whatever the device context; the first pixels are black.
HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height);
// Rectangular regions only: enough to clip a device context.
HRGN CreateRectRgn(int left, int top, int right, int bottom);
HRGN CreateRectRgnIndirect(const RECT* rect);

// Device contexts. Only "DISPLAY" can be created; what is drawn on it is not shown anywhere.
HDC CreateDCW(LPCWSTR driver, LPCWSTR device, LPCWSTR port, const DEVMODEW* devMode);
HDC CreateCompatibleDC(HDC dc);
BOOL DeleteDC(HDC dc);
int GetDeviceCaps(HDC dc, int index);
int SaveDC(HDC dc);
BOOL RestoreDC(HDC dc, int savedDC);
COLORREF SetTextColor(HDC dc, COLORREF color);
COLORREF GetTextColor(HDC dc);
COLORREF SetBkColor(HDC dc, COLORREF color);
COLORREF GetBkColor(HDC dc);
int SetBkMode(HDC dc, int mode);
int GetBkMode(HDC dc);
UINT SetTextAlign(HDC dc, UINT align);
UINT GetTextAlign(HDC dc);
BOOL SetViewportOrgEx(HDC dc, int x, int y, LPPOINT previous);
BOOL GetViewportOrgEx(HDC dc, LPPOINT origin);
BOOL OffsetViewportOrgEx(HDC dc, int dx, int dy, LPPOINT previous);
BOOL MoveToEx(HDC dc, int x, int y, LPPOINT previous);
BOOL GetCurrentPositionEx(HDC dc, LPPOINT position);
// Clipping is one rectangle: ExcludeClipRect and complex regions are not offered.
int IntersectClipRect(HDC dc, int left, int top, int right, int bottom);
int SelectClipRgn(HDC dc, HRGN region);
int GetClipBox(HDC dc, LPRECT rect);

// Drawing. Pens draw one pixel wide whatever their width.
int FillRect(HDC dc, const RECT* rect, HBRUSH brush);
int FrameRect(HDC dc, const RECT* rect, HBRUSH brush);
// BF_DIAGONAL is not offered (answers FALSE).
BOOL DrawEdge(HDC dc, LPRECT rect, UINT edge, UINT flags);
// Inverts every other pixel of the frame, so drawing it twice restores the picture.
BOOL DrawFocusRect(HDC dc, const RECT* rect);
BOOL Rectangle(HDC dc, int left, int top, int right, int bottom);
BOOL LineTo(HDC dc, int x, int y);
BOOL PatBlt(HDC dc, int x, int y, int width, int height, DWORD rop);
// SRCCOPY, BLACKNESS, WHITENESS, PATCOPY and DSTINVERT.
BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC source, int sourceX, int sourceY, DWORD rop);
COLORREF GetPixel(HDC dc, int x, int y);
COLORREF SetPixel(HDC dc, int x, int y, COLORREF color);

// Fonts and text. Escapement and orientation of a font are ignored (a width squeezes or
// stretches the face sideways); a face the system lacks is replaced by the nearest installed
// one. ExtTextOutW ignores the spacing array.
HFONT CreateFontW(int height, int width, int escapement, int orientation, int weight, DWORD italic, DWORD underline,
                  DWORD strikeOut, DWORD charSet, DWORD outPrecision, DWORD clipPrecision, DWORD quality,
                  DWORD pitchAndFamily, LPCWSTR faceName);
HFONT CreateFontIndirectW(const LOGFONTW* logFont);
BOOL GetTextMetricsW(HDC dc, LPTEXTMETRICW metrics);
int GetTextFaceW(HDC dc, int count, LPWSTR faceName);
BOOL GetTextExtentPoint32W(HDC dc, LPCWSTR text, int count, LPSIZE size);
BOOL TextOutW(HDC dc, int x, int y, LPCWSTR text, int count);
BOOL ExtTextOutW(HDC dc, int x, int y, UINT options, const RECT* rect, LPCWSTR text, UINT count, const INT* dx);
int DrawTextW(HDC dc, LPCWSTR text, int count, LPRECT rect, UINT format);
