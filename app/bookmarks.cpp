#include "app/bookmarks.h"

#include <ctime>

#include "app/bookmark_export.h"
#include "app/bookmark_import.h"
#include "app/bookmark_reader.h"
#include "app/catalogue_names.h"
#include "app/displays.h"
#include "app/link_changes.h"
#include "app/safe_file.h"
#include "app/state.h"
#include "app/text_helpers.h"
#include "desktop/req.h"
#include "gui/gadget.h"
#include "runtime/file.h"
#include "runtime/mem.h"

namespace {

const WCHAR kImportCaption[] = TEXT("Import Browser Bookmarks");
const WCHAR kExportCaption[] = TEXT("Export as Browser Bookmarks");
const WCHAR kBookmarkPattern[] = TEXT("Browser Bookmarks|*.html;*.htm");
constexpr int64_t kReadFile = 1;
// The start of a file that tells a bookmark file from a catalogue.
constexpr int64_t kSampleBytes = 256 * 1024;
// The largest file imported: its lines take several times its size in memory.
constexpr int64_t kLargestFile = 256 * 1024 * 1024;
constexpr int32_t kReadPiece = 16 * 1024 * 1024;
constexpr int64_t kMostNameTries = 10000;

struct FileBytes {
  uint8_t* bytes = nullptr;
  size_t size = 0;
  FileBytes() = default;
  FileBytes(const FileBytes&) = delete;
  FileBytes& operator=(const FileBytes&) = delete;
  ~FileBytes() { Release(); }
  void Release() {
    mem_free(bytes);
    bytes = nullptr;
  }
};

enum class ReadProblem { None, Open, TooLarge, Memory };

// The file's bytes, at most `most` of them when `whole` is false; a file
// larger than `most` is refused when it is true.
ReadProblem ReadFileBytes(const WCHAR* path, int64_t most, bool whole, FileBytes* out, uint32_t* error) {
  if (!file_open_read(kReadFile, path)) {
    *error = file_last_error();
    return ReadProblem::Open;
  }
  int64_t size = file_size(kReadFile);
  ReadProblem problem = size < 0 ? ReadProblem::Open : ReadProblem::None;
  if (size > most && whole) problem = ReadProblem::TooLarge;
  if (size > most) size = most;
  if (problem == ReadProblem::None) {
    out->bytes = static_cast<uint8_t*>(mem_alloc(static_cast<size_t>(size) + 1));
    if (!out->bytes) problem = ReadProblem::Memory;
  }
  FileObject* file = file_object(kReadFile);
  for (int64_t got = 0; problem == ReadProblem::None && got < size;) {
    const int32_t piece = size - got < kReadPiece ? static_cast<int32_t>(size - got) : kReadPiece;
    const int32_t read = file_read_bytes(file, out->bytes + got, piece);
    got += read;
    out->size = static_cast<size_t>(got);
    if (read < piece) break;  // the file got shorter meanwhile: what it held is read
  }
  *error = file_last_error();
  file_close(kReadFile);
  return problem;
}

// Browsers write UTF-8; a file saved again by an editor as UTF-16 is told by its byte-order mark.
bool HasUtf16Mark(const FileBytes& file) {
  constexpr uint8_t kLittle[] = {0xFF, 0xFE}, kBig[] = {0xFE, 0xFF};
  if (file.size < 2) return false;
  return (file.bytes[0] == kLittle[0] && file.bytes[1] == kLittle[1]) ||
         (file.bytes[0] == kBig[0] && file.bytes[1] == kBig[1]);
}

void RefuseImport(const WCHAR* path, const WCHAR* reason) {
  Joined message(TEXT("Couldn't import the file  "), path, TEXT("\r\n"), reason);
  req_message_ok(kImportCaption, message);
  SetStatus(TEXT("  "), path, TEXT("  NOT IMPORTED !"));
}

void RefuseUnreadFile(const WCHAR* path, ReadProblem problem, uint32_t error) {
  LocalText reason;
  if (problem == ReadProblem::Open) {
    const int32_t saved = text_stack_top();
    file_error_text(error, saved);
    KeepText(&reason.value, saved);
  } else if (problem == ReadProblem::TooLarge) {
    text_assign(&reason.value, TEXT("It is larger than 256 MB, the most a bookmark file may be."));
  } else {
    text_assign(&reason.value, TEXT("There is not enough memory to import it."));
  }
  RefuseImport(path, reason);
}

void RefuseCharset(const WCHAR* path, ByteSpan charset) {
  constexpr size_t kShown = 40;
  WCHAR name[kShown + 1] = {};
  for (size_t i = 0; i < charset.size && i < kShown; ++i) name[i] = charset.at[i] < 0x80 ? charset.at[i] : '?';
  Joined reason(TEXT("Its text is in the character set \""), name,
                TEXT("\", which Webrolo does not read: export the bookmarks again in UTF-8."));
  RefuseImport(path, reason);
}

// The first name "NAME.txt", "NAME (2).txt", ... whose catalogue and page are
// both new in the current directory, NAME being the bookmark file's name
// without its ending; the names derived from it are set as for an opened catalogue.
void NameTheCatalogue(const WCHAR* path) {
  LocalText base;
  const int32_t saved = text_stack_top();
  file_leaf_name(path, saved);
  KeepText(&base.value, saved);
  int64_t length = text_length(base);
  for (int64_t i = length - 1; i > 0; --i) {
    if (base.value[i] == '.') {
      base.value[i] = 0;
      break;
    }
  }
  for (int64_t n = 1; n <= kMostNameTries; ++n) {
    if (n == 1) DeriveCatalogueNames(Joined(base, TEXT(".txt")));
    else DeriveCatalogueNames(Joined(base, TEXT(" ("), n, TEXT(").txt")));
    if (!file_exists(TxtFileName) && !file_exists(HtmlFileName)) return;
  }
}

void PushCount(int64_t count, const WCHAR* what) {
  text_from_int(count, text_stack_top());
  text_push(what);
}

void ShowImported(const BookmarkLines& lines, const WCHAR* path) {
  static const WCHAR* const kReasons[kSkipReasons] = {
      TEXT(" place:"), TEXT(" javascript:"),      TEXT(" data:"),
      TEXT(" about:"), TEXT(" chrome: or edge:"), TEXT(" without an address")};
  const int32_t saved = text_stack_top();
  PushCount(lines.count, TEXT(" links in "));
  PushCount(lines.menus, TEXT(" menus from "));
  file_leaf_name(path, text_stack_top());
  int64_t skipped = 0;
  for (int64_t count : lines.skipped) skipped += count;
  if (skipped) {
    text_push(TEXT(" ; skipped "));
    PushCount(skipped, TEXT(":"));
  }
  for (int reason = 0, listed = 0; reason < kSkipReasons; ++reason) {
    if (!lines.skipped[reason]) continue;
    text_push(listed++ ? TEXT(", ") : TEXT(" "));
    PushCount(lines.skipped[reason], kReasons[reason]);
  }
  if (lines.duplicates) {
    text_push(TEXT(" ; "));
    PushCount(lines.duplicates, TEXT(" duplicate lines kept once"));
  }
  if (lines.cut_short) text_push(TEXT(" ; the file ends inside a tag"));
  LocalText text;
  KeepText(&text.value, saved);
  SetStatus(TEXT("Imported "), text);
}

// The imported lines are a new catalogue not yet on the disk: a new history
// starts, with nothing saved to undo back to.
void FillTheList(const BookmarkLines& lines) {
  FileSaved = 0;
  LinkStartHistory();
  for (int64_t n = 0; n < lines.count; ++n) {
    win_busy_step();
    const int32_t saved = text_stack_top();
    LinkAppendLoaded(BookmarkLineText(lines, n, saved));
    text_stack_cut(saved);
  }
}

// A path with "\\" between its folders, wherever it had "/".
void Slashed(const WCHAR* path, TextVar* into) {
  text_assign(into, path);
  for (WCHAR* p = *into; p && *p; ++p) {
    if (*p == '/') *p = '\\';
  }
}

bool SamePath(const WCHAR* a, const WCHAR* b) {
  LocalText slashed_a, slashed_b;
  Slashed(a, &slashed_a.value);
  Slashed(b, &slashed_b.value);
  return SameFileName(slashed_a, slashed_b);
}

// False, after a box that says why, for the catalogue's own file and its page.
bool ExportNameUsable(const WCHAR* path) {
  if (text_length(TxtFileName) == 0) return true;
  const WCHAR* what = nullptr;
  if (SamePath(path, Joined(CurrentDir, TxtFileName))) what = TEXT("\" : it is the catalogue itself.");
  else if (SamePath(path, Joined(CurrentDir, HtmlFileName))) what = TEXT("\" : it is the catalogue's page.");
  if (!what) return true;
  Joined message(TEXT("Can't export to \""), path, what);
  req_message_ok(kExportCaption, message);
  return false;
}

// The backup beside the file: "-BK" before its ending ("links-bookmarks-BK.html").
void BackupName(const WCHAR* path, TextVar* into) {
  const int64_t length = text_length(path);
  int64_t dot = length;
  for (int64_t i = length - 1; i > 0 && path[i] != '/' && path[i] != '\\'; --i) {
    if (path[i] == '.' && path[i - 1] != '/' && path[i - 1] != '\\') {
      dot = i;
      break;
    }
  }
  const int32_t saved = text_stack_top();
  text_stack_put(path, dot, saved);
  text_push(TEXT("-BK"));
  text_push(path + dot);
  text_pop_into(into, saved);
}

WCHAR* CatalogueLine(int64_t index, int32_t offset) { return gadget_item_text(ListViewLinks, index, offset); }

bool WriteBookmarkFile(const WCHAR* path) {
  BusySpan busy;
  LocalText backup, leaf;
  BackupName(path, &backup.value);
  const int32_t saved = text_stack_top();
  file_leaf_name(path, saved);
  KeepText(&leaf.value, saved);
  BookmarkPlan plan;
  if (!PlanBookmarkFile(LineSource{gadget_item_count(ListViewLinks), CatalogueLine}, std::time(nullptr), &plan)) {
    req_message_ok(kExportCaption, TEXT("There is not enough memory to export the list."));
    SetStatus(TEXT("  "), leaf, TEXT("  NOT EXPORTED !"));
    return false;
  }
  SafeWriteFailure failure;
  // UTF-8 as its <META> says, without a byte-order mark, which the format's readers do not expect.
  const bool written = WriteWithBackup(path, backup, BookmarkFileLines(&plan), FILE_FORMAT_UTF8, &failure, false);
  if (written) {
    const int32_t at = text_stack_top();
    PushCount(plan.links, TEXT(" links in "));
    PushCount(plan.menus, TEXT(" menus to "));
    text_push(leaf);
    if (plan.left_out) {
      text_push(TEXT(" ; left out "));
      PushCount(plan.left_out, TEXT(" lines without three []"));
    }
    LocalText text;
    KeepText(&text.value, at);
    SetStatus(TEXT("Exported "), text);
  } else {
    ShowWriteFailure(kExportCaption, failure);
    SetStatus(TEXT("  "), leaf, TEXT("  NOT EXPORTED !"));
  }
  FreeBookmarkPlan(&plan);
  return written;
}

}  // namespace

// The export's default name: the catalogue's with "-bookmarks.html" in place of ".txt".
void DefaultExportName(TextVar* into) {
  const WCHAR* catalogue = text_length(TxtFileName) ? TxtFileName : TEXT("Webrolo.txt");
  const int64_t length = text_length(catalogue);
  const bool txt = length > 4 && text_find(catalogue, TEXT(".txt"), length - 3, TEXT_IGNORE_CASE) == length - 3;
  const int32_t saved = text_stack_top();
  text_stack_put(catalogue, txt ? length - 4 : length, saved);
  text_push(TEXT("-bookmarks.html"));
  text_pop_into(into, saved);
}

bool IsBookmarkFile(const WCHAR* path) {
  FileBytes start;
  uint32_t error = 0;
  if (ReadFileBytes(path, kSampleBytes, false, &start, &error) != ReadProblem::None) return false;
  return LooksLikeBookmarkFile(start.bytes, start.size);
}

bool ImportBookmarkFile(const WCHAR* path) {
  BusySpan busy;
  FileBytes file;
  uint32_t error = 0;
  const ReadProblem unread = ReadFileBytes(path, kLargestFile, true, &file, &error);
  if (unread != ReadProblem::None) {
    RefuseUnreadFile(path, unread, error);
    return false;
  }
  BookmarkLines lines;
  ByteSpan charset;
  const ImportProblem problem = ReadBookmarkLines(file.bytes, file.size, &lines, &charset);
  if (problem == ImportProblem::Charset) RefuseCharset(path, charset);
  if (problem == ImportProblem::Memory) RefuseUnreadFile(path, ReadProblem::Memory, 0);
  if (problem != ImportProblem::None) return false;
  file.Release();  // the lines hold all of it now
  FillTheList(lines);
  NameTheCatalogue(path);
  gadget_set_text(InputFileTxt, TxtFileName);
  gadget_set_text(OutputFileTxt, HtmlFileName);
  ShowLinkCount();
  ShowImported(lines, path);
  FreeBookmarkLines(&lines);
  return true;
}

void ImportBookmarks() {
  if (!KeepUnsavedLinks(TEXT("importing bookmarks"))) return;
  const int32_t saved = text_stack_top();
  file_current_dir(saved);
  text_pop_into(&CurrentDir, saved);
  req_open_file(TEXT("Select Your Browser Bookmarks File"), CurrentDir, kBookmarkPattern, 0, saved);
  LocalText path;
  KeepText(&path.value, saved);
  if (text_length(path) == 0) {
    text_assign(&LastAction, TEXT("ImportBookmarks"));
    return;  // cancelled: the list stays as it was
  }
  // A file that cannot be read is refused for what the system says, not as "not a bookmark file".
  FileBytes start;
  uint32_t error = 0;
  const ReadProblem unread = ReadFileBytes(path, kSampleBytes, false, &start, &error);
  if (unread != ReadProblem::None) {
    RefuseUnreadFile(path, unread, error);
  } else if (HasUtf16Mark(start)) {
    RefuseImport(path,
                 TEXT("Its text is in UTF-16, which Webrolo does not read as bookmarks: export them again in UTF-8."));
  } else if (LooksLikeBookmarkFile(start.bytes, start.size)) {
    start.Release();
    ImportBookmarkFile(path);
  } else {
    RefuseImport(path, TEXT("It is not a browser bookmark file."));
  }
  text_assign(&LastAction, TEXT("ImportBookmarks"));
}

bool ExportBookmarksTo(const WCHAR* path) { return ExportNameUsable(path) && WriteBookmarkFile(path); }

void ExportBookmarks() {
  if (gadget_item_count(ListViewLinks) == 0) {
    req_message_ok(kExportCaption, TEXT("The list is empty: there is nothing to export."));
  } else {
    const int32_t saved = text_stack_top();
    file_current_dir(saved);
    text_pop_into(&CurrentDir, saved);
    LocalText name, path;
    DefaultExportName(&name.value);
    req_save_file(TEXT("Export as Browser Bookmarks"), Joined(CurrentDir, name), kBookmarkPattern, 0, saved);
    KeepText(&path.value, saved);
    if (text_length(path)) ExportBookmarksTo(path);
  }
  text_assign(&LastAction, TEXT("ExportBookmarks"));
}
