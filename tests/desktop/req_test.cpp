// Requesters as the program meets them: the owner window, the program's other
// windows switched off and out of the topmost layer while a requester is up
// and put back afterwards, the message box answers, and the file dialogs'
// record (filters, initial directory, proposed name, flags) and results, with
// multiple selections handed out one by one. The file dialog is answered here
// by a routine put in the platform's place; req_dialog_test.cpp drives the
// platform's own.
#include <future>
#include <thread>

#include "common/child_io.h"
#include "req_fixture.h"

namespace {

struct Windows {
  HWND front, second, disabled, topmost, hidden;
};

class Req : public ReqTest {
 protected:
  Windows make_windows() {
    Windows w;
    w.second = make_window(TEXT("second"));
    w.disabled = make_window(TEXT("disabled"), 0, WS_VISIBLE | WS_DISABLED);
    w.topmost = make_window(TEXT("topmost"), WS_EX_TOPMOST);
    w.hidden = make_window(TEXT("hidden"), 0, 0);
    w.front = make_window(TEXT("front"));
    SetForegroundWindow(w.front);
    EXPECT_EQ(GetForegroundWindow(), w.front);
    return w;
  }

  // Every window as it was before the requester.
  void expect_put_back(const Windows& w) {
    EXPECT_TRUE(IsWindowEnabled(w.front));
    EXPECT_TRUE(IsWindowEnabled(w.second));
    EXPECT_FALSE(IsWindowEnabled(w.disabled)) << "a window disabled before stays disabled";
    EXPECT_TRUE(IsWindowEnabled(w.topmost));
    EXPECT_TRUE(is_topmost(w.topmost));
    EXPECT_TRUE(IsWindowEnabled(w.hidden));
  }
};

TEST_F(Req, ModalBeginSwitchesTheOtherWindowsOffAndEndPutsThemBack) {
  Windows w = make_windows();
  EXPECT_EQ(req_owner_window(), w.front);

  req_modal_begin();
  EXPECT_TRUE(IsWindowEnabled(w.front)) << "the foreground window is left to the requester's own owner rule";
  EXPECT_FALSE(IsWindowEnabled(w.second));
  EXPECT_FALSE(IsWindowEnabled(w.disabled));
  EXPECT_FALSE(IsWindowEnabled(w.topmost));
  EXPECT_FALSE(is_topmost(w.topmost));
  EXPECT_TRUE(IsWindowEnabled(w.hidden)) << "an invisible window is not touched";
  EXPECT_EQ(GetForegroundWindow(), w.front) << "leaving the topmost layer does not activate";
  req_modal_end();
  expect_put_back(w);

  // Nested requesters: the inner end puts back only what the inner begin changed.
  req_modal_begin();
  HWND inner = make_window(TEXT("inner dialog"));
  SetForegroundWindow(inner);
  req_modal_begin();
  EXPECT_FALSE(IsWindowEnabled(w.front));
  req_modal_end();
  EXPECT_FALSE(IsWindowEnabled(w.second)) << "still up: the outer requester";
  EXPECT_FALSE(is_topmost(w.topmost));
  EXPECT_TRUE(IsWindowEnabled(w.front)) << "put back by the inner requester's end";
  DestroyWindow(inner);
  windows_.pop_back();
  req_modal_end();
  EXPECT_TRUE(IsWindowEnabled(w.second));
  EXPECT_TRUE(is_topmost(w.topmost));

  // An end without its begin, and a window gone while the requester was up.
  req_modal_end();
  EXPECT_TRUE(IsWindowEnabled(w.second));
  HWND doomed = make_window(TEXT("doomed"));
  SetForegroundWindow(w.front);
  req_modal_begin();
  DestroyWindow(doomed);
  windows_.pop_back();
  req_modal_end();
  expect_put_back(w);
}

TEST_F(Req, ModalBeginLeavesOtherThreadsWindowsAlone) {
  HWND front = make_window(TEXT("front"));
  SetForegroundWindow(front);
  // The helper thread parks for good once its window is gone: the stand-in keeps a thread's
  // message queue for the life of the process, which the leak checker would report once the
  // thread had ended.
  std::promise<HWND> made;
  std::promise<void> done, destroyed;
  std::thread([&] {
    HWND window = CreateWindowExW(WS_EX_TOPMOST, TEXT("ReqTestWindow"), TEXT("theirs"),
                                  WS_OVERLAPPEDWINDOW | WS_VISIBLE, 300, 300, 200, 100, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    made.set_value(window);
    done.get_future().wait();
    DestroyWindow(window);
    destroyed.set_value();
    std::promise<void> never;
    never.get_future().wait();
  }).detach();
  HWND theirs = made.get_future().get();
  struct Release {
    std::promise<void>& done;
    std::promise<void>& destroyed;
    ~Release() {
      done.set_value();
      destroyed.get_future().wait();
    }
  } release{done, destroyed};
  ASSERT_NE(theirs, nullptr);
  HWND ours = make_window(TEXT("ours"));
  SetForegroundWindow(front);
  req_modal_begin();
  EXPECT_FALSE(IsWindowEnabled(ours));
  EXPECT_TRUE(IsWindowEnabled(theirs));
  EXPECT_TRUE(is_topmost(theirs));
  req_modal_end();
  EXPECT_TRUE(IsWindowEnabled(ours));
}

TEST_F(Req, MessageBoxOwnedByTheForegroundWindowWithTheOthersOff) {
  Windows w = make_windows();
  struct Seen {
    HWND owner = nullptr;
    std::string caption, text;
    BOOL front = TRUE, second = TRUE, disabled = TRUE;
    bool topmost = true;
  } seen;
  BoxDriver yes;
  yes.look = [&](HWND box) {
    seen.owner = GetWindow(box, GW_OWNER);
    seen.caption = window_text(box);
    seen.front = IsWindowEnabled(w.front);
    seen.second = IsWindowEnabled(w.second);
    seen.disabled = IsWindowEnabled(w.disabled);
    seen.topmost = is_topmost(w.topmost);
  };
  yes.answer = [](HWND box) { PostMessageW(box, WM_COMMAND, IDYES, 0); };
  int64_t answer = yes.run([] { return req_message(TEXT("Visit ?"), TEXT("http://example.org/"), MB_YESNO); });
  EXPECT_EQ(answer, IDYES);
  EXPECT_TRUE(yes.seen);
  EXPECT_EQ(seen.owner, w.front);
  EXPECT_EQ(seen.caption, "Visit ?");
  EXPECT_FALSE(seen.front) << "the box disables its owner";
  EXPECT_FALSE(seen.second);
  EXPECT_FALSE(seen.disabled);
  EXPECT_FALSE(seen.topmost);
  expect_put_back(w);

  BoxDriver no;
  no.answer = [](HWND box) { PostMessageW(box, WM_COMMAND, IDNO, 0); };
  EXPECT_EQ(no.run([] { return req_message(TEXT("Save ?"), TEXT("now"), MB_YESNO); }), IDNO);
  expect_put_back(w);

  // OK only, and null texts read as empty (not the platform's "Error" caption).
  BoxDriver ok;
  ok.look = [&](HWND box) { seen.caption = window_text(box); };
  ok.answer = [](HWND box) { PostMessageW(box, WM_COMMAND, IDOK, 0); };
  EXPECT_EQ(ok.run([] { return req_message_ok(nullptr, nullptr); }), IDOK);
  EXPECT_EQ(seen.caption, "");
  expect_put_back(w);
}

// ---- The file dialogs, answered by a routine in the platform's place.

struct DialogCall {
  int calls = 0;
  int mode = -1;
  HWND owner = nullptr;
  bool no_filters = false;
  std::vector<std::string> filters;
  bool no_directory = false;
  std::string directory;
  std::string file;
  DWORD max_file = 0;
  DWORD flags = 0;
  DWORD filter_index = 0;
  bool no_title = false;
  std::string title;
  BOOL second_enabled = TRUE;
  HWND second = nullptr;
  // The answer: FALSE for cancel; else the units to leave in the buffer and the name offset.
  BOOL chosen = FALSE;
  Wide reply;
  WORD file_offset = 0;
};
DialogCall* dialog_call = nullptr;

BOOL answer_dialog(OPENFILENAMEW* d, int mode) {
  DialogCall& c = *dialog_call;
  ++c.calls;
  c.mode = mode;
  c.owner = d->hwndOwner;
  c.no_filters = d->lpstrFilter == nullptr;
  for (const WCHAR* f = d->lpstrFilter; f && *f; f += text_length(f) + 1) c.filters.push_back(u8(f));
  c.no_directory = d->lpstrInitialDir == nullptr;
  c.directory = u8(d->lpstrInitialDir);
  c.file = u8(d->lpstrFile);
  c.max_file = d->nMaxFile;
  c.flags = d->Flags;
  c.filter_index = d->nFilterIndex;
  c.no_title = d->lpstrTitle == nullptr;
  c.title = u8(d->lpstrTitle);
  if (c.second) c.second_enabled = IsWindowEnabled(c.second);
  if (c.chosen) {
    EXPECT_LE(c.reply.size(), d->nMaxFile);
    std::copy(c.reply.begin(), c.reply.end(), d->lpstrFile);
    d->nFileOffset = c.file_offset;
  }
  return c.chosen;
}

// The buffer of one chosen path, with nFileOffset at its name.
void reply_path(DialogCall* c, const std::string& path) {
  c->chosen = TRUE;
  c->reply = wide(path);
  c->reply.push_back(0);
  c->file_offset = static_cast<WORD>(path.find_last_of('\\') + 1);
}

// The buffer of several chosen names: directory, names, an empty string.
void reply_names(DialogCall* c, const std::string& directory, const std::vector<std::string>& names) {
  c->chosen = TRUE;
  c->reply = wide(directory);
  c->reply.push_back(0);
  c->file_offset = static_cast<WORD>(c->reply.size());
  for (const std::string& name : names) {
    c->reply += wide(name);
    c->reply.push_back(0);
  }
  c->reply.push_back(0);
}

class ReqFile : public ReqTest {
 protected:
  void SetUp() override {
    ReqTest::SetUp();
    dialog_call = &call_;
    req_set_file_dialog_routine(answer_dialog);
  }
  void TearDown() override {
    dialog_call = nullptr;
    ReqTest::TearDown();
  }
  std::string open(const WCHAR* default_file, const WCHAR* pattern, int32_t index = 0) {
    call_ = DialogCall{};
    return u8(req_open_file(TEXT("Select"), default_file, pattern, index, text_stack_top()));
  }
  DialogCall call_;
};

TEST_F(ReqFile, PatternListAndDefaultFileMakeTheDialogRecord) {
  HWND front = make_window(TEXT("front"));
  SetForegroundWindow(front);
  open(TEXT("C:\\rolos\\Webrolo.txt"), TEXT("Webrolo Text File|*.txt"));
  EXPECT_EQ(call_.calls, 1);
  EXPECT_EQ(call_.mode, 0);
  EXPECT_EQ(call_.owner, front);
  EXPECT_EQ(call_.filters, (std::vector<std::string>{"Webrolo Text File", "*.txt"}));
  EXPECT_EQ(call_.filter_index, 1u);
  EXPECT_EQ(call_.directory, "C:\\rolos\\");
  EXPECT_EQ(call_.file, "Webrolo.txt");
  EXPECT_EQ(call_.max_file, 260u);
  EXPECT_EQ(call_.flags, 0x8080Cu);
  EXPECT_EQ(call_.title, "Select");

  open(TEXT("C:\\rolos\\"), TEXT("Text|*.txt;*.log|All|*.*"), 1);
  EXPECT_EQ(call_.filters, (std::vector<std::string>{"Text", "*.txt;*.log", "All", "*.*"}));
  EXPECT_EQ(call_.filter_index, 2u);
  EXPECT_EQ(call_.directory, "C:\\rolos\\") << "a directory opens the dialog there with an empty name";
  EXPECT_EQ(call_.file, "");

  // Empty and null patterns: no filters at all.
  open(TEXT("x.txt"), TEXT(""));
  EXPECT_TRUE(call_.no_filters);
  EXPECT_TRUE(call_.no_directory);
  EXPECT_EQ(call_.file, "x.txt");
  open(nullptr, nullptr);
  EXPECT_TRUE(call_.no_filters);
  EXPECT_TRUE(call_.no_directory);
  EXPECT_EQ(call_.file, "");

  // Names that are no file names are dropped; the directory is still used.
  open(TEXT("C:\\rolos\\what?.txt"), nullptr);
  EXPECT_EQ(call_.directory, "C:\\rolos\\");
  EXPECT_EQ(call_.file, "");
  open(TEXT("D:\\a\\*.txt"), nullptr);
  EXPECT_EQ(call_.directory, "D:\\a\\");
  EXPECT_EQ(call_.file, "");
  open(TEXT("tab\there.txt"), nullptr);
  EXPECT_EQ(call_.file, "");
  open(TEXT("C:\\"), nullptr);
  EXPECT_EQ(call_.directory, "C:\\") << "a root stays a root";
  // Both separators split; a name too long for the buffer is dropped, not cut.
  open(TEXT("/home/user/links.txt"), nullptr);
  EXPECT_EQ(call_.directory, "/home/user/");
  EXPECT_EQ(call_.file, "links.txt");
  std::string long_name(300, 'n');
  open(wide("C:\\d\\" + long_name).c_str(), nullptr);
  EXPECT_EQ(call_.directory, "C:\\d\\");
  EXPECT_EQ(call_.file, "");
  std::string fits(259, 'f');
  open(wide("C:\\d\\" + fits).c_str(), nullptr);
  EXPECT_EQ(call_.file, fits);

  // An empty title leaves the platform's own; a negative index shows the first filter.
  call_ = DialogCall{};
  req_save_file(TEXT(""), nullptr, TEXT("A|*.a"), -1, text_stack_top());
  EXPECT_EQ(call_.mode, 1);
  EXPECT_TRUE(call_.no_title);
  EXPECT_EQ(call_.filter_index, 0u);
  EXPECT_EQ(call_.flags, 0x8080Cu);
}

TEST_F(ReqFile, ResultsOnTheStackAndTheOtherWindowsOffMeanwhile) {
  HWND second = make_window(TEXT("second"));
  HWND front = make_window(TEXT("front"));
  SetForegroundWindow(front);

  // Cancel gives "", at the offset, with the stack cut there.
  int32_t saved = text_stack_top();
  text_push(TEXT("before:"));
  int32_t at = text_stack_top();
  call_ = DialogCall{};
  call_.second = second;
  EXPECT_EQ(u8(req_open_file(TEXT("t"), TEXT("C:\\x\\y.txt"), TEXT("T|*.txt"), 0, at)), "");
  EXPECT_EQ(text_stack_top(), at);
  EXPECT_EQ(u8(text_stack_at(saved)), "before:");
  EXPECT_FALSE(call_.second_enabled) << "the dialog runs between req_modal_begin and req_modal_end";
  EXPECT_TRUE(IsWindowEnabled(second));

  // A chosen path is appended at the offset, like any string operation.
  call_ = DialogCall{};
  reply_path(&call_, "C:\\x\\chosen.txt");
  WCHAR* result = req_save_file(TEXT("t"), nullptr, nullptr, 0, at);
  EXPECT_EQ(result, text_stack_at(at));
  EXPECT_EQ(u8(text_stack_at(saved)), "before:C:\\x\\chosen.txt");
  EXPECT_EQ(text_stack_top(), at + static_cast<int32_t>(15 * sizeof(WCHAR)));
  text_stack_cut(saved);

  // A default file that lies on the stack where the result goes.
  text_push(TEXT("C:\\stacked\\name.txt"));
  call_ = DialogCall{};
  reply_path(&call_, "C:\\stacked\\other.txt");
  result = req_open_file(TEXT("t"), text_stack_at(saved), nullptr, 0, saved);
  EXPECT_EQ(call_.directory, "C:\\stacked\\");
  EXPECT_EQ(call_.file, "name.txt");
  EXPECT_EQ(u8(result), "C:\\stacked\\other.txt");
  text_stack_cut(saved);
}

TEST_F(ReqFile, MultipleSelectionHandedOutByNextFile) {
  EXPECT_EQ(u8(req_next_file(text_stack_top())), "") << "nothing chosen yet";

  call_ = DialogCall{};
  reply_names(&call_, "C:\\links", {"a.txt", "b.txt", "c.txt"});
  int32_t top = text_stack_top();
  EXPECT_EQ(u8(req_open_file_ex(TEXT("t"), nullptr, nullptr, 0, REQ_MULTIPLE, top)), "C:\\links\\a.txt");
  EXPECT_EQ(call_.max_file, 512000u);
  EXPECT_EQ(call_.flags, 0x80A0Cu);
  EXPECT_EQ(u8(req_next_file(top)), "C:\\links\\b.txt");
  EXPECT_EQ(u8(req_next_file(top)), "C:\\links\\c.txt");
  EXPECT_EQ(u8(req_next_file(top)), "");
  EXPECT_EQ(u8(req_next_file(top)), "") << "and stays at the end";

  // A directory that ends in a separator gets none added; a save in between keeps the names.
  call_ = DialogCall{};
  reply_names(&call_, "C:\\", {"one", "two"});
  EXPECT_EQ(u8(req_open_file_ex(TEXT("t"), nullptr, nullptr, 0, REQ_MULTIPLE, top)), "C:\\one");
  call_ = DialogCall{};
  reply_path(&call_, "C:\\saved.txt");
  EXPECT_EQ(u8(req_save_file(TEXT("t"), nullptr, nullptr, 0, top)), "C:\\saved.txt");
  EXPECT_EQ(u8(req_next_file(top)), "C:\\two");
  EXPECT_EQ(u8(req_next_file(top)), "");
  // A directory written with forward slashes gets one of its own kind.
  call_ = DialogCall{};
  reply_names(&call_, "/home/user", {"p", "q"});
  EXPECT_EQ(u8(req_open_file_ex(TEXT("t"), nullptr, nullptr, 0, REQ_MULTIPLE, top)), "/home/user/p");
  EXPECT_EQ(u8(req_next_file(top)), "/home/user/q");

  // One file chosen in a multiple dialog: its full path, and nothing left.
  call_ = DialogCall{};
  reply_path(&call_, "C:\\links\\only.txt");
  EXPECT_EQ(u8(req_open_file_ex(TEXT("t"), nullptr, nullptr, 0, REQ_MULTIPLE, top)), "C:\\links\\only.txt");
  EXPECT_EQ(u8(req_next_file(top)), "");

  // A new open dialog drops the names not handed out; so does a cancelled multiple one.
  call_ = DialogCall{};
  reply_names(&call_, "C:\\d", {"x", "y"});
  req_open_file_ex(TEXT("t"), nullptr, nullptr, 0, REQ_MULTIPLE, top);
  call_ = DialogCall{};
  reply_path(&call_, "C:\\d\\z");
  EXPECT_EQ(u8(req_open_file(TEXT("t"), nullptr, nullptr, 0, top)), "C:\\d\\z");
  EXPECT_EQ(u8(req_next_file(top)), "");
  call_ = DialogCall{};
  reply_names(&call_, "C:\\d", {"x", "y"});
  req_open_file_ex(TEXT("t"), nullptr, nullptr, 0, REQ_MULTIPLE, top);
  call_ = DialogCall{};
  EXPECT_EQ(u8(req_open_file_ex(TEXT("t"), nullptr, nullptr, 0, REQ_MULTIPLE, top)), "");
  EXPECT_EQ(u8(req_next_file(top)), "");
  EXPECT_EQ(text_stack_top(), top);
}

TEST_F(ReqFile, PathsTooLongForTheResultAreSkippedNotCut) {
  int32_t top = text_stack_top();
  std::string directory = "C:\\" + std::string(200, 'd');  // 203 units, 204 with its separator
  std::string too_long(56, 'L');                           // 260 units together
  std::string just_fits(55, 'k');                          // 259 units together
  call_ = DialogCall{};
  reply_names(&call_, directory, {too_long, just_fits, too_long, "end"});
  EXPECT_EQ(u8(req_open_file_ex(TEXT("t"), nullptr, nullptr, 0, REQ_MULTIPLE, top)), directory + "\\" + just_fits);
  EXPECT_EQ(u8(req_next_file(top)), directory + "\\end");
  EXPECT_EQ(u8(req_next_file(top)), "");

  // A directory that leaves no room for any name, and one long path alone.
  call_ = DialogCall{};
  reply_names(&call_, "C:\\" + std::string(300, 'd'), {"a", "b"});
  EXPECT_EQ(u8(req_open_file_ex(TEXT("t"), nullptr, nullptr, 0, REQ_MULTIPLE, top)), "");
  EXPECT_EQ(u8(req_next_file(top)), "");
  call_ = DialogCall{};
  reply_path(&call_, "C:\\" + std::string(400, 'p'));
  EXPECT_EQ(u8(req_open_file_ex(TEXT("t"), nullptr, nullptr, 0, REQ_MULTIPLE, top)), "");
  EXPECT_EQ(text_stack_top(), top);
}

}  // namespace
