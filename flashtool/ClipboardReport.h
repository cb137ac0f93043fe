// The text the clipboard button copies for a support request: the update file list, the library
// and driver versions, the device list.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace orvex::flash {

struct ClipboardFacts {
  std::string folder;
  std::vector<std::vector<std::string>> file_rows;    // six cells each
  uint32_t library_version = 0;
  uint32_t expected_library_version = 0;
  uint32_t driver_version = 0;
  uint32_t max_lines = 0;
  uint32_t voice_channels = 0;                        // 0: as many as max_lines
  std::vector<std::vector<std::string>> device_rows;  // five cells each
};

// Code page 932 text with CR LF line ends.
std::string BuildClipboardReport(const ClipboardFacts& facts);

// One row: every cell padded with blanks to its column's width (a longer cell gets none), the
// cells joined by ", ".
std::string ReportRow(const std::vector<std::string>& cells, const int* widths, size_t width_count);

std::string ClipboardOpenFailedText(uint32_t error);
std::string ClipboardTransferFailedText();
std::string ClipboardDoneText();

}  // namespace orvex::flash
