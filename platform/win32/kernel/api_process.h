// Processes, anonymous pipes, standard handles and waiting, as kernel32 has
// them. Included by api.h.
//
// Where the stand-in does less than Win32:
// - A child receives only its three standard handles; other inheritable handles
//   have no meaning to a POSIX program, so they stay behind.
// - Window settings of STARTUPINFOW (show mode, position, title) do nothing.
// - A program name without an extension is tried as given and then with ".exe",
//   because POSIX programs carry no extension.
// - DuplicateHandle copies process handles, pipe ends and the standard handles,
//   within the current process only.
// - WaitForSingleObject waits for processes only (the one waitable kind here).
// - A process killed by a signal other than through TerminateProcess exits with
//   128 + the signal number, as POSIX shells report it.
#pragma once

#include "platform/win32/types.h"

typedef struct _STARTUPINFOW {
  DWORD cb;
  LPWSTR lpReserved;
  LPWSTR lpDesktop;
  LPWSTR lpTitle;
  DWORD dwX;
  DWORD dwY;
  DWORD dwXSize;
  DWORD dwYSize;
  DWORD dwXCountChars;
  DWORD dwYCountChars;
  DWORD dwFillAttribute;
  DWORD dwFlags;
  WORD wShowWindow;
  WORD cbReserved2;
  LPBYTE lpReserved2;
  HANDLE hStdInput;
  HANDLE hStdOutput;
  HANDLE hStdError;
} STARTUPINFOW, *LPSTARTUPINFOW;
typedef STARTUPINFOW STARTUPINFO;
typedef LPSTARTUPINFOW LPSTARTUPINFO;

typedef struct _PROCESS_INFORMATION {
  HANDLE hProcess;
  HANDLE hThread;
  DWORD dwProcessId;
  DWORD dwThreadId;
} PROCESS_INFORMATION, *PPROCESS_INFORMATION, *LPPROCESS_INFORMATION;

// STARTUPINFOW.dwFlags.
#define STARTF_USESHOWWINDOW 0x00000001
#define STARTF_USESTDHANDLES 0x00000100

// Creation flags.
#define DEBUG_PROCESS 0x00000001
#define DEBUG_ONLY_THIS_PROCESS 0x00000002
#define CREATE_SUSPENDED 0x00000004
#define DETACHED_PROCESS 0x00000008
#define CREATE_NEW_CONSOLE 0x00000010
#define NORMAL_PRIORITY_CLASS 0x00000020
#define IDLE_PRIORITY_CLASS 0x00000040
#define HIGH_PRIORITY_CLASS 0x00000080
#define CREATE_NEW_PROCESS_GROUP 0x00000200
#define CREATE_UNICODE_ENVIRONMENT 0x00000400
#define CREATE_NO_WINDOW 0x08000000

#define STILL_ACTIVE 259
#define STD_INPUT_HANDLE (static_cast<DWORD>(-10))
#define STD_OUTPUT_HANDLE (static_cast<DWORD>(-11))
#define STD_ERROR_HANDLE (static_cast<DWORD>(-12))
#define DUPLICATE_CLOSE_SOURCE 0x00000001
#define DUPLICATE_SAME_ACCESS 0x00000002
#define HANDLE_FLAG_INHERIT 0x00000001
#define SYNCHRONIZE 0x00100000u
#define PROCESS_TERMINATE 0x0001
#define PROCESS_QUERY_INFORMATION 0x0400
#define PROCESS_ALL_ACCESS 0x001FFFFFu

// Last-error codes of processes and pipes.
#define ERROR_BAD_EXE_FORMAT 193L
#define ERROR_PIPE_BUSY 231L
#define ERROR_NO_DATA 232L
#define ERROR_NO_ASSOCIATION 1155L

// The program is found as Win32 finds it when no application name is given: a
// name with a folder in it is taken from the current directory; a bare name is
// looked for in the folder of this program, the current directory, then PATH.
// The child's argv is the command line split as the Microsoft C runtime splits
// it. DETACHED_PROCESS starts it in a new session with no terminal, and its
// standard handles, unless given, read and write nothing.
BOOL CreateProcessW(LPCWSTR applicationName, LPWSTR commandLine, LPSECURITY_ATTRIBUTES processAttributes,
                    LPSECURITY_ATTRIBUTES threadAttributes, BOOL inheritHandles, DWORD creationFlags,
                    LPVOID environment, LPCWSTR currentDirectory, LPSTARTUPINFOW startupInfo,
                    LPPROCESS_INFORMATION processInformation);
// hThread of a started process waits and closes like the process handle.
BOOL GetExitCodeProcess(HANDLE process, LPDWORD exitCode);
BOOL TerminateProcess(HANDLE process, UINT exitCode);
DWORD GetProcessId(HANDLE process);
HANDLE GetCurrentProcess();  // the pseudo handle (HANDLE)-1, as Win32's
DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds);

// Anonymous pipes: reading from a pipe whose writers are all closed fails with
// ERROR_BROKEN_PIPE, writing to one whose readers are all closed with ERROR_NO_DATA.
BOOL CreatePipe(PHANDLE readPipe, PHANDLE writePipe, LPSECURITY_ATTRIBUTES pipeAttributes, DWORD size);
BOOL DuplicateHandle(HANDLE sourceProcess, HANDLE sourceHandle, HANDLE targetProcess, LPHANDLE targetHandle,
                     DWORD desiredAccess, BOOL inheritHandle, DWORD options);
BOOL SetHandleInformation(HANDLE object, DWORD mask, DWORD flags);
BOOL GetHandleInformation(HANDLE object, LPDWORD flags);
// The standard handles are inheritable pipe-like handles over descriptors 0, 1 and 2.
HANDLE GetStdHandle(DWORD stdHandle);

// The command line and the console. The stand-in's command line is made from
// the arguments main received, each quoted so that the C runtime's rules (and
// CommandLineToArgvW) split it back into exactly those arguments. There is no
// Win32 console here: a process always writes to the descriptors it was
// started with, so AttachConsole answers as for a process that has its
// console already (ERROR_ACCESS_DENIED), and GetConsoleMode and WriteConsoleW
// fail with ERROR_INVALID_HANDLE, which tells callers to write bytes instead.
typedef HANDLE HLOCAL;
#define ATTACH_PARENT_PROCESS (static_cast<DWORD>(-1))
LPWSTR GetCommandLineW();
BOOL AttachConsole(DWORD processId);
BOOL GetConsoleMode(HANDLE console, LPDWORD mode);
BOOL WriteConsoleW(HANDLE console, const void* buffer, DWORD units, LPDWORD written, LPVOID reserved);
HLOCAL LocalFree(HLOCAL memory);  // frees what CommandLineToArgvW handed out
// Not Win32: the stand-in's main hands over its arguments (as the system gave them, UTF-8) before wWinMain.
void cmdline_set_arguments(int argc, char** argv);
