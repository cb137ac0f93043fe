#include "WriteTransfer.h"

#include <new>

#include "ChildReport.h"
#include "DeviceRecords.h"
#include "Format.h"
#include "ParameterFileTexts.h"
#include "ParameterSaveFile.h"
#include "ToolTexts.h"

namespace orvex {

WriteProgressMeter::WriteProgressMeter(uint64_t image_size) : size_(image_size), half_(image_size / 2) {
  const uint64_t range = half_ * 10;
  range_ = range > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<uint32_t>(range);
}

WriteProgressMeter::Step WriteProgressMeter::Progress(const uint8_t* payload) const {
  Step step;
  step.phase = payload[0];
  uint64_t remaining = GetLe32(payload + 4);
  if (remaining > half_) remaining = half_;
  step.remaining = static_cast<uint32_t>(remaining);
  // ((p - 1) * S) / 2 + S / 2 - r, worked out without wrapping round.
  int64_t position = (static_cast<int64_t>(step.phase) - 1) * static_cast<int64_t>(size_) / 2 +
                     static_cast<int64_t>(half_) - static_cast<int64_t>(remaining);
  if (position < 0) position = 0;
  if (position > range_) position = range_;
  step.position = static_cast<uint32_t>(position);
  step.percent = range_ == 0 ? 0 : static_cast<uint32_t>(static_cast<uint64_t>(step.position) * 100 / range_);
  return step;
}

std::string WriteProgressTitle(std::string_view kept_title, uint32_t percent) {
  return Format(texts::kTransferTitle, std::string(kept_title).c_str(), percent);
}

std::string WriteProgressStatus(uint8_t phase, uint32_t remaining) {
  return Format(texts::kWriteStatus, static_cast<unsigned>(phase), remaining);
}

std::string WriteDoneTitle(std::string_view kept_title) {
  return Format(texts::kWriteDoneTitle, std::string(kept_title).c_str());
}

bool WriteSilent(uint32_t now_tick, uint32_t last_activity_tick) {
  return now_tick - last_activity_tick >= kWriteSilenceMs;
}

WriteStartOutcome WriteStartFailed(RunMode mode, WriteStartFailure failure, int status) {
  WriteStartOutcome start;
  switch (mode) {
    case RunMode::kAutomatic:
      if (failure == WriteStartFailure::kRefused) {
        start.outcome.report_code = autoupdate::kReportDeviceError;
        start.outcome.report_text = Format(texts::kFlashRefusedReport, status);
      } else {
        start.outcome.report_code = autoupdate::kReportResourceError;
        start.outcome.report_text = texts::kFlashResourceReport;
      }
      start.result = kWriteRefused;
      break;
    case RunMode::kFileRead:
    case RunMode::kFileWrite:
      start.result = failure == WriteStartFailure::kRefused ? kWriteFailed : -1;
      break;
    default:
      switch (failure) {
        case WriteStartFailure::kNoTimer:
          start.outcome.message = texts::kTimerShortText;
          break;
        case WriteStartFailure::kNoImage:
          start.outcome.message = texts::kOutOfMemoryText;
          break;
        default:
          start.outcome.message = Format(texts::kTransferErrorText, status);
          break;
      }
      start.result = kWriteRefused;
      break;
  }
  return start;
}

RunOutcome WriteSilenceOutcome(RunMode mode) {
  RunOutcome outcome;
  if (mode == RunMode::kAutomatic) {
    outcome.report_code = autoupdate::kReportDeviceError;
    outcome.report_text = texts::kWriteSilentReport;
  } else if (mode == RunMode::kInteractive) {
    outcome.message = texts::kWriteSilentText;
  }
  return outcome;
}

WriteResultMessage WriteResultFor(const uint8_t completion[kCompletionRecordSize]) {
  WriteResultMessage result;
  if (completion[0] == 0) {
    result.success = true;
    result.text = texts::kWriteSucceededText;
    return result;
  }
  result.text = Format(texts::kWriteFailedText, static_cast<unsigned>(completion[0]));
  for (size_t i = 1; i < kCompletionRecordSize; ++i)
    result.text += Format(texts::kWriteDetailByte, static_cast<unsigned>(completion[i]));
  return result;
}

uint32_t ReadWriteModeFile(const std::string& path, std::vector<uint8_t>* bytes, FileSystem& file_system) {
  // The image goes to the device in one write, whose length is a 32-bit count.
  constexpr size_t kLargestImage = 0x7FFFFFFF;
  bytes->clear();
  int error = 0;
  std::unique_ptr<InputFile> file = file_system.OpenRead(path, &error);
  if (!file) return kExitOpenFailed;
  try {
    uint8_t buffer[64 * 1024];
    for (;;) {
      size_t got = 0;
      if (!file->Read(buffer, sizeof buffer, &got, &error)) return kExitReadWriteFailed;
      if (got == 0) break;
      if (bytes->size() + got > kLargestImage) return kExitResource;
      bytes->insert(bytes->end(), buffer, buffer + got);
    }
  } catch (const std::bad_alloc&) {
    bytes->clear();
    return kExitResource;
  }
  return kExitSuccess;
}

uint32_t CheckWriteFile(const std::vector<uint8_t>& bytes) {
  return IsParameterFileImage(bytes.data(), bytes.size()) ? kExitSuccess : kExitInvalidData;
}

uint32_t WriteFileModeExitCode(int result, uint8_t device_result) {
  if (result == -1 || result == 3) return kExitResource;
  if (result == kWriteSucceeded && device_result == 0) return kExitSuccess;
  return kExitDeviceFailure;
}

}  // namespace orvex
