// The launcher: a program is started with CreateProcessW, optionally on
// pipes; a name that cannot be started as a program goes to the shell
// (ShellExecuteExW), which opens documents and web addresses with the
// program registered for them.
#include "desktop/proc.h"

#include <cstring>
#include <initializer_list>

#include "runtime/mem.h"
#include "runtime/obj.h"
#include "runtime/text.h"

namespace {

// A process-list node: linked in front, newest first, like the dynamic records of an object table.
struct ProcessNode {
  ProcessNode* older;
  ProcessNode* newer;
  ProcessRecord record;
};

// An object of the table of started programs: live while it holds a process handle.
struct StartedProgram {
  HANDLE process;
};

struct Launcher {
  CRITICAL_SECTION lock;  // guards the process list
  ProcessNode* newest;
  ObjectTable* programs;
  bool started;
};

Launcher launcher;

constexpr uint32_t kPipeBits = PROC_READ | PROC_WRITE | PROC_ERROR | PROC_CONNECT;
constexpr DWORD kShellMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_DDEWAIT | SEE_MASK_FLAG_NO_UI;
static_assert(kShellMask == 0x540, "keep the process handle, wait for DDE, no error dialogs");

void free_program(int64_t number) {
  auto* program = static_cast<StartedProgram*>(obj_get(launcher.programs, number));
  if (!program) return;
  CloseHandle(program->process);
  obj_release(launcher.programs, number);
}

void close_handle(HANDLE* handle) {
  if (*handle) CloseHandle(*handle);
  *handle = nullptr;
}

// The standard handles of the new program (child) and the ends that stay with the caller (kept:
// the writer to its input, the readers of its output and error).
struct Pipes {
  HANDLE child[3];
  HANDLE kept[3];

  bool any() const { return child[0] || child[1] || child[2]; }
  void close_child_ends() {
    for (HANDLE& h : child) close_handle(&h);
  }
  void close_all() {
    close_child_ends();
    for (HANDLE& h : kept) close_handle(&h);
  }
};

// A new pipe made inheritable, whose caller's end is then made
// non-inheritable, so the program does not hold the other end itself and
// sees the end of its input when the caller closes it.
bool make_pipe(bool child_reads, HANDLE* child_end, HANDLE* kept_end) {
  SECURITY_ATTRIBUTES inheritable = {sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE reader, writer;
  if (!CreatePipe(&reader, &writer, &inheritable, 0)) return false;
  *child_end = child_reads ? reader : writer;
  HANDLE self = GetCurrentProcess();
  if (!DuplicateHandle(self, child_reads ? writer : reader, self, kept_end, 0, FALSE,
                       DUPLICATE_SAME_ACCESS | DUPLICATE_CLOSE_SOURCE)) {
    close_handle(child_end);
    *kept_end = nullptr;
    return false;
  }
  return true;
}

// Step 2 of a start. The source's output pipe is not inheritable (it is a
// kept end), so the program gets an inheritable copy of it; the source record keeps its own.
bool make_pipes(uint32_t flags, const ProcessRecord* source, Pipes* pipes) {
  *pipes = Pipes{};
  bool open = flags & PROC_OPEN;
  bool ok = true;
  if ((flags & PROC_CONNECT) && source && source->output_pipe) {
    HANDLE self = GetCurrentProcess();
    ok = DuplicateHandle(self, source->output_pipe, self, &pipes->child[0], 0, TRUE, DUPLICATE_SAME_ACCESS);
  } else if (open && (flags & PROC_WRITE)) {
    ok = make_pipe(true, &pipes->child[0], &pipes->kept[0]);
  }
  if (ok && open && (flags & PROC_READ)) ok = make_pipe(false, &pipes->child[1], &pipes->kept[1]);
  if (ok && open && (flags & PROC_ERROR)) ok = make_pipe(false, &pipes->child[2], &pipes->kept[2]);
  if (!ok) pipes->close_all();
  return ok;
}

// The program in double quotes (unless it already starts with one), then a
// blank and the parameters when there are any. From the general heap; the caller frees it.
WCHAR* command_line(const WCHAR* program, const WCHAR* parameters) {
  size_t program_units = static_cast<size_t>(text_length(program));
  size_t parameter_units = static_cast<size_t>(text_length(parameters));
  bool quote = program[0] != u'"';
  size_t units = program_units + (quote ? 2 : 0) + (parameter_units ? 1 + parameter_units : 0) + 1;
  auto* line = static_cast<WCHAR*>(mem_alloc(units * sizeof(WCHAR)));
  if (!line) return nullptr;
  WCHAR* p = line;
  if (quote) *p++ = u'"';
  std::memcpy(p, program, program_units * sizeof(WCHAR));
  p += program_units;
  if (quote) *p++ = u'"';
  if (parameter_units) {
    *p++ = u' ';
    std::memcpy(p, parameters, parameter_units * sizeof(WCHAR));
    p += parameter_units;
  }
  *p = 0;
  return line;
}

// The shell's working directory for a program text with a backslash after
// its first character: the text up to and including its last backslash.
// Null when there is none; from the general heap otherwise.
WCHAR* directory_of(const WCHAR* program) {
  int64_t last = 0;
  if (!program[0]) return nullptr;
  for (int64_t i = 1; program[i]; ++i) {
    if (program[i] == u'\\') last = i;
  }
  if (!last) return nullptr;
  auto* directory = static_cast<WCHAR*>(mem_alloc(static_cast<size_t>(last + 2) * sizeof(WCHAR)));
  if (!directory) return nullptr;
  std::memcpy(directory, program, static_cast<size_t>(last + 1) * sizeof(WCHAR));
  directory[last + 1] = 0;
  return directory;
}

// The last steps of a start: the wait, then a record or the process handle let go.
int64_t finish(HANDLE process, DWORD process_id, Pipes* pipes, uint32_t flags) {
  if ((flags & PROC_WAIT) && process) WaitForSingleObject(process, INFINITE);
  if (!(flags & PROC_OPEN)) {
    if (process) CloseHandle(process);
    return 1;
  }
  auto* node = static_cast<ProcessNode*>(mem_alloc_zero(sizeof(ProcessNode)));
  if (!node) {
    // The program runs, but the record the caller asked for cannot be kept: nothing to hand back.
    if (process) CloseHandle(process);
    pipes->close_all();
    return 0;
  }
  node->record = {process, process_id, pipes->kept[0], pipes->kept[1], pipes->kept[2], flags};
  EnterCriticalSection(&launcher.lock);
  node->older = launcher.newest;
  if (launcher.newest) launcher.newest->newer = node;
  launcher.newest = node;
  LeaveCriticalSection(&launcher.lock);
  return reinterpret_cast<int64_t>(&node->record);
}

int64_t run_through_shell(const WCHAR* program, const WCHAR* parameters, const WCHAR* directory, int show,
                          uint32_t flags) {
  WCHAR* own_directory = directory[0] ? nullptr : directory_of(program);
  SHELLEXECUTEINFOW info = {};
  info.cbSize = sizeof(SHELLEXECUTEINFOW);
  info.fMask = kShellMask;
  info.lpVerb = nullptr;
  info.lpFile = program;
  info.lpParameters = parameters[0] ? parameters : nullptr;
  info.lpDirectory = directory[0] ? directory : own_directory;
  info.nShow = show;
  BOOL opened = ShellExecuteExW(&info);
  mem_free(own_directory);
  if (!opened) return 0;
  Pipes none = {};
  return finish(info.hProcess, 0xFFFFFFFFu, &none, flags);
}

}  // namespace

void proc_init() {
  InitializeCriticalSection(&launcher.lock);
  launcher.newest = nullptr;
  launcher.programs = obj_table_new(sizeof(StartedProgram), 4, free_program);
  launcher.started = true;
}

void proc_end() {
  if (!launcher.started) return;
  if (launcher.programs) obj_release_all(launcher.programs);
  EnterCriticalSection(&launcher.lock);
  ProcessNode* node = launcher.newest;
  launcher.newest = nullptr;
  LeaveCriticalSection(&launcher.lock);
  while (node) {
    ProcessNode* older = node->older;
    ProcessRecord& r = node->record;
    for (HANDLE* h : {&r.process, &r.input_pipe, &r.output_pipe, &r.error_pipe}) close_handle(h);
    mem_free(node);
    node = older;
  }
  DeleteCriticalSection(&launcher.lock);
  launcher.started = false;
}

int64_t proc_run(const WCHAR* program, const WCHAR* parameters, const WCHAR* directory, uint32_t flags,
                 ProcessRecord* source) {
  if (!program) program = TEXT("");
  if (!parameters) parameters = TEXT("");
  if (!directory) directory = TEXT("");
  bool hidden = flags & PROC_HIDDEN;
  int show = hidden ? SW_HIDE : SW_SHOWNORMAL;

  STARTUPINFOW startup = {};
  startup.cb = sizeof(STARTUPINFOW);
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = static_cast<WORD>(show);
  DWORD creation = NORMAL_PRIORITY_CLASS | (hidden ? DETACHED_PROCESS : 0);
  BOOL inherit = FALSE;

  Pipes pipes;
  if (!make_pipes(flags, source, &pipes)) return 0;
  if (pipes.any()) {
    inherit = TRUE;
    startup.dwFlags |= STARTF_USESTDHANDLES;
    creation &= ~static_cast<DWORD>(DETACHED_PROCESS);
    startup.hStdInput = pipes.child[0] ? pipes.child[0] : GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = pipes.child[1] ? pipes.child[1] : GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = pipes.child[2] ? pipes.child[2] : GetStdHandle(STD_ERROR_HANDLE);
  }

  WCHAR* line = command_line(program, parameters);
  if (!line) {
    pipes.close_all();
    return 0;
  }
  PROCESS_INFORMATION started = {};
  BOOL ok = CreateProcessW(nullptr, line, nullptr, nullptr, inherit, creation, nullptr,
                           directory[0] ? directory : nullptr, &startup, &started);
  mem_free(line);

  if (ok) {
    pipes.close_child_ends();
    CloseHandle(started.hThread);
    return finish(started.hProcess, started.dwProcessId, &pipes, flags);
  }
  pipes.close_all();
  if (flags & kPipeBits) return 0;
  return run_through_shell(program, parameters, directory, show, flags);
}

int64_t proc_run_flags(const WCHAR* program, const WCHAR* parameters, const WCHAR* directory, uint32_t flags) {
  return proc_run(program, parameters, directory, flags, nullptr);
}

int64_t proc_run_plain(const WCHAR* program, const WCHAR* parameters, const WCHAR* directory) {
  return proc_run(program, parameters, directory, 0, nullptr);
}

int64_t proc_open(const WCHAR* program) { return proc_run(program, TEXT(""), TEXT(""), 0, nullptr); }
