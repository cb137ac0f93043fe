#include "ClipboardReport.h"

#include "DeviceVersionTable.h"
#include "FileListRules.h"
#include "Format.h"
#include "VersionText.h"

namespace orvex::flash {

std::string ReportRow(const std::vector<std::string>& cells, const int* widths, size_t width_count) {
  std::string line;
  for (size_t i = 0; i < cells.size(); ++i) {
    if (i > 0) line += ", ";
    line += cells[i];
    size_t width = i < width_count ? static_cast<size_t>(widths[i]) : 0;
    if (cells[i].size() < width) line.append(width - cells[i].size(), ' ');
  }
  return line + "\r\n";
}

std::string BuildClipboardReport(const ClipboardFacts& f) {
  const std::string rule = std::string(80, '-') + "\r\n";
  int file_widths[kFileColumnCount];
  for (int i = 0; i < kFileColumnCount; ++i) file_widths[i] = kFileColumns[i].width;
  int device_widths[kDeviceColumnCount];
  for (int i = 0; i < kDeviceColumnCount; ++i) device_widths[i] = kDeviceColumns[i].width;

  std::string text = rule;
  text += Format(" 更新ファイル一覧[%s]\r\n", f.folder.c_str());
  text += rule;
  for (const auto& row : f.file_rows) text += ReportRow(row, file_widths, kFileColumnCount);
  text += "\r\n" + rule;
  text += " デバイス・バージョン一覧\r\n";
  text += Format(" DLL Ver %s (%s)\r\n SYS Ver %s\r\n\r\n", VersionText(f.library_version).c_str(),
                 VersionText(f.expected_library_version).c_str(), VersionText(f.driver_version).c_str());
  text += Format(" 最大制御回線数 = %d", static_cast<int>(f.max_lines));
  if (f.max_lines != 0) {
    uint32_t voice = f.voice_channels != 0 ? f.voice_channels : f.max_lines;
    text += Format(", 音声制御可能ﾁｬﾈﾙ = 1 ～ %d\r\n", static_cast<int>(voice));
  } else {
    text += "\r\n";
  }
  text += rule;
  for (const auto& row : f.device_rows) text += ReportRow(row, device_widths, kDeviceColumnCount);
  text += "\r\n" + rule;
  text += " End of Information\r\n";
  text += rule;
  return text;
}

std::string ClipboardOpenFailedText(uint32_t error) {
  return Format("クリップボードのオープンに失敗しました。Err = %d ", static_cast<int>(error));
}
std::string ClipboardTransferFailedText() { return "クリップボードの転送に失敗しました。"; }
std::string ClipboardDoneText() {
  return "更新ファイル、およびデバイス情報をクリップボード（テキスト形式）に転送しました。";
}

}  // namespace orvex::flash
