// What OrvexRoll keeps from a child's reports: the last non-zero code and its value decide the
// step, the last failure text is shown in the retry question and the final failure message.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "LogEntry.h"

namespace orvex::autoupdate {

struct ChildResult {
  int32_t code = 0;   // 0 until a report with a non-zero code arrives; 1 = success
  int32_t value = 0;  // lParam of that report
  std::string failure_reason;
  // Every report, progress lines included: whether one came, and the value of the last one (the
  // version update tool sends its current stage with each).
  bool any_report = false;
  int32_t last_value = 0;

  // Before each child start; the failure reason survives (only a retry clears it).
  void ResetCode() {
    code = 0;
    any_report = false;
  }
  bool Succeeded() const { return code == kReportSuccessCode; }

  static constexpr int32_t kReportSuccessCode = 1;
};

// The WM_CHILD_REPORT handler: logs the buffer's text with the code and a time stamp, keeps a
// non-zero code and its value, keeps the text of a failure (an empty text clears the reason).
void HandleChildReport(uint32_t code, int32_t value, std::string_view text, ChildResult* result, LogSink* log);

}  // namespace orvex::autoupdate
