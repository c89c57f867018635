// shell32's command-line splitting and the documents folder.
#include <sys/stat.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "platform/win32/api.h"
#include "platform/win32/kernel/cmdline.h"
#include "platform/win32/kernel/paths.h"

namespace {

bool is_folder(const std::string& path) {
  struct stat info;
  return !path.empty() && stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// XDG_DOCUMENTS_DIR="$HOME/Documents" from user-dirs.dirs, with $HOME put in; "" when not set.
std::string configured_documents(const std::string& home) {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  std::string dirs = (config && *config ? std::string(config) : home + "/.config") + "/user-dirs.dirs";
  std::ifstream file(dirs);
  const std::string key = "XDG_DOCUMENTS_DIR=\"";
  for (std::string line; std::getline(file, line);) {
    if (line.rfind(key, 0) != 0 || line.back() != '"') continue;
    std::string value = line.substr(key.size(), line.size() - key.size() - 1);
    if (value.rfind("$HOME", 0) == 0) value = home + value.substr(5);
    return value;
  }
  return "";
}

}  // namespace

LPWSTR* CommandLineToArgvW(LPCWSTR commandLine, int* count) {
  if (!count) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  std::vector<std::u16string> args;
  if (commandLine && *commandLine) {
    args = cmdline_split(commandLine);
  } else {
    WCHAR program[MAX_PATH];
    GetModuleFileNameW(nullptr, program, MAX_PATH);
    args.emplace_back(program);
  }
  // One block: the pointers (and a null after them), then the texts.
  size_t bytes = (args.size() + 1) * sizeof(LPWSTR);
  for (const std::u16string& arg : args) bytes += (arg.size() + 1) * sizeof(WCHAR);
  auto* block = static_cast<LPWSTR*>(std::malloc(bytes));
  if (!block) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  auto* text = reinterpret_cast<WCHAR*>(block + args.size() + 1);
  for (size_t i = 0; i < args.size(); ++i) {
    block[i] = text;
    std::memcpy(text, args[i].c_str(), (args[i].size() + 1) * sizeof(WCHAR));
    text += args[i].size() + 1;
  }
  block[args.size()] = nullptr;
  *count = static_cast<int>(args.size());
  return block;
}

HRESULT SHGetFolderPathW(HWND, int folder, HANDLE, DWORD, LPWSTR path) {
  if (folder != CSIDL_PERSONAL || !path) return E_INVALIDARG;
  const char* home = std::getenv("HOME");
  if (!home || !*home) return E_FAIL;
  std::string documents = configured_documents(home);
  if (!is_folder(documents)) documents = home;
  std::u16string wide;
  if (!utf8_to_utf16(documents.c_str(), documents.size(), &wide) || wide.size() >= MAX_PATH) return E_FAIL;
  std::memcpy(path, wide.c_str(), (wide.size() + 1) * sizeof(WCHAR));
  return S_OK;
}
