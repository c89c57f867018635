// Memory that ends where the program may no longer read (Linux tests only): a
// readable page followed by one that faults, so a text placed at the very
// end shows that nothing behind its terminator is touched.
#pragma once

#include <sys/mman.h>
#include <unistd.h>

#include "platform/win32.h"

class LastPage {
 public:
  LastPage() : page_(sysconf(_SC_PAGESIZE)) {
    void* two = mmap(nullptr, 2 * page_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (two == MAP_FAILED) return;
    base_ = static_cast<char*>(two);
    if (mprotect(base_ + page_, page_, PROT_NONE) != 0) {
      munmap(base_, 2 * page_);
      base_ = nullptr;
    }
  }
  ~LastPage() {
    if (base_) munmap(base_, 2 * page_);
  }
  LastPage(const LastPage&) = delete;
  LastPage& operator=(const LastPage&) = delete;

  bool ready() const { return base_ != nullptr; }
  // Room for units UTF-16 units that end at the last readable byte.
  WCHAR* text_at_end(int units) { return reinterpret_cast<WCHAR*>(base_ + page_) - units; }

 private:
  long page_;
  char* base_ = nullptr;
};
