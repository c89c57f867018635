// The program's state: one block of global variables that lives for the
// whole run, the handlers that work on it, and the start, loop and end of the
// program. Texts are string variables (null reads as empty); numbers are
// signed 64-bit; gadgets and windows are kept by their numbers.
#pragma once

#include <cstdint>

#include "gui/busy.h"
#include "gui/gadget.h"
#include "runtime/text.h"

// Gadget and window numbers.
extern int64_t MainWindow;
extern HICON AppIcon;
extern int64_t MainPanel, FilesPanel, ButtonsPanel, WorkPanel, FindPanel, StatusPanel;
extern int64_t ListViewLinks, HtmlLinesList;
extern int64_t InputFileLbl, InputFileTxt, OutputFileLbl, OutputFileTxt;
extern int64_t OpenBtn, SaveFileBtn, BuildBtn, ViewBtn, AddSaveBtn, ClearBtn, DeleteBtn, HelpBtn, ExitBtn;
extern int64_t MenuNameLbl, MenuNameTxt, LinkTitleLbl, LinkTitleTxt, LinkAddressLbl, LinkAddressTxt;
extern int64_t FindLinkBtn, FindLinkTxt, LinkCountLbl, LinkCountTxt, StatusLbl, StatusTxt;

// Texts.
extern TextVar WebroloHelpFile, WebSiteAddress, Delimiter, SelectedLine, FieldText;
extern TextVar LoadedFileName, SavedFileName, LastAction;
extern TextVar MenuOptionLine, LinkOptionLine, SelectLine, SelectEndLine, PageEndLine;
extern TextVar LastMenuName, MenuNameWork, InComingLine, ListViewLinksLineIn;
extern TextVar TxtFileName, TxtBackupName, HtmlFileName, HtmlBackupName;
extern TextVar ReadFileName, ReadPurpose, FileLineIn, FilePattern, CurrentDir, LinkCountText;
extern TextVar NewLinkLine, FindText;

// Numbers.
extern int64_t FileSaved, DelimiterCount, SelectedIndex, ListEventType, Event;
extern int64_t LinkCount, FindStart, FindHits, MenuCount;
// Set by the Exit button's handler: the loop ends after it.
extern int64_t ExitRequested;

// The marker texts the page builder starts from.
extern const WCHAR kLastMenuNameMarker[];

// Start-up: every library, the defaults and the main window. The program
// itself then runs the loop and ends; tests drive the same handlers.
void StartUp();
void ClearState();
void SetStateDefaults();
void OpenMainWindow(int x, int y, int width, int height);
// Runs events until the window is closed or Exit ends the program.
void RunEventLoop();
// Hands one event to its handler; false when the program is to end.
bool DispatchEvent(int64_t event);
// Ends every library; the program then ends its process with exit code 0.
void ShutDownLibraries();
void ShutDownRuntime();  // the string runtime and the general heap, last

// Handlers (each in the file of its concern).
void OpenBtn_Clicked();
bool LoadTextFile();  // false when the file could not be opened
void ListViewLinks_Clicked();
void ListViewLinks_ContextMenu();  // link_menu.cpp: a right click, Shift+F10 or the Menu key on the list
void AddLink();
void DeleteLink();
void ClearWorkAreas();
void FindLink();
void SaveFileBtn_Clicked();
void BuildHtmlPage();
void BuildHtmlHdr();
void ConvertLinkLine();
bool WriteHtmlPage();  // false when the page could not be written
void VisitWebSite();
void ViewHtmlPage();
void HelpBtn_clicked();
void ExitProgram();

// Unsaved links: asks whether to save them before what the caller is about
// to do ("exiting", "opening another"). True when the caller may go on: the
// links were saved, the user chose not to, or nothing was unsaved.
bool KeepUnsavedLinks(const WCHAR* before_what);

// A text joined from pieces on the temporary stack into a variable of its
// own, freed when it goes out of scope. Pieces are texts (null reads as empty) or numbers.
class Joined {
 public:
  template <typename... Pieces>
  explicit Joined(const Pieces&... pieces) {
    const int32_t saved = text_stack_top();
    (push(pieces), ...);
    text_pop_into(&value_, saved);
  }
  ~Joined() { text_free(value_); }
  Joined(const Joined&) = delete;
  Joined& operator=(const Joined&) = delete;
  operator const WCHAR*() const { return value_ ? value_ : TEXT(""); }

 private:
  static void push(const WCHAR* piece) { text_push(piece); }
  static void push(int64_t number) { text_from_int(number, text_stack_top()); }
  TextVar value_ = nullptr;
};

// The status line shows the pieces joined.
template <typename... Pieces>
void SetStatus(const Pieces&... pieces) {
  Joined text(pieces...);
  gadget_set_text(StatusTxt, text);
}

// The catalogue's name (no folder) and the names derived from it: backup, page, page's backup.
void DeriveCatalogueNames(const WCHAR* name);

// LinkCountTxt, LinkCountText and LinkCount follow the number of lines of the list.
void ShowLinkCount();

// Work of a handler that may run long (opening, building, saving a big
// catalogue): the window shows the wait cursor once it has run a fifth of a
// second. Its loops call win_busy_step for every line.
struct BusySpan {
  BusySpan() { win_busy_begin(); }
  ~BusySpan() { win_busy_end(); }
  BusySpan(const BusySpan&) = delete;
  BusySpan& operator=(const BusySpan&) = delete;
};

// A string variable of a handler's own, freed when the handler is done.
struct LocalText {
  TextVar value = nullptr;
  LocalText() = default;
  LocalText(const LocalText&) = delete;
  LocalText& operator=(const LocalText&) = delete;
  ~LocalText() { text_free(value); }
  operator const WCHAR*() const { return value ? value : TEXT(""); }
};

// The text of a gadget into a variable.
void ReadGadgetText(int64_t gadget, TextVar* into);

// A text an operation wrote on the stack at `saved` goes into the variable, and the stack is given back.
inline void KeepText(TextVar* variable, int32_t saved) { text_pop_into(variable, saved); }

// Field n (1 to 3) of a link line, split at the delimiter, into a variable.
void KeepField(TextVar* into, const WCHAR* line, int32_t n);

// Whether a string variable holds exactly this text.
inline bool Is(const WCHAR* variable, const WCHAR* text) { return text_equal(variable, text) != 0; }
