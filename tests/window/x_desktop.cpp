// The window tests' hands and eyes on the X desktop (see x_desktop.h).
#include "window/x_desktop.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <cairo.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

extern char** environ;

namespace x_desktop {

namespace {

using Clock = std::chrono::steady_clock;

int ms_since(Clock::time_point start) {
  return static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

void pause_briefly() { std::this_thread::sleep_for(std::chrono::milliseconds(40)); }

bool exited(pid_t pid, int* status) {
  int s = 0;
  if (waitpid(pid, &s, WNOHANG) != pid) return false;
  *status = WIFEXITED(s) ? WEXITSTATUS(s) : -1;
  return true;
}

}  // namespace

Child::Child(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
             const std::string& folder) {
  int to_child[2], from_child[2];
  if (pipe2(to_child, O_CLOEXEC) != 0) return;
  if (pipe2(from_child, O_CLOEXEC) != 0) {
    close(to_child[0]);
    close(to_child[1]);
    return;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, to_child[0], 0);
  posix_spawn_file_actions_adddup2(&actions, from_child[1], 1);
  if (!folder.empty()) posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  std::vector<std::string> names(environment);
  for (char** e = environ; *e; ++e) names.emplace_back(*e);  // ours first: the first of a name counts
  std::vector<char*> env;
  for (std::string& n : names) env.push_back(n.data());
  env.push_back(nullptr);
  if (posix_spawn(&pid_, args[0], &actions, nullptr, args.data(), env.data()) != 0) pid_ = -1;
  posix_spawn_file_actions_destroy(&actions);
  close(to_child[0]);
  close(from_child[1]);
  in_ = to_child[1];
  out_ = from_child[0];
  signal(SIGPIPE, SIG_IGN);  // a child that ended is reported by finish, not by a signal here
}

Child::~Child() {
  if (pid_ > 0) finish(3000);
  if (out_ >= 0) close(out_);
}

void Child::send(const std::string& line) {
  std::string text = line + "\n";
  if (in_ >= 0 && write(in_, text.data(), text.size()) < 0) {
    // The child is gone: what it said before going is still read.
  }
}

bool Child::read_line(std::string* line, int timeout_ms) {
  Clock::time_point start = Clock::now();
  for (;;) {
    size_t end = buffer_.find('\n');
    if (end != std::string::npos) {
      *line = buffer_.substr(0, end);
      buffer_.erase(0, end + 1);
      return true;
    }
    int left = timeout_ms - ms_since(start);
    if (left <= 0 || out_ < 0) return false;
    pollfd p{out_, POLLIN, 0};
    if (poll(&p, 1, left) <= 0) return false;
    char chunk[512];
    ssize_t n = read(out_, chunk, sizeof chunk);
    if (n <= 0) return false;
    buffer_.append(chunk, static_cast<size_t>(n));
  }
}

bool Child::wait_for(const std::string& prefix, std::string* line, int timeout_ms, std::vector<std::string>* skipped) {
  Clock::time_point start = Clock::now();
  std::string got;
  while (read_line(&got, timeout_ms - ms_since(start))) {
    if (got.compare(0, prefix.size(), prefix) == 0) {
      if (line) *line = got;
      return true;
    }
    if (skipped) skipped->push_back(got);
  }
  return false;
}

int Child::finish(int timeout_ms) {
  if (in_ >= 0) close(in_);
  in_ = -1;
  if (pid_ <= 0) return -1;
  Clock::time_point start = Clock::now();
  int status = -1;
  while (!exited(pid_, &status)) {
    if (ms_since(start) > timeout_ms) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
      status = -1;
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  pid_ = -1;
  return status;
}

std::string quoted(const std::string& text) {
  std::string q = "'";
  for (char c : text) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

std::string run(const std::string& command, int* status) {
  std::string bounded = "timeout -k 2 20 sh -c " + quoted(command);
  std::string out;
  FILE* pipe = popen(bounded.c_str(), "r");
  if (!pipe) {
    if (status) *status = -1;
    return out;
  }
  char chunk[512];
  size_t n;
  while ((n = fread(chunk, 1, sizeof chunk, pipe)) > 0) out.append(chunk, n);
  int s = pclose(pipe);
  if (status) *status = WIFEXITED(s) ? WEXITSTATUS(s) : -1;
  return out;
}

bool wait_for_window_manager(int timeout_ms) {
  Display* x = XOpenDisplay(nullptr);
  if (!x) return false;
  Atom check = XInternAtom(x, "_NET_SUPPORTING_WM_CHECK", False);
  Clock::time_point start = Clock::now();
  bool managed = false;
  while (!managed && ms_since(start) < timeout_ms) {
    Atom type;
    int format;
    unsigned long count = 0, left = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(x, DefaultRootWindow(x), check, 0, 1, False, XA_WINDOW, &type, &format, &count, &left,
                           &data) == Success)
      managed = count == 1;
    if (data) XFree(data);
    if (!managed) pause_briefly();
  }
  XCloseDisplay(x);
  return managed;
}

namespace {

unsigned long first_window(const std::string& search, int timeout_ms) {
  Clock::time_point start = Clock::now();
  do {
    std::string found = run("xdotool search --onlyvisible " + search + " 2>/dev/null");
    unsigned long id = std::strtoul(found.c_str(), nullptr, 10);
    if (id) return id;
    pause_briefly();
  } while (ms_since(start) < timeout_ms);
  return 0;
}

}  // namespace

unsigned long find_window(const std::string& title, int timeout_ms) {
  return first_window("--name " + quoted("^" + title + "$"), timeout_ms);
}

unsigned long find_window_of(pid_t pid, int timeout_ms) {
  return first_window("--pid " + std::to_string(pid), timeout_ms);
}

Geometry geometry(unsigned long window) {
  // Asked of the server itself: xdotool counts a managed window's place in its frame twice.
  Geometry g;
  Display* x = XOpenDisplay(nullptr);
  if (!x) return g;
  XWindowAttributes attributes;
  Window child;
  if (XGetWindowAttributes(x, window, &attributes) &&
      XTranslateCoordinates(x, window, attributes.root, 0, 0, &g.x, &g.y, &child)) {
    g.width = attributes.width;
    g.height = attributes.height;
  }
  XCloseDisplay(x);
  return g;
}

bool frame_extents(unsigned long window, int extents[4]) {
  Display* x = XOpenDisplay(nullptr);
  if (!x) return false;
  Atom property = XInternAtom(x, "_NET_FRAME_EXTENTS", False);
  Atom type;
  int format;
  unsigned long count = 0, left = 0;
  unsigned char* data = nullptr;
  bool ok = XGetWindowProperty(x, window, property, 0, 4, False, XA_CARDINAL, &type, &format, &count, &left, &data) ==
                Success &&
            count == 4;
  if (ok) {
    const auto* values = reinterpret_cast<const long*>(data);
    for (int i = 0; i < 4; ++i) extents[i] = static_cast<int>(values[i]);
  }
  if (data) XFree(data);
  XCloseDisplay(x);
  return ok;
}

std::vector<unsigned long> windows_of(pid_t pid) {
  std::vector<unsigned long> out;
  std::string found = run("xdotool search --onlyvisible --pid " + std::to_string(pid) + " 2>/dev/null");
  for (const char* p = found.c_str(); *p;) {
    char* end = nullptr;
    unsigned long id = std::strtoul(p, &end, 10);
    if (end == p) break;
    if (id) out.push_back(id);
    p = end;
    while (*p == '\n') ++p;
  }
  return out;
}

bool unmanaged(unsigned long window) {
  Display* x = XOpenDisplay(nullptr);
  if (!x) return false;
  XWindowAttributes attributes;
  bool yes = XGetWindowAttributes(x, window, &attributes) && attributes.override_redirect;
  XCloseDisplay(x);
  return yes;
}

unsigned long focused_window() {
  Display* x = XOpenDisplay(nullptr);
  if (!x) return 0;
  Window focus = 0;
  int revert = 0;
  XGetInputFocus(x, &focus, &revert);
  XCloseDisplay(x);
  return focus;
}

unsigned long transient_for(unsigned long window) {
  Display* x = XOpenDisplay(nullptr);
  if (!x) return 0;
  Window owner = 0;
  if (!XGetTransientForHint(x, window, &owner)) owner = 0;
  XCloseDisplay(x);
  return owner;
}

bool add_keys(const std::vector<std::string>& keysyms) {
  Display* x = XOpenDisplay(nullptr);
  if (!x) return false;
  int min = 0, max = 0, per = 0;
  XDisplayKeycodes(x, &min, &max);
  KeySym* map = XGetKeyboardMapping(x, static_cast<KeyCode>(min), max - min + 1, &per);
  bool ok = map != nullptr;
  auto taken = [&](int code) {
    for (int i = 0; i < per; ++i)
      if (map[(code - min) * per + i] != NoSymbol) return true;
    return false;
  };
  int code = max;
  for (const std::string& name : keysyms) {
    KeySym sym = XStringToKeysym(name.c_str());
    while (ok && code >= min && taken(code)) --code;
    if (!ok || sym == NoSymbol || code < min) {
      ok = false;
      break;
    }
    std::vector<KeySym> row(static_cast<size_t>(per), NoSymbol);
    row[0] = sym;
    if (per > 1) row[1] = sym;
    XChangeKeyboardMapping(x, code, per, row.data(), 1);
    map[(code - min) * per] = sym;
  }
  if (map) XFree(map);
  XSync(x, False);
  XCloseDisplay(x);
  return ok;
}

void click(int x, int y, int button) {
  // No --sync: it waits for a move that never comes when the pointer is there already.
  run("xdotool mousemove " + std::to_string(x) + " " + std::to_string(y) + " click " + std::to_string(button));
}

void type(const std::string& text) { run("xdotool type --delay 40 -- " + quoted(text)); }

void move_pointer(int x, int y) { run("xdotool mousemove " + std::to_string(x) + " " + std::to_string(y)); }

void key(const std::string& keys) { run("xdotool key --delay 40 " + keys); }

bool Picture::save(const std::string& path) const {
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
  cairo_surface_flush(s);
  unsigned char* data = cairo_image_surface_get_data(s);
  int stride = cairo_image_surface_get_stride(s);
  for (int y = 0; y < height; ++y)
    std::memcpy(data + static_cast<ptrdiff_t>(y) * stride, &pixels[static_cast<size_t>(y) * width],
                static_cast<size_t>(width) * 4);
  cairo_surface_mark_dirty(s);
  bool ok = cairo_surface_write_to_png(s, path.c_str()) == CAIRO_STATUS_SUCCESS;
  cairo_surface_destroy(s);
  return ok;
}

bool screenshot(unsigned long window, Picture* picture) {
  char path[] = "/tmp/webrolo-shot-XXXXXX";
  int fd = mkstemp(path);
  if (fd < 0) return false;
  close(fd);
  int status = -1;
  run("import -window " + std::to_string(window) + " png:" + quoted(path), &status);
  cairo_surface_t* s = cairo_image_surface_create_from_png(path);
  unlink(path);
  bool ok = status == 0 && cairo_surface_status(s) == CAIRO_STATUS_SUCCESS;
  if (ok) {
    cairo_surface_t* rgb = cairo_image_surface_create(CAIRO_FORMAT_RGB24, cairo_image_surface_get_width(s),
                                                      cairo_image_surface_get_height(s));
    cairo_t* cr = cairo_create(rgb);
    cairo_set_source_surface(cr, s, 0, 0);
    cairo_paint(cr);
    cairo_destroy(cr);
    cairo_surface_flush(rgb);
    picture->width = cairo_image_surface_get_width(rgb);
    picture->height = cairo_image_surface_get_height(rgb);
    picture->pixels.resize(static_cast<size_t>(picture->width) * picture->height);
    const unsigned char* data = cairo_image_surface_get_data(rgb);
    int stride = cairo_image_surface_get_stride(rgb);
    for (int y = 0; y < picture->height; ++y)
      for (int x = 0; x < picture->width; ++x)
        picture->pixels[static_cast<size_t>(y) * picture->width + x] =
            reinterpret_cast<const uint32_t*>(data + static_cast<ptrdiff_t>(y) * stride)[x] & 0xFFFFFFu;
    cairo_surface_destroy(rgb);
  }
  cairo_surface_destroy(s);
  return ok;
}

}  // namespace x_desktop
