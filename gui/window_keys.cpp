// A window's keyboard shortcuts: the accelerator table every window gets
// (Tab and Shift+Tab, which move the focus), the entries a program adds, and
// which table applies to the control that has the focus. A text field keeps
// its editing keys: the entries added for outside text fields sit behind the
// others, and a second table of the others alone serves while one has the focus.
#include <cstring>

#include "gui/window.h"
#include "gui/window_internal.h"
#include "runtime/mem.h"

namespace {

constexpr BYTE kAccelVirtualKey = FVIRTKEY | FNOINVERT;
constexpr int kFocusEntries = 2;  // Tab, Shift+Tab

HACCEL make_table(ACCEL* entries, int32_t count) {
  return count > 0 ? CreateAcceleratorTableW(entries, count) : nullptr;
}

// An edit control (the string field's class), or a rich edit control.
bool is_text_field(HWND window) {
  WCHAR name[16] = {};
  const int length = GetClassNameW(window, name, 16);
  for (int i = 0; i < length; ++i) {
    if (name[i] >= 'A' && name[i] <= 'Z') name[i] = static_cast<WCHAR>(name[i] + ('a' - 'A'));
  }
  const WCHAR edit[] = TEXT("edit");
  const WCHAR rich[] = TEXT("richedit");
  return (length == 4 && std::memcmp(name, edit, 4 * sizeof(WCHAR)) == 0) ||
         (length >= 8 && std::memcmp(name, rich, 8 * sizeof(WCHAR)) == 0);
}

}  // namespace

void win_make_accelerators(WindowObject* object) {
  object->accelerator_count = kFocusEntries;
  object->text_field_accelerator_count = kFocusEntries;
  object->accelerators = static_cast<ACCEL*>(mem_alloc(kFocusEntries * sizeof(ACCEL)));
  if (!object->accelerators) return;
  object->accelerators[0] = ACCEL{kAccelVirtualKey, VK_TAB, WIN_COMMAND_NEXT_CONTROL};
  object->accelerators[1] = ACCEL{kAccelVirtualKey | FSHIFT, VK_TAB, WIN_COMMAND_PREVIOUS_CONTROL};
  object->accelerator_table = make_table(object->accelerators, kFocusEntries);
}

void win_free_accelerators(WindowObject* object) {
  mem_free(object->accelerators);
  object->accelerators = nullptr;
  if (object->accelerator_table) DestroyAcceleratorTable(object->accelerator_table);
  if (object->text_field_accelerator_table) DestroyAcceleratorTable(object->text_field_accelerator_table);
  object->accelerator_table = object->text_field_accelerator_table = nullptr;
}

bool win_add_accelerators(int64_t number, const ACCEL* entries, int32_t count, WinKeyScope scope) {
  WindowObject* object = win_object(number);
  if (!object || !object->accelerators || !entries || count <= 0) return false;
  const int32_t old_count = object->accelerator_count;
  const int32_t old_text = object->text_field_accelerator_count;
  const int32_t total = old_count + count;
  auto* all = static_cast<ACCEL*>(mem_alloc(static_cast<size_t>(total) * sizeof(ACCEL)));
  if (!all) return false;
  // Entries for text fields too go behind the others of their kind, before those for outside text fields.
  const int32_t split = scope == WinKeyScope::Anywhere ? old_text : old_count;
  std::memcpy(all, object->accelerators, static_cast<size_t>(split) * sizeof(ACCEL));
  std::memcpy(all + split, entries, static_cast<size_t>(count) * sizeof(ACCEL));
  std::memcpy(all + split + count, object->accelerators + split,
              static_cast<size_t>(old_count - split) * sizeof(ACCEL));
  const int32_t text_count = scope == WinKeyScope::Anywhere ? old_text + count : old_text;
  HACCEL table = make_table(all, total);
  HACCEL text_table = text_count < total ? make_table(all, text_count) : nullptr;
  if (!table || (text_count < total && !text_table)) {
    if (table) DestroyAcceleratorTable(table);
    mem_free(all);
    return false;
  }
  win_free_accelerators(object);
  object->accelerators = all;
  object->accelerator_count = total;
  object->text_field_accelerator_count = text_count;
  object->accelerator_table = table;
  object->text_field_accelerator_table = text_table;
  return true;
}

HACCEL win_accelerators_for(int64_t number, HWND focus) {
  const WindowObject* object = win_object(number);
  if (!object) return nullptr;
  if (focus && object->text_field_accelerator_table && is_text_field(focus))
    return object->text_field_accelerator_table;
  return object->accelerator_table;
}
