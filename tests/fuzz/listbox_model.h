// What a Win32 list box does, written plainly for the list box harness: its
// lines, the selection of a single-, multiple- or extended-selection list, the
// caret and anchor, the first line shown, and the notifications the parent
// hears. The geometry it cannot know (client size, font height) is given to it.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "platform/win32.h"

namespace fuzz {

struct ListModel {
  struct Line {
    std::u16string text;
    ULONG_PTR data = 0;
    bool selected = false;  // multiple-selection lists
  };

  bool notify_style = false, sorted = false, multi = false, extended = false;
  std::vector<Line> lines;
  int selected = -1, caret = 0, anchor = -1, top = 0;
  int item_height = 16, width = 0, height = 0, horz_extent = 0;
  bool focused = false, tracking = false, press_changed = false;
  int wheel_remain = 0;
  // What the parent hears; the parent destroys the list on destroy_on.
  std::vector<int> notes;
  int destroy_on = -1;
  bool destroyed = false;

  int count() const { return static_cast<int>(lines.size()); }
  bool valid(int i) const { return i >= 0 && i < count(); }
  static int clamp(int v, int low, int high) { return v < low ? low : v > high ? high : v; }
  int page() const { return std::max(1, item_height > 0 ? height / item_height : 1); }
  int max_top() const { return std::max(0, count() - page()); }
  void set_top(int t) { top = clamp(t, 0, max_top()); }
  void make_visible(int i) {
    if (!valid(i)) return;
    if (i < top) set_top(i);
    else if (i >= top + page()) set_top(i - page() + 1);
  }

  void notify(int code) {
    if (destroyed) return;
    notes.push_back(code);
    if (code == destroy_on) destroyed = true;
  }
  void notify_user(int code) {
    if (notify_style) notify(code);
  }

  // Lines order without regard to case, unit by unit, a prefix first.
  static char16_t lower(char16_t c) {
    return static_cast<char16_t>(
        reinterpret_cast<UINT_PTR>(CharLowerW(reinterpret_cast<LPWSTR>(static_cast<UINT_PTR>(c)))));
  }
  static int compare(const std::u16string& a, const std::u16string& b) {
    for (size_t i = 0; i < a.size() && i < b.size(); ++i)
      if (lower(a[i]) != lower(b[i])) return lower(a[i]) < lower(b[i]) ? -1 : 1;
    return a.size() == b.size() ? 0 : a.size() < b.size() ? -1 : 1;
  }
  static bool starts(const std::u16string& text, const std::u16string& prefix) {
    return text.size() >= prefix.size() && compare(text.substr(0, prefix.size()), prefix) == 0;
  }

  // ---- Selection ----
  bool is_selected(int i) const { return valid(i) && (multi ? lines[static_cast<size_t>(i)].selected : i == selected); }
  bool select_single(int i) {
    if (i == selected) return false;
    selected = i;
    return true;
  }
  bool select_range(int first, int last, bool on) {
    bool changed = false;
    for (int i = std::max(first, 0); i <= std::min(last, count() - 1); ++i) {
      changed |= lines[static_cast<size_t>(i)].selected != on;
      lines[static_cast<size_t>(i)].selected = on;
    }
    return changed;
  }
  bool select_span(int index) {
    int from = anchor >= 0 ? anchor : index;
    bool changed = false;
    for (int i = 0; i < count(); ++i) {
      bool on = i >= std::min(from, index) && i <= std::max(from, index);
      changed |= lines[static_cast<size_t>(i)].selected != on;
      lines[static_cast<size_t>(i)].selected = on;
    }
    return changed;
  }
  bool move_to(int index, bool extend, bool caret_only) {
    caret = index;
    make_visible(index);
    if (!multi) {
      anchor = index;
      return select_single(index);
    }
    if (!extended || caret_only) return false;
    if (!extend) anchor = index;
    return select_span(index);
  }

  // ---- Messages ----
  int sorted_position(const std::u16string& text) const {
    // The probes of a binary search, so that a list made unsorted places a line as Win32 does.
    int low = 0, high = count() - 1;
    while (low <= high) {
      int mid = (low + high) / 2;
      if (compare(lines[static_cast<size_t>(mid)].text, text) < 0) low = mid + 1;
      else high = mid - 1;
    }
    return low;
  }
  LRESULT insert(int index, const std::u16string& text) {
    if (index == -1) index = count();
    if (index < 0 || index > count()) return LB_ERR;
    if (count() > 0) {
      if (!multi && selected >= index) ++selected;
      if (caret >= index) ++caret;
      if (anchor >= index) ++anchor;
    }
    lines.insert(lines.begin() + index, Line{text});
    return index;
  }
  LRESULT add(const std::u16string& text) { return insert(sorted ? sorted_position(text) : count(), text); }
  void reset() {
    lines.clear();
    selected = -1, caret = 0, anchor = -1, top = 0;
  }
  LRESULT remove(int index) {
    if (!valid(index)) return LB_ERR;
    if (count() == 1) {
      reset();
      return 0;
    }
    lines.erase(lines.begin() + index);
    const int n = count();
    if (selected == index) selected = -1;
    else if (selected > index) --selected;
    if (caret > index) --caret;
    if (caret >= n) caret = n - 1;
    if (anchor > index || anchor >= n) --anchor;
    set_top(top);
    return n;
  }
  LRESULT find(int start, const std::u16string& text, bool exact) const {
    const int n = count();
    if (text.empty() || n == 0) return LB_ERR;
    int i = start < 0 || start >= n - 1 ? 0 : start + 1;
    for (int k = 0; k < n; ++k, i = (i + 1) % n) {
      const std::u16string& line = lines[static_cast<size_t>(i)].text;
      if (exact ? line.size() == text.size() && compare(line, text) == 0 : starts(line, text)) return i;
    }
    return LB_ERR;
  }
  LRESULT set_cur_sel(int index) {
    if (multi || index < -1 || index >= count()) return LB_ERR;
    select_single(index);
    if (index == -1) return LB_ERR;
    caret = index;
    make_visible(index);
    return index;
  }
  LRESULT select_string(int start, const std::u16string& text) {
    if (multi) return LB_ERR;
    LRESULT index = find(start, text, false);
    if (index >= 0) set_cur_sel(static_cast<int>(index));
    return index;
  }
  LRESULT set_sel(bool on, int index) {
    if (index < -1 || index >= count()) return LB_ERR;
    if (!multi) {
      if (on && index >= 0) set_cur_sel(index);
      else if (!on && (index == -1 || index == selected)) select_single(-1);
      return LB_OKAY;
    }
    if (index == -1) {
      select_range(0, count() - 1, on);
      return LB_OKAY;
    }
    select_range(index, index, on);
    if (on) {
      anchor = caret = index;
      make_visible(index);
    }
    return LB_OKAY;
  }
  LRESULT set_caret_index(int index, bool partly) {
    if (!valid(index)) return LB_ERR;
    caret = index;
    if (!partly || index < top || index > top + page()) make_visible(index);
    return LB_OKAY;
  }
  int item_at(int y) const {
    if (count() == 0) return -1;
    const int rows = y >= 0 ? y / item_height : -((-y + item_height - 1) / item_height);
    const long long index = static_cast<long long>(top) + rows;
    return index < 0 ? 0 : index >= count() ? -1 : static_cast<int>(index);
  }
  LRESULT item_from_point(int x, int y) const {
    if (count() == 0) return 0x1FFFF;
    bool inside = x >= 0 && x < width && y >= 0 && y < height;
    y = clamp(y, 0, height > 0 ? height - 1 : 0);
    int index = item_at(y);
    if (index < 0) index = count() - 1, inside = false;
    return MAKELONG(static_cast<WORD>(index), inside ? 0 : 1);
  }

  // ---- The user ----
  void focus(bool gained) {
    if (gained == focused) return;
    if (gained) {
      focused = true;
      notify(LBN_SETFOCUS);
      return;
    }
    end_press();
    if (destroyed) return;
    focused = false;
    wheel_remain = 0;
    notify(LBN_KILLFOCUS);
  }
  void end_press() {
    if (!tracking) return;
    tracking = false;
    const bool changed = press_changed;
    press_changed = false;
    if (changed) notify_user(LBN_SELCHANGE);
  }
  void press(int y, bool control, bool shift, bool double_click) {
    focus(true);
    if (destroyed) return;
    const int index = item_at(y);
    if (index >= 0) {
      tracking = true;
      bool changed;
      if (!multi) {
        changed = move_to(index, false, false);
      } else if (extended && control) {
        if (!shift) anchor = index;
        caret = index;
        changed = select_range(index, index, !is_selected(index));
      } else if (extended) {
        changed = move_to(index, shift, false);
      } else {
        anchor = caret = index;
        changed = select_range(index, index, !is_selected(index));
      }
      press_changed |= changed;
    }
    if (double_click) notify_user(LBN_DBLCLK);
  }
  void move(int y) {
    if (!tracking || count() == 0) return;
    int index;
    if (y < 0) index = top > 0 ? top - 1 : 0;
    else if (y >= height) index = clamp(top + page(), 0, count() - 1);
    else if ((index = item_at(y)) < 0) index = count() - 1;
    if (index == caret) return;
    press_changed |= move_to(index, true, multi && !extended);
  }
  void key(UINT vk, bool control, bool shift) {
    const int n = count();
    if (!focused || n == 0) return;
    const int at = clamp(caret, 0, n - 1);
    const int step = page() > 1 ? page() - 1 : 1;
    int target;
    switch (vk) {
      case VK_UP:
      case VK_LEFT: target = at - 1; break;
      case VK_DOWN:
      case VK_RIGHT: target = at + 1; break;
      case VK_PRIOR: target = at - step; break;
      case VK_NEXT: target = at + step; break;
      case VK_HOME: target = 0; break;
      case VK_END: target = n - 1; break;
      case VK_SPACE:
        if (!multi) return;
        if (extended && !control) {
          anchor = at;
          if (select_span(at)) notify_user(LBN_SELCHANGE);
        } else if (select_range(at, at, !is_selected(at))) {
          notify_user(LBN_SELCHANGE);
        }
        return;
      default: return;
    }
    if (!multi && selected != at && vk != VK_HOME && vk != VK_END) target = at;
    target = clamp(target, 0, n - 1);
    const bool extend = extended && shift;
    const bool caret_only = multi && (!extended || (control && !extend));
    if (move_to(target, extend, caret_only) || multi) notify_user(LBN_SELCHANGE);
  }
  void character(char16_t c) {
    if (!focused || c < 0x20 || count() == 0) return;
    LRESULT index = find(caret, std::u16string(1, c), false);
    if (index < 0) return;
    if (move_to(static_cast<int>(index), false, multi && !extended) || multi) notify_user(LBN_SELCHANGE);
  }
  void wheel(int delta, UINT lines_per_notch) {
    if (!focused) return;
    if ((delta < 0) == (wheel_remain < 0) || wheel_remain == 0) wheel_remain += delta;
    else wheel_remain = delta;
    const int per_notch = std::min(static_cast<int>(lines_per_notch), page());
    if (per_notch <= 0) return;
    const int steps = per_notch * wheel_remain / WHEEL_DELTA;
    wheel_remain -= WHEEL_DELTA * steps / per_notch;
    if (steps) set_top(top - steps);
  }
};

}  // namespace fuzz
