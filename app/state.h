// The program's state: one block of global variables that lives for the
// whole run (listed in state_vars.h), the handlers that work on it, and the
// start, loop and end of the program.
#pragma once

#include <cstdint>

#include "app/state_vars.h"
#include "gui/busy.h"
#include "gui/gadget.h"
#include "runtime/text.h"

#define WEBROLO_DECLARE_VARIABLE(type, name) extern type name;
WEBROLO_STATE_VARIABLES(WEBROLO_DECLARE_VARIABLE)
#undef WEBROLO_DECLARE_VARIABLE

// The marker texts the page builder starts from.
extern const WCHAR kLastMenuNameMarker[];

// Start-up: every library, the defaults and the main window. The program
// itself then runs the loop and ends; tests drive the same handlers.
void StartUp(uint32_t window_flags = 0);  // WIN_HIDDEN: no one sees the window
void ClearState();
void SetStateDefaults();
void OpenMainWindow(int x, int y, int width, int height, uint32_t extra_flags = 0);
// Runs events until the window is closed or Exit ends the program.
void RunEventLoop();
// Hands one event to its handler; false when the program is to end.
bool DispatchEvent(int64_t event);
// Ends every library; the program then ends its process with exit code 0.
void ShutDownLibraries();
void ShutDownRuntime();  // the string runtime and the general heap, last

// Handlers (each in the file of its concern).
void OpenBtn_Clicked();
// Opens ReadFileName into the empty list as if the user had just chosen it in the Open requester; false when
// it could not be read.
bool OpenChosenFile();
bool LoadTextFile();  // false when the file could not be opened
void ListViewLinks_Clicked();
void ListViewLinks_ContextMenu();  // link_menu.cpp: a right click, Shift+F10 or the Menu key on the list
bool LinkLineSelected();
void VisitLink();        // the selected line, as a double click on it
void CopyLinkAddress();  // the selected line's address to the clipboard
// link_line.cpp: the fields of a line in the work areas (and its address as
// the one to visit); false, and nothing changed, when it is not a valid line.
bool ShowLineFields(const WCHAR* line);
void AddLink();
void DeleteLink();
void ClearWorkAreas();
void FindLink();
void SaveFileBtn_Clicked();
void BuildHtmlPage();
bool BuildHtmlHdr();  // false when there are no links to build a page of
void ConvertLinkLine();
bool WriteHtmlPage();  // false when the page could not be written
void VisitWebSite();
void ViewHtmlPage();
void HelpBtn_clicked();
void ExitProgram();
void UndoLinkChange();  // undo.cpp: the last Add Link or Delete Link undone, or redone
void RedoLinkChange();

// shortcuts.cpp: the window's keyboard shortcuts, and the handler of the
// "menu or shortcut" event they raise, by item number.
void AddShortcuts();
void DispatchShortcut(int64_t item);

// Unsaved links: asks whether to save them before what the caller is about
// to do ("exiting", "opening another"). True when the caller may go on: the
// links were saved, the user chose not to, or nothing was unsaved.
bool KeepUnsavedLinks(const WCHAR* before_what);

// Work of a handler that may run long (opening, building, saving a big
// catalogue): the window shows the wait cursor once it has run a fifth of a
// second. Its loops call win_busy_step for every line.
struct BusySpan {
  BusySpan() { win_busy_begin(); }
  ~BusySpan() { win_busy_end(); }
  BusySpan(const BusySpan&) = delete;
  BusySpan& operator=(const BusySpan&) = delete;
};
