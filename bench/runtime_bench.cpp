// Figures for the runtime: reading a catalogue through the file library against
// std::getline + MultiByteToWideChar, one very long line, the link-line string
// operations and the element pools against malloc/free.
//   runtime_bench [lines]   (default 1,000,000 catalogue lines)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/win32.h"
#include "runtime/file.h"
#include "runtime/mem.h"
#include "runtime/text.h"

namespace {

using Clock = std::chrono::steady_clock;

double seconds_since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

const WCHAR* wide_name(const std::u16string& name) { return reinterpret_cast<const WCHAR*>(name.c_str()); }

// One catalogue line, ASCII, as wide text (zero-terminated, in the given room).
int make_line(int64_t i, WCHAR* out, int room) {
  char bytes[160];
  int n = snprintf(bytes, sizeof bytes, "Menu %lld[]Some link title %lld[]https://www.example.com/path/%lld[]",
                   static_cast<long long>(i % 1000), static_cast<long long>(i), static_cast<long long>(i));
  if (n >= room) n = room - 1;
  for (int k = 0; k < n; ++k) out[k] = static_cast<WCHAR>(bytes[k]);
  out[n] = 0;
  return n;
}

struct ReadFigures {
  double seconds = 0;
  int64_t lines = 0;
  int64_t units = 0;
};

ReadFigures read_ours(const std::u16string& name) {
  ReadFigures r;
  Clock::time_point start = Clock::now();
  if (!file_open_read(1, wide_name(name))) return r;
  int32_t format = file_read_bom(1);
  while (!file_at_end(1)) {
    int32_t top = text_stack_top();
    file_read_line(1, format, top);
    r.units += (text_stack_top() - top) / 2;  // the line's length, as the stack top says
    ++r.lines;
    text_stack_cut(top);
  }
  file_close(1);
  r.seconds = seconds_since(start);
  return r;
}

ReadFigures read_baseline(const std::filesystem::path& name, UINT code_page) {
  ReadFigures r;
  Clock::time_point start = Clock::now();
  std::ifstream in(name, std::ios::binary);
  std::string line;
  std::vector<WCHAR> wide;
  bool first = true;
  while (std::getline(in, line)) {
    size_t skip = 0;
    if (first && line.compare(0, 3, "\xEF\xBB\xBF") == 0) skip = 3;
    first = false;
    size_t length = line.size() - skip;
    if (length > 0 && line[line.size() - 1] == '\r') --length;
    int units = 0;
    if (length > 0) {
      units = MultiByteToWideChar(code_page, 0, line.data() + skip, static_cast<int>(length), nullptr, 0);
      if (wide.size() < static_cast<size_t>(units) + 1) wide.resize(static_cast<size_t>(units) + 1);
      units = MultiByteToWideChar(code_page, 0, line.data() + skip, static_cast<int>(length), wide.data(), units);
    }
    r.units += units;
    ++r.lines;
  }
  r.seconds = seconds_since(start);
  return r;
}

void bench_catalogue(const std::filesystem::path& dir, int64_t count) {
  struct Variant {
    const char* label;
    const char* leaf;
    int32_t format;
    UINT code_page;
  } variants[] = {{"ANSI", "catalogue-ansi.txt", FILE_FORMAT_ANSI, CP_ACP},
                  {"UTF-8 with BOM", "catalogue-utf8.txt", FILE_FORMAT_UTF8, CP_UTF8}};
  for (const Variant& v : variants) {
    std::filesystem::path path = dir / v.leaf;
    std::u16string name = path.u16string();
    Clock::time_point start = Clock::now();
    if (!file_create(0, wide_name(name))) {
      printf("cannot create %s\n", path.string().c_str());
      return;
    }
    if (v.format == FILE_FORMAT_UTF8) file_write_text(0, TEXT("\xFEFF"), FILE_FORMAT_UTF8);
    WCHAR line[160];
    for (int64_t i = 0; i < count; ++i) {
      make_line(i, line, 160);
      file_write_line(0, line, v.format);
    }
    int32_t lost = file_write_failed(0);
    file_close(0);
    double write_seconds = seconds_since(start);
    double mb = static_cast<double>(std::filesystem::file_size(path)) / 1e6;
    printf("(a) %s catalogue: %lld lines, %.1f MB, written with file_write_line in %.3f s (%.0f MB/s)%s\n", v.label,
           static_cast<long long>(count), mb, write_seconds, mb / write_seconds, lost ? " OUTPUT LOST" : "");

    ReadFigures ours = read_ours(name);
    ReadFigures base = read_baseline(path, v.code_page);
    printf("    file_read_line:                %.3f s  %7.0f MB/s  (%lld lines, %lld units)\n", ours.seconds,
           mb / ours.seconds, static_cast<long long>(ours.lines), static_cast<long long>(ours.units));
    printf("    std::getline + decode baseline %.3f s  %7.0f MB/s  (%lld lines, %lld units)\n", base.seconds,
           mb / base.seconds, static_cast<long long>(base.lines), static_cast<long long>(base.units));
    printf("    ours / baseline speed: %.2f %s\n", base.seconds / ours.seconds,
           ours.lines == base.lines && ours.units == base.units ? "(same lines and units)" : "(RESULTS DIFFER)");
    std::filesystem::remove(path);
  }
}

void bench_long_line(const std::filesystem::path& dir) {
  const int64_t size = 100 * 1000 * 1000;
  std::filesystem::path path = dir / "one-line.txt";
  {
    std::ofstream out(path, std::ios::binary);
    std::string block(1 << 20, 'x');
    for (int64_t done = 0; done < size; done += static_cast<int64_t>(block.size())) {
      out.write(block.data(), static_cast<std::streamsize>(std::min<int64_t>(size - done, block.size())));
    }
    out << "\r\n";
  }
  std::u16string name = path.u16string();
  Clock::time_point start = Clock::now();
  int64_t length = -1;
  bool at_end = false;
  if (file_open_read(1, wide_name(name))) {
    int32_t top = text_stack_top();
    length = text_length(file_read_line(1, FILE_FORMAT_ANSI, top));
    text_stack_cut(top);
    at_end = file_at_end(1) != 0;
    file_close(1);
  }
  double s = seconds_since(start);
  printf("(a) one 100 MB line: %.3f s (%.0f MB/s), length %lld %s\n", s, 100.0 / s, static_cast<long long>(length),
         length == size && at_end ? "(right)" : "(WRONG)");
  std::filesystem::remove(path);
}

// The link lines in memory, one zero-terminated text after another.
struct Lines {
  std::vector<WCHAR> units;
  std::vector<size_t> starts;
  const WCHAR* at(size_t i) const { return units.data() + starts[i]; }
};

Lines make_lines(int64_t count) {
  Lines lines;
  lines.units.reserve(static_cast<size_t>(count) * 80);
  WCHAR line[160];
  for (int64_t i = 0; i < count; ++i) {
    int n = make_line(i, line, 160);
    lines.starts.push_back(lines.units.size());
    lines.units.insert(lines.units.end(), line, line + n + 1);
  }
  return lines;
}

void bench_fields(const Lines& lines) {
  int64_t fields = 0;
  int64_t units = 0;
  Clock::time_point start = Clock::now();
  for (size_t i = 0; i < lines.starts.size(); ++i) {
    const WCHAR* line = lines.at(i);
    if (text_count(line, TEXT("[]")) != 3) continue;
    for (int32_t k = 1; k <= 3; ++k) {
      int32_t top = text_stack_top();
      units += text_length(text_field(line, k, TEXT("[]"), top));
      text_stack_cut(top);
      ++fields;
    }
  }
  double s = seconds_since(start);
  printf("(b) text_count + 3 x text_field on %zu lines: %.3f s, %.0f ns per line (%lld fields, %lld units)\n",
         lines.starts.size(), s, s * 1e9 / static_cast<double>(lines.starts.size()), static_cast<long long>(fields),
         static_cast<long long>(units));
}

void bench_find(const Lines& lines) {
  int64_t found = 0;
  Clock::time_point start = Clock::now();
  for (size_t i = 0; i < lines.starts.size(); ++i) {
    if (text_find(lines.at(i), TEXT("EXAMPLE.COM/PATH/12"), 1, TEXT_IGNORE_CASE)) ++found;
  }
  double s = seconds_since(start);
  printf("(c) text_find ignoring case on %zu lines: %.3f s, %.0f ns per line (%lld found)\n", lines.starts.size(), s,
         s * 1e9 / static_cast<double>(lines.starts.size()), static_cast<long long>(found));
}

template <typename Alloc, typename Free>
void pool_round(const char* label, size_t count, Alloc alloc, Free release) {
  std::vector<void*> blocks(count);
  Clock::time_point start = Clock::now();
  for (size_t i = 0; i < count; ++i) blocks[i] = alloc();
  for (size_t i = 0; i < count; ++i) release(blocks[i]);
  double bulk = seconds_since(start);
  // Interleaved: a working set of 1024 live elements, each round frees one and takes one.
  start = Clock::now();
  size_t live = count < 1024 ? count : 1024;
  for (size_t i = 0; i < live; ++i) blocks[i] = alloc();
  uint32_t state = 12345;
  for (size_t i = 0; i < count; ++i) {
    state = state * 1103515245u + 12345u;
    size_t k = (state >> 8) % live;
    release(blocks[k]);
    blocks[k] = alloc();
  }
  for (size_t i = 0; i < live; ++i) release(blocks[i]);
  double mixed = seconds_since(start);
  printf("(d) %-22s %zu x 56 bytes: alloc all + free all %.1f ns per pair; interleaved %.1f ns per pair\n", label,
         count, bulk * 1e9 / static_cast<double>(count), mixed * 1e9 / static_cast<double>(count));
}

void bench_pools(size_t count) {
  ElementPool* pool = mem_pool_new(56, 16, 65536, 0);
  if (!pool) {
    printf("(d) no pool\n");
    return;
  }
  pool_round(
      "mem_pool_alloc/free", count, [pool] { return mem_pool_alloc(pool); },
      [pool](void* e) { mem_pool_free(pool, e); });
  mem_pool_end(pool);
  pool_round(
      "malloc/free", count, [] { return malloc(56); }, [](void* e) { free(e); });
}

}  // namespace

int main(int argc, char** argv) {
  int64_t count = argc > 1 ? atoll(argv[1]) : 1000000;
  if (count < 1) count = 1;
  mem_heap_init();
  text_heap_init();
  file_library_init();

  std::filesystem::path dir = std::filesystem::temp_directory_path() / "webrolo-bench";
  std::filesystem::create_directories(dir);
  bench_catalogue(dir, count);
  bench_long_line(dir);
  std::filesystem::remove_all(dir);

  Lines lines = make_lines(count);
  bench_fields(lines);
  bench_find(lines);
  bench_pools(static_cast<size_t>(count));

  file_close_all();
  text_heap_end();
  mem_heap_end();
  return 0;
}
