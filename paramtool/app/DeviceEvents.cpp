#include "DeviceEvents.h"

#include "ChildReport.h"
#include "DeviceRecords.h"
#include "Format.h"
#include "ToolTexts.h"

namespace orvex {

DeviceNotice ReadDeviceNotice(const uint8_t* record, uint32_t channel_count) {
  DeviceNotice notice;
  if (record == nullptr) return notice;
  const NotificationHeader header = ReadNotificationHeader(record);
  if (header.valid == 0 || header.kind != kRecordKindNotification) return notice;
  const uint8_t* payload = record + kRecordHeaderSize;
  notice.channel = header.channel;
  const bool system = header.channel >= channel_count;
  switch (header.code) {
    case kCodeChannelStarted:
      if (system) {
        notice.kind = NoticeKind::kSystemNotice;
        notice.mc_version = GetLe16(payload + 4);
        notice.device_word1 = GetLe16(payload + 6);
        notice.device_word2 = GetLe16(payload + 8);
      } else {
        notice.kind = NoticeKind::kLineStarted;
        notice.board = payload[0];
      }
      break;
    case kCodeChannelStopped:
      if (!system) notice.kind = NoticeKind::kLineStopped;
      break;
    case kCodeTransferProgress:
      notice.kind = NoticeKind::kWriteProgress;
      break;
    case kCodeTransferEnd:
      notice.kind = NoticeKind::kWriteEnd;
      break;
    case kCodeDeviceStopped:
      notice.kind = NoticeKind::kDeviceStopped;
      notice.stop_status = payload[0];
      break;
    default:
      break;
  }
  return notice;
}

NoticeTracker::Step NoticeTracker::OnSystemNotice() {
  Step step = Step::kNone;
  if (!error_) {
    step = first_seen_ ? Step::kRepeat : Step::kFirst;
    first_seen_ = true;
  }
  error_ = false;
  return step;
}

void NoticeTracker::OnDetached(uint32_t status) {
  first_seen_ = false;
  if (status != kDetachOrdinary) error_ = true;
}

FirstNoticeStep FirstNoticeStepFor(const AutoRunContext& context) {
  if (context.automatic && !context.handoff.definition_files.empty())
    return FirstNoticeStep::kSelectDefinition;
  return context.file_mode == FileMode::kWrite ? FirstNoticeStep::kWriteFile : FirstNoticeStep::kConnection;
}

DetachOutcome AbnormalDetach(const AutoRunContext& context, uint32_t status, uint32_t error) {
  DetachOutcome detach;
  const int err = static_cast<int>(error);
  if (context.Mode() == RunMode::kAutomatic) {
    detach.outcome.end_window = true;
    detach.outcome.report_code = autoupdate::kReportDeviceError;
    detach.outcome.report_text = Format(texts::kDetachAbnormalReport, status, err);
    return detach;
  }
  if (context.file_mode == FileMode::kNone || context.message_box)
    detach.outcome.message = Format(texts::kDetachAbnormalText, status, err);
  detach.attach_again = true;
  return detach;
}

StoppedOutcome DeviceStopped(RunMode mode, uint8_t status) {
  StoppedOutcome stopped;
  switch (mode) {
    case RunMode::kAutomatic:
      stopped.outcome.end_window = true;
      stopped.outcome.report_code = autoupdate::kReportDeviceError;
      stopped.outcome.report_text = Format(texts::kDeviceStoppedReport, static_cast<unsigned>(status));
      break;
    case RunMode::kFileRead:
    case RunMode::kFileWrite:
      stopped.outcome.end_window = true;
      stopped.outcome.exit_code = kExitDeviceFailure;
      break;
    default:
      stopped.question = Format(texts::kDeviceStoppedQuestion, static_cast<unsigned>(status));
      break;
  }
  return stopped;
}

}  // namespace orvex
