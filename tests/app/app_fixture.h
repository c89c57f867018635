// What the program's tests share: the program started in a scratch folder as
// its current directory, hands that click and type as a person does (real
// input through the headless display on Linux, the same mouse and key
// messages sent to the controls under Windows), a script that reads and
// answers every box the program opens, and the files on disk read back.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/state.h"
#include "common/test_text.h"
#include "gui/event.h"
#include "gui/gadget.h"
#include "gui/window.h"
#include "platform/win32.h"

#ifndef _WIN32
#include <sys/types.h>

#include <memory>

#include "common/fake_opener.h"
#include "platform/win32/display/headless_driver.h"
#endif

struct SeenBox {
  std::string caption;
  std::string text;
  bool operator==(const SeenBox&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const SeenBox& box) {
  return out << "[" << box.caption << " | " << box.text << "]";
}

// How a box is to be answered: a button of a message box, or a path typed
// into the file dialog (empty: its Cancel button).
struct BoxAnswer {
  int button = IDOK;  // 0: the Enter key, which presses the default button
  bool file_dialog = false;
  std::string path;
  bool typed = false;  // the path typed into the field that has the focus, then Enter
};

inline BoxAnswer press(int button) { return BoxAnswer{button, false, ""}; }
inline BoxAnswer press_enter() { return BoxAnswer{0, false, ""}; }
inline BoxAnswer choose_file(const std::string& path) { return BoxAnswer{path.empty() ? IDCANCEL : IDOK, true, path}; }
inline BoxAnswer type_file(const std::string& path) { return BoxAnswer{IDOK, true, path, true}; }

std::string window_text(HWND window);

// Reads every box the program opens and answers it with the next answer; a
// box that comes when no answer is left is counted and closed.
class BoxScript {
 public:
  void start();
  void stop();
  void answer(std::initializer_list<BoxAnswer> answers) { answers_.insert(answers_.end(), answers); }
  // The boxes seen since the last call, and forgets them.
  std::vector<SeenBox> taken();
  int unexpected() const { return unexpected_; }
  size_t unanswered() const { return answers_.size(); }

 private:
  static void CALLBACK tick(HWND, UINT, UINT_PTR, DWORD);
  void on_tick();
  void act(HWND box, const BoxAnswer& answer);

  std::deque<BoxAnswer> answers_;
  std::vector<SeenBox> seen_;
  int ticks_on_last_ = 0;
  int unexpected_ = 0;
  UINT_PTR timer_ = 0;
};

class AppTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Hands.
  void click(int64_t gadget);
  void click_line(int index);
  void double_click_line(int index);
  void type(int64_t field, const std::string& utf8);
  void replace_text(int64_t field, const std::string& utf8);  // selects all, then types
  void key(UINT virtual_key);
  // A key with Ctrl and Shift as given held down (VK_CONTROL, VK_SHIFT).
  void chord(const std::vector<UINT>& held, UINT virtual_key);
  void close_window();
#ifndef _WIN32
  // Clicks the gadget while no file may grow beyond limit bytes (a full disk),
  // its failure box answered with OK.
  void click_with_file_limit(int64_t gadget, off_t limit, bool box = true);
#endif
  // Runs the program until nothing is left to do now; false once it has ended.
  bool run();
  // Clicks and runs; the boxes answered on the way are compared with `boxes`.
  void act(int64_t gadget, std::initializer_list<BoxAnswer> answers, const std::vector<SeenBox>& boxes);

  // The window as the person sees it.
  std::string text(int64_t gadget);
  std::string status() { return text(StatusTxt); }
  std::vector<std::string> lines(int64_t list);
  int selected() { return static_cast<int>(gadget_get_state(ListViewLinks)); }

  // Files in the scratch folder, byte for byte.
  // A path in the scratch folder, in the platform's own spelling (the file dialog takes no "/" on Windows).
  std::string path(const std::string& leaf) const;
  void put(const std::string& leaf, const std::string& bytes) const;
  std::string get(const std::string& leaf) const;
  bool exists(const std::string& leaf) const { return std::filesystem::exists(path(leaf)); }
  // Opens a catalogue through the Open button and its file dialog.
  void open_catalogue(const std::string& leaf);
  // Types a link into the work areas and adds it.
  void add_link(const std::string& menu, const std::string& title, const std::string& address);

  // What reached the desktop's opener last: "args: [name]", or "" when nothing did (Linux only).
  std::string opened(int wait_ms = 20000);
  void forget_opened();

  std::string dir_;
  BoxScript boxes_;
#ifndef _WIN32
  std::unique_ptr<FakeOpener> opener_;
#endif
  bool ended_ = false;
  std::filesystem::path saved_dir_;
};

// A string variable as UTF-8.
inline std::string var(const WCHAR* variable) { return u8(variable ? variable : TEXT("")); }

// The catalogue lines of a small list, CR LF after each.
inline std::string crlf_lines(const std::vector<std::string>& lines) {
  std::string out;
  for (const std::string& line : lines) out += line + "\r\n";
  return out;
}
