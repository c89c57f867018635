// What the window reports back: the status line after an action, and the
// number of links beside the find row.
#pragma once

#include "app/text_helpers.h"

// The status line shows this text.
void ShowStatus(const WCHAR* text);

// The status line shows the pieces joined.
template <typename... Pieces>
void SetStatus(const Pieces&... pieces) {
  Joined text(pieces...);
  ShowStatus(text);
}

// LinkCountTxt, LinkCountText and LinkCount follow the number of lines of the list.
void ShowLinkCount();
// LinkCountTxt shows LinkCountText, all of its digits.
void ShowLinkCountText();
