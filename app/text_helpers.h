// The small text tools every handler shares: texts joined on the temporary
// stack, string variables a handler owns for its own run, and the texts of
// gadgets and link-line fields kept in variables.
#pragma once

#include <cstdint>

#include "runtime/text.h"

// A text joined from pieces on the temporary stack into a variable of its
// own, freed when it goes out of scope. Pieces are texts (null reads as empty) or numbers.
class Joined {
 public:
  template <typename... Pieces>
  explicit Joined(const Pieces&... pieces) {
    const int32_t saved = text_stack_top();
    (push(pieces), ...);
    text_pop_into(&value_, saved);
  }
  ~Joined() { text_free(value_); }
  Joined(const Joined&) = delete;
  Joined& operator=(const Joined&) = delete;
  operator const WCHAR*() const { return value_ ? value_ : TEXT(""); }

 private:
  static void push(const WCHAR* piece) { text_push(piece); }
  static void push(int64_t number) { text_from_int(number, text_stack_top()); }
  TextVar value_ = nullptr;
};

// A string variable of a handler's own, freed when the handler is done.
struct LocalText {
  TextVar value = nullptr;
  LocalText() = default;
  LocalText(const LocalText&) = delete;
  LocalText& operator=(const LocalText&) = delete;
  ~LocalText() { text_free(value); }
  operator const WCHAR*() const { return value ? value : TEXT(""); }
};

// A text an operation wrote on the stack at `saved` goes into the variable, and the stack is given back.
inline void KeepText(TextVar* variable, int32_t saved) { text_pop_into(variable, saved); }

// Whether a string variable holds exactly this text.
inline bool Is(const WCHAR* variable, const WCHAR* text) { return text_equal(variable, text) != 0; }

// The text of a gadget into a variable.
void ReadGadgetText(int64_t gadget, TextVar* into);

// Field n (1 to 3) of a link line, split at the delimiter, into a variable.
void KeepField(TextVar* into, const WCHAR* line, int32_t n, const WCHAR* delimiter);

// When the line holds the delimiter exactly three times, its three fields
// (the texts before each delimiter) go into the variables, as KeepField puts
// them, and the answer is true; otherwise nothing changes. One pass over the line.
bool KeepFields(const WCHAR* line, const WCHAR* delimiter, TextVar* (&fields)[3]);
