// A stand-in for the desktop's opener in Linux tests: while it lives, a fake
// "xdg-open" comes first on PATH. It opens nothing; it writes what it was
// asked to open, its working folder and whether it runs in a session of its
// own into a record file, so a test can see what reached the desktop.
#pragma once

#ifndef _WIN32

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <climits>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

// The path with every link resolved, as a program reports its working folder.
inline std::string real_path(const std::string& path) {
  char* resolved = realpath(path.c_str(), nullptr);
  std::string out = resolved ? resolved : path;
  free(resolved);
  return out;
}

class FakeOpener {
 public:
  // dir: the test's scratch folder. after: shell commands the opener runs once it has written its record.
  explicit FakeOpener(const std::string& dir, const std::string& after = "") : record_(dir + "opened.txt") {
    std::string bin = dir + "fake-bin";
    mkdir(bin.c_str(), 0755);
    std::ofstream script(bin + "/xdg-open");
    script << "#!/bin/sh\n"
           << "out='" << record_ << "'\n"
           << "sid=$(cut -d' ' -f6 /proc/$$/stat)\n"
           << "{ printf 'args:'; for a in \"$@\"; do printf ' [%s]' \"$a\"; done; printf '\\n'\n"
           << "  printf 'cwd: %s\\n' \"$(pwd -P)\"\n"
           << "  if [ \"$sid\" = \"$$\" ]; then echo 'own session'; else echo 'shared session'; fi\n"
           << "} > \"$out.part\" && mv \"$out.part\" \"$out\"\n"
           << after << "\n";
    script.close();
    chmod((bin + "/xdg-open").c_str(), 0755);
    const char* path = getenv("PATH");
    saved_path_ = path ? path : "";
    setenv("PATH", (bin + ":" + saved_path_).c_str(), 1);
  }
  ~FakeOpener() { setenv("PATH", saved_path_.c_str(), 1); }
  FakeOpener(const FakeOpener&) = delete;
  FakeOpener& operator=(const FakeOpener&) = delete;

  // The record, once the opener has written it; empty when it did not within the time.
  std::string record(int milliseconds = 20000) const {
    for (int waited = 0; waited <= milliseconds; waited += 10) {
      std::ifstream in(record_);
      if (in) {
        std::stringstream all;
        all << in.rdbuf();
        return all.str();
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return std::string();
  }
  bool called() const { return access(record_.c_str(), F_OK) == 0; }

 private:
  std::string record_;
  std::string saved_path_;
};

#endif
