// Support files are looked for where a user is likely to keep them: the
// catalogue's folder (the current directory), the work folder that the
// starter makes ("Webrolo" in the documents folder), then the installed
// files, whose place beside the executable the build passes in.
#include "app/support_files.h"

#include "app/text_helpers.h"
#include "runtime/file.h"

#define WEBROLO_WIDEN(text) TEXT(text)

namespace {

const WCHAR kInstalledFromProgram[] = WEBROLO_WIDEN(WEBROLO_SHARE_FROM_PROGRAM);

bool FoundIn(int32_t offset, const WCHAR* name) {
  if (text_length(text_stack_at(offset)) == 0) return false;
  text_push(name);
  return file_kind(text_stack_at(offset)) == FILE_KIND_FILE;
}

}  // namespace

WCHAR* SupportFilePath(const WCHAR* name, int32_t offset) {
  file_current_dir(offset);
  if (FoundIn(offset, name)) return text_stack_at(offset);
  file_documents_dir(offset);
  if (text_length(text_stack_at(offset)) > 0) text_push(TEXT("Webrolo\\"));
  if (FoundIn(offset, name)) return text_stack_at(offset);
  file_program_dir(offset);
  if (text_length(text_stack_at(offset)) > 0) text_push(kInstalledFromProgram);
  if (FoundIn(offset, name)) return text_stack_at(offset);
  return text_stack_put(name, text_length(name), offset);
}
