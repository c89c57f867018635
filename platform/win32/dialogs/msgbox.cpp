// MessageBoxW of the stand-in: a modal box with an optional standard icon,
// the text wrapped at words to a readable width, and a row of push buttons
// whose control identifiers are the answers, as in Win32. Esc answers
// IDCANCEL when there is a Cancel button and IDOK in a box with OK alone, and
// does nothing otherwise; the close box behaves as Esc.
#include <algorithm>
#include <string>
#include <vector>

#include "platform/win32/user/dialog.h"

namespace {

constexpr int kMargin = 14, kGap = 10, kButtonW = 80, kButtonH = 26, kButtonGap = 8, kIcon = 32;
constexpr int kTextWidth = 420;  // wrapping width of the text: about seventy average characters
constexpr UINT kTextFormat = DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX;

struct Button {
  WORD id;
  const WCHAR* text;
};

// The buttons of each MB_ type, in order; false for a type Win32 does not know.
bool buttons_of(UINT type, std::vector<Button>* out) {
  static const Button ok{IDOK, TEXT("OK")}, cancel{IDCANCEL, TEXT("Cancel")}, abort{IDABORT, TEXT("&Abort")},
      retry{IDRETRY, TEXT("&Retry")}, ignore{IDIGNORE, TEXT("&Ignore")}, yes{IDYES, TEXT("&Yes")},
      no{IDNO, TEXT("&No")}, again{IDTRYAGAIN, TEXT("&Try Again")}, go_on{IDCONTINUE, TEXT("&Continue")};
  switch (type & MB_TYPEMASK) {
    case MB_OK: *out = {ok}; return true;
    case MB_OKCANCEL: *out = {ok, cancel}; return true;
    case MB_ABORTRETRYIGNORE: *out = {abort, retry, ignore}; return true;
    case MB_YESNOCANCEL: *out = {yes, no, cancel}; return true;
    case MB_YESNO: *out = {yes, no}; return true;
    case MB_RETRYCANCEL: *out = {retry, cancel}; return true;
    case MB_CANCELTRYCONTINUE: *out = {cancel, again, go_on}; return true;
    default: return false;
  }
}

LPCWSTR icon_of(UINT type) {
  switch (type & MB_ICONMASK) {
    case MB_ICONHAND: return IDI_HAND;
    case MB_ICONQUESTION: return IDI_QUESTION;
    case MB_ICONEXCLAMATION: return IDI_EXCLAMATION;
    case MB_ICONASTERISK: return IDI_ASTERISK;
    default: return nullptr;
  }
}

struct MessageBox : dialog::Dialog {
  std::vector<Button> buttons;
  int escape = 0;  // what Esc answers; 0: Esc does nothing

  void command(WORD id, WORD code, HWND) override {
    if (code != BN_CLICKED) return;
    for (const Button& b : buttons)
      if (b.id == id) return end(id);
    if (id == IDCANCEL && escape) end(escape);
  }
};

}  // namespace

int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
  if (owner && !IsWindow(owner)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  MessageBox box;
  if (!buttons_of(type, &box.buttons)) {
    SetLastError(ERROR_INVALID_MSGBOX_STYLE);
    return 0;
  }
  for (const Button& b : box.buttons)
    if (b.id == IDCANCEL) box.escape = IDCANCEL;
  if (box.buttons.size() == 1) box.escape = IDOK;
  box.result = box.escape;  // a box ended by WM_QUIT answers as Esc would
  size_t def = (type & MB_DEFMASK) >> 8;
  if (def >= box.buttons.size()) def = 0;
  box.default_id = box.buttons[def].id;

  HWND top = owner ? GetAncestor(owner, GA_ROOT) : nullptr;
  bool topmost = (type & (MB_TOPMOST | MB_SYSTEMMODAL)) || (top && (GetWindowLongW(top, GWL_EXSTYLE) & WS_EX_TOPMOST));
  if (!dialog::make_box(&box, caption ? caption : TEXT("Error"), 100, 100, owner, topmost)) return 0;

  // Layout: the text wraps at the reading width, a word too long for it widens the box up to the screen.
  std::u16string message = text ? text : u"";
  int screen_w = GetSystemMetrics(SM_CXSCREEN), screen_h = GetSystemMetrics(SM_CYSCREEN);
  SIZE t = dialog::measure(box.box, message, kTextWidth, kTextFormat);
  if (t.cx > kTextWidth) t = dialog::measure(box.box, message, std::min<int>(t.cx, screen_w - 120), kTextFormat);
  t.cx = std::min<int>(t.cx + 2, screen_w - 120);
  t.cy = std::min<int>(t.cy, screen_h - 160);
  LPCWSTR icon_id = icon_of(type);
  int icon_w = icon_id ? kIcon + kGap : 0;
  int row = static_cast<int>(box.buttons.size()) * (kButtonW + kButtonGap) - kButtonGap;
  SIZE title = dialog::measure(box.box, caption ? caption : u"Error", 10000, DT_SINGLELINE | DT_NOPREFIX);
  int width = std::max({kMargin + icon_w + t.cx + kMargin, kMargin + row + kMargin, title.cx + 60, 160});
  int content = std::max<int>(t.cy, icon_id ? kIcon : 0);
  int height = kMargin + content + kGap + 6 + kButtonH + kMargin - 2;
  dialog::resize_box(&box, width, height, owner);

  if (icon_id) {
    HWND icon = dialog::add_control(&box, WC_STATICW, nullptr, SS_ICON, kMargin, kMargin, kIcon, kIcon, 20);
    SendMessageW(icon, STM_SETICON, reinterpret_cast<WPARAM>(LoadIconW(nullptr, icon_id)), 0);
  }
  int text_y = kMargin + (content - t.cy) / 2;
  dialog::add_control(&box, WC_STATICW, message.c_str(), SS_LEFT | SS_NOPREFIX, kMargin + icon_w, text_y, t.cx, t.cy,
                      0xFFFF);
  int x = (width - row) / 2, y = height - kMargin + 2 - kButtonH;
  HWND first = nullptr;
  for (size_t i = 0; i < box.buttons.size(); ++i) {
    const Button& b = box.buttons[i];
    HWND button = dialog::add_control(&box, WC_BUTTONW, b.text, WS_TABSTOP | (i == def ? BS_DEFPUSHBUTTON : 0), x, y,
                                      kButtonW, kButtonH, b.id);
    if (i == def) first = button;
    x += kButtonW + kButtonGap;
  }
  // A box without a way out by Esc offers no close box either, as in Win32.
  if (!box.escape) SetWindowLongW(box.box, GWL_STYLE, GetWindowLongW(box.box, GWL_STYLE) & ~LONG{WS_SYSMENU});
  return dialog::run(&box, owner, first, (type & MB_TASKMODAL) && !owner);
}
