// The file table, opening and closing, the buffer and the logical position.
#include "runtime/file.h"

#include "tests/runtime/file_fixture.h"

namespace {

class FileTest : public FileFixture {
 protected:
  std::string read(int64_t number, int32_t bytes) {
    std::string out(static_cast<size_t>(bytes), '\0');
    int32_t got = file_read_bytes(file_object(number), out.data(), bytes);
    out.resize(static_cast<size_t>(got < 0 ? 0 : got));
    return out;
  }
  int32_t write(int64_t number, const std::string& bytes) {
    return file_write_bytes(file_object(number), bytes.data(), static_cast<int32_t>(bytes.size()));
  }

  // Turns an open file into an unbuffered one, as when its buffer could not be had.
  void drop_buffer(int64_t number) {
    FileObject* file = file_object(number);
    ASSERT_NE(file, nullptr);
    mem_free(file->buffer);
    file->buffer = nullptr;
  }
};

std::string pattern(size_t n) {
  std::string s(n, '\0');
  for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>('a' + (i * 7 + i / 26) % 26);
  return s;
}

TEST_F(FileTest, CreateEmptiesAnExistingFileAndStartsAnEmptyReadAhead) {
  write_raw("a.txt", "old content that must go");
  int64_t result = file_create(0, path("a.txt"));
  EXPECT_NE(result, 0);
  FileObject* file = file_object(0);
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(file->mode, 1);
  EXPECT_EQ(file->count, 0);
  EXPECT_EQ(file->buffer_size, FILE_BUFFER_SIZE);
  EXPECT_NE(file->buffer, nullptr);
  EXPECT_EQ(file_position(0), 0);
  EXPECT_EQ(read(0, 10), "");
  file_close(0);
  EXPECT_EQ(file_object(0), nullptr);
  EXPECT_EQ(read_raw("a.txt"), "");

  // A file that does not exist is made.
  EXPECT_NE(file_create(3, path("new.txt")), 0);
  file_close(3);
  EXPECT_NE(GetFileAttributesW(path("new.txt")), INVALID_FILE_ATTRIBUTES);

  // Opening for reading needs the file; a folder that does not exist fails both opens.
  EXPECT_EQ(file_open_read(0, path("missing.txt")), 0);
  EXPECT_EQ(file_create(0, path("no-such-folder/x.txt")), 0);
  EXPECT_EQ(file_object(0), nullptr);
}

TEST_F(FileTest, OpeningUnderANumberInUseClosesTheOldFileFirst) {
  write_raw("a.txt", "first");
  write_raw("b.txt", "second");
  ASSERT_NE(file_open_read(1, path("a.txt")), 0);
  // The old handle shares for reading only, so re-creating a.txt succeeds only if it was closed.
  ASSERT_NE(file_create(1, path("a.txt")), 0);
  EXPECT_EQ(write(1, "again"), 5);
  ASSERT_NE(file_open_read(1, path("b.txt")), 0);
  EXPECT_EQ(read_raw("a.txt"), "again");  // the pending output went out when number 1 was reused
  EXPECT_EQ(read(1, 6), "second");

  // A failed open leaves the number closed, and the old file released.
  EXPECT_EQ(file_open_read(1, path("missing.txt")), 0);
  EXPECT_EQ(file_position(1), -1);
  EXPECT_EQ(file_object(1), nullptr);
  ASSERT_NE(file_create(0, path("b.txt")), 0);
  file_close(0);

  // Numbers above the first sixteen grow the table.
  ASSERT_NE(file_open_read(40, path("a.txt")), 0);
  EXPECT_EQ(read(40, 5), "again");
  file_close(40);
  EXPECT_EQ(file_position(40), -1);
}

TEST_F(FileTest, DynamicNumbers) {
  write_raw("a.txt", "abc");
  int64_t first = file_open_read(-1, path("a.txt"));
  int64_t second = file_open_read(-1, path("a.txt"));
  ASSERT_NE(first, 0);
  ASSERT_NE(second, 0);
  EXPECT_NE(first, second);
  EXPECT_NE(first, -1);
  EXPECT_EQ(read(first, 3), "abc");
  EXPECT_EQ(file_position(first), 3);
  EXPECT_EQ(file_position(second), 0);
  file_close(first);
  EXPECT_EQ(file_position(first), -1);
  EXPECT_EQ(file_position(second), 0);
  EXPECT_EQ(file_open_read(-1, path("missing.txt")), 0);
  EXPECT_EQ(file_create(-1, nullptr), 0);

  // -1 closes everything.
  ASSERT_NE(file_create(2, path("b.txt")), 0);
  file_close(-1);
  EXPECT_EQ(file_position(second), -1);
  EXPECT_EQ(file_position(2), -1);
}

TEST_F(FileTest, NumbersThatAreNotOpenDoNothing) {
  EXPECT_EQ(file_position(5), -1);
  EXPECT_EQ(file_at_end(5), 0);
  EXPECT_EQ(file_read_bom(5), FILE_FORMAT_ANSI);
  EXPECT_EQ(file_write_text(5, TEXT("x"), FILE_FORMAT_ANSI), 0);
  EXPECT_EQ(file_write_failed(5), 0);
  file_write_line(5, TEXT("x"), FILE_FORMAT_ANSI);
  file_set_position(5, 10);
  file_close(5);
  int32_t saved = text_stack_top();
  text_push(TEXT("keep"));
  int32_t top = text_stack_top();
  EXPECT_EQ(u8(file_read_line(5, FILE_FORMAT_ANSI, top)), "");
  EXPECT_EQ(u8(text_stack_at(saved)), "keep");
  text_stack_cut(saved);

  EXPECT_EQ(file_create(-2, path("x.txt")), 0);
  EXPECT_EQ(file_open_read(-7, path("x.txt")), 0);
  EXPECT_EQ(file_create(0, nullptr), 0);
  EXPECT_EQ(file_open_read(0, nullptr), 0);
  EXPECT_EQ(file_position(-1), -1);
  EXPECT_EQ(file_position(123456789), -1);
}

TEST_F(FileTest, BufferedReadingDeliversEveryByteOnceInOrder) {
  std::string data = pattern(20000);
  write_raw("d.bin", data);
  ASSERT_NE(file_open_read(0, path("d.bin")), 0);
  std::string got = read(0, 10);
  EXPECT_EQ(file_position(0), 10);
  got += read(0, 4090);  // straddles the first refill
  EXPECT_EQ(file_position(0), 4100);
  got += read(0, 9000);  // larger than the buffer: partly buffered, rest direct
  EXPECT_EQ(file_position(0), 13100);
  got += read(0, 1);
  got += read(0, 100000);  // short at the end of the file
  EXPECT_EQ(got, data);
  EXPECT_EQ(file_position(0), 20000);
  EXPECT_EQ(read(0, 1), "");
  EXPECT_EQ(file_at_end(0), 1);
}

TEST_F(FileTest, BufferedWritingKeepsOrderAcrossSmallAndLargeWrites) {
  ASSERT_NE(file_create(0, path("w.bin")), 0);
  std::string expected;
  std::string big = pattern(20000);
  size_t sizes[] = {1, 3, 4000, 95, 1, 4096, 4095, 7, 10000, 2, 0, 4094};
  size_t at = 0;
  for (size_t n : sizes) {
    std::string piece = big.substr(at % 97, n);
    at += 13;
    EXPECT_EQ(write(0, piece), static_cast<int32_t>(n));
    expected += piece;
    EXPECT_EQ(file_position(0), static_cast<int64_t>(expected.size()));
  }
  EXPECT_EQ(file_write_failed(0), 0);
  file_close(0);
  EXPECT_EQ(read_raw("w.bin"), expected);
}

TEST_F(FileTest, SwitchingBetweenReadingAndWritingKeepsTheLogicalPosition) {
  write_raw("m.txt", "hello world, and more after it");
  ASSERT_NE(file_create(0, path("m.txt")), 0);  // empties it; read and write access
  EXPECT_EQ(write(0, "hello world"), 11);
  file_set_position(0, 0);  // pending output goes out first
  EXPECT_EQ(file_position(0), 0);
  EXPECT_EQ(read(0, 5), "hello");
  EXPECT_EQ(file_position(0), 5);
  // The read-ahead holds the rest of the file; writing must land at 5, not behind it.
  EXPECT_EQ(write(0, "XYZ"), 3);
  EXPECT_EQ(file_position(0), 8);
  EXPECT_EQ(read(0, 3), "rld");  // reading flushes and continues behind the written bytes
  EXPECT_EQ(file_position(0), 11);
  file_set_position(0, 5);
  EXPECT_EQ(read(0, 2), "XY");
  file_set_position(0, 100);
  EXPECT_EQ(file_position(0), 100);
  EXPECT_EQ(read(0, 1), "");
  file_close(0);
  EXPECT_EQ(read_raw("m.txt"), "helloXYZrld");
}

TEST_F(FileTest, UnbufferedFilesReadWriteAndSeekDirectly) {
  write_raw("u.txt", "one\r\ntwo");
  ASSERT_NE(file_create(0, path("u.txt")), 0);
  drop_buffer(0);
  EXPECT_EQ(file_write_text(0, TEXT("alpha"), FILE_FORMAT_ANSI), 5);
  file_write_line(0, TEXT("beta"), FILE_FORMAT_ANSI);
  EXPECT_EQ(file_position(0), 11);
  EXPECT_EQ(file_at_end(0), -1);
  file_set_position(0, 0);
  EXPECT_EQ(file_at_end(0), 0);
  EXPECT_EQ(file_position(0), 0);
  int32_t top = text_stack_top();
  file_write_line(0, TEXT(""), FILE_FORMAT_ANSI);  // overwrite "al" with CR LF
  file_set_position(0, 0);
  EXPECT_EQ(u8(file_read_line(0, FILE_FORMAT_ANSI, top)), "");
  EXPECT_EQ(u8(file_read_line(0, FILE_FORMAT_ANSI, top)), "phabeta");
  EXPECT_EQ(file_at_end(0), -1);
  EXPECT_EQ(file_write_failed(0), 0);
  file_close(0);
  EXPECT_EQ(read_raw("u.txt"), "\r\nphabeta\r\n");
}

#ifndef _WIN32
// A full disk must not pass for success: /dev/full takes nothing.
TEST_F(FileTest, LostOutputIsReportedOnLinux) {
  const WCHAR* full = TEXT("/dev/full");
  ASSERT_NE(file_create(0, full), 0);
  EXPECT_EQ(file_write_text(0, TEXT("short"), FILE_FORMAT_ANSI), 5);  // still in the buffer
  EXPECT_EQ(file_write_failed(0), 1);                                 // asking writes the pending output
  EXPECT_EQ(file_close(0), 0) << "the close says output was lost";

  // The write behind a seek and a direct large write are covered as well.
  ASSERT_NE(file_create(0, full), 0);
  EXPECT_EQ(write(0, "abc"), 3);
  file_set_position(0, 0);
  EXPECT_EQ(file_write_failed(0), 1);
  file_close(0);
  ASSERT_NE(file_create(0, full), 0);
  EXPECT_LT(write(0, pattern(5000)), 5000);
  EXPECT_EQ(file_write_failed(0), 1);
  file_close(0);

  // A fresh open starts without the mark; an ordinary file never gets it.
  ASSERT_NE(file_create(0, path("ok.txt")), 0);
  EXPECT_EQ(write(0, pattern(9000)), 9000);
  EXPECT_EQ(file_write_failed(0), 0);

  // Output lost only in the last flush, inside the close, is reported by the close and names its reason.
  ASSERT_NE(file_create(1, full), 0);
  EXPECT_EQ(file_write_text(1, TEXT("tail"), FILE_FORMAT_ANSI), 4);
  EXPECT_EQ(file_close(1), 0);
  EXPECT_EQ(file_last_error(), static_cast<uint32_t>(ERROR_DISK_FULL));
  EXPECT_EQ(u8(file_error_text(file_last_error(), 0)), "There is not enough space on the disk.");
  ASSERT_NE(file_create(1, full), 0);
  EXPECT_EQ(file_write_text(1, TEXT("tail"), FILE_FORMAT_ANSI), 4);
  EXPECT_EQ(file_flush(1), 0);
}
#endif

TEST_F(FileTest, CloseFlushAndReplaceAnswerWhetherTheDataArrived) {
  ASSERT_NE(file_create(0, path("new.txt")), 0);
  EXPECT_EQ(write(0, pattern(5000)), 5000);
  EXPECT_EQ(file_flush(0), 1);
  EXPECT_EQ(file_close(0), 1);
  EXPECT_EQ(file_close(0), 0) << "no file under the number any more";
  EXPECT_EQ(file_flush(0), 0);

  write_raw("old.txt", "old");
  EXPECT_EQ(file_replace(path("new.txt"), path("old.txt")), 1);
  EXPECT_EQ(read_raw("old.txt"), pattern(5000));
  EXPECT_EQ(file_replace(path("new.txt"), path("old.txt")), 0) << "the source is gone";
  EXPECT_EQ(file_last_error(), static_cast<uint32_t>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(read_raw("old.txt"), pattern(5000));

  // Every reason has a text without a line end; a code the system cannot name is shown as a number.
  const std::string reason = u8(file_error_text(ERROR_FILE_NOT_FOUND, 0));
  ASSERT_FALSE(reason.empty());
  EXPECT_NE(reason.back(), '\n');
  EXPECT_NE(reason.back(), '\r');
  EXPECT_EQ(u8(file_error_text(0x2FFFFF00, 0)), "Error " + std::to_string(0x2FFFFF00));
}

}  // namespace
