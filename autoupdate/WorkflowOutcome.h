// What the main window does once the worker has ended: the closing log line, the final message
// box, what becomes of the recovery file, and whether the window closes by itself after saving
// the log.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace orvex::autoupdate {

struct WorkflowOutcome {
  std::string log_line;  // "<title>正常終了" or "<title>異常終了"
  bool show_box = false;
  std::string box_text;
  uint32_t box_type = 0;  // MessageBoxCodes
  enum RecoveryAction { kKeep, kDelete, kStore } recovery = kKeep;
  bool close_after_save = false;  // start-up failed: nothing to look at once the log is saved
};

// `succeeded`: the version update tool reported success. `run_phase` as the worker left it.
WorkflowOutcome DecideOutcome(bool succeeded, int run_phase, std::string_view title, std::string_view failure_reason);

}  // namespace orvex::autoupdate
