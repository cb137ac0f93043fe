#include "SimOperations.h"

#include <algorithm>

#include "Format.h"

namespace orvex::sim {

const char* OperationName(Operation op) {
  switch (op) {
    case Operation::kAttach:
      return "attach";
    case Operation::kChannelStarted:
      return "channel started";
    case Operation::kNotification:
      return "notification";
    case Operation::kParameterBlock:
      return "parameter block";
    case Operation::kProgress:
      return "progress";
    case Operation::kWriteEnd:
      return "write end";
    case Operation::kRestart:
      return "restart";
    case Operation::kReset:
      return "reset";
  }
  return "?";
}

Operation NotificationOperation(uint16_t code) {
  switch (code) {
    case kCodeChannelStarted:
      return Operation::kChannelStarted;
    case kCodeTransferProgress:
      return Operation::kProgress;
    case kCodeTransferEnd:
      return Operation::kWriteEnd;
    default:
      return Operation::kNotification;
  }
}

uint32_t OperationMs(const SimState& s, Operation op) {
  switch (op) {
    case Operation::kAttach:
      return s.Scaled(s.attach_delay_ms);
    case Operation::kChannelStarted:
      return s.Scaled(s.notify_interval_ms);
    case Operation::kNotification:
      return 0;
    case Operation::kParameterBlock:
      return s.Scaled(s.read_block_ms);
    case Operation::kProgress:
    case Operation::kWriteEnd:
      return s.Scaled(s.progress_interval_ms);
    case Operation::kRestart:
      return s.Scaled(kRestartDelayMs) + std::max(s.Scaled(s.restart_ms), kMinAwayMs);
    case Operation::kReset:
      return std::max(s.Scaled(s.reset_away_ms), kMinAwayMs);
  }
  return 0;
}

bool CountOperation(SimState* s, Operation op) {
  if (s->operations < UINT32_MAX) ++s->operations;
  if (s->unplug_at == 0 || s->operations < s->unplug_at) {
    s->adapter_ms += OperationMs(*s, op);
    return true;
  }
  s->unplug_at = 0;
  s->present = false;
  s->unplugged = Format("%u %s", s->operations, OperationName(op));
  return false;
}

}  // namespace orvex::sim
