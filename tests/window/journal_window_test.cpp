// Unsaved links survive the program's end from outside: killed, told to
// terminate, its window destroyed under it, or its X server gone; the next
// Open offers them back, and the saved catalogue is what the list was, byte
// for byte.
#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
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

// An X server of the test's own with its window manager, which a case may kill under the
// program; the test's tools and the programs it starts use it while it lasts.
struct OwnServer {
  Child server{{"/usr/bin/Xvfb", "-displayfd", "1", "-screen", "0", "1280x1024x24", "-nolisten", "tcp"}};
  std::string outer = getenv("DISPLAY"), number;
  bool started = server.wait_for("", &number, kWait) && setenv("DISPLAY", (":" + number).c_str(), 1) == 0;
  Child wm{{"/usr/bin/openbox", "--sm-disable"}, {"XDG_CONFIG_HOME=/nonexistent"}};  // its packaged settings
  bool ready() const { return started && wait_for_window_manager(kWait); }
  ~OwnServer() {
    kill(wm.pid(), SIGTERM);
    kill(server.pid(), SIGTERM);
    setenv("DISPLAY", outer.c_str(), 1);
  }
};

struct Ending {
  const char* how;
  void (*end)(Child& program, unsigned long window, OwnServer* server, const std::string& folder);
  bool own_server = false;
};

const Ending kEndings[] = {
    {"SIGKILL", [](Child& program, unsigned long, OwnServer*, const std::string&) { kill(program.pid(), SIGKILL); }},
    {"SIGTERM",
     [](Child& program, unsigned long, OwnServer*, const std::string&) {
       kill(program.pid(), SIGTERM);
       EXPECT_EQ(program.finish(kWait), 0) << "the window closes and the program ends in order";
     }},
    {"the window destroyed from outside",
     [](Child& program, unsigned long window, OwnServer*, const std::string&) {
       run("xdotool windowclose " + std::to_string(window));
       // No X error ends it: it is still there to be told to end.
       std::this_thread::sleep_for(std::chrono::seconds(1));
       kill(program.pid(), SIGTERM);
       EXPECT_EQ(program.finish(kWait), 0);
     }},
    {"the X server killed under it",
     [](Child& program, unsigned long, OwnServer* server, const std::string& folder) {
       kill(server->server.pid(), SIGKILL);
       EXPECT_EQ(program.finish(kWait), 1) << "it ends by itself, with an exit code that says it failed";
       EXPECT_NE(read(folder + "/errors.txt").find("the connection to the X server :"), std::string::npos);
     },
     true},
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
    std::unique_ptr<OwnServer> server;
    if (ending.own_server) {
      server = std::make_unique<OwnServer>();
      ASSERT_TRUE(server->ready());
    }
    std::string whole;
    {
      Child webrolo({"/bin/sh", "-c", "exec \"$0\" 2>errors.txt", program}, {}, folder);
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
      whole = read(journal);
      ending.end(webrolo, window, server.get(), folder);
    }
    EXPECT_EQ(read(journal), whole) << "the journal on the disk, whole";
    if (server) {
      server.reset();
      server = std::make_unique<OwnServer>();
      ASSERT_TRUE(server->ready());
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
