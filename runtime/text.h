// The string runtime: string variables, the temporary string stack on which
// every string expression is built, and the string operations.
//
// Stack discipline: remember text_stack_top() as the saved offset, append
// pieces (text_push, or operations given the current top as their offset),
// then either text_pop_into a variable or read the value in place and cut
// back with text_stack_cut(saved). Pointers into the stack are valid only
// until the next operation that reserves room: keep offsets, not pointers.
#pragma once

#include <cstdint>

#include "platform/win32.h"

// A string variable: null, or a block of the string heap owned by it.
typedef WCHAR* TextVar;

void text_heap_init();
void text_heap_end();
HANDLE text_heap();

// The stack. Offsets are byte offsets from the base.
WCHAR* text_stack_base();
int32_t text_stack_top();
int32_t text_stack_capacity();
WCHAR* text_stack_at(int32_t offset);  // base + offset
WCHAR* text_stack_reserve(int32_t units, int32_t offset);
void text_stack_release(int32_t units);
int32_t text_stack_cut(int32_t offset);
int32_t text_stack_offset_of(const void* pointer);  // (pointer - base) + 1 on the stack, else 0
void text_push(const WCHAR* text);
void text_pop_into(TextVar* variable, int32_t saved_offset);

// Variables.
void text_assign(TextVar* variable, const WCHAR* text);
void text_free(WCHAR* block);
void text_new_copy(TextVar* variable, const WCHAR* text);

constexpr int TEXT_IGNORE_CASE = 1;

// Operations. Those answering WCHAR* write their result on the stack at the
// offset and answer base + offset.
int64_t text_length(const WCHAR* text);
int text_equal(const WCHAR* a, const WCHAR* b);
// Below 0, 0 or above 0 as a sorts before, with or after b: unit by unit
// (with TEXT_IGNORE_CASE each lowered first, as a sorted list box compares),
// a text that is the beginning of the other first.
int text_compare(const WCHAR* a, const WCHAR* b, int mode);
int64_t text_count(const WCHAR* text, const WCHAR* pattern);
WCHAR* text_field(const WCHAR* text, int32_t index, const WCHAR* delimiter, int32_t offset);
int64_t text_find(const WCHAR* text, const WCHAR* pattern, int64_t start, int mode);
// The next place the pattern (of that many units, at least one) begins at or
// after `from`, or null: for splitting a line at one delimiter after another.
const WCHAR* text_next(const WCHAR* from, const WCHAR* pattern, int64_t pattern_units);
WCHAR* text_replace(const WCHAR* text, const WCHAR* pattern, const WCHAR* replacement, int32_t offset);
WCHAR* text_from_int(int64_t value, int32_t offset);
int64_t text_to_int(const WCHAR* text);

// Conversions and formatting.
WCHAR* text_from_utf8(const char* bytes, int32_t offset);
WCHAR* text_from_ansi(const char* bytes, int32_t offset);
int text_format(WCHAR* destination, const WCHAR* format, ...);

// Copies count units to the offset (the units may lie on the stack
// themselves, even overlapping the result), ends them with a zero unit, sets
// the top behind them and answers base + offset.
WCHAR* text_stack_put(const WCHAR* units, int64_t count, int32_t offset);
