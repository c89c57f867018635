// Unsaved links survive the program's end from outside: killed, told to
// terminate, or its window destroyed under it; the next Open offers them
// back, and the saved catalogue is what the list was, byte for byte.
#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

#include "window/x_desktop.h"

using namespace x_desktop;

namespace {

constexpr int kWait = 10000;
const char* const kLines[] = {"News[]Daily[]https://daily.example/[]", "News[]Weekly[]https://weekly.example/[]",
                              "Tools[]Search[]https://search.example/[]"};

std::string read(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// The main window with links.txt open through the file dialog; 0 when it did not come.
unsigned long open_catalogue() {
  unsigned long window = find_window("Webrolo 1.0", kWait);
  if (!window) return 0;
  Geometry g = geometry(window);
  // "Open Webrolo Txt": its panel at (10, 10), its row at (0, 45), the button at (14, 10), 125 x 24.
  click(g.x + 10 + 14 + 62, g.y + 10 + 45 + 10 + 12);
  if (!find_window("Select Your Rolos Text File", kWait)) return 0;
  type("links.txt");
  key("Return");
  return window;
}

struct Ending {
  const char* how;
  void (*end)(Child& program, unsigned long window);
};

const Ending kEndings[] = {
    {"SIGKILL", [](Child& program, unsigned long) { kill(program.pid(), SIGKILL); }},
    {"SIGTERM",
     [](Child& program, unsigned long) {
       kill(program.pid(), SIGTERM);
       EXPECT_EQ(program.finish(kWait), 0) << "the window closes and the program ends in order";
     }},
    {"the window destroyed from outside",
     [](Child& program, unsigned long window) {
       run("xdotool windowclose " + std::to_string(window));
       // No X error ends it: it is still there to be told to end.
       std::this_thread::sleep_for(std::chrono::seconds(1));
       kill(program.pid(), SIGTERM);
       EXPECT_EQ(program.finish(kWait), 0);
     }},
};

TEST(JournalWindowTest, UnsavedEditsComeBackAfterTheProgramIsEndedFromOutside) {
  const std::string program = WEBROLO_PROGRAM;
  if (program.empty() || !std::filesystem::exists(program)) GTEST_SKIP() << "the webrolo program is not built";
  ASSERT_TRUE(wait_for_window_manager(kWait));
  const std::string catalogue = std::string(kLines[0]) + "\r\n" + kLines[1] + "\r\n" + kLines[2] + "\r\n";
  const std::string expected = std::string(kLines[1]) + "\r\n" + kLines[2] + "\r\n";
  for (const Ending& ending : kEndings) {
    SCOPED_TRACE(ending.how);
    const std::string folder = std::filesystem::temp_directory_path() /
                               ("webrolo-journal-test-" + std::to_string(getpid()));
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    std::ofstream(folder + "/links.txt", std::ios::binary) << catalogue;
    const std::string journal = folder + "/links-unsaved.txt";
    {
      Child webrolo({program}, {}, folder);
      const unsigned long window = open_catalogue();
      ASSERT_NE(window, 0u);
      Geometry g = geometry(window);
      // Two deletes of the first line, the second undone: header and three steps, each waited for.
      auto journal_lines = [&] {
        const std::string text = read(journal);
        return std::count(text.begin(), text.end(), '\n');
      };
      for (const char* keys : {"Delete", "Delete", "ctrl+z"}) {
        const auto before = journal_lines();
        // Apart by more than the double-click time: a double click would visit the link.
        std::this_thread::sleep_for(std::chrono::milliseconds(700));
        if (std::string(keys) == "Delete") click(g.x + 100, g.y + 10 + 280 + 8);
        key(keys);
        ASSERT_TRUE(eventually([&] { return journal_lines() == (before == 0 ? 2 : before + 1); })) << read(journal);
      }
      ending.end(webrolo, window);
    }
    Child again({program}, {}, folder);
    ASSERT_NE(open_catalogue(), 0u);
    ASSERT_NE(find_window(" WARNING - Unsaved Links Found", kWait), 0u);
    key("Return");  // Yes, the default
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    key("ctrl+s");
    EXPECT_TRUE(eventually([&] { return read(folder + "/links.txt") == expected; })) << read(folder + "/links.txt");
    key("ctrl+q");
    EXPECT_EQ(again.finish(kWait), 0);
    EXPECT_FALSE(std::filesystem::exists(journal));
    std::filesystem::remove_all(folder);
  }
}

}  // namespace
