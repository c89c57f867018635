// Icons of the stand-in: .ico files and the program's icon resource loaded
// into icon handles, and drawn on device contexts. An icon is a 32-bit image
// with alpha; inverting (screen-XOR) pixels of old icons count as transparent.
#pragma once

#include "platform/win32/gdi/types_gdi.h"
#include "platform/win32/user/types_user.h"

#define IMAGE_BITMAP 0
#define IMAGE_ICON 1
#define IMAGE_CURSOR 2

#define LR_DEFAULTCOLOR 0x00000000
#define LR_MONOCHROME 0x00000001
#define LR_LOADFROMFILE 0x00000010
#define LR_LOADTRANSPARENT 0x00000020
#define LR_DEFAULTSIZE 0x00000040
#define LR_VGACOLOR 0x00000080
#define LR_LOADMAP3DCOLORS 0x00001000
#define LR_CREATEDIBSECTION 0x00002000
#define LR_SHARED 0x00008000

#define DI_MASK 0x0001
#define DI_IMAGE 0x0002
#define DI_NORMAL 0x0003
#define DI_COMPAT 0x0004
#define DI_DEFAULTSIZE 0x0008
#define DI_NOMIRROR 0x0010

#define ERROR_INVALID_DATA 13L
#define ERROR_RESOURCE_DATA_NOT_FOUND 1812L
#define ERROR_RESOURCE_TYPE_NOT_FOUND 1813L
#define ERROR_RESOURCE_NAME_NOT_FOUND 1814L

// IMAGE_ICON only. Entries may be BMP (1, 4, 8, 24 or 32 bits a pixel, uncompressed, with their AND
// mask) or PNG; images and requested sizes are at most 1024 pixels a side, files at most 64 MB.
// A damaged file answers null with ERROR_INVALID_DATA. A module's icons are those registered with
// stand_in_set_icon_resource (platform/win32/kernel/resources.h).
HANDLE LoadImageW(HINSTANCE instance, LPCWSTR name, UINT type, int width, int height, UINT flags);
BOOL DrawIconEx(HDC dc, int x, int y, HICON icon, int width, int height, UINT step, HBRUSH flickerFree, UINT flags);
BOOL DrawIcon(HDC dc, int x, int y, HICON icon);
