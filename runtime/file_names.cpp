// Whole-file operations and file names: delete, copy, rename, the current
// directory, the file-name part of a path and the validity of a name.
#include <cstring>

#include "runtime/file.h"
#include "runtime/text.h"

namespace {

bool is_separator(WCHAR unit) { return unit == TEXT('\\') || unit == TEXT('/'); }

WCHAR* empty_at(int32_t offset) {
  text_stack_cut(offset);
  return text_stack_at(offset);
}

}  // namespace

namespace {

int noted(BOOL ok) {
  if (ok) return 1;
  file_note_error();
  return 0;
}

}  // namespace

int file_delete(const WCHAR* name) {
  if (!name) return 0;
  return noted(DeleteFileW(name));
}

int file_copy(const WCHAR* source, const WCHAR* target) {
  if (!source || !target) return 0;
  return noted(CopyFileW(source, target, FALSE));
}

int file_copy_new(const WCHAR* source, const WCHAR* target) {
  if (!source || !target) return 0;
  return noted(CopyFileW(source, target, TRUE));
}

int file_rename(const WCHAR* old_name, const WCHAR* new_name) {
  if (!old_name || !new_name) return 0;
  return noted(MoveFileW(old_name, new_name));
}

int file_link(const WCHAR* existing, const WCHAR* new_name) {
  if (!existing || !new_name) return 0;
  return noted(CreateHardLinkW(new_name, existing, nullptr));
}

int file_replaceable(const WCHAR* name) {
  if (!name) return 0;
  const DWORD attributes = GetFileAttributesW(name);
  if (attributes == INVALID_FILE_ATTRIBUTES) return noted(FALSE);
  if (attributes & FILE_ATTRIBUTE_READONLY) {
    SetLastError(ERROR_ACCESS_DENIED);
    return noted(FALSE);
  }
  HANDLE handle = CreateFileW(name, DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return noted(FALSE);
  CloseHandle(handle);
  return 1;
}

int file_replace(const WCHAR* source, const WCHAR* target) {
  if (!source || !target) return 0;
  return noted(MoveFileExW(source, target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH));
}

WCHAR* file_error_text(uint32_t code, int32_t offset) {
  constexpr DWORD kRoom = 512;
  WCHAR* out = text_stack_reserve(kRoom, offset);
  DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, out,
                                kRoom, nullptr);
  // The system ends its messages with a line end; a box shows the text without it.
  while (length > 0 &&
         (out[length - 1] == TEXT('\r') || out[length - 1] == TEXT('\n') || out[length - 1] == TEXT(' '))) {
    --length;
  }
  if (length == 0) {
    // A code the system has no text for is still named.
    text_stack_cut(offset);
    text_push(TEXT("Error "));
    text_from_int(static_cast<int64_t>(code), text_stack_top());
    return text_stack_at(offset);
  }
  text_stack_cut(offset + static_cast<int32_t>(length) * 2);
  out[length] = 0;
  return text_stack_at(offset);
}

WCHAR* file_current_dir(int32_t offset) {
  // Room for the answer, an appended backslash and the zero unit.
  DWORD room = MAX_PATH;
  WCHAR* out = text_stack_reserve(static_cast<int32_t>(room) + 2, offset);
  DWORD length = GetCurrentDirectoryW(room, out);
  if (length >= room) {
    // A longer directory: the answer is the size it needs; ask again with that much room
    // rather than hand out a truncated or empty name.
    room = length;
    out = text_stack_reserve(static_cast<int32_t>(room) + 2, offset);
    length = GetCurrentDirectoryW(room, out);
    if (length >= room) length = 0;
  }
  if (length == 0) return empty_at(offset);
  if (out[length - 1] != TEXT('\\')) out[length++] = TEXT('\\');
  text_stack_cut(offset + static_cast<int32_t>(length) * 2);
  return text_stack_at(offset);
}

WCHAR* file_leaf_name(const WCHAR* path, int32_t offset) {
  if (!path) return empty_at(offset);
  size_t start = path[0] == TEXT('"') ? 1 : 0;
  size_t end = start;
  for (; path[end] && path[end] != TEXT('"'); ++end) {
    if (is_separator(path[end])) start = end + 1;
  }
  size_t length = end - start;
  // A path on the stack may move when room is reserved: keep its offset, not its address.
  int32_t on_stack = text_stack_offset_of(path);
  int32_t source_offset = on_stack ? on_stack - 1 + static_cast<int32_t>(start * sizeof(WCHAR)) : 0;
  WCHAR* out = text_stack_reserve(static_cast<int32_t>(length), offset);
  const WCHAR* source = on_stack ? text_stack_at(source_offset) : path + start;
  memmove(out, source, length * sizeof(WCHAR));
  out[length] = 0;
  return out;
}

int file_name_is_valid(const WCHAR* name) {
  if (!name || !name[0]) return 0;
  for (const WCHAR* unit = name; *unit; ++unit) {
    if (*unit < 32) return 0;
    switch (*unit) {
      case TEXT('"'):
      case TEXT('*'):
      case TEXT('/'):
      case TEXT(':'):
      case TEXT('<'):
      case TEXT('>'):
      case TEXT('?'):
      case TEXT('\\'):
      case TEXT('|'): return 0;
      default: break;
    }
  }
  return 1;
}

int file_exists(const WCHAR* name) { return name && GetFileAttributesW(name) != INVALID_FILE_ATTRIBUTES ? 1 : 0; }
