// ShellExecuteExW: documents, folders and web addresses go to the desktop's
// opener (xdg-open), programs are started. The opener is started in a
// session of its own with no terminal and never waited for here, so a
// browser that stays open never blocks the caller.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/win32/api.h"
#include "platform/win32/kernel/cmdline.h"
#include "platform/win32/kernel/paths.h"
#include "platform/win32/kernel/process.h"

namespace {

// Any value above 32 means success; Win32 itself answers 42.
HINSTANCE const kShellSuccess = reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(42));

int shell_error_of(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND: return SE_ERR_FNF;
    case ERROR_PATH_NOT_FOUND: return SE_ERR_PNF;
    case ERROR_ACCESS_DENIED: return SE_ERR_ACCESSDENIED;
    case ERROR_NOT_ENOUGH_MEMORY: return SE_ERR_OOM;
    case ERROR_SHARING_VIOLATION: return SE_ERR_SHARE;
    default: return SE_ERR_NOASSOC;
  }
}

BOOL shell_result(SHELLEXECUTEINFOW* info, DWORD error) {
  if (!error) {
    info->hInstApp = kShellSuccess;
    return TRUE;
  }
  info->hInstApp = reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(shell_error_of(error)));
  return fail_with(error);
}

bool verb_is(LPCWSTR verb, const char* name) {
  for (; *verb && *name; ++verb, ++name) {
    WCHAR c = *verb >= u'A' && *verb <= u'Z' ? static_cast<WCHAR>(*verb + 32) : *verb;
    if (c != static_cast<WCHAR>(*name)) return false;
  }
  return !*verb && !*name;
}

bool is_ascii_letter(WCHAR c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }

// "scheme:..." with a scheme of two or more characters, so that a drive
// letter ("C:\...") is not taken for one.
bool is_web_address(const std::u16string& file) {
  if (file.empty() || !is_ascii_letter(file[0])) return false;
  size_t i = 1;
  while (i < file.size() && (is_ascii_letter(file[i]) || (file[i] >= u'0' && file[i] <= u'9') || file[i] == u'+' ||
                             file[i] == u'-' || file[i] == u'.')) {
    ++i;
  }
  return i >= 2 && i < file.size() && file[i] == u':';
}

// The shell's guess for an address typed without its scheme.
std::u16string guessed_address(const std::u16string& file) {
  auto starts = [&](const char16_t* prefix) {
    std::u16string p(prefix);
    if (file.size() <= p.size()) return false;
    for (size_t i = 0; i < p.size(); ++i) {
      WCHAR c = file[i] >= u'A' && file[i] <= u'Z' ? static_cast<WCHAR>(file[i] + 32) : file[i];
      if (c != p[i]) return false;
    }
    return true;
  };
  if (starts(u"www.")) return u"http://" + file;
  if (starts(u"ftp.")) return u"ftp://" + file;
  return std::u16string();
}

// The document behind a Win32 name: relative names in the current directory, then in the given folder.
DWORD locate(LPCWSTR file, const std::string& directory, std::string* path, struct stat* st) {
  std::string posix;
  if (DWORD error = posix_path(file, &posix)) return error == ERROR_INVALID_NAME ? ERROR_FILE_NOT_FOUND : error;
  std::string candidates[2] = {posix[0] == '/' ? posix : path_in(".", posix)};
  if (posix[0] != '/' && !directory.empty()) candidates[1] = path_in(directory, posix);
  int first_errno = 0;
  for (const std::string& candidate : candidates) {
    if (candidate.empty()) continue;
    if (stat(candidate.c_str(), st) == 0) {
      *path = candidate;
      return 0;
    }
    if (!first_errno) first_errno = errno;
  }
  return error_for_path(first_errno, candidates[0]);
}

DWORD start(SpawnRequest& request, SHELLEXECUTEINFOW* info) {
  HANDLE process;
  DWORD id;
  if (DWORD error = process_spawn(request, &process, &id)) return error;
  if (info->fMask & SEE_MASK_NOCLOSEPROCESS) info->hProcess = process;
  else CloseHandle(process);  // an unwatched child is reaped in the background
  return 0;
}

DWORD open_with_desktop(const std::string& target, const std::string& directory, SHELLEXECUTEINFOW* info) {
  SpawnRequest request;
  request.path = program_on_path("xdg-open");
  if (request.path.empty()) return ERROR_NO_ASSOCIATION;
  request.argv = {"xdg-open", target};
  request.directory = directory;
  for (int& fd : request.std_fds) fd = SPAWN_NULL;
  request.new_session = true;
  return start(request, info);
}

DWORD run_program(const std::string& path, LPCWSTR parameters, const std::string& directory, SHELLEXECUTEINFOW* info) {
  SpawnRequest request;
  request.path = path;
  request.argv = {path};
  std::u16string line = u"x ";
  if (parameters) line += parameters;
  std::vector<std::u16string> args = cmdline_split(line.c_str());
  for (size_t i = 1; i < args.size(); ++i) {
    request.argv.emplace_back();
    if (!utf16_to_utf8(args[i].data(), args[i].size(), &request.argv.back())) return ERROR_INVALID_PARAMETER;
  }
  request.directory = directory;
  return start(request, info);
}

DWORD execute(SHELLEXECUTEINFOW* info) {
  if (info->lpVerb && info->lpVerb[0] && !verb_is(info->lpVerb, "open") && !verb_is(info->lpVerb, "explore")) {
    return ERROR_NO_ASSOCIATION;
  }
  std::u16string file = info->lpFile ? info->lpFile : u"";
  if (file.empty()) return ERROR_FILE_NOT_FOUND;

  std::string directory;
  if (info->lpDirectory && info->lpDirectory[0]) {
    struct stat st;
    if (posix_path(info->lpDirectory, &directory) || stat(directory.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
      return ERROR_PATH_NOT_FOUND;
    }
  }

  if (is_web_address(file)) {
    std::string address;
    if (!utf16_to_utf8(file.data(), file.size(), &address)) return ERROR_FILE_NOT_FOUND;
    return open_with_desktop(address, directory, info);
  }

  std::string path;
  struct stat st;
  DWORD error = locate(file.c_str(), directory, &path, &st);
  if (!error) {
    if (S_ISREG(st.st_mode) && access(path.c_str(), X_OK) == 0) {
      // Marked runnable yet no program (a page on a file system that marks every file so): open it instead.
      DWORD run_error = run_program(path, info->lpParameters, directory, info);
      if (run_error != ERROR_BAD_EXE_FORMAT) return run_error;
    }
    return open_with_desktop(path, directory, info);
  }

  std::u16string address = guessed_address(file);
  if (!address.empty()) {
    std::string text;
    if (!utf16_to_utf8(address.data(), address.size(), &text)) return ERROR_FILE_NOT_FOUND;
    return open_with_desktop(text, directory, info);
  }
  if (program_find(file, true, &path) == 0) return run_program(path, info->lpParameters, directory, info);
  return error;
}

}  // namespace

BOOL ShellExecuteExW(SHELLEXECUTEINFOW* info) {
  if (!info || info->cbSize != sizeof(SHELLEXECUTEINFOW)) return fail_with(ERROR_INVALID_PARAMETER);
  info->hProcess = nullptr;
  return shell_result(info, execute(info));
}
