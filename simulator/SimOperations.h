// The adapter's device operations, counted in its state file so that the count runs on across
// every process of one automatic update (the driver stand-in in OrvexRoll, the library in OrvexSet
// and OrvexFlash). A test learns N from a clean run and then pulls the adapter out at operation
// k = 1..N (`unplug_at`), the way a cable is pulled at any moment of a real update.
//
// What counts is what the adapter itself does, each once, in an order that the tools decide and
// the timing does not: an attach finished, a notification delivered (channel started, progress,
// write end, alarm), a parameter block delivered, the restart after a program write, a hardware
// reset (library or reset packet). Polls, queries and requests (finding the adapter, versions,
// the open count, the information block, the write request) do not count: their number depends
// on how long the tools wait.
#pragma once

#include <cstdint>

#include "DeviceRecords.h"
#include "SimState.h"

namespace orvex::sim {

enum class Operation {
  kAttach,
  kChannelStarted,
  kNotification,  // any other notification (the device-stopped alarm)
  kParameterBlock,
  kProgress,
  kWriteEnd,
  kRestart,
  kReset,
};

const char* OperationName(Operation op);
// The operation a notification record stands for, by its event code.
Operation NotificationOperation(uint16_t code);

// What the operation takes the adapter itself by the state's configuration, scaled, as the
// library spends it: an attach its attach delay, a channel-started record the interval before it,
// a parameter block its block time, a progress or end record the progress interval, a restart the
// pause before it leaves plus the time it is away, a reset the time it is away. The alarm (a
// fault) takes nothing.
uint32_t OperationMs(const SimState& state, Operation op);

// Counts one operation and adds its time to `adapter_ms`. False when the adapter leaves the bus at it instead: the operation is
// not carried out, `present` becomes 0 (the adapter stays away until a test plugs it in again),
// `unplug_at` is spent and `unplugged` says where. An `unplug_at` the count has already passed
// fires at the next operation.
bool CountOperation(SimState* state, Operation op);

}  // namespace orvex::sim
