#include "bench/app_bench_bookmarks.h"

#include <chrono>
#include <ctime>
#include <filesystem>
#include <fstream>

#include "app/bookmarks.h"
#include "app/state.h"
#include "bench/app_bench_text.h"
#include "desktop/req.h"

namespace {

using Clock = std::chrono::steady_clock;

const char kBookmarkFile[] = "bench-bookmarks.html";
const char kExportFile[] = "Webrolo-bookmarks.html";

// xorshift64*: the same file from the same seed on every machine.
class Draw {
 public:
  uint64_t next() {
    state_ ^= state_ >> 12, state_ ^= state_ << 25, state_ ^= state_ >> 27;
    return state_ * 0x2545F4914F6CDD1Dull;
  }
  int below(int n) { return static_cast<int>(next() % static_cast<uint64_t>(n)); }
  int between(int low, int high) { return low + below(high - low + 1); }

 private:
  uint64_t state_ = 0x5EED0B00C3A2C5ull;
};

const char* const kSyllables[] = {"ka", "lo", "mi", "ne", "ru", "ta", "so", "vi", "de", "pa", "gu", "ze", "bo", "xi"};
// Titles beyond ASCII now and then, and the references exporters write.
const char* const kSpecial[] = {"caf\xC3\xA9", "\xE2\x82\xAC", "&amp;", "&quot;x&quot;", "&#39;s", "\xF0\x9F\x98\x80"};

std::string word(Draw& draw) {
  std::string out;
  for (int n = draw.between(1, 4); n > 0; --n) out += kSyllables[draw.below(14)];
  return out;
}

std::string words(Draw& draw, int low, int high) {
  std::string out = word(draw);
  const int length = draw.between(low, high);
  while (static_cast<int>(out.size()) < length)
    out += (draw.below(50) ? " " + word(draw) : std::string(" ") + kSpecial[draw.below(6)]);
  return out;
}

void link(Draw& draw, int64_t n, const std::string& indent, std::string* out) {
  const std::string date = std::to_string(1500000000 + n * 7);
  std::string address = "https://" + word(draw) + ".example/" + words(draw, 5, 40) + "/" + std::to_string(n);
  for (char& c : address) c = c == ' ' ? '-' : c == '&' ? '_' : c;
  if (draw.below(4) == 0) address += "?q=" + word(draw) + "&amp;page=" + std::to_string(draw.below(99));
  *out += indent + "<DT><A HREF=\"" + address + "\" ADD_DATE=\"" + date + "\"";
  if (draw.below(2) == 0) *out += " LAST_MODIFIED=\"" + date + "\"";
  if (draw.below(20) == 0) {
    // A favicon, as Firefox writes them: the bulk of a real export.
    *out += " ICON_URI=\"https://" + word(draw) + ".example/favicon.ico\" ICON=\"data:image/png;base64,";
    for (int i = draw.between(300, 1100); i > 0; --i)
      *out += "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/"[draw.below(64)];
    *out += "\"";
  }
  *out += ">" + words(draw, 10, 80) + "</A>\n";
  if (draw.below(8) == 0) *out += indent + "<DD>" + words(draw, 20, 120) + "\n";
  if (draw.below(40) == 0) *out += indent + "<HR>";
}

// Firefox's layout: folders in folders up to five deep, runs of 5 to 200
// links; a few links the import leaves out (place: queries, bookmarklets).
std::string make_bookmark_file(int64_t links) {
  Draw draw;
  std::string out =
      "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=UTF-8\">\n"
      "<TITLE>Bookmarks</TITLE>\n<H1>Bookmarks Menu</H1>\n\n<DL><p>\n";
  int depth = 0;
  for (int64_t n = 0; n < links;) {
    const std::string indent(static_cast<size_t>(4 * (depth + 1)), ' ');
    if (depth < 5 && draw.below(3) != 0) {
      out += indent + "<DT><H3 ADD_DATE=\"1500000000\" LAST_MODIFIED=\"1500000001\">" + words(draw, 4, 24) + "</H3>\n";
      out += indent + "<DL><p>\n";
      ++depth;
    }
    const std::string inner(static_cast<size_t>(4 * (depth + 1)), ' ');
    for (int run = draw.between(5, 200); run > 0 && n < links; --run) link(draw, n++, inner, &out);
    if (draw.below(50) == 0) out += inner + "<DT><A HREF=\"place:sort=8&maxResults=10\">Recent</A>\n";
    for (int up = draw.between(0, depth); up > 0; --up, --depth)
      out += std::string(static_cast<size_t>(4 * depth), ' ') + "</DL><p>\n";
  }
  for (; depth >= 0; --depth) out += std::string(static_cast<size_t>(4 * depth), ' ') + "</DL><p>\n";
  return out;
}

std::u16string g_answer;

// The file requesters answered at once, as if the user had picked the file.
BOOL pick(OPENFILENAMEW* dialog, int) {
  if (g_answer.size() + 1 > dialog->nMaxFile) return FALSE;
  std::copy(g_answer.begin(), g_answer.end(), dialog->lpstrFile);
  dialog->lpstrFile[g_answer.size()] = 0;
  return TRUE;
}

std::string status_text() {
  const int32_t saved = text_stack_top();
  std::string text = u8(gadget_get_text(StatusTxt, saved));
  text_stack_cut(saved);
  return text;
}

// Seconds of the clock, and of the processor in *cpu.
double timed(void (*action)(), double* cpu) {
  const Clock::time_point start = Clock::now();
  const std::clock_t started = std::clock();
  action();
  *cpu = static_cast<double>(std::clock() - started) / CLOCKS_PER_SEC;
  return std::chrono::duration<double>(Clock::now() - start).count();
}

}  // namespace

BookmarkFigures bench_bookmarks(int64_t catalogue_links, int64_t links, std::vector<std::string>* problems) {
  BookmarkFigures figures;
  figures.links = links;
  const std::filesystem::path folder = std::filesystem::current_path();
  req_set_file_dialog_routine(pick);

  g_answer = w16((folder / kExportFile).string());
  figures.export_seconds = timed(ExportBookmarks, &figures.export_cpu);
  const std::string exported = "Exported " + std::to_string(catalogue_links) + " links in ";
  if (status_text().rfind(exported, 0) != 0) problems->push_back("export: the status says " + status_text());

  const std::string file = make_bookmark_file(links);
  figures.file_mb = static_cast<double>(file.size()) / (1024 * 1024);
  std::ofstream(folder / kBookmarkFile, std::ios::binary) << file;
  g_answer = w16((folder / kBookmarkFile).string());
  FileSaved = 1;  // the bench's edits are not to be saved first
  figures.import_seconds = timed(OpenBtn_Clicked, &figures.import_cpu);
  const std::string imported = "Imported " + std::to_string(links) + " links in ";
  if (status_text().rfind(imported, 0) != 0) problems->push_back("import: the status says " + status_text());
  req_set_file_dialog_routine(nullptr);
  return figures;
}
