// Undo and redo of Add Link and Delete Link, any number of steps back to the
// opening of the catalogue. A line that comes back into the list is selected
// and its fields shown; a line that goes leaves nothing selected and its
// fields in the work areas, as Delete Link does. The status line says what
// was undone or redone, with the line.
#include "app/displays.h"
#include "app/link_changes.h"
#include "app/state.h"
#include "gui/gadget.h"

namespace {

// After the line at index came into the list (back) or went out of it.
void ShowChangedLine(int64_t index, const WCHAR* line, bool in_list) {
  ShowLinkCount();
  if (in_list) {
    gadget_set_state(ListViewLinks, index);
    SelectedIndex = index;
    text_assign(&SelectedLine, line);
    DelimiterCount = text_count(line, Delimiter);
  } else {
    gadget_set_state(ListViewLinks, -1);
  }
  ShowLineFields(line);
}

// Undoing a delete, or redoing an add, puts the line (back) into the list; the other two take it out.
void StepThroughHistory(bool undo) {
  const int32_t saved = text_stack_top();
  const LinkUndoStep step = undo ? LinkUndo(saved) : LinkRedo(saved);
  LocalText line;
  KeepText(&line.value, saved);
  if (step.any) {
    ShowChangedLine(step.index, line, step.add != undo);
    SetStatus(undo ? TEXT("Undone: ") : TEXT("Redone: "), step.add ? TEXT("Add Link") : TEXT("Delete Link"), TEXT("  "),
              line);
  } else {
    SetStatus(undo ? TEXT("Nothing to Undo") : TEXT("Nothing to Redo"));
  }
  text_assign(&LastAction, undo ? TEXT("Undo") : TEXT("Redo"));
}

}  // namespace

void UndoLinkChange() { StepThroughHistory(true); }

void RedoLinkChange() { StepThroughHistory(false); }
