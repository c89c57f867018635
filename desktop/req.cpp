// The requesters' start and end, the owner window, and the modal window list:
// while a requester is up the program's other windows of its thread are
// switched off and out of the always-on-top layer, and put back afterwards.
#include "desktop/req.h"

#include "runtime/mem.h"

namespace {

// Tab, hot-key, date, extended combo box and IP-address classes.
constexpr DWORD kReqControlClasses = 0x0B48;
static_assert(kReqControlClasses ==
                  (ICC_TAB_CLASSES | ICC_HOTKEY_CLASS | ICC_DATE_CLASSES | ICC_USEREX_CLASSES | ICC_INTERNET_CLASSES),
              "the common control classes the requesters start");

// No move, no size, and no activation: taking a window out of the topmost layer must not
// bring it to the front, which would change the requester's owner.
constexpr UINT kLayerOnly = SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE;

struct ModalList {
  MemOnceFlag once;
  CRITICAL_SECTION lock;  // guards the links of the list; taken alone, never across a platform call
  ModalWindowRecord* newest;
};

ModalList modal;
bool com_started;

// Which of its nested requesters the thread is in (0: none).
thread_local int32_t modal_depth = 0;

void make_lock() { InitializeCriticalSection(&modal.lock); }

void lock() {
  mem_run_once(&modal.once, make_lock);
  EnterCriticalSection(&modal.lock);
}

void unlock() { LeaveCriticalSection(&modal.lock); }

void link_in_front(ModalWindowRecord* record) {
  lock();
  record->older = modal.newest;
  record->newer = nullptr;
  if (modal.newest) modal.newest->newer = record;
  modal.newest = record;
  unlock();
}

void unlink(ModalWindowRecord* record) {
  if (record->newer) record->newer->older = record->older;
  else modal.newest = record->older;
  if (record->older) record->older->newer = record->newer;
}

struct ModalScan {
  DWORD thread;
  int32_t depth;
  HWND foreground;
  ModalWindowRecord* records;  // made by this scan, newest first, through next_of_scan
};

BOOL CALLBACK note_window(HWND window, LPARAM param) {
  auto* scan = reinterpret_cast<ModalScan*>(param);
  if (GetWindowThreadProcessId(window, nullptr) != scan->thread || !IsWindowVisible(window)) return TRUE;
  auto* record = static_cast<ModalWindowRecord*>(mem_alloc_zero(sizeof(ModalWindowRecord)));
  // Without a record the window could not be put back: leave it as it is.
  if (!record) return TRUE;
  record->thread = scan->thread;
  record->window = window;
  record->depth = scan->depth;
  record->was_topmost = (GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) ? 1 : 0;
  if (window != scan->foreground && IsWindowEnabled(window)) {
    record->disabled_here = 1;
    EnableWindow(window, FALSE);
  }
  record->next_of_scan = scan->records;
  scan->records = record;
  link_in_front(record);
  return TRUE;
}

}  // namespace

void req_init() {
  INITCOMMONCONTROLSEX controls = {sizeof(INITCOMMONCONTROLSEX), kReqControlClasses};
  InitCommonControlsEx(&controls);
  if (!com_started) com_started = SUCCEEDED(CoInitialize(nullptr));
}

void req_end() {
  req_file_buffers_free();
  if (com_started) CoUninitialize();
  com_started = false;
}

HWND req_owner_window() {
  HWND foreground = GetForegroundWindow();
  if (!foreground) return nullptr;
  DWORD process = 0;
  GetWindowThreadProcessId(foreground, &process);
  return process == GetCurrentProcessId() ? foreground : nullptr;
}

void req_modal_begin() {
  ModalScan scan = {GetCurrentThreadId(), ++modal_depth, GetForegroundWindow(), nullptr};
  EnumWindows(note_window, reinterpret_cast<LPARAM>(&scan));
  // Only this thread's end at this depth frees these records, so they stay valid here. They come
  // lowest window first: each goes to the top of the ordinary layer, so the windows keep their order.
  for (ModalWindowRecord* record = scan.records; record; record = record->next_of_scan) {
    if (record->was_topmost) SetWindowPos(record->window, HWND_NOTOPMOST, 0, 0, 0, 0, kLayerOnly);
  }
}

void req_modal_end() {
  if (modal_depth <= 0) return;  // an end without its begin has nothing to put back
  DWORD thread = GetCurrentThreadId();
  int32_t depth = modal_depth--;
  // Take this requester's records out under the lock, then put their windows back without it:
  // enabling a window sends it messages, and its procedure may open a requester of its own.
  // They stay newest first, the lowest window first, so that putting each back at the top of
  // its layer keeps the windows' order.
  ModalWindowRecord* taken = nullptr;
  ModalWindowRecord** tail = &taken;
  lock();
  for (ModalWindowRecord* record = modal.newest; record;) {
    ModalWindowRecord* older = record->older;
    if (record->thread == thread && record->depth == depth) {
      unlink(record);
      record->next_of_scan = nullptr;
      *tail = record;
      tail = &record->next_of_scan;
    }
    record = older;
  }
  unlock();
  while (taken) {
    ModalWindowRecord* record = taken;
    taken = record->next_of_scan;
    if (IsWindow(record->window)) {
      if (record->disabled_here) EnableWindow(record->window, TRUE);
      if (record->was_topmost) SetWindowPos(record->window, HWND_TOPMOST, 0, 0, 0, 0, kLayerOnly);
    }
    mem_free(record);
  }
}
