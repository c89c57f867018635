// The Win32 functions of the stand-in, with their Win32 names, arguments and
// return conventions. Where the stand-in does less than Win32 the comment on
// the declaration says so in one line.
#pragma once

#include <cstdarg>

#include "platform/win32/types.h"

// Last error (per thread).
DWORD GetLastError();
void SetLastError(DWORD code);
// The system's own messages only (FORMAT_MESSAGE_FROM_SYSTEM), in English, for the codes the stand-in sets;
// no inserts and no allocated buffer.
DWORD FormatMessageW(DWORD flags, LPCVOID source, DWORD messageId, DWORD languageId, LPWSTR buffer, DWORD size,
                     va_list* arguments);

// Private heaps. Destroying a heap frees every block still in it.
HANDLE HeapCreate(DWORD options, SIZE_T initialSize, SIZE_T maximumSize);
BOOL HeapDestroy(HANDLE heap);
LPVOID HeapAlloc(HANDLE heap, DWORD flags, SIZE_T bytes);
LPVOID HeapReAlloc(HANDLE heap, DWORD flags, LPVOID block, SIZE_T bytes);
BOOL HeapFree(HANDLE heap, DWORD flags, LPVOID block);
SIZE_T HeapSize(HANDLE heap, DWORD flags, LPCVOID block);
HANDLE GetProcessHeap();

// Critical sections, run-once, interlocked operations, sleeping.
void InitializeCriticalSection(LPCRITICAL_SECTION section);
void DeleteCriticalSection(LPCRITICAL_SECTION section);
void EnterCriticalSection(LPCRITICAL_SECTION section);
void LeaveCriticalSection(LPCRITICAL_SECTION section);
BOOL TryEnterCriticalSection(LPCRITICAL_SECTION section);
BOOL InitOnceExecuteOnce(PINIT_ONCE initOnce, PINIT_ONCE_FN initFn, PVOID parameter, LPVOID* context);
LONG InterlockedCompareExchange(LONG volatile* destination, LONG exchange, LONG comparand);
LONG InterlockedExchange(LONG volatile* target, LONG value);
LONG InterlockedIncrement(LONG volatile* addend);
LONG InterlockedDecrement(LONG volatile* addend);
void Sleep(DWORD milliseconds);
DWORD GetTickCount();
ULONGLONG GetTickCount64();
DWORD GetCurrentThreadId();
DWORD GetCurrentProcessId();

// Modules. The stand-in knows the system modules by name ("Kernel32.dll",
// "User32.dll", ...) and exports from them the functions it implements.
HMODULE GetModuleHandleW(LPCWSTR moduleName);
FARPROC GetProcAddress(HMODULE module, LPCSTR procName);
DWORD GetModuleFileNameW(HMODULE module, LPWSTR fileName, DWORD size);

// Files. Paths take "\" and "/" alike as separators. Share modes are enforced
// between the handles of this process only, not against other processes.
// Overlapped reads and writes are not supported (ERROR_INVALID_PARAMETER).
// Hidden and system are kept in an extended attribute, and dropped on file systems without them.
// Files always show FILE_ATTRIBUTE_ARCHIVE; it cannot be cleared.
HANDLE CreateFileW(LPCWSTR fileName, DWORD desiredAccess, DWORD shareMode, LPSECURITY_ATTRIBUTES security,
                   DWORD creationDisposition, DWORD flagsAndAttributes, HANDLE templateFile);
BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD bytesToRead, LPDWORD bytesRead, LPOVERLAPPED overlapped);
BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD bytesToWrite, LPDWORD bytesWritten, LPOVERLAPPED overlapped);
BOOL SetFilePointerEx(HANDLE file, LARGE_INTEGER distance, PLARGE_INTEGER newPosition, DWORD moveMethod);
BOOL GetFileSizeEx(HANDLE file, PLARGE_INTEGER size);
BOOL FlushFileBuffers(HANDLE file);
// Byte-range locks are advisory (they hold against other locks, not against reads and writes);
// an exclusive lock needs write access to the file, a shared one read access.
BOOL LockFileEx(HANDLE file, DWORD flags, DWORD reserved, DWORD bytesLow, DWORD bytesHigh, LPOVERLAPPED overlapped);
BOOL UnlockFileEx(HANDLE file, DWORD reserved, DWORD bytesLow, DWORD bytesHigh, LPOVERLAPPED overlapped);
// The creation time is the time of the last status change (POSIX keeps no birth time everywhere).
BOOL GetFileTime(HANDLE file, LPFILETIME creationTime, LPFILETIME lastAccessTime, LPFILETIME lastWriteTime);
BOOL GetFileAttributesExW(LPCWSTR fileName, GET_FILEEX_INFO_LEVELS infoLevel, LPVOID information);
BOOL CloseHandle(HANDLE object);
BOOL DeleteFileW(LPCWSTR fileName);
BOOL CopyFileW(LPCWSTR existingFileName, LPCWSTR newFileName, BOOL failIfExists);
BOOL MoveFileW(LPCWSTR existingFileName, LPCWSTR newFileName);
// MOVEFILE_REPLACE_EXISTING, MOVEFILE_COPY_ALLOWED and MOVEFILE_WRITE_THROUGH; a replacing move is one rename.
BOOL MoveFileExW(LPCWSTR existingFileName, LPCWSTR newFileName, DWORD flags);
BOOL CreateHardLinkW(LPCWSTR fileName, LPCWSTR existingFileName, LPSECURITY_ATTRIBUTES security);
DWORD GetFileAttributesW(LPCWSTR fileName);
BOOL SetFileAttributesW(LPCWSTR fileName, DWORD attributes);
BOOL CreateDirectoryW(LPCWSTR pathName, LPSECURITY_ATTRIBUTES security);
BOOL RemoveDirectoryW(LPCWSTR pathName);
DWORD GetCurrentDirectoryW(DWORD bufferLength, LPWSTR buffer);
BOOL SetCurrentDirectoryW(LPCWSTR pathName);
DWORD GetTempPathW(DWORD bufferLength, LPWSTR buffer);

// Times. Local time is the time zone's of the C library (TZ, /etc/localtime).
void GetSystemTimeAsFileTime(LPFILETIME systemTime);
BOOL FileTimeToLocalFileTime(const FILETIME* fileTime, LPFILETIME localFileTime);
BOOL FileTimeToSystemTime(const FILETIME* fileTime, LPSYSTEMTIME systemTime);

// Code pages: CP_ACP (see GetACP), CP_UTF8 and 1252. Flags: MB_PRECOMPOSED, MB_ERR_INVALID_CHARS,
// WC_NO_BEST_FIT_CHARS, WC_ERR_INVALID_CHARS. Code page 1252 has no best-fit mapping: a character it
// lacks becomes the default character even without WC_NO_BEST_FIT_CHARS.
// GetACP: 65001 when the user's locale (LC_ALL, LC_CTYPE, LANG) has a UTF-8 character set, else 1252.
UINT GetACP();
int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR multiByteStr, int multiByte, LPWSTR wideCharStr,
                        int wideChar);
int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR wideCharStr, int wideChar, LPSTR multiByteStr,
                        int multiByte, LPCSTR defaultChar, LPBOOL usedDefaultChar);
LPWSTR CharLowerW(LPWSTR text);
LPWSTR CharUpperW(LPWSTR text);
int lstrlenW(LPCWSTR text);

// Arithmetic.
int MulDiv(int number, int numerator, int denominator);

// The runtime library's wide formatted print: %d %i %u %x %X %I64d %I64i %I64u
// %I64x %s %ls (wide text) %hs (8-bit text) %c %p %%, with flags "-0", width and precision.
// Also %o, %hc, ll and I32 sizes and the flags "+ #"; no floating-point conversions.
int _vsnwprintf(WCHAR* buffer, size_t count, const WCHAR* format, va_list args);
int _snwprintf(WCHAR* buffer, size_t count, const WCHAR* format, ...);

// Device contexts, objects, drawing and text.
#include "platform/win32/gdi/api_gdi.h"

// Processes, pipes, standard handles, waiting.
#include "platform/win32/kernel/api_process.h"

// Windows, classes, messages, input and painting.
#include "platform/win32/gdi/types_gdi.h"
#include "platform/win32/user/types_user.h"
#include "platform/win32/user/api_user.h"

// Opening documents with the desktop; the component library.
#include "platform/win32/shell/api_shell.h"

// Icons; message boxes, the file dialogs and the common controls' start-up.
#include "platform/win32/gdi/api_icon.h"
#include "platform/win32/dialogs/api_dialogs.h"

// Global memory and the clipboard; the caret.
#include "platform/win32/user/api_clipboard.h"
#include "platform/win32/user/api_caret.h"
