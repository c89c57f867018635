// Text on files: byte-order marks, the end test, reading lines and writing text.
#include "runtime/file.h"

#include <random>

#include "tests/runtime/file_fixture.h"

namespace {

constexpr int32_t kAnsi = FILE_FORMAT_ANSI;
constexpr int32_t kUtf8 = FILE_FORMAT_UTF8;
constexpr int32_t kUtf16 = FILE_FORMAT_UTF16LE;
constexpr int32_t kWhole = FILE_READ_IGNORE_LINE_ENDS;

// The line rules taken literally, one unit at a time, over the bytes of a file.
struct UnitReader {
  const std::string& data;
  size_t position;

  unsigned unit_at(size_t at, size_t size) const {
    unsigned low = static_cast<unsigned char>(data[at]);
    return size == 2 ? low | (static_cast<unsigned char>(data[at + 1]) << 8) : low;
  }

  std::u16string line(int32_t format) {
    size_t size = (format & 31) == kUtf16 ? 2 : 1;
    bool line_ends = (format & kWhole) == 0;
    std::u16string out;
    for (;;) {
      if (data.size() - position < size) {
        position = data.size();
        break;
      }
      unsigned unit = unit_at(position, size);
      position += size;
      if (unit == 0) break;
      if (line_ends && unit == 10) break;
      if (line_ends && unit == 13) {
        if (data.size() - position < size) {
          position = data.size();
        } else if (unit_at(position, size) == 10) {
          position += size;
        }
        break;
      }
      out += static_cast<char16_t>(unit);
    }
    return out;
  }
};

// Long texts compared without printing them whole: sizes and the first difference.
std::string difference(const std::vector<std::string>& got, const std::vector<std::string>& expected) {
  if (got.size() != expected.size()) {
    return "got " + std::to_string(got.size()) + " lines, expected " + std::to_string(expected.size());
  }
  for (size_t i = 0; i < got.size(); ++i) {
    if (got[i] == expected[i]) continue;
    size_t at = 0;
    while (at < got[i].size() && at < expected[i].size() && got[i][at] == expected[i][at]) ++at;
    return "line " + std::to_string(i) + ": " + std::to_string(got[i].size()) + " bytes, expected " +
           std::to_string(expected[i].size()) + ", first difference at " + std::to_string(at) + ": \"" +
           got[i].substr(at, 20) + "\" instead of \"" + expected[i].substr(at, 20) + "\"";
  }
  return "";
}

class FileTextTest : public FileFixture {
 protected:
  // Every line of the open file 0, read the way the application reads: until file_at_end.
  std::vector<std::string> lines(int32_t format) {
    std::vector<std::string> out;
    while (!file_at_end(0)) {
      int32_t top = text_stack_top();
      out.push_back(u8(file_read_line(0, format, top)));
      text_stack_cut(top);
      if (out.size() > 100000) break;
    }
    return out;
  }
  std::vector<std::string> lines_of(const std::string& bytes, int32_t format) {
    write_raw("lines.txt", bytes);
    EXPECT_NE(file_open_read(0, path("lines.txt")), 0);
    std::vector<std::string> out = lines(format);
    file_close(0);
    return out;
  }

  // Reads the whole file both ways from the start position and compares line by line,
  // with the position after each line.
  void expect_same_as_unit_reader(const std::string& bytes, int32_t format, size_t start) {
    write_raw("same.bin", bytes);
    ASSERT_NE(file_open_read(0, path("same.bin")), 0);
    file_set_position(0, static_cast<int64_t>(start));
    UnitReader reference{bytes, start};
    int index = 0;
    while (reference.position < bytes.size()) {
      ASSERT_EQ(file_at_end(0), 0) << "line " << index;
      int32_t top = text_stack_top();
      std::u16string expected = reference.line(format);
      WCHAR* got = file_read_line(0, format, top);
      ASSERT_EQ(u8(got), u8(reinterpret_cast<const WCHAR*>(expected.c_str()))) << "line " << index;
      ASSERT_EQ(file_position(0), static_cast<int64_t>(reference.position)) << "line " << index;
      text_stack_cut(top);
      ++index;
    }
    EXPECT_EQ(file_at_end(0), 1);
    int32_t top = text_stack_top();
    EXPECT_EQ(u8(file_read_line(0, format, top)), "");
    file_close(0);
  }

  std::string written(const std::string& leaf) { return read_raw(leaf); }
};

TEST_F(FileTextTest, AllThreeLineEndsGiveTheSameLines) {
  std::vector<std::string> expected = {"Menu[]Title[]http://a/[]", "", "second", "last"};
  EXPECT_EQ(lines_of("Menu[]Title[]http://a/[]\r\n\r\nsecond\r\nlast", kAnsi), expected);
  EXPECT_EQ(lines_of("Menu[]Title[]http://a/[]\n\nsecond\nlast", kAnsi), expected);
  EXPECT_EQ(lines_of("Menu[]Title[]http://a/[]\r\rsecond\rlast", kAnsi), expected);
  // A line end at the very end gives no extra empty line; a lone CR at the end neither.
  EXPECT_EQ(lines_of("Menu[]Title[]http://a/[]\r\n\r\nsecond\r\nlast\r\n", kAnsi), expected);
  EXPECT_EQ(lines_of("Menu[]Title[]http://a/[]\n\nsecond\rlast\r", kAnsi), expected);
  // LF CR is two line ends; a zero unit ends a line and is dropped.
  EXPECT_EQ(lines_of("a\n\rb", kAnsi), (std::vector<std::string>{"a", "", "b"}));
  EXPECT_EQ(lines_of(std::string("a\0b\r\0c", 7), kAnsi), (std::vector<std::string>{"a", "b", "", "c"}));
  EXPECT_EQ(lines_of("", kAnsi), std::vector<std::string>{});

  write_raw("cr.txt", "only\r");
  ASSERT_NE(file_open_read(0, path("cr.txt")), 0);
  int32_t top = text_stack_top();
  EXPECT_EQ(u8(file_read_line(0, kAnsi, top)), "only");
  EXPECT_EQ(file_at_end(0), 1);
  EXPECT_EQ(file_position(0), 5);
  EXPECT_EQ(u8(file_read_line(0, kAnsi, top)), "");
}

TEST_F(FileTextTest, ByteOrderMarks) {
  struct Case {
    std::string bytes;
    int32_t format;
    int64_t skipped;
  } cases[] = {
      {std::string("\xFF\xFE\0\0x", 5), FILE_FORMAT_UTF32LE, 4},
      {std::string("\0\0\xFE\xFFx", 5), FILE_FORMAT_UTF32BE, 4},
      {std::string("\xFF\xFEx\0", 4), FILE_FORMAT_UTF16LE, 2},
      {std::string("\xFF\xFE", 2), FILE_FORMAT_UTF16LE, 2},
      {"\xEF\xBB\xBFx", FILE_FORMAT_UTF8, 3},
      {"\xEF\xBB\xBF", FILE_FORMAT_UTF8, 3},
      {"\xFE\xFFx", FILE_FORMAT_UTF16BE, 2},
      {"\xEF\xBBx", kAnsi, 0},
      {"\xFF", kAnsi, 0},
      {"plain", kAnsi, 0},
      {"", kAnsi, 0},
  };
  for (const Case& c : cases) {
    write_raw("bom.txt", c.bytes);
    ASSERT_NE(file_open_read(0, path("bom.txt")), 0);
    EXPECT_EQ(file_read_bom(0), c.format) << testing::PrintToString(c.bytes);
    EXPECT_EQ(file_position(0), c.skipped) << testing::PrintToString(c.bytes);
    file_close(0);
  }

  // The mark is looked for at the current position, and the text behind it is decoded by it.
  write_raw("utf8.txt", "skip\n\xEF\xBB\xBFGr\xC3\xBC\xC3\x9F\x65 \xE2\x82\xAC\r\nzwei");
  ASSERT_NE(file_open_read(0, path("utf8.txt")), 0);
  int32_t top = text_stack_top();
  EXPECT_EQ(u8(file_read_line(0, kAnsi, top)), "skip");
  EXPECT_EQ(file_read_bom(0), kUtf8);
  EXPECT_EQ(u8(file_read_line(0, kUtf8, top)), "Grüße €");
  EXPECT_EQ(u8(file_read_line(0, kUtf8, top)), "zwei");
  file_close(0);

  write_raw("utf16.txt", std::string("\xFF\xFEH\0\xE9\0\r\0\n\0\xAC\x20\r\0", 14));
  ASSERT_NE(file_open_read(0, path("utf16.txt")), 0);
  EXPECT_EQ(file_read_bom(0), kUtf16);
  EXPECT_EQ(lines(kUtf16), (std::vector<std::string>{"Hé", "€"}));
}

TEST_F(FileTextTest, LongLinesAreReadWhole) {
  std::string a(5000, 'a');
  std::string b(3 << 20, 'b');
  for (size_t i = 0; i < b.size(); i += 4099) b[i] = static_cast<char>('A' + i % 26);
  EXPECT_EQ(difference(lines_of(a + "\r\n" + b + "\n" + a, kAnsi), {a, b, a}), "");

  // The same in UTF-16: each unit taken as it is.
  std::string wide;
  for (char c : b) wide += std::string{c, '\0'};
  EXPECT_EQ(difference(lines_of(wide + std::string("\r\0x\0", 4), kUtf16), {b, "x"}), "");

  // UTF-8 runs that cross many refills decode as one text.
  std::string euro;
  for (int i = 0; i < 3000; ++i) euro += "\xE2\x82\xAC";
  EXPECT_EQ(difference(lines_of(euro + "\r\n", kUtf8), {euro}), "");
}

TEST_F(FileTextTest, IgnoringLineEndsStopsOnlyAtAZeroUnit) {
  EXPECT_EQ(lines_of(std::string("a\r\nb\rc\nd\0e\r\n", 12), kAnsi | kWhole),
            (std::vector<std::string>{"a\r\nb\rc\nd", "e\r\n"}));
  EXPECT_EQ(lines_of(std::string("a\0\r\0\n\0b\0\0\0c\0", 12), kUtf16 | kWhole),
            (std::vector<std::string>{"a\r\nb", "c"}));
  // Only the low five bits choose the encoding: 57 reads like 25.
  EXPECT_EQ(lines_of(std::string("a\0\n\0b\0", 6), 57), (std::vector<std::string>{"a", "b"}));
}

TEST_F(FileTextTest, LineReadingMatchesTheUnitByUnitRules) {
  // Line ends placed on both sides of the buffer boundary, and a CR as the very last byte.
  for (size_t at : {4094u, 4095u, 4096u, 4097u, 8191u, 8192u}) {
    std::string bytes(at, 'x');
    expect_same_as_unit_reader(bytes + "\r\n" + std::string(5000, 'y') + "\r", kAnsi, 0);
    expect_same_as_unit_reader(bytes + "\rz\r", kAnsi, 0);
    expect_same_as_unit_reader(bytes + std::string("\0\r", 2) + "\n\n", kAnsi | kWhole, 0);
  }
  // Random texts dense with CR, LF and zero units (as bytes and as UTF-16 units, including
  // units whose one byte is 13 or 10), odd lengths, and reading from odd positions so that
  // UTF-16 units straddle the refills.
  std::mt19937 random(20240611);
  const char16_t units[] = {13, 10, 0, 'a', 'b', 0x0D0A, 0x0A00, 0x0D00, 0x0A0D, 'q'};
  for (int round = 0; round < 60; ++round) {
    size_t length = 2000 + random() % 12000;
    std::string bytes;
    bool wide = round % 2 == 1;
    while (bytes.size() < length) {
      if (random() % 8 == 0) {
        bytes += std::string(random() % 6000, static_cast<char>('c' + random() % 20));
        continue;
      }
      char16_t unit = units[random() % 10];
      bytes += static_cast<char>(wide ? unit & 0xFF : unit == 0x0D0A ? 'r' : unit & 0x7F);
      if (wide) bytes += static_cast<char>(unit >> 8);
    }
    if (random() % 2) bytes += '\r';
    int32_t format = wide ? kUtf16 : (round % 4 == 0 ? kUtf8 : kAnsi);
    if (round % 5 == 0) format |= kWhole;
    size_t start = round % 3 == 0 ? 1 : round % 7 == 0 ? 3 : 0;
    SCOPED_TRACE("round " + std::to_string(round));
    expect_same_as_unit_reader(bytes, format, start);
  }
}

TEST_F(FileTextTest, ReadingAfterWritingSeesTheWrittenLines) {
  ASSERT_NE(file_create(0, path("rw.txt")), 0);
  file_write_text(0, TEXT("one\rtwo\r"), kAnsi);
  file_set_position(0, 0);
  int32_t top = text_stack_top();
  EXPECT_EQ(u8(file_read_line(0, kAnsi, top)), "one");
  // The unit after the CR was given back: writing now lands on it, not behind it.
  EXPECT_EQ(file_position(0), 4);
  file_write_text(0, TEXT("TWO\r"), kAnsi);
  EXPECT_EQ(file_at_end(0), 1);
  file_set_position(0, 0);
  EXPECT_EQ(lines(kAnsi), (std::vector<std::string>{"one", "TWO"}));
  file_close(0);
  EXPECT_EQ(written("rw.txt"), "one\rTWO\r");
}

TEST_F(FileTextTest, WritingTextInEachFormat) {
  ASSERT_NE(file_create(0, path("w.txt")), 0);
  EXPECT_EQ(file_write_text(0, TEXT("abc"), kAnsi), 3);
  EXPECT_EQ(file_write_text(0, nullptr, kAnsi), 0);
  EXPECT_EQ(file_write_text(0, TEXT(""), kUtf16), 0);
  file_write_line(0, TEXT(""), kAnsi);
  file_write_line(0, nullptr, kUtf8);
  EXPECT_EQ(file_write_text(0, TEXT("\u00e9\u20ac"), kUtf8), 5);
  EXPECT_EQ(file_write_text(0, TEXT("ab"), kUtf16), 4);
  file_write_line(0, TEXT("z"), kUtf16);
  EXPECT_EQ(file_write_text(0, TEXT("any"), 7), 3);  // an unknown format writes ANSI
  EXPECT_EQ(file_position(0), 25);
  file_close(0);
  EXPECT_EQ(written("w.txt"), std::string("abc\r\n\r\n\xC3\xA9\xE2\x82\xAC"
                                          "a\0b\0z\0\r\0\n\0any",
                                          25));

  // The active code page decides ANSI; what it cannot hold becomes its default character.
  ASSERT_NE(file_create(0, path("ansi.txt")), 0);
  int64_t bytes = file_write_text(0, TEXT("\u00e9\u20ac\u4e2d"), kAnsi);
  file_close(0);
  if (GetACP() == 1252) {
    EXPECT_EQ(bytes, 3);
    EXPECT_EQ(written("ansi.txt"), "\xE9\x80?");
  } else if (GetACP() == CP_UTF8) {
    EXPECT_EQ(written("ansi.txt"), "\xC3\xA9\xE2\x82\xAC\xE4\xB8\xAD");
  }

  // Long texts, beyond the buffer and beyond any local conversion room.
  std::u16string long_text(6000, u'\u00e9');
  ASSERT_NE(file_create(0, path("long.txt")), 0);
  EXPECT_EQ(file_write_text(0, reinterpret_cast<const WCHAR*>(long_text.c_str()), kUtf8), 12000);
  file_write_line(0, reinterpret_cast<const WCHAR*>(long_text.c_str()), kUtf16);
  EXPECT_EQ(file_position(0), 12000 + 12004);
  file_set_position(0, 0);
  std::vector<std::string> got = lines(kUtf8);
  ASSERT_FALSE(got.empty());
  EXPECT_EQ(got[0].substr(0, 12000), u8(reinterpret_cast<const WCHAR*>(long_text.c_str())));
  file_set_position(0, 12000);
  EXPECT_EQ(lines(kUtf16), std::vector<std::string>{u8(reinterpret_cast<const WCHAR*>(long_text.c_str()))});
  file_close(0);

  // A long text is converted in pieces: a surrogate pair at any place stays one character.
  for (size_t before : {size_t{10920}, size_t{10921}, size_t{10922}, size_t{18203}, size_t{21843}}) {
    std::u16string paired = std::u16string(before, u'a') + u"\U0001F600" + std::u16string(10, u'b');
    ASSERT_NE(file_create(0, path("pair.txt")), 0);
    file_write_text(0, reinterpret_cast<const WCHAR*>(paired.c_str()), kUtf8);
    file_close(0);
    EXPECT_EQ(written("pair.txt"), std::string(before, 'a') + "\xF0\x9F\x98\x80" + std::string(10, 'b')) << before;
  }
}

}  // namespace
