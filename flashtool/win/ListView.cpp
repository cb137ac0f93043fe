#include "ListView.h"

#include <commctrl.h>

#include "Wide.h"

namespace orvex::flash {

void ListView::SetExtendedStyle(bool grid_lines) {
  DWORD style = LVS_EX_FULLROWSELECT | (grid_lines ? LVS_EX_GRIDLINES : 0);
  SendMessageW(hwnd_, LVM_SETEXTENDEDLISTVIEWSTYLE, style | LVS_EX_GRIDLINES, style);
}

void ListView::AddColumns(const ListColumn* columns, int count, int char_width) {
  for (int i = 0; i < count; ++i) {
    std::wstring heading = ToWide(columns[i].heading);
    LVCOLUMNW column = {};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    column.fmt = columns[i].right_aligned ? LVCFMT_RIGHT : LVCFMT_LEFT;
    column.cx = columns[i].width * char_width;
    column.pszText = heading.data();
    column.iSubItem = i;
    if (SendMessageW(hwnd_, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&column)) >= 0) {
      ++columns_;
      widths_.push_back(column.cx);
    }
  }
}

void ListView::FitColumns() {
  for (int c = 0; c < columns_; ++c) {
    int needed = 0;
    std::wstring heading(256, L'\0');
    LVCOLUMNW column = {};
    column.mask = LVCF_TEXT;
    column.pszText = heading.data();
    column.cchTextMax = static_cast<int>(heading.size());
    if (SendMessageW(hwnd_, LVM_GETCOLUMNW, c, reinterpret_cast<LPARAM>(&column)))
      needed = static_cast<int>(SendMessageW(hwnd_, LVM_GETSTRINGWIDTHW, 0, reinterpret_cast<LPARAM>(heading.c_str())));
    for (int r = 0; r < Count(); ++r) {
      std::wstring cell = ToWide(Cell(r, c));
      int w = static_cast<int>(SendMessageW(hwnd_, LVM_GETSTRINGWIDTHW, 0, reinterpret_cast<LPARAM>(cell.c_str())));
      if (w > needed) needed = w;
    }
    needed += 14;  // the cell's margins
    int width = needed > widths_[static_cast<size_t>(c)] ? needed : widths_[static_cast<size_t>(c)];
    if (width != static_cast<int>(SendMessageW(hwnd_, LVM_GETCOLUMNWIDTH, c, 0)))
      SendMessageW(hwnd_, LVM_SETCOLUMNWIDTH, c, width);
  }
}

int ListView::Count() const { return static_cast<int>(SendMessageW(hwnd_, LVM_GETITEMCOUNT, 0, 0)); }

void ListView::Clear() { SendMessageW(hwnd_, LVM_DELETEALLITEMS, 0, 0); }

int ListView::Insert(std::string_view first, LPARAM data) {
  std::wstring text = ToWide(first);
  LVITEMW item = {};
  item.mask = LVIF_TEXT | LVIF_PARAM;
  item.iItem = Count();
  item.pszText = text.data();
  item.lParam = data;
  return static_cast<int>(SendMessageW(hwnd_, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
}

bool ListView::SetCell(int row, int column, std::string_view text) {
  std::wstring wide = ToWide(text);
  LVITEMW item = {};
  item.iSubItem = column;
  item.pszText = wide.data();
  return SendMessageW(hwnd_, LVM_SETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item)) != FALSE;
}

std::string ListView::Cell(int row, int column) const {
  std::wstring buffer(1024, L'\0');
  LVITEMW item = {};
  item.iSubItem = column;
  item.pszText = buffer.data();
  item.cchTextMax = static_cast<int>(buffer.size());
  LRESULT n = SendMessageW(hwnd_, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
  return FromWide(std::wstring_view(buffer.data(), n > 0 ? static_cast<size_t>(n) : 0));
}

std::vector<std::string> ListView::Row(int row) const {
  std::vector<std::string> cells;
  for (int c = 0; c < columns_; ++c) cells.push_back(Cell(row, c));
  return cells;
}

LPARAM ListView::Data(int row) const {
  LVITEMW item = {};
  item.mask = LVIF_PARAM;
  item.iItem = row;
  if (!SendMessageW(hwnd_, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item))) return 0;
  return item.lParam;
}

int ListView::FindData(LPARAM data) const {
  LVFINDINFOW find = {};
  find.flags = LVFI_PARAM;
  find.lParam = data;
  return static_cast<int>(SendMessageW(hwnd_, LVM_FINDITEMW, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&find)));
}

int ListView::FindPrefix(std::string_view text) const {
  std::wstring wide = ToWide(text);
  LVFINDINFOW find = {};
  find.flags = LVFI_STRING | LVFI_PARTIAL;
  find.psz = wide.c_str();
  return static_cast<int>(SendMessageW(hwnd_, LVM_FINDITEMW, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&find)));
}

int ListView::FindExact(std::string_view text) const {
  std::wstring wide = ToWide(text);
  LVFINDINFOW find = {};
  find.flags = LVFI_STRING;
  find.psz = wide.c_str();
  return static_cast<int>(SendMessageW(hwnd_, LVM_FINDITEMW, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&find)));
}

bool ListView::Delete(int row) { return SendMessageW(hwnd_, LVM_DELETEITEM, row, 0) != FALSE; }

int ListView::Selected() const {
  return static_cast<int>(SendMessageW(hwnd_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

void ListView::SelectOnly(int row) {
  LVITEMW none = {};
  none.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  SendMessageW(hwnd_, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&none));
  if (row < 0) return;
  LVITEMW item = {};
  item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  item.state = LVIS_SELECTED | LVIS_FOCUSED;
  SendMessageW(hwnd_, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
}

void ListView::EnsureVisible(int row) {
  if (row >= 0) SendMessageW(hwnd_, LVM_ENSUREVISIBLE, row, FALSE);
}

void ListView::SelectFocused() {
  int focused = static_cast<int>(SendMessageW(hwnd_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
  if (focused < 0) return;
  LVITEMW item = {};
  item.stateMask = LVIS_SELECTED;
  item.state = LVIS_SELECTED;
  SendMessageW(hwnd_, LVM_SETITEMSTATE, focused, reinterpret_cast<LPARAM>(&item));
}

}  // namespace orvex::flash
