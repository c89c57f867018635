// Helpers for tests that start programs and talk to them through pipes.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "common/test_text.h"
#include "platform/win32.h"

// Wide text of the platform's own character type (wchar_t on Windows).
using Wide = std::basic_string<WCHAR>;

inline Wide wide(const std::string& utf8) {
  std::u16string text = w16(utf8);
  return Wide(text.begin(), text.end());
}

// Everything until the writers are gone, which ReadFile reports as a broken pipe.
inline std::string read_all(HANDLE reader) {
  std::string out;
  char buffer[256];
  DWORD got;
  while (ReadFile(reader, buffer, sizeof buffer, &got, nullptr)) out.append(buffer, got);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BROKEN_PIPE));
  return out;
}

// Without the line ends that programs on either system add.
inline std::string trimmed(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) text.pop_back();
  return text;
}

// Creates the file with the text and answers its wide name.
inline Wide put_file(const std::string& path, const std::string& text) {
  Wide name = wide(path);
  HANDLE file = CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  EXPECT_NE(file, INVALID_HANDLE_VALUE) << path;
  DWORD written = 0;
  EXPECT_TRUE(WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr));
  CloseHandle(file);
  return name;
}
