// The user's work folder on a first start from a menu: a program installed as
// a folder of its own (the Windows installer's, the portable zip's) keeps the
// example files beside it, where the user cannot or should not write. Started
// without a catalogue from there, or from a folder without support files, it
// works in "Webrolo" in the documents folder, made on first use with the
// examples, as the starter script does for the Linux package (whose examples
// lie elsewhere, so there nothing happens here).
#pragma once

#include "platform/win32.h"
#include "runtime/text.h"

enum class WorkFolderStart {
  Stayed,   // it does not apply: the program stays in the current directory
  Entered,  // the work folder is the current directory
  Failed,   // it applies, but the folder could not be made or entered (the reason is the file layer's last)
};

// With the program's folder and the documents folder (each ending in a
// separator; the documents folder empty when the system has none): the
// examples are copied into the work folder where none of that name is
// there, and the work folder is entered. *work is its path.
WorkFolderStart EnterWorkFolderFrom(const WCHAR* program_dir, const WCHAR* documents_dir, TextVar* work);

// After start-up without a catalogue: the same with the system's folders; a
// failure is told in a box and the program works where it is.
void StartInWorkFolder();
