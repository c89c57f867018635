// What every harness shares: the fuzzer's bytes read as a script of small
// numbers and texts, a check that stops the run with a readable message when
// a result departs from the harness's model, and a scratch file path.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace fuzz {

// Reads the input front to back; past its end every number is 0, so a
// harness never needs to ask how much is left before it reads.
class Input {
 public:
  Input(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  bool done() const { return at_ >= size_; }
  size_t left() const { return size_ - at_; }

  uint8_t byte() { return at_ < size_ ? data_[at_++] : 0; }
  // Little-endian; the low part is read first.
  uint16_t u16() {
    unsigned low = byte();
    return static_cast<uint16_t>(low | byte() << 8);
  }
  uint32_t u32() {
    uint32_t low = u16();
    return low | static_cast<uint32_t>(u16()) << 16;
  }
  uint64_t u64() {
    uint64_t low = u32();
    return low | static_cast<uint64_t>(u32()) << 32;
  }
  bool flag() { return byte() & 1; }
  // A number in [low, high], taken from one byte or two as the range needs.
  int range(int low, int high) {
    unsigned span = static_cast<unsigned>(high - low) + 1;
    unsigned raw = span <= 256 ? byte() : u16();
    return low + static_cast<int>(raw % span);
  }
  // Up to max bytes, as many as the next byte says.
  std::string bytes(size_t max) {
    size_t n = byte() % (max + 1);
    if (n > left()) n = left();
    std::string out(reinterpret_cast<const char*>(data_ + at_), n);
    at_ += n;
    return out;
  }
  // Everything not read yet.
  std::string rest() {
    std::string out(reinterpret_cast<const char*>(data_ + at_), left());
    at_ = size_;
    return out;
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t at_ = 0;
};

// A result the model does not allow: say what and where, then stop as a crash does.
[[noreturn]] inline void fail(const char* file, int line, const char* what, const std::string& detail) {
  std::fprintf(stderr, "\n%s:%d: model check failed: %s\n%s\n", file, line, what, detail.c_str());
  std::abort();
}

// UTF-16 text as readable ASCII with \uXXXX escapes, for failure messages;
// a long text shows its start and its length.
inline std::string show(const std::u16string& text) {
  constexpr size_t shown = 200;
  std::string out = "\"";
  char escape[8];
  for (char16_t c : text.substr(0, shown)) {
    if (c >= 0x20 && c < 0x7F && c != '"' && c != '\\') {
      out += static_cast<char>(c);
    } else {
      std::snprintf(escape, sizeof escape, "\\u%04X", static_cast<unsigned>(c));
      out += escape;
    }
  }
  out += "\"";
  if (text.size() > shown) out += "... (" + std::to_string(text.size()) + " units)";
  return out;
}

// A file name of this process's own in a scratch folder (memory-backed where there is one).
inline std::string scratch_path(const char* name) {
  const char* dir = access("/dev/shm", W_OK) == 0 ? "/dev/shm"
                                                  : (std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp");
  return std::string(dir) + "/webrolo-fuzz-" + std::to_string(getpid()) + "-" + name;
}

}  // namespace fuzz

#define FUZZ_CHECK(condition, detail)                                       \
  do {                                                                      \
    if (!(condition)) fuzz::fail(__FILE__, __LINE__, #condition, (detail)); \
  } while (0)
