// The update dialog's arithmetic and texts: the progress scale and position, the status line for
// each device report, the time-out and the texts the automatic mode reports.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace orvex::flash {

// Update dialog states.
enum UpdateState : int {
  kUpdateIdle = -1,     // not started, or failed
  kUpdateRunning = 0,
  kUpdateSucceeded = 1,
  kUpdateDeviceError = 2,
};

// Results the update dialog ends with in automatic mode (besides IDCANCEL in manual mode).
constexpr int kUpdateResultFailed = -1;
constexpr int kUpdateResultSucceeded = 1;
constexpr int kUpdateResultDeviceError = 2;
constexpr int kUpdateResultRefused = 5;  // the device does not take the file's format: next file

constexpr uint32_t kWatchdogMs = 10000;
constexpr uint8_t kLostDeviceStatus = 0xFF;

// The bar runs from 0 to (V / 2) * 10.
int32_t ProgressScale(uint32_t valid_size);
// Pass p (from 1) with r words remaining of V / 2; r above V / 2 counts as V / 2 so the bar never
// runs backwards within a pass, and the position stays on the scale.
int32_t ProgressPosition(uint32_t valid_size, uint8_t pass, uint32_t remaining);

// " %02X" for each of the eight bytes at record offset 16.
std::string RecordDetailText(const uint8_t* record);

std::string TitleText(std::string_view dialog_title, std::string_view file_name, std::string_view kind_text,
                      std::string_view version_text);

std::string RunningText();                                  // 実行中
std::string ProgressText(std::string_view detail);          // 実行中 : detail
std::string SucceededText();                                // 正常に終了しました
std::string EndFailedText(uint8_t status, std::string_view detail);  // 異常終了 Err = %Xh : detail
// The status after ten seconds without a report, built from the status shown until then.
std::string NoAnswerText(std::string_view current_status);

// Start failures on the status line.
std::string OpenFailedText();
std::string FileFaultText();
std::string MemoryText();
std::string ReadFailedText();
std::string TimerFailedText();
// A non-zero result of the write: the format refusal (255) or any other device status.
std::string WriteRefusedText(int result);

// Message boxes of manual mode.
std::string TransferErrorMessage();  // after a write that did not go through (-2)
std::string NoAnswerMessage();

// Automatic-mode reports.
std::string AutoReadFailedText(uint32_t error);     // code 2
std::string AutoResourceText();                      // code 3
std::string AutoWriteFailedText(int result);         // code 256, or code 0 for 255
std::string AutoLostDeviceText(uint32_t error);     // code 256
std::string AutoSucceededText();                     // code 0: 更新成功
std::string AutoResetText(bool done);                // code 0
// The first "from" that starts a character of its own replaced by "to".
std::string ReplaceFirst(std::string_view text, std::string_view from, std::string_view to);
// A failed end's status line as the automatic mode reports it (異常終了 -> 更新失敗).
std::string AutoEndFailedText(std::string_view status);
// The time-out's status line as the automatic mode reports it (失敗 -> 異常).
std::string AutoNoAnswerText(std::string_view status);

}  // namespace orvex::flash
