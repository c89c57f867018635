// The names that come from the catalogue's name: its backup, its page and the
// page's backup, all in the current directory, and whether they are usable.
#pragma once

#include "platform/win32.h"

// From ReadFileName: TxtFileName (without its folder), TxtBackupName,
// HtmlFileName, HtmlBackupName and LoadedFileName.
void DeriveNames();

// False, after a box that says why, when the catalogue's derived names would
// make `what` ("save", "build the page of") replace the catalogue itself.
bool CatalogueNamesUsable(const WCHAR* caption, const WCHAR* what);
