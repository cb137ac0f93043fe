#include "DeviceList.h"

namespace orvex::flash {

void DeviceList::Attach(HWND list, int char_width, bool grid_lines) {
  view_.Attach(list);
  view_.SetExtendedStyle(grid_lines);
  view_.AddColumns(kDeviceColumns, kDeviceColumnCount, char_width);
}

void DeviceList::Reset() {
  view_.Clear();
  int row = view_.Insert(kMainRowLabel, 0);
  view_.SetCell(row, 1, kMainRowKind);
  view_.SetCell(row, 3, AttachWaitingText());
  view_.FitColumns();
}

void DeviceList::RemoveRow(uint32_t channel) {
  if (channel == 0) return;
  int row = view_.FindData(static_cast<LPARAM>(channel));
  if (row >= 0) view_.Delete(row);
}

int DeviceList::RowOf(uint32_t channel) const {
  int row = view_.FindData(static_cast<LPARAM>(channel));
  return row >= 0 ? row : view_.FindData(0);
}

void DeviceList::ShowRow(const DeviceVersionTable& table, size_t index, uint32_t driver_detail) {
  const ChannelEntry& entry = table.Entry(index);
  int row;
  if (index == 0) {
    row = view_.FindData(0);
    if (row < 0) {
      row = view_.Insert(kMainRowLabel, 0);
      view_.SetCell(row, 1, kMainRowKind);
    }
    view_.SetCell(row, 1, MainKindText(view_.Cell(row, 1), driver_detail));
  } else {
    row = view_.FindData(static_cast<LPARAM>(index));
    if (row < 0) row = view_.Insert(ChannelLabel(static_cast<uint32_t>(index)), static_cast<LPARAM>(index));
    if (row < 0) return;
    view_.SetCell(row, 1, BoardKindName(entry.BoardKind()));
  }
  view_.SetCell(row, 2, EntryVersionsText(entry));
  view_.SetCell(row, 3, "");
  view_.SetCell(row, 4, EntryExtendedText(entry));
  view_.FitColumns();
}

void DeviceList::SetStatus(uint32_t channel, const std::string& text) {
  int row = RowOf(channel);
  if (row < 0) return;
  view_.SetCell(row, 3, text);
  view_.FitColumns();
  if (!text.empty()) view_.SelectOnly(row);
}

std::vector<std::vector<std::string>> DeviceList::Rows() const {
  std::vector<std::vector<std::string>> rows;
  for (int r = 0; r < view_.Count(); ++r) rows.push_back(view_.Row(r));
  return rows;
}

}  // namespace orvex::flash
