// The work folder made and entered on a first start: see work_folder.h.
#include "app/work_folder.h"

#include "app/text_helpers.h"
#include "desktop/req.h"
#include "runtime/file.h"

namespace {

const WCHAR* const kExampleFiles[] = {TEXT("Webrolo48x48.ico"), TEXT("Webrolo_Help.html"), TEXT("Webrolo_HtmlHdr.txt"),
                                      TEXT("Webrolo.txt")};

bool IsSeparator(WCHAR unit) { return unit == TEXT('\\') || unit == TEXT('/'); }

bool HoldsAnExample(const WCHAR* folder) {
  for (const WCHAR* name : kExampleFiles) {
    if (file_kind(Joined(folder, name)) == FILE_KIND_FILE) return true;
  }
  return false;
}

// Started where the examples lie (the Start menu's entry starts it there), or
// where the user keeps no support file: a folder the user did not choose to work in.
bool StartedOutsideAWorkFolder(const WCHAR* program_dir) {
  LocalText current;
  const int32_t saved = text_stack_top();
  file_current_dir(saved);
  KeepText(&current.value, saved);
  // The current directory may end in another separator than the program's folder.
  const int64_t end = text_length(current) - 1;
  if (end > 0 && end == text_length(program_dir) - 1 && IsSeparator(current.value[end]) &&
      IsSeparator(program_dir[end])) {
    current.value[end] = program_dir[end];
  }
  return text_compare(current, program_dir, TEXT_IGNORE_CASE) == 0 || !HoldsAnExample(current);
}

}  // namespace

WorkFolderStart EnterWorkFolderFrom(const WCHAR* program_dir, const WCHAR* documents_dir, TextVar* work) {
  if (text_length(documents_dir) == 0 || !HoldsAnExample(program_dir)) return WorkFolderStart::Stayed;
  if (!StartedOutsideAWorkFolder(program_dir)) return WorkFolderStart::Stayed;
  text_assign(work, Joined(documents_dir, TEXT("Webrolo")));
  if (!file_make_folder(*work)) return WorkFolderStart::Failed;
  for (const WCHAR* name : kExampleFiles) {
    // A file that is there is the user's. An example that cannot be copied
    // (a full disk) is still found beside the program, so the start goes on.
    const Joined source(program_dir, name);
    if (file_kind(source) == FILE_KIND_FILE) file_copy_new(source, Joined(*work, TEXT("\\"), name));
  }
  return file_set_current_dir(*work) ? WorkFolderStart::Entered : WorkFolderStart::Failed;
}

void StartInWorkFolder() {
  LocalText program, documents, work, reason;
  const int32_t saved = text_stack_top();
  file_program_dir(saved);
  KeepText(&program.value, saved);
  file_documents_dir(saved);
  KeepText(&documents.value, saved);
  if (EnterWorkFolderFrom(program, documents, &work.value) != WorkFolderStart::Failed) return;
  file_error_text(file_last_error(), saved);
  KeepText(&reason.value, saved);
  Joined message(TEXT("Couldn't make the work folder  "), work, TEXT("\r\n"), reason,
                 TEXT("\r\nWebrolo works in the current folder."));
  req_message_ok(TEXT(" WARNING - Work Folder"), message);
}
