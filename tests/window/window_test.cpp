// The SDL display on a real (virtual) X server with a window manager, seen
// and driven from outside as a person would: the probe program's windows are
// found by title, clicked, typed into and photographed with the desktop's
// own tools. Each test runs in an X server of its own (x_session).
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "window/x_desktop.h"

using namespace x_desktop;

namespace {

constexpr int kWait = 10000;  // milliseconds any one thing may take to happen
constexpr uint32_t kRed = 0xC80000, kWhite = 0xFFFFFF;

// Tries until the check holds or the time is up; answers whether it held.
bool eventually(const std::function<bool()>& check, int timeout_ms = kWait) {
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  for (;;) {
    if (check()) return true;
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
}

// The probe program and its main window, found on the desktop.
struct Probe {
  explicit Probe(const std::vector<std::string>& environment = {}) : child({WINDOW_PROBE}, environment) {}

  // Waits for its window; the client area is as the program itself reports it.
  void open() {
    ASSERT_TRUE(child.wait_for("ready", nullptr, kWait)) << "the probe did not start";
    window = find_window("Webrolo probe", kWait);
    ASSERT_NE(window, 0u) << "no window with the probe's title";
    child.send("geometry");
    std::string line;
    ASSERT_TRUE(child.wait_for("client ", &line, kWait));
    ASSERT_EQ(std::sscanf(line.c_str(), "client %d %d %d %d", &client.x, &client.y, &client.width, &client.height), 4);
  }

  // The picture of the main window, once it shows what the check wants.
  bool shows(const std::function<bool(const Picture&)>& check, Picture* last = nullptr) {
    Picture p;
    bool ok = eventually([&] { return screenshot(window, &p) && check(p); });
    if (last) *last = p;
    return ok;
  }

  void click_at(int x, int y) { click(client.x + x, client.y + y); }

  Child child;
  unsigned long window = 0;
  Geometry client;  // the program's own idea of its client area on the screen
};

TEST(WindowTest, AWindowOfTheAskedTitleSizeAndPlaceShowsItsPixels) {
  ASSERT_TRUE(wait_for_window_manager(kWait)) << "no window manager came up";
  Probe probe;
  ASSERT_NO_FATAL_FAILURE(probe.open());
  Geometry g = geometry(probe.window);
  EXPECT_EQ(g.width, 400);
  EXPECT_EQ(g.height, 300);
  EXPECT_EQ(probe.client.width, 400);
  EXPECT_EQ(probe.client.height, 300);
  // Where the program believes its client area is, it is: input lands where it aims.
  EXPECT_EQ(g.x, probe.client.x);
  EXPECT_EQ(g.y, probe.client.y);
  int frame[4] = {};
  ASSERT_TRUE(frame_extents(probe.window, frame)) << "the window manager drew no frame";
  EXPECT_GT(frame[2], 0) << "no caption above the client area";
  // The frame's corner is where the program put its window (100, 100), as in Win32.
  EXPECT_EQ(g.x - frame[0], 100);
  EXPECT_EQ(g.y - frame[2], 100);
  Picture p;
  EXPECT_TRUE(probe.shows([](const Picture& s) { return s.at(30, 30) == kRed && s.at(300, 250) == kWhite; }, &p))
      << "block " << std::hex << p.at(30, 30) << ", background " << p.at(300, 250);
  EXPECT_EQ(p.at(19, 19), kWhite) << "the block starts at 20, 20";
  EXPECT_EQ(p.at(69, 49), kRed) << "and ends at 70, 50";
  EXPECT_EQ(p.at(70, 50), kWhite);
  // Idle, the program waits without end: a message from another thread must wake it.
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  probe.child.send("ping");
  EXPECT_TRUE(probe.child.wait_for("pong", nullptr, kWait));
}

TEST(WindowTest, AClickOnTheButtonAndTextTypedIntoTheFieldReachTheProgram) {
  ASSERT_TRUE(wait_for_window_manager(kWait));
  ASSERT_TRUE(add_keys({"eacute", "odiaeresis"}));  // a keyboard with these letters, before the program starts
  Probe probe;
  ASSERT_NO_FATAL_FAILURE(probe.open());
  probe.click_at(70, 95);
  EXPECT_TRUE(probe.child.wait_for("clicked", nullptr, kWait));
  probe.click_at(100, 142);
  type("héllo wörld");
  std::string line;
  EXPECT_TRUE(probe.child.wait_for("text héllo wörld", &line, kWait)) << "accents and all, as typed";
  key("BackSpace");
  EXPECT_TRUE(probe.child.wait_for("text héllo wörl", &line, kWait)) << line;
  EXPECT_EQ(line, "text héllo wörl");
}

TEST(WindowTest, AMessageBoxIsAWindowOfItsOwnAboveItsOwnerAndEnterAnswersIt) {
  ASSERT_TRUE(wait_for_window_manager(kWait));
  Probe probe;
  ASSERT_NO_FATAL_FAILURE(probe.open());
  probe.child.send("msgbox");
  unsigned long box = find_window("Probe question", kWait);
  ASSERT_NE(box, 0u) << "no message box on the desktop";
  EXPECT_NE(box, probe.window);
  EXPECT_EQ(transient_for(box), probe.window) << "the box stays above its owner";
  // The owner is disabled while the box is up: a click on its button does nothing.
  Geometry b = geometry(box);
  int frame[4] = {};
  ASSERT_TRUE(frame_extents(box, frame));
  bool covered = probe.client.x + 70 >= b.x - frame[0] && probe.client.x + 70 < b.x + b.width + frame[1] &&
                 probe.client.y + 95 >= b.y - frame[2] && probe.client.y + 95 < b.y + b.height + frame[3];
  ASSERT_FALSE(covered) << "the box lies over the owner's button";
  probe.click_at(70, 95);
  click(b.x + b.width / 2, b.y + 5);  // the box takes the keyboard back
  key("Return");
  std::vector<std::string> before;
  EXPECT_TRUE(probe.child.wait_for("answer 1", nullptr, kWait, &before)) << "Enter chose OK";
  for (const std::string& l : before) EXPECT_NE(l, "clicked") << "the disabled owner took a click";
  EXPECT_TRUE(eventually([&] { return find_window("Probe question", 0) == 0; })) << "the box went away";
}

TEST(WindowTest, TheButtonsTipIsAWindowOfItsOwnUnderThePointerThatTakesNoFocus) {
  ASSERT_TRUE(wait_for_window_manager(kWait));
  Probe probe;
  ASSERT_NO_FATAL_FAILURE(probe.open());
  click(probe.client.x + 300, probe.client.y + 250);  // the probe has the keyboard
  ASSERT_TRUE(eventually([&] { return focused_window() == probe.window; }));
  int x = probe.client.x + 60, y = probe.client.y + 90;
  move_pointer(x - 2, y);
  move_pointer(x, y);
  unsigned long tip = 0;
  EXPECT_TRUE(eventually([&] {
    for (unsigned long w : windows_of(probe.child.pid()))
      if (w != probe.window) tip = w;
    return tip != 0;
  })) << "no tip came up";
  ASSERT_NE(tip, 0u);
  EXPECT_TRUE(unmanaged(tip)) << "the window manager gives a tip no frame";
  Geometry g = geometry(tip);
  EXPECT_EQ(g.x, x) << "the tip starts at the pointer";
  EXPECT_GT(g.y, y) << "below it";
  EXPECT_LT(g.y, y + 40);
  Picture p;
  EXPECT_TRUE(eventually([&] {
    if (!screenshot(tip, &p)) return false;
    for (uint32_t pixel : p.pixels)
      if ((pixel & 0xFF) < 0x40) return true;  // dark text
    return false;
  })) << "the tip shows its text";
  EXPECT_EQ(focused_window(), probe.window) << "the keyboard stays where it was";
}

TEST(WindowTest, ARightClickOpensAMenuWindowOfItsOwnThatEscClosesAndAClickChoosesFrom) {
  ASSERT_TRUE(wait_for_window_manager(kWait));
  Probe probe;
  ASSERT_NO_FATAL_FAILURE(probe.open());
  const int x = probe.client.x + 300, y = probe.client.y + 200;
  unsigned long menu = 0;
  auto open_menu = [&] {
    click(x, y, 3);
    menu = 0;
    return eventually([&] {
      for (unsigned long w : windows_of(probe.child.pid()))
        if (w != probe.window) menu = w;
      return menu != 0;
    });
  };
  ASSERT_TRUE(open_menu()) << "no menu came up";
  EXPECT_TRUE(unmanaged(menu)) << "the window manager gives a menu no frame";
  Geometry g = geometry(menu);
  EXPECT_EQ(std::pair(g.x, g.y), std::pair(x, y)) << "the menu starts at the pointer";
  EXPECT_EQ(focused_window(), probe.window) << "the keyboard stays with the program's window";
  key("Escape");
  EXPECT_TRUE(probe.child.wait_for("menu 0", nullptr, kWait)) << "Esc chose nothing";
  EXPECT_TRUE(eventually([&] { return windows_of(probe.child.pid()).size() == 1; })) << "the menu went";
  ASSERT_TRUE(open_menu());
  click(x + 20, y + 10);  // on "First"
  EXPECT_TRUE(probe.child.wait_for("menu 1", nullptr, kWait)) << "a click on an item chose it";
}

TEST(WindowTest, TheCloseButtonAsksTheProgram) {
  ASSERT_TRUE(wait_for_window_manager(kWait));
  Probe probe;
  ASSERT_NO_FATAL_FAILURE(probe.open());
  int frame[4] = {};
  ASSERT_TRUE(frame_extents(probe.window, frame));
  // openbox's close button is the last on the caption, at its right end.
  click(probe.client.x + probe.client.width + frame[1] - 11, probe.client.y - frame[2] / 2);
  EXPECT_TRUE(probe.child.wait_for("close", nullptr, kWait)) << "no WM_CLOSE reached the program";
  EXPECT_EQ(probe.child.finish(kWait), 0) << "it closed its window and ended";
}

TEST(WindowTest, TextCopiedHerePastesInAnotherProgramAndBack) {
  ASSERT_TRUE(wait_for_window_manager(kWait));
  Probe probe;
  ASSERT_NO_FATAL_FAILURE(probe.open());
  probe.click_at(100, 142);
  type("shared text");
  ASSERT_TRUE(probe.child.wait_for("text shared text", nullptr, kWait));
  key("ctrl+a ctrl+c");
  std::string pasted;
  EXPECT_TRUE(eventually([&] { return (pasted = run("xclip -o -selection clipboard")) == "shared text"; }))
      << "xclip read \"" << pasted << "\"";
  // Another program copies; the field pastes it.
  int status = -1;
  run("printf 'from xclip' | xclip -i -selection clipboard >/dev/null 2>&1", &status);  // xclip stays to serve it
  ASSERT_EQ(status, 0);
  probe.click_at(100, 142);
  key("ctrl+a ctrl+v");
  std::string line;
  EXPECT_TRUE(probe.child.wait_for("text from xclip", &line, kWait)) << line;
}

// Share of the 2 x 2 pixel blocks in a part of the picture with ink in them
// whose four pixels differ: 0 for a picture drawn at half size and doubled.
double detail(const Picture& p, int left, int top, int right, int bottom) {
  int inked = 0, detailed = 0;
  for (int y = top; y + 1 < bottom; y += 2)
    for (int x = left; x + 1 < right; x += 2) {
      uint32_t a = p.at(x, y), b = p.at(x + 1, y), c = p.at(x, y + 1), d = p.at(x + 1, y + 1);
      if (a == kWhite && b == kWhite && c == kWhite && d == kWhite) continue;
      ++inked;
      if (a != b || a != c || a != d) ++detailed;
    }
  return inked ? static_cast<double>(detailed) / inked : 0;
}

TEST(WindowTest, ADoubleScaleDoublesTheWindowAndKeepsTextSharp) {
  ASSERT_TRUE(wait_for_window_manager(kWait));
  Probe probe({"GDK_SCALE=2"});
  ASSERT_NO_FATAL_FAILURE(probe.open());
  Geometry g = geometry(probe.window);
  EXPECT_EQ(g.width, 800);
  EXPECT_EQ(g.height, 600);
  // The program keeps its own pixels and its points.
  EXPECT_EQ(probe.client.width, 400);
  EXPECT_EQ(probe.client.height, 300);
  probe.child.send("dpi");
  std::string line;
  EXPECT_TRUE(probe.child.wait_for("dpi ", &line, kWait));
  EXPECT_EQ(line, "dpi 96");
  Picture p;
  ASSERT_TRUE(probe.shows([](const Picture& s) { return s.width == 800 && s.at(60, 60) == kRed; }, &p));
  EXPECT_EQ(p.at(39, 39), kWhite);
  EXPECT_EQ(p.at(40, 40), kRed) << "the block starts at 2 x 20";
  EXPECT_EQ(p.at(139, 99), kRed) << "and ends at 2 x 70, 2 x 50";
  EXPECT_EQ(p.at(140, 100), kWhite);
  // The text was drawn at the fine resolution, not drawn coarse and enlarged.
  EXPECT_GT(detail(p, 200, 32, 780, 120), 0.3);
  // Clicks at the doubled places land on the program's pixels.
  click(g.x + 2 * 70, g.y + 2 * 95);
  EXPECT_TRUE(probe.child.wait_for("clicked", nullptr, kWait));
}

// The program itself: the picture of its main window for the README. It needs
// the program, built as webrolo beside the tests.
// The program as a person first sees it: started in its work folder, the
// example catalogue opened through the Open button and its file dialog. The
// picture is the README's (WEBROLO_SCREENSHOT names where to keep it).
TEST(WindowTest, TheProgramsMainWindowForTheReadme) {
  std::string program = WEBROLO_PROGRAM;
  if (program.empty() || !std::filesystem::exists(program)) GTEST_SKIP() << "the webrolo program is not built";
  ASSERT_TRUE(wait_for_window_manager(kWait));
  std::string folder = std::filesystem::temp_directory_path() / ("webrolo-window-test-" + std::to_string(getpid()));
  std::filesystem::create_directories(folder);
  for (const char* file : {"Webrolo48x48.ico", "Webrolo_Help.html", "Webrolo_HtmlHdr.txt", "Webrolo.txt"}) {
    std::filesystem::copy_file(std::string(SOURCE_DIR) + "/app/res/" + file, folder + "/" + file);
  }
  Child webrolo({program}, {}, folder);
  unsigned long window = find_window("Webrolo 1.0", kWait);
  ASSERT_NE(window, 0u) << "no main window titled \"Webrolo 1.0\"";
  Geometry g = geometry(window);
  EXPECT_EQ(g.width, 600);
  EXPECT_EQ(g.height, 735);
  // "Open Webrolo Txt": its panel at (10, 10), its row at (0, 45), the button at (14, 10), 125 x 24.
  click(g.x + 10 + 14 + 62, g.y + 10 + 45 + 10 + 12);
  unsigned long dialog = find_window("Select Your Rolos Text File", kWait);
  ASSERT_NE(dialog, 0u) << "the open dialog did not come";
  type("Webrolo.txt");
  key("Return");
  // Settled on the loaded list: two pictures in a row alike, the list no longer its empty colour.
  Picture previous, now;
  auto first_line_written = [](const Picture& p) {
    int ink = 0;
    for (int y = 10 + 280 + 2; y < 10 + 280 + 14; ++y)
      for (int x = 14; x < 300; ++x) ink += (p.at(x, y) & 0xFF) < 0x80 ? 1 : 0;
    return ink > 20;
  };
  ASSERT_TRUE(eventually([&] {
    bool same = screenshot(window, &now) && now.pixels == previous.pixels;
    previous = now;
    return same && first_line_written(now);
  })) << "the catalogue's lines did not show";
  std::string shot = std::filesystem::current_path() / "webrolo.png";
  EXPECT_TRUE(now.save(shot));
  if (const char* copy = std::getenv("WEBROLO_SCREENSHOT")) {
    EXPECT_TRUE(now.save(copy)) << copy;
  }
  key("alt+F4");
  EXPECT_EQ(webrolo.finish(kWait), 0);
  std::filesystem::remove_all(folder);
}

}  // namespace
