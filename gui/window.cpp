// Window objects: opening with a class of their own, sizing from the client
// area, centring, showing, the two focus shortcuts, background colours, freeing.
#include "gui/window.h"

#include "gui/event.h"
#include "gui/gadget.h"
#include "gui/window_internal.h"
#include "runtime/mem.h"
#include "runtime/obj.h"
#include "runtime/text.h"

namespace {

ObjectTable* window_table = nullptr;
WindowMessageParams* message_params = nullptr;
HICON program_icon = nullptr;
HCURSOR arrow_cursor = nullptr;

// Bits with a meaning of the library's own, never handed to the platform as styles.
constexpr uint32_t kLibraryBits = WIN_CENTER_ON_SCREEN | WIN_CENTER_ON_PARENT | WIN_TOOL_WINDOW | WIN_NO_GADGETS |
                                  WIN_NO_ACTIVATE | WIN_HIDDEN;
constexpr uint32_t kCentring = WIN_CENTER_ON_SCREEN | WIN_CENTER_ON_PARENT;
constexpr uint32_t kToolClears = WS_MINIMIZE | WS_MAXIMIZE | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;

HINSTANCE instance() { return GetModuleHandleW(nullptr); }

void class_name_of(int64_t number, WCHAR* name) { text_format(name, TEXT("WindowClass_%I64d"), number); }

bool register_window_class(const WCHAR* name) {
  WNDCLASSW window_class{};
  window_class.style = CS_DBLCLKS;
  window_class.lpfnWndProc = win_procedure;
  window_class.hInstance = instance();
  window_class.hIcon = program_icon;
  window_class.hCursor = arrow_cursor;
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
  window_class.lpszClassName = name;
  return RegisterClassW(&window_class) != 0;
}

struct WindowStyle {
  DWORD style;
  DWORD ex_style;
};

WindowStyle style_of(uint32_t flags) {
  WindowStyle result{flags & ~WIN_NO_GADGETS, 0};
  if ((result.style & ~(WIN_HIDDEN | WIN_CENTER_ON_SCREEN | WIN_CENTER_ON_PARENT)) == 0) result.style |= WS_CAPTION;
  if (result.style & WIN_TOOL_WINDOW) {
    result.ex_style |= WS_EX_TOOLWINDOW;
    result.style = (result.style & ~kToolClears) | WS_CAPTION;
  }
  return result;
}

// Moves the window to the middle of the screen, or of its reference window.
void centre(HWND window, HWND parent, uint32_t flags) {
  RECT bounds;
  GetWindowRect(window, &bounds);
  int width = bounds.right - bounds.left;
  int height = bounds.bottom - bounds.top;
  HWND reference = parent ? parent : GetActiveWindow();
  int x = 0, y = 0;
  if ((flags & WIN_CENTER_ON_SCREEN) || !reference || reference == window) {
    const int screen_width = GetSystemMetrics(SM_CXSCREEN);
    const int screen_height = GetSystemMetrics(SM_CYSCREEN);
    if (width > screen_width) width = screen_width;
    if (height > screen_height) height = screen_height;
    x = (screen_width - width) / 2;
    y = (screen_height - height) / 2;
  } else {
    RECT around;
    GetWindowRect(reference, &around);
    x = around.left + (around.right - around.left - width) / 2;
    y = around.top + (around.bottom - around.top - height) / 2;
    if (x < 0) x = 0;
    if (y < 0) y = 0;
  }
  SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

int show_command(DWORD style, uint32_t flags) {
  const bool quiet = flags & WIN_NO_ACTIVATE;
  if (style & WS_MAXIMIZE) return quiet ? SW_SHOWNA : SW_SHOWMAXIMIZED;
  if (style & WS_MINIMIZE) return quiet ? SW_SHOWMINNOACTIVE : SW_SHOWMINIMIZED;
  return quiet ? SW_SHOWNOACTIVATE : SW_SHOWNORMAL;
}

// The release routine of the window table: every way a window ends comes here.
void window_release(int64_t number) {
  auto* object = static_cast<WindowObject*>(obj_get(window_table, number));
  if (!object) {
    obj_release(window_table, number);
    return;
  }
  HWND window = object->handle;
  HWND owner = GetWindow(window, GW_OWNER);
  if (owner && !object->mdi_client) SetActiveWindow(owner);
  RemovePropW(window, TEXT("KT_WindowID"));
  if (RemovePropW(window, TEXT("KT_DropAccept"))) RevokeDragDrop(window);
  if (object->mdi_client) {
    SendMessageW(object->mdi_client, WM_MDIDESTROY, reinterpret_cast<WPARAM>(window), 0);
  } else {
    DestroyWindow(window);
    WCHAR name[WINDOW_CLASS_NAME_SIZE];
    class_name_of(number, name);
    UnregisterClassW(name, instance());
  }
  win_free_accelerators(object);
  if (object->background_brush) DeleteObject(object->background_brush);
  event_remove_window(number);
  event_unbind_window(number);
  obj_release(window_table, number);
}

}  // namespace

void win_init() {
  window_table = obj_table_new(sizeof(WindowObject), 16, window_release);
  mem_free(message_params);
  message_params = static_cast<WindowMessageParams*>(mem_alloc_zero(sizeof(WindowMessageParams)));
  program_icon = LoadIconW(instance(), MAKEINTRESOURCEW(1));
  arrow_cursor = LoadCursorW(nullptr, IDC_ARROW);
  win_procedure_init();
}

void win_end() {
  if (window_table) obj_release_all(window_table);
  window_table = nullptr;
  mem_free(message_params);
  message_params = nullptr;
}

WindowMessageParams* win_message_params() { return message_params; }

WindowObject* win_object(int64_t number) {
  return window_table ? static_cast<WindowObject*>(obj_get(window_table, number)) : nullptr;
}

HWND win_handle(int64_t number) {
  WindowObject* object = win_object(number);
  return object ? object->handle : nullptr;
}

int64_t win_number(HWND window) {
  // Up the parent chain only: an owned top-level window is not part of its owner.
  for (HWND w = window; w; w = GetParent(w)) {
    const auto property = reinterpret_cast<intptr_t>(GetPropW(w, TEXT("KT_WindowID")));
    if (property != 0) return property - 1;
    if (!(GetWindowLongW(w, GWL_STYLE) & WS_CHILD)) break;
  }
  return -1;
}

int64_t win_open(int64_t number, int x, int y, int width, int height, const WCHAR* title, uint32_t flags) {
  return win_open_child(number, x, y, width, height, title, flags, nullptr);
}

int64_t win_open_child(int64_t number, int x, int y, int width, int height, const WCHAR* title, uint32_t flags,
                       HWND parent) {
  if (!window_table) return 0;
  auto* object = static_cast<WindowObject*>(obj_new(window_table, number));
  if (!object) return 0;
  const int64_t id = number == -1 ? reinterpret_cast<intptr_t>(object) : number;
  WCHAR name[WINDOW_CLASS_NAME_SIZE];
  class_name_of(id, name);
  register_window_class(name);

  const WindowStyle style = style_of(flags);
  RECT outer{0, 0, width, height};
  AdjustWindowRectEx(&outer, style.style & ~7u, FALSE, style.ex_style);
  if (x == WIN_DEFAULT_POSITION || (y == WIN_DEFAULT_POSITION && !(flags & kCentring))) {
    x = CW_USEDEFAULT;
    y = CW_USEDEFAULT;
  }
  HWND window = CreateWindowExW(style.ex_style, name, title ? title : TEXT(""), style.style & ~kLibraryBits, x, y,
                                outer.right - outer.left, outer.bottom - outer.top, parent, nullptr, instance(),
                                nullptr);
  if (!window) {
    UnregisterClassW(name, instance());
    obj_release(window_table, id);
    return 0;
  }
  object->handle = window;
  if (flags & kCentring) centre(window, parent, flags);
  if (!(flags & WIN_HIDDEN)) ShowWindow(window, show_command(style.style, flags));

  win_make_accelerators(object);
  object->min_max_state = (style.style & (WS_MINIMIZE | WS_MAXIMIZE)) ? 1 : 0;
  object->background_color = -1;
  object->mdi_client = nullptr;
  if (!(flags & WIN_NO_GADGETS)) gadget_prepare_window(window, id);
  SetPropW(window, TEXT("KT_WindowID"), reinterpret_cast<HANDLE>(static_cast<intptr_t>(id + 1)));
  return number == -1 ? id : reinterpret_cast<intptr_t>(window);
}

void win_free(int64_t number) {
  if (win_object(number)) window_release(number);
}

void win_set_background(int64_t number, int32_t color) {
  WindowObject* object = win_object(number);
  if (!object || object->background_color == color) return;
  if (object->background_brush) DeleteObject(object->background_brush);
  object->background_brush = color == -1 ? nullptr : CreateSolidBrush(static_cast<COLORREF>(color));
  object->background_color = color;
  RedrawWindow(object->handle, nullptr, nullptr, RDW_INVALIDATE | RDW_INTERNALPAINT | RDW_ERASE);
}

int32_t win_make_color(int red, int green, int blue) { return red + green * 256 + blue * 65536; }
