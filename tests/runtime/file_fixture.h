// What the file library's tests share: the runtime started and ended around
// each test, a scratch folder, and raw access to the files they make.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "common/test_text.h"
#include "runtime/file.h"
#include "runtime/mem.h"
#include "runtime/text.h"

class FileFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    mem_heap_init();
    text_heap_init();
    file_library_init();
    dir_ = test_dir();
  }
  void TearDown() override {
    file_close_all();
    text_heap_end();
    mem_heap_end();
  }

  // A path in the scratch folder, as wide text that lives as long as the test.
  const WCHAR* path(const std::string& leaf) { return wide(dir_ + leaf); }
  const WCHAR* wide(const std::string& text) {
    names_.push_back(w16(text));
    return reinterpret_cast<const WCHAR*>(names_.back().c_str());
  }
  std::string narrow(const std::string& leaf) const { return dir_ + leaf; }

  void write_raw(const std::string& leaf, const std::string& bytes) const {
    std::ofstream out(narrow(leaf), std::ios::binary | std::ios::trunc);
    out << bytes;
  }
  std::string read_raw(const std::string& leaf) const {
    std::ifstream in(narrow(leaf), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  std::string dir_;
  std::vector<std::u16string> names_;
};
