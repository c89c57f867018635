// The message box requester: the platform's box, owned by the program's
// foreground window, with the program's other windows switched off meanwhile.
#include "desktop/req.h"

namespace {
ReqMessageRoutine g_routine = nullptr;
}  // namespace

void req_set_message_routine(ReqMessageRoutine routine) { g_routine = routine; }

int64_t req_message(const WCHAR* caption, const WCHAR* text, uint32_t flags) {
  if (g_routine) return g_routine(caption ? caption : TEXT(""), text ? text : TEXT(""), flags);
  req_modal_begin();
  // A null caption would get the platform's own ("Error"): null texts read as empty here.
  int result = MessageBoxW(req_owner_window(), text ? text : TEXT(""), caption ? caption : TEXT(""), flags);
  req_modal_end();
  return result;
}

int64_t req_message_ok(const WCHAR* caption, const WCHAR* text) { return req_message(caption, text, MB_OK); }
