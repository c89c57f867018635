// Inside the stand-in: starting POSIX processes behind process handles, and
// finding programs, shared by CreateProcessW and ShellExecuteExW.
#pragma once

#include <string>
#include <vector>

#include "platform/win32/types.h"

// What a child gets for one of its standard descriptors.
constexpr int SPAWN_KEEP = -2;  // the caller's own descriptor of that number
constexpr int SPAWN_NULL = -1;  // /dev/null

struct SpawnRequest {
  std::string path;                                       // the program file
  std::vector<std::string> argv;                          // argv[0] included
  const std::vector<std::string>* environment = nullptr;  // null: the caller's
  std::string directory;                                  // empty: the caller's
  int std_fds[3] = {SPAWN_KEEP, SPAWN_KEEP, SPAWN_KEEP};  // a descriptor, SPAWN_KEEP or SPAWN_NULL
  bool new_session = false;                               // no controlling terminal, out of the caller's process group
  bool new_group = false;
};

// Starts the program. 0 with a new process handle and its id, or the Win32 error.
DWORD process_spawn(const SpawnRequest& request, HANDLE* process, DWORD* id);
// A further handle to the process behind a process handle (null when it is none).
HANDLE process_duplicate(HANDLE process);

// Finds the program for a Win32 name as CreateProcessW does: a name with a
// folder in it relative to the current directory, a bare name in this
// program's folder, the current directory, then PATH; without an extension
// the name as given first, then with ".exe". 0 and the POSIX path of a
// regular file, or ERROR_FILE_NOT_FOUND / ERROR_PATH_NOT_FOUND /
// ERROR_INVALID_NAME, or ERROR_BAD_EXE_FORMAT for a file that is no program.
DWORD program_find(const std::u16string& name, bool search, std::string* path);
// A program of the desktop by its POSIX name, on PATH only; empty when missing.
std::string program_on_path(const std::string& name);
// The folder and the name joined by one "/", the folder made absolute from the current directory.
std::string path_in(const std::string& folder, const std::string& name);
