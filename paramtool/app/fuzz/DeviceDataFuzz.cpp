// What the adapter sends OrvexSet: notification records, the blocks of a parameter read (their
// length words in particular), write progress payloads and completion records.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "DeviceEvents.h"
#include "ParameterSaveFile.h"
#include "ReadTransfer.h"
#include "WriteTransfer.h"

namespace {

// Blocks cut from the fuzz input: a length word, an answer and the rest of the block.
class InputBlocks : public orvex::ParameterBlockSource {
 public:
  InputBlocks(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  int NextBlock(uint8_t* buffer, uint32_t capacity) override {
    if (at_ + 5 > size_) return -1;
    const int answer = data_[at_] % 3 == 0 ? 1 : 0;
    std::memcpy(buffer, data_ + at_ + 1, 4);
    at_ += 5;
    const size_t rest = capacity - 4 < size_ - at_ ? capacity - 4 : size_ - at_;
    std::memcpy(buffer + 4, data_ + at_, rest);
    at_ += rest / 4;
    return answer;
  }
  void EndRead(uint8_t*, uint32_t) override {}
  uint32_t LastError() const override { return 0; }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t at_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace orvex;
  if (size < 2) return 0;
  // Records are read as the library gives them: at least kNoticeBytesRead bytes.
  uint8_t record[kNoticeBytesRead] = {};
  std::memcpy(record, data, size < sizeof record ? size : sizeof record);
  const DeviceNotice notice = ReadDeviceNotice(record, data[0]);
  (void)notice;

  WriteProgressMeter meter(size * 97);
  const WriteProgressMeter::Step step = meter.Progress(record + 16);
  if (step.position > meter.range()) std::abort();
  (void)WriteResultFor(record + 16);

  // A read of an announced size from the input, in blocks of a transfer length from the input.
  ParameterReadData read;
  const uint32_t total = static_cast<uint32_t>(data[1]) * 64;
  if (!read.Start(total)) return 0;
  std::vector<uint8_t> block;
  if (!MakeBlockBuffer(static_cast<uint32_t>(data[0]) + 8, &block)) return 0;
  InputBlocks source(data + 2, size - 2);
  uint32_t last = 0;
  RunParameterRead(source, read, block, [&](uint32_t position) {
    if (position > total || position < last) std::abort();
    last = position;
  });
  if (read.received() > total) std::abort();
  auto taken = std::make_unique<LoadedSaveFile>();
  (void)TakeOverRead(read, taken.get());
  return 0;
}
