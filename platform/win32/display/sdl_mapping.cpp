// The SDL2 backend's pure mappings: Win32 window kinds to SDL window flags and
// window-manager hints, SDL keys, buttons and wheels to Win32's, cursors, and
// the arithmetic of the desktop's scale. Nothing here needs a display.
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "platform/win32/display/sdl_mapping.h"

namespace display::sdl {

namespace {

// _MOTIF_WM_HINTS bits, as the Motif window manager defined them.
constexpr unsigned long kHintFunctions = 1UL << 0;
constexpr unsigned long kHintDecorations = 1UL << 1;
constexpr unsigned long kFuncResize = 1UL << 1;
constexpr unsigned long kFuncMove = 1UL << 2;
constexpr unsigned long kFuncMinimize = 1UL << 3;
constexpr unsigned long kFuncMaximize = 1UL << 4;
constexpr unsigned long kFuncClose = 1UL << 5;
constexpr unsigned long kDecorBorder = 1UL << 1;
constexpr unsigned long kDecorResizeHandles = 1UL << 2;
constexpr unsigned long kDecorTitle = 1UL << 3;
constexpr unsigned long kDecorMenu = 1UL << 4;
constexpr unsigned long kDecorMinimize = 1UL << 5;
constexpr unsigned long kDecorMaximize = 1UL << 6;

// Keys named by the ASCII character the layout gives them, punctuation at its US place.
UINT key_of_character(SDL_Keycode key) {
  if (key >= 'a' && key <= 'z') return static_cast<UINT>(key - 'a' + 'A');
  switch (key) {
    case ';': return VK_OEM_1;
    case '=': return VK_OEM_PLUS;
    case ',': return VK_OEM_COMMA;
    case '-': return VK_OEM_MINUS;
    case '.': return VK_OEM_PERIOD;
    case '/': return VK_OEM_2;
    case '`': return VK_OEM_3;
    case '[': return VK_OEM_4;
    case '\\': return VK_OEM_5;
    case ']': return VK_OEM_6;
    case '\'': return VK_OEM_7;
    default: return 0;
  }
}

// The keypad: digits and the decimal point with Num Lock, the keys printed under them without.
UINT keypad_key(SDL_Scancode scan, bool num_lock) {
  static const UINT navigation[] = {VK_END,   VK_DOWN, VK_NEXT, VK_LEFT,  VK_CLEAR,
                                    VK_RIGHT, VK_HOME, VK_UP,   VK_PRIOR, VK_INSERT};
  if (scan >= SDL_SCANCODE_KP_1 && scan <= SDL_SCANCODE_KP_0) {
    int digit = scan == SDL_SCANCODE_KP_0 ? 0 : scan - SDL_SCANCODE_KP_1 + 1;
    return num_lock ? static_cast<UINT>(VK_NUMPAD0 + digit) : navigation[digit == 0 ? 9 : digit - 1];
  }
  switch (scan) {
    case SDL_SCANCODE_KP_PERIOD: return num_lock ? VK_DECIMAL : VK_DELETE;
    case SDL_SCANCODE_KP_ENTER: return VK_RETURN;
    case SDL_SCANCODE_KP_PLUS: return VK_ADD;
    case SDL_SCANCODE_KP_MINUS: return VK_SUBTRACT;
    case SDL_SCANCODE_KP_MULTIPLY: return VK_MULTIPLY;
    case SDL_SCANCODE_KP_DIVIDE: return VK_DIVIDE;
    default: return 0;
  }
}

// Keys by their place on the keyboard.
UINT key_of_place(SDL_Scancode scan) {
  if (scan >= SDL_SCANCODE_A && scan <= SDL_SCANCODE_Z) return static_cast<UINT>('A' + (scan - SDL_SCANCODE_A));
  if (scan >= SDL_SCANCODE_1 && scan <= SDL_SCANCODE_9) return static_cast<UINT>('1' + (scan - SDL_SCANCODE_1));
  if (scan >= SDL_SCANCODE_F1 && scan <= SDL_SCANCODE_F12) return static_cast<UINT>(VK_F1 + (scan - SDL_SCANCODE_F1));
  if (scan >= SDL_SCANCODE_F13 && scan <= SDL_SCANCODE_F24)
    return static_cast<UINT>(VK_F13 + (scan - SDL_SCANCODE_F13));
  switch (scan) {
    case SDL_SCANCODE_0: return '0';
    case SDL_SCANCODE_RETURN: return VK_RETURN;
    case SDL_SCANCODE_ESCAPE: return VK_ESCAPE;
    case SDL_SCANCODE_BACKSPACE: return VK_BACK;
    case SDL_SCANCODE_TAB: return VK_TAB;
    case SDL_SCANCODE_SPACE: return VK_SPACE;
    case SDL_SCANCODE_MINUS: return VK_OEM_MINUS;
    case SDL_SCANCODE_EQUALS: return VK_OEM_PLUS;
    case SDL_SCANCODE_LEFTBRACKET: return VK_OEM_4;
    case SDL_SCANCODE_RIGHTBRACKET: return VK_OEM_6;
    case SDL_SCANCODE_BACKSLASH: return VK_OEM_5;
    case SDL_SCANCODE_NONUSHASH: return VK_OEM_5;
    case SDL_SCANCODE_SEMICOLON: return VK_OEM_1;
    case SDL_SCANCODE_APOSTROPHE: return VK_OEM_7;
    case SDL_SCANCODE_GRAVE: return VK_OEM_3;
    case SDL_SCANCODE_COMMA: return VK_OEM_COMMA;
    case SDL_SCANCODE_PERIOD: return VK_OEM_PERIOD;
    case SDL_SCANCODE_SLASH: return VK_OEM_2;
    case SDL_SCANCODE_NONUSBACKSLASH: return VK_OEM_102;
    case SDL_SCANCODE_CAPSLOCK: return VK_CAPITAL;
    case SDL_SCANCODE_PRINTSCREEN: return VK_SNAPSHOT;
    case SDL_SCANCODE_SCROLLLOCK: return VK_SCROLL;
    case SDL_SCANCODE_PAUSE: return VK_PAUSE;
    case SDL_SCANCODE_INSERT: return VK_INSERT;
    case SDL_SCANCODE_HOME: return VK_HOME;
    case SDL_SCANCODE_PAGEUP: return VK_PRIOR;
    case SDL_SCANCODE_DELETE: return VK_DELETE;
    case SDL_SCANCODE_END: return VK_END;
    case SDL_SCANCODE_PAGEDOWN: return VK_NEXT;
    case SDL_SCANCODE_RIGHT: return VK_RIGHT;
    case SDL_SCANCODE_LEFT: return VK_LEFT;
    case SDL_SCANCODE_DOWN: return VK_DOWN;
    case SDL_SCANCODE_UP: return VK_UP;
    case SDL_SCANCODE_NUMLOCKCLEAR: return VK_NUMLOCK;
    case SDL_SCANCODE_APPLICATION: return VK_APPS;
    case SDL_SCANCODE_LCTRL:
    case SDL_SCANCODE_RCTRL: return VK_CONTROL;
    case SDL_SCANCODE_LSHIFT:
    case SDL_SCANCODE_RSHIFT: return VK_SHIFT;
    case SDL_SCANCODE_LALT:
    case SDL_SCANCODE_RALT: return VK_MENU;
    case SDL_SCANCODE_LGUI: return VK_LWIN;
    case SDL_SCANCODE_RGUI: return VK_RWIN;
    default: return 0;
  }
}

}  // namespace

Uint32 window_flags(const SurfaceStyle& style, bool topmost) {
  Uint32 flags = SDL_WINDOW_HIDDEN;
  switch (style.kind) {
    case SurfaceStyle::Kind::Tooltip:
      return flags | SDL_WINDOW_TOOLTIP | SDL_WINDOW_BORDERLESS | SDL_WINDOW_SKIP_TASKBAR | SDL_WINDOW_ALWAYS_ON_TOP;
    case SurfaceStyle::Kind::Popup: flags |= SDL_WINDOW_BORDERLESS; break;
    case SurfaceStyle::Kind::Normal: break;
  }
  if (style.resizable) flags |= SDL_WINDOW_RESIZABLE;
  if (style.tool) flags |= SDL_WINDOW_UTILITY | SDL_WINDOW_SKIP_TASKBAR;
  if (topmost) flags |= SDL_WINDOW_ALWAYS_ON_TOP;
  return flags;
}

MotifHints motif_hints(const SurfaceStyle& style) {
  MotifHints h;
  h.flags = kHintFunctions | kHintDecorations;
  h.functions = kFuncMove;
  if (style.resizable) h.functions |= kFuncResize;
  if (style.minimizable) h.functions |= kFuncMinimize;
  if (style.maximizable && style.resizable) h.functions |= kFuncMaximize;
  if (style.close_box) h.functions |= kFuncClose;
  if (style.kind != SurfaceStyle::Kind::Normal) return h;  // no decorations at all
  h.decorations = kDecorBorder | kDecorTitle;
  if (style.close_box) h.decorations |= kDecorMenu;
  if (style.resizable) h.decorations |= kDecorResizeHandles;
  if (style.minimizable) h.decorations |= kDecorMinimize;
  if (style.maximizable && style.resizable) h.decorations |= kDecorMaximize;
  return h;
}

SDL_SystemCursor system_cursor(CursorShape shape) {
  switch (shape) {
    case CursorShape::IBeam: return SDL_SYSTEM_CURSOR_IBEAM;
    case CursorShape::Wait: return SDL_SYSTEM_CURSOR_WAIT;
    case CursorShape::Cross: return SDL_SYSTEM_CURSOR_CROSSHAIR;
    case CursorShape::SizeNWSE: return SDL_SYSTEM_CURSOR_SIZENWSE;
    case CursorShape::SizeNESW: return SDL_SYSTEM_CURSOR_SIZENESW;
    case CursorShape::SizeWE: return SDL_SYSTEM_CURSOR_SIZEWE;
    case CursorShape::SizeNS: return SDL_SYSTEM_CURSOR_SIZENS;
    case CursorShape::SizeAll: return SDL_SYSTEM_CURSOR_SIZEALL;
    case CursorShape::No: return SDL_SYSTEM_CURSOR_NO;
    case CursorShape::Hand: return SDL_SYSTEM_CURSOR_HAND;
    case CursorShape::AppStarting: return SDL_SYSTEM_CURSOR_WAITARROW;
    case CursorShape::Arrow:
    case CursorShape::UpArrow:
    case CursorShape::Help: return SDL_SYSTEM_CURSOR_ARROW;
  }
  return SDL_SYSTEM_CURSOR_ARROW;
}

UINT virtual_key(SDL_Keycode key, SDL_Scancode scan, Uint16 mod) {
  if (UINT pad = keypad_key(scan, (mod & KMOD_NUM) != 0)) return pad;
  // Digits stay digits on every layout, as Win32's do; the rest follows the layout where it speaks ASCII.
  if (scan >= SDL_SCANCODE_1 && scan <= SDL_SCANCODE_0) return key_of_place(scan);
  if (UINT named = key_of_character(key)) return named;
  return key_of_place(scan);
}

bool types_characters(UINT vk, Uint16 mod) {
  if (mod & (KMOD_CTRL | KMOD_ALT)) return false;
  return (vk >= '0' && vk <= '9') || (vk >= 'A' && vk <= 'Z') || vk == VK_SPACE || (vk >= VK_OEM_1 && vk <= VK_OEM_3) ||
         (vk >= VK_OEM_4 && vk <= VK_OEM_7) || vk == VK_OEM_102 ||
         (vk >= VK_NUMPAD0 && vk <= VK_DIVIDE && vk != VK_SEPARATOR);
}

bool altgr_text(SDL_Keycode key, const char* text, Uint16 mod) {
  if (!(mod & KMOD_RALT) || (mod & (KMOD_LALT | KMOD_CTRL)) || !text || !*text) return false;
  bool one_ascii = text[1] == '\0' && static_cast<unsigned char>(text[0]) < 0x80;
  if (one_ascii) {
    char c = text[0];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c == key) return false;  // Alt with the key's own character: a menu key as usual
  }
  return true;
}

int mouse_button(Uint8 sdl_button) {
  switch (sdl_button) {
    case SDL_BUTTON_LEFT: return 1;
    case SDL_BUTTON_RIGHT: return 2;
    case SDL_BUTTON_MIDDLE: return 3;
    default: return 0;
  }
}

int wheel_delta(const SDL_MouseWheelEvent& wheel) {
  float amount = wheel.preciseY != 0.0f ? wheel.preciseY : static_cast<float>(wheel.y);
  if (wheel.direction == SDL_MOUSEWHEEL_FLIPPED) amount = -amount;
  return static_cast<int>(std::lround(amount * WHEEL_DELTA));
}

bool xsettings_int(const unsigned char* data, size_t size, const char* name, int* value) {
  if (!data || size < 12) return false;
  bool msb = data[0] == 1;
  auto card16 = [&](size_t at) { return msb ? (data[at] << 8 | data[at + 1]) : (data[at + 1] << 8 | data[at]); };
  auto card32 = [&](size_t at) {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(data[at + (msb ? 3 - i : i)]) << (8 * i);
    return v;
  };
  auto pad4 = [](size_t n) { return (n + 3) & ~static_cast<size_t>(3); };
  uint32_t count = card32(8);
  size_t at = 12;
  size_t name_length = std::strlen(name);
  for (uint32_t i = 0; i < count; ++i) {
    if (size - at < 4) return false;
    unsigned type = data[at];
    size_t length = static_cast<size_t>(card16(at + 2));
    at += 4;
    if (size - at < pad4(length) + 4) return false;
    bool match = length == name_length && std::memcmp(data + at, name, length) == 0;
    at += pad4(length) + 4;  // the name, then the serial of its last change
    size_t value_size;
    if (type == 0) {
      value_size = 4;
    } else if (type == 1) {
      if (size - at < 4) return false;
      value_size = 4 + pad4(card32(at));
    } else if (type == 2) {
      value_size = 8;
    } else {
      return false;
    }
    if (size - at < value_size) return false;
    if (match && type == 0) {
      *value = static_cast<int32_t>(card32(at));
      return true;
    }
    at += value_size;
  }
  return false;
}

double resource_dpi(const char* resources) {
  if (!resources) return 0;
  for (const char* line = resources; *line;) {
    const char* end = std::strchr(line, '\n');
    if (!end) end = line + std::strlen(line);
    if (std::strncmp(line, "Xft.dpi:", 8) == 0) {
      double dpi = std::strtod(line + 8, nullptr);
      return dpi > 0 ? dpi : 0;
    }
    line = *end ? end + 1 : end;
  }
  return 0;
}

int desktop_scale(const char* gdk_scale, int window_scale, double dpi) {
  if (gdk_scale && *gdk_scale) {
    char* end = nullptr;
    long forced = std::strtol(gdk_scale, &end, 10);
    if (*end == '\0' && forced >= 1 && forced <= 8) return static_cast<int>(forced);
  }
  if (window_scale >= 1 && window_scale <= 8) return window_scale;
  if (dpi > 0) {
    int by_dpi = static_cast<int>(std::floor(dpi / 96.0 + 0.5));
    if (by_dpi >= 1 && by_dpi <= 8) return by_dpi;
  }
  return 1;
}

int logical_dpi(double dpi, int scale) {
  if (!(dpi > 0) || dpi > 2000 || scale < 1) return 96;
  double per_pixel = dpi >= 96.0 * scale ? dpi / scale : dpi;
  return static_cast<int>(std::lround(per_pixel));
}

}  // namespace display::sdl
