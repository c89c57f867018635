// Modules: the system modules are known by name and export the functions of
// the stand-in that programs look up at run time.
#include <unistd.h>

#include <climits>
#include <cstring>

#include "platform/win32/api.h"
#include "platform/win32/kernel/paths.h"

namespace {

struct Export {
  const char* name;
  FARPROC address;
};

template <typename F>
FARPROC as_farproc(F* function) {
  return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(function));
}

struct Module {
  const char* name;  // lower case, without ".dll"
  const Export* exports;
};

const Export kKernel32Exports[] = {
    {"InitOnceExecuteOnce", as_farproc(&InitOnceExecuteOnce)},
    {"InterlockedCompareExchange", as_farproc(&InterlockedCompareExchange)},
    {"InterlockedExchange", as_farproc(&InterlockedExchange)},
    {"GetTickCount64", as_farproc(&GetTickCount64)},
    {nullptr, nullptr},
};
const Export kNoExports[] = {{nullptr, nullptr}};

// Module handles are the addresses of these records; the program's own module is first.
const Module kModules[] = {
    {"", kNoExports},  // the program
    {"kernel32", kKernel32Exports},
    {"user32", kNoExports},
    {"gdi32", kNoExports},
    {"comctl32", kNoExports},
    {"comdlg32", kNoExports},
    {"shell32", kNoExports},
    {"ole32", kNoExports},
};

char lower_ascii(char16_t c) {
  return (c >= u'A' && c <= u'Z') ? static_cast<char>(c - u'A' + 'a') : static_cast<char>(c);
}

// Compares a wide module name with a record's name, ignoring case and an optional ".dll".
bool same_module(LPCWSTR wanted, const char* name) {
  size_t i = 0;
  for (; name[i]; ++i)
    if (lower_ascii(wanted[i]) != name[i]) return false;
  if (wanted[i] == 0) return true;
  const char* suffix = ".dll";
  for (size_t k = 0; k < 4; ++k)
    if (lower_ascii(wanted[i + k]) != suffix[k]) return false;
  return wanted[i + 4] == 0;
}

const Module* module_of(HMODULE handle) {
  for (const Module& m : kModules)
    if (reinterpret_cast<HMODULE>(const_cast<Module*>(&m)) == handle) return &m;
  return nullptr;
}

}  // namespace

HMODULE GetModuleHandleW(LPCWSTR moduleName) {
  if (!moduleName) return reinterpret_cast<HMODULE>(const_cast<Module*>(&kModules[0]));
  for (const Module& m : kModules)
    if (m.name[0] && same_module(moduleName, m.name)) return reinterpret_cast<HMODULE>(const_cast<Module*>(&m));
  SetLastError(ERROR_MOD_NOT_FOUND);
  return nullptr;
}

FARPROC GetProcAddress(HMODULE module, LPCSTR procName) {
  const Module* m = module_of(module);
  if (!m) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  if (procName && reinterpret_cast<uintptr_t>(procName) > 0xFFFF)
    for (const Export* e = m->exports; e->name; ++e)
      if (std::strcmp(e->name, procName) == 0) return e->address;
  SetLastError(ERROR_PROC_NOT_FOUND);
  return nullptr;
}

DWORD GetModuleFileNameW(HMODULE module, LPWSTR fileName, DWORD size) {
  if (module && module != GetModuleHandleW(nullptr)) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return 0;
  }
  char path[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  if (n < 0) n = 0;
  path[n] = 0;
  std::u16string wide;
  if (!utf8_to_utf16(path, static_cast<size_t>(n), &wide)) {
    SetLastError(ERROR_NO_UNICODE_TRANSLATION);  // a name with no faithful UTF-16 spelling
    return 0;
  }
  DWORD units = 0;
  for (char16_t unit : wide) {
    if (units + 1 >= size) {
      // Win32 truncates, terminates and reports the buffer as too small.
      if (size) fileName[size - 1] = 0;
      SetLastError(ERROR_INSUFFICIENT_BUFFER);
      return size;
    }
    fileName[units++] = unit;
  }
  if (size) fileName[units] = 0;
  SetLastError(ERROR_SUCCESS);
  return units;
}
