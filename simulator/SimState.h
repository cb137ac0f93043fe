// The simulated adapter's state: what it reports, what it has stored and which faults are
// switched on. It lives in a plain text file of "key = value" lines (see README.md) in the
// folder named by ORVEX_SIM, so it outlives every process like the adapter's flash memory.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace orvex::sim {

constexpr char kStateFileName[] = "OrvexSim.txt";
constexpr char kLogFileName[] = "OrvexSim.log";
// The shortest time the adapter is away after a restart or reset: several of the library's polls.
constexpr uint32_t kMinAwayMs = 100;
// From a program write's end record to the adapter leaving the bus for its restart.
constexpr uint32_t kRestartDelayMs = 300;

// One fault. It is on while it has values (switches: while their value is 1); `times` limits how
// often it fires, and a fault that has fired its last time is removed from the file.
struct Fault {
  bool on = false;
  std::vector<uint32_t> values;
  int32_t times = -1;  // -1: every time

  uint32_t Value(size_t index, uint32_t fallback = 0) const {
    return index < values.size() ? values[index] : fallback;
  }
  // True when the fault fires now; counts the firing down.
  bool Fire();
};

struct Faults {
  Fault attach_result;   // the attach call answers value 0 at once
  Fault attach_status;   // the attach ends with event status value 0 and last error value 1
  Fault detach;          // after an attach: detach with status 0, error 1, after value 2 ms
  Fault refuse_image;    // the program write request is answered with status value 0
  Fault request_fail;    // switch: the request call fails
  Fault write_result;    // the write ends with completion code value 0 and detail bytes 1..7
  Fault write_silent;    // the device falls silent after value 0 progress records
  Fault alarm;           // after an attach: device-stopped alarm with status value 0, after value 1 ms
  Fault read_start;      // the parameter read start answers status value 0
  Fault read_short;      // the parameter data ends value 0 bytes before the announced size
  Fault read_overflow;   // the parameter data runs value 0 bytes beyond the announced size
  Fault read_malformed;  // a first parameter block with the length word value 0 and no data
  Fault read_fail;       // the block call fails after value 0 blocks
  Fault not_ready;       // switch: the device check answers 0
  Fault other_apps;      // value 0 other applications hold the device
  Fault reset_fail;      // switch: the hardware reset fails
  Fault system_silent;   // switch: after an attach the system channel never reports
};

// A board as its channel-started record describes it: kind byte and the four version words.
struct Board {
  uint8_t kind = 0;
  uint16_t words[4] = {};  // record offsets 18, 20, 22, 24

  bool operator==(const Board& o) const;
};

// Indexes into Board::words of the main controller.
constexpr int kWordMcDsp = 0;       // kinds 0x01, 0x02
constexpr int kWordMcCpu = 1;       // kind 0x00; the main controller version
constexpr int kWordParameters = 2;  // kind 0x91; first device version word
constexpr int kWordDevice2 = 3;     // second device version word

struct SimState {
  bool present = true;
  bool attach_at_once = false;
  uint32_t channels = 5;  // N; channel N is the system channel
  uint32_t max_lines = 60;
  uint32_t voice_channels = 0;
  uint32_t block_length = 1024;
  uint32_t product = 0x0DC8;
  uint32_t product_kind = 1;
  uint32_t library_version = 0x01010203;
  uint32_t driver_version = 0x01010400;
  // An installed driver file (Windows path): when set and it has a version resource, the driver
  // answers with that file's version, so a replaced driver shows its new version.
  std::string driver_file;
  uint32_t driver_detail = 3;
  bool driver_debug_supported = true;
  uint32_t driver_debug_level = 0;
  uint32_t library_debug_level = 0;
  std::string device_text[3];
  Board mc;
  std::map<uint32_t, Board> boards;  // by line channel 1..N-1
  std::string parameter_file = "Parameters.prg";

  uint32_t time_scale = 100;  // percent applied to every delay below
  uint32_t attach_delay_ms = 400;
  uint32_t notify_interval_ms = 30;
  uint32_t progress_steps = 4;  // progress records per phase
  uint32_t progress_interval_ms = 80;
  uint32_t restart_ms = 1500;     // away from the bus after a program write
  bool restart_after_failure = false;  // a write the adapter refuses at its end restarts it too
  uint32_t reset_away_ms = 3000;  // away from the bus after a hardware reset
  uint32_t read_block_ms = 2;
  int64_t away_until = 0;  // milliseconds since 1970 (UTC) until the adapter returns
  bool log = false;

  // Device operations, counted across every process that uses the adapter (SimOperations.h).
  uint32_t operations = 0;
  uint32_t unplug_at = 0;  // the adapter leaves the bus at this operation; 0: never
  std::string unplugged;   // where it last did: "<operation> <what>"
  // What the operations so far took the adapter itself by this configuration, in milliseconds
  // (SimOperations.h: OperationMs); the floor of a run's wall time.
  uint64_t adapter_ms = 0;

  Faults faults;

  SimState();
  uint32_t Scaled(uint32_t ms) const;
  // When the adapter is back after leaving the bus at `now_ms` for `ms` (scaled). Never at once,
  // whatever the scale: an adapter that is gone for no time is never seen to leave.
  int64_t ReturnTime(int64_t now_ms, uint32_t ms) const;
  // Present and not away at `now_ms`.
  bool Available(int64_t now_ms) const { return present && now_ms >= away_until; }
};

// Reads a state text over the defaults. False with "line N: ..." in *error for an unknown key,
// a bad value or an inconsistent adapter (boards outside the channels, more channels than lines).
bool ParseSimState(std::string_view text, SimState* state, std::string* error);

// Lays "key = value" lines over a state (as if they stood at the end of its file).
bool ApplySimStateLines(std::string_view lines, SimState* state, std::string* error);

// The text of `state` written over `old_text`: comments, blank lines and the order of the keys
// stay; changed values are replaced, spent faults removed and keys not yet there appended.
std::string UpdateSimStateText(std::string_view old_text, const SimState& state);

// A complete, commented state file for a fresh adapter.
std::string DefaultSimStateText();

// Every key with the value its line would carry (faults only while on), then the boards.
std::vector<std::pair<std::string, std::string>> SimStateEntries(const SimState& state);

}  // namespace orvex::sim
