// The window tests' hands and eyes on the X desktop: programs started with
// pipes to talk to, the tools that stand for a person (xdotool moves, clicks
// and types, import takes screenshots, xclip is another program's clipboard),
// and the window manager's view of a window. Every wait is bounded.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

namespace x_desktop {

// A started program: its standard input takes lines, its standard output is read line by line.
class Child {
 public:
  // Starts argv[0] (a path) with the extra environment ("NAME=value") in the folder (empty: the current one).
  Child(const std::vector<std::string>& argv, const std::vector<std::string>& environment = {},
        const std::string& folder = "");
  ~Child();
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;

  pid_t pid() const { return pid_; }
  void send(const std::string& line);
  // The next line that starts with prefix, within the time; the lines passed over go to skipped.
  bool wait_for(const std::string& prefix, std::string* line, int timeout_ms,
                std::vector<std::string>* skipped = nullptr);
  // Closes its input and waits for its end: its exit status, or -1 when it had to be killed.
  int finish(int timeout_ms);

 private:
  bool read_line(std::string* line, int timeout_ms);
  pid_t pid_ = -1;
  int in_ = -1, out_ = -1;
  std::string buffer_;
};

// A shell command (bounded by a time limit), its standard output; status gets its exit status.
std::string run(const std::string& command, int* status = nullptr);
std::string quoted(const std::string& text);  // for the shell

// Waits for a window manager to manage the screen.
bool wait_for_window_manager(int timeout_ms);

// The visible window with exactly this title, waiting for it to appear; 0 when none came.
unsigned long find_window(const std::string& title, int timeout_ms);
// A visible window of a process, waiting for it; 0 when none came.
unsigned long find_window_of(pid_t pid, int timeout_ms);

struct Geometry {
  int x = 0, y = 0, width = 0, height = 0;  // the window's own area on the screen
};
Geometry geometry(unsigned long window);
// The frame the window manager drew around the window: left, right, top, bottom (_NET_FRAME_EXTENTS).
bool frame_extents(unsigned long window, int extents[4]);

// The visible windows of a process.
std::vector<unsigned long> windows_of(pid_t pid);
// A window the window manager leaves alone (override-redirect): menus, tips.
bool unmanaged(unsigned long window);
// The window with the keyboard focus.
unsigned long focused_window();
// The window a window stays above (WM_TRANSIENT_FOR), or 0.
unsigned long transient_for(unsigned long window);

// Puts keys with these X keysyms ("eacute") on keycodes the keyboard leaves
// free, for good: xdotool then types them without changing the keyboard map
// under the program's feet, which a busy program may notice too late.
bool add_keys(const std::vector<std::string>& keysyms);

void click(int x, int y, int button = 1);  // 1 left, 3 right
void move_pointer(int x, int y);
void type(const std::string& text);  // UTF-8
void key(const std::string& keys);   // xdotool key names: "Return", "ctrl+a"

// A screenshot of a window: its pixels as 0xRRGGBB.
class Picture {
 public:
  int width = 0, height = 0;
  std::vector<uint32_t> pixels;
  uint32_t at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
  bool save(const std::string& path) const;  // PNG
};
bool screenshot(unsigned long window, Picture* picture);

}  // namespace x_desktop
