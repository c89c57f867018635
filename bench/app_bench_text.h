// UTF-8 and UTF-16 for the bench's own texts (paths, gadget texts, arguments).
#pragma once

#include <string>

#include "platform/win32.h"

inline std::u16string w16(const std::string& text) {
  const int units = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::u16string out(static_cast<size_t>(units > 0 ? units : 0), u'\0');
  if (units > 0) {
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), reinterpret_cast<WCHAR*>(out.data()),
                        units);
  }
  return out;
}

inline std::string u8(const WCHAR* text) {
  const int bytes = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (bytes <= 1) return "";
  std::string out(static_cast<size_t>(bytes), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), bytes, nullptr, nullptr);
  out.pop_back();  // the terminator
  return out;
}

inline void append_utf8(std::string& out, const std::u16string& text) {
  const auto* units = reinterpret_cast<const WCHAR*>(text.data());
  const int length = static_cast<int>(text.size());
  const int bytes = length ? WideCharToMultiByte(CP_UTF8, 0, units, length, nullptr, 0, nullptr, nullptr) : 0;
  if (bytes <= 0) return;
  const size_t at = out.size();
  out.resize(at + static_cast<size_t>(bytes));
  WideCharToMultiByte(CP_UTF8, 0, units, length, out.data() + at, bytes, nullptr, nullptr);
}

inline const WCHAR* wide(const std::u16string& text) { return reinterpret_cast<const WCHAR*>(text.c_str()); }
