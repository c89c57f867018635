// Undo and redo against a model: the program opens a catalogue and runs adds,
// deletes, undos, redos, saves and reopenings through its handlers. A plain
// vector and its list of steps say what the list, FileSaved, the status line
// and the watcher of the list's changes (called before each) must show.
//
// Input: two bytes choose the catalogue's lines, then pairs of bytes, an
// action and its argument. Menus differ in case only, so sorted insertion
// meets the lines it ties with.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/link_changes.h"
#include "app/state.h"
#include "desktop/req.h"
#include "fuzz_input.h"

namespace {

using Lines = std::vector<std::u16string>;
std::string g_folder;
std::u16string g_catalogue;
const std::u16string kLines[] = {u"A[]t[]1[]", u"a[]t[]1[]", u"A[]T[]2[]", u"a[]t[]2[]", u"b[]t[]1[]",
                                 u"B[]t[]1[]", u"b[]T[]2[]", u"c[]c[]c[]", u"C[]c[]C[]", u"c[]t[]1[]"};
Lines g_seen;                         // what the watcher saw: kind, index, lines in the list then, the line
LinkStepWatcher g_journal = nullptr;  // the program's own watcher, which keeps the journal and the saved file's stamp

std::u16string seen(LinkStepKind kind, int64_t index, size_t count, const std::u16string& line) {
  const std::string head = std::to_string(static_cast<int>(kind)) + " " + std::to_string(index) + " " +
                           std::to_string(count) + " ";
  return std::u16string(head.begin(), head.end()) + line;
}

void watch(const LinkStep& s) {
  g_seen.push_back(seen(s.kind, s.index, static_cast<size_t>(gadget_item_count(ListViewLinks)),
                        reinterpret_cast<const char16_t*>(s.line)));
  if (g_journal) g_journal(s);
}

BOOL answer_dialog(OPENFILENAMEW* dialog, int) {
  std::copy(g_catalogue.begin(), g_catalogue.end(), dialog->lpstrFile);
  dialog->lpstrFile[g_catalogue.size()] = 0;
  return TRUE;
}

// The question about unsaved links is answered No; other boxes are closed.
void CALLBACK close_boxes(HWND, UINT, UINT_PTR, DWORD) {
  HWND box = GetActiveWindow();
  if (box && box != win_handle(MainWindow)) PostMessageW(box, WM_COMMAND, GetDlgItem(box, IDNO) ? IDNO : IDOK, 0);
}

bool sorts_before(const std::u16string& a, const std::u16string& b) {
  auto lower = [](char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c; };
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                      [&](char16_t x, char16_t y) { return lower(x) < lower(y); });
}

std::string show_lines(const Lines& lines) {
  std::string out;
  for (const std::u16string& line : lines) out += fuzz::show(line) + " ";
  return out;
}

std::u16string text_of(const WCHAR* text) { return reinterpret_cast<const char16_t*>(text); }

Lines list_lines() {
  Lines out;
  for (int64_t i = 0; i < gadget_item_count(ListViewLinks); ++i) {
    const int32_t saved = text_stack_top();
    out.push_back(text_of(gadget_item_text(ListViewLinks, i, saved)));
    text_stack_cut(saved);
  }
  return out;
}

struct Model {
  struct Step {
    bool add;
    size_t index;
    std::u16string line;
  };
  Lines list, file, seen;
  std::vector<Step> steps;
  size_t applied = 0;
  long saved_at = 0;  // -1: no step of this history
  std::u16string status;

  void change(bool add, size_t index, const std::u16string& line) {
    seen.push_back(
        ::seen(add ? LinkStepKind::Insert : LinkStepKind::Remove, static_cast<int64_t>(index), list.size(), line));
    add ? (void)list.insert(list.begin() + static_cast<long>(index), line)
        : (void)list.erase(list.begin() + static_cast<long>(index));
  }
  void edit(bool add, size_t index, const std::u16string& line) {
    change(add, index, line);
    steps.resize(applied);
    if (saved_at > static_cast<long>(applied)) saved_at = -1;
    steps.push_back({add, index, line});
    ++applied;
  }
  void walk(bool undo) {
    if (undo ? applied == 0 : applied == steps.size()) {
      status = undo ? u"Nothing to Undo" : u"Nothing to Redo";
      return;
    }
    const Step step = steps[undo ? --applied : applied++];
    change(step.add != undo, step.index, step.line);
    status = std::u16string(undo ? u"Undone: " : u"Redone: ") + (step.add ? u"Add Link  " : u"Delete Link  ") +
             step.line;
  }
  void reopen() {
    seen.push_back(::seen(LinkStepKind::NewList, -1, list.size(), u""));
    list = file;
    steps.clear();
    applied = 0;
    saved_at = FileSaved ? 0 : -1;
  }
};

void act(Model& model, int action, int argument) {
  const std::u16string& line = kLines[argument % std::size(kLines)];
  const size_t index = model.list.empty() ? 0 : static_cast<size_t>(argument) % model.list.size();
  switch (action) {
    case 0: {
      const size_t menu = line.find(u"[]"), title = line.find(u"[]", menu + 2);
      gadget_set_text(MenuNameTxt, reinterpret_cast<const WCHAR*>(line.substr(0, menu).c_str()));
      gadget_set_text(LinkTitleTxt, reinterpret_cast<const WCHAR*>(line.substr(menu + 2, title - menu - 2).c_str()));
      gadget_set_text(LinkAddressTxt, reinterpret_cast<const WCHAR*>(line.substr(title + 2, 1).c_str()));
      AddLink();
      if (std::find(model.list.begin(), model.list.end(), line) != model.list.end()) return;
      const auto at = std::lower_bound(model.list.begin(), model.list.end(), line, sorts_before);
      return model.edit(true, static_cast<size_t>(at - model.list.begin()), line);
    }
    case 1:
      if (model.list.empty()) return;
      gadget_set_state(ListViewLinks, static_cast<int64_t>(index));
      DeleteLink();
      return model.edit(false, index, std::u16string(model.list[index]));  // a copy: the model erases the original
    case 2: UndoLinkChange(); return model.walk(true);
    case 3: RedoLinkChange(); return model.walk(false);
    case 4:
      SaveFileBtn_Clicked();
      if (model.list.empty()) return;  // nothing to save
      model.seen.push_back(seen(LinkStepKind::Saved, -1, model.list.size(), u""));
      model.saved_at = static_cast<long>(model.applied);
      model.file = model.list;
      return;
    default: OpenBtn_Clicked(); return model.reopen();
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  g_folder = fuzz::scratch_path("undo") + "/";
  std::filesystem::create_directories(g_folder);
  g_catalogue = std::u16string(g_folder.begin(), g_folder.end()) + u"links.txt";
  StartUp();
  req_set_file_dialog_routine(answer_dialog);
  SetTimer(nullptr, 0, 10, close_boxes);
  g_journal = SetLinkStepWatcher(watch);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::filesystem::path before = std::filesystem::current_path();
  std::filesystem::current_path(g_folder);  // the program saves in its current folder
  fuzz::Input input(data, size);
  Model model;
  const unsigned chosen = input.u16();
  for (size_t i = 0; i < std::size(kLines); ++i) {
    if (chosen & (1u << i)) model.file.push_back(kLines[i]);
  }
  std::stable_sort(model.file.begin(), model.file.end(), sorts_before);
  std::string bytes;
  for (const std::u16string& line : model.file) bytes += std::string(line.begin(), line.end()) + "\r\n";
  std::ofstream(g_folder + "links.txt", std::ios::binary | std::ios::trunc) << bytes;
  FileSaved = 1;
  act(model, 5, 0);
  g_seen = model.seen = {};
  for (int n = 0; n < 200 && !input.done(); ++n) {
    const int action = input.range(0, 5);
    act(model, action, input.byte());
    const std::string after = " after action " + std::to_string(action) + " of step " + std::to_string(n);
    FUZZ_CHECK(list_lines() == model.list,
               "the list" + after + ": " + show_lines(list_lines()) + " not " + show_lines(model.list));
    FUZZ_CHECK(FileSaved == (model.saved_at == static_cast<long>(model.applied)), "the unsaved flag" + after);
    FUZZ_CHECK(g_seen == model.seen, "what the watcher saw, each before its change" + after);
    const int32_t saved = text_stack_top();
    const bool walked = action == 2 || action == 3;
    FUZZ_CHECK(!walked || text_of(gadget_get_text(StatusTxt, saved)) == model.status, "the status" + after);
    text_stack_cut(saved);
  }
  std::filesystem::current_path(before);
  return 0;
}
