#include "SimDevice.h"

#include <algorithm>
#include <cstring>

#include "ProgramHeader.h"

namespace orvex::sim {

DeviceInfoBlock BuildDeviceInfoBlock(const SimState& s) {
  DeviceInfoBlock block;
  block.SetMaxLines(s.max_lines);
  block.SetChannelCount(s.channels);
  block.SetBlockLength(s.block_length);
  block.SetVoiceChannels(s.voice_channels);
  return block;
}

AdapterInfo BuildAdapterInfo(const SimState& s) {
  AdapterInfo info;
  PutLe16(info.bytes + 10, static_cast<uint16_t>(s.product));
  PutLe16(info.bytes + 12, static_cast<uint16_t>(s.product_kind));
  PutLe32(info.bytes + 40, s.channels - 1);
  return info;
}

void BuildDriverVersionReply(const SimState& s, uint8_t out[kDriverReplySize]) {
  std::memset(out, 0, kDriverReplySize);
  PutLe32(out, s.driver_version);
  PutLe32(out + 4, s.driver_detail);
}

Record ChannelStartedRecord(uint32_t channel, const Board& board) {
  uint8_t payload[kStartedRecordSize - kRecordHeaderSize] = {};
  uint8_t ten[10] = {};
  ten[0] = board.kind;
  for (int i = 0; i < 4; ++i) PutLe16(ten + 2 + 2 * i, board.words[i]);
  std::memcpy(payload + (kStartedKindOffset - kRecordHeaderSize), ten, sizeof ten);
  std::memcpy(payload + (kStartedCopyOffset - kRecordHeaderSize), ten, sizeof ten);
  return BuildNotificationRecord(static_cast<uint8_t>(channel), kCodeChannelStarted, payload, sizeof payload);
}

std::vector<Record> ChannelStartedRecords(const SimState& s) {
  std::vector<Record> records;
  for (const auto& [channel, board] : s.boards) {
    if (channel >= 1 && channel < s.channels) records.push_back(ChannelStartedRecord(channel, board));
  }
  records.push_back(ChannelStartedRecord(s.channels, s.mc));
  return records;
}

Record DeviceStoppedRecord(uint32_t channel, uint8_t status) {
  // The status byte is read at the start of the payload and at record offset 32 alike.
  uint8_t payload[kStartedRecordSize - kRecordHeaderSize] = {};
  payload[0] = status;
  payload[kStartedCopyOffset - kRecordHeaderSize] = status;
  return BuildNotificationRecord(static_cast<uint8_t>(channel), kCodeDeviceStopped, payload, sizeof payload);
}

Record ProgressRecord(uint32_t channel, uint8_t phase, uint32_t remaining) {
  uint8_t payload[16] = {};
  payload[0] = phase;
  PutLe32(payload + 4, remaining);
  return BuildNotificationRecord(static_cast<uint8_t>(channel), kCodeTransferProgress, payload,
                                 sizeof payload);
}

Record EndRecord(uint32_t channel, const uint8_t completion[8]) {
  uint8_t payload[16] = {};
  std::memcpy(payload, completion, 8);
  return BuildNotificationRecord(static_cast<uint8_t>(channel), kCodeTransferEnd, payload, sizeof payload);
}

std::vector<ProgressStep> ProgressSteps(uint32_t image_size, uint32_t steps_per_phase) {
  std::vector<ProgressStep> steps;
  uint32_t half = image_size / 2;
  uint32_t n = std::max<uint32_t>(steps_per_phase, 1);
  for (uint8_t phase = 1; phase <= 10; ++phase) {
    for (uint32_t k = 1; k <= n; ++k) {
      steps.push_back({phase, static_cast<uint32_t>(static_cast<uint64_t>(half) * (n - k) / n)});
    }
  }
  return steps;
}

namespace {

// What each program kind (and, where it matters, target code) replaces; kinds 0x30-0x3F stand
// for the whole range of stored-name programs.
struct TargetRow {
  uint8_t kind;
  int target;  // -1: any
  bool main_controller;
  uint8_t boards[2];
  size_t board_count;
  int word;
  uint8_t nibble;
};

constexpr TargetRow kTargets[] = {
    {0x00, -1, true, {}, 0, kWordMcCpu, 0},
    {0x01, -1, true, {}, 0, kWordMcDsp, 0},
    {0x02, -1, true, {}, 0, kWordMcDsp, 0},
    {0x90, -1, true, {}, 0, -1, 0},  // voice and picture data: no version of their own
    {0x92, -1, true, {}, 0, -1, 0},
    {kKindParameterFile, -1, true, {}, 0, kWordParameters, 0},
    {0x10, 0, false, {0x02}, 1, 2, 0},
    {0x10, 1, false, {0x04}, 1, 2, 0},
    {0x10, 2, false, {0x04}, 1, 1, 0},
    {0x10, 3, false, {0x03}, 1, 2, 0},
    {0x10, 4, false, {0x03}, 1, 1, 0},
    {0x10, 7, false, {0x14}, 1, 2, 0},
    {0x10, 8, false, {0x14}, 1, 1, 0},
    {0x11, -1, false, {0x02}, 1, 1, 0},
    {0x12, -1, false, {0x02}, 1, 3, 0},
    {0x13, -1, false, {0x02}, 1, -1, 0},
    {0x20, 5, false, {0x05}, 1, 2, 0},
    {0x20, 6, false, {0x05}, 1, 1, 0},
    {0x30, 'R', false, {0x00, 0x01}, 2, 0, 2},
    {0x30, 'S', false, {0x03}, 1, 0, 3},
    {0x30, 'T', false, {0x00, 0x01}, 2, 0, 4},
    {0x30, 'U', false, {0x14}, 1, 0, 5},
};

}  // namespace

std::optional<WriteTarget> ResolveWriteTarget(uint8_t kind, uint8_t target) {
  uint8_t row_kind = (kind & 0xF0) == 0x30 ? 0x30 : kind;
  for (const TargetRow& row : kTargets) {
    if (row.kind != row_kind || (row.target >= 0 && row.target != target)) continue;
    WriteTarget t;
    t.main_controller = row.main_controller;
    t.board_kinds.assign(row.boards, row.boards + row.board_count);
    t.word = row.word;
    t.nibble = row.nibble;
    return t;
  }
  return std::nullopt;
}

namespace {

bool BoardMatches(const WriteTarget& t, const Board& b) {
  if (std::find(t.board_kinds.begin(), t.board_kinds.end(), b.kind) == t.board_kinds.end()) return false;
  return t.nibble == 0 || (b.words[t.word] >> 12) == t.nibble;
}

}  // namespace

uint8_t WriteRequestStatus(const SimState& s, const ProgramWriteRequest& request) {
  if (request.length < kProgramHeaderSize) return 255;
  auto target = ResolveWriteTarget(request.kind, request.target);
  if (!target) return 255;
  if (target->main_controller) return 0;
  for (const auto& [channel, board] : s.boards) {
    if (channel < s.channels && BoardMatches(*target, board)) return 0;
  }
  return 255;
}

uint8_t CheckReceivedImage(const ProgramWriteRequest& request, const uint8_t* image, size_t size) {
  ProgramHeader h;
  if (image == nullptr || size < request.length || !ReadProgramHeader(image, size, &h))
    return kCompletionBadFormat;
  if (!h.HasMagic(kMagicMain) && !h.HasMagic(kMagicSecond)) return kCompletionBadFormat;
  if (h.kind != request.kind || ProgramTargetCode(h.kind, h.subkind) != request.target)
    return kCompletionMismatch;
  if (h.valid_size < kProgramHeaderSize || h.valid_size > request.length) return kCompletionBadFormat;
  if (FileChecksum(image, h.valid_size) != h.checksum) return kCompletionChecksum;
  return kCompletionOk;
}

namespace {

// Sets the version word of every processor the request names; `keep_nibble` keeps the high digit
// of boards that are told apart by it.
bool SetTargetVersion(SimState* s, const ProgramWriteRequest& request, uint16_t version, bool keep_nibble) {
  auto target = ResolveWriteTarget(request.kind, request.target);
  if (!target) return false;
  if (target->word >= 0) {
    if (target->main_controller) {
      s->mc.words[target->word] = version;
    } else {
      uint16_t set =
          keep_nibble && target->nibble != 0 ? static_cast<uint16_t>(target->nibble << 12) : version;
      for (auto& [channel, board] : s->boards) {
        if (BoardMatches(*target, board)) board.words[target->word] = set;
      }
    }
  }
  return request.kind == kKindParameterFile;
}

}  // namespace

bool ApplyWrittenImage(SimState* s, const ProgramWriteRequest& request, const uint8_t* image, size_t size) {
  ProgramHeader h;
  if (!ReadProgramHeader(image, size, &h)) return false;
  return SetTargetVersion(s, request, h.version(), false);
}

bool EraseWriteTarget(SimState* s, const ProgramWriteRequest& request) {
  return SetTargetVersion(s, request, 0, true);
}

std::vector<uint8_t> EmptyParameterFile(const SimState& s) {
  std::vector<uint8_t> body(kParameterImageSize, 0);
  std::vector<uint8_t> file(kParameterFileSize, 0);
  WriteParameterFileImage(body.data(), 0, s.mc.words[kWordParameters], file.data());
  return file;
}

ParameterStream::ParameterStream(std::vector<uint8_t> file, const Faults& faults)
    : data_(std::move(file)), faults_(faults) {
  announced_ = static_cast<uint32_t>(data_.size());
  size_t keep = data_.size() - std::min<size_t>(faults.short_by, data_.size());
  data_.resize(keep);
  data_.resize(keep + faults.overflow_by, 0xEE);
}

int ParameterStream::NextBlock(uint8_t* buffer) {
  if (buffer == nullptr) return -1;
  uint32_t capacity = GetLe32(buffer);
  if (capacity < kParameterBlockHeaderSize + 1) return -1;
  if (faults_.fail_after && blocks_ >= *faults_.fail_after) return -1;
  ++blocks_;
  std::memset(buffer, 0, kParameterBlockHeaderSize);
  PutLe32(buffer + 4, blocks_);
  PutLe32(buffer + 12, announced_);
  if (faults_.malformed_length && !malformed_sent_) {
    malformed_sent_ = true;
    PutLe32(buffer, *faults_.malformed_length);
    return 0;
  }
  size_t chunk = std::min<size_t>(data_.size() - offset_, capacity - kParameterBlockHeaderSize);
  PutLe32(buffer, static_cast<uint32_t>(chunk + kParameterBlockHeaderSize));
  PutLe32(buffer + 8, static_cast<uint32_t>(offset_));
  if (chunk != 0) std::memcpy(buffer + kParameterBlockHeaderSize, data_.data() + offset_, chunk);
  offset_ += chunk;
  return offset_ >= data_.size() ? 1 : 0;
}

}  // namespace orvex::sim
