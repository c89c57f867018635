// Renaming without replacing, for moves and for copies that must not
// overwrite: the check that the target is free and the rename are one step.
#pragma once

// Renames `from` to `to` unless `to` exists (then EEXIST). Returns 0 or an errno.
int rename_new(const char* from, const char* to, bool directory);
// The same for file systems whose rename cannot refuse to replace: a second
// link for a file, an empty placeholder folder for a folder.
int rename_new_by_link(const char* from, const char* to, bool directory);
