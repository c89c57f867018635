// The catalogue is written as it is made, one menu at a time, so making a
// million lines holds no more than one menu in memory.
#include "bench/app_bench_catalogue.h"

#include <algorithm>
#include <cstdio>
#include <set>
#include <vector>

#include <unistd.h>

#include "bench/app_bench_text.h"
#include "platform/win32.h"

namespace {

// splitmix64: the same numbers from the same seed on every machine.
class Random {
 public:
  explicit Random(uint64_t seed) : state_(seed) {}
  uint64_t next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  int below(int n) { return static_cast<int>(next() % static_cast<uint64_t>(n)); }
  double unit() { return static_cast<double>(next() >> 11) / 9007199254740992.0; }
  bool chance(double p) { return unit() < p; }
  // A length in [low, high], most of them short: low + (high - low + 1) * u^skew.
  int length(int low, int high, int skew) {
    double u = unit(), v = u;
    for (int i = 1; i < skew; ++i) v *= u;
    return std::min(high, low + static_cast<int>((high - low + 1) * v));
  }

 private:
  uint64_t state_;
};

const char16_t* const kWords[] = {
    u"home",   u"garden", u"recipe",  u"travel", u"guide",   u"music",   u"jazz",     u"photo",    u"camera",
    u"review", u"news",   u"daily",   u"weekly", u"forum",   u"code",    u"library",  u"python",   u"linux",
    u"kernel", u"bike",   u"repair",  u"school", u"history", u"science", u"space",    u"weather",  u"maps",
    u"shop",   u"books",  u"reading", u"notes",  u"blog",    u"family",  u"health",   u"sport",    u"football",
    u"tennis", u"chess",  u"games",   u"movies", u"series",  u"podcast", u"radio",    u"art",      u"design",
    u"font",   u"paint",  u"wood",    u"craft",  u"tools",   u"bank",    u"tax",      u"office",   u"work",
    u"jobs",   u"learn",  u"course",  u"video",  u"tips",    u"tricks",  u"market",   u"city",     u"train",
    u"flight", u"hotel",  u"camping", u"hiking", u"birds",   u"cats",    u"dogs",     u"coffee",   u"tea",
    u"bread",  u"cheese", u"wine",    u"beer",   u"energy",  u"solar",   u"car",      u"electric", u"phone",
    u"laptop", u"server", u"network", u"backup", u"privacy", u"mail",    u"calendar", u"archive",  u"old",
    u"new",    u"best",   u"free",    u"open",   u"local",   u"world",   u"small",    u"great",    u"simple",
};
constexpr int kWordCount = sizeof(kWords) / sizeof(kWords[0]);

// Words beyond ASCII: Latin-1 letters, and letters, signs and a picture
// that Windows-1252 does not have (the last one beyond the 16-bit plane).
const char16_t* const kWideWords[] = {
    u"caf\u00E9",
    u"Z\u00FCrich",
    u"na\u00EFve",
    u"Stra\u00DFe",
    u"ni\u00F1os",
    u"\u00C6r\u00F8",
    u"\u20ACuro",
    u"\u0141\u00F3d\u017A",
    u"\u0391\u03B8\u03AE\u03BD\u03B1",
    u"\u041C\u043E\u0441\u043A\u0432\u0430",
    u"\u6771\u4EAC",
    u"\u0F00",
    u"\u2603snow",
    u"smile\U0001F600",
    u"\u05E9\u05DC\u05D5\u05DD",
};
constexpr int kWideWordCount = sizeof(kWideWords) / sizeof(kWideWords[0]);
constexpr int kFirstBeyond1252 = 7;  // kWideWords from here on have no place in Windows-1252

const char16_t* const kHosts[] = {u".com", u".org", u".net", u".de", u".co.uk", u".io", u".fr"};
// Titles now and then hold what the page must escape, or a reference it must keep.
const char16_t* const kMarkup[] = {u" & ", u" <b> ", u" \"best\" ", u" Q&amp;A ", u" a > b ", u" &#169; "};

std::u16string capitalized(const char16_t* word) {
  std::u16string w = word;
  if (!w.empty() && w[0] >= u'a' && w[0] <= u'z') w[0] = static_cast<char16_t>(w[0] - 32);
  return w;
}

enum class Wide { None, Any, Beyond1252 };

// Words until the length is reached, cut there: after the last whole word
// when that leaves at least `shortest` characters. The cut never ends in a blank.
std::u16string words_to(Random& random, size_t shortest, size_t length, bool capitals, Wide wide, double markup) {
  std::u16string text;
  bool wide_done = wide == Wide::None;
  while (text.size() < length) {
    if (!text.empty()) text += random.chance(markup) ? kMarkup[random.below(6)] : u" ";
    if (!wide_done && (text.empty() || random.chance(0.5))) {
      // A word beyond Windows-1252 in every third such text.
      int low = wide == Wide::Beyond1252 || random.below(3) == 0 ? kFirstBeyond1252 : 0;
      text += kWideWords[low + random.below(kWideWordCount - low)];
      wide_done = true;
      continue;
    }
    const char16_t* word = kWords[random.below(kWordCount)];
    text += capitals || text.empty() ? capitalized(word) : std::u16string(word);
  }
  if (text.size() > length) {
    size_t blank = text.rfind(u' ', length);
    size_t cut = blank != std::u16string::npos && blank >= shortest ? blank : length;
    // A surrogate pair is never cut in two.
    if (text[cut] >= 0xDC00 && text[cut] <= 0xDFFF) ++cut;
    text.resize(cut);
  }
  if (text.back() == u' ') text.back() = u's';
  return text;
}

std::u16string address(Random& random, size_t length) {
  std::u16string a = u"https://www.";
  a += kWords[random.below(kWordCount)];
  a += kWords[random.below(kWordCount)];
  a += kHosts[random.below(7)];
  // Now and then a query, whose ampersand the page escapes, ends an address long enough for it.
  std::u16string query;
  if (random.chance(0.15)) query = u"?id=" + std::u16string(1, static_cast<char16_t>(u'1' + random.below(9)));
  if (!query.empty()) query += u"&lang=en";
  if (a.size() + 1 + query.size() > length) query.clear();
  while (a.size() + query.size() < length) {
    a += u'/';
    a += kWords[random.below(kWordCount)];
    if (random.chance(0.3)) a += u"-" + std::u16string(kWords[random.below(kWordCount)]);
  }
  a.resize(std::max(length - query.size(), size_t{12}));
  return a + query;
}

char16_t lowered(char16_t c) {
  return static_cast<char16_t>(reinterpret_cast<uintptr_t>(CharLowerW(reinterpret_cast<LPWSTR>(uintptr_t{c}))));
}

// The order of the list's sorted insertion: unit by unit, each lowered as the system lowers it.
bool folded_less(const std::u16string& a, const std::u16string& b) {
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    char16_t x = lowered(a[i]), y = lowered(b[i]);
    if (x != y) return x < y;
  }
  return a.size() < b.size();
}

bool beyond_ascii(const std::u16string& text) {
  return std::any_of(text.begin(), text.end(), [](char16_t c) { return c >= 0x80; });
}

// Menu names, distinct ignoring case, in sorted order (a name followed by
// its delimiter, so that the lines of the runs come out sorted as well).
std::vector<std::u16string> menu_names(Random& random, size_t count) {
  std::set<std::u16string> seen;
  std::vector<std::u16string> names;
  while (names.size() < count) {
    Wide wide = random.chance(0.01) ? Wide::Any : Wide::None;
    std::u16string name = words_to(random, 4, static_cast<size_t>(random.length(4, 20, 3)), true, wide, 0);
    std::u16string key;
    for (char16_t c : name) key += lowered(c);
    if (seen.insert(key).second) names.push_back(name + u"[]");
  }
  std::sort(names.begin(), names.end(), folded_less);
  return names;
}

}  // namespace

MadeCatalogue make_catalogue(const std::string& path, int64_t lines) {
  MadeCatalogue made;
  Random random(20240612);
  std::vector<int> runs;
  for (int64_t total = 0; total < lines;) {
    int run = static_cast<int>(std::min<int64_t>(5 + random.below(196), lines - total));
    runs.push_back(run);
    total += run;
  }
  std::vector<std::u16string> menus = menu_names(random, runs.size());
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return made;
  std::string out = "\xEF\xBB\xBF";
  for (size_t m = 0; m < runs.size(); ++m) {
    std::vector<std::u16string> rest;
    for (int k = 0; k < runs[m]; ++k) {
      // The first title goes beyond Windows-1252 in any catalogue, however small.
      Wide wide = m == 0 && k == 0 ? Wide::Beyond1252 : random.chance(0.01) ? Wide::Any : Wide::None;
      std::u16string title = words_to(random, 10, static_cast<size_t>(random.length(10, 80, 5)), false, wide, 0.01);
      std::u16string link = address(random, static_cast<size_t>(random.length(25, 160, 12)));
      rest.push_back(title + u"[]" + link + u"[]");
    }
    std::sort(rest.begin(), rest.end(), folded_less);
    if (m + 1 == runs.size()) {
      // Only the last line holds this, so a search for it walks the whole list.
      rest.back().insert(rest.back().size() - 2, u"/webrolo-bench-last-link");
      made.last_marker = "webrolo-bench-last-link";
    }
    for (const std::u16string& line : rest) {
      std::u16string whole = menus[m] + line;
      if (beyond_ascii(whole)) ++made.non_ascii_lines;
      append_utf8(out, whole);
      out += "\r\n";
    }
    if (m == 0) made.first_menu = menus[0].substr(0, menus[0].size() - 2);
    if (out.size() > (1u << 20) || m + 1 == runs.size()) {
      if (std::fwrite(out.data(), 1, out.size(), file) != out.size()) {
        std::fclose(file);
        return MadeCatalogue{};
      }
      made.bytes += static_cast<int64_t>(out.size());
      out.clear();
    }
  }
  // On the disk before the program starts, as a catalogue saved in an earlier
  // session is: a save gives the old file a second name as its backup, which
  // costs nothing then.
  const bool on_disk = std::fflush(file) == 0 && fsync(fileno(file)) == 0;
  if (std::fclose(file) != 0 || !on_disk) return MadeCatalogue{};
  made.lines = lines;
  return made;
}
