// Filter lists, wildcards, folder listings and path arithmetic for the file
// dialogs. Folders are read with POSIX calls; a name that has no UTF-16
// spelling (not UTF-8 on disk) is left out of a listing.
#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>

#include "platform/win32/dialogs/filedlg_internal.h"
#include "platform/win32/kernel/paths.h"

namespace filedlg {

namespace {

Text fold(Text s) {
  if (!s.empty()) CharLowerW(s.data());
  return s;
}

Text trim(const Text& s) {
  size_t a = s.find_first_not_of(u' '), b = s.find_last_not_of(u' ');
  return a == Text::npos ? Text() : s.substr(a, b - a + 1);
}

bool stat_of(const Text& path, struct stat* st) {
  std::string utf8;
  if (!utf16_to_utf8(path.data(), path.size(), &utf8) || utf8.empty()) return false;
  return stat(utf8.c_str(), st) == 0;
}

// Matching with backtracking to the last "*": linear in practice, never exponential.
bool match_folded(const Text& p, const Text& s) {
  size_t i = 0, j = 0, star = Text::npos, resume = 0;
  while (j < s.size()) {
    if (i < p.size() && (p[i] == u'?' || p[i] == s[j])) {
      ++i, ++j;
    } else if (i < p.size() && p[i] == u'*') {
      star = i++;
      resume = j;
    } else if (star != Text::npos) {
      i = star + 1;
      j = ++resume;
    } else {
      return false;
    }
  }
  while (i < p.size() && p[i] == u'*') ++i;
  return i == p.size();
}

}  // namespace

Filter filter_of(const Text& patterns) {
  Filter f;
  size_t start = 0;
  while (start <= patterns.size()) {
    size_t end = patterns.find(u';', start);
    if (end == Text::npos) end = patterns.size();
    Text one = trim(patterns.substr(start, end - start));
    if (!one.empty()) f.patterns.push_back(one);
    start = end + 1;
  }
  return f;
}

std::vector<Filter> parse_filters(LPCWSTR list) {
  std::vector<Filter> out;
  if (!list) return out;
  const WCHAR* p = list;
  while (*p) {
    Text description = p;
    p += description.size() + 1;
    if (!*p) break;  // a description without its wildcards ends the list
    Text patterns = p;
    p += patterns.size() + 1;
    Filter f = filter_of(patterns);
    f.description = description;
    out.push_back(f);
  }
  return out;
}

bool wildcard_match(const Text& pattern, const Text& name) {
  if (pattern == u"*.*" || pattern == u"*") return true;
  return match_folded(fold(pattern), fold(name));
}

bool matches(const Filter& filter, const Text& name) {
  if (filter.patterns.empty()) return true;
  for (const Text& p : filter.patterns)
    if (wildcard_match(p, name)) return true;
  return false;
}

bool has_wildcard(const Text& name) { return name.find_first_of(u"*?") != Text::npos; }

std::vector<Entry> list_folder(const Text& folder, const Filter* filter) {
  std::vector<Entry> folders, files;
  std::string path;
  if (!utf16_to_utf8(folder.data(), folder.size(), &path)) return {};
  if (DIR* dir = opendir(path.c_str())) {
    while (dirent* e = readdir(dir)) {
      std::string name = e->d_name;
      if (name.empty() || name[0] == '.') continue;
      Text wide;
      if (!utf8_to_utf16(name.data(), name.size(), &wide)) continue;
      struct stat st;
      bool is_dir = stat((path + (path == "/" ? "" : "/") + name).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
      if (is_dir) folders.push_back(Entry{wide, true});
      else if (!filter || matches(*filter, wide)) files.push_back(Entry{wide, false});
    }
    closedir(dir);
  }
  auto by_name = [](const Entry& a, const Entry& b) {
    Text fa = fold(a.name), fb = fold(b.name);
    return fa != fb ? fa < fb : a.name < b.name;
  };
  std::sort(folders.begin(), folders.end(), by_name);
  std::sort(files.begin(), files.end(), by_name);
  std::vector<Entry> out;
  if (normalize(folder) != u"/") out.push_back(Entry{u"..", true});
  out.insert(out.end(), folders.begin(), folders.end());
  out.insert(out.end(), files.begin(), files.end());
  return out;
}

bool is_absolute(const Text& path) { return !path.empty() && (path[0] == u'/' || path[0] == u'\\'); }

Text normalize(const Text& path) {
  std::vector<Text> parts;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find_first_of(u"/\\", start);
    if (end == Text::npos) end = path.size();
    Text part = path.substr(start, end - start);
    if (part == u"..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != u".") {
      parts.push_back(part);
    }
    start = end + 1;
  }
  Text out;
  for (const Text& p : parts) out += u"/" + p;
  return out.empty() ? Text(u"/") : out;
}

Text join(const Text& folder, const Text& name) { return normalize(is_absolute(name) ? name : folder + u"/" + name); }

size_t leaf_offset(const Text& path) {
  size_t sep = path.find_last_of(u"/\\");
  return sep == Text::npos ? 0 : sep + 1;
}

Text parent_of(const Text& path) {
  size_t sep = path.find_last_of(u'/');
  return sep == Text::npos || sep == 0 ? Text(u"/") : path.substr(0, sep);
}

bool is_folder(const Text& path) {
  struct stat st;
  return stat_of(path, &st) && S_ISDIR(st.st_mode);
}

bool exists(const Text& path) {
  struct stat st;
  return stat_of(path, &st);
}

Text current_folder() {
  WCHAR buffer[4096];
  DWORD n = GetCurrentDirectoryW(4096, buffer);
  return n && n < 4096 ? normalize(Text(buffer, n)) : Text(u"/");
}

std::vector<Text> split_names(const Text& text) {
  std::vector<Text> names;
  if (text.find(u'"') == Text::npos) {
    Text one = trim(text);
    if (!one.empty()) names.push_back(one);
    return names;
  }
  size_t at = 0;
  while ((at = text.find(u'"', at)) != Text::npos) {
    size_t end = text.find(u'"', at + 1);
    if (end == Text::npos) end = text.size();
    Text one = text.substr(at + 1, end - at - 1);
    if (!one.empty()) names.push_back(one);
    at = end + 1;
    if (at >= text.size()) break;
  }
  return names;
}

}  // namespace filedlg
