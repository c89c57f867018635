// A windowed program's standard streams: its own handles when it was given
// them (a pipe, a file, a terminal), else the console it attached to.
#include "runtime/console.h"

#include <string>

#include "runtime/text.h"

namespace {

HANDLE g_console_output = INVALID_HANDLE_VALUE;

HANDLE stream_handle(int stream) {
  HANDLE handle = GetStdHandle(stream == CON_ERROR ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
  if (handle && handle != INVALID_HANDLE_VALUE) return handle;
  // A windowed program started from a console has no standard handles: write to that console directly.
  if (g_console_output == INVALID_HANDLE_VALUE) {
    g_console_output = CreateFileW(TEXT("CONOUT$"), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_WRITE, nullptr,
                                   OPEN_EXISTING, 0, nullptr);
  }
  return g_console_output;
}

bool write_bytes(HANDLE handle, const char* bytes, size_t count) {
  while (count > 0) {
    DWORD written = 0;
    if (!WriteFile(handle, bytes, static_cast<DWORD>(count), &written, nullptr) || written == 0) return false;
    bytes += written;
    count -= written;
  }
  return true;
}

}  // namespace

void con_attach() { AttachConsole(ATTACH_PARENT_PROCESS); }

bool con_write(int stream, const WCHAR* text) {
  HANDLE handle = stream_handle(stream);
  if (handle == INVALID_HANDLE_VALUE) return false;
  const int units = static_cast<int>(text_length(text));
  DWORD mode = 0;
  if (GetConsoleMode(handle, &mode)) {
    DWORD written = 0;
    return WriteConsoleW(handle, text, units, &written, nullptr) != 0;
  }
  std::string bytes;
  if (units > 0) {
    bytes.resize(static_cast<size_t>(units) * 3);
    const int count = WideCharToMultiByte(CP_UTF8, 0, text, units, bytes.data(), static_cast<int>(bytes.size()),
                                          nullptr, nullptr);
    bytes.resize(count > 0 ? static_cast<size_t>(count) : 0);
  }
  return write_bytes(handle, bytes.data(), bytes.size());
}
