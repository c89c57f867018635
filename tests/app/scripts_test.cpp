// Titles in every script read right: each is drawn, in the link list and in
// the title field, with no character that no installed face has (pango's
// count of unknown glyphs is 0). WEBROLO_SCRIPTS_SCREENSHOT names a file for
// the picture of the window holding them (the README's docs/scripts.png).
#include "app_fixture.h"

#ifndef _WIN32
#include "platform/win32/gdi/text_line.h"

namespace {

const char* const kTitles[] = {
    "日本語の辞書 中文新闻 한국어 뉴스",  // Japanese, Chinese, Korean
    "أخبار الطقس اليوم",                  // Arabic: right to left, joined letters
    "دليل Linux للمبتدئين",               // Arabic holding a Latin word
    "हिन्दी समाचार",                       // Hindi: Devanagari with its marks and conjuncts
    "ข่าวภาษาไทย",                         // Thai
    "Crème brûlée à la française – Łódź, Ærø",
    "Emoji 😀 🎉 👍🏽",
};

using Scripts = AppTest;

TEST_F(Scripts, EveryTitleIsDrawnWithoutBoxesInTheListAndTheField) {
  std::vector<std::string> lines;
  for (const char* title : kTitles) lines.push_back(std::string("Scripts[]") + title + "[]https://example.org/[]");
  put("scripts.txt", "\xEF\xBB\xBF" + crlf_lines(lines));
  gdi::record_drawn_texts(true);
  open_catalogue("scripts.txt");
  const int count = static_cast<int>(std::size(kTitles));
  ASSERT_EQ(gadget_item_count(ListViewLinks), count);
  for (int i = 0; i < count; ++i) click_line(i);
  std::vector<gdi::DrawnText> drawn = gdi::take_drawn_texts();
  gdi::record_drawn_texts(false);
  for (const char* title : kTitles) {
    int in_list = 0, in_field = 0;
    for (const gdi::DrawnText& d : drawn) {
      const std::string text = u8(reinterpret_cast<const WCHAR*>(d.text.c_str()), d.text.size());
      if (text.find(title) == std::string::npos) continue;
      (text == title ? in_field : in_list) += 1;
      EXPECT_EQ(d.unknown_glyphs, 0) << text << " (scripts/deps installs faces for every script)";
    }
    EXPECT_GT(in_list, 0) << title << " was not drawn in the list";
    EXPECT_GT(in_field, 0) << title << " was not drawn in the title field";
  }
  // The emoji come in their colours (a colour face that cairo draws), not as outlines: the
  // smiling face is yellow, a colour nothing else in the list has.
  HWND list = gadget_handle(ListViewLinks);
  RECT area{};
  GetClientRect(list, &area);
  int yellow = 0;
  for (int y = 0; y < area.bottom; ++y)
    for (int x = 0; x < area.right; ++x) {
      const COLORREF p = headless::pixel(list, x, y);
      yellow += GetRValue(p) > 200 && GetGValue(p) > 150 && GetBValue(p) < 100 ? 1 : 0;
    }
  EXPECT_GT(yellow, 10) << "the emoji are not drawn in colour";
  if (const char* picture = std::getenv("WEBROLO_SCRIPTS_SCREENSHOT")) {
    click_line(2);
    EXPECT_TRUE(headless::save_png(win_handle(MainWindow), picture)) << picture;
  }
}

}  // namespace
#endif
