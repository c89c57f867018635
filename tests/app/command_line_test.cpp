// Started on a catalogue: the window shows its lines and names, its folder is
// the current directory, and the page is built beside it with the user's
// header from the work folder (Linux: the documents folder is the home folder here).
#include <cstdlib>

#include "app/command_line.h"
#include "app_fixture.h"

namespace {

using StartingOnAFile = AppTest;

TEST_F(StartingOnAFile, ShowsItsLinesAndBuildsBesideItWithTheWorkFoldersHeader) {
  std::filesystem::create_directories(path("deep"));
#ifndef _WIN32
  const std::string home = std::getenv("HOME") ? std::getenv("HOME") : "";
  setenv("HOME", path("home").c_str(), 1);
  std::filesystem::create_directories(path("home/Webrolo"));
  put("home/Webrolo/Webrolo_HtmlHdr.txt", "<h1>ttt</h1>\r\n");
#else
  put("deep/Webrolo_HtmlHdr.txt", "<h1>ttt</h1>\r\n");
#endif
  const std::vector<std::string> catalogue = {"B[]two[]https://two.example/[]", "A[]one[]https://one.example/[]"};
  put("deep/links.txt", crlf_lines(catalogue));
  StartOnFile(reinterpret_cast<const WCHAR*>(w16(path("deep/links.txt")).c_str()));
  run();
  EXPECT_EQ(lines(ListViewLinks), catalogue) << "in file order";
  EXPECT_EQ(text(InputFileTxt), "links.txt");
  EXPECT_EQ(text(OutputFileTxt), "links.html");
  EXPECT_EQ(text(LinkCountTxt), "2");
  act(BuildBtn, {}, {});
#ifndef _WIN32
  setenv("HOME", home.c_str(), 1);
#endif
  EXPECT_EQ(get("deep/links.html").substr(0, 23), "<h1>links.html</h1>\r\n<s");
  EXPECT_FALSE(exists("links.html"));
  // A file that is not there: the Open requester's own answer.
  boxes_.answer({press(IDOK)});
  StartOnFile(TEXT("missing.txt"));
  run();
  EXPECT_EQ(boxes_.taken(),
            (std::vector<SeenBox>{{"Open File ERROR", "Couldn't open the file  " + path("deep/missing.txt")}}));
}

}  // namespace
