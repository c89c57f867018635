// The names that come from the catalogue's name: its backup, its page and the
// page's backup, all in the current directory, and whether they are usable.
#pragma once

#include "platform/win32.h"
#include "runtime/text.h"

// From ReadFileName: TxtFileName (without its folder), TxtBackupName,
// HtmlFileName, HtmlBackupName and LoadedFileName.
void DeriveNames();
// The same from a name without its folder (an import's chosen catalogue name).
void DeriveCatalogueNames(const WCHAR* name);

// Two names that lead to the same file on a system whose names ignore case.
bool SameFileName(const WCHAR* a, const WCHAR* b);

// A page put elsewhere than beside the catalogue: HtmlFileName is the path and
// HtmlBackupName is derived from it as from a page beside the catalogue.
// False when the name holds no ".html" to give the backup a name of its own.
bool SetPageName(const WCHAR* path);

// Two names that lead to the same file on a system whose names ignore case.
bool SameFileName(const WCHAR* a, const WCHAR* b);

// False, after a box that says why, when the catalogue's derived names would
// make `what` ("save", "build the page of") replace the catalogue itself.
bool CatalogueNamesUsable(const WCHAR* caption, const WCHAR* what);

// The journal of the catalogue's unsaved changes and the journal's backup, in
// the current directory: links-unsaved.txt and links-unsaved-BK.txt for
// links.txt; a name without ".txt" gets "-unsaved.txt" added, so the journal
// is never the catalogue itself.
void JournalNames(TextVar* journal, TextVar* backup);
