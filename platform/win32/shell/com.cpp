// The component library's per-thread start and end, and drag and drop's
// revocation. Nothing in the stand-in needs COM objects, so starting it only counts.
#include "platform/win32/api.h"

namespace {

thread_local int com_starts = 0;

}  // namespace

HRESULT CoInitialize(LPVOID /*reserved*/) { return com_starts++ == 0 ? S_OK : S_FALSE; }

void CoUninitialize() {
  if (com_starts > 0) --com_starts;
}

HRESULT RevokeDragDrop(HWND /*window*/) { return DRAGDROP_E_NOTREGISTERED; }
