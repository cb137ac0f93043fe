#include "UiDriver.h"
// after windows.h
#include <commctrl.h>

#include <algorithm>
#include <cstddef>

#include "RemoteStructs.h"
#include "Target.h"
#include "Wide.h"

namespace orvex::uidriver {

using detail::Delivery;
using detail::Query;
using detail::RemoteMemory;

namespace {

constexpr size_t kCellChars = 4096;  // the longest list or tab text read

bool IsClass(HWND hwnd, const char* name) {
  return lstrcmpiA(detail::ClassOf(hwnd).c_str(), name) == 0;
}

// The id as the dialog template gave it: IDC_STATIC (-1) reads 65535 either way.
int ControlId(HWND hwnd) {
  int id = GetDlgCtrlID(hwnd);
  return id == -1 ? 65535 : id;
}

ScreenRect RectOf(HWND hwnd) {
  RECT r = {};
  GetWindowRect(hwnd, &r);
  return {r.left, r.top, r.right, r.bottom};
}

bool IsCheckable(HWND hwnd) {
  if (!IsClass(hwnd, "Button")) return false;
  switch (GetWindowLongW(hwnd, GWL_STYLE) & BS_TYPEMASK) {
    case BS_CHECKBOX:
    case BS_AUTOCHECKBOX:
    case BS_RADIOBUTTON:
    case BS_AUTORADIOBUTTON:
    case BS_3STATE:
    case BS_AUTO3STATE:
      return true;
    default:
      return false;
  }
}

bool IsRadio(HWND hwnd) {
  LONG type = GetWindowLongW(hwnd, GWL_STYLE) & BS_TYPEMASK;
  return type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON;
}

// A technician cannot use a control that is disabled, or whose window is (a modal box is open).
bool Usable(HWND control) {
  if (control == nullptr) return false;
  for (HWND h = control; h != nullptr; h = GetAncestor(h, GA_PARENT)) {
    if (!IsWindowEnabled(h)) return false;
    if (GetAncestor(h, GA_PARENT) == GetDesktopWindow()) break;
  }
  return true;
}

bool Delivered(Delivery d) {
  return d != Delivery::kFailed;
}

struct ChildSearch {
  std::vector<HWND> children;
};

BOOL CALLBACK CollectChild(HWND hwnd, LPARAM param) {
  reinterpret_cast<ChildSearch*>(param)->children.push_back(hwnd);
  return TRUE;
}

std::vector<HWND> AllChildren(HWND parent) {
  ChildSearch search;
  if (parent != nullptr) EnumChildWindows(parent, CollectChild, reinterpret_cast<LPARAM>(&search));
  return search.children;
}

int Depth(HWND child, HWND top) {
  int depth = 0;
  for (HWND h = child; h != nullptr && h != top; h = GetParent(h)) ++depth;
  return depth;
}

// --- structures in the target

// The structures as the driver lays them out for its own bitness must be the compiler's; each
// build tree checks its own (x86-64 and i686).
static_assert(ListColumnLayout(detail::kOwnBitness).size == sizeof(LVCOLUMNW));
static_assert(ListColumnLayout(detail::kOwnBitness).mask == offsetof(LVCOLUMNW, mask));
static_assert(ListColumnLayout(detail::kOwnBitness).text == offsetof(LVCOLUMNW, pszText));
static_assert(ListColumnLayout(detail::kOwnBitness).text_max == offsetof(LVCOLUMNW, cchTextMax));
static_assert(ListItemLayout(detail::kOwnBitness).size == sizeof(LVITEMW));
static_assert(ListItemLayout(detail::kOwnBitness).mask == offsetof(LVITEMW, mask));
static_assert(ListItemLayout(detail::kOwnBitness).sub_item == offsetof(LVITEMW, iSubItem));
static_assert(ListItemLayout(detail::kOwnBitness).state == offsetof(LVITEMW, state));
static_assert(ListItemLayout(detail::kOwnBitness).state_mask == offsetof(LVITEMW, stateMask));
static_assert(ListItemLayout(detail::kOwnBitness).text == offsetof(LVITEMW, pszText));
static_assert(ListItemLayout(detail::kOwnBitness).text_max == offsetof(LVITEMW, cchTextMax));
static_assert(TabItemLayout(detail::kOwnBitness).size == sizeof(TCITEMW));
static_assert(TabItemLayout(detail::kOwnBitness).mask == offsetof(TCITEMW, mask));
static_assert(TabItemLayout(detail::kOwnBitness).text == offsetof(TCITEMW, pszText));
static_assert(TabItemLayout(detail::kOwnBitness).text_max == offsetof(TCITEMW, cchTextMax));

// The text buffer lies behind the largest of the structures.
constexpr size_t kTextAt = 128;
static_assert(ListColumnLayout(Bitness::k64).size <= kTextAt &&
              ListItemLayout(Bitness::k64).size <= kTextAt && TabItemLayout(Bitness::k64).size <= kTextAt);
constexpr size_t kTextBlock = kTextAt + kCellChars * sizeof(wchar_t);

void SetError(std::string* error, const std::string& why) {
  if (error != nullptr && error->empty()) *error = why;
}

// Writes the structure, laid out for the target's bitness, at the start of the block.
bool WriteStruct(RemoteMemory& memory, StructLayout (*layout_of)(Bitness), const StructFields& fields) {
  std::optional<std::vector<uint8_t>> image = StructImage(layout_of(memory.bitness()), fields);
  return image && memory.Write(0, image->data(), image->size());
}

// The same with its text pointer aimed at an emptied buffer at kTextAt.
bool WriteTextStruct(RemoteMemory& memory, StructLayout (*layout_of)(Bitness), StructFields fields) {
  fields.text = memory.RemoteAddress(kTextAt);
  fields.text_max = static_cast<int32_t>(kCellChars);
  const wchar_t nul = L'\0';
  return memory.Write(kTextAt, &nul, sizeof nul) && WriteStruct(memory, layout_of, fields);
}

// --- list views

std::vector<std::string> ListViewColumns(HWND list, std::string* error) {
  std::vector<std::string> titles;
  RemoteMemory memory(list, kTextBlock);
  if (!memory.Valid()) {
    SetError(error, memory.Failure());
    return titles;
  }
  for (int col = 0; col < 256; ++col) {
    StructFields column;
    column.mask = LVCF_TEXT;
    LRESULT ok = 0;
    if (!WriteTextStruct(memory, ListColumnLayout, column) ||
        !Query(list, LVM_GETCOLUMNW, col, memory.Param(), &ok) || !ok) {
      break;
    }
    titles.push_back(FromWide(memory.ReadWide(kTextAt, kCellChars)));
  }
  return titles;
}

std::vector<std::vector<std::string>> ListViewRows(HWND list, std::string* error) {
  std::vector<std::vector<std::string>> rows;
  LRESULT count = 0;
  if (!Query(list, LVM_GETITEMCOUNT, 0, 0, &count) || count <= 0) return rows;
  size_t columns = std::max<size_t>(1, ListViewColumns(list, error).size());
  RemoteMemory memory(list, kTextBlock);
  if (!memory.Valid()) {
    SetError(error, memory.Failure());
    return rows;
  }
  for (LRESULT row = 0; row < count; ++row) {
    std::vector<std::string> cells;
    for (size_t col = 0; col < columns; ++col) {
      StructFields item;
      item.sub_item = static_cast<int32_t>(col);
      LRESULT length = 0;
      if (!WriteTextStruct(memory, ListItemLayout, item) ||
          !Query(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), memory.Param(), &length)) {
        return rows;
      }
      cells.push_back(FromWide(memory.ReadWide(kTextAt, kCellChars)));
    }
    rows.push_back(std::move(cells));
  }
  return rows;
}

// Sets the state bits of one item (or of all for -1); false when the list did not take it.
bool SetListViewState(HWND list, int row, UINT state, UINT mask) {
  RemoteMemory memory(list, ListItemLayout(Bitness::k64).size);  // the larger of the two forms
  StructFields item;
  item.state_mask = mask;
  item.state = state;
  if (!memory.Valid() || !WriteStruct(memory, ListItemLayout, item)) return false;
  Delivery d = detail::Deliver(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), memory.Param());
  // The list view reads the item again for each row it notifies about; a handler that opened a
  // modal box may still come back to it.
  if (d == Delivery::kModal) memory.Abandon();
  return Delivered(d);
}

// --- list boxes

bool IsMultiSelect(HWND list) {
  return (GetWindowLongW(list, GWL_STYLE) & (LBS_MULTIPLESEL | LBS_EXTENDEDSEL)) != 0;
}

std::vector<std::string> StringItems(HWND control, UINT count_message, UINT length_message,
                                     UINT text_message) {
  std::vector<std::string> items;
  LRESULT count = 0;
  if (!Query(control, count_message, 0, 0, &count) || count <= 0) return items;
  for (LRESULT i = 0; i < count; ++i) {
    LRESULT length = 0;
    if (!Query(control, length_message, static_cast<WPARAM>(i), 0, &length) || length < 0) length = 0;
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    LRESULT got = 0;
    if (!Query(control, text_message, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text.data()), &got) ||
        got < 0) {
      got = 0;
    }
    text.resize(std::min(static_cast<size_t>(got), static_cast<size_t>(length)));
    items.push_back(FromWide(text));
  }
  return items;
}

// --- tabs

std::vector<std::string> Tabs(HWND tab, std::string* error) {
  std::vector<std::string> titles;
  LRESULT count = 0;
  if (!Query(tab, TCM_GETITEMCOUNT, 0, 0, &count) || count <= 0) return titles;
  RemoteMemory memory(tab, kTextBlock);
  if (!memory.Valid()) {
    SetError(error, memory.Failure());
    return titles;
  }
  for (LRESULT i = 0; i < count; ++i) {
    StructFields item;
    item.mask = TCIF_TEXT;
    LRESULT ok = 0;
    if (!WriteTextStruct(memory, TabItemLayout, item) ||
        !Query(tab, TCM_GETITEMW, static_cast<WPARAM>(i), memory.Param(), &ok)) {
      break;
    }
    titles.push_back(ok ? FromWide(memory.ReadWide(kTextAt, kCellChars)) : std::string());
  }
  return titles;
}

LRESULT QueryValue(HWND hwnd, UINT message, WPARAM wparam = 0, LPARAM lparam = 0, LRESULT fallback = -1) {
  LRESULT value = fallback;
  if (!Query(hwnd, message, wparam, lparam, &value)) return fallback;
  return value;
}

std::vector<int> SelectionOf(HWND hwnd) {
  std::vector<int> selected;
  if (IsClass(hwnd, WC_LISTVIEWA)) {
    LRESULT item = -1;
    while ((item = QueryValue(hwnd, LVM_GETNEXTITEM, static_cast<WPARAM>(item), LVNI_SELECTED)) >= 0) {
      selected.push_back(static_cast<int>(item));
      if (selected.size() > 100000) break;
    }
  } else if (IsClass(hwnd, "ListBox")) {
    if (IsMultiSelect(hwnd)) {
      LRESULT count = QueryValue(hwnd, LB_GETCOUNT);
      for (LRESULT i = 0; i < count; ++i) {
        if (QueryValue(hwnd, LB_GETSEL, static_cast<WPARAM>(i)) > 0) selected.push_back(static_cast<int>(i));
      }
    } else {
      LRESULT sel = QueryValue(hwnd, LB_GETCURSEL);
      if (sel >= 0) selected.push_back(static_cast<int>(sel));
    }
  } else if (IsClass(hwnd, "ComboBox")) {
    LRESULT sel = QueryValue(hwnd, CB_GETCURSEL);
    if (sel >= 0) selected.push_back(static_cast<int>(sel));
  } else if (IsClass(hwnd, WC_TABCONTROLA)) {
    LRESULT sel = QueryValue(hwnd, TCM_GETCURSEL);
    if (sel >= 0) selected.push_back(static_cast<int>(sel));
  }
  return selected;
}

std::vector<std::vector<std::string>> OneColumn(const std::vector<std::string>& items) {
  std::vector<std::vector<std::string>> rows;
  for (const std::string& item : items) rows.push_back({item});
  return rows;
}

ControlRecord RecordOf(HWND hwnd, HWND top) {
  ControlRecord c;
  c.handle = reinterpret_cast<uintptr_t>(hwnd);
  c.id = ControlId(hwnd);
  c.class_name = detail::ClassOf(hwnd);
  c.text = detail::QueryText(hwnd);
  c.enabled = IsWindowEnabled(hwnd) != FALSE;
  c.visible = IsWindowVisible(hwnd) != FALSE;
  c.style = static_cast<uint32_t>(GetWindowLongW(hwnd, GWL_STYLE));
  c.depth = Depth(hwnd, top);
  c.rect = RectOf(hwnd);
  if (IsCheckable(hwnd)) c.checked = static_cast<int>(QueryValue(hwnd, BM_GETCHECK, 0, 0, 0));
  if (IsClass(hwnd, WC_LISTVIEWA)) {
    c.columns = ListViewColumns(hwnd, &c.contents_error);
    c.rows = ListViewRows(hwnd, &c.contents_error);
  } else if (IsClass(hwnd, "ListBox")) {
    c.rows = OneColumn(StringItems(hwnd, LB_GETCOUNT, LB_GETTEXTLEN, LB_GETTEXT));
  } else if (IsClass(hwnd, "ComboBox")) {
    c.rows = OneColumn(StringItems(hwnd, CB_GETCOUNT, CB_GETLBTEXTLEN, CB_GETLBTEXT));
  } else if (IsClass(hwnd, WC_TABCONTROLA)) {
    c.rows = OneColumn(Tabs(hwnd, &c.contents_error));
  }
  c.selected = SelectionOf(hwnd);
  return c;
}

}  // namespace

DWORD Window::pid() const {
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd_, &pid);
  return pid;
}

std::string Window::Caption() const {
  return detail::QueryText(hwnd_);
}
std::string Window::ClassName() const {
  return detail::ClassOf(hwnd_);
}
ScreenRect Window::Rect() const {
  return RectOf(hwnd_);
}

WindowRecord Window::Record() const {
  WindowRecord w;
  w.handle = reinterpret_cast<uintptr_t>(hwnd_);
  w.pid = pid();
  w.caption = Caption();
  w.class_name = ClassName();
  w.enabled = IsEnabled();
  w.visible = IsVisible();
  w.owner = reinterpret_cast<uintptr_t>(GetWindow(hwnd_, GW_OWNER));
  w.rect = Rect();
  w.controls = Controls();
  return w;
}

std::vector<ControlRecord> Window::Controls() const {
  std::vector<ControlRecord> controls;
  for (HWND child : AllChildren(hwnd_)) controls.push_back(RecordOf(child, hwnd_));
  return controls;
}

HWND Window::Item(int id) const {
  HWND hidden = nullptr;
  for (HWND child : AllChildren(hwnd_)) {
    if (ControlId(child) != id) continue;
    if (IsWindowVisible(child)) return child;
    if (hidden == nullptr) hidden = child;
  }
  return hidden;
}

std::optional<ControlRecord> Window::Control(int id) const {
  HWND item = Item(id);
  if (item == nullptr) return std::nullopt;
  return RecordOf(item, hwnd_);
}

std::string Window::Text(int id) const {
  HWND item = Item(id);
  return item ? detail::QueryText(item) : std::string();
}

bool Window::IsEnabled(int id) const {
  HWND item = Item(id);
  return item != nullptr && IsWindowEnabled(item);
}

bool Window::IsVisible(int id) const {
  HWND item = Item(id);
  return item != nullptr && IsWindowVisible(item);
}

std::optional<int> Window::CheckState(int id) const {
  HWND item = Item(id);
  if (item == nullptr || !IsCheckable(item)) return std::nullopt;
  return static_cast<int>(QueryValue(item, BM_GETCHECK, 0, 0, 0));
}

ScreenRect Window::ControlRect(int id) const {
  HWND item = Item(id);
  return item ? RectOf(item) : ScreenRect();
}

bool Window::Click(int id) const {
  HWND item = Item(id);
  if (!Usable(item)) return false;
  // The standard answers of a dialog end it; those are clicked as a user clicks (see Target.h).
  const bool closing = id >= IDOK && id <= IDNO && IsClass(GetAncestor(item, GA_ROOT), "#32770");
  return Delivered(closing ? detail::DeliverClosingClick(item) : detail::Deliver(item, BM_CLICK, 0, 0));
}

bool Window::SetEditText(int id, const std::string& text) const {
  HWND item = Item(id);
  if (!Usable(item)) return false;
  std::wstring wide = ToWide(text);
  if (!Delivered(detail::DeliverWithPointer(item, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide.c_str())))) {
    return false;
  }
  // A multi-line edit does not announce a WM_SETTEXT; a user's typing would have.
  if (IsClass(item, "Edit") && (GetWindowLongW(item, GWL_STYLE) & ES_MULTILINE)) {
    return Delivered(detail::Deliver(GetParent(item), WM_COMMAND, MAKEWPARAM(id, EN_CHANGE),
                                     reinterpret_cast<LPARAM>(item)));
  }
  return true;
}

bool Window::TypeChars(int id, const std::string& text) const {
  HWND item = Item(id);
  if (!Usable(item)) return false;
  // The dialog moves the focus itself (a thread can only focus its own windows).
  HWND parent = GetParent(item);
  if (parent != nullptr && IsClass(parent, "#32770")) {
    detail::Deliver(parent, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(item), TRUE);
  }
  for (wchar_t c : ToWide(text)) {
    if (!Delivered(detail::Deliver(item, WM_CHAR, c, 1))) return false;
  }
  return true;
}

bool Window::Check(int id, bool checked) const {
  HWND item = Item(id);
  if (item == nullptr || !IsCheckable(item)) return false;
  const int wanted = checked ? BST_CHECKED : BST_UNCHECKED;
  // A three-state box may need two clicks; a radio button cannot be clicked off.
  for (int attempt = 0; attempt < 3; ++attempt) {
    if (CheckState(id) == wanted) return true;
    if (!checked && IsRadio(item)) return false;
    if (!Click(id)) return false;
  }
  return CheckState(id) == wanted;
}

int Window::ItemCount(int id) const {
  HWND item = Item(id);
  if (item == nullptr) return -1;
  if (IsClass(item, WC_LISTVIEWA)) return static_cast<int>(QueryValue(item, LVM_GETITEMCOUNT));
  if (IsClass(item, "ListBox")) return static_cast<int>(QueryValue(item, LB_GETCOUNT));
  if (IsClass(item, "ComboBox")) return static_cast<int>(QueryValue(item, CB_GETCOUNT));
  if (IsClass(item, WC_TABCONTROLA)) return static_cast<int>(QueryValue(item, TCM_GETITEMCOUNT));
  return -1;
}

std::vector<std::vector<std::string>> Window::ListRows(int id, std::string* error) const {
  HWND item = Item(id);
  if (item == nullptr) return {};
  if (IsClass(item, WC_LISTVIEWA)) return ListViewRows(item, error);
  if (IsClass(item, "ListBox")) return OneColumn(StringItems(item, LB_GETCOUNT, LB_GETTEXTLEN, LB_GETTEXT));
  return {};
}

std::vector<std::string> Window::ListColumns(int id, std::string* error) const {
  HWND item = Item(id);
  if (item == nullptr || !IsClass(item, WC_LISTVIEWA)) return {};
  return ListViewColumns(item, error);
}

std::vector<int> Window::SelectedRows(int id) const {
  HWND item = Item(id);
  return item ? SelectionOf(item) : std::vector<int>();
}

bool Window::SelectRow(int id, int row) const {
  HWND item = Item(id);
  if (!Usable(item) || row < 0 || row >= ItemCount(id)) return false;
  if (IsClass(item, WC_LISTVIEWA)) {
    Query(item, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE);
    if (!SetListViewState(item, -1, 0, LVIS_SELECTED)) return false;
    return SetListViewState(item, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  }
  if (IsClass(item, "ListBox")) {
    if (IsMultiSelect(item)) {
      Query(item, LB_SETSEL, FALSE, -1);
      Query(item, LB_SETSEL, TRUE, row);
    } else if (QueryValue(item, LB_SETCURSEL, static_cast<WPARAM>(row)) != row) {
      return false;
    }
    return Delivered(detail::Deliver(GetParent(item), WM_COMMAND,
                                     MAKEWPARAM(GetDlgCtrlID(item), LBN_SELCHANGE),
                                     reinterpret_cast<LPARAM>(item)));
  }
  return false;
}

bool Window::DoubleClickRow(int id, int row) const {
  if (!SelectRow(id, row)) return false;
  HWND item = Item(id);
  if (IsClass(item, "ListBox")) {
    return Delivered(detail::Deliver(GetParent(item), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(item), LBN_DBLCLK),
                                     reinterpret_cast<LPARAM>(item)));
  }
  RemoteMemory memory(item, sizeof(RECT));
  RECT bounds = {};
  bounds.left = LVIR_LABEL;
  LRESULT ok = 0;
  if (!memory.Write(0, &bounds, sizeof bounds) ||
      !Query(item, LVM_GETITEMRECT, static_cast<WPARAM>(row), memory.Param(), &ok) || !ok ||
      !memory.Read(0, &bounds, sizeof bounds)) {
    return false;
  }
  LPARAM at = MAKELPARAM((bounds.left + bounds.right) / 2, (bounds.top + bounds.bottom) / 2);
  // The list view tells its parent itself (NM_DBLCLK, LVN_ITEMACTIVATE).
  return Delivered(detail::Deliver(item, WM_LBUTTONDBLCLK, MK_LBUTTON, at));
}

std::vector<std::string> Window::ComboEntries(int id) const {
  HWND item = Item(id);
  if (item == nullptr || !IsClass(item, "ComboBox")) return {};
  return StringItems(item, CB_GETCOUNT, CB_GETLBTEXTLEN, CB_GETLBTEXT);
}

int Window::ComboSelection(int id) const {
  HWND item = Item(id);
  if (item == nullptr || !IsClass(item, "ComboBox")) return -1;
  return static_cast<int>(QueryValue(item, CB_GETCURSEL));
}

bool Window::SelectCombo(int id, int index) const {
  HWND item = Item(id);
  if (!Usable(item) || !IsClass(item, "ComboBox") || index < 0) return false;
  if (QueryValue(item, CB_SETCURSEL, static_cast<WPARAM>(index)) != index) return false;
  return Delivered(detail::Deliver(GetParent(item), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(item), CBN_SELCHANGE),
                                   reinterpret_cast<LPARAM>(item)));
}

std::vector<std::string> Window::TabTitles(int id, std::string* error) const {
  HWND item = Item(id);
  if (item == nullptr || !IsClass(item, WC_TABCONTROLA)) return {};
  return Tabs(item, error);
}

int Window::SelectedTab(int id) const {
  HWND item = Item(id);
  if (item == nullptr || !IsClass(item, WC_TABCONTROLA)) return -1;
  return static_cast<int>(QueryValue(item, TCM_GETCURSEL));
}

bool Window::SelectTab(int id, int index) const {
  HWND item = Item(id);
  if (!Usable(item) || !IsClass(item, WC_TABCONTROLA)) return false;
  if (index < 0 || index >= QueryValue(item, TCM_GETITEMCOUNT, 0, 0, 0)) return false;
  // The tab control asks and tells its parent (TCN_SELCHANGING, TCN_SELCHANGE) itself.
  if (!Delivered(detail::Deliver(item, TCM_SETCURFOCUS, static_cast<WPARAM>(index), 0))) return false;
  return true;
}

bool Window::Command(int id) const {
  if (!Exists()) return false;
  return Delivered(detail::Deliver(hwnd_, WM_COMMAND, MAKEWPARAM(id, 0), 0));
}

bool Window::SysCommand(int id) const {
  if (!Exists()) return false;
  return Delivered(detail::Deliver(hwnd_, WM_SYSCOMMAND, static_cast<WPARAM>(id), 0));
}

bool Window::Close() const {
  if (!Exists()) return false;
  return Delivered(detail::Deliver(hwnd_, WM_CLOSE, 0, 0));
}

bool Window::WaitGone(DWORD timeout_ms) const {
  const ULONGLONG end = GetTickCount64() + timeout_ms;
  for (;;) {
    if (!IsWindow(hwnd_) || !IsWindowVisible(hwnd_)) return true;
    if (GetTickCount64() >= end) return false;
    Sleep(10);
  }
}

}  // namespace orvex::uidriver
