// The launcher: starts programs, with their standard handles on pipes when
// asked, and hands every other name (documents, web addresses) to the shell,
// which opens it with the application registered for it.
#pragma once

#include <cstdint>

#include "platform/win32.h"

// Flags of proc_run.
constexpr uint32_t PROC_WAIT = 1;      // wait until the started program has ended
constexpr uint32_t PROC_HIDDEN = 2;    // window hidden, and a program detached from any console
constexpr uint32_t PROC_OPEN = 4;      // keep a ProcessRecord and answer it (the pipe bits need it)
constexpr uint32_t PROC_READ = 8;      // the program's standard output to a pipe the record reads
constexpr uint32_t PROC_WRITE = 16;    // the program's standard input from a pipe the record writes
constexpr uint32_t PROC_ERROR = 32;    // the program's standard error to a pipe the record reads
constexpr uint32_t PROC_CONNECT = 64;  // standard input from the output pipe of the source record

// One program started with PROC_OPEN. The record owns its handles.
struct ProcessRecord {
  HANDLE process;
  DWORD process_id;    // 0xFFFFFFFF when the shell started it
  HANDLE input_pipe;   // writing end to the program's standard input, or null
  HANDLE output_pipe;  // reading end from its standard output, or null
  HANDLE error_pipe;   // reading end from its standard error, or null
  DWORD flags;
};

// At start-up: the process lock, the empty process list and the table of started programs.
void proc_init();
// At the end: releases the table's programs and closes the handles of every record, then frees the list.
void proc_end();

// 0 when nothing could be started, 1 when it was started without PROC_OPEN,
// else the address of its new ProcessRecord. Null texts read as empty; an
// empty directory means the caller's. source is used with PROC_CONNECT.
int64_t proc_run(const WCHAR* program, const WCHAR* parameters, const WCHAR* directory, uint32_t flags,
                 ProcessRecord* source);
int64_t proc_run_flags(const WCHAR* program, const WCHAR* parameters, const WCHAR* directory, uint32_t flags);
int64_t proc_run_plain(const WCHAR* program, const WCHAR* parameters, const WCHAR* directory);
// Starts the program, or opens the document or web address with the desktop; what the application calls.
int64_t proc_open(const WCHAR* program);
