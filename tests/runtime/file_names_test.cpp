// Whole-file operations and file names.
#include "runtime/file.h"

#include <filesystem>

#include "tests/runtime/file_fixture.h"

namespace {

class FileNamesTest : public FileFixture {
 protected:
  void SetUp() override {
    FileFixture::SetUp();
    DWORD n = GetCurrentDirectoryW(MAX_PATH, saved_dir_);
    ASSERT_GT(n, 0u);
    ASSERT_LT(n, static_cast<DWORD>(MAX_PATH));
  }
  void TearDown() override {
    SetCurrentDirectoryW(saved_dir_);
    FileFixture::TearDown();
  }

  // Both separators read alike; the comparison is about which folder it is.
  static std::string normal(std::string text) {
    for (char& c : text) {
      if (c == '\\') c = '/';
    }
    return text;
  }

  std::string leaf(const WCHAR* path) {
    int32_t top = text_stack_top();
    std::string out = u8(file_leaf_name(path, top));
    EXPECT_EQ(text_stack_top(), top + static_cast<int32_t>(text_length(text_stack_at(top)) * 2));
    text_stack_cut(top);
    return out;
  }

  WCHAR saved_dir_[MAX_PATH];
};

TEST_F(FileNamesTest, DeleteCopyAndRename) {
  write_raw("a.txt", "alpha");
  write_raw("b.txt", "bravo, longer");
  EXPECT_EQ(file_copy(path("a.txt"), path("b.txt")), 1);  // an existing target is replaced
  EXPECT_EQ(read_raw("b.txt"), "alpha");
  EXPECT_EQ(file_copy(path("a.txt"), path("c.txt")), 1);
  EXPECT_EQ(read_raw("c.txt"), "alpha");
  EXPECT_EQ(file_copy(path("missing.txt"), path("d.txt")), 0);
  EXPECT_EQ(GetFileAttributesW(path("d.txt")), INVALID_FILE_ATTRIBUTES);

  write_raw("c.txt", "charlie");
  EXPECT_EQ(file_rename(path("c.txt"), path("a.txt")), 0);  // the target exists: nothing moves
  EXPECT_EQ(read_raw("a.txt"), "alpha");
  EXPECT_EQ(read_raw("c.txt"), "charlie");
  EXPECT_EQ(file_rename(path("c.txt"), path("e.txt")), 1);
  EXPECT_EQ(read_raw("e.txt"), "charlie");
  EXPECT_EQ(GetFileAttributesW(path("c.txt")), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(file_rename(path("c.txt"), path("f.txt")), 0);

  EXPECT_EQ(file_delete(path("e.txt")), 1);
  EXPECT_EQ(GetFileAttributesW(path("e.txt")), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(file_delete(path("e.txt")), 0);

  EXPECT_EQ(file_delete(nullptr), 0);
  EXPECT_EQ(file_copy(nullptr, path("x.txt")), 0);
  EXPECT_EQ(file_copy(path("a.txt"), nullptr), 0);
  EXPECT_EQ(file_rename(nullptr, path("x.txt")), 0);
  EXPECT_EQ(file_rename(path("a.txt"), nullptr), 0);
  EXPECT_EQ(read_raw("a.txt"), "alpha");
}

TEST_F(FileNamesTest, CurrentDirectoryEndsWithOneBackslash) {
  ASSERT_TRUE(SetCurrentDirectoryW(path("")));
  int32_t saved = text_stack_top();
  text_push(TEXT("cwd="));
  int32_t top = text_stack_top();
  WCHAR* dir = file_current_dir(top);
  int64_t length = text_length(dir);
  ASSERT_GT(length, 1);
  EXPECT_EQ(dir[length - 1], TEXT('\\'));
  EXPECT_NE(dir[length - 2], TEXT('\\'));
  EXPECT_EQ(text_stack_top(), top + static_cast<int32_t>(length * 2));
  EXPECT_EQ(normal(u8(text_stack_at(saved))), "cwd=" + normal(dir_));
  text_stack_cut(saved);

  // At a root the platform's answer may already end with the separator: no second one.
#ifdef _WIN32
  std::string root = dir_.substr(0, 3);  // the drive's root, "C:\"
#else
  std::string root = "/";
#endif
  ASSERT_TRUE(SetCurrentDirectoryW(wide(root)));
  dir = file_current_dir(saved);
  length = text_length(dir);
  ASSERT_GT(length, 0);
  EXPECT_EQ(dir[length - 1], TEXT('\\'));
  if (length > 1) {
    EXPECT_NE(dir[length - 2], TEXT('\\'));
  }
#ifdef _WIN32
  EXPECT_EQ(u8(dir), root);
#endif
  text_stack_cut(saved);
}

#ifndef _WIN32
// Longer than the 260 units first asked for: the whole name, not a cut or empty one.
TEST_F(FileNamesTest, CurrentDirectoryLongerThanTheFirstRoomOnLinux) {
  std::string deep = dir_;
  while (deep.size() < 400) deep += std::string(40, 'd') + "/";
  std::filesystem::create_directories(deep);
  ASSERT_TRUE(SetCurrentDirectoryW(wide(deep)));
  int32_t top = text_stack_top();
  std::string got = u8(file_current_dir(top));
  EXPECT_EQ(normal(got), deep);
  text_stack_cut(top);
}
#endif

TEST_F(FileNamesTest, LeafNames) {
  EXPECT_EQ(leaf(TEXT("D:\\Pages\\Links.txt")), "Links.txt");
  EXPECT_EQ(leaf(TEXT("/home/me/links.txt")), "links.txt");
  EXPECT_EQ(leaf(TEXT("a/b\\c/d.txt")), "d.txt");
  EXPECT_EQ(leaf(TEXT("\"C:\\My Pages\\Links.txt\" -open")), "Links.txt");
  EXPECT_EQ(leaf(TEXT("\"Links.txt\"")), "Links.txt");
  EXPECT_EQ(leaf(TEXT("Links.txt")), "Links.txt");
  EXPECT_EQ(leaf(TEXT("C:\\Pages\\")), "");
  EXPECT_EQ(leaf(TEXT("\"")), "");
  EXPECT_EQ(leaf(TEXT("")), "");
  EXPECT_EQ(leaf(nullptr), "");
}

TEST_F(FileNamesTest, LeafNameOfAPathOnTheStack) {
  // The path is the value being built: the name moves down onto it.
  int32_t saved = text_stack_top();
  text_push(TEXT("C:\\Pages\\Links.txt"));
  EXPECT_EQ(u8(file_leaf_name(text_stack_at(saved), saved)), "Links.txt");
  EXPECT_EQ(text_stack_top(), saved + 18);

  // The path lies below the offset: the name is appended behind it.
  int32_t top = text_stack_top();
  file_leaf_name(text_stack_at(saved), top);
  EXPECT_EQ(u8(text_stack_at(saved)), "Links.txtLinks.txt");
  text_stack_cut(saved);

  // A name long enough that reserving room for it moves the stack.
  std::u16string name(20000, u'n');
  name[19999] = u'z';
  text_push(TEXT("D:\\dir/"));
  text_push(reinterpret_cast<const WCHAR*>(name.c_str()));
  WCHAR* before = text_stack_base();
  int32_t capacity = text_stack_capacity();
  WCHAR* got = file_leaf_name(text_stack_at(saved), saved);
  EXPECT_TRUE(text_stack_base() != before || text_stack_capacity() > capacity);
  EXPECT_EQ(u8(got), u8(reinterpret_cast<const WCHAR*>(name.c_str())));
  text_stack_cut(saved);
}

TEST_F(FileNamesTest, ValidNames) {
  EXPECT_EQ(file_name_is_valid(TEXT("Links.txt")), 1);
  EXPECT_EQ(file_name_is_valid(TEXT("my links (2) \u00e9.txt")), 1);
  EXPECT_EQ(file_name_is_valid(TEXT("")), 0);
  EXPECT_EQ(file_name_is_valid(nullptr), 0);
  const char* bad = "\"*/:<>?\\|";
  for (const char* c = bad; *c; ++c) {
    std::string name = std::string("a") + *c + "b";
    EXPECT_EQ(file_name_is_valid(wide(name)), 0) << name;
  }
  EXPECT_EQ(file_name_is_valid(TEXT("a\tb")), 0);
  EXPECT_EQ(file_name_is_valid(TEXT("a\x1f")), 0);
  EXPECT_EQ(file_name_is_valid(TEXT(" ")), 1);
}

}  // namespace
