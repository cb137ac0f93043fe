// Any text as a state file: it is read or refused, never crashes, and what the adapter writes
// back reads again as the same state.
#include <cstddef>
#include <cstdint>
#include <string>

#include "SimState.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  orvex::sim::SimState state;
  std::string error;
  if (!orvex::sim::ParseSimState(text, &state, &error)) return 0;
  state.faults.alarm.Fire();
  state.boards.erase(1);
  state.away_until += 1;
  std::string written = orvex::sim::UpdateSimStateText(text, state);
  orvex::sim::SimState again;
  if (!orvex::sim::ParseSimState(written, &again, &error)) __builtin_trap();
  if (orvex::sim::UpdateSimStateText(written, again) != written) __builtin_trap();
  return 0;
}
