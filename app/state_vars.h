// Every variable of the program's state, listed once as X(type, name). The
// declarations (state.h), the definitions and the reset (state.cpp) are all
// made from this list, so a variable cannot be declared and then forgotten by
// the reset. Texts are string variables (null reads as empty); numbers are
// signed 64-bit; gadgets and windows are kept by their numbers.
#pragma once

// clang-format off
#define WEBROLO_STATE_VARIABLES(X) \
  /* The window, its icon and the gadgets. */ \
  X(int64_t, MainWindow) X(HICON, AppIcon) \
  X(int64_t, MainPanel) X(int64_t, FilesPanel) X(int64_t, ButtonsPanel) X(int64_t, WorkPanel) \
  X(int64_t, FindPanel) X(int64_t, StatusPanel) \
  X(int64_t, ListViewLinks) X(int64_t, HtmlLinesList) \
  X(int64_t, InputFileLbl) X(int64_t, InputFileTxt) X(int64_t, OutputFileLbl) X(int64_t, OutputFileTxt) \
  X(int64_t, OpenBtn) X(int64_t, SaveFileBtn) X(int64_t, BuildBtn) X(int64_t, ViewBtn) X(int64_t, AddSaveBtn) \
  X(int64_t, ClearBtn) X(int64_t, DeleteBtn) X(int64_t, HelpBtn) X(int64_t, ExitBtn) \
  X(int64_t, MenuNameLbl) X(int64_t, MenuNameTxt) X(int64_t, LinkTitleLbl) X(int64_t, LinkTitleTxt) \
  X(int64_t, LinkAddressLbl) X(int64_t, LinkAddressTxt) \
  X(int64_t, FindLinkBtn) X(int64_t, FindLinkTxt) X(int64_t, LinkCountLbl) X(int64_t, LinkCountTxt) \
  X(int64_t, StatusLbl) X(int64_t, StatusTxt) \
  /* Texts. */ \
  X(TextVar, WebroloHelpFile) X(TextVar, WebSiteAddress) X(TextVar, Delimiter) X(TextVar, SelectedLine) \
  X(TextVar, FieldText) X(TextVar, LoadedFileName) X(TextVar, SavedFileName) X(TextVar, LastAction) \
  X(TextVar, MenuOptionLine) X(TextVar, LinkOptionLine) X(TextVar, SelectLine) X(TextVar, SelectEndLine) \
  X(TextVar, PageEndLine) X(TextVar, LastMenuName) X(TextVar, MenuNameWork) X(TextVar, InComingLine) \
  X(TextVar, ListViewLinksLineIn) X(TextVar, TxtFileName) X(TextVar, TxtBackupName) X(TextVar, HtmlFileName) \
  X(TextVar, HtmlBackupName) X(TextVar, ReadFileName) X(TextVar, ReadPurpose) X(TextVar, FileLineIn) \
  X(TextVar, FilePattern) X(TextVar, CurrentDir) X(TextVar, LinkCountText) X(TextVar, NewLinkLine) \
  X(TextVar, FindText) \
  /* The page header a command named; when empty the header is looked up. */ \
  X(TextVar, HtmlHeaderFile) \
  /* The boxes a command told on standard error instead of showing them. */ \
  X(int64_t, CommandMessages) \
  /* Numbers. */ \
  X(int64_t, FileSaved) X(int64_t, DelimiterCount) X(int64_t, SelectedIndex) X(int64_t, ListEventType) \
  X(int64_t, Event) X(int64_t, LinkCount) X(int64_t, FindStart) X(int64_t, FindHits) X(int64_t, MenuCount) \
  /* Set by the Exit button's handler: the loop ends after it. */ \
  X(int64_t, ExitRequested) \
  /* The selected attribute of every menu's caption option is joined from */ \
  /* this number, which nothing sets, so it always reads 0. */ \
  X(int64_t, MenuOptionSelected)
// clang-format on
