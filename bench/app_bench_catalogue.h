// The bench's catalogue: a realistic one made from a fixed seed, so every
// run and every machine measures the same file.
#pragma once

#include <cstdint>
#include <string>

struct MadeCatalogue {
  int64_t lines = 0;
  int64_t bytes = 0;
  int64_t non_ascii_lines = 0;
  std::u16string first_menu;  // the menu of the first line, where the bench adds its links
  std::string last_marker;    // ASCII: a text that only the last line holds
};

// Writes `lines` link lines to the file at path: a UTF-8 byte-order mark,
// then menu runs of 5 to 200 links in the list's sorted order, menu names of
// 4 to 20 characters, titles of 10 to 80, addresses of 25 to 160, about 2 %
// of the lines with characters beyond ASCII (some beyond Windows-1252),
// each line ended by CR LF. Answers what it made (lines 0 when it could not write).
MadeCatalogue make_catalogue(const std::string& path, int64_t lines);
