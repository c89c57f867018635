// CreateProcessW: the program found as Win32 finds it, the command line split
// as the Microsoft C runtime splits it, standard handles, folder and
// environment, started through process_spawn.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/win32/api.h"
#include "platform/win32/kernel/cmdline.h"
#include "platform/win32/kernel/handles.h"
#include "platform/win32/kernel/paths.h"
#include "platform/win32/kernel/process.h"

namespace {

bool has_folder(const std::u16string& name) { return name.find_first_of(u"\\/") != std::u16string::npos; }

bool has_extension(const std::string& path) { return path_leaf(path).find('.') != std::string::npos; }

std::string current_directory() {
  char buffer[PATH_MAX];
  return getcwd(buffer, sizeof buffer) ? std::string(buffer) : std::string(".");
}

std::string program_directory() {
  char buffer[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0) return std::string();
  return path_parent(std::string(buffer, static_cast<size_t>(n)));
}

std::vector<std::string> path_directories() {
  std::vector<std::string> dirs;
  const char* path = getenv("PATH");
  if (!path) return dirs;
  std::string all(path);
  size_t start = 0;
  while (start <= all.size()) {
    size_t end = all.find(':', start);
    if (end == std::string::npos) end = all.size();
    if (end > start) dirs.push_back(all.substr(start, end - start));
    start = end + 1;
  }
  return dirs;
}

enum class Probe { Missing, Program, NotProgram, Folder };

Probe probe(const std::string& path, int* err) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0) {
    *err = errno;
    return Probe::Missing;
  }
  if (S_ISDIR(st.st_mode)) return Probe::Folder;
  return S_ISREG(st.st_mode) && access(path.c_str(), X_OK) == 0 ? Probe::Program : Probe::NotProgram;
}

// The first file among the candidates decides, as in Win32: a file found that
// is no program ends the search with ERROR_BAD_EXE_FORMAT.
DWORD first_program(const std::vector<std::string>& candidates, bool named_path, std::string* out) {
  DWORD error = 0;  // for a named path: what the first candidate was instead of a program
  for (const std::string& candidate : candidates) {
    int err = ENOENT;
    Probe found = probe(candidate, &err);
    if (found == Probe::Program) {
      *out = candidate;
      return 0;
    }
    if (found == Probe::NotProgram) return ERROR_BAD_EXE_FORMAT;
    if (named_path && !error) error = found == Probe::Folder ? ERROR_ACCESS_DENIED : error_for_path(err, candidate);
  }
  return error ? error : ERROR_FILE_NOT_FOUND;
}

// Where the program of an unquoted command line ends: Win32 tries the text up
// to each blank in turn ("c:\program files\x" may be a program in a folder
// with a blank) and takes the first that names a program.
DWORD program_of_line(const WCHAR* line, std::string* path) {
  if (line[0] == u'"') {
    const WCHAR* end = line + 1;
    while (*end && *end != u'"') ++end;
    return program_find(std::u16string(line + 1, end), true, path);
  }
  DWORD first_error = 0;
  for (const WCHAR* p = line;; ++p) {
    if (*p && *p != u' ' && *p != u'\t') continue;
    DWORD error = program_find(std::u16string(line, p), true, path);
    if (!error) return 0;
    if (!first_error) first_error = error;
    if (!*p) return first_error;
  }
}

DWORD to_utf8(const std::u16string& text, std::string* out) {
  return utf16_to_utf8(text.data(), text.size(), out) ? 0 : ERROR_INVALID_PARAMETER;
}

// A Win32 environment block: NAME=value strings, each ended by a zero, and an empty one at the end.
DWORD environment_of(LPVOID block, bool unicode, std::vector<std::string>* out) {
  if (unicode) {
    for (auto* p = static_cast<const WCHAR*>(block); *p;) {
      const WCHAR* end = p;
      while (*end) ++end;
      out->emplace_back();
      if (DWORD error = to_utf8(std::u16string(p, end), &out->back())) return error;
      p = end + 1;
    }
    return 0;
  }
  for (auto* p = static_cast<const char*>(block); *p;) {
    int units = MultiByteToWideChar(CP_ACP, 0, p, -1, nullptr, 0);
    if (units <= 0) return ERROR_INVALID_PARAMETER;
    std::u16string wide(static_cast<size_t>(units), u'\0');
    MultiByteToWideChar(CP_ACP, 0, p, -1, wide.data(), units);
    wide.pop_back();
    out->emplace_back();
    if (DWORD error = to_utf8(wide, &out->back())) return error;
    p += std::string(p).size() + 1;
  }
  return 0;
}

// A standard handle given in STARTUPINFOW reaches the child only when it is inheritable.
int inheritable_descriptor(HANDLE handle) {
  if (!handle || handle == INVALID_HANDLE_VALUE) return SPAWN_NULL;
  int fd = handle_descriptor(handle);
  if (fd < 0) return SPAWN_NULL;
  int flags = fcntl(fd, F_GETFD);
  return flags < 0 || (flags & FD_CLOEXEC) ? SPAWN_NULL : fd;
}

}  // namespace

DWORD program_find(const std::u16string& name, bool search, std::string* path) {
  if (name.empty()) return ERROR_FILE_NOT_FOUND;
  std::u16string terminated = name;
  std::string posix;
  if (DWORD error = posix_path(terminated.c_str(), &posix)) return error;
  bool named_path = has_folder(name) || !search;
  std::vector<std::string> names = {posix};
  if (search && !has_extension(posix)) names.push_back(posix + ".exe");
  std::vector<std::string> candidates;
  if (named_path) {
    // Absolute, so that the child's own working folder does not change what it runs.
    for (const std::string& n : names) candidates.push_back(n[0] == '/' ? n : path_in(".", n));
  } else {
    std::vector<std::string> dirs = {program_directory(), "."};
    for (const std::string& d : path_directories()) dirs.push_back(d);
    for (const std::string& d : dirs) {
      if (d.empty()) continue;
      for (const std::string& n : names) candidates.push_back(path_in(d, n));
    }
  }
  return first_program(candidates, named_path, path);
}

std::string path_in(const std::string& folder, const std::string& name) {
  std::string base = folder;
  if (folder == ".") base = current_directory();
  else if (folder[0] != '/') base = current_directory() + "/" + folder;
  while (base.size() > 1 && base.back() == '/') base.pop_back();
  return base == "/" ? base + name : base + "/" + name;
}

std::string program_on_path(const std::string& name) {
  for (const std::string& d : path_directories()) {
    std::string candidate = path_in(d, name);
    int err;
    if (probe(candidate, &err) == Probe::Program) return candidate;
  }
  return std::string();
}

BOOL CreateProcessW(LPCWSTR applicationName, LPWSTR commandLine, LPSECURITY_ATTRIBUTES /*processAttributes*/,
                    LPSECURITY_ATTRIBUTES /*threadAttributes*/, BOOL inheritHandles, DWORD creationFlags,
                    LPVOID environment, LPCWSTR currentDirectory, LPSTARTUPINFOW startupInfo,
                    LPPROCESS_INFORMATION processInformation) {
  if (!startupInfo || !processInformation) return fail_with(ERROR_INVALID_PARAMETER);
  if (!applicationName && !commandLine) return fail_with(ERROR_INVALID_PARAMETER);
  if (creationFlags & (CREATE_SUSPENDED | DEBUG_PROCESS | DEBUG_ONLY_THIS_PROCESS)) {
    return fail_with(ERROR_NOT_SUPPORTED);
  }
  *processInformation = PROCESS_INFORMATION{};

  SpawnRequest request;
  DWORD error = applicationName ? program_find(applicationName, false, &request.path)
                                : program_of_line(commandLine, &request.path);
  if (error) return fail_with(error);

  for (const std::u16string& arg : cmdline_split(commandLine ? commandLine : applicationName)) {
    request.argv.emplace_back();
    if ((error = to_utf8(arg, &request.argv.back()))) return fail_with(error);
  }

  if (currentDirectory && currentDirectory[0]) {
    struct stat st;
    if (posix_path(currentDirectory, &request.directory) || stat(request.directory.c_str(), &st) != 0 ||
        !S_ISDIR(st.st_mode)) {
      return fail_with(ERROR_DIRECTORY);
    }
  }

  std::vector<std::string> variables;
  if (environment) {
    if ((error = environment_of(environment, creationFlags & CREATE_UNICODE_ENVIRONMENT, &variables))) {
      return fail_with(error);
    }
    request.environment = &variables;
  }

  bool detached = creationFlags & DETACHED_PROCESS;
  if (startupInfo->dwFlags & STARTF_USESTDHANDLES) {
    HANDLE given[3] = {startupInfo->hStdInput, startupInfo->hStdOutput, startupInfo->hStdError};
    for (int i = 0; i < 3; ++i) request.std_fds[i] = inheritHandles ? inheritable_descriptor(given[i]) : SPAWN_NULL;
  } else if (detached) {
    // No console: the child's standard handles lead nowhere.
    for (int& fd : request.std_fds) fd = SPAWN_NULL;
  }
  request.new_session = detached;
  request.new_group = creationFlags & CREATE_NEW_PROCESS_GROUP;

  HANDLE process;
  DWORD id;
  if ((error = process_spawn(request, &process, &id))) return fail_with(error);
  processInformation->hProcess = process;
  processInformation->hThread = process_duplicate(process);
  processInformation->dwProcessId = id;
  processInformation->dwThreadId = id;  // a POSIX process's first thread has the process's id
  return TRUE;
}
