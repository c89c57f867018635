// The registry of live handles and CloseHandle.
#include "platform/win32/kernel/handles.h"

#include <cassert>
#include <mutex>
#include <unordered_set>

#include "platform/win32/api.h"

namespace {

struct Registry {
  std::mutex lock;
  std::unordered_set<HandleHeader*> live;
  HandleCloseFn close[HANDLE_KIND_LIMIT] = {};
};

Registry& registry() {
  static Registry* r = new Registry;  // never destroyed: handles may be closed by static destructors
  return *r;
}

}  // namespace

HANDLE handle_open(HandleHeader* record, uint32_t kind, HandleCloseFn close) {
  assert(record && kind > 0 && kind < HANDLE_KIND_LIMIT && close);
  Registry& r = registry();
  record->magic = HANDLE_MAGIC;
  record->kind = kind;
  std::lock_guard<std::mutex> hold(r.lock);
  r.close[kind] = close;
  r.live.insert(record);
  return static_cast<HANDLE>(record);
}

HandleHeader* handle_get(HANDLE handle, uint32_t kind) {
  auto* record = static_cast<HandleHeader*>(handle);
  Registry& r = registry();
  std::lock_guard<std::mutex> hold(r.lock);
  if (!r.live.count(record)) return nullptr;
  assert(record->magic == HANDLE_MAGIC);
  return record->kind == kind ? record : nullptr;
}

BOOL CloseHandle(HANDLE object) {
  auto* record = static_cast<HandleHeader*>(object);
  Registry& r = registry();
  HandleCloseFn close;
  {
    std::lock_guard<std::mutex> hold(r.lock);
    if (!r.live.erase(record)) {
      SetLastError(ERROR_INVALID_HANDLE);
      return FALSE;
    }
    assert(record->magic == HANDLE_MAGIC);
    record->magic = 0;
    close = r.close[record->kind];
  }
  DWORD error = close(record);
  if (error) {
    SetLastError(error);
    return FALSE;
  }
  return TRUE;
}
