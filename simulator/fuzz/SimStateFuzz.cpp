// Any text as a state file: it is read or refused, never crashes, and what the adapter writes
// back (after counting an operation, maybe pulled out at it, and erasing a cut-off write) reads
// again as the same state.
#include <cstddef>
#include <cstdint>
#include <string>

#include "SimDevice.h"
#include "SimOperations.h"
#include "SimState.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  orvex::sim::SimState state;
  std::string error;
  if (!orvex::sim::ParseSimState(text, &state, &error)) return 0;
  state.faults.alarm.Fire();
  state.boards.erase(1);
  state.away_until += 1;
  orvex::sim::CountOperation(&state, orvex::sim::Operation::kProgress);
  if (size >= 2) orvex::sim::EraseWriteTarget(&state, {data[0], data[1], 4096});
  std::string written = orvex::sim::UpdateSimStateText(text, state);
  orvex::sim::SimState again;
  if (!orvex::sim::ParseSimState(written, &again, &error)) __builtin_trap();
  if (orvex::sim::UpdateSimStateText(written, again) != written) __builtin_trap();
  return 0;
}
