#include "ReadTransfer.h"

#include <cstring>
#include <exception>

#include "ChildReport.h"
#include "DeviceRecords.h"
#include "Format.h"
#include "ParameterFileTexts.h"
#include "ToolTexts.h"

namespace orvex {
namespace {

// Length words below this are no block at all (16 to 18: a block without data).
constexpr uint32_t kShortestBlock = 16;

uint32_t Percent(uint32_t position, uint32_t total) {
  return total == 0 ? 0 : static_cast<uint32_t>(static_cast<uint64_t>(position) * 100 / total);
}

}  // namespace

bool ParameterReadData::Start(uint32_t total_size) {
  try {
    data_.assign(total_size, 0);
  } catch (const std::exception&) {  // out of memory, or more than a vector holds
    data_.clear();
    return false;
  }
  total_ = total_size;
  received_.store(0, std::memory_order_release);
  return true;
}

bool ParameterReadData::Append(const uint8_t* data, uint32_t length) {
  const uint32_t received = received_.load(std::memory_order_relaxed);
  if (data == nullptr || length == 0 || length > total_ - received) return false;
  std::memcpy(data_.data() + received, data, length);
  received_.store(received + length, std::memory_order_release);
  return true;
}

bool MakeBlockBuffer(uint32_t transfer_block_length, std::vector<uint8_t>* block) {
  const uint64_t size = static_cast<uint64_t>(transfer_block_length) + kReadBlockSpare;
  if (size > 0xFFFFFFFFu) return false;
  try {
    block->assign(static_cast<size_t>(size), 0);
  } catch (const std::exception&) {
    block->clear();
    return false;
  }
  return true;
}

ReadLoopResult RunParameterRead(ParameterBlockSource& source, ParameterReadData& data,
                                std::vector<uint8_t>& block,
                                const std::function<void(uint32_t position)>& progress) {
  ReadLoopResult result;
  const uint32_t block_size = static_cast<uint32_t>(block.size());
  for (;;) {
    const int answer = source.NextBlock(block.data(), block_size);
    if (answer == -1) {
      result.end = ReadEnd::kFailed;
      result.error = source.LastError();
      return result;
    }
    const uint32_t length = GetLe32(block.data());
    if (length < kShortestBlock || length > block_size) {
      // Nothing in this block can be trusted, and reading past the buffer is out of the question.
      if (answer == 0) source.EndRead(block.data(), block_size);
      result.end = ReadEnd::kStopped;
      return result;
    }
    if (length > kParameterBlockHeaderSize) {
      const uint32_t piece = length - static_cast<uint32_t>(kParameterBlockHeaderSize);
      const uint32_t received = data.received();
      if (piece <= data.total() - received) {
        if (progress) progress(received + piece);
        data.Append(block.data() + kParameterBlockHeaderSize, piece);
      }
    }
    if (answer != 0) {
      result.end = ReadEnd::kComplete;
      return result;
    }
  }
}

std::string ReadProgressTitle(std::string_view kept_title, uint32_t position, uint32_t total) {
  return Format(texts::kTransferTitle, std::string(kept_title).c_str(), Percent(position, total));
}

std::string ReadProgressStatus(uint32_t position, uint32_t total) {
  return Format(texts::kReadStatus, position, total);
}

std::string ReadStartStatus(uint32_t total) {
  return Format(texts::kReadStartStatus, total);
}

bool TakeOverRead(const ParameterReadData& data, LoadedSaveFile* out) {
  const uint32_t total = data.total();
  if (!data.Complete() || total <= kProgramHeaderSize) return false;
  const uint8_t* bytes = data.bytes();
  out->class_byte = bytes[7];
  out->version = GetLe16(bytes + 16);
  std::memset(out->image.Bytes(), 0, kParameterImageSize);
  uint32_t body = total - static_cast<uint32_t>(kProgramHeaderSize);
  if (body > kParameterImageSize) body = static_cast<uint32_t>(kParameterImageSize);
  std::memcpy(out->image.Bytes(), bytes + kProgramHeaderSize, body);
  return true;
}

ReadStartOutcome ReadStartFailed(RunMode mode, ReadStartFailure failure, int status) {
  ReadStartOutcome start;
  switch (mode) {
    case RunMode::kAutomatic:
      if (failure == ReadStartFailure::kRefused) {
        start.outcome.report_code = autoupdate::kReportDeviceError;
        start.outcome.report_text = Format(texts::kReadRequestFailedReport, status);
      } else {
        start.outcome.report_code = autoupdate::kReportResourceError;
        start.outcome.report_text = texts::kReadResourceReport;
      }
      start.result = kReadRefused;
      break;
    case RunMode::kFileRead:
    case RunMode::kFileWrite:
      start.result = failure == ReadStartFailure::kRefused ? kReadFailed : -1;
      break;
    default:
      switch (failure) {
        case ReadStartFailure::kRefused:
          start.outcome.message = Format(texts::kTransferErrorText, status);
          break;
        case ReadStartFailure::kNoMemory:
          start.outcome.message = texts::kOutOfMemoryText;
          break;
        default:
          start.outcome.message = texts::kThreadFailedText;
          break;
      }
      start.result = kReadRefused;
      break;
  }
  return start;
}

RunOutcome ReadBlocksFailed(RunMode mode, uint32_t error) {
  RunOutcome outcome;
  if (mode == RunMode::kAutomatic) {
    outcome.report_code = autoupdate::kReportDeviceError;
    outcome.report_text = texts::kReadBlockFailedReport;
  } else if (mode == RunMode::kInteractive) {
    outcome.message = Format(texts::kReadNoAnswerText, static_cast<int>(error));
  }
  return outcome;
}

RunOutcome ReadIncomplete(RunMode mode, uint32_t total, uint32_t received) {
  RunOutcome outcome;
  const int size = static_cast<int>(total);
  const int count = static_cast<int>(received);
  if (mode == RunMode::kAutomatic) {
    outcome.report_code = autoupdate::kReportDeviceError;
    outcome.report_text = Format(texts::kReadTransferFailedReport, size, count);
    outcome.end_window = true;
  } else {
    outcome.message = Format(texts::kReadTransferFailedText, size, count);
  }
  return outcome;
}

uint32_t ReadFileModeExitCode(int result, const ParameterReadData& data,
                              const std::function<uint32_t()>& write) {
  if (result == -1 || result == 3) return kExitResource;
  if (result != kReadSucceeded) return kExitDeviceFailure;
  return data.Complete() ? write() : kExitInvalidData;
}

uint32_t WriteReceivedFile(const std::string& path, const uint8_t* bytes, uint32_t size,
                           FileSystem& file_system) {
  if (bytes == nullptr || size < kProgramHeaderSize) return kExitInvalidData;
  int error = 0;
  switch (WriteReplacing(file_system, path, bytes, size, &error)) {
    case ReplaceWriteResult::kWritten:
      return kExitSuccess;
    case ReplaceWriteResult::kWriteFailed:
      return kExitReadWriteFailed;
    default:
      return kExitOpenFailed;
  }
}

}  // namespace orvex
