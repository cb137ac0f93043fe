// The device parameter read without its window: the blocks as the worker takes them from the
// device, the data they add up to, the progress texts, what each run mode makes of the result,
// and the file the read file mode writes.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "AutoRunContext.h"
#include "FileSystem.h"
#include "ParameterSaveFile.h"

namespace orvex {

// The block buffer is the information block's transfer block length plus this.
constexpr uint32_t kReadBlockSpare = 16;
// After a complete read the worker waits this long before it says so.
constexpr uint32_t kReadSuccessPauseMs = 500;
// Results of the read window and the messages its worker posts.
constexpr int kReadSucceeded = 6;
constexpr int kReadFailed = 7;
constexpr int kReadRefused = 255;

// The device side of one read (the device channel's block call).
class ParameterBlockSource {
 public:
  virtual ~ParameterBlockSource() = default;
  // The next block into `buffer`, whose first word gets the capacity: -1 failure, 0 more blocks
  // follow, non-zero the last one.
  virtual int NextBlock(uint8_t* buffer, uint32_t capacity) = 0;
  // Ends the read early (the block call with the continue flag clear).
  virtual void EndRead(uint8_t* buffer, uint32_t capacity) = 0;
  // The system error of the last failed call.
  virtual uint32_t LastError() const = 0;
};

// The data of one read. The worker appends; the window reads the counts after the worker's end
// message (the count is published with release order, so the bytes before it are seen too).
class ParameterReadData {
 public:
  // Takes the size the device announced; false when no buffer of that size can be had.
  bool Start(uint32_t total_size);
  // Appends a non-empty piece that fits in what is still to come; a piece that does not fit is
  // dropped whole (false).
  bool Append(const uint8_t* data, uint32_t length);

  uint32_t total() const { return total_; }
  uint32_t received() const { return received_.load(std::memory_order_acquire); }
  const uint8_t* bytes() const { return data_.data(); }
  bool Complete() const { return received() == total_; }

 private:
  std::vector<uint8_t> data_;
  uint32_t total_ = 0;
  std::atomic<uint32_t> received_{0};
};

enum class ReadEnd {
  kComplete,  // the device sent its last block
  kStopped,   // a block with a length word the buffer cannot hold: the read ends there and the
              // count check decides
  kFailed,    // the block call failed
};

struct ReadLoopResult {
  ReadEnd end = ReadEnd::kFailed;
  uint32_t error = 0;  // with kFailed: the system error
};

// The block buffer for the information block's transfer block length (plus kReadBlockSpare);
// false when it cannot be had.
bool MakeBlockBuffer(uint32_t transfer_block_length, std::vector<uint8_t>* block);

// The worker's loop: blocks into `block` until the last one, each block's data (its length word
// counts the 18-byte block header) appended. `progress` gets, for every appended piece, the count
// including it, before it is added.
ReadLoopResult RunParameterRead(ParameterBlockSource& source, ParameterReadData& data,
                                std::vector<uint8_t>& block,
                                const std::function<void(uint32_t position)>& progress);

// The progress window's title and status text for a position of `total`.
std::string ReadProgressTitle(std::string_view kept_title, uint32_t position, uint32_t total);
std::string ReadProgressStatus(uint32_t position, uint32_t total);
std::string ReadStartStatus(uint32_t total);

// A complete read of more than the 32-byte header, as the main window takes it over: the header's
// class byte and version, the image from offset 32 (zero where the device sent less). False for
// an incomplete read.
bool TakeOverRead(const ParameterReadData& data, LoadedSaveFile* out);

// The read window could not start the read. Automatic: one report, result 255; file modes:
// result 7 (refused) or -1 (no resources), no message; interactive: the message, result 255.
enum class ReadStartFailure { kRefused, kNoMemory, kNoThread };
struct ReadStartOutcome {
  int result = kReadRefused;
  RunOutcome outcome;  // report or message; the window does not end
};
ReadStartOutcome ReadStartFailed(RunMode mode, ReadStartFailure failure, int status);

// The block call failed: a report (automatic), the no-answer message (interactive), nothing
// (file modes).
RunOutcome ReadBlocksFailed(RunMode mode, uint32_t error);

// The read did not add up (interactive and automatic): the Size/Cnt message or report; the
// automatic run ends.
RunOutcome ReadIncomplete(RunMode mode, uint32_t total, uint32_t received);

// The read file mode's exit code after the read window ended with `result`: 255 when it did not
// open, the file's result (WriteReceivedFile) for a complete read, 3 for an incomplete one, 257
// for a failed one.
uint32_t ReadFileModeExitCode(int result, const ParameterReadData& data,
                              const std::function<uint32_t()>& write);

// Writes the data as read, header included, to `path`: 0 written, 1 the file could not be
// created (or an existing one replaced), 2 the write or the close failed, 3 less than a header.
// The bytes go to a new file beside the target first, which replaces it only once complete, so
// a failed write leaves an earlier file as it was.
uint32_t WriteReceivedFile(const std::string& path, const uint8_t* bytes, uint32_t size,
                           FileSystem& file_system = PlatformFileSystem());

}  // namespace orvex
