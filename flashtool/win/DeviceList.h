// The device list (control 2007): the main controller's row "(MC)" and one row per running line
// channel, with board, versions, status and extended words.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "DeviceVersionTable.h"
#include "ListView.h"

namespace orvex::flash {

class DeviceList {
 public:
  void Attach(HWND list, int char_width, bool grid_lines);

  // Only the main controller's row, waiting for the device.
  void Reset();
  void RemoveRow(uint32_t channel);
  // The row of a table entry (0: the main controller) from what the entry holds now.
  void ShowRow(const DeviceVersionTable& table, size_t index, uint32_t driver_detail);
  // The status column of a channel's row (row 0 when the channel has none); a text selects it.
  void SetStatus(uint32_t channel, const std::string& text);

  std::vector<std::vector<std::string>> Rows() const;
  ListView& View() { return view_; }

 private:
  int RowOf(uint32_t channel) const;
  ListView view_;
};

}  // namespace orvex::flash
