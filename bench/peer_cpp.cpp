// The plain C++ peer of the program's open, build and save: std::ifstream and
// getline, lines split at "[]" into vectors of strings, the same page lines
// with the same escaping, each file written with one buffered stream.
//   peer_cpp catalogue header page_name page_out catalogue_out
// Prints "open=S build=S save=S", the seconds each job took, then the
// processor seconds of each ("cpu_open=S ..."), which a busy machine leaves
// fair, and of those the seconds in the program itself ("user_open=S ...").
#include <chrono>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/resource.h>
#endif

namespace {

using Clock = std::chrono::steady_clock;
using Line = std::vector<std::string>;  // the pieces between the delimiters

const std::string kBom = "\xEF\xBB\xBF";

double seconds_since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }
double cpu_seconds() { return static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }
#ifdef _WIN32
double user_seconds() { return cpu_seconds(); }  // only the Linux bench asks for the split
#else
double user_seconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec) + static_cast<double>(usage.ru_utime.tv_usec) / 1e6;
}
#endif

void strip_cr(std::string& line) {
  if (!line.empty() && line.back() == '\r') line.pop_back();
}

Line split(const std::string& line) {
  Line pieces;
  size_t from = 0;
  for (size_t at; (at = line.find("[]", from)) != std::string::npos; from = at + 2)
    pieces.push_back(line.substr(from, at - from));
  pieces.push_back(line.substr(from));
  return pieces;
}

bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_hex(char c) { return is_digit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
bool is_letter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// Whether a character reference (&name; &#digits; &#xhex;) begins at text[at].
bool begins_reference(const std::string& text, size_t at) {
  size_t i = at + 1;
  bool (*allowed)(char) = nullptr;
  if (i + 1 < text.size() && text[i] == '#' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    i += 2, allowed = is_hex;
  } else if (i < text.size() && text[i] == '#') {
    i += 1, allowed = is_digit;
  } else if (i < text.size() && is_letter(text[i])) {
    allowed = [](char c) { return is_letter(c) || is_digit(c); };
  } else {
    return false;
  }
  size_t first = i;
  while (i < text.size() && allowed(text[i])) ++i;
  return i > first && i < text.size() && text[i] == ';';
}

void put_escaped(std::string& out, const std::string& field) {
  for (size_t i = 0; i < field.size(); ++i) {
    switch (field[i]) {
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '&': out += begins_reference(field, i) ? "&" : "&amp;"; break;
      default: out += field[i];
    }
  }
}

// The page is ASCII: every character beyond it (UTF-8 in, here) becomes a numeric character reference.
void put_line(std::ofstream& page, const std::string& line) {
  std::string out;
  for (size_t i = 0; i < line.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(line[i]);
    if (c < 0x80) {
      out += static_cast<char>(c);
      continue;
    }
    int more = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : 1;
    unsigned code = c & (0x3F >> more);
    for (int k = 0; k < more && i + 1 < line.size(); ++k) code = (code << 6) | (line[++i] & 0x3F);
    out += "&#" + std::to_string(code) + ";";
  }
  page << out << "\r\n";
}

void build(const std::vector<Line>& lines, const char* header_path, const std::string& page_name,
           const char* page_path) {
  std::ofstream page(page_path, std::ios::binary);
  std::ifstream header(header_path, std::ios::binary);
  std::string text;
  for (bool first = true; std::getline(header, text); first = false) {
    strip_cr(text);
    if (first && text.compare(0, 3, kBom) == 0) text.erase(0, 3);
    for (size_t at = 0; (at = text.find("ttt", at)) != std::string::npos; at += page_name.size())
      text.replace(at, 3, page_name);
    put_line(page, text);
  }
  const std::string select =
      "<select style=\"width:200px; font:14px Arial Black; color:rgb(0,0,0); background-color:rgb(231,169,126);\" "
      "name=\"menu\" onchange=\"window.open(this.value); window.location.reload();\">";
  const std::string* last_menu = nullptr;
  for (const Line& line : lines) {
    if (line.size() != 4) continue;
    if (!last_menu || *last_menu != line[0]) {
      if (last_menu) put_line(page, "</select>");
      put_line(page, select);
      std::string option = "  <option selected=\"0\" value=\"\">";
      put_escaped(option, line[0]);
      put_line(page, option + "</option>");
      last_menu = &line[0];
    }
    std::string option = "<option value=\"";
    put_escaped(option, line[2]);
    option += "\">";
    put_escaped(option, line[1]);
    put_line(page, option + "</option>");
  }
  put_line(page, "</select></td></tr></table><br></body></html>");
}

void save(const std::vector<Line>& lines, bool bom, const char* path) {
  std::ofstream out(path, std::ios::binary);
  if (bom) out << kBom;
  for (const Line& line : lines) {
    for (size_t k = 0; k < line.size(); ++k) out << (k ? "[]" : "") << line[k];
    out << "\r\n";
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 6) {
    std::fprintf(stderr, "usage: peer_cpp catalogue header page_name page_out catalogue_out\n");
    return 2;
  }
  Clock::time_point start = Clock::now();
  double cpu = cpu_seconds(), user = user_seconds();
  std::vector<Line> lines;
  bool bom = false;
  {
    std::ifstream in(argv[1], std::ios::binary);
    std::string text;
    while (std::getline(in, text)) {
      strip_cr(text);
      if (lines.empty() && text.compare(0, 3, kBom) == 0) {
        text.erase(0, 3);
        bom = true;
      }
      lines.push_back(split(text));
    }
  }
  double open = seconds_since(start), open_cpu = cpu_seconds() - cpu, open_user = user_seconds() - user;
  start = Clock::now();
  cpu = cpu_seconds(), user = user_seconds();
  build(lines, argv[2], argv[3], argv[4]);
  double built = seconds_since(start), build_cpu = cpu_seconds() - cpu, build_user = user_seconds() - user;
  start = Clock::now();
  cpu = cpu_seconds(), user = user_seconds();
  save(lines, bom, argv[5]);
  double saved = seconds_since(start), save_cpu = cpu_seconds() - cpu, save_user = user_seconds() - user;
  std::printf(
      "open=%.6f build=%.6f save=%.6f cpu_open=%.6f cpu_build=%.6f cpu_save=%.6f user_open=%.6f "
      "user_build=%.6f user_save=%.6f\n",
      open, built, saved, open_cpu, build_cpu, save_cpu, open_user, build_user, save_user);
  return 0;
}
