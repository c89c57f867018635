// The message box requester: the platform's box, owned by the program's
// foreground window, with the program's other windows switched off meanwhile.
#include "desktop/req.h"

int64_t req_message(const WCHAR* caption, const WCHAR* text, uint32_t flags) {
  req_modal_begin();
  // A null caption would get the platform's own ("Error"): null texts read as empty here.
  int result = MessageBoxW(req_owner_window(), text ? text : TEXT(""), caption ? caption : TEXT(""), flags);
  req_modal_end();
  return result;
}

int64_t req_message_ok(const WCHAR* caption, const WCHAR* text) { return req_message(caption, text, MB_OK); }
