// Start-up, the event loop with its dispatch table, and shutdown.
#include "app/journal.h"
#include "app/link_changes.h"
#include "app/state.h"
#include "app/text_helpers.h"
#include "desktop/proc.h"
#include "desktop/req.h"
#include "gui/event.h"
#include "gui/font.h"
#include "gui/gadget.h"
#include "gui/window.h"
#include "runtime/file.h"
#include "runtime/mem.h"

namespace {

// The fields only record that they were acted on; a search restarts after any of them.
void MenuNameTxt_Event() { text_assign(&LastAction, TEXT("MenuNameTxt")); }
void LinkTitleTxt_Event() { text_assign(&LastAction, TEXT("LinkTitleTxt")); }
void LinkAddressTxt_Event() { text_assign(&LastAction, TEXT("LinkAddressTxt")); }
void FindLinkTxt_Event() { text_assign(&LastAction, TEXT("FindLinkTxt")); }

// A click or selection change, then (reading the type again) a double click; a request for the context menu.
void ListViewLinks_Event() {
  if (event_subtype() == GADGET_TYPE_LEFT_CLICK) {
    ListEventType = GADGET_TYPE_LEFT_CLICK;
    ListViewLinks_Clicked();
  }
  if (event_subtype() == GADGET_TYPE_DOUBLE_CLICK) {
    ListEventType = GADGET_TYPE_DOUBLE_CLICK;
    ListViewLinks_Clicked();
  }
  if (event_subtype() == GADGET_TYPE_RIGHT_CLICK) ListViewLinks_ContextMenu();
}

struct Dispatch {
  const int64_t* gadget;
  void (*handler)();
};

// Compared in this order; the first gadget that matches runs its handler.
const Dispatch kDispatchTable[] = {
    {&OpenBtn, OpenBtn_Clicked},
    {&BuildBtn, BuildHtmlPage},
    {&ViewBtn, ViewHtmlPage},
    {&ExitBtn, ExitProgram},
    {&ClearBtn, ClearWorkAreas},
    {&AddSaveBtn, AddLink},
    {&DeleteBtn, DeleteLink},
    {&FindLinkBtn, FindLink},
    {&SaveFileBtn, SaveFileBtn_Clicked},
    {&ListViewLinks, ListViewLinks_Event},
    {&MenuNameTxt, MenuNameTxt_Event},
    {&LinkTitleTxt, LinkTitleTxt_Event},
    {&LinkAddressTxt, LinkAddressTxt_Event},
    {&FindLinkTxt, FindLinkTxt_Event},
    {&HelpBtn, HelpBtn_clicked},
};

void DispatchGadgetEvent(int64_t source) {
  for (const Dispatch& entry : kDispatchTable) {
    // A gadget that could not be created keeps 0, which names no event source.
    if (*entry.gadget != 0 && *entry.gadget == source) {
      entry.handler();
      return;
    }
  }
}

}  // namespace

void StartUp(uint32_t window_flags) {
  ClearState();
  mem_heap_init();
  text_heap_init();
  event_init();
  file_library_init();
  font_init();
  win_init();
  gadget_init();
  proc_init();
  req_init();
  SetStateDefaults();
  OpenMainWindow(10, 10, 600, 735, window_flags);
  AddShortcuts();
  JournalStart();
  // A logout, a signal or a lost display: the journal keeps the links; no question can be asked.
  win_on_session_end(JournalSessionEnds);
}

bool DispatchEvent(int64_t event) {
  Event = event;
  if (Event == EVENT_GADGET) DispatchGadgetEvent(event_source());
  // Only the shortcuts raise it: without them pressed the loop is as it always was.
  if (Event == EVENT_MENU) DispatchShortcut(event_source());
  if (ExitRequested) return false;
  // The close box ends the program too, but never while links are unsaved and the user says no.
  if (Event == EVENT_CLOSE_WINDOW) return !KeepUnsavedLinks(TEXT("exiting"));
  return true;
}

void RunEventLoop() {
  while (DispatchEvent(event_wait())) {
  }
}

void ShutDownLibraries() {
  gadget_end();
  win_end();
  font_end();
  file_close(-1);
  event_end();
  proc_end();
  req_end();
}

void ShutDownRuntime() {
  LinkChangesEnd();  // its memory is in the general heap
  text_heap_end();
  mem_heap_end();
  ClearState();
}
