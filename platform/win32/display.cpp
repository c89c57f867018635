// The display backend in use. Headless unless the program chose another
// before its first window: tests need no screen, and a program that wants one
// asks for it.
#include "platform/win32/display.h"

namespace display {

namespace {

Backend*& slot() {
  static Backend* backend = nullptr;  // never destroyed: windows may be torn down by static destructors
  return backend;
}

}  // namespace

Backend& current() {
  Backend*& b = slot();
  if (!b) b = make_headless();
  return *b;
}

void use(Backend* backend) {
  Backend*& b = slot();
  if (b == backend || !backend) return;
  delete b;
  b = backend;
}

// The SDL2 backend comes later; until then no real display can be opened.
Backend* make_sdl() { return nullptr; }

}  // namespace display
