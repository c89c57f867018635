// The command table and what every command shares: reading the arguments,
// the usage, help and version, and the hidden run of the program in which
// the commands use the buttons' own handlers.
#include "app/command_line.h"

#include "app/command_parts.h"
#include "app/journal.h"
#include "app/state.h"
#include "app/text_helpers.h"
#include "desktop/req.h"
#include "gui/window.h"
#include "runtime/file.h"

namespace {

constexpr uint32_t kHeaderOption = 1;
constexpr uint32_t kOutputOption = 2;

struct CommandRow {
  const WCHAR* name;
  int least, most;   // how many operands
  uint32_t options;  // which of --header and --output it takes
  int (*run)(const CommandArgs& args);
  const WCHAR* usage;  // after the program's name
  const WCHAR* help;
};

int RunHelp(const CommandArgs& args);
int RunVersion(const CommandArgs&) {
  Say(CON_OUTPUT, TEXT("webrolo " WEBROLO_VERSION));
  return kExitDone;
}

// A new command is a row here and its run function.
const CommandRow kCommands[] = {
    {TEXT("--build"), 1, 1, kHeaderOption | kOutputOption, RunBuild,
     TEXT("--build CATALOGUE [--header FILE] [--output PAGE]"),
     TEXT("builds the page of the catalogue as the Build button does")},
    {TEXT("--check"), 1, 1, 0, RunCheck, TEXT("--check CATALOGUE"),
     TEXT("lists the lines the page or the window would refuse, duplicates and relative addresses")},
    {TEXT("--import"), 1, 2, 0, RunImport, TEXT("--import BOOKMARKS [CATALOGUE]"),
     TEXT("writes the browser bookmark file as a catalogue (its old content kept as the backup)")},
    {TEXT("--export"), 1, 2, 0, RunExport, TEXT("--export CATALOGUE [BOOKMARKS]"),
     TEXT("writes the catalogue as a bookmark file that browsers import")},
    {TEXT("--help"), 0, 0, 0, RunHelp, TEXT("--help"), TEXT("shows this help")},
    {TEXT("--version"), 0, 0, 0, RunVersion, TEXT("--version"), TEXT("shows the version")},
};

void SayUsage(int stream) {
  Say(stream, TEXT("usage: webrolo [CATALOGUE]"));
  for (const CommandRow& row : kCommands) Say(stream, TEXT("       webrolo "), row.usage);
}

int RunHelp(const CommandArgs&) {
  SayUsage(CON_OUTPUT);
  Say(CON_OUTPUT, TEXT("Without a command the window starts, on the catalogue when one is named."));
  for (const CommandRow& row : kCommands) Say(CON_OUTPUT, TEXT("  "), row.name, TEXT(": "), row.help);
  Say(CON_OUTPUT, TEXT("Exit codes: 0 done, 1 failed or problems found, 2 bad usage."));
  return kExitDone;
}

template <typename... Texts>
int UsageError(const Texts&... reason) {
  Say(CON_ERROR, TEXT("webrolo: "), reason...);
  SayUsage(CON_ERROR);
  return kExitUsage;
}

bool IsOption(const WCHAR* arg) { return arg[0] == TEXT('-') && arg[1] != 0; }

const CommandRow* FindCommand(const WCHAR* name) {
  for (const CommandRow& row : kCommands) {
    if (text_equal(row.name, name)) return &row;
  }
  return nullptr;
}

// The option's value, or null when it is not one of the row's options.
const WCHAR** OptionSlot(const CommandRow& row, const WCHAR* arg, CommandArgs* args) {
  if ((row.options & kHeaderOption) && text_equal(arg, TEXT("--header"))) return &args->header;
  if ((row.options & kOutputOption) && text_equal(arg, TEXT("--output"))) return &args->output;
  return nullptr;
}

int RunRow(const CommandRow& row, int count, WCHAR** values) {
  CommandArgs args;
  for (int i = 2; i < count; ++i) {
    const WCHAR* arg = values[i];
    if (!IsOption(arg)) {
      if (args.count == row.most) return UsageError(row.name, TEXT(" takes no more than that: "), arg);
      args.operands[args.count++] = arg;
      continue;
    }
    const WCHAR** slot = OptionSlot(row, arg, &args);
    if (!slot) return UsageError(row.name, TEXT(" takes no option "), arg);
    if (*slot) return UsageError(arg, TEXT(" is given twice"));
    if (i + 1 == count) return UsageError(arg, TEXT(" needs a file name after it"));
    *slot = values[++i];
  }
  if (args.count < row.least) return UsageError(row.name, TEXT(" needs a file: "), row.usage);
  return row.run(args);
}

// A box no one could answer: its text on standard error, its lines joined.
int64_t ToStandardError(const WCHAR*, const WCHAR* text, uint32_t) {
  ++CommandMessages;
  const int32_t saved = text_stack_top();
  Say(CON_ERROR, TEXT("webrolo: "), text_replace(text, TEXT("\r\n"), TEXT(" "), saved));
  text_stack_cut(saved);
  return IDOK;
}

}  // namespace

void FullPath(const WCHAR* name, TextVar* into) {
  const int32_t saved = text_stack_top();
  file_full_path(name, saved);
  KeepText(into, saved);
}

// The folder of the file as a full path becomes the current directory.
bool EnterFolderOf(const WCHAR* file, TextVar* full_path) {
  const int32_t saved = text_stack_top();
  file_full_path(file, saved);
  KeepText(full_path, saved);
  file_folder_of(*full_path, saved);
  const bool entered = text_length(text_stack_at(saved)) == 0 || file_set_current_dir(text_stack_at(saved));
  text_stack_cut(saved);
  return entered;
}

int RunCommandLine(int count, WCHAR** values, const WCHAR** file) {
  *file = nullptr;
  if (count < 2) return kStartWindow;
  const CommandRow* row = FindCommand(values[1]);
  if (!row && !IsOption(values[1]) && count == 2) {
    *file = values[1];
    return kStartWindow;
  }
  con_attach();
  if (!row && IsOption(values[1])) return UsageError(TEXT("unknown option "), values[1]);
  if (!row) return UsageError(TEXT("the window opens one catalogue, not also "), values[2]);
  return RunRow(*row, count, values);
}

void StartOnFile(const WCHAR* file) {
  LocalText full_path;
  EnterFolderOf(file, &full_path.value);
  text_assign(&ReadFileName, full_path);
  OpenChosenFile();
}

CommandSession::CommandSession() {
  StartUp(WIN_HIDDEN);
  JournalLeaveForTheWindow();
  req_set_message_routine(ToStandardError);
}

CommandSession::~CommandSession() {
  req_set_message_routine(nullptr);
  ShutDownLibraries();
  ShutDownRuntime();
}

int64_t CommandSession::messages() { return CommandMessages; }

bool IsInputFile(const WCHAR* name) {
  const int kind = file_kind(name);
  if (kind == FILE_KIND_FILE) return true;
  Say(CON_ERROR, TEXT("webrolo: "), name,
      kind == FILE_KIND_FOLDER ? TEXT(": is a folder, not a file") : TEXT(": no such file"));
  return false;
}

bool OpenForCommand(const WCHAR* catalogue) {
  LocalText full_path;
  if (!EnterFolderOf(catalogue, &full_path.value)) {
    Say(CON_ERROR, TEXT("webrolo: "), catalogue, TEXT(": its folder cannot be entered"));
    return false;
  }
  text_assign(&ReadFileName, full_path);
  return OpenChosenFile();
}
