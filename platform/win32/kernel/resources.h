// The program's resources on the stand-in (Linux builds only, never included
// above platform/): the stand-in reads nothing from the program file, so a
// program's Linux start-up hands its icon resources over before its first
// window, and LoadIconW / LoadImageW with any module handle answer them by id.
#pragma once

#include <cstddef>

#include "platform/win32/api.h"

// Copies the bytes of an .ico file as icon resource id (1 to 65535). FALSE with ERROR_INVALID_DATA
// when they are not a sound icon file, ERROR_INVALID_PARAMETER for a bad id or null bytes. A second
// call for an id replaces it for later loads; icons already loaded from it stay as they are.
BOOL stand_in_set_icon_resource(int id, const void* ico, size_t size);
