// Bookmark files in the program's bench: the export of the catalogue that is
// open, and the import of a browser's bookmark file made from a fixed seed
// (Firefox's layout: nested folders, icons, descriptions, separators), both
// through the program's real handlers with the requesters answered at once.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct BookmarkFigures {
  double import_seconds = 0, export_seconds = 0;
  double import_cpu = 0, export_cpu = 0;  // processor time of the same
  int64_t links = 0;                      // in the bookmark file
  double file_mb = 0;
};

// Exports the open catalogue of `catalogue_links` lines into the current
// folder, then imports a made file of `links` links (the Open button's
// handler, the file picked at once). What did not do what it should goes to problems.
BookmarkFigures bench_bookmarks(int64_t catalogue_links, int64_t links, std::vector<std::string>* problems);
