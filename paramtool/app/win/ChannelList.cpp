#include "ChannelList.h"

#include <commctrl.h>

#include <string>

#include "ParameterToolState.h"
#include "Wide.h"

namespace orvex {

void ChannelList::Attach(HWND list, HIMAGELIST images) {
  list_ = list;
  ListView_SetImageList(list_, images, LVSIL_SMALL);
  const std::wstring blanks(kChannelRowWidth, L' ');
  for (int row = 0; row < kRows; ++row) {
    LVITEMW item = {};
    item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
    item.iItem = row;
    item.pszText = const_cast<wchar_t*>(blanks.c_str());
    item.iImage = row;
    item.lParam = row + 1;  // the channel number
    SendMessageW(list_, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
  }
  FitColumns();
}

void ChannelList::FitColumns() {
  // As many columns as the rows need, sharing the width, so no row is cut and nothing scrolls
  // sideways while the list is tall enough.
  RECT client = {};
  RECT first = {};
  GetClientRect(list_, &client);
  if (!ListView_GetItemRect(list_, 0, &first, LVIR_BOUNDS)) return;
  const int row_height = first.bottom - first.top;
  if (row_height <= 0) return;
  // Rows as the list holds them once no scroll bar is needed.
  int height = client.bottom - client.top;
  if (GetWindowLongW(list_, GWL_STYLE) & WS_HSCROLL) height += GetSystemMetrics(SM_CYHSCROLL);
  const int rows = height / row_height;
  if (rows <= 0) return;
  const int columns = (kRows + rows - 1) / rows;
  const int width = (client.right - client.left) / columns;
  if (ListView_GetColumnWidth(list_, 0) == width) return;
  ListView_SetColumnWidth(list_, 0, width);
  // A size message makes the list lay its scroll bars out again for the new width.
  RECT frame = {};
  GetWindowRect(list_, &frame);
  const int w = frame.right - frame.left;
  const int h = frame.bottom - frame.top;
  const UINT flags = SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE;
  SetWindowPos(list_, nullptr, 0, 0, w, h - 1, flags);
  SetWindowPos(list_, nullptr, 0, 0, w, h, flags);
}

void ChannelList::SetRow(int row, std::string_view text, int image) {
  std::wstring wide = ToWide(text);
  LVITEMW item = {};
  item.mask = LVIF_TEXT | LVIF_IMAGE;
  item.iItem = row;
  item.pszText = wide.data();
  item.iImage = image;
  SendMessageW(list_, LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item));
  // Some list views widen their columns to a new text; ours share the width evenly.
  FitColumns();
}

std::string ChannelList::RowText(int row) const {
  wchar_t buffer[128] = {};
  LVITEMW item = {};
  item.iSubItem = 0;
  item.pszText = buffer;
  item.cchTextMax = 128;
  SendMessageW(list_, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
  return FromWide(buffer);
}

int ChannelList::RowImage(int row) const {
  LVITEMW item = {};
  item.mask = LVIF_IMAGE;
  item.iItem = row;
  SendMessageW(list_, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
  return item.iImage;
}

std::vector<int> ChannelList::SelectedRows() const {
  std::vector<int> rows;
  int row = -1;
  while ((row = ListView_GetNextItem(list_, row, LVNI_SELECTED)) != -1) rows.push_back(row);
  return rows;
}

int ChannelList::FocusedRow() const {
  return ListView_GetNextItem(list_, -1, LVNI_FOCUSED);
}

void ChannelList::SetSelected(int row, bool selected) {
  ListView_SetItemState(list_, row, selected ? LVIS_SELECTED : 0, LVIS_SELECTED);
}

void ChannelList::SelectAll() {
  SetSelected(-1, true);
}

void ChannelList::SelectOnly(const std::vector<int>& rows) {
  SetSelected(-1, false);
  for (int row : rows) SetSelected(row, true);
}

}  // namespace orvex
