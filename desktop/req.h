// Requesters: the modal message box and the open and save file dialogs. The
// library picks the owner window, and while a requester is up it switches off
// the program's other visible top-level windows of the calling thread and
// takes them out of the always-on-top layer, then puts everything back.
#pragma once

#include <cstdint>

#include "platform/win32.h"

// A window the requester of its thread changed, or looked at, while it is up.
struct ModalWindowRecord {
  ModalWindowRecord* older;
  ModalWindowRecord* newer;
  DWORD thread;
  HWND window;
  uint8_t was_topmost;              // it had WS_EX_TOPMOST
  uint8_t disabled_here;            // it was enabled and the requester disabled it
  int32_t depth;                    // which of the thread's nested requesters made the record (1 = outermost)
  ModalWindowRecord* next_of_scan;  // the records one req_modal_begin made, for its second step
};

// Flags of req_open_file_ex.
constexpr uint32_t REQ_MULTIPLE = 1;  // allow choosing several files

// The file name space of a single selection and of a multiple one, in UTF-16 units.
constexpr int32_t REQ_SINGLE_UNITS = 260;
constexpr int32_t REQ_MULTI_UNITS = 512000;
// Room for a path handed out: at most 259 units and the terminator.
constexpr int32_t REQ_PATH_UNITS = 260;

// At start-up, before any window exists: the common controls and the component library.
void req_init();
// Gives back the file dialogs' buffers; a multiple selection not yet handed out is dropped.
void req_end();

// The foreground window when it belongs to this process, else null.
HWND req_owner_window();
// Around every requester, in pairs; pairs may nest (a requester opened while another is up).
void req_modal_begin();
void req_modal_end();

// The button pressed, as the platform reports it (1 OK, 6 Yes, 7 No, 0 when no box could be shown).
// flags: the platform's message box type (MB_OK, MB_YESNO, ...). Null texts read as empty.
int64_t req_message(const WCHAR* caption, const WCHAR* text, uint32_t flags);
int64_t req_message_ok(const WCHAR* caption, const WCHAR* text);
// Where message boxes go instead of the screen: a program run as a command
// with no one to press a button tells its messages on standard error. The
// routine answers as the box would; null puts the platform's box back.
typedef int64_t (*ReqMessageRoutine)(const WCHAR* caption, const WCHAR* text, uint32_t flags);
void req_set_message_routine(ReqMessageRoutine routine);

// The file dialogs. pattern: pairs "description|wildcards|..."; pattern_index: 0-based, the pair
// shown first. default_file: a path whose directory the dialog opens in and whose name it proposes
// (a name that is not a valid file name is dropped). The chosen path, or "" when cancelled, is
// written on the temporary string stack at offset; the answer is base + offset.
WCHAR* req_open_file(const WCHAR* title, const WCHAR* default_file, const WCHAR* pattern, int32_t pattern_index,
                     int32_t offset);
// With REQ_MULTIPLE the first chosen path; req_next_file hands out the others.
WCHAR* req_open_file_ex(const WCHAR* title, const WCHAR* default_file, const WCHAR* pattern, int32_t pattern_index,
                        uint32_t flags, int32_t offset);
WCHAR* req_save_file(const WCHAR* title, const WCHAR* default_file, const WCHAR* pattern, int32_t pattern_index,
                     int32_t offset);
// The next path of the last multiple selection, or "" when none is left.
WCHAR* req_next_file(int32_t offset);

// Shared by the requester's files: frees the file dialogs' buffers (req_end).
void req_file_buffers_free();

// The platform's dialog call (mode 0 open, 1 save); tests may put their own in its place to look
// at the dialog record the library fills and to answer it. Null puts the platform's back.
typedef BOOL (*ReqFileDialogRoutine)(OPENFILENAMEW* dialog, int mode);
void req_set_file_dialog_routine(ReqFileDialogRoutine routine);
