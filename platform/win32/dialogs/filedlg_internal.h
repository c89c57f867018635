// The file dialogs' own helpers (filedlg_list.cpp): the filter list of an
// OPENFILENAMEW, wildcard matching, folder listing, and path arithmetic on
// the stand-in's UTF-16 paths, whose separator is "/" ("\" is read as one too).
#pragma once

#include <string>
#include <vector>

#include "platform/win32/api.h"

namespace filedlg {

using Text = std::u16string;

struct Filter {
  Text description;
  std::vector<Text> patterns;  // "*.txt", "*.htm", ...: the wildcards of one entry, split at ";"
};

// The pairs of a filter list (description, wildcards), ended by an empty description or a double
// NUL; a pair without its wildcard is dropped, as Win32 drops it.
std::vector<Filter> parse_filters(LPCWSTR list);
Filter filter_of(const Text& patterns);  // one entry of ";"-separated wildcards

// Wildcards "*" and "?", case ignored; "*.*" matches every name, also one without a dot.
bool wildcard_match(const Text& pattern, const Text& name);
bool matches(const Filter& filter, const Text& name);  // an entry without wildcards matches all
bool has_wildcard(const Text& name);

struct Entry {
  Text name;
  bool folder;
};
// The folders (".." first, unless at the root) and the files of a folder that match the filter,
// each group sorted with case ignored; hidden names (starting ".") left out. Empty when unreadable.
std::vector<Entry> list_folder(const Text& folder, const Filter* filter);

// "/" for "\"; "." and ".." resolved; repeated separators merged; no trailing "/" but at the root.
Text normalize(const Text& path);
// name taken from folder unless it is absolute; the result normalized.
Text join(const Text& folder, const Text& name);
bool is_absolute(const Text& path);
size_t leaf_offset(const Text& path);  // after the last separator of either kind
Text parent_of(const Text& path);      // of a normalized path
bool is_folder(const Text& path);
bool exists(const Text& path);  // any kind
Text current_folder();          // GetCurrentDirectoryW, normalized

// The names of a multiple selection typed as "a" "b" "c"; a text without quotes is one name.
std::vector<Text> split_names(const Text& text);

}  // namespace filedlg
