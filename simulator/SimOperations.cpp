#include "SimOperations.h"

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

bool CountOperation(SimState* s, Operation op) {
  if (s->operations < UINT32_MAX) ++s->operations;
  if (s->unplug_at == 0 || s->operations < s->unplug_at) return true;
  s->unplug_at = 0;
  s->present = false;
  s->unplugged = Format("%u %s", s->operations, OperationName(op));
  return false;
}

}  // namespace orvex::sim
