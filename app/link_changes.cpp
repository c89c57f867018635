// The one place where the link list changes: each step is shown to the
// watcher, made on the list, kept in the history, and FileSaved set from
// where the history stands.
#include "app/link_changes.h"

#include "app/link_history.h"
#include "app/state.h"
#include "gui/gadget.h"

namespace {

constexpr int64_t kNeverSaved = -1;  // the saved state lies in no step of this history

LinkHistory g_history;
int64_t g_applied = 0;   // steps of the history the list holds now; those after it can be redone
int64_t g_saved_at = 0;  // the step count at the last save, or kNeverSaved
LinkStepWatcher g_watcher = nullptr;

void show_watcher(LinkStepKind kind, LinkStepCause cause, int64_t index, const WCHAR* line) {
  if (g_watcher) g_watcher(LinkStep{kind, cause, index, line ? line : TEXT("")});
}

void follow_saved_state() { FileSaved = g_applied == g_saved_at ? 1 : 0; }

// The list itself. False when it could not take the line (out of memory).
bool insert_line(int64_t index, const WCHAR* line) {
  const int64_t before = gadget_item_count(ListViewLinks);
  gadget_add_item(ListViewLinks, index, line);
  return gadget_item_count(ListViewLinks) > before;
}

// A new step at the end of what the list holds: what could have been redone is gone.
void record(LinkHistory::Kind kind, int64_t index, const WCHAR* line) {
  g_history.truncate(g_applied);
  if (g_saved_at > g_applied) g_saved_at = kNeverSaved;
  if (g_history.push(kind, index, line)) {
    ++g_applied;
  } else {
    // Without room for this step the earlier ones can no longer be undone in order.
    g_history.clear();
    g_applied = 0;
    g_saved_at = kNeverSaved;
  }
  follow_saved_state();
}

LinkUndoStep step_at(int64_t n) {
  const LinkHistory::Entry entry = g_history.entry(n);
  return LinkUndoStep{true, entry.kind == LinkHistory::Kind::Insert, entry.index};
}

// Makes step n of the history, forwards (as first made) or backwards (its opposite).
LinkUndoStep walk(int64_t n, bool forwards, int32_t offset) {
  const LinkUndoStep step = step_at(n);
  g_history.line(n, offset);
  const LinkStepCause cause = forwards ? LinkStepCause::Redo : LinkStepCause::Undo;
  // The watcher may use the stack, which may move: the line is found again by its offset.
  if (step.add == forwards) {
    show_watcher(LinkStepKind::Insert, cause, step.index, text_stack_at(offset));
    insert_line(step.index, text_stack_at(offset));
  } else {
    show_watcher(LinkStepKind::Remove, cause, step.index, text_stack_at(offset));
    gadget_remove_item(ListViewLinks, step.index);
  }
  g_applied += forwards ? 1 : -1;
  follow_saved_state();
  return step;
}

}  // namespace

LinkStepWatcher SetLinkStepWatcher(LinkStepWatcher watcher) {
  const LinkStepWatcher replaced = g_watcher;
  g_watcher = watcher;
  return replaced;
}

int64_t LinkSortedPlace(const WCHAR* line) {
  // The probes a sorted list box makes, so that a list made unsorted by
  // opening a file in its own order gets the line where the list box would put it.
  int64_t low = 0, high = gadget_item_count(ListViewLinks) - 1;
  while (low <= high) {
    const int64_t middle = (low + high) / 2;
    const int32_t saved = text_stack_top();
    const int order = text_compare(gadget_item_text(ListViewLinks, middle, saved), line, TEXT_IGNORE_CASE);
    text_stack_cut(saved);
    if (order < 0) {
      low = middle + 1;
    } else {
      high = middle - 1;
    }
  }
  return low;
}

void LinkInsert(int64_t index, const WCHAR* line) {
  show_watcher(LinkStepKind::Insert, LinkStepCause::Edit, index, line);
  if (insert_line(index, line)) record(LinkHistory::Kind::Insert, index, line);
}

void LinkRemove(int64_t index) {
  const int32_t saved = text_stack_top();
  show_watcher(LinkStepKind::Remove, LinkStepCause::Edit, index, gadget_item_text(ListViewLinks, index, saved));
  gadget_remove_item(ListViewLinks, index);
  record(LinkHistory::Kind::Remove, index, text_stack_at(saved));
  text_stack_cut(saved);
}

void LinkStartHistory() {
  show_watcher(LinkStepKind::NewList, LinkStepCause::Edit, -1, nullptr);
  gadget_clear(ListViewLinks);
  g_history.clear();
  g_applied = 0;
  g_saved_at = FileSaved != 0 ? 0 : kNeverSaved;
}

void LinkAppendLoaded(const WCHAR* line) { gadget_add_item(ListViewLinks, -1, line); }

void LinkMarkSaved() {
  show_watcher(LinkStepKind::Saved, LinkStepCause::Edit, -1, nullptr);
  g_saved_at = g_applied;
  follow_saved_state();
}

LinkUndoStep LinkNextUndo() { return g_applied > 0 ? step_at(g_applied - 1) : LinkUndoStep{false, false, -1}; }

LinkUndoStep LinkNextRedo() {
  return g_applied < g_history.count() ? step_at(g_applied) : LinkUndoStep{false, false, -1};
}

LinkUndoStep LinkUndo(int32_t offset) {
  if (g_applied == 0) {
    text_stack_cut(offset);
    return LinkUndoStep{false, false, -1};
  }
  return walk(g_applied - 1, false, offset);
}

LinkUndoStep LinkRedo(int32_t offset) {
  if (g_applied == g_history.count()) {
    text_stack_cut(offset);
    return LinkUndoStep{false, false, -1};
  }
  return walk(g_applied, true, offset);
}

void LinkChangesEnd() {
  g_history.clear();
  g_applied = 0;
  g_saved_at = 0;
  g_watcher = nullptr;
}
