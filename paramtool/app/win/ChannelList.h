// The main window's list of the 60 channels: one row per channel with its image and text, the
// channel number as item data, any number of rows selected.
#pragma once

#include <windows.h>
// after windows.h
#include <commctrl.h>

#include <string>

#include <string_view>
#include <vector>

namespace orvex {

class ChannelList {
 public:
  static constexpr int kRows = 60;

  // Takes the list control over: the image list (not owned) and 60 rows of 14 blanks.
  void Attach(HWND list, HIMAGELIST images);
  HWND hwnd() const { return list_; }

  void SetRow(int row, std::string_view text, int image);
  std::string RowText(int row) const;
  int RowImage(int row) const;

  std::vector<int> SelectedRows() const;
  // The row with the focus, -1 when none.
  int FocusedRow() const;
  void SelectAll();
  void SelectOnly(const std::vector<int>& rows);
  void SetSelected(int row, bool selected);

  // Shares the width among as many columns as the rows need. A list view may measure its items
  // again when it is first shown, so the window calls this once more then.
  void FitColumns();

 private:
  HWND list_ = nullptr;
};

}  // namespace orvex
