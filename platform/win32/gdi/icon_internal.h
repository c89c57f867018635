// Icons inside the stand-in: the .ico decoder (icon_file.cpp), the built-in
// standard pictures (icon_builtin.cpp) and the image behind an icon handle,
// for the window manager's caption and the display's window icon.
#pragma once

#include <cairo.h>

#include <cstddef>
#include <cstdint>

#include "platform/win32/api.h"
#include "platform/win32/gdi/api_icon.h"

namespace icon {

// Largest image side the stand-in makes or decodes.
constexpr int kMaxSide = 1024;

// Decodes the bytes of an .ico file: the entry that best fits width x height
// (both 0: the first entry's size), scaled to that size when it differs. An
// ARGB32 premultiplied image, or null when the bytes are not a sound icon file;
// never reads outside [data, data + size).
cairo_surface_t* decode_ico(const uint8_t* data, size_t size, int width, int height);

// One standard picture (IDI_APPLICATION ... IDI_SHIELD) drawn at the size, or
// null for an id that names none.
cairo_surface_t* builtin_picture(WORD id, int width, int height);

// The image of a live icon (not owned), or null for a handle that is not one.
cairo_surface_t* image(HICON icon);

}  // namespace icon
