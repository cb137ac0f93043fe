// The main window's texts and the few decisions it makes without a window: the automatic mode's
// phases and watchdog, the help file's path, the confirmations and failure messages.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace orvex::flash {

// Automatic-mode phases.
enum AutoPhase : int {
  kPhaseWaitDevice = 0,
  kPhaseWaitSystemChannel = 1,
  kPhaseRunning = 2,
};

constexpr uint32_t kDefaultWaitMs = 60000;
constexpr char kAutoTitleSuffix[] = " <自動>";

// The watchdog's report when the device or its system channel has not come within the wait time
// (strictly more than `wait_ms` since the phase began); nothing while there is time left or
// while an update runs.
std::optional<std::string> WatchdogReport(int phase, uint64_t elapsed_ms, uint32_t wait_ms);

// The program path with its three-letter extension replaced by "chm".
std::string HelpFilePath(std::string_view program_path);

// The detach in automatic mode while the update dialog runs: the value the dialog gets in place
// of a record (0 for an ordinary detach, else the error, 1 when the error is 0).
uint32_t LostDeviceValue(uint32_t status, uint32_t error);

std::string FolderDialogTitle(std::string_view extension);
std::string UpdateQuestion(std::string_view file_name);
std::string FillFailedText();
std::string NoFileSelectedText();
std::string AutoNoFileSelectedText();
std::string HelpMissingText(std::string_view help_path);
std::string MenuFailedText();
std::string ChannelFailedText();
std::string AutoChannelFailedText();
std::string AutoTimerFailedText();
std::string AutoDeviceFaultText(uint32_t status, uint32_t error);
std::string AutoDeviceStoppedText(uint8_t status);
std::string FatalAlarmQuestion(uint8_t status);
std::string ResetQuestion();

constexpr char kUpdateQuestionCaption[] = "更新確認";
constexpr char kResetQuestionCaption[] = "リセット確認";

}  // namespace orvex::flash
