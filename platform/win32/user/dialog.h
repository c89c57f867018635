// What the stand-in's modal dialogs (msgbox.cpp, filedlg.cpp) share: the
// "#32770" box window, controls in a tab order, the dialog keys (Tab and the
// arrows between controls, Enter for the default or focused button, Esc for
// IDCANCEL, mnemonics), and the modal loop that disables the owner while the
// box is up and enables it again before the box goes.
#pragma once

#include <string>
#include <vector>

#include "platform/win32/api.h"

namespace dialog {

struct Dialog {
  virtual ~Dialog() = default;
  // WM_COMMAND from a control, and IDCANCEL for Esc and the close box.
  virtual void command(WORD id, WORD code, HWND from) = 0;
  // Any other message of the box first; true when handled (result in *result).
  virtual bool message(UINT, WPARAM, LPARAM, LRESULT*) { return false; }

  HWND box = nullptr;
  std::vector<HWND> controls;  // tab order
  WORD default_id = IDOK;      // what Enter presses when the focus is on no push button
  HWND last_focus = nullptr;
  bool done = false;
  int result = 0;  // also the answer when the loop ends without end() (WM_QUIT, the box destroyed)

  void end(int answer) {
    result = answer;
    done = true;
  }
};

// The hidden box: a captioned popup owned by owner's top-level window (may be null), of the client
// size, centred over that window (or the screen). Null when it cannot be made.
HWND make_box(Dialog* d, LPCWSTR title, int width, int height, HWND owner, bool topmost);
// Gives the box a new client size, centred again.
void resize_box(Dialog* d, int width, int height, HWND owner);
// A child control with the dialog font; WS_TABSTOP ones join the tab order.
HWND add_control(Dialog* d, LPCWSTR cls, LPCWSTR text, DWORD style, int x, int y, int width, int height, int id,
                 DWORD ex_style = 0);
HFONT font();
// Text extent in the dialog font: DrawTextW with DT_CALCRECT and the format, within width.
SIZE measure(HWND window, const std::u16string& text, int width, UINT format);

// Shows the box and runs its loop until end() or the box is gone, with focus on first; the owner's
// top-level window (or, task_modal, every enabled top-level window of the thread) is disabled
// meanwhile. A WM_QUIT ends the loop and is posted again. Destroys the box; answers d->result.
int run(Dialog* d, HWND owner, HWND first, bool task_modal);

}  // namespace dialog
