// Where files are: what a name stands for, full paths and their folders, the
// current directory, and the two folders the program looks in for its
// support files (the executable's and the user's documents folder).
#include "runtime/file.h"
#include "runtime/text.h"

namespace {

bool is_separator(WCHAR unit) { return unit == TEXT('\\') || unit == TEXT('/'); }

// A path from the root of a drive or of the file system, or a network name.
bool is_rooted(const WCHAR* name) {
  if (is_separator(name[0])) return true;
  return name[0] != 0 && name[1] == TEXT(':') && is_separator(name[2]);
}

// The zero-ended folder name at offset, made the top of the stack and ended by one separator.
WCHAR* as_folder(int32_t offset) {
  const int64_t length = text_length(text_stack_at(offset));
  text_stack_put(text_stack_at(offset), length, offset);
  if (length > 0 && !is_separator(text_stack_at(offset)[length - 1])) text_push(TEXT("\\"));
  return text_stack_at(offset);
}

}  // namespace

int file_kind(const WCHAR* name) {
  if (!name || !name[0]) return FILE_KIND_NONE;
  const DWORD attributes = GetFileAttributesW(name);
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    file_note_error();
    return FILE_KIND_NONE;
  }
  return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? FILE_KIND_FOLDER : FILE_KIND_FILE;
}

int file_set_current_dir(const WCHAR* folder) {
  if (folder && SetCurrentDirectoryW(folder)) return 1;
  file_note_error();
  return 0;
}

int file_make_folder(const WCHAR* folder) {
  if (!folder || !folder[0]) return 0;
  if (CreateDirectoryW(folder, nullptr)) return 1;
  file_note_error();
  return file_kind(folder) == FILE_KIND_FOLDER;
}

WCHAR* file_full_path(const WCHAR* name, int32_t offset) {
  const WCHAR* text = name ? name : TEXT("");
  if (is_rooted(text)) return text_stack_put(text, text_length(text), offset);
  // The name may lie on the stack where the directory goes: keep its offset.
  TextVar copy = nullptr;
  if (text_stack_offset_of(text)) text_new_copy(&copy, text);
  WCHAR* folder = file_current_dir(offset);
  // The folder ends with a backslash; a folder spelled with slashes gets one of its own kind.
  const int64_t length = text_length(folder);
  if (length > 0 && text_find(folder, TEXT("/"), 1, 0) > 0) folder[length - 1] = TEXT('/');
  text_push(copy ? copy : text);
  text_free(copy);
  return text_stack_at(offset);
}

WCHAR* file_folder_of(const WCHAR* path, int32_t offset) {
  int64_t end = 0;
  for (int64_t i = 0; path && path[i]; ++i) {
    if (is_separator(path[i])) end = i + 1;
  }
  return text_stack_put(path, end, offset);
}

WCHAR* file_program_dir(int32_t offset) {
  WCHAR* out = text_stack_reserve(MAX_PATH, offset);
  const DWORD length = GetModuleFileNameW(nullptr, out, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return text_stack_put(out, 0, offset);
  return file_folder_of(text_stack_at(offset), offset);
}

WCHAR* file_documents_dir(int32_t offset) {
  WCHAR* out = text_stack_reserve(MAX_PATH, offset);
  if (FAILED(SHGetFolderPathW(nullptr, CSIDL_PERSONAL, nullptr, SHGFP_TYPE_CURRENT, out))) {
    return text_stack_put(out, 0, offset);
  }
  return as_folder(offset);
}
