// The SDL display's mappings, without a display (Linux only): Win32 window
// kinds to native window flags and window-manager hints, SDL keys, buttons
// and wheels to Win32's, cursors, and the desktop's scale and dots per inch.
#ifndef _WIN32
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win32/display/sdl_mapping.h"

namespace {

using display::SurfaceStyle;
namespace sdl = display::sdl;

constexpr DWORD kMainWindow = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;  // the program's fixed-size window
constexpr unsigned long kFuncResize = 1UL << 1, kFuncMinimize = 1UL << 3, kFuncMaximize = 1UL << 4,
                        kFuncClose = 1UL << 5;

TEST(DisplaySdlMap, WindowKindsBecomeNativeWindowsAndHints) {
  // The fixed-size main window: a decorated window that cannot be resized or maximised, with its minimise box.
  SurfaceStyle main = display::style_for(kMainWindow, 0);
  EXPECT_EQ(main.kind, SurfaceStyle::Kind::Normal);
  EXPECT_TRUE(main.close_box && main.minimizable);
  EXPECT_FALSE(main.resizable || main.maximizable);
  EXPECT_EQ(main.frame.top, 8 + 23) << "the Win32 frame the desktop's replaces";
  EXPECT_EQ(main.frame.left, 8);
  Uint32 flags = sdl::window_flags(main, false);
  EXPECT_TRUE(flags & SDL_WINDOW_HIDDEN) << "made hidden, shown when its kind is settled";
  EXPECT_FALSE(flags & (SDL_WINDOW_RESIZABLE | SDL_WINDOW_BORDERLESS | SDL_WINDOW_TOOLTIP | SDL_WINDOW_ALWAYS_ON_TOP));
  sdl::MotifHints hints = sdl::motif_hints(main);
  EXPECT_EQ(hints.functions & (kFuncResize | kFuncMaximize), 0u);
  EXPECT_EQ(hints.functions & (kFuncMinimize | kFuncClose), kFuncMinimize | kFuncClose);
  EXPECT_NE(hints.decorations, 0u);

  // A sizable window with every box; topmost windows stay above.
  SurfaceStyle sizable = display::style_for(WS_OVERLAPPEDWINDOW, 0);
  EXPECT_TRUE(sizable.resizable && sizable.maximizable);
  EXPECT_TRUE(sdl::window_flags(sizable, true) & SDL_WINDOW_RESIZABLE);
  EXPECT_TRUE(sdl::window_flags(sizable, true) & SDL_WINDOW_ALWAYS_ON_TOP);
  EXPECT_EQ(sdl::motif_hints(sizable).functions & (kFuncResize | kFuncMaximize), kFuncResize | kFuncMaximize);

  // Buttons come with the system menu only, as in Win32.
  SurfaceStyle bare = display::style_for(WS_CAPTION | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME, 0);
  EXPECT_FALSE(bare.close_box || bare.minimizable || bare.maximizable);
  EXPECT_EQ(sdl::motif_hints(bare).functions & (kFuncMinimize | kFuncMaximize | kFuncClose), 0u);

  // A tooltip: above everything, never activated, not managed.
  SurfaceStyle tip = display::style_for(WS_POPUP, WS_EX_TOOLWINDOW | WS_EX_TOPMOST);
  EXPECT_EQ(tip.kind, SurfaceStyle::Kind::Tooltip);
  EXPECT_FALSE(tip.activates);
  Uint32 tip_flags = sdl::window_flags(tip, true);
  EXPECT_TRUE(tip_flags & SDL_WINDOW_TOOLTIP);
  EXPECT_TRUE(tip_flags & SDL_WINDOW_ALWAYS_ON_TOP);
  EXPECT_TRUE(tip_flags & SDL_WINDOW_SKIP_TASKBAR);

  // A popup without caption: undecorated but managed; a captioned tool window keeps off the taskbar.
  SurfaceStyle popup = display::style_for(WS_POPUP | WS_BORDER, 0);
  EXPECT_EQ(popup.kind, SurfaceStyle::Kind::Popup);
  EXPECT_TRUE(sdl::window_flags(popup, false) & SDL_WINDOW_BORDERLESS);
  EXPECT_EQ(sdl::motif_hints(popup).decorations, 0u);
  EXPECT_TRUE(popup.activates);
  SurfaceStyle tool = display::style_for(WS_POPUP | WS_CAPTION, WS_EX_TOOLWINDOW);
  EXPECT_EQ(tool.kind, SurfaceStyle::Kind::Normal);
  EXPECT_TRUE(sdl::window_flags(tool, false) & SDL_WINDOW_SKIP_TASKBAR);
  EXPECT_FALSE(display::style_for(kMainWindow, WS_EX_NOACTIVATE).activates);
}

TEST(DisplaySdlMap, KeysBecomeVirtualKeysAsTheLayoutNamesThem) {
  EXPECT_EQ(sdl::virtual_key('a', SDL_SCANCODE_A, 0), UINT('A'));
  // A French layout: the A key sits where Q is, and the top row types symbols yet stays digits.
  EXPECT_EQ(sdl::virtual_key('a', SDL_SCANCODE_Q, 0), UINT('A'));
  EXPECT_EQ(sdl::virtual_key('&', SDL_SCANCODE_1, 0), UINT('1'));
  EXPECT_EQ(sdl::virtual_key('0', SDL_SCANCODE_0, KMOD_SHIFT), UINT('0'));
  // A layout that names keys outside ASCII: the key's place decides.
  EXPECT_EQ(sdl::virtual_key(0x444, SDL_SCANCODE_A, 0), UINT('A'));
  EXPECT_EQ(sdl::virtual_key(0xDF, SDL_SCANCODE_MINUS, 0), UINT(VK_OEM_MINUS));
  EXPECT_EQ(sdl::virtual_key(';', SDL_SCANCODE_SEMICOLON, 0), UINT(VK_OEM_1));
  EXPECT_EQ(sdl::virtual_key('z', SDL_SCANCODE_Y, 0), UINT('Z'));
  // The keypad by Num Lock.
  EXPECT_EQ(sdl::virtual_key(SDLK_KP_7, SDL_SCANCODE_KP_7, KMOD_NUM), UINT(VK_NUMPAD7));
  EXPECT_EQ(sdl::virtual_key(SDLK_KP_7, SDL_SCANCODE_KP_7, 0), UINT(VK_HOME));
  EXPECT_EQ(sdl::virtual_key(SDLK_KP_0, SDL_SCANCODE_KP_0, 0), UINT(VK_INSERT));
  EXPECT_EQ(sdl::virtual_key(SDLK_KP_PERIOD, SDL_SCANCODE_KP_PERIOD, KMOD_NUM), UINT(VK_DECIMAL));
  EXPECT_EQ(sdl::virtual_key(SDLK_KP_ENTER, SDL_SCANCODE_KP_ENTER, 0), UINT(VK_RETURN));
  // Keys by place, modifiers generic.
  EXPECT_EQ(sdl::virtual_key(SDLK_F13, SDL_SCANCODE_F13, 0), UINT(VK_F13));
  EXPECT_EQ(sdl::virtual_key(SDLK_F12, SDL_SCANCODE_F12, 0), UINT(VK_F12));
  EXPECT_EQ(sdl::virtual_key(SDLK_PAGEUP, SDL_SCANCODE_PAGEUP, 0), UINT(VK_PRIOR));
  EXPECT_EQ(sdl::virtual_key(SDLK_RCTRL, SDL_SCANCODE_RCTRL, 0), UINT(VK_CONTROL));
  EXPECT_EQ(sdl::virtual_key(SDLK_LSHIFT, SDL_SCANCODE_LSHIFT, 0), UINT(VK_SHIFT));
  EXPECT_EQ(sdl::virtual_key(SDLK_RALT, SDL_SCANCODE_RALT, 0), UINT(VK_MENU));
  EXPECT_EQ(sdl::virtual_key(SDLK_AC_BACK, SDL_SCANCODE_AC_BACK, 0), 0u) << "no Win32 key for it";

  // A key without text typed nothing on purpose only where it would type.
  EXPECT_TRUE(sdl::types_characters('A', 0));
  EXPECT_TRUE(sdl::types_characters(VK_OEM_7, KMOD_SHIFT)) << "a dead accent key";
  EXPECT_FALSE(sdl::types_characters('C', KMOD_LCTRL)) << "Ctrl+C types its control character the Win32 way";
  EXPECT_FALSE(sdl::types_characters(VK_RETURN, 0));
  EXPECT_FALSE(sdl::types_characters(VK_F1, 0));

  // AltGr is the right Alt typing what the key does not type by itself.
  EXPECT_TRUE(sdl::altgr_text('q', "@", KMOD_RALT));
  EXPECT_TRUE(sdl::altgr_text('e', "\xE2\x82\xAC", KMOD_RALT)) << "the euro sign";
  EXPECT_FALSE(sdl::altgr_text('q', "q", KMOD_RALT)) << "Alt with the key's own letter is a menu key";
  EXPECT_FALSE(sdl::altgr_text('q', "Q", KMOD_RALT | KMOD_LSHIFT));
  EXPECT_FALSE(sdl::altgr_text('q', "@", KMOD_LALT));
  EXPECT_FALSE(sdl::altgr_text('q', "@", KMOD_RALT | KMOD_LCTRL));
  EXPECT_FALSE(sdl::altgr_text('q', "", KMOD_RALT));
}

TEST(DisplaySdlMap, ButtonsWheelsAndCursors) {
  EXPECT_EQ(sdl::mouse_button(SDL_BUTTON_LEFT), 1);
  EXPECT_EQ(sdl::mouse_button(SDL_BUTTON_RIGHT), 2);
  EXPECT_EQ(sdl::mouse_button(SDL_BUTTON_MIDDLE), 3);
  EXPECT_EQ(sdl::mouse_button(SDL_BUTTON_X1), 0);
  SDL_MouseWheelEvent wheel{};
  wheel.y = 1;
  EXPECT_EQ(sdl::wheel_delta(wheel), WHEEL_DELTA) << "one notch away from the user";
  wheel.direction = SDL_MOUSEWHEEL_FLIPPED;
  EXPECT_EQ(sdl::wheel_delta(wheel), -WHEEL_DELTA) << "natural scrolling turned back";
  wheel.direction = SDL_MOUSEWHEEL_NORMAL;
  wheel.y = 0;
  wheel.preciseY = -0.5f;
  EXPECT_EQ(sdl::wheel_delta(wheel), -WHEEL_DELTA / 2) << "a touchpad's part of a notch";

  EXPECT_EQ(display::cursor_shape(32513), display::CursorShape::IBeam);  // IDC_IBEAM
  EXPECT_EQ(display::cursor_shape(32512), display::CursorShape::Arrow);
  EXPECT_EQ(display::cursor_shape(32640), display::CursorShape::SizeAll) << "IDC_SIZE, the old name";
  EXPECT_EQ(display::cursor_shape(1), display::CursorShape::Arrow);
  EXPECT_EQ(sdl::system_cursor(display::CursorShape::IBeam), SDL_SYSTEM_CURSOR_IBEAM);
  EXPECT_EQ(sdl::system_cursor(display::CursorShape::Hand), SDL_SYSTEM_CURSOR_HAND);
  EXPECT_EQ(sdl::system_cursor(display::CursorShape::Arrow), SDL_SYSTEM_CURSOR_ARROW);
}

// An _XSETTINGS_SETTINGS property in the byte order asked for.
struct SettingsBlob {
  bool msb;
  std::vector<unsigned char> bytes;
  int count = 0;
  explicit SettingsBlob(bool big_endian) : msb(big_endian), bytes(12, 0) { bytes[0] = msb ? 1 : 0; }
  void card16(unsigned v) {
    unsigned char b[2] = {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8)};
    if (msb) std::swap(b[0], b[1]);
    bytes.insert(bytes.end(), b, b + 2);
  }
  void card32(uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<unsigned char>(v >> (8 * (msb ? 3 - i : i))));
  }
  void padded(const std::string& s) {
    bytes.insert(bytes.end(), s.begin(), s.end());
    while (bytes.size() % 4) bytes.push_back(0);
  }
  void head(unsigned char type, const std::string& name) {
    bytes.push_back(type);
    bytes.push_back(0);
    card16(static_cast<unsigned>(name.size()));
    padded(name);
    card32(7);  // serial of the last change
    ++count;
  }
  void integer(const std::string& name, int32_t v) {
    head(0, name);
    card32(static_cast<uint32_t>(v));
  }
  void text(const std::string& name, const std::string& v) {
    head(1, name);
    card32(static_cast<uint32_t>(v.size()));
    padded(v);
  }
  void color(const std::string& name) {
    head(2, name);
    card32(0xFFFF0000u);
    card32(0x0000FFFFu);
  }
  std::vector<unsigned char> done() {
    std::vector<unsigned char> out = bytes;
    SettingsBlob n(msb);
    n.bytes.clear();
    n.card32(static_cast<uint32_t>(count));
    std::copy(n.bytes.begin(), n.bytes.end(), out.begin() + 8);
    return out;
  }
};

TEST(DisplaySdlMap, TheDesktopsScaleAndDotsPerInch) {
  for (bool msb : {false, true}) {
    SettingsBlob b(msb);
    b.text("Net/ThemeName", "Adwaita");
    b.integer("Gdk/WindowScalingFactor", 2);
    b.color("Gtk/Color");
    b.integer("Net/DoubleClickTime", 400);
    std::vector<unsigned char> data = b.done();
    int v = 0;
    EXPECT_TRUE(sdl::xsettings_int(data.data(), data.size(), "Gdk/WindowScalingFactor", &v));
    EXPECT_EQ(v, 2);
    EXPECT_TRUE(sdl::xsettings_int(data.data(), data.size(), "Net/DoubleClickTime", &v));
    EXPECT_EQ(v, 400);
    EXPECT_FALSE(sdl::xsettings_int(data.data(), data.size(), "Net/ThemeName", &v)) << "a string, not an integer";
    EXPECT_FALSE(sdl::xsettings_int(data.data(), data.size(), "Xft/DPI", &v));
    // Cut anywhere, it answers no more than it can read.
    for (size_t cut = 0; cut < data.size(); ++cut) {
      bool found = sdl::xsettings_int(data.data(), cut, "Net/DoubleClickTime", &v);
      EXPECT_FALSE(found) << "cut at " << cut;
    }
  }
  EXPECT_EQ(sdl::resource_dpi("Xft.antialias:\t1\nXft.dpi:\t192\nXft.hinting:\t1\n"), 192);
  EXPECT_EQ(sdl::resource_dpi("Xft.antialias:\t1\n"), 0);
  EXPECT_EQ(sdl::resource_dpi("Xft.dpi:\tlots\n"), 0);
  EXPECT_EQ(sdl::resource_dpi(nullptr), 0);

  EXPECT_EQ(sdl::desktop_scale("2", 1, 96), 2) << "GDK_SCALE decides";
  EXPECT_EQ(sdl::desktop_scale("1", 2, 192), 1);
  EXPECT_EQ(sdl::desktop_scale("x2", 0, 96), 1) << "not a whole number: ignored";
  EXPECT_EQ(sdl::desktop_scale("0", 0, 0), 1);
  EXPECT_EQ(sdl::desktop_scale(nullptr, 3, 96), 3) << "the desktop's window scale";
  EXPECT_EQ(sdl::desktop_scale("", 0, 192), 2) << "else the dots per inch";
  EXPECT_EQ(sdl::desktop_scale(nullptr, 0, 144), 2) << "1.5 rounds up";
  EXPECT_EQ(sdl::desktop_scale(nullptr, 0, 120), 1);
  EXPECT_EQ(sdl::desktop_scale(nullptr, 0, 0), 1);

  EXPECT_EQ(sdl::logical_dpi(192, 2), 96) << "a point keeps the size the desktop asks for";
  EXPECT_EQ(sdl::logical_dpi(120, 1), 120);
  EXPECT_EQ(sdl::logical_dpi(288, 2), 144);
  EXPECT_EQ(sdl::logical_dpi(96, 2), 96) << "a dpi that leaves the scale out is taken as it is";
  EXPECT_EQ(sdl::logical_dpi(0, 1), 96);
  EXPECT_EQ(sdl::logical_dpi(1e9, 1), 96);
}

}  // namespace
#endif
