// Figures of the program's own actions on a big catalogue, measured on the
// program's real handlers in a scratch folder on the headless display, next
// to two plain peers (peer_cpp, peer_python.py) doing open, build and save on
// the same file, whose page and catalogue must come out byte for byte the
// same as the program's.
//   app_bench [--links N] [--keep]   (default 1,000,000 links; --keep leaves the scratch folder)
// The bench sets LC_ALL=C first, so the ANSI code page is Windows-1252 on
// every machine: the page is ASCII with character references and the saved
// catalogue, which holds characters beyond Windows-1252, is UTF-8 with its mark.
#include <algorithm>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <sys/resource.h>

#include "app/link_history.h"
#include "app/state.h"
#include "bench/app_bench_bookmarks.h"
#include "bench/app_bench_catalogue.h"
#include "bench/app_bench_peers.h"
#include "bench/app_bench_text.h"
#include "desktop/proc.h"
#include "desktop/req.h"
#include "gui/window.h"
#include "platform/win32/display/headless_driver.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kRepeats = 20;     // add, delete, undo, find and repaint: the median of this many
constexpr int kChildStarts = 5;  // first frame: the median of this many starts
const char kCatalogue[] = "Webrolo.txt";
const char kPage[] = "Webrolo.html";
const char kHeader[] = "Webrolo_HtmlHdr.txt";

double seconds_since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

double median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

double resident_mb() {
  std::ifstream status("/proc/self/status");
  std::string word;
  while (status >> word) {
    if (word == "VmRSS:") {
      double kb = 0;
      status >> kb;
      return kb / 1024;
    }
  }
  return 0;
}

std::u16string g_catalogue_path;

// The open requester answered at once with the catalogue, as if the user had picked it.
BOOL pick_catalogue(OPENFILENAMEW* dialog, int mode) {
  if (mode != 0 || g_catalogue_path.size() + 1 > dialog->nMaxFile) return FALSE;
  std::copy(g_catalogue_path.begin(), g_catalogue_path.end(), dialog->lpstrFile);
  dialog->lpstrFile[g_catalogue_path.size()] = 0;
  return TRUE;
}

std::string gadget_text(int64_t gadget) {
  const int32_t saved = text_stack_top();
  std::string text = u8(gadget_get_text(gadget, saved));
  text_stack_cut(saved);
  return text;
}

void pump() {
  while (headless::pump() > 0) {
  }
}

bool painted() { return headless::pixel(win_handle(MainWindow), 1, 1) != CLR_INVALID; }

// What went wrong on the way; any of it makes the run fail.
std::vector<std::string> g_problems;

void expect(bool holds, const std::string& what) {
  if (!holds) g_problems.push_back(what);
}

// The child that first_frame starts: the program's start-up and first paint, then its resident memory.
int first_frame_child() {
  StartUp();
  pump();
  std::printf("painted %.4f\n", painted() ? resident_mb() : -1.0);
  std::fflush(stdout);
  ShutDownLibraries();
  ShutDownRuntime();
  return 0;
}

struct ChildFigures {
  double first_frame = 0;
  double rss_mb = 0;
};

// From starting the child to its word that the window is painted, the median of several starts.
ChildFigures start_children(const std::string& folder) {
  std::vector<double> times, memory;
  const std::u16string self = w16(fs::read_symlink("/proc/self/exe").string());
  for (int k = 0; k < kChildStarts; ++k) {
    Clock::time_point start = Clock::now();
    int64_t started = proc_run(wide(self), TEXT("--first-frame"), wide(w16(folder)), PROC_OPEN | PROC_READ, nullptr);
    if (!started) break;
    auto* child = reinterpret_cast<ProcessRecord*>(started);
    std::string said;
    char buffer[256];
    DWORD got = 0;
    while (said.find('\n') == std::string::npos && ReadFile(child->output_pipe, buffer, sizeof buffer, &got, nullptr) &&
           got > 0) {
      said.append(buffer, got);
    }
    const double took = seconds_since(start);
    WaitForSingleObject(child->process, INFINITE);
    double rss = -1;
    if (std::sscanf(said.c_str(), "painted %lf", &rss) == 1 && rss > 0) {
      times.push_back(took);
      memory.push_back(rss);
    }
  }
  expect(times.size() == kChildStarts, "the started program did not always paint its window");
  return ChildFigures{median(times), median(memory)};
}

// Wall seconds of an action, its processor seconds (on a busy machine, what
// the action itself took), and of those the seconds in the program itself:
// the system's part (clearing fresh memory, writing files) varies with the
// machine's state far more than the program's own.
struct Timing {
  double wall = 0, cpu = 0, user = 0;
};

struct OurFigures {
  Timing open, build, save;
  double add = 0, remove = 0, undo = 0, find_last = 0, repaint = 0;
  double rss_after_build = 0;
  double undo_history_mb = 0;  // what the history holds after every line of the list was deleted
  double cli_build = 0;        // webrolo --build on the same catalogue, started as a script starts it
};

double cpu_seconds() { return static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }
double user_seconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec) + static_cast<double>(usage.ru_utime.tv_usec) / 1e6;
}

template <typename Action>
Timing timed(Action action) {
  const Clock::time_point start = Clock::now();
  const double cpu = cpu_seconds(), user = user_seconds();
  action();
  return Timing{seconds_since(start), cpu_seconds() - cpu, user_seconds() - user};
}

void open_build_save(int64_t links, OurFigures* ours) {
  req_set_file_dialog_routine(pick_catalogue);
  ours->open = timed(OpenBtn_Clicked);
  expect(gadget_text(LinkCountTxt) == std::to_string(links), "open: the count shows " + gadget_text(LinkCountTxt));
  expect(gadget_text(StatusTxt) == std::string("  ") + kCatalogue + " ... Open And Loaded",
         "open: the status says " + gadget_text(StatusTxt));
  pump();

  ours->build = timed(BuildHtmlPage);
  expect(gadget_text(StatusTxt).rfind(std::string("Builded  ") + kPage, 0) == 0,
         "build: the status says " + gadget_text(StatusTxt));
  pump();
  ours->rss_after_build = resident_mb();

  ours->save = timed(SaveFileBtn_Clicked);
  expect(gadget_text(StatusTxt) == "  Webrolo.txt  and  Webrolo-BK.txt  SAVED !",
         "save: the status says " + gadget_text(StatusTxt));
  pump();

  std::string cli_error;
  ours->cli_build = time_command_build(WEBROLO_PROGRAM, fs::current_path().string(), kCatalogue, &cli_error);
  expect(cli_error.empty(), cli_error);
}

bool ends_with(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// Every line of the list kept as a delete step, as deleting them all would keep them; the lines stay in the list.
void history_of_deleting_all(OurFigures* ours) {
  LinkHistory history;
  const int64_t count = gadget_item_count(ListViewLinks);
  for (int64_t i = 0; i < count; ++i) {
    const int32_t saved = text_stack_top();
    const bool kept = history.push(LinkHistory::Kind::Remove, 0, gadget_item_text(ListViewLinks, i, saved));
    text_stack_cut(saved);
    if (!kept) return expect(false, "undo history: out of memory");
  }
  ours->undo_history_mb = static_cast<double>(history.bytes_held()) / (1024 * 1024);
}

void edit_and_find(const MadeCatalogue& made, OurFigures* ours) {
  std::vector<double> adds, removes, undos, finds, repaints;
  for (int k = 0; k < kRepeats; ++k) {
    // A new link in the first menu: its sorted place is near the top, behind which every line moves.
    gadget_set_text(MenuNameTxt, wide(made.first_menu));
    gadget_set_text(LinkTitleTxt, wide(w16("Bench added link " + std::to_string(k))));
    gadget_set_text(LinkAddressTxt, wide(w16("https://example.org/bench/added/" + std::to_string(k))));
    Clock::time_point start = Clock::now();
    AddLink();
    adds.push_back(seconds_since(start));
    expect(ends_with(gadget_text(StatusTxt), "   ADDED !"), "add: the status says " + gadget_text(StatusTxt));
    pump();
  }
  for (int k = 0; k < kRepeats; ++k) {
    gadget_set_state(ListViewLinks, 1);
    ListEventType = GADGET_TYPE_LEFT_CLICK;
    ListViewLinks_Clicked();
    Clock::time_point start = Clock::now();
    DeleteLink();
    removes.push_back(seconds_since(start));
    expect(ends_with(gadget_text(StatusTxt), "  DELETED !"), "delete: the status says " + gadget_text(StatusTxt));
    pump();
  }
  // The deletes undone, last first: each line goes back in at the top, behind which every line moves.
  for (int k = 0; k < kRepeats; ++k) {
    Clock::time_point start = Clock::now();
    UndoLinkChange();
    undos.push_back(seconds_since(start));
    expect(gadget_text(StatusTxt).rfind("Undone: Delete Link  ", 0) == 0,
           "undo: the status says " + gadget_text(StatusTxt));
    pump();
  }
  const int64_t last = gadget_item_count(ListViewLinks) - 1;
  for (int k = 0; k < kRepeats; ++k) {
    // Typing the search text starts a new search, as the field's event does.
    gadget_set_text(FindLinkTxt, wide(w16(made.last_marker)));
    text_assign(&LastAction, TEXT("FindLinkTxt"));
    Clock::time_point start = Clock::now();
    FindLink();
    finds.push_back(seconds_since(start));
    expect(gadget_get_state(ListViewLinks) == last, "find: the last line is not the one selected");
    pump();
  }
  gadget_set_state(ListViewLinks, last / 2);
  pump();
  HWND window = win_handle(MainWindow);
  for (int k = 0; k < kRepeats; ++k) {
    Clock::time_point start = Clock::now();
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    pump();
    repaints.push_back(seconds_since(start));
  }
  ours->add = median(adds);
  ours->remove = median(removes);
  ours->undo = median(undos);
  ours->find_last = median(finds);
  ours->repaint = median(repaints);
}

void print_peered(const char* name, double ours, const PeerFigures& cpp, const PeerFigures& python,
                  double PeerFigures::*job) {
  std::printf("%s: ours=%.4f", name, ours);
  if (cpp.ran) std::printf(" cpp=%.4f", cpp.*job);
  if (python.ran) std::printf(" python=%.4f", python.*job);
  std::printf("\n");
}

// A folder of this run's own: the temporary folder may be shared with benches
// whose process numbers repeat ours (another namespace, an old --keep), and
// one run's clean-up must not take away another's catalogue.
fs::path make_scratch_folder() {
  fs::path folder;
  for (int attempt = 0; folder.empty() || !fs::create_directory(folder); ++attempt) {
    folder = fs::temp_directory_path() /
             ("app_bench-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(attempt));
  }
  return folder;
}

void print_figures(const OurFigures& ours, const ChildFigures& child, const MadeCatalogue& made, const PeerFigures& cpp,
                   const PeerFigures& python) {
  print_peered("open", ours.open.wall, cpp, python, &PeerFigures::open);
  print_peered("build", ours.build.wall, cpp, python, &PeerFigures::build);
  print_peered("save", ours.save.wall, cpp, python, &PeerFigures::save);
  std::printf("cli_build: ours=%.4f\n", ours.cli_build);
  std::printf("add: ours=%.4f\n", ours.add);
  std::printf("delete: ours=%.4f\n", ours.remove);
  std::printf("undo: ours=%.4f\n", ours.undo);
  std::printf("find_last: ours=%.4f\n", ours.find_last);
  std::printf("repaint: ours=%.4f\n", ours.repaint);
  std::printf("first_frame: ours=%.4f\n", child.first_frame);
  std::printf("rss_mb_empty: ours=%.4f\n", child.rss_mb);
  std::printf("rss_mb_after_build: ours=%.4f\n", ours.rss_after_build);
  std::printf("undo_history_mb: ours=%.4f\n", ours.undo_history_mb);
  std::printf("catalogue_mb: ours=%.4f\n", static_cast<double>(made.bytes) / (1024 * 1024));
  std::printf("# processor time of ours: open %.4f, build %.4f, save %.4f\n", ours.open.cpu, ours.build.cpu,
              ours.save.cpu);
  if (cpp.ran && cpp.build_cpu >= 0) {
    std::printf("# processor time of cpp: open %.4f, build %.4f, save %.4f\n", cpp.open_cpu, cpp.build_cpu,
                cpp.save_cpu);
  }
  std::printf("# of that in the program itself, ours: open %.4f, build %.4f, save %.4f\n", ours.open.user,
              ours.build.user, ours.save.user);
  if (cpp.ran && cpp.build_user >= 0) {
    std::printf("# of that in the program itself, cpp: open %.4f, build %.4f, save %.4f\n", cpp.open_user,
                cpp.build_user, cpp.save_user);
  }
}

void print_bookmark_figures(const BookmarkFigures& bookmarks) {
  std::printf("import: ours=%.4f\n", bookmarks.import_seconds);
  std::printf("export: ours=%.4f\n", bookmarks.export_seconds);
  std::printf(
      "# import: %lld links, a bookmark file of %.1f MB; export: the catalogue open; processor time: "
      "import %.4f, export %.4f\n",
      static_cast<long long>(bookmarks.links), bookmarks.file_mb, bookmarks.import_cpu, bookmarks.export_cpu);
}

void copy_resource(const fs::path& folder, const char* name) {
  std::error_code error;
  fs::copy_file(fs::path(WEBROLO_SOURCE_DIR) / "app" / "res" / name, folder / name, error);
  expect(!error, std::string("could not copy ") + name + ": " + error.message());
}

}  // namespace

int main(int argc, char** argv) {
  // Before anything asks for the ANSI code page: Windows-1252 wherever the bench runs.
  setenv("LC_ALL", "C", 1);
  if (argc == 2 && std::strcmp(argv[1], "--first-frame") == 0) return first_frame_child();
  int64_t links = 1000000;
  bool keep = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--links") == 0 && i + 1 < argc) {
      links = std::atoll(argv[++i]);
    } else if (std::strcmp(argv[i], "--keep") == 0) {
      keep = true;
    } else {
      std::fprintf(stderr, "usage: app_bench [--links N] [--keep]\n");
      return 2;
    }
  }
  if (links < 10) links = 10;

  const fs::path folder = make_scratch_folder();
  fs::current_path(folder);
  copy_resource(folder, kHeader);
  copy_resource(folder, "Webrolo48x48.ico");
  const MadeCatalogue made = make_catalogue(kCatalogue, links);
  if (made.lines != links) {
    std::fprintf(stderr, "app_bench: could not write the catalogue in %s\n", folder.string().c_str());
    return 1;
  }
  g_catalogue_path = w16((folder / kCatalogue).string());
  std::printf("# %lld links, %lld of them beyond ASCII, in %s; LC_ALL=C: ANSI code page Windows-1252\n",
              static_cast<long long>(links), static_cast<long long>(made.non_ascii_lines), folder.string().c_str());
  std::fflush(stdout);

  StartUp();
  pump();
  // The peers first, on the catalogue as made; ours then opens the same file.
  const PeerFigures cpp = run_peer(WEBROLO_PEER_CPP, "", folder.string(), kCatalogue, kHeader, kPage, "peer-cpp");
  const PeerFigures python = run_peer(WEBROLO_PYTHON, WEBROLO_PEER_PYTHON, folder.string(), kCatalogue, kHeader, kPage,
                                      "peer-python");
  expect(cpp.ran, "cpp: " + cpp.error);
  expect(python.ran, "python: " + python.error);
  const ChildFigures child = start_children(folder.string());

  OurFigures ours;
  open_build_save(links, &ours);
  edit_and_find(made, &ours);
  history_of_deleting_all(&ours);
  // The catalogue as a bookmark file, then a browser's file of a fifth as many links in its place.
  const BookmarkFigures bookmarks = bench_bookmarks(gadget_item_count(ListViewLinks), links / 5, &g_problems);

  print_figures(ours, child, made, cpp, python);
  print_bookmark_figures(bookmarks);

  for (const char* peer : {"peer-cpp", "peer-python"}) {
    for (const char* kind : {".html", ".txt"}) {
      const std::string ours_file = kind == std::string(".html") ? kPage : kCatalogue;
      const std::string difference = compare_files(ours_file, std::string(peer) + kind);
      expect(difference.empty(), difference);
    }
  }
  const bool identical = std::none_of(g_problems.begin(), g_problems.end(), [](const std::string& problem) {
    return problem.find(" differs from ") != std::string::npos;
  });
  if (identical && cpp.ran && python.ran)
    std::printf("identical: the page and the saved catalogue of cpp and python are byte for byte ours\n");
  for (const std::string& problem : g_problems) std::printf("FAILED: %s\n", problem.c_str());

  ShutDownLibraries();
  ShutDownRuntime();
  fs::current_path(folder.parent_path());
  if (!keep) fs::remove_all(folder);
  return g_problems.empty() ? 0 : 1;
}
