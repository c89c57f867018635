// Building the page: the header's lines, one menu per run of a menu name,
// one option per link, the closing line; safe HTML whatever the catalogue
// holds; and a page that cannot be written says so and loses nothing.
#include <algorithm>

#include "app/page_text.h"
#include "app_fixture.h"
#include "runtime/file.h"

namespace {

const std::string kSelect =
    "<select style=\"width:200px; font:14px Arial Black; color:rgb(0,0,0); background-color:rgb(231,169,126);\" "
    "name=\"menu\" onchange=\"window.open(this.value); window.location.reload();\">";
const std::string kEnd = "</select></td></tr></table><br></body></html>";

std::string caption_option(const std::string& menu) {
  return "  <option selected=\"0\" value=\"\">" + menu + "</option>";
}
std::string option(const std::string& address, const std::string& title) {
  return "<option value=\"" + address + "\">" + title + "</option>";
}

using Page = AppTest;

TEST_F(Page, NineLinesForTwoMenusAndTheSameAgainOnTheSecondBuild) {
  put("Webrolo_HtmlHdr.txt", "");
  put("news.txt", crlf_lines({"News[]Daily[]https://daily.example/[]", "News[]Weekly[]https://weekly.example/[]",
                              "Tools[]Search[]https://search.example/[]"}));
  open_catalogue("news.txt");
  act(BuildBtn, {}, {});
  const std::string page = crlf_lines({kSelect, caption_option("News"), option("https://daily.example/", "Daily"),
                                       option("https://weekly.example/", "Weekly"), "</select>", kSelect,
                                       caption_option("Tools"), option("https://search.example/", "Search"), kEnd});
  EXPECT_EQ(get("news.html"), page);
  EXPECT_EQ(status(), "Builded  news.html  File is Ready.   Click on [View Html FIle] Button To View");
  EXPECT_EQ(var(LastAction), "BuildBtn");
  EXPECT_FALSE(exists("news-BK.html"));
  act(BuildBtn, {}, {});
  EXPECT_EQ(get("news.html"), page);
  EXPECT_EQ(get("news-BK.html"), page);
  EXPECT_EQ(lines(HtmlLinesList).size(), 9u) << "the buffer keeps the last page";
}

TEST_F(Page, HeaderRunsAndInvalidLines) {
  put("Webrolo_HtmlHdr.txt", "\xEF\xBB\xBF<html><body>ttt and ttt\r\n<table><tr><td>\r\n");
  put("r.txt", crlf_lines({"A[]one[]u1[]", "B[]two yyy[]u2[]", "bad line", "A[]three[]u3[]", "a[]four[]u4[]"}));
  open_catalogue("r.txt");
  const std::string refusal = "Missing delimiters []5   bad line\r\nListViewLinksLineIn$ = bad line";
  act(BuildBtn, {press(IDOK)}, {{"URL Link ERROR:", refusal}});
  EXPECT_EQ(get("r.html"),
            crlf_lines({"<html><body>r.html and r.html", "<table><tr><td>", kSelect, caption_option("A"),
                        option("u1", "one"), "</select>", kSelect, caption_option("B"), option("u2", "two yyy"),
                        "</select>", kSelect, caption_option("A"), option("u3", "three"), "</select>", kSelect,
                        caption_option("a"), option("u4", "four"), kEnd}));
}

TEST_F(Page, EmptyListMissingHeaderAndOnlyInvalidLines) {
  act(BuildBtn, {press(IDOK)}, {{"Buil Html File:", "Links View is empty. Try Click on  [Open Webrolo Txt]"}});
  EXPECT_EQ(var(LastAction), "BuildBtn");
  EXPECT_EQ(status(), "Welcome !");
  put("bad.txt", crlf_lines({"x", "y[]"}));
  open_catalogue("bad.txt");
  act(BuildBtn, {press(IDOK), press(IDOK), press(IDOK)},
      {{"Open File ERROR", "Couldn't open the file  Webrolo_HtmlHdr.txt"},
       {"URL Link ERROR:", "Missing delimiters []2   x\r\nListViewLinksLineIn$ = x"},
       {"URL Link ERROR:", "Missing delimiters []2   y[]\r\nListViewLinksLineIn$ = y[]"}});
  EXPECT_EQ(get("bad.html"), crlf_lines({kEnd}));
}

// Whatever a field holds, it stays text: no element, no attribute, and references already written keep working.
TEST_F(Page, FieldsAreEscapedAndCharactersKept) {
  put("Webrolo_HtmlHdr.txt", "");
  put("h.txt",
      "\xEF\xBB\xBF" + crlf_lines({"<b>M&M</b>[]\"><script>alert(1)</script>[]x\" onfocus=\"alert(2)[]",
                                   "Fish &amp; Chips[]&#38; &#x26; &copy; & &# &x;[]https://e.example/?a=1&b=2[]",
                                   "\xD0\x9A[]\xE2\x82\xAC \xF0\x9F\x98\x80 \xC3\xA9[]u[]"}));
  open_catalogue("h.txt");
  act(BuildBtn, {}, {});
  const bool utf8 = file_ansi_is_utf8() != 0;
  EXPECT_EQ(
      get("h.html"),
      crlf_lines({kSelect, caption_option("&lt;b&gt;M&amp;M&lt;/b&gt;"),
                  option("x&quot; onfocus=&quot;alert(2)", "&quot;&gt;&lt;script&gt;alert(1)&lt;/script&gt;"),
                  "</select>", kSelect, caption_option("Fish &amp; Chips"),
                  option("https://e.example/?a=1&amp;b=2", "&#38; &#x26; &copy; &amp; &amp;# &x;"), "</select>",
                  kSelect, caption_option(utf8 ? "\xD0\x9A" : "&#1050;"),
                  option("u", utf8 ? "\xE2\x82\xAC \xF0\x9F\x98\x80 \xC3\xA9" : "&#8364; &#128512; &#233;"), kEnd}));
}

TEST_F(Page, AFailedWriteSaysSoAndKeepsTheOldPage) {
  put("Webrolo_HtmlHdr.txt", "");
  put("p.txt", crlf_lines({"A[]a[]u[]"}));
  put("p.html", "old page\r\n");
  open_catalogue("p.txt");
  // The old page held open by another program without leave to replace it.
  HANDLE held = CreateFileW(reinterpret_cast<const WCHAR*>(w16(path("p.html")).c_str()), GENERIC_READ, FILE_SHARE_READ,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  boxes_.answer({press(IDOK)});
  click(BuildBtn);
  CloseHandle(held);
  std::vector<SeenBox> seen = boxes_.taken();
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].caption, "Buil Html File:");
  EXPECT_EQ(seen[0].text.rfind("Couldn't write the file  p.html\r\n", 0), 0u) << seen[0].text;
  EXPECT_EQ(get("p.html"), "old page\r\n");
  EXPECT_EQ(status(), "  p.html  NOT BUILT !");
  EXPECT_FALSE(exists("p.html.tmp"));
}

// A template is known again by its text and markers, not by where it lies:
// templates filled in turn, a text changed in place, swapped markers, a long
// template and one with many markers each give their own line.
TEST_F(Page, TemplatesFilledInTurnKeepTheirOwnMarkers) {
  const std::string link = "<a href=\"yyy\">zzz</a>", many = "zzz." + std::string(30, '-') + "yyy;";
  std::string repeated, repeated_line, long_pattern = std::string(300, '.') + "zzz";
  for (int i = 0; i < 10; ++i) repeated += "zzz|yyy|", repeated_line += "v&lt;1|v&amp;2|";
  const struct {
    std::string pattern, marker1, marker2, line;
  } cases[] = {
      {link, "zzz", "yyy", "<a href=\"v&amp;2\">v&lt;1</a>"},
      {"[xxx]", "xxx", "", "[v&lt;1]"},
      {link, "yyy", "zzz", "<a href=\"v&lt;1\">v&amp;2</a>"},
      {"zzz yyy zzz", "zzz", "yyy", "v&lt;1 v&amp;2 v&lt;1"},
      {link, "zzz", "yyy", "<a href=\"v&amp;2\">v&lt;1</a>"},
      {"<a href=\"zzz\">yyy</a>", "zzz", "yyy", "<a href=\"v&lt;1\">v&amp;2</a>"},
      {many, "zzz", "yyy", "v&lt;1." + std::string(30, '-') + "v&amp;2;"},
      {repeated, "zzz", "yyy", repeated_line},
      {long_pattern, "zzz", "", std::string(300, '.') + "v&lt;1"},
      {link, "zz", "yyy", "<a href=\"v&amp;2\">v&lt;1z</a>"},
      {"<" + std::string(20, 'm') + ">", std::string(20, 'm'), "", "<v&lt;1>"},
  };
  const std::u16string first = w16("v<1"), second = w16("v&2");
  const TextPiece value1{reinterpret_cast<const WCHAR*>(first.c_str()), 3};
  const TextPiece value2{reinterpret_cast<const WCHAR*>(second.c_str()), 3};
  WCHAR pattern[400];  // every template in the same place
  for (const auto& c : cases) {
    const std::u16string units = w16(c.pattern), marker1 = w16(c.marker1), marker2 = w16(c.marker2);
    std::copy(units.begin(), units.end() + 1, pattern);
    const int32_t saved = text_stack_top();
    const WCHAR* line = FillTemplate(pattern, reinterpret_cast<const WCHAR*>(marker1.c_str()), value1,
                                     c.marker2.empty() ? nullptr : reinterpret_cast<const WCHAR*>(marker2.c_str()),
                                     value2, saved);
    EXPECT_EQ(u8(line), c.line) << c.pattern << " with " << c.marker1 << " and " << c.marker2;
    text_stack_cut(saved);
  }
}

}  // namespace
