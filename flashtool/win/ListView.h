// A report-view list control addressed with code page 932 texts: columns, rows kept sorted by the
// control, item data, selection. The main window's two lists are made of it.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "FileListRules.h"

namespace orvex::flash {

class ListView {
 public:
  void Attach(HWND hwnd) { hwnd_ = hwnd; }
  HWND hwnd() const { return hwnd_; }

  // Full-row selection, and grid lines when the system has them (Windows XP on).
  void SetExtendedStyle(bool grid_lines);
  // Column widths are characters times the dialog font's average character width.
  void AddColumns(const ListColumn* columns, int count, int char_width);
  int ColumnCount() const { return columns_; }
  // Widens a column whose heading or cells do not fit (never below its given width), so that
  // no date or version is clipped in a font wider than the one the widths were set for.
  void FitColumns();

  int Count() const;
  void Clear();
  // A new row with the first cell's text; the control sorts it in. Its index, or -1.
  int Insert(std::string_view first, LPARAM data);
  bool SetCell(int row, int column, std::string_view text);
  std::string Cell(int row, int column) const;
  std::vector<std::string> Row(int row) const;
  LPARAM Data(int row) const;
  int FindData(LPARAM data) const;
  // The first row whose text begins with `text` (case aside), or -1.
  int FindPrefix(std::string_view text) const;
  // The row whose text is `text` (case aside), or -1.
  int FindExact(std::string_view text) const;
  bool Delete(int row);

  int Selected() const;
  // Selects and focuses the row, every other row deselected.
  void SelectOnly(int row);
  void EnsureVisible(int row);
  // When the list loses the focus, its focused row is selected again.
  void SelectFocused();

 private:
  HWND hwnd_ = nullptr;
  int columns_ = 0;
  std::vector<int> widths_;
};

}  // namespace orvex::flash
