// Numbered, buffered files with line reading and writing in three encodings.
#pragma once

#include <cstdint>

#include "platform/win32.h"

// Text format values.
constexpr int32_t FILE_FORMAT_ANSI = 24;
constexpr int32_t FILE_FORMAT_UTF8 = 2;
constexpr int32_t FILE_FORMAT_UTF16LE = 25;
constexpr int32_t FILE_FORMAT_UTF16BE = 4;             // reported by file_read_bom only
constexpr int32_t FILE_FORMAT_UTF32LE = 5;             // reported by file_read_bom only
constexpr int32_t FILE_FORMAT_UTF32BE = 6;             // reported by file_read_bom only
constexpr int32_t FILE_READ_IGNORE_LINE_ENDS = 65536;  // reading stops only at a zero unit

constexpr int32_t FILE_BUFFER_SIZE = 4096;

// A running hash of a file's content, taken in words of 8 bytes as they pass.
struct FileHash {
  uint64_t value;
  uint64_t tail;       // bytes waiting for a whole word
  int32_t tail_bytes;  // how many
};

struct FileObject {
  HANDLE handle;  // null: no file under this number
  uint8_t* buffer;
  int32_t buffer_size;
  int32_t count;         // read mode: unconsumed bytes; write mode: free bytes
  int32_t valid;         // read mode: bytes the last refill delivered
  int32_t mode;          // 1 read, 0 write
  int32_t write_failed;  // a platform write fell short since the file was opened
  int64_t platform_at;   // the platform position, kept as transfers and seeks move it
  int64_t hashed_to;     // the content from the start up to here is in `hash`; -1 once a part was skipped or written
  FileHash hash;
};

// What a file was at a moment: enough to tell later whether another program changed it.
struct FileStamp {
  int64_t size;
  int64_t time;    // the last write, in 100-nanosecond intervals since 1601 (UTC)
  uint64_t hash;   // of the whole content, when `hashed`
  int32_t hashed;  // 1 when `hash` covers the whole file
};

void file_library_init();
void file_close_all();
int64_t file_create(int64_t number, const WCHAR* name);
// As file_create, but never over a file that exists (ERROR_FILE_EXISTS): another program's, say.
int64_t file_create_new(int64_t number, const WCHAR* name);
int64_t file_open_read(int64_t number, const WCHAR* name);
// A mark that this program is at work on an open file until it closes it (file_hold.cpp): a lock on
// a byte far past any content, which readers never meet and which ends with the process, a kill too.
// 1 when marked, 0 when another program (or another number) holds the mark.
int file_hold(int64_t number);
// 1 when another program (or another number of this one) holds the file's mark: the file is in use.
int file_held(const WCHAR* name);
// Pending output goes out first. 1 when everything written through the number
// reached the platform and the file closed cleanly; 0 when output was lost (a
// full disk, say) or the number names no open file. -1 closes every file and answers 1.
int32_t file_close(int64_t number);
// Pending output goes out and the platform is asked to put the file on the
// disk; 1 when all of it got there, 0 otherwise (or for a number not open).
int32_t file_flush(int64_t number);
// Pending output goes to the platform (a kill of the process no longer loses
// it), without waiting for the disk; 1 when all of it got there.
int32_t file_push(int64_t number);
int32_t file_read_bom(int64_t number);
int32_t file_at_end(int64_t number);
WCHAR* file_read_line(int64_t number, int32_t format, int32_t offset);
void file_write_line(int64_t number, const WCHAR* text, int32_t format);
// The byte-order mark that names the format (none for ANSI), for file_read_bom to find.
void file_write_bom(int64_t number, int32_t format);
// 1 when the text, written in the ANSI format, reads back unchanged: every
// character has a place in the ANSI code page (for a UTF-8 one: no unpaired surrogate).
int file_fits_ansi(const WCHAR* text);
// 1 when the ANSI code page is UTF-8, so the ANSI format can hold any character.
int file_ansi_is_utf8();
// Answers the bytes taken into the file's buffer, not those that reached the
// platform: a later flush may still fail. Ask file_flush or file_close.
int64_t file_write_text(int64_t number, const WCHAR* text, int32_t format);
// Nonzero when output was lost (a full disk, say): a platform write fell short
// since the file was opened, pending output included. 0 for a number not open.
int32_t file_write_failed(int64_t number);
int64_t file_position(int64_t number);
// The size in bytes of the open file, -1 for a number not open (or when the platform cannot tell).
int64_t file_size(int64_t number);
void file_set_position(int64_t number, int64_t position);
int file_delete(const WCHAR* name);
int file_copy(const WCHAR* source, const WCHAR* target);
// Copies only when no file or folder of the target's name is there: 1 when copied,
// 0 otherwise (the reason kept; ERROR_FILE_EXISTS when the target was there).
int file_copy_new(const WCHAR* source, const WCHAR* target);
int file_rename(const WCHAR* old_name, const WCHAR* new_name);
// Gives the existing file a second name, new_name, which must be free: 1 when
// done, 0 otherwise (the reason kept; file systems without links refuse).
int file_link(const WCHAR* existing, const WCHAR* new_name);
// 1 when the file may be replaced now: it is not read-only, and no program
// holds it open without leave to delete it; 0 otherwise (the reason kept).
int file_replaceable(const WCHAR* name);
// Puts source in the place of target in one step, replacing target if it
// exists, and answers 1 once both are on the disk: after a crash the target
// is the old file or the new one, never a mixture or nothing.
int file_replace(const WCHAR* source, const WCHAR* target);
// The platform's code for the last failure of a file operation (0 when none
// failed yet), and the text that tells the user the reason, without a line end.
uint32_t file_last_error();
WCHAR* file_error_text(uint32_t code, int32_t offset);
// The stamp of an open file: its size and last write time now, and the hash
// of the content that was read through the number from its start (hashed
// only when that covers the whole file and nothing was written through it).
// 0 for a number not open.
int file_stamp(int64_t number, FileStamp* stamp);
// The size and last write time of a file by name (hashed 0); 0 when it cannot be asked (missing, say).
int file_stamp_of(const WCHAR* name, FileStamp* stamp);
// The whole stamp of a file by name: the file is read through to hash it. 0 on failure.
int file_hash_of(const WCHAR* name, FileStamp* stamp);
// A file time as the user's local date and time, "2025-01-31 14:05", on the stack.
WCHAR* file_time_text(int64_t time, int32_t offset);
WCHAR* file_current_dir(int32_t offset);
WCHAR* file_leaf_name(const WCHAR* path, int32_t offset);
int file_name_is_valid(const WCHAR* name);
// 1 when a file or folder of that name exists.
int file_exists(const WCHAR* name);

// Places (file_places.cpp). What a name stands for: nothing, a file or a folder.
constexpr int FILE_KIND_NONE = 0;
constexpr int FILE_KIND_FILE = 1;
constexpr int FILE_KIND_FOLDER = 2;
int file_kind(const WCHAR* name);
// 1 when the current directory became the folder, else 0 with the reason kept.
int file_set_current_dir(const WCHAR* folder);
// 1 when the folder is there now, made or found; else 0 with the reason kept (its parent must exist).
int file_make_folder(const WCHAR* folder);
// The name as a full path: a relative one is taken from the current directory.
WCHAR* file_full_path(const WCHAR* name, int32_t offset);
// The folder part of a path, its last separator kept ("" when it has none).
WCHAR* file_folder_of(const WCHAR* path, int32_t offset);
// The folder the program's executable is in, and the user's documents folder, each with a separator at the end
// ("" when the platform does not tell).
WCHAR* file_program_dir(int32_t offset);
WCHAR* file_documents_dir(int32_t offset);

// Byte-level access, shared by the parts of the file library. They work on
// the record of an open file (buffered or not) and keep the logical position.
FileObject* file_object(int64_t number);  // the open file of a number, or null
// Takes up to n bytes; fewer only at the end of the file (or on a read error).
int32_t file_read_bytes(FileObject* file, void* destination, int32_t bytes);
// Gives back the last n bytes just taken, so the next read delivers them again.
void file_unread_bytes(FileObject* file, int32_t bytes);
// Writes n bytes; answers how many were accepted (short only when the platform fell short).
int32_t file_write_bytes(FileObject* file, const void* source, int32_t bytes);
// Keeps the platform's last error as the reason of a failed file operation.
void file_note_error();
// Adds bytes that passed the platform at a position to the file's hash, when they continue it.
void file_hash_bytes(FileObject* file, int64_t at, const uint8_t* bytes, int32_t count);
