// A built page as a real browser reads it (Linux): every menu and option
// where the catalogue put them, and nothing a catalogue holds becomes markup.
#ifndef _WIN32

#include "app_fixture.h"
#include "common/command_output.h"

namespace {

size_t count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

// The page's document as headless Chromium parses it.
std::string browser_dom(const std::string& page, const std::string& profile) {
  const std::string command =
      "timeout 120 chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run "
      "--disable-background-networking --disable-component-update --disable-sync --user-data-dir='" +
      profile + "' --dump-dom 'file://" + page + "' 2>/dev/null";
  return command_output(command);
}

using PageInBrowser = AppTest;

TEST_F(PageInBrowser, MenusAndOptionsAndNoInjectedMarkup) {
  if (!have_command("chromium")) GTEST_SKIP() << "chromium is not installed (scripts/deps installs it): not checked";
  std::filesystem::copy_file(WEBROLO_SOURCE_DIR "/app/res/Webrolo_HtmlHdr.txt", path("Webrolo_HtmlHdr.txt"));
  put("b.txt",
      "\xEF\xBB\xBF" +
          crlf_lines({"News[]Daily[]https://daily.example/[]", "News[]Weekly[]https://weekly.example/?a=1&b=2[]",
                      "<b>Bold</b>[]</option></select><script>document.title='owned'</script>[]x[]",
                      "Tools[]Caf\xC3\xA9 & more[]\" onmouseover=\"alert(1)[]"}));
  open_catalogue("b.txt");
  act(BuildBtn, {}, {});
  const std::string dom = browser_dom(path("b.html"), path("profile"));
  ASSERT_NE(dom.find("</html>"), std::string::npos) << "no document from the browser";
  EXPECT_EQ(count(dom, "<select"), 3u);
  EXPECT_EQ(count(dom, "<option"), 3u + 4u) << "one caption per menu, one option per link";
  EXPECT_NE(dom.find("<option value=\"https://weekly.example/?a=1&amp;b=2\">Weekly</option>"), std::string::npos);
  EXPECT_NE(dom.find(">&lt;b&gt;Bold&lt;/b&gt;</option>"), std::string::npos);
  EXPECT_EQ(count(dom, "<script"), 0u);
  EXPECT_EQ(count(dom, "<b>"), 0u);
  EXPECT_EQ(count(dom, "onmouseover=\""), 0u) << "an address stays inside its value";
  EXPECT_NE(dom.find("<title>My links - b.html</title>"), std::string::npos);
  EXPECT_NE(dom.find(">Caf\xC3\xA9 &amp; more</option>"), std::string::npos) << "the character survives";
}

}  // namespace

#endif
