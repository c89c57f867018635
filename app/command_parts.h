// What the commands share: their arguments, their exit codes, lines on the
// standard streams, and a run of the program's own handlers without a window.
#pragma once

#include <cstdint>

#include "runtime/console.h"
#include "runtime/text.h"

constexpr int kExitDone = 0;
constexpr int kExitFailed = 1;  // the work failed, or problems were found
constexpr int kExitUsage = 2;

// A command's operands (files) and the options the command table allows it.
struct CommandArgs {
  const WCHAR* operands[2] = {};
  int count = 0;
  const WCHAR* header = nullptr;  // --header FILE
  const WCHAR* output = nullptr;  // --output PAGE
};

// One line on the stream made of the texts: each a piece of it, the line end added.
template <typename... Texts>
void Say(int stream, const Texts&... texts) {
  (con_write(stream, texts), ...);
  con_write(stream, TEXT("\n"));
}

// The program started with its window hidden and every message box told on
// standard error instead, then ended again. messages() counts the boxes.
class CommandSession {
 public:
  CommandSession();
  ~CommandSession();
  CommandSession(const CommandSession&) = delete;
  CommandSession& operator=(const CommandSession&) = delete;
  static int64_t messages();
};

// The name given for an input file names a file: else one line saying why, and false.
bool IsInputFile(const WCHAR* name);

// A name given where the command started, as a full path.
void FullPath(const WCHAR* name, TextVar* into);

// The file's name as a full path, and its folder becomes the current
// directory; false when it cannot be entered.
bool EnterFolderOf(const WCHAR* file, TextVar* full_path);

// In a session: the catalogue's folder becomes the current directory and the
// catalogue is read into the link list as Open reads it; false, with the
// reason told, when it could not be read.
bool OpenForCommand(const WCHAR* catalogue);

int RunBuild(const CommandArgs& args);
int RunCheck(const CommandArgs& args);
int RunImport(const CommandArgs& args);
int RunExport(const CommandArgs& args);
