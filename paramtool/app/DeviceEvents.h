// What OrvexSet's main window makes of the device channel's messages, without the window: what a
// notification record says, which step a system notice starts, and what an abnormal detach or a
// device-stopped alarm does in each run mode.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "AutoRunContext.h"

namespace orvex {

// The bytes of a notification record the window reads: the 16-byte header and the payload up to
// the end of a completion record (a progress record's remaining count, a system notice's words).
constexpr size_t kNoticeBytesRead = 32;

enum class NoticeKind {
  kLineStarted,    // a line board started: its board code
  kSystemNotice,   // the system channel started: main controller version and device words
  kLineStopped,    // a line board stopped
  kWriteProgress,  // progress of a program write (payload for the write window)
  kWriteEnd,       // end of a program write
  kDeviceStopped,  // the device-stopped alarm with its status
  kOther,
};

struct DeviceNotice {
  NoticeKind kind = NoticeKind::kOther;
  uint32_t channel = 0;  // 1-based
  uint8_t board = 0xFF;
  uint16_t mc_version = 0;
  uint16_t device_word1 = 0;
  uint16_t device_word2 = 0;
  uint8_t stop_status = 0;
};

// Reads a record of at least kNoticeBytesRead bytes for a device of `channel_count` channels
// (channel N is the system channel). Records that are not valid notifications give kOther.
DeviceNotice ReadDeviceNotice(const uint8_t* record, uint32_t channel_count);

// The first notice flag and the error flag: which system notice starts the run mode's next step.
class NoticeTracker {
 public:
  enum class Step {
    kNone,    // after an abnormal detach: this notice only clears the error
    kFirst,   // the first notice since the attach
    kRepeat,  // a later notice
  };

  Step OnSystemNotice();
  // Every detach clears the first notice; an abnormal one (status other than 0x100) sets the
  // error flag.
  void OnDetached(uint32_t status);
  bool error() const { return error_; }

 private:
  bool first_seen_ = false;
  bool error_ = false;
};

// What the first system notice starts, by run mode (the automatic run's definition choice comes
// first when it has files to choose from).
enum class FirstNoticeStep { kSelectDefinition, kConnection, kWriteFile };
FirstNoticeStep FirstNoticeStepFor(const AutoRunContext& context);

// A detach with a status other than 0x100. Automatic: one report, the end. Interactive and file
// modes: the message (not in a file mode run with /m: nobody is there to answer it), then the
// device is attached again.
struct DetachOutcome {
  RunOutcome outcome;
  bool attach_again = false;
};
DetachOutcome AbnormalDetach(const AutoRunContext& context, uint32_t status, uint32_t error);

// The device-stopped alarm: a report and the end (automatic), exit code 257 and the end (file
// modes), or the hardware-reset question (interactive, in `question`).
struct StoppedOutcome {
  RunOutcome outcome;
  std::string question;
};
StoppedOutcome DeviceStopped(RunMode mode, uint8_t status);

}  // namespace orvex
