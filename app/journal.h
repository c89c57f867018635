// The edit journal: from the first unsaved change on, every step the link
// list takes is written beside the catalogue before the list takes it, and
// put on the disk at once, so that whatever ends the process (a kill, a lost
// display, a logout, a power cut) the next Open can offer the links back.
#pragma once

#include "runtime/file.h"

// Watches the link list's steps from now on (start-up).
void JournalStart();
// Opening: what the catalogue was when read (its stamp), kept for the
// journal's first line and for the check before a save replaces it.
void JournalCatalogueRead(const FileStamp& stamp);
// After a catalogue was opened: a journal left for it leads to the question
// whether to restore its steps.
void JournalOfferRecovery();
// A command without a window (a script building the page) reads the
// catalogue as saved and leaves any journal for the window to offer.
void JournalLeaveForTheWindow();
// The user chose (saved, or said No to saving): the journal goes.
void JournalDiscard();
// The session ends (logout, a signal, a lost display): the journal is put on
// the disk and kept, and the loop ends without questions.
void JournalSessionEnds();
// Before a save replaces the catalogue: false when another program changed
// it since it was read and the user does not want it replaced.
bool JournalMayReplaceCatalogue();
