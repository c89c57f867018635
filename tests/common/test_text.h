// Helpers that let tests compare and print wide text without platform calls.
#pragma once

#include <string>

#include "platform/win32.h"

// UTF-16 to UTF-8, by hand, so a failing assertion prints readable text.
std::string u8(const WCHAR* text);
std::string u8(const WCHAR* text, size_t units);
// UTF-8 to UTF-16.
std::u16string w16(const std::string& text);
// A test's own scratch folder (created empty), with a trailing separator.
std::string test_dir();
// True when the tests run under Wine rather than Windows or the stand-in; used
// only to note where Wine departs from documented Win32 behaviour.
bool running_under_wine();
