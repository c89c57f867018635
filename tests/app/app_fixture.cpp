#include "app_fixture.h"

#ifndef _WIN32
#include "platform/win32/display/headless_backend.h"

#ifndef _WIN32
#include <signal.h>
#include <sys/resource.h>
#endif
#endif

namespace {

BoxScript* g_script = nullptr;

const WCHAR kAnsweredProperty[] = TEXT("AppTestAnswered");
constexpr int kMessageBoxText = 0xFFFF;  // the static that holds a message box's text
constexpr int kNameCombo = 0x47c;        // the file dialog's name field, where it has a combo box
constexpr int kNameEdit = 0x480;         // and where it has a plain field

bool is_dialog(HWND window) {
  WCHAR cls[16] = {};
  GetClassNameW(window, cls, 16);
  return u8(cls) == "#32770";
}

HWND name_field(HWND box) {
  HWND combo = GetDlgItem(box, kNameCombo);
  return combo ? combo : GetDlgItem(box, kNameEdit);
}

POINT center_of(HWND window) {
  RECT r{};
  GetClientRect(window, &r);
  return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

// A mouse click at a point of a window's client area.
void click_at(HWND window, POINT point, bool twice = false) {
#ifndef _WIN32
  POINT p = headless::on_screen(window, point.x, point.y);
  headless::click(p.x, p.y);
  if (twice) headless::click(p.x, p.y);
#else
  const LPARAM at = MAKELPARAM(point.x, point.y);
  PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, at);
  PostMessageW(window, WM_LBUTTONUP, 0, at);
  if (twice) {
    PostMessageW(window, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
    PostMessageW(window, WM_LBUTTONUP, 0, at);
  }
#endif
}

#ifndef _WIN32
// The key that types a character: its own for letters, digits and the space
// bar; for anything else a key that only carries its text (VK_PACKET), as an
// input method sends, so no character is taken for an editing key.
UINT key_for(WCHAR c) {
  constexpr UINT kPacketKey = 0xE7;
  if (c >= 'a' && c <= 'z') return c - 'a' + 'A';
  if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == ' ') return c;
  return kPacketKey;
}
#endif

void press_key(UINT virtual_key) {
#ifndef _WIN32
  headless::key(virtual_key);
#else
  HWND focus = GetFocus();
  PostMessageW(focus, WM_KEYDOWN, virtual_key, 1);
  PostMessageW(focus, WM_KEYUP, virtual_key, 0xC0000001);
#endif
}

// Types the text into whatever has the focus, key by key on Linux.
void type_keys(const std::string& utf8) {
  std::u16string units = w16(utf8);
  for (size_t i = 0; i < units.size(); ++i) {
#ifndef _WIN32
    // A pair of surrogates is one key's text.
    const bool pair = units[i] >= 0xD800 && units[i] <= 0xDBFF && i + 1 < units.size();
    WCHAR typed[3] = {units[i], pair ? units[i + 1] : WCHAR{0}, 0};
    if (pair) ++i;
    headless::key(key_for(typed[0]), typed);
#else
    SendMessageW(GetFocus(), WM_CHAR, units[i], 1);
#endif
  }
}

}  // namespace

std::string window_text(HWND window) {
  if (!window) return "";
  WCHAR buffer[2048] = {};
  GetWindowTextW(window, buffer, 2048);
  return u8(buffer);
}

void BoxScript::start() {
  g_script = this;
  timer_ = SetTimer(nullptr, 0, 30, tick);
}

void BoxScript::stop() {
  KillTimer(nullptr, timer_);
  g_script = nullptr;
}

std::vector<SeenBox> BoxScript::taken() {
  std::vector<SeenBox> out;
  out.swap(seen_);
  return out;
}

void CALLBACK BoxScript::tick(HWND, UINT, UINT_PTR, DWORD) {
  if (g_script) g_script->on_tick();
}

void BoxScript::on_tick() {
  HWND box = GetActiveWindow();
  if (!box || !is_dialog(box) || !IsWindowVisible(box)) return;
  if (GetPropW(box, kAnsweredProperty)) {
    // A box that ignores its answer is destroyed, so that it fails the test rather than hang it.
    if (++ticks_on_last_ > 60) DestroyWindow(box);
    return;
  }
  ticks_on_last_ = 0;
  SetPropW(box, kAnsweredProperty, reinterpret_cast<HANDLE>(1));
  const bool file_dialog = name_field(box) != nullptr;
  seen_.push_back(SeenBox{window_text(box), file_dialog ? "" : window_text(GetDlgItem(box, kMessageBoxText))});
  if (answers_.empty()) {
    ++unexpected_;
    const int way_out = GetDlgItem(box, IDCANCEL) ? IDCANCEL : GetDlgItem(box, IDNO) ? IDNO : IDOK;
    act(box, BoxAnswer{way_out, file_dialog, ""});
    return;
  }
  BoxAnswer answer = answers_.front();
  answers_.pop_front();
  act(box, answer);
}

void BoxScript::act(HWND box, const BoxAnswer& answer) {
  if (answer.typed) {
    type_keys(answer.path);
    press_key(VK_RETURN);
    return;
  }
  if (answer.file_dialog) {
    if (!answer.path.empty()) SetWindowTextW(name_field(box), reinterpret_cast<const WCHAR*>(w16(answer.path).c_str()));
    PostMessageW(box, WM_COMMAND, static_cast<WPARAM>(answer.button), 0);
    return;
  }
  if (answer.button == 0) {
    press_key(VK_RETURN);
    return;
  }
  HWND button = GetDlgItem(box, answer.button);
  if (!button) {
    ADD_FAILURE() << "the box \"" << window_text(box) << "\" has no button " << answer.button;
    PostMessageW(box, WM_COMMAND, IDCANCEL, 0);
    return;
  }
  click_at(button, center_of(button));
}

void AppTest::SetUp() {
  dir_ = test_dir();
  saved_dir_ = std::filesystem::current_path();
  std::filesystem::current_path(dir_);
#ifndef _WIN32
  // Nothing a test opens reaches a real browser, and the user's own work
  // folder (in the documents folder, which follows HOME) lends no file.
  opener_ = std::make_unique<FakeOpener>(dir_);
  setenv("HOME", dir_.c_str(), 1);
#endif
  StartUp();
  boxes_.start();
  run();
}

void AppTest::TearDown() {
  boxes_.stop();
  ShutDownLibraries();
  ShutDownRuntime();
  std::filesystem::current_path(saved_dir_);
#ifndef _WIN32
  opener_.reset();
#endif
  EXPECT_EQ(boxes_.unexpected(), 0) << "boxes came that the test did not expect";
}

std::string AppTest::opened(int wait_ms) {
#ifndef _WIN32
  std::string record = opener_->record(wait_ms);
  return record.substr(0, record.find('\n'));
#else
  (void)wait_ms;
  return "";
#endif
}

void AppTest::forget_opened() { std::filesystem::remove(path("opened.txt")); }

void AppTest::click(int64_t gadget) {
  HWND window = gadget_handle(gadget);
  ASSERT_NE(window, nullptr);
  click_at(window, center_of(window));
  run();
}

#ifndef _WIN32
void AppTest::click_with_file_limit(int64_t gadget, off_t limit, bool box) {
  signal(SIGXFSZ, SIG_IGN);
  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  rlimit small = saved;
  small.rlim_cur = static_cast<rlim_t>(limit);
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  if (box) boxes_.answer({press(IDOK)});
  click(gadget);
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &saved), 0);
}
#endif

void AppTest::click_line(int index) {
  HWND list = gadget_handle(ListViewLinks);
  RECT item{};
  ASSERT_NE(SendMessageW(list, LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item)), LB_ERR);
  click_at(list, POINT{(item.left + item.right) / 2, (item.top + item.bottom) / 2});
  run();
}

void AppTest::double_click_line(int index) {
  HWND list = gadget_handle(ListViewLinks);
  RECT item{};
  ASSERT_NE(SendMessageW(list, LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item)), LB_ERR);
  click_at(list, POINT{(item.left + item.right) / 2, (item.top + item.bottom) / 2}, true);
  run();
}

void AppTest::type(int64_t field, const std::string& utf8) {
  HWND window = gadget_handle(field);
  ASSERT_NE(window, nullptr);
  if (GetFocus() != window) click(field);
  type_keys(utf8);
  run();
}

void AppTest::replace_text(int64_t field, const std::string& utf8) {
  HWND window = gadget_handle(field);
  if (GetFocus() != window) click(field);
  key(VK_END);
#ifndef _WIN32
  headless::key_down(VK_SHIFT);
  headless::key(VK_HOME);
  headless::key_up(VK_SHIFT);
#else
  SendMessageW(window, EM_SETSEL, 0, -1);
#endif
  key(VK_DELETE);
  type(field, utf8);
}

void AppTest::key(UINT virtual_key) {
  press_key(virtual_key);
  run();
}

void AppTest::chord(const std::vector<UINT>& held, UINT virtual_key) {
#ifndef _WIN32
  for (UINT k : held) headless::key_down(k);
  headless::key(virtual_key);
  for (UINT k : held) headless::key_up(k);
  run();
#else
  // The keys are held in the thread's keyboard state while the program reads the key.
  BYTE state[256] = {}, before[256] = {};
  GetKeyboardState(before);
  std::copy(std::begin(before), std::end(before), state);
  for (UINT k : held) state[k] = 0x80;
  SetKeyboardState(state);
  press_key(virtual_key);
  run();
  SetKeyboardState(before);
#endif
}

void AppTest::close_window() {
  HWND window = win_handle(MainWindow);
#ifndef _WIN32
  // The close box of the window's frame, as the display reports it.
  POINT p = headless::on_screen(window, 5, 5);
  display::InputEvent close;
  close.kind = display::InputEvent::Kind::Close;
  close.surface = display::headless::surface_at(p.x, p.y);
  display::headless::inject(close);
#else
  PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
#endif
  run();
}

bool AppTest::run() {
  for (int guard = 0; guard < 100000 && !ended_; ++guard) {
    const int64_t code = event_wait_timeout(0);
    if (code != 0 || event_pending()) {
      if (!DispatchEvent(code)) ended_ = true;
      continue;
    }
    MSG waiting;
    if (!PeekMessageW(&waiting, nullptr, 0, 0, PM_NOREMOVE)) break;
  }
  return !ended_;
}

void AppTest::act(int64_t gadget, std::initializer_list<BoxAnswer> answers, const std::vector<SeenBox>& boxes) {
  boxes_.answer(answers);
  click(gadget);
  EXPECT_EQ(boxes_.taken(), boxes);
  EXPECT_EQ(boxes_.unanswered(), 0u) << "answers left over: a box did not come";
}

std::string AppTest::text(int64_t gadget) {
  const int32_t saved = text_stack_top();
  std::string out = u8(gadget_get_text(gadget, saved));
  text_stack_cut(saved);
  return out;
}

std::vector<std::string> AppTest::lines(int64_t list) {
  std::vector<std::string> out;
  for (int64_t i = 0; i < gadget_item_count(list); ++i) {
    const int32_t saved = text_stack_top();
    out.push_back(u8(gadget_item_text(list, i, saved)));
    text_stack_cut(saved);
  }
  return out;
}

std::string AppTest::path(const std::string& leaf) const {
  std::string full = dir_ + leaf;
#ifdef _WIN32
  for (char& c : full) {
    if (c == '/') c = '\\';
  }
#endif
  return full;
}

void AppTest::put(const std::string& leaf, const std::string& bytes) const {
  std::ofstream out(std::filesystem::u8path(path(leaf)), std::ios::binary | std::ios::trunc);
  out << bytes;
}

std::string AppTest::get(const std::string& leaf) const {
  std::ifstream in(std::filesystem::u8path(path(leaf)), std::ios::binary);
  if (!in) return "<missing>";
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void AppTest::open_catalogue(const std::string& leaf) {
  boxes_.answer({choose_file(path(leaf))});
  click(OpenBtn);
  std::vector<SeenBox> seen = boxes_.taken();
  ASSERT_EQ(seen, (std::vector<SeenBox>{{"Select Your Rolos Text File", ""}}));
}

void AppTest::add_link(const std::string& menu, const std::string& title, const std::string& address) {
  replace_text(MenuNameTxt, menu);
  replace_text(LinkTitleTxt, title);
  replace_text(LinkAddressTxt, address);
  click(AddSaveBtn);
}
