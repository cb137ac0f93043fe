// The device parameter write without its window: the image written, the progress the device
// reports turned into a position, the watchdog's decision, the result texts, and what the write
// file mode makes of the file and the result.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "AutoRunContext.h"
#include "FileSystem.h"

namespace orvex {

constexpr unsigned kWriteTimerPeriodMs = 1000;
// The device is taken for silent after this long without a progress record.
constexpr uint32_t kWriteSilenceMs = 5000;
// After the end record the window stays this long, showing 100 %.
constexpr uint32_t kWriteEndPauseMs = 500;
constexpr int kWriteSucceeded = 6;  // the end record arrived (whatever its result code)
constexpr int kWriteFailed = 7;     // silent device, or refused in the file mode
constexpr int kWriteRefused = 255;
constexpr size_t kCompletionRecordSize = 8;

// The bar: range R = (S / 2) * 10 for an image of S bytes; each of ten phases counts its
// remaining amount down from S / 2.
class WriteProgressMeter {
 public:
  explicit WriteProgressMeter(uint64_t image_size);

  uint32_t range() const { return range_; }

  struct Step {
    uint8_t phase = 0;
    uint32_t remaining = 0;  // clamped to S / 2
    uint32_t position = 0;   // within 0..R
    uint32_t percent = 0;
  };
  // A progress record's payload: the phase at byte 0, the remaining count at byte 4. A remaining
  // count above S / 2 counts as S / 2, so the bar never runs back within a phase; phases outside
  // 1..10 keep the bar within its range.
  Step Progress(const uint8_t* payload) const;

 private:
  uint64_t size_;
  uint64_t half_;
  uint32_t range_;
};

std::string WriteProgressTitle(std::string_view kept_title, uint32_t percent);
std::string WriteProgressStatus(uint8_t phase, uint32_t remaining);
std::string WriteDoneTitle(std::string_view kept_title);

// The watchdog: silent once kWriteSilenceMs or more have passed since the last activity.
bool WriteSilent(uint32_t now_tick, uint32_t last_activity_tick);

// The start of the write failed. Automatic: one report, 255; interactive: the message, 255; file
// modes: -1 (no resources) or 7 (refused), no message.
enum class WriteStartFailure { kNoTimer, kNoImage, kRefused };
struct WriteStartOutcome {
  int result = kWriteRefused;
  RunOutcome outcome;
};
WriteStartOutcome WriteStartFailed(RunMode mode, WriteStartFailure failure, int status);

// The device fell silent: a report (automatic) or the message (interactive); the window ends with 7.
RunOutcome WriteSilenceOutcome(RunMode mode);

// The interactive write's result message for a completion record, and whether it is a success.
struct WriteResultMessage {
  bool success = false;
  std::string text;
};
WriteResultMessage WriteResultFor(const uint8_t completion[kCompletionRecordSize]);

// The write file mode's reading of the named file: 0 read, 1 it cannot be opened, 2 reading
// failed, 255 no memory for it (also for a file beyond what one write can carry).
uint32_t ReadWriteModeFile(const std::string& path, std::vector<uint8_t>* bytes,
                           FileSystem& file_system = PlatformFileSystem());

// The write file mode's check of the file: a parameter save file (header check over the whole
// file, kind 0x91) gives 0, anything else 3.
uint32_t CheckWriteFile(const std::vector<uint8_t>& bytes);

// The write file mode's exit code after the write window ended with `result` and the device's
// result code: 255 when the window did not open, 0 for a write the device reports as done, 257
// for everything else, including a completed write the device reports as failed.
uint32_t WriteFileModeExitCode(int result, uint8_t device_result);

}  // namespace orvex
