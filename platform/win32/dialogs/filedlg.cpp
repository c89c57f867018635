// GetOpenFileNameW and GetSaveFileNameW of the stand-in: one modal dialog
// built from the standard controls. It shows the folder it is in, a list of
// that folder's folders (".." goes up; a double click or Enter goes in) and of
// its files that match the chosen filter, the filters, and the file name
// field, which has the focus. A full path, or a name taken from the shown
// folder, typed there and confirmed chooses the file; a folder's name enters
// it; a wildcard becomes the filter. The controls carry the identifiers Win32
// gives them (lst1, edt1, cmb1, stc1, IDOK, IDCANCEL).
#include <string>
#include <vector>

#include "platform/win32/user/dialog.h"
#include "platform/win32/dialogs/filedlg_internal.h"

using filedlg::Entry;
using filedlg::Filter;
using filedlg::Text;

namespace {

constexpr int kFolderText = 0x440, kList = 0x460, kFilters = 0x470, kName = 0x480;
constexpr int kWidth = 540, kHeight = 372;

thread_local DWORD last_error = 0;

BOOL fail(DWORD error) {
  last_error = error;
  return FALSE;
}

Text window_text(HWND window) {
  int n = GetWindowTextLengthW(window);
  Text text(static_cast<size_t>(n), u'\0');
  if (n) GetWindowTextW(window, text.data(), n + 1);
  return text;
}

struct FileDialog : dialog::Dialog {
  OPENFILENAMEW* ofn = nullptr;
  bool save = false, multi = false;
  Text title;
  std::vector<Filter> filters;  // the custom filter first when there is one
  bool custom = false;
  int filter = -1;  // the filter in use; -1 for none
  Filter typed;     // a wildcard typed in the name field, used instead while set
  bool use_typed = false;
  Text folder;
  std::vector<Entry> entries;
  HWND folder_text = nullptr, list = nullptr, name = nullptr, filter_list = nullptr;
  std::vector<Text> chosen;

  const Filter* current_filter() const {
    if (use_typed) return &typed;
    return filter >= 0 ? &filters[static_cast<size_t>(filter)] : nullptr;
  }

  void refresh() {
    entries = filedlg::list_folder(folder, current_filter());
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    SendMessageW(list, LB_RESETCONTENT, 0, 0);
    for (const Entry& e : entries) {
      Text shown = e.folder && e.name != u".." ? e.name + u"/" : e.name;
      SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(shown.c_str()));
    }
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
    SetWindowTextW(folder_text, folder.c_str());
  }

  void enter(const Text& path) {
    folder = filedlg::normalize(path);
    refresh();
  }

  const Entry* entry_at(int index) const {
    return index >= 0 && index < static_cast<int>(entries.size()) ? &entries[static_cast<size_t>(index)] : nullptr;
  }

  std::vector<int> selected() const {
    std::vector<int> out;
    if (!multi) {
      int i = static_cast<int>(SendMessageW(list, LB_GETCURSEL, 0, 0));
      if (i >= 0) out.push_back(i);
      return out;
    }
    int n = static_cast<int>(SendMessageW(list, LB_GETSELCOUNT, 0, 0));
    if (n <= 0) return out;
    out.resize(static_cast<size_t>(n));
    auto items = reinterpret_cast<LPARAM>(out.data());
    n = static_cast<int>(SendMessageW(list, LB_GETSELITEMS, static_cast<WPARAM>(n), items));
    out.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return out;
  }

  // The selected files go into the name field, quoted when there are several.
  void selection_changed() {
    std::vector<Text> names;
    for (int i : selected())
      if (const Entry* e = entry_at(i); e && !e->folder) names.push_back(e->name);
    if (names.empty()) return;
    Text text;
    if (names.size() == 1) {
      text = names[0];
    } else {
      for (const Text& n : names) text += (text.empty() ? u"\"" : u" \"") + n + u"\"";
    }
    SetWindowTextW(name, text.c_str());
  }

  void activate_item(int index) {
    const Entry* e = entry_at(index);
    if (!e) return;
    if (e->folder) {
      enter(filedlg::join(folder, e->name));
      return;
    }
    SetWindowTextW(name, e->name.c_str());
    accept();
  }

  void say(const Text& text) { MessageBoxW(box, text.c_str(), title.c_str(), MB_OK | MB_ICONEXCLAMATION); }

  Text with_default_extension(const Text& path) const {
    if (!ofn->lpstrDefExt || !ofn->lpstrDefExt[0]) return path;
    if (path.find(u'.', filedlg::leaf_offset(path)) != Text::npos) return path;
    if (!save && filedlg::exists(path)) return path;  // an open dialog takes an existing name as typed
    Text ext = ofn->lpstrDefExt;
    if (ext[0] == u'.') ext.erase(0, 1);
    return path + u"." + ext;
  }

  // The checks the flags ask for; false keeps the dialog open.
  bool acceptable(const Text& path) {
    Text leaf = path.substr(filedlg::leaf_offset(path));
    if ((ofn->Flags & (OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST)) && !filedlg::is_folder(filedlg::parent_of(path))) {
      say(path + u"\nPath does not exist.\nCheck the path and try again.");
      return false;
    }
    if (!save && (ofn->Flags & OFN_FILEMUSTEXIST) && !filedlg::exists(path)) {
      say(leaf + u"\nFile not found.\nCheck the file name and try again.");
      return false;
    }
    if (save && (ofn->Flags & OFN_OVERWRITEPROMPT) && filedlg::exists(path)) {
      return MessageBoxW(box, (leaf + u" already exists.\nDo you want to replace it?").c_str(), title.c_str(),
                         MB_YESNO | MB_ICONEXCLAMATION) == IDYES;
    }
    return true;
  }

  void accept() {
    if (GetFocus() == list) {
      int caret = static_cast<int>(SendMessageW(list, LB_GETCARETINDEX, 0, 0));
      const Entry* e = entry_at(caret);
      if (e && e->folder && SendMessageW(list, LB_GETSEL, static_cast<WPARAM>(caret), 0) > 0) {
        activate_item(caret);
        return;
      }
    }
    std::vector<Text> names = filedlg::split_names(window_text(name));
    if (names.empty() || (!multi && names.size() > 1)) {
      MessageBeep(MB_OK);
      return;
    }
    if (names.size() == 1) {
      Text path = filedlg::join(folder, names[0]);
      if (filedlg::has_wildcard(names[0])) {
        // A wildcard filters the list, in the folder its text names.
        typed = filedlg::filter_of(path.substr(filedlg::leaf_offset(path)));
        use_typed = true;
        enter(filedlg::parent_of(path));
        return;
      }
      if (filedlg::is_folder(path)) {
        SetWindowTextW(name, u"");
        enter(path);
        return;
      }
    }
    std::vector<Text> paths;
    for (const Text& n : names) {
      Text path = with_default_extension(filedlg::join(folder, n));
      if (!paths.empty() && filedlg::parent_of(path) != filedlg::parent_of(paths[0])) {
        say(n + u"\nThe files of one choice must be in one folder.");
        return;
      }
      if (!acceptable(path) || !box) return;
      paths.push_back(path);
    }
    chosen = paths;
    end(IDOK);
  }

  void command(WORD id, WORD code, HWND) override {
    if (id == IDCANCEL) return end(IDCANCEL);
    if (id == IDOK && code == BN_CLICKED) return accept();
    if (id == kList && code == LBN_SELCHANGE) return selection_changed();
    if (id == kList && code == LBN_DBLCLK) {
      return activate_item(static_cast<int>(SendMessageW(list, LB_GETCARETINDEX, 0, 0)));
    }
    if (id == kFilters && code == LBN_SELCHANGE) {
      int i = static_cast<int>(SendMessageW(filter_list, LB_GETCURSEL, 0, 0));
      if (i >= 0) filter = i;
      use_typed = false;
      refresh();
    }
  }

  void build() {
    using dialog::add_control;
    add_control(this, WC_STATICW, TEXT("Look in:"), SS_LEFT | SS_CENTERIMAGE, 10, 10, 90, 22, -1);
    DWORD path_style = SS_LEFT | SS_NOPREFIX | SS_PATHELLIPSIS | SS_CENTERIMAGE;
    folder_text = add_control(this, WC_STATICW, folder.c_str(), path_style, 100, 10, kWidth - 110, 22, kFolderText);
    DWORD list_style = LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_HSCROLL | WS_TABSTOP |
                       (multi ? LBS_EXTENDEDSEL : 0);
    list = add_control(this, WC_LISTBOXW, nullptr, list_style, 10, 38, kWidth - 20, 222, kList, WS_EX_CLIENTEDGE);
    add_control(this, WC_STATICW, TEXT("File name:"), SS_LEFT | SS_CENTERIMAGE, 10, 270, 90, 24, -1);
    name = add_control(this, WC_EDITW, nullptr, ES_AUTOHSCROLL | WS_TABSTOP, 100, 270, kWidth - 210, 24, kName,
                       WS_EX_CLIENTEDGE);
    add_control(this, WC_STATICW, TEXT("Files of type:"), SS_LEFT, 10, 306, 90, 24, -1);
    filter_list = add_control(this, WC_LISTBOXW, nullptr, LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_TABSTOP,
                              100, 302, kWidth - 210, 60, kFilters, WS_EX_CLIENTEDGE);
    add_control(this, WC_BUTTONW, save ? TEXT("&Save") : TEXT("&Open"), BS_DEFPUSHBUTTON | WS_TABSTOP, kWidth - 100,
                270, 90, 26, IDOK);
    add_control(this, WC_BUTTONW, TEXT("Cancel"), WS_TABSTOP, kWidth - 100, 302, 90, 26, IDCANCEL);
    for (const Filter& f : filters)
      SendMessageW(filter_list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(f.description.c_str()));
    if (filter >= 0) SendMessageW(filter_list, LB_SETCURSEL, static_cast<WPARAM>(filter), 0);
    if (filters.empty()) EnableWindow(filter_list, FALSE);
  }

  // Where the dialog opens and what its name field shows, from the file buffer and the initial folder.
  void start_place() {
    size_t length = 0;
    while (length < ofn->nMaxFile && ofn->lpstrFile[length]) ++length;
    Text file(ofn->lpstrFile, length);
    Text here = filedlg::current_folder();
    folder = here;
    if (ofn->lpstrInitialDir && ofn->lpstrInitialDir[0]) {
      Text initial = filedlg::join(here, ofn->lpstrInitialDir);
      if (filedlg::is_folder(initial)) folder = initial;
    }
    size_t leaf = filedlg::leaf_offset(file);
    if (leaf > 0) {
      Text dir = filedlg::join(folder, file.substr(0, leaf));
      if (filedlg::is_folder(dir)) folder = dir;
    }
    Text shown = file.substr(leaf);
    if (filedlg::has_wildcard(shown)) {
      typed = filedlg::filter_of(shown);
      use_typed = true;
      shown.clear();
    }
    SetWindowTextW(name, shown.c_str());
  }

  void filters_from(const OPENFILENAMEW* o) {
    if (o->lpstrCustomFilter && o->lpstrCustomFilter[0] && o->nMaxCustFilter > 0) {
      Text description = o->lpstrCustomFilter;
      if (description.size() + 1 < o->nMaxCustFilter) {
        Filter f = filedlg::filter_of(o->lpstrCustomFilter + description.size() + 1);
        f.description = description;
        filters.push_back(f);
        custom = true;
      }
    }
    for (const Filter& f : filedlg::parse_filters(o->lpstrFilter)) filters.push_back(f);
    if (filters.empty()) return;
    // nFilterIndex is 1-based among the filters; 0 names the custom one; past the end, the first.
    int index = static_cast<int>(o->nFilterIndex) - (custom ? 0 : 1);
    if (!custom && o->nFilterIndex == 0) index = 0;
    filter = index >= 0 && index < static_cast<int>(filters.size()) ? index : 0;
  }
};

BOOL copy_result(FileDialog& d) {
  OPENFILENAMEW* ofn = d.ofn;
  Text out;
  const Text& first = d.chosen[0];
  size_t leaf = filedlg::leaf_offset(first);
  if (d.chosen.size() == 1) {
    out = first;
    out += u'\0';
  } else {
    // Several files: the folder, each name, and an empty name at the end.
    out = first.substr(0, leaf > 1 ? leaf - 1 : leaf);
    out += u'\0';
    leaf = out.size();
    for (const Text& p : d.chosen) out += p.substr(filedlg::leaf_offset(p)) + u'\0';
    out += u'\0';
  }
  if (out.size() > ofn->nMaxFile || out.size() > 0xFFFF) {
    // As Win32: the size needed, in characters, in the buffer's first two bytes.
    if (ofn->nMaxFile >= 1) ofn->lpstrFile[0] = static_cast<WCHAR>(out.size() > 0xFFFF ? 0xFFFF : out.size());
    return fail(FNERR_BUFFERTOOSMALL);
  }
  out.copy(ofn->lpstrFile, out.size());
  ofn->nFileOffset = static_cast<WORD>(leaf);
  ofn->nFileExtension = 0;
  if (d.chosen.size() == 1) {
    size_t dot = first.find_last_of(u'.');
    if (dot == Text::npos || dot < leaf) ofn->nFileExtension = static_cast<WORD>(first.size());
    else if (dot + 1 < first.size()) ofn->nFileExtension = static_cast<WORD>(dot + 1);
  }
  if (ofn->lpstrFileTitle && ofn->nMaxFileTitle > 0) {
    Text title = first.substr(filedlg::leaf_offset(first));
    size_t n = title.size() < ofn->nMaxFileTitle - 1 ? title.size() : ofn->nMaxFileTitle - 1;
    title.copy(ofn->lpstrFileTitle, n);
    ofn->lpstrFileTitle[n] = 0;
  }
  if (d.filter >= 0) ofn->nFilterIndex = static_cast<DWORD>(d.filter + (d.custom ? 0 : 1));
  if (!(ofn->Flags & OFN_NOCHANGEDIR)) SetCurrentDirectoryW(filedlg::parent_of(first).c_str());
  last_error = 0;
  return TRUE;
}

BOOL file_dialog(OPENFILENAMEW* ofn, bool save) {
  if (!ofn) return fail(CDERR_INITIALIZATION);
  if (ofn->lStructSize != sizeof(OPENFILENAMEW) && ofn->lStructSize != OPENFILENAME_SIZE_VERSION_400W)
    return fail(CDERR_STRUCTSIZE);
  if (ofn->Flags & OFN_ENABLEHOOK) return fail(CDERR_NOHOOK);
  if (ofn->Flags & (OFN_ENABLETEMPLATE | OFN_ENABLETEMPLATEHANDLE)) return fail(CDERR_NOTEMPLATE);
  if (!ofn->lpstrFile || ofn->nMaxFile == 0) return fail(CDERR_INITIALIZATION);
  if (ofn->hwndOwner && !IsWindow(ofn->hwndOwner)) return fail(CDERR_DIALOGFAILURE);
  FileDialog d;
  d.ofn = ofn;
  d.save = save;
  d.multi = (ofn->Flags & OFN_ALLOWMULTISELECT) != 0;
  d.title = ofn->lpstrTitle && ofn->lpstrTitle[0] ? ofn->lpstrTitle : save ? u"Save As" : u"Open";
  d.result = IDCANCEL;
  d.filters_from(ofn);
  if (!dialog::make_box(&d, d.title.c_str(), kWidth, kHeight, ofn->hwndOwner, false)) return fail(CDERR_DIALOGFAILURE);
  d.build();
  d.start_place();
  d.refresh();
  int answer = dialog::run(&d, ofn->hwndOwner, d.name, false);
  if (answer != IDOK || d.chosen.empty()) {
    last_error = 0;
    return FALSE;
  }
  return copy_result(d);
}

}  // namespace

BOOL GetOpenFileNameW(LPOPENFILENAMEW ofn) { return file_dialog(ofn, false); }
BOOL GetSaveFileNameW(LPOPENFILENAMEW ofn) { return file_dialog(ofn, true); }
DWORD CommDlgExtendedError() { return last_error; }
