// The process's command line, made from main's arguments, and the console
// calls a windowed program makes before it writes to its parent's terminal.
#include <cstdlib>
#include <string>

#include "platform/win32/api.h"
#include "platform/win32/kernel/paths.h"

namespace {

std::u16string g_command_line;

// One argument as the C runtime reads it back: quoted when it holds a blank,
// a tab or a quote (or is empty); backslashes doubled only before a quote.
void append_quoted(const std::u16string& arg, std::u16string* line) {
  if (!arg.empty() && arg.find_first_of(u" \t\"") == std::u16string::npos) {
    line->append(arg);
    return;
  }
  line->push_back(u'"');
  size_t backslashes = 0;
  for (char16_t unit : arg) {
    if (unit == u'\\') {
      ++backslashes;
      continue;
    }
    line->append(unit == u'"' ? backslashes * 2 + 1 : backslashes, u'\\');
    backslashes = 0;
    line->push_back(unit);
  }
  line->append(backslashes * 2, u'\\');
  line->push_back(u'"');
}

}  // namespace

void cmdline_set_arguments(int argc, char** argv) {
  g_command_line.clear();
  for (int i = 0; i < argc; ++i) {
    std::u16string arg;
    // A name with no UTF-16 spelling keeps what converts, so the program reports the file as missing.
    utf8_to_utf16(argv[i], std::char_traits<char>::length(argv[i]), &arg);
    if (i > 0) g_command_line.push_back(u' ');
    // The program's own name ends at its first blank and knows no backslash rules: quote it plainly.
    if (i == 0 && arg.find_first_of(u" \t") != std::u16string::npos) arg = u"\"" + arg + u"\"";
    if (i == 0) g_command_line.append(arg);
    else append_quoted(arg, &g_command_line);
  }
}

LPWSTR GetCommandLineW() { return g_command_line.data(); }

BOOL AttachConsole(DWORD) {
  SetLastError(ERROR_ACCESS_DENIED);
  return FALSE;
}

BOOL GetConsoleMode(HANDLE, LPDWORD) {
  SetLastError(ERROR_INVALID_HANDLE);
  return FALSE;
}

BOOL WriteConsoleW(HANDLE, const void*, DWORD, LPDWORD written, LPVOID) {
  if (written) *written = 0;
  SetLastError(ERROR_INVALID_HANDLE);
  return FALSE;
}

HLOCAL LocalFree(HLOCAL memory) {
  std::free(memory);
  return nullptr;
}
