// The edit journal as a person meets it: the journal an ended session left
// (here the file a killed program leaves, since each step is on the disk
// before the list changes) offered back when the catalogue is opened again,
// and a catalogue changed by another program never replaced unasked.
#include <algorithm>

#include "app_fixture.h"

namespace {

const std::vector<std::string> kCatalogue = {
    "News[]Daily[]https://daily.example/[]",
    "News[]Weekly[]https://weekly.example/[]",
    "Tools[]Search[]https://search.example/[]",
};
const std::string kMaps = "Tools[]Maps[]https://maps.example/[]";

class Journal : public AppTest {
 protected:
  // Adds, deletes and undoes; answers the journal that was left and the list it stands for.
  std::string edit_and_leave(std::vector<std::string>* list) {
    put("links.txt", crlf_lines(kCatalogue));
    open_catalogue("links.txt");
    add_link("Tools", "Maps", "https://maps.example/");
    click_line(0);
    act(DeleteBtn, {}, {});
    click_line(0);
    act(DeleteBtn, {}, {});
    chord({VK_CONTROL}, 'Z');
    run();
    *list = lines(ListViewLinks);
    std::string journal = get("links-unsaved.txt");
    // Leaving with No takes the journal away: the user chose.
    leave();
    EXPECT_FALSE(exists("links-unsaved.txt"));
    return journal;
  }
  // Open, No to saving, then Cancel in the file dialog.
  void leave() {
    if (FileSaved == 0) boxes_.answer({press(IDNO)});
    boxes_.answer({choose_file(""), press(IDOK)});
    click(OpenBtn);
    boxes_.taken();
  }
  // Opens links.txt with the journal left, answers the question; the boxes seen.
  std::vector<SeenBox> reopen(const std::string& journal, int answer, bool asks = true) {
    put("links-unsaved.txt", journal);
    if (FileSaved == 0) boxes_.answer({press(IDNO)});
    boxes_.answer({choose_file(path("links.txt"))});
    if (asks) boxes_.answer({press(answer)});
    click(OpenBtn);
    return boxes_.taken();
  }
};

std::string question(int steps) { return "\"links.txt\" has " + std::to_string(steps) + " unsaved changes from "; }

TEST_F(Journal, AJournalLeftBehindGivesTheListBackAndSavesItByteForByte) {
  std::vector<std::string> list;
  const std::string journal = edit_and_leave(&list);
  ASSERT_EQ(list, (std::vector<std::string>{kCatalogue[1], kMaps, kCatalogue[2]}));
  std::vector<SeenBox> seen = reopen(journal, IDYES);
  ASSERT_GE(seen.size(), 2u);
  EXPECT_EQ(seen.back().caption, " WARNING - Unsaved Links Found");
  EXPECT_EQ(seen.back().text.substr(0, question(4).size()), question(4));
  EXPECT_NE(seen.back().text.find("kept in \"links-unsaved.txt\".\nDo you want them restored ?"), std::string::npos);
  EXPECT_EQ(lines(ListViewLinks), list);
  EXPECT_EQ(FileSaved, 0);
  EXPECT_EQ(get("links-unsaved-BK.txt"), journal) << "the old journal kept";
  act(SaveFileBtn, {}, {});
  EXPECT_EQ(get("links.txt"), crlf_lines(list));
  EXPECT_FALSE(exists("links-unsaved.txt")) << "a save ends the journal";

  // No keeps the journal as the backup and the list as the file holds it.
  seen = reopen(journal, IDNO);
  EXPECT_EQ(seen.back().caption, " WARNING - Unsaved Links Found");
  EXPECT_EQ(lines(ListViewLinks), list);
  EXPECT_FALSE(exists("links-unsaved.txt"));
  EXPECT_EQ(get("links-unsaved-BK.txt"), journal);
}

// Cut anywhere (a power cut in the middle of a line), or for a catalogue
// changed since, the journal replays the steps that are whole and still apply.
TEST_F(Journal, ACutJournalOrAChangedCatalogueReplaysWhatIsWholeAndStillApplies) {
  std::vector<std::string> list;
  const std::string journal = edit_and_leave(&list);
  // The list after each whole step: added, first deleted, second deleted, second back.
  const std::vector<std::vector<std::string>> after = {
      kCatalogue,
      {kCatalogue[0], kCatalogue[1], kMaps, kCatalogue[2]},
      {kCatalogue[1], kMaps, kCatalogue[2]},
      {kMaps, kCatalogue[2]},
      list,
  };
  // Cuts at every byte around each line's end, where whole and cut lines meet, and one inside each line.
  // (Under Wine every reopen waits seconds for its forced writes: there the ends of the journal only.)
  std::vector<size_t> cuts = {0, journal.size()};
#ifndef _WIN32
  for (size_t end = journal.find('\n'), start = 0; end != std::string::npos;
       start = end + 1, end = journal.find('\n', start)) {
    for (size_t cut : {(start + end) / 2, end - 2, end - 1, end, end + 1})
      cuts.push_back(std::min(cut, journal.size()));
  }
#endif
  for (size_t cut : cuts) {
    put("links.txt", crlf_lines(kCatalogue));
    // Nothing to offer when nothing is there but a whole first line (its CR LF may be cut off).
    const size_t first_end = journal.find('\n');
    reopen(journal.substr(0, cut), IDYES, cut > 0 && (cut + 1 < first_end || cut > first_end + 1));
    size_t whole = 0;
    for (size_t at = first_end; at != std::string::npos && at <= cut + 1; at = journal.find('\n', at + 1)) ++whole;
    const size_t steps = whole == 0 ? 0 : whole - 1;
    EXPECT_EQ(lines(ListViewLinks), after[steps]) << "cut at " << cut;
    leave();
  }
  // The catalogue changed since: its first line gone, so the first delete finds nothing and is
  // skipped; lines added go where sorting puts them.
  put("links.txt", crlf_lines({kCatalogue[1], kCatalogue[2]}));
  // Garbage at the end (its NUL makes it two lines, whose checks fail) is skipped and said.
  std::vector<SeenBox> seen = reopen(journal + std::string("\xff\0\tgarbage\r\n", 12), IDYES);
  ASSERT_GE(seen.size(), 2u);
  EXPECT_NE(seen.back().text.find("The catalogue was changed since"), std::string::npos) << seen.back().text;
  EXPECT_NE(seen.back().text.find("which will be skipped: 2\n"), std::string::npos) << seen.back().text;
  EXPECT_EQ(lines(ListViewLinks), (std::vector<std::string>{kCatalogue[1], kMaps, kCatalogue[2]}));
  EXPECT_NE(status().find("3 unsaved changes restored, 3 skipped"), std::string::npos) << status();
}

// A journal that is not this window's to replay is left as it is, and no journal of
// this window's goes over it: one another Webrolo keeps open on the same catalogue,
// and one written for another file whose journal has the same name.
TEST_F(Journal, AJournalInUseOrOfAnotherFileIsLeftAsItIs) {
  put("links", crlf_lines(kCatalogue));
  open_catalogue("links");
  add_link("Tools", "Maps", "https://maps.example/");
  const std::string theirs = get("links-unsaved.txt");
  leave();
  for (const char* told :
       {"\"links.txt\" is open in another Webrolo, which keeps", "of \"links\", another file than"}) {
    put("links.txt", crlf_lines(kCatalogue));
    put("links-unsaved.txt", theirs);
    // The other Webrolo's hold first: its journal open for writing, marked as a running program marks it.
    HANDLE other = CreateFileW(reinterpret_cast<const WCHAR*>(w16(path("links-unsaved.txt")).c_str()),
                               GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    OVERLAPPED mark{};
    mark.OffsetHigh = 1u << 16;
    ASSERT_TRUE(LockFileEx(other, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &mark));
    if (told[0] != '"') CloseHandle(other);
    if (FileSaved == 0) boxes_.answer({press(IDNO)});
    boxes_.answer({choose_file(path("links.txt")), press(IDOK)});
    click(OpenBtn);
    EXPECT_NE(boxes_.taken().back().text.find(told), std::string::npos) << told;
    add_link("Tools", "Atlas", "https://atlas.example/");
    // The warning follows the step's own status, moments later.
    if (const int64_t code = event_wait_timeout(50)) DispatchEvent(code);
    run();
    EXPECT_NE(status().find("Unsaved links journal NOT written : \"links-unsaved.txt\" is "), std::string::npos);
    act(SaveFileBtn, {}, {});
    if (told[0] == '"') CloseHandle(other);
    EXPECT_EQ(get("links-unsaved.txt"), theirs) << "neither written over nor taken by a save";
    EXPECT_FALSE(exists("links-unsaved-BK.txt"));
  }
}

// Another program writes the catalogue while it is open: the save asks, and No writes nothing.
TEST_F(Journal, ASaveAsksBeforeReplacingACatalogueAnotherProgramChanged) {
  put("links.txt", crlf_lines(kCatalogue));
  open_catalogue("links.txt");
  add_link("Tools", "Maps", "https://maps.example/");
  const std::string theirs = crlf_lines({kCatalogue[0], "Other[]Theirs[]https://theirs.example/[]"});
  put("links.txt", theirs);
  const SeenBox asked{"Save Webrolo Txt",
                      "\"links.txt\" was changed by another program since it was opened. Do you want to replace it "
                      "anyway ?"};
  act(SaveFileBtn, {press(IDNO)}, {asked});
  EXPECT_EQ(get("links.txt"), theirs);
  EXPECT_EQ(FileSaved, 0);
  act(SaveFileBtn, {press(IDYES)}, {asked});
  EXPECT_EQ(get("links.txt"), crlf_lines(lines(ListViewLinks)));
  EXPECT_EQ(get("links-BK.txt"), theirs);
  // Its own save is what the next one is checked against: no question.
  add_link("Tools", "Atlas", "https://atlas.example/");
  act(SaveFileBtn, {}, {});
  EXPECT_EQ(FileSaved, 1);
}

}  // namespace
