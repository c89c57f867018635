// Saving: the list back to the catalogue in the current folder, the file as
// it stood becoming the backup; no character lost; and whatever the disk or
// the names do, the old catalogue and its backup stay whole.
#include "app_fixture.h"
#include "runtime/file.h"

#ifndef _WIN32
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

const std::string kOld = crlf_lines({"A[]a[]https://a.example/[]", "B[]b[]https://b.example/[]"});
const std::string kNew = crlf_lines(
    {"A[]a[]https://a.example/[]", "B[]b[]https://b.example/[]", "C[]c[]https://c.example/[]"});

class Saving : public AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    put("links.txt", kOld);
    open_catalogue("links.txt");
  }
  void add_c() { add_link("C", "c", "https://c.example/"); }
  // The save failed: its box named the file, the files are as they were, nothing claims success.
  void expect_failed_save(const std::string& file, const std::string& backup_before) {
    std::vector<SeenBox> seen = boxes_.taken();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].caption, "SaveFileBtn_Clicked:");
    EXPECT_EQ(seen[0].text.rfind("Couldn't write the file  " + file + "\r\n", 0), 0u) << seen[0].text;
    EXPECT_GT(seen[0].text.size(), ("Couldn't write the file  " + file + "\r\n").size()) << "the reason follows";
    EXPECT_EQ(get("links.txt"), kOld);
    EXPECT_EQ(get("links-BK.txt"), backup_before);
    EXPECT_FALSE(exists("links.txt.tmp"));
    EXPECT_EQ(FileSaved, 0);
    EXPECT_EQ(var(SavedFileName), "");
    EXPECT_EQ(status(), "  links.txt  NOT SAVED !");
  }
};

TEST_F(Saving, TheBackupIsTheCatalogueAsItStoodBefore) {
  add_c();
  act(SaveFileBtn, {}, {});
  EXPECT_EQ(get("links.txt"), kNew);
  EXPECT_EQ(get("links-BK.txt"), kOld);
  EXPECT_EQ(var(SavedFileName), "links.txt");
  EXPECT_EQ(var(LastAction), "SaveFileBtn");
  act(SaveFileBtn, {}, {});
  EXPECT_EQ(get("links.txt"), kNew);
  EXPECT_EQ(get("links-BK.txt"), kNew) << "one backup generation";
  // Every link deleted: nothing to save, nothing touched.
  for (int i = 0; i < 3; ++i) {
    click_line(0);
    act(DeleteBtn, {}, {});
  }
  act(SaveFileBtn, {press(IDOK)}, {{"SaveFileBtn_Clicked:", "ERROR, Nothing to Save ."}});
  EXPECT_EQ(get("links.txt"), kNew);
  EXPECT_EQ(FileSaved, 0);
}

// A catalogue opened from another folder is saved in the current one; an old backup there is kept.
TEST_F(Saving, NoOldCatalogueInTheCurrentFolder) {
  std::filesystem::create_directories(path("far"));
  put("far/far.txt", kOld);
  put("far-BK.txt", "an old backup\r\n");
  open_catalogue("far/far.txt");
  act(SaveFileBtn, {}, {});
  EXPECT_EQ(status(), "  far.txt  and  far-BK.txt  SAVED !");
  EXPECT_EQ(get("far.txt"), kOld);
  EXPECT_EQ(get("far-BK.txt"), "an old backup\r\n");
  EXPECT_EQ(get("far/far.txt"), kOld);
}

// Links typed in before any catalogue was opened have nowhere to go: saving and building say so.
using NoCatalogue = AppTest;

TEST_F(NoCatalogue, SavingAndBuildingSaySo) {
  add_link("A", "a", "u");
  act(SaveFileBtn, {press(IDOK)},
      {{"SaveFileBtn_Clicked:", "There is no catalogue to save : click on  [Open Webrolo Txt]  first."}});
  act(BuildBtn, {press(IDOK)},
      {{"Buil Html File:", "There is no catalogue to build the page of : click on  [Open Webrolo Txt]  first."}});
  EXPECT_EQ(FileSaved, 0);
}

// A name without ".txt" would make the backup and the page the catalogue itself: refused, nothing written.
TEST_F(Saving, NamesThatWouldReplaceTheCatalogueAreRefused) {
  put("plain", kOld);
  open_catalogue("plain");
  add_link("Z", "z", "z");
  const std::string why =
      "\" : only a catalogue whose name holds .txt has names of its own for its backup and its page. "
      "Open it under a name ending in .txt .";
  act(SaveFileBtn, {press(IDOK)}, {{"SaveFileBtn_Clicked:", "Can't save \"plain" + why}});
  act(BuildBtn, {press(IDOK)}, {{"Buil Html File:", "Can't build the page of \"plain" + why}});
  EXPECT_EQ(get("plain"), kOld);
  EXPECT_EQ(FileSaved, 0);
  EXPECT_EQ(var(LastAction), "BuildBtn");
  EXPECT_FALSE(exists("plain.tmp"));
  EXPECT_FALSE(exists("links-BK.txt"));
  EXPECT_FALSE(exists("links.html"));
}

// Characters the ANSI code page lacks make the whole catalogue UTF-8 with its mark; it reopens the same.
TEST_F(Saving, NoCharacterIsLost) {
  add_c();
  add_link("Kyrillisch", "\xD0\xBA\xD0\xB8\xD1\x80", "https://k.example/\xF0\x9F\x98\x80");
  act(SaveFileBtn, {}, {});
  std::vector<std::string> before = lines(ListViewLinks);
  const std::string saved = get("links.txt");
  if (file_ansi_is_utf8()) {
    EXPECT_EQ(saved.substr(0, 3), "A[]") << "a UTF-8 code page holds everything: no mark";
  } else {
    EXPECT_EQ(saved.substr(0, 3), "\xEF\xBB\xBF");
  }
  EXPECT_NE(saved.find("Kyrillisch[]\xD0\xBA\xD0\xB8\xD1\x80[]https://k.example/\xF0\x9F\x98\x80[]\r\n"),
            std::string::npos);
  open_catalogue("links.txt");
  EXPECT_EQ(lines(ListViewLinks), before);
  // Without such a character the catalogue stays in the ANSI code page, as it always was.
  click_line(3);
  act(DeleteBtn, {}, {});
  add_link("Caf\xC3\xA9", "x", "y");
  act(SaveFileBtn, {}, {});
  EXPECT_EQ(get("links.txt").substr(0, 3), "A[]");
  EXPECT_NE(get("links.txt").find(file_ansi_is_utf8() ? "Caf\xC3\xA9[]x[]y[]" : "Caf\xE9[]x[]y[]"), std::string::npos);
}

// A catalogue held open by another program without leave to delete it, or made read-only, is not replaced.
TEST_F(Saving, ALockedOrReadOnlyCatalogueIsLeftWhole) {
  add_c();
  HANDLE held = CreateFileW(reinterpret_cast<const WCHAR*>(w16(path("links.txt")).c_str()), GENERIC_READ,
                            FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  // Wine replaces a held or read-only file; Windows refuses, as the stand-in does.
  if (running_under_wine()) {
    CloseHandle(held);
    return;
  }
  boxes_.answer({press(IDOK)});
  click(SaveFileBtn);
  expect_failed_save("links.txt", kOld);
  CloseHandle(held);
  std::filesystem::permissions(path("links.txt"), std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::remove);
  ASSERT_TRUE(GetFileAttributesW(reinterpret_cast<const WCHAR*>(w16(path("links.txt")).c_str())) &
              FILE_ATTRIBUTE_READONLY);
  boxes_.answer({press(IDOK)});
  click(SaveFileBtn);
  expect_failed_save("links.txt", kOld);
  std::filesystem::permissions(path("links.txt"), std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::add);
}

#ifndef _WIN32
// A full disk at every point of the save; the backup, a second name of the old catalogue, needs no room.
TEST_F(Saving, AFullDiskAtAnyPointLosesNothing) {
  add_c();
  put("links-BK.txt", "older\r\n");
  // The new content does not fit.
  for (size_t limit : {size_t{0}, size_t{1}, size_t{30}, kOld.size(), kNew.size() - 1}) {
    click_with_file_limit(SaveFileBtn, static_cast<off_t>(limit));
    expect_failed_save("links.txt", "older\r\n");
  }
  // A shorter list fits, where a copy of the old catalogue would not.
  for (int i = 0; i < 2; ++i) {
    click_line(0);
    act(DeleteBtn, {}, {});
  }
  click_with_file_limit(SaveFileBtn, static_cast<off_t>(kOld.size() - 1), false);
  EXPECT_EQ(status(), "  links.txt  and  links-BK.txt  SAVED !");
  EXPECT_EQ(get("links.txt"), crlf_lines({"C[]c[]https://c.example/[]"}));
  EXPECT_EQ(get("links-BK.txt"), kOld);
}

// A folder the program may not write in.
TEST_F(Saving, AReadOnlyFolder) {
  add_c();
  std::filesystem::create_directories(path("ro"));
  put("ro/links.txt", kOld);
  chmod(path("ro").c_str(), 0555);
  chmod(dir_.c_str(), 0755);
  std::filesystem::current_path(path("ro"));
  // Even the superuser is held to the folder's permissions while acting as another user.
  ASSERT_EQ(seteuid(65534), 0);
  boxes_.answer({press(IDOK)});
  click(SaveFileBtn);
  ASSERT_EQ(seteuid(0), 0);
  std::vector<SeenBox> seen = boxes_.taken();
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].text, "Couldn't write the file  links.txt\r\nAccess is denied.");
  EXPECT_EQ(get("ro/links.txt"), kOld);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(path("ro")), {}), 1);
  EXPECT_EQ(FileSaved, 0);
  std::filesystem::current_path(dir_);
  chmod(path("ro").c_str(), 0755);
}
#endif

}  // namespace

#ifndef _WIN32
#include <spawn.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <random>

extern char** environ;

namespace {

const char kChildFolder[] = "WEBROLO_SAVE_CHILD_DIR";
const std::string kExtra = "zzzz[]extra[]https://extra.example/[]";

// The child's side of the next test: saves, changes and saves again until it is killed.
class SaveChild : public AppTest {};

TEST_F(SaveChild, SavesUntilKilled) {
  const char* folder = getenv(kChildFolder);
  if (!folder) GTEST_SKIP() << "run by SaveKilled.OldOrNewNeverNeither";
  dir_ = folder;
  std::filesystem::current_path(folder);
  open_catalogue("links.txt");
  put("child-ready", "");
  for (;;) {
    add_link("zzzz", "extra", "https://extra.example/");
    click(SaveFileBtn);
    click_line(static_cast<int>(gadget_item_count(ListViewLinks)) - 1);
    click(DeleteBtn);
    click(SaveFileBtn);
  }
}

pid_t start_child(const std::string& folder) {
  std::string variable = std::string(kChildFolder) + "=" + folder;
  std::vector<char*> env;
  for (char** e = environ; *e; ++e) env.push_back(*e);
  env.push_back(variable.data());
  env.push_back(nullptr);
  std::string filter = "--gtest_filter=SaveChild.SavesUntilKilled";
  std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
  char* argv[] = {self.data(), filter.data(), nullptr};
  posix_spawn_file_actions_t quiet;
  posix_spawn_file_actions_init(&quiet);
  posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&quiet, 2, "/dev/null", O_WRONLY, 0);
  pid_t child = 0;
  EXPECT_EQ(posix_spawn(&child, self.c_str(), &quiet, nullptr, argv, env.data()), 0);
  posix_spawn_file_actions_destroy(&quiet);
  return child;
}

// Killed at any moment of its saves, the program leaves the catalogue old or new, whole, and the backup whole.
// CI kills a 20,000-link save 12 times; WEBROLO_KILL_LINKS=100000 WEBROLO_KILL_RUNS=200 is the long run.
int FromEnvironment(const char* name, int fallback) {
  const char* value = std::getenv(name);
  return value && std::atoi(value) > 0 ? std::atoi(value) : fallback;
}

TEST(SaveKilled, OldOrNewNeverNeither) {
  const std::string folder = test_dir();
  const int links = FromEnvironment("WEBROLO_KILL_LINKS", 20000);
  const int runs = FromEnvironment("WEBROLO_KILL_RUNS", 12);
  std::vector<std::string> catalogue;
  for (int i = 0; i < links; ++i) {
    catalogue.push_back("Menu" + std::to_string(10000 + i / 50) + "[]Title " + std::to_string(i) +
                        "[]https://site.example/page/" + std::to_string(i) + "[]");
  }
  const std::string old_content = crlf_lines(catalogue);
  catalogue.push_back(kExtra);
  const std::string new_content = crlf_lines(catalogue);
  auto read = [&](const std::string& leaf) {
    std::ifstream in(folder + leaf, std::ios::binary);
    return in ? std::string(std::istreambuf_iterator<char>(in), {}) : std::string("<missing>");
  };
  std::ofstream(folder + "links.txt", std::ios::binary) << old_content;
  auto wait_for = [&](const std::string& leaf) {
    for (int waited = 0; waited < 120000 && !std::filesystem::exists(folder + leaf); waited += 5) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return std::filesystem::exists(folder + leaf);
  };
  auto check = [&](int run) {
    const std::string now = read("links.txt");
    EXPECT_TRUE(now == old_content || now == new_content) << "run " << run << ": " << now.size() << " bytes";
    const std::string backup = read("links-BK.txt");
    EXPECT_TRUE(backup == "<missing>" || backup == old_content || backup == new_content)
        << "run " << run << ": backup of " << backup.size() << " bytes";
  };
  // The first run times one save, however fast this build and machine are; the kills then fall within a few saves.
  std::mt19937 random(20261209);
  int caught_writing = 0;
  int save_ms = 0;
  for (int run = 0; run < runs; ++run) {
    std::filesystem::remove(folder + "child-ready");
    pid_t child = start_child(folder);
    ASSERT_TRUE(wait_for("child-ready")) << "the child did not open the catalogue";
    if (run == 0) {
      auto started = std::chrono::steady_clock::now();
      EXPECT_TRUE(wait_for("links-BK.txt")) << "no save ever finished";
      save_ms = static_cast<int>(
          std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started).count());
    } else {
      std::this_thread::sleep_for(
          std::chrono::milliseconds(std::uniform_int_distribution<int>(0, 3 * save_ms)(random)));
    }
    caught_writing += std::filesystem::exists(folder + "links.txt.tmp") ? 1 : 0;
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    check(run);
  }
  EXPECT_GT(caught_writing, 0) << "no kill came while a save was writing";
  std::printf("%d kills of a %d-link save, %d of them while the temporary file was there; a save took %d ms\n", runs,
              links, caught_writing, save_ms);
}

}  // namespace
#endif
