// What the simulated adapter says and does, computed from its state: information blocks,
// notification records, the judgement of program images and the parameter read stream. The
// timing and the threads are the library's (win/SimLibrary).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "DeviceRecords.h"
#include "SimState.h"

namespace orvex::sim {

DeviceInfoBlock BuildDeviceInfoBlock(const SimState& state);
AdapterInfo BuildAdapterInfo(const SimState& state);
// The driver's 16-byte version reply: version, then the detail (attribute bits).
void BuildDriverVersionReply(const SimState& state, uint8_t out[kDriverReplySize]);

using Record = std::vector<uint8_t>;

Record ChannelStartedRecord(uint32_t channel, const Board& board);
// What the adapter reports after an attach: a record for every line channel with a board, in
// channel order, then the system channel's.
std::vector<Record> ChannelStartedRecords(const SimState& state);
Record DeviceStoppedRecord(uint32_t channel, uint8_t status);
Record ProgressRecord(uint32_t channel, uint8_t phase, uint32_t remaining);
Record EndRecord(uint32_t channel, const uint8_t completion[8]);

// Ten phases, each counting the image's half size down to 0 in `steps_per_phase` records.
struct ProgressStep {
  uint8_t phase = 0;
  uint32_t remaining = 0;
};
std::vector<ProgressStep> ProgressSteps(uint32_t image_size, uint32_t steps_per_phase);

// Which version word a program image replaces.
struct WriteTarget {
  bool main_controller = false;
  std::vector<uint8_t> board_kinds;  // line boards it is for (none for the main controller)
  int word = -1;                     // index into Board::words; -1: the adapter keeps no version
  uint8_t nibble = 0;                // boards whose word has this high nibble only (0: all)
};
// Nothing when the adapter has no processor for this kind and target code.
std::optional<WriteTarget> ResolveWriteTarget(uint8_t kind, uint8_t target);

// The adapter's answer to a program write request: 0 accepted, 255 not an image it can take
// (too short, a target it does not know or a board it does not have).
uint8_t WriteRequestStatus(const SimState& state, const ProgramWriteRequest& request);

// Completion codes of the end record.
constexpr uint8_t kCompletionOk = 0x00;
constexpr uint8_t kCompletionBadFormat = 0x11;
constexpr uint8_t kCompletionChecksum = 0x12;
constexpr uint8_t kCompletionMismatch = 0x13;

// The adapter's check of the bytes it received: 0 or one of the codes above.
uint8_t CheckReceivedImage(const ProgramWriteRequest& request, const uint8_t* image, size_t size);

// Takes a checked image into the state: the version word of every processor it names. True when
// it is a parameter save file, which the caller stores as the adapter's parameters.
bool ApplyWrittenImage(SimState* state, const ProgramWriteRequest& request, const uint8_t* image,
                       size_t size);

// A write cut off before its end (the adapter left the bus while rewriting its flash): every
// processor the request names is erased and reports version 0.000, as its boot loader would;
// stored-name boards keep the high digit that tells their type apart. True when it was a
// parameter save file: the caller then stores EmptyParameterFile() of the erased state.
bool EraseWriteTarget(SimState* state, const ProgramWriteRequest& request);

// The parameters of an adapter that has never been written, or whose parameter write was cut
// off: an empty parameter save file (a valid header, zeros).
std::vector<uint8_t> EmptyParameterFile(const SimState& state);

// The blocks of one parameter read.
class ParameterStream {
 public:
  struct Faults {
    uint32_t short_by = 0;
    uint32_t overflow_by = 0;
    std::optional<uint32_t> malformed_length;
    std::optional<uint32_t> fail_after;
  };

  // The announced size is the file's; what follows may differ by the faults.
  ParameterStream(std::vector<uint8_t> file, const Faults& faults);

  uint32_t Announced() const { return announced_; }
  // Fills one block into buffer (its first word is the capacity): -1 failure, 0 more, 1 last.
  int NextBlock(uint8_t* buffer);

 private:
  std::vector<uint8_t> data_;
  uint32_t announced_ = 0;
  size_t offset_ = 0;
  uint32_t blocks_ = 0;
  Faults faults_;
  bool malformed_sent_ = false;
};

}  // namespace orvex::sim
