// The open and save file dialogs: one routine behind req_open_file,
// req_open_file_ex and req_save_file, and the names of a multiple selection
// handed out one by one by req_next_file.
#include <cstring>

#include "desktop/req.h"
#include "runtime/file.h"
#include "runtime/mem.h"
#include "runtime/text.h"

namespace {

constexpr DWORD kSingleFlags = OFN_EXPLORER | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR | OFN_HIDEREADONLY;
constexpr DWORD kMultiFlags = kSingleFlags | OFN_ALLOWMULTISELECT;
static_assert(kSingleFlags == 0x8080C && kMultiFlags == 0x80A0C, "the file dialogs' option flags");

constexpr int kModeOpen = 0;
constexpr int kModeSave = 1;

// The longest path a result can hold.
constexpr size_t kPathLimit = REQ_PATH_UNITS - 1;

struct FileDialogState {
  WCHAR* single;                          // REQ_SINGLE_UNITS, replaced at every call
  WCHAR* multi;                           // REQ_MULTI_UNITS, kept for req_next_file
  int32_t multi_position;                 // index of the next name in multi; 0: none left
  WCHAR multi_directory[REQ_PATH_UNITS];  // ends with a separator
  size_t multi_directory_length;
};

FileDialogState dialogs;

BOOL platform_dialog(OPENFILENAMEW* dialog, int mode) {
  return mode == kModeSave ? GetSaveFileNameW(dialog) : GetOpenFileNameW(dialog);
}

ReqFileDialogRoutine dialog_routine = platform_dialog;

size_t units_of(const WCHAR* text) { return text ? static_cast<size_t>(text_length(text)) : 0; }

// The length of a text in a buffer of limit units, never reading past it: a buffer the dialog left
// without its terminator counts as full.
size_t bounded_units(const WCHAR* text, size_t limit) {
  size_t n = 0;
  while (n < limit && text[n]) ++n;
  return n;
}

bool is_separator(WCHAR unit) { return unit == TEXT('\\') || unit == TEXT('/'); }

void free_multi() {
  mem_free(dialogs.multi);
  dialogs.multi = nullptr;
  // The position indexes the buffer: it must never outlive it.
  dialogs.multi_position = 0;
  dialogs.multi_directory[0] = 0;
  dialogs.multi_directory_length = 0;
}

void free_single() {
  mem_free(dialogs.single);
  dialogs.single = nullptr;
}

// A heap copy of count units, zero-terminated, with room for extra zero units behind.
WCHAR* heap_copy(const WCHAR* text, size_t count, size_t extra) {
  auto* copy = static_cast<WCHAR*>(mem_alloc_zero((count + 1 + extra) * sizeof(WCHAR)));
  if (copy && count) memcpy(copy, text, count * sizeof(WCHAR));
  return copy;
}

// The platform's filter list: "description|wildcards|..." with every "|" a NUL, ended by two NULs.
// Null for an empty pattern, which the platform shows as a dialog without filters.
WCHAR* pattern_list(const WCHAR* pattern, bool* failed) {
  size_t count = units_of(pattern);
  if (!count) return nullptr;
  WCHAR* list = heap_copy(pattern, count, 1);
  if (!list) {
    *failed = true;
    return nullptr;
  }
  for (size_t i = 0; i < count; ++i)
    if (list[i] == TEXT('|')) list[i] = 0;
  return list;
}

// Splits the default file at its last separator: the directory (kept with its separator, so a
// root stays a root) becomes the initial directory, the name goes into the file buffer when it
// is a valid file name that fits. Answers the directory copy, or null for none.
WCHAR* split_default(const WCHAR* default_file, WCHAR* file_buffer, size_t buffer_units, bool* failed) {
  size_t count = units_of(default_file);
  size_t name_start = 0;
  for (size_t i = count; i > 0; --i) {
    if (is_separator(default_file[i - 1])) {
      name_start = i;
      break;
    }
  }
  WCHAR* directory = nullptr;
  if (name_start) {
    directory = heap_copy(default_file, name_start, 0);
    if (!directory) *failed = true;
  }
  const WCHAR* name = default_file ? default_file + name_start : nullptr;
  size_t name_units = count - name_start;
  // A name cut to fit would propose another file: a name that does not fit is dropped.
  if (name_units && name_units < buffer_units) {
    memcpy(file_buffer, name, name_units * sizeof(WCHAR));
    file_buffer[name_units] = 0;
    if (!file_name_is_valid(file_buffer)) memset(file_buffer, 0, name_units * sizeof(WCHAR));
  }
  return directory;
}

WCHAR* empty_at(int32_t offset) {
  text_stack_cut(offset);
  return text_stack_at(offset);
}

// Writes head and tail as one path into the result space at offset.
WCHAR* put_path(const WCHAR* head, size_t head_units, const WCHAR* tail, size_t tail_units, int32_t offset) {
  WCHAR* out = text_stack_reserve(REQ_PATH_UNITS, offset);
  if (head_units) memcpy(out, head, head_units * sizeof(WCHAR));
  if (tail_units) memcpy(out + head_units, tail, tail_units * sizeof(WCHAR));
  text_stack_cut(offset + static_cast<int32_t>((head_units + tail_units) * sizeof(WCHAR)));
  return text_stack_at(offset);
}

// The next name of the multiple selection that fits the result space together with its directory
// (a path that does not fit is skipped, never handed out cut); at the end the buffer goes.
WCHAR* next_multi_path(int32_t offset) {
  while (dialogs.multi && dialogs.multi_position > 0 && dialogs.multi_position < REQ_MULTI_UNITS) {
    const WCHAR* name = dialogs.multi + dialogs.multi_position;
    size_t room = static_cast<size_t>(REQ_MULTI_UNITS - dialogs.multi_position);
    size_t name_units = bounded_units(name, room);
    if (!name_units || name_units == room) break;
    dialogs.multi_position += static_cast<int32_t>(name_units) + 1;
    if (dialogs.multi_directory_length + name_units <= kPathLimit)
      return put_path(dialogs.multi_directory, dialogs.multi_directory_length, name, name_units, offset);
  }
  free_multi();
  return empty_at(offset);
}

// The separator a directory's own path uses (its last one), so that the names joined to it read
// alike; a backslash when it has none.
WCHAR separator_of(const WCHAR* directory, size_t units) {
  for (size_t i = units; i > 0; --i)
    if (is_separator(directory[i - 1])) return directory[i - 1];
  return TEXT('\\');
}

// What a multiple-selection dialog chose: one full path, or a directory followed by names.
WCHAR* take_multi_result(const OPENFILENAMEW& dialog, int32_t offset) {
  const WCHAR* first = dialogs.multi;
  size_t first_units = bounded_units(first, REQ_MULTI_UNITS);
  if (first_units == REQ_MULTI_UNITS) first_units = 0;
  bool several = dialog.nFileOffset > 0 && dialog.nFileOffset <= first_units + 1 && first[dialog.nFileOffset - 1] == 0;
  if (!several) {
    WCHAR* result = first_units <= kPathLimit ? put_path(first, first_units, nullptr, 0, offset) : empty_at(offset);
    free_multi();
    return result;
  }
  bool needs_separator = first_units && !is_separator(first[first_units - 1]);
  size_t directory_units = first_units + (needs_separator ? 1 : 0);
  if (directory_units > kPathLimit) {
    // No name of this directory could be handed out whole.
    free_multi();
    return empty_at(offset);
  }
  memcpy(dialogs.multi_directory, first, first_units * sizeof(WCHAR));
  if (needs_separator) dialogs.multi_directory[first_units] = separator_of(first, first_units);
  dialogs.multi_directory[directory_units] = 0;
  dialogs.multi_directory_length = directory_units;
  dialogs.multi_position = static_cast<int32_t>(first_units) + 1;
  return next_multi_path(offset);
}

WCHAR* req_file(const WCHAR* title, const WCHAR* default_file, const WCHAR* pattern, int32_t pattern_index, int mode,
                uint32_t flags, int32_t offset) {
  bool multiple = (flags & REQ_MULTIPLE) != 0;
  // A save leaves a pending multiple selection alone; a new multiple buffer always replaces it.
  if (dialogs.multi && (mode == kModeOpen || multiple)) free_multi();
  free_single();

  size_t buffer_units = multiple ? REQ_MULTI_UNITS : REQ_SINGLE_UNITS;
  auto* buffer = static_cast<WCHAR*>(mem_alloc_zero(buffer_units * sizeof(WCHAR)));
  if (!buffer) return empty_at(offset);
  if (multiple) dialogs.multi = buffer;
  else dialogs.single = buffer;

  bool failed = false;
  WCHAR* filters = pattern_list(pattern, &failed);
  WCHAR* directory = split_default(default_file, buffer, buffer_units, &failed);
  BOOL chosen = FALSE;
  OPENFILENAMEW dialog = {};
  if (!failed) {
    dialog.lStructSize = sizeof(OPENFILENAMEW);
    dialog.hwndOwner = req_owner_window();
    dialog.lpstrFilter = filters;
    dialog.nFilterIndex = pattern_index >= 0 ? static_cast<DWORD>(pattern_index) + 1 : 0;
    dialog.lpstrFile = buffer;
    dialog.nMaxFile = static_cast<DWORD>(buffer_units);
    dialog.lpstrInitialDir = directory;
    // An empty title gets the platform's own ("Open", "Save As") rather than a blank caption.
    dialog.lpstrTitle = units_of(title) ? title : nullptr;
    dialog.Flags = multiple ? kMultiFlags : kSingleFlags;
    req_modal_begin();
    chosen = dialog_routine(&dialog, mode);
    req_modal_end();
  }
  mem_free(filters);
  mem_free(directory);

  if (!chosen || !buffer[0]) {
    if (multiple) free_multi();
    return empty_at(offset);
  }
  if (multiple) return take_multi_result(dialog, offset);
  size_t path_units = bounded_units(buffer, buffer_units);
  return path_units <= kPathLimit ? put_path(buffer, path_units, nullptr, 0, offset) : empty_at(offset);
}

}  // namespace

WCHAR* req_open_file(const WCHAR* title, const WCHAR* default_file, const WCHAR* pattern, int32_t pattern_index,
                     int32_t offset) {
  return req_file(title, default_file, pattern, pattern_index, kModeOpen, 0, offset);
}

WCHAR* req_open_file_ex(const WCHAR* title, const WCHAR* default_file, const WCHAR* pattern, int32_t pattern_index,
                        uint32_t flags, int32_t offset) {
  return req_file(title, default_file, pattern, pattern_index, kModeOpen, flags, offset);
}

WCHAR* req_save_file(const WCHAR* title, const WCHAR* default_file, const WCHAR* pattern, int32_t pattern_index,
                     int32_t offset) {
  return req_file(title, default_file, pattern, pattern_index, kModeSave, 0, offset);
}

WCHAR* req_next_file(int32_t offset) {
  if (dialogs.multi_position == 0) return empty_at(offset);
  return next_multi_path(offset);
}

void req_file_buffers_free() {
  free_multi();
  free_single();
}

void req_set_file_dialog_routine(ReqFileDialogRoutine routine) { dialog_routine = routine ? routine : platform_dialog; }
