// shell32's document opening and the few ole32 calls, as Win32 has them.
// Included by api.h.
//
// Where the stand-in does less than Win32:
// - ShellExecuteExW knows the verbs "open" (the default) and "explore"; the
//   desktop's opener (xdg-open) chooses the application, and nShow does nothing.
// - The opener runs on its own: whether it then manages to show the document
//   is not seen by the caller, only whether it could be started.
// - There is no drag and drop, so no window is ever registered for it.
#pragma once

#include "platform/win32/types.h"
#include "platform/win32/user/types_user.h"

typedef LONG HRESULT;
typedef struct HKEY__* HKEY;

#define S_OK (static_cast<HRESULT>(0))
#define S_FALSE (static_cast<HRESULT>(1))
#define SUCCEEDED(hr) (static_cast<HRESULT>(hr) >= 0)
#define FAILED(hr) (static_cast<HRESULT>(hr) < 0)
#define DRAGDROP_E_NOTREGISTERED (static_cast<HRESULT>(0x80040100))

typedef struct _SHELLEXECUTEINFOW {
  DWORD cbSize;
  ULONG fMask;
  HWND hwnd;
  LPCWSTR lpVerb;
  LPCWSTR lpFile;
  LPCWSTR lpParameters;
  LPCWSTR lpDirectory;
  int nShow;
  HINSTANCE hInstApp;
  void* lpIDList;
  LPCWSTR lpClass;
  HKEY hkeyClass;
  DWORD dwHotKey;
  union {
    HANDLE hIcon;
    HANDLE hMonitor;
  };
  HANDLE hProcess;
} SHELLEXECUTEINFOW, *LPSHELLEXECUTEINFOW;

#define SEE_MASK_DEFAULT 0x00000000
#define SEE_MASK_NOCLOSEPROCESS 0x00000040
#define SEE_MASK_NOASYNC 0x00000100
#define SEE_MASK_FLAG_DDEWAIT 0x00000100
#define SEE_MASK_FLAG_NO_UI 0x00000400

// hInstApp after a failure.
#define SE_ERR_FNF 2
#define SE_ERR_PNF 3
#define SE_ERR_ACCESSDENIED 5
#define SE_ERR_OOM 8
#define SE_ERR_SHARE 26
#define SE_ERR_ASSOCINCOMPLETE 27
#define SE_ERR_DDETIMEOUT 28
#define SE_ERR_DDEFAIL 29
#define SE_ERR_DDEBUSY 30
#define SE_ERR_NOASSOC 31
#define SE_ERR_DLLNOTFOUND 32

// Opens lpFile: a web address ("scheme:...", or a name beginning "www." or
// "ftp.") or a document or folder with the desktop's opener, started in a
// session of its own and never waited for; a program (an existing file that
// can be run, or a name found as CreateProcessW finds it) is started with
// lpParameters. A relative document is looked for in the current directory,
// then in lpDirectory, which becomes the started program's working directory.
// Success: TRUE and hInstApp > 32; SEE_MASK_NOCLOSEPROCESS gives hProcess.
// Failure: FALSE, hInstApp an SE_ERR_ code and the last error
// (ERROR_FILE_NOT_FOUND for a missing document, ERROR_NO_ASSOCIATION without an opener).
BOOL ShellExecuteExW(SHELLEXECUTEINFOW* info);

// The arguments of a command line, split as the C runtime splits them, in one
// block that LocalFree gives back; an empty line gives the program's own path.
LPWSTR* CommandLineToArgvW(LPCWSTR commandLine, int* count);

// Known folders. Only CSIDL_PERSONAL, the documents folder: the desktop's
// XDG_DOCUMENTS_DIR (user-dirs.dirs) when that folder exists, else the home folder.
#define CSIDL_PERSONAL 0x0005
#define SHGFP_TYPE_CURRENT 0
#define E_FAIL (static_cast<HRESULT>(0x80004005))
#define E_INVALIDARG (static_cast<HRESULT>(0x80070057))
HRESULT SHGetFolderPathW(HWND owner, int folder, HANDLE token, DWORD flags, LPWSTR path);

// The component library: counted per thread, S_OK for the first call and S_FALSE for the others.
HRESULT CoInitialize(LPVOID reserved);
void CoUninitialize();
HRESULT RevokeDragDrop(HWND window);  // DRAGDROP_E_NOTREGISTERED: nothing is ever registered
