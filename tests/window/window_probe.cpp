// A small program of Win32 windows for the window tests: it puts a window
// with a coloured block, a line of text, a button with a tip and an edit field on the
// desktop's display, tells on standard output what reaches it, and takes
// commands on standard input (read by a second thread, which posts them to
// the window as a program's worker would).
//   out: "ready", "clicked", "text <edit text>", "close", "answer <id>", "menu <id chosen, 0 for none>",
//        "client <x> <y> <width> <height>", "dpi <LOGPIXELSY>", "pong"
//   in:  "msgbox", "geometry", "dpi", "ping", "quit"
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

#include "platform/win32.h"

namespace {

constexpr int kClientWidth = 400, kClientHeight = 300;
constexpr UINT kCommand = WM_APP + 1;  // lParam: a std::string* the window frees
constexpr int kButton = 1, kEdit = 2;
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;  // fixed size, as the program's

HWND main_window = nullptr, edit = nullptr;
HFONT big_font = nullptr;

void say(const std::string& line) {
  std::printf("%s\n", line.c_str());
  std::fflush(stdout);
}

std::string utf8(const WCHAR* text, int length) {
  int bytes = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(bytes), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, length, out.data(), bytes, nullptr, nullptr);
  return out;
}

void paint(HWND window) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(window, &ps);
  RECT block{20, 20, 70, 50};
  HBRUSH red = CreateSolidBrush(RGB(200, 0, 0));
  FillRect(dc, &block, red);
  DeleteObject(red);
  HGDIOBJ old = SelectObject(dc, big_font);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(0, 0, 0));
  RECT line{100, 16, 390, 60};
  DrawTextW(dc, TEXT("Webrolo sharp text"), -1, &line, DT_SINGLELINE | DT_LEFT | DT_TOP);
  SelectObject(dc, old);
  EndPaint(window, &ps);
}

void command(HWND window, const std::string& what) {
  if (what == "msgbox") {
    int answer = MessageBoxW(window, TEXT("Go on?"), TEXT("Probe question"), MB_OKCANCEL);
    say("answer " + std::to_string(answer));
  } else if (what == "geometry") {
    POINT origin{0, 0};
    ClientToScreen(window, &origin);
    RECT client;
    GetClientRect(window, &client);
    say("client " + std::to_string(origin.x) + " " + std::to_string(origin.y) + " " + std::to_string(client.right) +
        " " + std::to_string(client.bottom));
  } else if (what == "dpi") {
    HDC dc = GetDC(window);
    say("dpi " + std::to_string(GetDeviceCaps(dc, LOGPIXELSY)));
    ReleaseDC(window, dc);
  } else if (what == "ping") {
    say("pong");
  } else if (what == "quit") {
    DestroyWindow(window);
  }
}

LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE: {
      HWND button = CreateWindowExW(0, TEXT("BUTTON"), TEXT("Press"), WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 20, 80,
                                    100, 30, window, reinterpret_cast<HMENU>(kButton), nullptr, nullptr);
      edit = CreateWindowExW(WS_EX_CLIENTEDGE, TEXT("EDIT"), TEXT(""), WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL, 20, 130,
                             250, 24, window, reinterpret_cast<HMENU>(kEdit), nullptr, nullptr);
      for (HWND c : {button, edit})
        SendMessageW(c, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), 0);
      // The button's tip, as the program gives its buttons.
      HWND tip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                                 CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window, nullptr, nullptr, nullptr);
      TTTOOLINFOW ti{};
      ti.cbSize = sizeof ti;
      ti.uFlags = TTF_SUBCLASS | TTF_IDISHWND;
      ti.hwnd = window;
      ti.uId = reinterpret_cast<UINT_PTR>(button);
      ti.lpszText = const_cast<LPWSTR>(TEXT("Press it"));
      SendMessageW(tip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
      return 0;
    }
    case WM_PAINT: paint(window); return 0;
    case WM_CONTEXTMENU: {
      // A right click opens a small menu at the pointer.
      HMENU menu = CreatePopupMenu();
      AppendMenuW(menu, MF_STRING, 1, TEXT("First"));
      AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
      AppendMenuW(menu, MF_STRING, 2, TEXT("Second"));
      const BOOL chosen = TrackPopupMenuEx(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, static_cast<SHORT>(LOWORD(lParam)),
                                           static_cast<SHORT>(HIWORD(lParam)), window, nullptr);
      DestroyMenu(menu);
      say("menu " + std::to_string(chosen));
      return 0;
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == kButton && HIWORD(wParam) == BN_CLICKED) say("clicked");
      if (LOWORD(wParam) == kEdit && HIWORD(wParam) == EN_CHANGE) {
        WCHAR text[256];
        int n = GetWindowTextW(edit, text, 256);
        say("text " + utf8(text, n));
      }
      return 0;
    case kCommand: {
      auto* what = reinterpret_cast<std::string*>(lParam);
      std::string copy = *what;
      delete what;
      command(window, copy);
      return 0;
    }
    case WM_CLOSE:
      say("close");
      DestroyWindow(window);
      return 0;
    case WM_DESTROY: PostQuitMessage(0); return 0;
    default: return DefWindowProcW(window, message, wParam, lParam);
  }
}

// Standard input, line by line, posted to the window; its end ends the probe.
void read_commands() {
  char line[256];
  while (std::fgets(line, sizeof line, stdin)) {
    line[std::strcspn(line, "\r\n")] = '\0';
    PostMessageW(main_window, kCommand, 0, reinterpret_cast<LPARAM>(new std::string(line)));
  }
  PostMessageW(main_window, kCommand, 0, reinterpret_cast<LPARAM>(new std::string("quit")));
}

}  // namespace

int main() {
  if (!platform_open_display()) {
    std::fprintf(stderr, "window_probe: no display\n");
    return 1;
  }
  WNDCLASSW wc{};
  wc.lpfnWndProc = procedure;
  wc.hbrBackground = GetSysColorBrush(COLOR_WINDOW);
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = TEXT("WebroloProbe");
  RegisterClassW(&wc);
  big_font = CreateFontW(-24, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0, 0, 0, 0,
                         TEXT("DejaVu Sans"));
  RECT outer{0, 0, kClientWidth, kClientHeight};
  AdjustWindowRectEx(&outer, kStyle, FALSE, 0);
  main_window = CreateWindowExW(0, TEXT("WebroloProbe"), TEXT("Webrolo probe"), kStyle, 100, 100,
                                outer.right - outer.left, outer.bottom - outer.top, nullptr, nullptr, nullptr, nullptr);
  if (!main_window) return 2;
  ShowWindow(main_window, SW_SHOW);
  UpdateWindow(main_window);
  MSG msg;
  PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);  // idle once: the first picture goes to the screen
  say("ready");
  std::thread reader(read_commands);
  reader.detach();  // it may sit in a read when the window is gone
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  DeleteObject(big_font);
  return 0;
}
