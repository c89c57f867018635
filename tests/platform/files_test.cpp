// Conformance of the file functions: dispositions and their last errors,
// attributes, share modes, reading, writing and seeking, copying, moving,
// folders and both separators. The Files tests hold on real Win32 too; the
// FilesLinux ones check what only the stand-in can show.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "common/test_text.h"
#include "platform/win32.h"

#ifndef _WIN32
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "platform/win32/kernel/file_ops.h"
#endif

namespace {

// A wide file name that owns its text.
struct Name {
  std::u16string text;
  explicit Name(const std::string& utf8) : text(w16(utf8)) {}
  operator const WCHAR*() const { return reinterpret_cast<const WCHAR*>(text.c_str()); }
};

constexpr DWORD kReadWrite = GENERIC_READ | GENERIC_WRITE;
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

HANDLE open_file(const WCHAR* name, DWORD access, DWORD share, DWORD disposition,
                 DWORD attributes = FILE_ATTRIBUTE_NORMAL) {
  return CreateFileW(name, access, share, nullptr, disposition, attributes, nullptr);
}

void put(const WCHAR* name, const std::string& content, DWORD attributes = FILE_ATTRIBUTE_NORMAL) {
  HANDLE h = open_file(name, GENERIC_WRITE, 0, CREATE_ALWAYS, attributes);
  ASSERT_NE(h, INVALID_HANDLE_VALUE) << u8(name) << " error " << GetLastError();
  DWORD written = 0;
  ASSERT_TRUE(WriteFile(h, content.data(), static_cast<DWORD>(content.size()), &written, nullptr));
  ASSERT_EQ(written, content.size());
  ASSERT_TRUE(CloseHandle(h));
}

// The whole content, or "<error N>" when the file cannot be opened.
std::string get(const WCHAR* name) {
  HANDLE h = open_file(name, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
  if (h == INVALID_HANDLE_VALUE) return "<error " + std::to_string(GetLastError()) + ">";
  std::string content;
  char chunk[1000];
  DWORD got = 0;
  while (ReadFile(h, chunk, sizeof chunk, &got, nullptr) && got) content.append(chunk, got);
  CloseHandle(h);
  return content;
}

// The last error a failed call left, or 0 when the call succeeded.
template <typename Call>
DWORD failure(Call call) {
  SetLastError(0xDEADBEEF);
  return call() ? 0 : GetLastError();
}

// Opens and closes again: 0 when the file opened, else the last error.
DWORD open_error(const WCHAR* name, DWORD access, DWORD share, DWORD disposition,
                 DWORD attributes = FILE_ATTRIBUTE_NORMAL) {
  HANDLE h = open_file(name, access, share, disposition, attributes);
  if (h == INVALID_HANDLE_VALUE) return GetLastError();
  CloseHandle(h);
  return 0;
}

// The last error a successful open leaves (Win32 reports there whether the file existed).
DWORD opened_with(const WCHAR* name, DWORD access, DWORD disposition) {
  SetLastError(0xDEADBEEF);
  HANDLE h = open_file(name, access, 0, disposition);
  if (h == INVALID_HANDLE_VALUE) return 0xBADu;
  DWORD error = GetLastError();
  CloseHandle(h);
  return error;
}

constexpr DWORD code(long error) { return static_cast<DWORD>(error); }

}  // namespace

TEST(Files, DispositionsTruncateAndReportWhatTheyFound) {
  std::string dir = test_dir();
  Name a(dir + "a.txt"), b(dir + "b.txt"), c(dir + "c.txt");

  EXPECT_EQ(open_error(a, GENERIC_READ, 0, OPEN_EXISTING), code(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(open_error(a, GENERIC_WRITE, 0, TRUNCATE_EXISTING), code(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(open_error(Name(dir + "missing\\a.txt"), GENERIC_WRITE, 0, CREATE_ALWAYS), code(ERROR_PATH_NOT_FOUND));

  EXPECT_EQ(opened_with(a, GENERIC_WRITE, CREATE_NEW), 0u);
  put(a, "hello");
  EXPECT_EQ(open_error(a, kReadWrite, 0, CREATE_NEW), code(ERROR_FILE_EXISTS));
  EXPECT_EQ(get(a), "hello");

  // OPEN_ALWAYS keeps the content; CREATE_ALWAYS empties it. Both say whether the file was there.
  EXPECT_EQ(opened_with(a, GENERIC_READ, OPEN_ALWAYS), code(ERROR_ALREADY_EXISTS));
  EXPECT_EQ(get(a), "hello");
  EXPECT_EQ(opened_with(b, GENERIC_READ, OPEN_ALWAYS), 0u);
  EXPECT_EQ(opened_with(a, GENERIC_WRITE, CREATE_ALWAYS), code(ERROR_ALREADY_EXISTS));
  EXPECT_EQ(get(a), "");
  EXPECT_EQ(opened_with(c, GENERIC_WRITE, CREATE_ALWAYS), 0u);
  put(a, "again");
  EXPECT_EQ(open_error(a, GENERIC_WRITE, 0, TRUNCATE_EXISTING), 0u);
  EXPECT_EQ(get(a), "");

  // Bad names and arguments.
  EXPECT_EQ(open_error(nullptr, GENERIC_READ, 0, OPEN_EXISTING), code(ERROR_PATH_NOT_FOUND));
  EXPECT_EQ(open_error(TEXT(""), GENERIC_READ, 0, OPEN_EXISTING), code(ERROR_PATH_NOT_FOUND));
  EXPECT_EQ(open_error(a, GENERIC_READ, 0, 0), code(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(open_error(a, GENERIC_READ, 0, TRUNCATE_EXISTING + 1), code(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(open_error(Name(dir + "what?.txt"), GENERIC_WRITE, 0, CREATE_ALWAYS), code(ERROR_INVALID_NAME));
  EXPECT_EQ(failure([&] { return CloseHandle(nullptr); }), code(ERROR_INVALID_HANDLE));

  // A folder is no file, whatever the disposition; with backup semantics it opens for queries.
  Name folder(dir + "folder");
  ASSERT_TRUE(CreateDirectoryW(folder, nullptr));
  EXPECT_EQ(open_error(folder, GENERIC_READ, kShareAll, OPEN_EXISTING), code(ERROR_ACCESS_DENIED));
  EXPECT_EQ(open_error(folder, GENERIC_WRITE, kShareAll, CREATE_ALWAYS), code(ERROR_ACCESS_DENIED));
  EXPECT_EQ(open_error(folder, GENERIC_READ, kShareAll, OPEN_ALWAYS), code(ERROR_ACCESS_DENIED));
  EXPECT_EQ(open_error(folder, GENERIC_READ, kShareAll, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS), 0u);
  EXPECT_EQ(failure([&] { return DeleteFileW(folder); }), code(ERROR_ACCESS_DENIED));
  EXPECT_EQ(failure([&] { return CopyFileW(folder, Name(dir + "copy"), FALSE); }), code(ERROR_ACCESS_DENIED));
}

TEST(Files, AttributesReadOnlyAndHidden) {
  std::string dir = test_dir();
  Name locked(dir + "locked.txt");
  put(locked, "keep");
  EXPECT_FALSE(GetFileAttributesW(locked) & FILE_ATTRIBUTE_READONLY);
  ASSERT_TRUE(SetFileAttributesW(locked, FILE_ATTRIBUTE_READONLY));
  EXPECT_TRUE(GetFileAttributesW(locked) & FILE_ATTRIBUTE_READONLY);
  EXPECT_EQ(failure([&] { return DeleteFileW(locked); }), code(ERROR_ACCESS_DENIED));
  EXPECT_EQ(get(locked), "keep");
  ASSERT_TRUE(SetFileAttributesW(locked, FILE_ATTRIBUTE_NORMAL));
  EXPECT_FALSE(GetFileAttributesW(locked) & FILE_ATTRIBUTE_READONLY);
  EXPECT_TRUE(DeleteFileW(locked));

  // A file created read-only is read-only afterwards, yet the creating handle may write.
  Name born(dir + "born.txt");
  HANDLE h = open_file(born, kReadWrite, 0, CREATE_NEW, FILE_ATTRIBUTE_READONLY);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  EXPECT_TRUE(WriteFile(h, "abc", 3, &written, nullptr));
  EXPECT_EQ(written, 3u);
  CloseHandle(h);
  EXPECT_TRUE(GetFileAttributesW(born) & FILE_ATTRIBUTE_READONLY);
  EXPECT_EQ(get(born), "abc");
  EXPECT_TRUE(SetFileAttributesW(born, FILE_ATTRIBUTE_NORMAL));

  // A hidden file is emptied by TRUNCATE_EXISTING, and re-created by CREATE_ALWAYS naming the attribute.
  Name hidden(dir + "hidden.txt");
  put(hidden, "secret");
  ASSERT_TRUE(SetFileAttributesW(hidden, FILE_ATTRIBUTE_HIDDEN));
  EXPECT_TRUE(GetFileAttributesW(hidden) & FILE_ATTRIBUTE_HIDDEN);
  EXPECT_EQ(open_error(hidden, GENERIC_WRITE, FILE_SHARE_READ, TRUNCATE_EXISTING, 0), 0u);
  EXPECT_EQ(get(hidden), "");
  put(hidden, "again", FILE_ATTRIBUTE_HIDDEN);
  EXPECT_EQ(get(hidden), "again");
  EXPECT_TRUE(GetFileAttributesW(hidden) & FILE_ATTRIBUTE_HIDDEN);
  ASSERT_TRUE(SetFileAttributesW(hidden, FILE_ATTRIBUTE_NORMAL));
  EXPECT_FALSE(GetFileAttributesW(hidden) & FILE_ATTRIBUTE_HIDDEN);

  // Attributes of what is not there, and of a folder.
  EXPECT_EQ(failure([&] { return GetFileAttributesW(Name(dir + "none")) != INVALID_FILE_ATTRIBUTES; }),
            code(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(failure([&] { return GetFileAttributesW(Name(dir + "none/x")) != INVALID_FILE_ATTRIBUTES; }),
            code(ERROR_PATH_NOT_FOUND));
  EXPECT_EQ(failure([&] { return SetFileAttributesW(Name(dir + "none"), FILE_ATTRIBUTE_NORMAL); }),
            code(ERROR_FILE_NOT_FOUND));
  DWORD folder = GetFileAttributesW(Name(dir));
  ASSERT_NE(folder, INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(folder & FILE_ATTRIBUTE_DIRECTORY);
}

TEST(Files, ShareModesAreEnforcedBetweenHandles) {
  std::string dir = test_dir();
  Name f(dir + "shared.txt");
  put(f, "content");

  HANDLE reader = open_file(f, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
  ASSERT_NE(reader, INVALID_HANDLE_VALUE);
  // Others may read alongside, but not write, and must let the reader read.
  HANDLE second = open_file(f, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
  EXPECT_NE(second, INVALID_HANDLE_VALUE);
  EXPECT_EQ(open_error(f, GENERIC_WRITE, kShareAll, OPEN_EXISTING), code(ERROR_SHARING_VIOLATION));
  EXPECT_EQ(open_error(f, GENERIC_READ, 0, OPEN_EXISTING), code(ERROR_SHARING_VIOLATION));
  // A refused CREATE_ALWAYS must not have emptied the file first.
  EXPECT_EQ(open_error(f, kReadWrite, kShareAll, CREATE_ALWAYS), code(ERROR_SHARING_VIOLATION));
  EXPECT_EQ(get(f), "content");
  // Without FILE_SHARE_DELETE the file can be neither deleted nor renamed.
  EXPECT_EQ(failure([&] { return DeleteFileW(f); }), code(ERROR_SHARING_VIOLATION));
  EXPECT_EQ(failure([&] { return MoveFileW(f, Name(dir + "moved.txt")); }), code(ERROR_SHARING_VIOLATION));
  CloseHandle(second);
  CloseHandle(reader);
  EXPECT_EQ(get(f), "content");

  // An exclusive handle keeps everyone out until it is closed.
  HANDLE exclusive = open_file(f, kReadWrite, 0, OPEN_EXISTING);
  ASSERT_NE(exclusive, INVALID_HANDLE_VALUE);
  EXPECT_EQ(open_error(f, GENERIC_READ, kShareAll, OPEN_EXISTING), code(ERROR_SHARING_VIOLATION));
  EXPECT_EQ(failure([&] { return CopyFileW(f, Name(dir + "copy.txt"), FALSE); }), code(ERROR_SHARING_VIOLATION));
  CloseHandle(exclusive);
  EXPECT_EQ(open_error(f, GENERIC_READ, 0, OPEN_EXISTING), 0u);

  // Copying onto a target that is open for writing without write sharing is refused.
  Name target(dir + "target.txt");
  put(target, "old");
  HANDLE writer = open_file(target, GENERIC_WRITE, FILE_SHARE_READ, OPEN_EXISTING);
  ASSERT_NE(writer, INVALID_HANDLE_VALUE);
  EXPECT_EQ(failure([&] { return CopyFileW(f, target, FALSE); }), code(ERROR_SHARING_VIOLATION));
  CloseHandle(writer);
  EXPECT_EQ(get(target), "old");

  // With FILE_SHARE_DELETE the file may be deleted while open; it is gone once closed.
  HANDLE lenient = open_file(f, GENERIC_READ, kShareAll, OPEN_EXISTING);
  ASSERT_NE(lenient, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(DeleteFileW(f));
  CloseHandle(lenient);
  EXPECT_EQ(failure([&] { return GetFileAttributesW(f) != INVALID_FILE_ATTRIBUTES; }), code(ERROR_FILE_NOT_FOUND));
}

TEST(Files, ReadWriteAndSeekRoundTrip) {
  std::string dir = test_dir();
  Name f(dir + "data.bin");
  std::string data(10000, '\0');
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 7 + i / 251);

  HANDLE h = open_file(f, kReadWrite, 0, CREATE_ALWAYS);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  DWORD done = 0;
  ASSERT_TRUE(WriteFile(h, data.data(), static_cast<DWORD>(data.size()), &done, nullptr));
  EXPECT_EQ(done, data.size());
  LARGE_INTEGER size, at, move;
  ASSERT_TRUE(GetFileSizeEx(h, &size));
  EXPECT_EQ(size.QuadPart, 10000);
  EXPECT_TRUE(FlushFileBuffers(h));

  move.QuadPart = 0;
  ASSERT_TRUE(SetFilePointerEx(h, move, &at, FILE_BEGIN));
  EXPECT_EQ(at.QuadPart, 0);
  std::string back(4096, '\0');
  ASSERT_TRUE(ReadFile(h, back.data(), 4096, &done, nullptr));
  EXPECT_EQ(done, 4096u);
  EXPECT_EQ(back, data.substr(0, 4096));

  move.QuadPart = -10;
  ASSERT_TRUE(SetFilePointerEx(h, move, &at, FILE_END));
  EXPECT_EQ(at.QuadPart, 9990);
  ASSERT_TRUE(ReadFile(h, back.data(), 100, &done, nullptr));
  EXPECT_EQ(done, 10u);
  EXPECT_EQ(back.substr(0, 10), data.substr(9990));
  // At the end a read succeeds with nothing.
  done = 77;
  EXPECT_TRUE(ReadFile(h, back.data(), 100, &done, nullptr));
  EXPECT_EQ(done, 0u);

  // A seek before the start fails and leaves the position alone.
  move.QuadPart = -1;
  EXPECT_EQ(failure([&] { return SetFilePointerEx(h, move, nullptr, FILE_BEGIN); }), code(ERROR_NEGATIVE_SEEK));
  move.QuadPart = -20000;
  EXPECT_EQ(failure([&] { return SetFilePointerEx(h, move, nullptr, FILE_CURRENT); }), code(ERROR_NEGATIVE_SEEK));
  move.QuadPart = 0;
  EXPECT_EQ(failure([&] { return SetFilePointerEx(h, move, nullptr, 3); }), code(ERROR_INVALID_PARAMETER));
  ASSERT_TRUE(SetFilePointerEx(h, move, &at, FILE_CURRENT));
  EXPECT_EQ(at.QuadPart, 10000);

  CloseHandle(h);

  // Each handle does only what it was opened for.
  HANDLE reader = open_file(f, GENERIC_READ, kShareAll, OPEN_EXISTING);
  HANDLE writer = open_file(f, GENERIC_WRITE, kShareAll, OPEN_EXISTING);
  ASSERT_NE(reader, INVALID_HANDLE_VALUE);
  ASSERT_NE(writer, INVALID_HANDLE_VALUE);
  EXPECT_EQ(failure([&] { return WriteFile(reader, "x", 1, &done, nullptr); }), code(ERROR_ACCESS_DENIED));
  EXPECT_EQ(failure([&] { return FlushFileBuffers(reader); }), code(ERROR_ACCESS_DENIED));
  EXPECT_EQ(failure([&] { return ReadFile(writer, back.data(), 1, &done, nullptr); }), code(ERROR_ACCESS_DENIED));
  EXPECT_TRUE(WriteFile(writer, "AB", 2, &done, nullptr));
  CloseHandle(writer);
  ASSERT_TRUE(ReadFile(reader, back.data(), 3, &done, nullptr));
  EXPECT_EQ(back.substr(0, done), "AB" + data.substr(2, 1));
  CloseHandle(reader);
}

TEST(Files, CopyHonoursFailIfExistsAndReplacesWhole) {
  std::string dir = test_dir();
  Name source(dir + "source.txt"), target(dir + "target.txt"), fresh(dir + "fresh.txt");
  put(source, "new content");
  put(target, "old");

  EXPECT_EQ(failure([&] { return CopyFileW(source, target, TRUE); }), code(ERROR_FILE_EXISTS));
  EXPECT_EQ(get(target), "old");
  EXPECT_TRUE(CopyFileW(source, target, FALSE));
  EXPECT_EQ(get(target), "new content");
  EXPECT_TRUE(CopyFileW(source, fresh, TRUE));
  EXPECT_EQ(get(fresh), "new content");
  EXPECT_EQ(get(source), "new content");

  EXPECT_EQ(failure([&] { return CopyFileW(Name(dir + "none.txt"), target, FALSE); }), code(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(failure([&] { return CopyFileW(source, Name(dir + "none\\x.txt"), FALSE); }), code(ERROR_PATH_NOT_FOUND));
  EXPECT_FALSE(CopyFileW(nullptr, target, FALSE));
  EXPECT_FALSE(CopyFileW(source, nullptr, FALSE));
  EXPECT_FALSE(CopyFileW(source, source, FALSE));
  EXPECT_EQ(get(source), "new content");
  EXPECT_EQ(get(target), "new content");

  // The copy of a read-only file is read-only.
  ASSERT_TRUE(SetFileAttributesW(source, FILE_ATTRIBUTE_READONLY));
  Name copy(dir + "copy.txt");
  EXPECT_TRUE(CopyFileW(source, copy, FALSE));
  EXPECT_TRUE(GetFileAttributesW(copy) & FILE_ATTRIBUTE_READONLY);
  EXPECT_EQ(get(copy), "new content");
  EXPECT_TRUE(SetFileAttributesW(source, FILE_ATTRIBUTE_NORMAL));
  EXPECT_TRUE(SetFileAttributesW(copy, FILE_ATTRIBUTE_NORMAL));
}

TEST(Files, MoveNeverReplacesAnExistingTarget) {
  std::string dir = test_dir();
  Name a(dir + "a.txt"), b(dir + "b.txt"), c(dir + "c.txt");
  put(a, "first");
  put(b, "second");

  EXPECT_EQ(failure([&] { return MoveFileW(a, b); }), code(ERROR_ALREADY_EXISTS));
  EXPECT_EQ(get(a), "first");
  EXPECT_EQ(get(b), "second");

  EXPECT_TRUE(MoveFileW(a, c));
  EXPECT_EQ(get(c), "first");
  EXPECT_EQ(failure([&] { return GetFileAttributesW(a) != INVALID_FILE_ATTRIBUTES; }), code(ERROR_FILE_NOT_FOUND));
  EXPECT_TRUE(MoveFileW(c, c));  // onto its own name: nothing to do
  EXPECT_EQ(get(c), "first");
  EXPECT_EQ(failure([&] { return MoveFileW(a, Name(dir + "d.txt")); }), code(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(failure([&] { return MoveFileW(c, Name(dir + "none\\c.txt")); }), code(ERROR_PATH_NOT_FOUND));
  EXPECT_EQ(get(c), "first");

  // A read-only file may be renamed.
  ASSERT_TRUE(SetFileAttributesW(c, FILE_ATTRIBUTE_READONLY));
  EXPECT_TRUE(MoveFileW(c, a));
  EXPECT_TRUE(GetFileAttributesW(a) & FILE_ATTRIBUTE_READONLY);
  EXPECT_TRUE(SetFileAttributesW(a, FILE_ATTRIBUTE_NORMAL));

  // Folders move with their content, and not onto another folder.
  Name one(dir + "one"), two(dir + "two"), three(dir + "three");
  ASSERT_TRUE(CreateDirectoryW(one, nullptr));
  ASSERT_TRUE(CreateDirectoryW(three, nullptr));
  put(Name(dir + "one/inside.txt"), "deep");
  EXPECT_TRUE(MoveFileW(one, two));
  EXPECT_EQ(get(Name(dir + "two\\inside.txt")), "deep");
  EXPECT_EQ(failure([&] { return MoveFileW(two, three); }), code(ERROR_ALREADY_EXISTS));
  EXPECT_EQ(failure([&] { return MoveFileW(b, three); }), code(ERROR_ALREADY_EXISTS));
  EXPECT_EQ(get(Name(dir + "two\\inside.txt")), "deep");
  EXPECT_EQ(get(b), "second");
}

// The replacing move puts a finished file in place of the old one in one step.
TEST(Files, MoveExReplacesOnlyWhatMayBeReplaced) {
  std::string dir = test_dir();
  Name a(dir + "a.txt"), b(dir + "b.txt"), c(dir + "c.txt"), folder(dir + "folder");
  put(a, "new");
  put(b, "old");
  EXPECT_EQ(failure([&] { return MoveFileExW(a, b, MOVEFILE_WRITE_THROUGH); }), code(ERROR_ALREADY_EXISTS));
  EXPECT_EQ(get(b), "old");
  EXPECT_TRUE(MoveFileExW(a, b, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH));
  EXPECT_EQ(get(b), "new");
  EXPECT_EQ(GetFileAttributesW(a), INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(MoveFileExW(b, c, MOVEFILE_REPLACE_EXISTING));  // no target: a plain rename
  EXPECT_EQ(get(c), "new");

  // A folder, a read-only file and a file held open without delete sharing are never replaced.
  put(a, "newer");
  ASSERT_TRUE(CreateDirectoryW(folder, nullptr));
  EXPECT_EQ(failure([&] { return MoveFileExW(a, folder, MOVEFILE_REPLACE_EXISTING); }), code(ERROR_ACCESS_DENIED));
  // Wine replaces both of these; Windows refuses them.
  if (!running_under_wine()) {
    ASSERT_TRUE(SetFileAttributesW(c, FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(failure([&] { return MoveFileExW(a, c, MOVEFILE_REPLACE_EXISTING); }), code(ERROR_ACCESS_DENIED));
    ASSERT_TRUE(SetFileAttributesW(c, FILE_ATTRIBUTE_NORMAL));
    HANDLE held = open_file(c, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_NE(failure([&] { return MoveFileExW(a, c, MOVEFILE_REPLACE_EXISTING); }), 0u);
    CloseHandle(held);
  }
  EXPECT_EQ(get(c), "new");
  EXPECT_EQ(get(a), "newer");
  EXPECT_TRUE(MoveFileExW(a, c, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH));
  EXPECT_EQ(get(c), "newer");
  EXPECT_TRUE(RemoveDirectoryW(folder));
}

// A second name shares the file; it never takes a name in use, and a move of
// one link onto another of the same file leaves the one name. A handle
// without delete sharing keeps others from opening the file to move it.
TEST(Files, HardLinksShareTheFile) {
  std::string dir = test_dir();
  Name a(dir + "a.txt"), b(dir + "b.txt"), c(dir + "c.txt"), missing(dir + "none.txt"), folder(dir + "folder");
  put(a, "one");
  put(c, "other");
  ASSERT_TRUE(CreateDirectoryW(folder, nullptr));
  const struct {
    const WCHAR* name;
    const WCHAR* existing;
    DWORD error;
  } cases[] = {{b, a, 0}, {c, a, ERROR_ALREADY_EXISTS}, {b, missing, ERROR_FILE_NOT_FOUND}};
  for (const auto& t : cases) EXPECT_EQ(failure([&] { return CreateHardLinkW(t.name, t.existing, nullptr); }), t.error);
  EXPECT_NE(failure([&] { return CreateHardLinkW(Name(dir + "f"), folder, nullptr); }), 0u);
  EXPECT_EQ(get(b), "one");
  EXPECT_EQ(get(c), "other");
  HANDLE held = open_file(a, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  EXPECT_EQ(open_error(b, DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_EXISTING),
            code(ERROR_SHARING_VIOLATION));
  CloseHandle(held);
  EXPECT_EQ(open_error(b, DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_EXISTING), 0u);
  // Wine's move leaves both names.
  if (!running_under_wine()) {
    EXPECT_TRUE(MoveFileExW(b, a, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH));
    EXPECT_EQ(GetFileAttributesW(b), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(get(a), "one");
  }
  EXPECT_TRUE(RemoveDirectoryW(folder));
}

// The system's reasons come as one line of text ended by CR LF; unknown codes have none.
TEST(Files, SystemMessagesNameTheReason) {
  WCHAR text[512];
  for (DWORD error : {code(ERROR_DISK_FULL), code(ERROR_ACCESS_DENIED), code(ERROR_FILE_NOT_FOUND)}) {
    DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, text,
                                  512, nullptr);
    ASSERT_GT(length, 4u) << error;
    EXPECT_EQ(text[length], 0);
    EXPECT_EQ(text[length - 1], '\n');
    EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(text)).find(u'%'), std::u16string::npos);
  }
  EXPECT_EQ(failure([&] {
              return FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, 0x2FFFFF00, 0,
                                    text, 512, nullptr) != 0;
            }),
            code(ERROR_MR_MID_NOT_FOUND));
}

TEST(Files, FoldersAndTheCurrentDirectory) {
  std::string dir = test_dir();
  Name sub(dir + "sub"), inner(dir + "sub\\inner");
  EXPECT_TRUE(CreateDirectoryW(sub, nullptr));
  EXPECT_EQ(failure([&] { return CreateDirectoryW(sub, nullptr); }), code(ERROR_ALREADY_EXISTS));
  EXPECT_EQ(failure([&] { return CreateDirectoryW(Name(dir + "none/sub"), nullptr); }), code(ERROR_PATH_NOT_FOUND));
  EXPECT_TRUE(CreateDirectoryW(inner, nullptr));

  EXPECT_EQ(failure([&] { return RemoveDirectoryW(sub); }), code(ERROR_DIR_NOT_EMPTY));
  Name file(dir + "file.txt");
  put(file, "x");
  EXPECT_EQ(failure([&] { return RemoveDirectoryW(file); }), code(ERROR_DIRECTORY));
  EXPECT_EQ(failure([&] { return RemoveDirectoryW(Name(dir + "none")); }), code(ERROR_FILE_NOT_FOUND));
  EXPECT_FALSE(SetCurrentDirectoryW(file));
  EXPECT_EQ(failure([&] { return SetCurrentDirectoryW(Name(dir + "none")); }), code(ERROR_FILE_NOT_FOUND));

  // The buffer contract: the size needed with the terminator, or the length without it.
  DWORD needed = GetCurrentDirectoryW(0, nullptr);
  ASSERT_GT(needed, 1u);
  std::u16string saved(needed, u'\0');
  auto* buffer = reinterpret_cast<WCHAR*>(saved.data());
  EXPECT_EQ(GetCurrentDirectoryW(needed - 1, buffer), needed);
  EXPECT_EQ(GetCurrentDirectoryW(needed, buffer), needed - 1);
  EXPECT_EQ(saved[needed - 1], u'\0');

  // Relative names follow the current directory.
  ASSERT_TRUE(SetCurrentDirectoryW(sub));
  put(TEXT("relative.txt"), "here");
  EXPECT_EQ(get(Name(dir + "sub/relative.txt")), "here");
  EXPECT_TRUE(SetCurrentDirectoryW(buffer));
  EXPECT_EQ(get(TEXT("relative.txt")), "<error 2>");

  EXPECT_TRUE(RemoveDirectoryW(inner));
  EXPECT_TRUE(DeleteFileW(Name(dir + "sub/relative.txt")));
  EXPECT_TRUE(RemoveDirectoryW(sub));
  EXPECT_EQ(GetFileAttributesW(sub), INVALID_FILE_ATTRIBUTES);

  // The folder for temporary files ends with a separator and exists.
  WCHAR temp[MAX_PATH + 1];
  DWORD length = GetTempPathW(MAX_PATH + 1, temp);
  ASSERT_GT(length, 0u);
  ASSERT_LE(length, static_cast<DWORD>(MAX_PATH));
  EXPECT_TRUE(temp[length - 1] == '\\' || temp[length - 1] == '/') << u8(temp);
  DWORD attributes = GetFileAttributesW(temp);
  EXPECT_NE(attributes, INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(attributes & FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_GE(GetTempPathW(1, temp), length + 1);
  EXPECT_EQ(temp[0], 0);
}

TEST(Files, BothSeparatorsNameTheSameFiles) {
  std::string dir = test_dir();
  ASSERT_TRUE(CreateDirectoryW(Name(dir + "a"), nullptr));
  ASSERT_TRUE(CreateDirectoryW(Name(dir + "a\\b/"), nullptr));
  put(Name(dir + "a\\b\\file.txt"), "both");
  EXPECT_EQ(get(Name(dir + "a/b/file.txt")), "both");
  EXPECT_EQ(get(Name(dir + "a/b\\..\\b/file.txt")), "both");
  EXPECT_TRUE(CopyFileW(Name(dir + "a/b/file.txt"), Name(dir + "a\\copy.txt"), TRUE));
  EXPECT_TRUE(MoveFileW(Name(dir + "a\\copy.txt"), Name(dir + "a/b/moved.txt")));
  EXPECT_EQ(get(Name(dir + "a\\b\\moved.txt")), "both");
  EXPECT_TRUE(DeleteFileW(Name(dir + "a\\b\\moved.txt")));
  EXPECT_TRUE(DeleteFileW(Name(dir + "a/b/file.txt")));
  EXPECT_TRUE(RemoveDirectoryW(Name(dir + "a/b")));
  EXPECT_TRUE(RemoveDirectoryW(Name(dir + "a\\")));
}

#ifndef _WIN32
namespace {

size_t entries_in(const std::string& dir) {
  size_t n = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir)) ++n;
  return n;
}

}  // namespace

// Win32 rules that Wine, when it runs as root, leaves to the kernel and so does not enforce.
TEST(FilesLinux, ReadOnlyAndHiddenFilesAreProtectedEvenFromRoot) {
  std::string dir = test_dir();
  Name locked(dir + "locked.txt"), plain(dir + "plain.txt"), hidden(dir + "hidden.txt");
  put(locked, "keep");
  put(plain, "plain");
  ASSERT_TRUE(SetFileAttributesW(locked, FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(open_error(locked, GENERIC_WRITE, 0, OPEN_EXISTING), code(ERROR_ACCESS_DENIED));
  EXPECT_EQ(open_error(locked, GENERIC_READ, 0, CREATE_ALWAYS), code(ERROR_ACCESS_DENIED));
  EXPECT_EQ(open_error(locked, GENERIC_WRITE, 0, TRUNCATE_EXISTING), code(ERROR_ACCESS_DENIED));
  EXPECT_EQ(failure([&] { return CopyFileW(plain, locked, FALSE); }), code(ERROR_ACCESS_DENIED));
  EXPECT_EQ(get(locked), "keep");

  // CREATE_ALWAYS, and so CopyFileW, over a hidden file must name the attribute.
  put(hidden, "secret");
  ASSERT_TRUE(SetFileAttributesW(hidden, FILE_ATTRIBUTE_HIDDEN));
  EXPECT_EQ(open_error(hidden, kReadWrite, FILE_SHARE_READ, CREATE_ALWAYS), code(ERROR_ACCESS_DENIED));
  EXPECT_EQ(failure([&] { return CopyFileW(plain, hidden, FALSE); }), code(ERROR_ACCESS_DENIED));
  EXPECT_EQ(get(hidden), "secret");
  EXPECT_EQ(open_error(hidden, GENERIC_WRITE, 0, CREATE_ALWAYS, FILE_ATTRIBUTE_HIDDEN), 0u);
  EXPECT_EQ(get(hidden), "");

  EXPECT_EQ(failure([&] { return CopyFileW(nullptr, plain, FALSE); }), code(ERROR_PATH_NOT_FOUND));
  EXPECT_EQ(failure([&] { return CopyFileW(plain, nullptr, FALSE); }), code(ERROR_PATH_NOT_FOUND));
}

TEST(FilesLinux, FullDisksNamesAndStaleHandles) {
  std::string dir = test_dir();

  // A full disk reports ERROR_DISK_FULL and what did reach the file.
  HANDLE full = open_file(TEXT("/dev/full"), GENERIC_WRITE, kShareAll, OPEN_EXISTING);
  ASSERT_NE(full, INVALID_HANDLE_VALUE);
  DWORD written = 99;
  EXPECT_EQ(failure([&] { return WriteFile(full, "data", 4, &written, nullptr); }), code(ERROR_DISK_FULL));
  EXPECT_EQ(written, 0u);
  EXPECT_TRUE(CloseHandle(full));

  // Names that UTF-16 cannot spell faithfully are refused, and nothing is created.
  const char16_t lone_high[] = {'b', 0xD800, '.', 't', 0};
  const char16_t lone_low[] = {'b', 0xDC00, 0xD800, 0};
  for (const char16_t* bad : {lone_high, lone_low}) {
    std::u16string name = w16(dir) + bad;
    EXPECT_EQ(open_error(name.c_str(), GENERIC_WRITE, 0, CREATE_ALWAYS), code(ERROR_INVALID_NAME));
    EXPECT_EQ(failure([&] { return CreateDirectoryW(name.c_str(), nullptr); }), code(ERROR_INVALID_NAME));
    EXPECT_EQ(failure([&] { return DeleteFileW(name.c_str()); }), code(ERROR_INVALID_NAME));
  }
  EXPECT_EQ(entries_in(dir), 0u);
  // A proper pair becomes the UTF-8 name.
  std::u16string smile = w16(dir) + u"\U0001F600.txt";
  put(smile.c_str(), ":)");
  EXPECT_TRUE(std::filesystem::exists(dir + "\xF0\x9F\x98\x80.txt"));

  // Closed and made-up handles are refused, not followed.
  HANDLE h = open_file(smile.c_str(), GENERIC_READ, 0, OPEN_EXISTING);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(CloseHandle(h));
  char buffer[4];
  DWORD done;
  EXPECT_EQ(failure([&] { return CloseHandle(h); }), code(ERROR_INVALID_HANDLE));
  EXPECT_EQ(failure([&] { return ReadFile(h, buffer, 4, &done, nullptr); }), code(ERROR_INVALID_HANDLE));
  int not_a_handle = 0;
  EXPECT_EQ(failure([&] { return CloseHandle(&not_a_handle); }), code(ERROR_INVALID_HANDLE));
  EXPECT_EQ(failure([&] { return WriteFile(INVALID_HANDLE_VALUE, "x", 1, &done, nullptr); }),
            code(ERROR_INVALID_HANDLE));

  // The current directory is answered as the POSIX path, and cannot be removed while current.
  ASSERT_TRUE(CreateDirectoryW(Name(dir + "here"), nullptr));
  char saved[4096];
  ASSERT_TRUE(getcwd(saved, sizeof saved));
  ASSERT_TRUE(SetCurrentDirectoryW(Name(dir + "here")));
  WCHAR cwd[4096];
  DWORD length = GetCurrentDirectoryW(4096, cwd);
  EXPECT_EQ(u8(cwd, length) + "/", std::filesystem::canonical(dir + "here").string() + "/");
  EXPECT_EQ(failure([&] { return RemoveDirectoryW(Name(dir + "here")); }), code(ERROR_SHARING_VIOLATION));
  ASSERT_EQ(chdir(saved), 0);
  EXPECT_TRUE(RemoveDirectoryW(Name(dir + "here")));
}

TEST(FilesLinux, FailedWritesAndCopiesLeaveNoPartialTarget) {
  std::string dir = test_dir();
  Name big(dir + "big.bin"), target(dir + "target.bin");
  put(big, std::string(100000, 'b'));
  put(target, "old");

  // A file size limit stops writes part way: the count says how far they got.
  struct rlimit saved;
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  struct rlimit limit = saved;
  limit.rlim_cur = 50000;
  auto old_handler = signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
  HANDLE h = open_file(Name(dir + "limited.bin"), GENERIC_WRITE, 0, CREATE_ALWAYS);
  std::string chunk(30000, 'c');
  DWORD first = 0, second = 0;
  BOOL first_ok = WriteFile(h, chunk.data(), 30000, &first, nullptr);
  DWORD error = failure([&] { return WriteFile(h, chunk.data(), 30000, &second, nullptr); });
  BOOL copied = CopyFileW(big, target, FALSE);
  DWORD copy_error = GetLastError();
  setrlimit(RLIMIT_FSIZE, &saved);
  signal(SIGXFSZ, old_handler);
  CloseHandle(h);

  EXPECT_TRUE(first_ok);
  EXPECT_EQ(first, 30000u);
  EXPECT_EQ(error, code(ERROR_FILE_TOO_LARGE));
  EXPECT_EQ(second, 20000u);
  EXPECT_FALSE(copied);
  EXPECT_EQ(copy_error, code(ERROR_FILE_TOO_LARGE));
  EXPECT_EQ(get(target), "old");
  EXPECT_EQ(entries_in(dir), 3u);  // big, target, limited: no temporary copy left behind
}

TEST(FilesLinux, MovesAcrossFileSystemsCopyThenDelete) {
  std::string dir = test_dir();
  struct stat here, shm;
  if (stat(dir.c_str(), &here) != 0 || stat("/dev/shm", &shm) != 0 || here.st_dev == shm.st_dev) {
    GTEST_SKIP() << "no second file system at /dev/shm";
  }
  std::string away = "/dev/shm/webrolo-files-test-" + std::to_string(getpid());
  std::filesystem::remove_all(away);
  ASSERT_TRUE(std::filesystem::create_directory(away));

  Name source(dir + "source.txt"), target(away + "/target.txt"), taken(away + "/taken.txt");
  put(source, "travels");
  ASSERT_TRUE(SetFileAttributesW(source, FILE_ATTRIBUTE_READONLY));
  put(taken, "stays");
  EXPECT_EQ(failure([&] { return MoveFileW(source, taken); }), code(ERROR_ALREADY_EXISTS));
  EXPECT_EQ(get(taken), "stays");
  EXPECT_TRUE(MoveFileW(source, target));
  EXPECT_EQ(get(target), "travels");
  EXPECT_TRUE(GetFileAttributesW(target) & FILE_ATTRIBUTE_READONLY);
  EXPECT_EQ(GetFileAttributesW(source), INVALID_FILE_ATTRIBUTES);

  // Folders do not move across file systems, as in Win32.
  ASSERT_TRUE(CreateDirectoryW(Name(dir + "folder"), nullptr));
  EXPECT_EQ(failure([&] { return MoveFileW(Name(dir + "folder"), Name(away + "/folder")); }),
            code(ERROR_NOT_SAME_DEVICE));
  std::filesystem::remove_all(away);
}
TEST(FilesLinux, RenameWithoutRenameat2StillNeverReplaces) {
  std::string dir = test_dir();
  put(Name(dir + "a"), "a");
  put(Name(dir + "b"), "b");
  ASSERT_TRUE(CreateDirectoryW(Name(dir + "d"), nullptr));
  ASSERT_TRUE(CreateDirectoryW(Name(dir + "e"), nullptr));
  put(Name(dir + "e/inside"), "e");

  EXPECT_EQ(rename_new_by_link((dir + "a").c_str(), (dir + "b").c_str(), false), EEXIST);
  EXPECT_EQ(rename_new_by_link((dir + "a").c_str(), (dir + "d").c_str(), false), EEXIST);
  EXPECT_EQ(rename_new_by_link((dir + "d").c_str(), (dir + "e").c_str(), true), EEXIST);
  EXPECT_EQ(get(Name(dir + "a")), "a");
  EXPECT_EQ(get(Name(dir + "b")), "b");
  EXPECT_EQ(get(Name(dir + "e/inside")), "e");

  EXPECT_EQ(rename_new_by_link((dir + "a").c_str(), (dir + "c").c_str(), false), 0);
  EXPECT_EQ(get(Name(dir + "c")), "a");
  EXPECT_EQ(GetFileAttributesW(Name(dir + "a")), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(rename_new_by_link((dir + "e").c_str(), (dir + "f").c_str(), true), 0);
  EXPECT_EQ(get(Name(dir + "f/inside")), "e");
  EXPECT_EQ(entries_in(dir), 4u);  // b, c, d, f
}
#endif
