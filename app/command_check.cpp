// webrolo --check: reads a catalogue as Open does and reports, one line each
// with its line number, what selecting the line or building the page would
// refuse, exact duplicates and addresses that are not absolute; then a
// summary. Problems found end the command with 1, so a hook can stop a commit.
#include <unordered_map>

#include "app/command_parts.h"
#include "app/state.h"
#include "app/text_helpers.h"
#include "gui/gadget.h"

namespace {

const WCHAR* const kFieldNames[3] = {TEXT("menu name"), TEXT("title"), TEXT("address")};

struct Checker {
  const WCHAR* catalogue = nullptr;
  int64_t problems = 0;
  // Lines seen, by the hash of their text: a duplicate is confirmed by comparing the texts.
  std::unordered_multimap<uint64_t, int64_t> seen;

  template <typename... Pieces>
  void Report(int64_t index, const Pieces&... pieces) {
    ++problems;
    Joined line(catalogue, TEXT(":"), index + 1, TEXT(": "), pieces...);
    Say(CON_OUTPUT, static_cast<const WCHAR*>(line));
  }
};

uint64_t HashOf(const WCHAR* text) {
  uint64_t hash = 14695981039346656037ull;  // 64-bit FNV-1a
  for (; *text; ++text) hash = (hash ^ static_cast<uint16_t>(*text)) * 1099511628211ull;
  return hash;
}

// A scheme: a letter, then letters, digits, "+", "-" or ".", then ":".
bool HasScheme(const TextPiece& address) {
  auto letter = [](WCHAR unit) { return (unit >= 'a' && unit <= 'z') || (unit >= 'A' && unit <= 'Z'); };
  if (address.length == 0 || !letter(address.text[0])) return false;
  for (int64_t i = 1; i < address.length; ++i) {
    const WCHAR unit = address.text[i];
    if (unit == ':') return true;
    if (!letter(unit) && !(unit >= '0' && unit <= '9') && unit != '+' && unit != '-' && unit != '.') return false;
  }
  return false;
}

void CheckFields(Checker* checker, int64_t index, const WCHAR* line) {
  TextPiece fields[3];
  if (!SplitLinkLine(line, Delimiter, fields)) {
    checker->Report(index, TEXT("has "), text_count(line, Delimiter), TEXT(" delimiters "), Delimiter,
                    TEXT(" where a link line has 3"));
    return;
  }
  for (int n = 0; n < 3; ++n) {
    if (fields[n].length == 0) {
      checker->Report(index, TEXT("the "), kFieldNames[n], TEXT(" is empty"));
      return;
    }
  }
  if (!HasScheme(fields[2])) checker->Report(index, TEXT("the address is not absolute (no scheme such as https:)"));
}

void CheckDuplicate(Checker* checker, int64_t index, const WCHAR* line) {
  const uint64_t hash = HashOf(line);
  auto [from, to] = checker->seen.equal_range(hash);
  for (auto it = from; it != to; ++it) {
    const int32_t saved = text_stack_top();
    const bool same = text_equal(gadget_item_text(ListViewLinks, it->second, saved), line) != 0;
    text_stack_cut(saved);
    if (same) {
      checker->Report(index, TEXT("the same as line "), it->second + 1);
      return;
    }
  }
  checker->seen.emplace(hash, index);
}

int CheckInSession(const WCHAR* catalogue) {
  if (!OpenForCommand(catalogue)) return kExitFailed;
  Checker checker;
  checker.catalogue = catalogue;
  const int64_t count = gadget_item_count(ListViewLinks);
  for (int64_t i = 0; i < count; ++i) {
    const int32_t saved = text_stack_top();
    // Kept apart from the stack: checking a duplicate reads another line there.
    LocalText line;
    gadget_item_text(ListViewLinks, i, saved);
    KeepText(&line.value, saved);
    CheckFields(&checker, i, line);
    CheckDuplicate(&checker, i, line);
  }
  Joined summary(catalogue, TEXT(": "), count, TEXT(" lines, "), checker.problems, TEXT(" problems"));
  Say(CON_OUTPUT, static_cast<const WCHAR*>(summary));
  return checker.problems > 0 ? kExitFailed : kExitDone;
}

}  // namespace

int RunCheck(const CommandArgs& args) {
  if (!IsInputFile(args.operands[0])) return kExitFailed;
  CommandSession session;
  return CheckInSession(args.operands[0]);
}
