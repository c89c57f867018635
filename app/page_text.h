// The texts of the page: fields put into the option templates as safe HTML,
// and page lines made fit for the ANSI page file.
#pragma once

#include <cstdint>

#include "app/text_helpers.h"
#include "runtime/text.h"

// Writes the template on the stack at offset with every marker replaced by
// its value, in one pass: a value is never searched for a marker. Values are
// escaped: <, > and " as character references, and & unless it already
// begins one, so a catalogue that holds references keeps them. A null marker is unused.
WCHAR* FillTemplate(const WCHAR* pattern, const WCHAR* marker1, TextPiece value1, const WCHAR* marker2,
                    TextPiece value2, int32_t offset);

// The line at offset (up to the stack's top), rewritten in place so that the
// page file keeps every character: where the ANSI code page is not UTF-8 each
// character beyond ASCII becomes a numeric character reference, which reads
// the same under any character set the header declares; an unpaired
// surrogate becomes &#65533;.
WCHAR* PageTextForFile(int32_t offset);
