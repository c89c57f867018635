// Every change to the link list goes through here: a line added or removed
// (by Add Link and Delete Link, or by undoing and redoing them), a new list
// (opening a catalogue), and the list becoming what the file holds (a save).
// So the history that undo and redo walk, the unsaved flag FileSaved and the
// watcher that sees each step (the edit journal's place) cannot disagree.
//
// FileSaved follows the history: it is 1 exactly while the list stands at
// the step it was last saved at. Undoing back to the save leaves nothing
// unsaved; anything else is unsaved.
#pragma once

#include <cstdint>

#include "runtime/text.h"

enum class LinkStepKind : uint8_t { Insert, Remove, NewList, Saved };
enum class LinkStepCause : uint8_t { Edit, Undo, Redo };

// One step as the list takes it.
struct LinkStep {
  LinkStepKind kind;
  LinkStepCause cause;  // an undo or redo comes as the insert or removal it makes
  int64_t index;        // Insert, Remove: the line's place; -1 otherwise
  const WCHAR* line;    // Insert, Remove: its text (valid during the call only); empty otherwise
};

// Called with every step before the list takes it; null for none. Returns
// the watcher it replaces, which a new watcher passes each step on to.
typedef void (*LinkStepWatcher)(const LinkStep& step);
LinkStepWatcher SetLinkStepWatcher(LinkStepWatcher watcher);

// Where sorted insertion puts a line: before the first line that does not
// sort below it, comparing whole lines without regard to case.
int64_t LinkSortedPlace(const WCHAR* line);
// The user's changes, each one step of the history (which forgets what could
// have been redone). The index must name a place in the list (a line, for a removal).
void LinkInsert(int64_t index, const WCHAR* line);
void LinkRemove(int64_t index);

// Opening: the list is emptied and a new history starts; the catalogue's
// lines are then appended as they are read, as the history's start. Opening
// does not count as saving: what was unsaved before stays unsaved.
void LinkStartHistory();
void LinkAppendLoaded(const WCHAR* line);
// A successful save: the list as it stands is what the catalogue file holds.
void LinkMarkSaved();

// Undo and redo. `any` is false when there is nothing to undo or redo; `add`
// tells whether the step is an Add Link (else a Delete Link) as the user made it.
struct LinkUndoStep {
  bool any;
  bool add;
  int64_t index;
};
LinkUndoStep LinkNextUndo();
LinkUndoStep LinkNextRedo();
// Undoes or redoes that step; its line goes onto the temporary stack at offset (empty when none).
LinkUndoStep LinkUndo(int32_t offset);
LinkUndoStep LinkRedo(int32_t offset);

// Forgets the history; its memory lies in the general heap, so this runs before that goes.
void LinkChangesEnd();
