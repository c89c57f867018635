// A bookmark file the export writes, as a real browser imports it (Linux):
// Firefox ESR starts on a fresh profile told to import the file, and its
// bookmarks database then holds every menu as a folder of the bookmarks
// menu, with every title and address, in the catalogue's order.
#ifndef _WIN32

#include <signal.h>

#include <chrono>
#include <thread>

#include "app/bookmarks.h"
#include "app_fixture.h"
#include "common/command_output.h"

namespace {

// Folder, title and address of each bookmark in the bookmarks menu's folders,
// read from a copy of the database and its write-ahead log (Firefox keeps both open).
std::string bookmarks_of(const std::string& profile, const std::string& copy) {
  std::error_code ignored;
  std::filesystem::remove_all(copy, ignored);
  std::filesystem::create_directories(copy);
  for (const char* file : {"/places.sqlite", "/places.sqlite-wal"}) {
    std::filesystem::copy_file(profile + file, copy + file, ignored);
  }
  return command_output(
      "sqlite3 -ascii '" + copy +
      "/places.sqlite' \"SELECT f.title, b.title, p.url FROM moz_bookmarks b JOIN moz_places p ON p.id = "
      "b.fk JOIN moz_bookmarks f ON f.id = b.parent JOIN moz_bookmarks m ON m.id = f.parent WHERE b.type "
      "= 1 AND m.guid = 'menu________' ORDER BY f.position, b.position\" 2>/dev/null");
}

// Whether the process is there and not yet ended (an ended child of another waits as a zombie).
bool running(pid_t process) {
  std::ifstream stat("/proc/" + std::to_string(process) + "/stat");
  std::string all((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
  const size_t name_end = all.rfind(") ");
  return name_end != std::string::npos && all.size() > name_end + 2 && all[name_end + 2] != 'Z';
}

using BookmarksInBrowser = AppTest;

TEST_F(BookmarksInBrowser, FirefoxImportsEveryFolderTitleAndAddress) {
  for (const char* tool : {"firefox-esr", "sqlite3"}) {
    if (!have_command(tool)) GTEST_SKIP() << tool << " is not installed (scripts/deps installs it): not checked";
  }
  put("links.txt",
      "\xEF\xBB\xBF" + crlf_lines({"News & Views[]Tom & Jerry <3 \"quoted\" 'single'[]https://a.example/?x=1&y=2[]",
                                   "Caf\xC3\xA9 <b>[]\xE2\x82\xAC, \xE6\x97\xA5\xE6\x9C\xAC and "
                                   "\xF0\x9F\x98\x80[]https://b.example/caf%C3%A9[]",
                                   "News & Views[]A < B > C[]https://c.example/path#part[]",
                                   "\"Quoted\"[]&amp; stays text[]https://d.example/[]"}));
  open_catalogue("links.txt");
  boxes_.answer({choose_file(path("links-bookmarks.html"))});
  ExportBookmarks();
  boxes_.taken();
  ASSERT_EQ(status(), "Exported 4 links in 3 menus to links-bookmarks.html");
  const std::string profile = path("profile");
  std::filesystem::create_directories(profile);
  put("profile/user.js",
      "user_pref(\"browser.places.importBookmarksHTML\", true);\n"
      "user_pref(\"browser.bookmarks.file\", \"" +
          path("links-bookmarks.html") + "\");\n");
  const pid_t firefox = static_cast<pid_t>(
      std::stol("0" + command_output("firefox-esr --headless --profile '" + profile +
                                     "' about:blank >/dev/null 2>&1 & echo $!")));
  ASSERT_GT(firefox, 0) << "Firefox did not start";
  const std::string expected =
      std::string("News & Views\x1FTom & Jerry <3 \"quoted\" 'single'\x1Fhttps://a.example/?x=1&y=2\x1E") +
      "News & Views\x1F"
      "A < B > C\x1Fhttps://c.example/path#part\x1E" +
      "Caf\xC3\xA9 <b>\x1F\xE2\x82\xAC, \xE6\x97\xA5\xE6\x9C\xAC and "
      "\xF0\x9F\x98\x80\x1Fhttps://b.example/caf%C3%A9\x1E" +
      "\"Quoted\"\x1F&amp; stays text\x1Fhttps://d.example/\x1E";
  // Firefox imports the file at its first start: the database is read until it holds every link, or for two minutes.
  std::string found;
  for (int second = 0; second < 120 && found != expected; ++second) {
    std::this_thread::sleep_for(std::chrono::seconds(1));
    if (std::filesystem::exists(profile + "/places.sqlite")) found = bookmarks_of(profile, path("copy"));
  }
  kill(firefox, SIGTERM);
  for (int tenth = 0; tenth < 100 && running(firefox); ++tenth)
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  if (running(firefox)) kill(firefox, SIGKILL);
  EXPECT_EQ(found, expected);
}

}  // namespace

#endif
