// Bookmark files in and out: the handlers. A browser's (or link service's)
// bookmark file chosen in the Open requester, or through "Import Browser
// Bookmarks...", takes the list's place as a new, unsaved catalogue named
// after it; "Export as Browser Bookmarks..." writes the list as a bookmark
// file that browsers import, as a save writes (temporary file, backup,
// atomic replace). The bookmark file itself is never written.
#pragma once

#include "platform/win32.h"
#include "runtime/text.h"

// "Import Browser Bookmarks...": asks about unsaved links, then for the file.
void ImportBookmarks();
// "Export as Browser Bookmarks...": asks for the name, then writes the list.
void ExportBookmarks();

// Writes the list as a bookmark file to the path (never the catalogue or its
// page), its old content kept as the backup; false after a box that says why.
bool ExportBookmarksTo(const WCHAR* path);

// The export's default name, in the current directory: the catalogue's with
// "-bookmarks.html" in place of ".txt".
void DefaultExportName(TextVar* into);

// Whether the file is a bookmark file, told by its content (its start) and not its name.
bool IsBookmarkFile(const WCHAR* path);
// Imports the bookmark file in place of the list, or says in a box why it
// cannot; the list is left as it was then. True when it was imported.
bool ImportBookmarkFile(const WCHAR* path);
