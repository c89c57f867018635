// Conversions from 8-bit text onto the stack, and wide formatting.
#include <cassert>
#include <cstdarg>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "runtime/text.h"

namespace {

// Bytes that lie in the stack block would move, or be overwritten by the
// result, once room is reserved: such input is converted from a copy.
class StableBytes {
 public:
  StableBytes(const char* bytes, size_t length) : bytes_(bytes) {
    auto p = reinterpret_cast<uintptr_t>(bytes);
    auto base = reinterpret_cast<uintptr_t>(text_stack_base());
    if (!base || p < base || p >= base + static_cast<uintptr_t>(text_stack_capacity()) + 10) return;
    copy_ = static_cast<char*>(HeapAlloc(text_heap(), 0, length + 1));
    if (!copy_) std::abort();  // as every exhausted string heap
    std::memcpy(copy_, bytes, length + 1);
    bytes_ = copy_;
  }
  ~StableBytes() {
    if (copy_) HeapFree(text_heap(), 0, copy_);
  }
  StableBytes(const StableBytes&) = delete;
  StableBytes& operator=(const StableBytes&) = delete;
  const char* get() const { return bytes_; }

 private:
  const char* bytes_;
  char* copy_ = nullptr;
};

}  // namespace

WCHAR* text_from_utf8(const char* bytes, int32_t offset) {
  if (!bytes || !*bytes) return text_stack_at(text_stack_cut(offset));
  StableBytes input(bytes, std::strlen(bytes));
  // The unit count includes the terminator, which the conversion writes too.
  int units = MultiByteToWideChar(CP_UTF8, 0, input.get(), -1, nullptr, 0);
  if (units <= 1) return text_stack_at(text_stack_cut(offset));
  WCHAR* out = text_stack_reserve(units - 1, offset);
  int written = MultiByteToWideChar(CP_UTF8, 0, input.get(), -1, out, units);
  if (written != units) return text_stack_at(text_stack_cut(offset));
  out[units - 1] = 0;
  return out;
}

WCHAR* text_from_ansi(const char* bytes, int32_t offset) {
  size_t length = bytes ? std::strlen(bytes) : 0;
  if (length == 0 || length > INT32_MAX) return text_stack_at(text_stack_cut(offset));
  StableBytes input(bytes, length);
  int count = static_cast<int>(length);
  int units = MultiByteToWideChar(CP_ACP, 0, input.get(), count, nullptr, 0);
  if (units <= 0) return text_stack_at(text_stack_cut(offset));
  WCHAR* out = text_stack_reserve(units, offset);
  int written = MultiByteToWideChar(CP_ACP, 0, input.get(), count, out, units);
  if (written <= 0) return text_stack_at(text_stack_cut(offset));
  out[written] = 0;
  text_stack_release(units - written);
  return out;
}

int text_format(WCHAR* destination, const WCHAR* format, ...) {
  assert(destination);
  if (!destination) return 0;
  if (!format) {
    *destination = 0;
    return 0;
  }
  va_list args;
  va_start(args, format);
  int written = _vsnwprintf(destination, 0x1FFFFFFF, format, args);
  va_end(args);
  return written;
}
