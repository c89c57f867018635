// The program's command line: a catalogue to start the window on, or a
// command that runs without a window and ends with an exit code.
#pragma once

#include "platform/win32.h"

// The arguments the program was started with, as the system splits them.
class ProgramArguments {
 public:
  ProgramArguments() : values_(CommandLineToArgvW(GetCommandLineW(), &count_)) {
    if (!values_) count_ = 0;
  }
  ~ProgramArguments() { LocalFree(values_); }
  ProgramArguments(const ProgramArguments&) = delete;
  ProgramArguments& operator=(const ProgramArguments&) = delete;
  int count() const { return count_; }
  WCHAR** values() const { return values_; }

 private:
  int count_ = 0;
  WCHAR** values_;
};

// What RunCommandLine answers when the arguments ask for the window.
constexpr int kStartWindow = -1;

// Runs the command the arguments name, with its output on the console the
// program was started from, and answers its exit code: 0 done, 1 failed or
// problems found, 2 bad usage. Answers kStartWindow when they name no
// command, with *file the catalogue to start on (null when none is named).
int RunCommandLine(int count, WCHAR** values, const WCHAR** file);

// After start-up: the file's folder becomes the current directory (so its
// backup and page go beside it) and the file is opened as if chosen in the
// Open requester.
void StartOnFile(const WCHAR* file);
