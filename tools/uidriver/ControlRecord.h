// What the driver read from one window or control, without a window handle type, so that the
// readable dump of a screen is built and tested on the host as well.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace orvex::uidriver {

struct ScreenRect {
  int left = 0, top = 0, right = 0, bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
};

struct ControlRecord {
  uint64_t handle = 0;
  int id = 0;  // the control id as a 16-bit dialog id (IDC_STATIC reads 65535)
  std::string class_name;
  std::string text;  // code page 932
  bool enabled = true;
  bool visible = true;
  int checked = -1;  // -1 no check box or radio button; else BST_UNCHECKED/CHECKED/INDETERMINATE
  uint32_t style = 0;
  int depth = 1;  // 1 for a child of the window, 2 for a control on a child dialog, ...
  ScreenRect rect;
  // What a list view, list box, combo box or tab control lists: rows of column texts (one
  // column for all but list views), list view column titles, and the selected rows or index.
  std::vector<std::string> columns;
  std::vector<std::vector<std::string>> rows;
  std::vector<int> selected;
  // Why a list view's or tab control's texts could not be read; empty when they were.
  std::string contents_error;
};

struct WindowRecord {
  uint64_t handle = 0;
  uint32_t pid = 0;
  std::string caption;
  std::string class_name;
  bool enabled = true;
  bool visible = true;
  uint64_t owner = 0;
  ScreenRect rect;
  std::vector<ControlRecord> controls;
};

// A text in double quotes with '"', '\\' and control characters escaped; double-byte characters
// go out whole (their trail byte may be 0x5C).
std::string QuoteText(std::string_view text);

// One line per window and per control, the controls indented by depth, list contents below
// their control. Meant for people reading a failed test.
std::string DescribeWindow(const WindowRecord& window);
std::string DescribeWindows(const std::vector<WindowRecord>& windows);

}  // namespace orvex::uidriver
