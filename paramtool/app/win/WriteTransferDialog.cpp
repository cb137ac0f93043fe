#include "WriteTransferDialog.h"

#include <commctrl.h>

#include <cstring>

#include "ToolIds.h"

namespace orvex {

WriteTransferDialog::WriteTransferDialog(DeviceChannel& channel, TransferHost& host, const uint8_t* image,
                                         size_t size)
    : channel_(channel), host_(host), given_(image), given_size_(size) {}

WriteTransferDialog::WriteTransferDialog(DeviceChannel& channel, TransferHost& host,
                                         const ParameterImage& working, uint8_t class_byte, uint16_t version)
    : channel_(channel), host_(host), working_(&working), class_byte_(class_byte), version_(version) {}

INT_PTR WriteTransferDialog::Run(HINSTANCE instance, HWND owner) {
  return RunModal(instance, IDD_WRITE_TRANSFER, owner);
}

bool WriteTransferDialog::OnInit() {
  WaitCursor wait;
  title_ = GetText();
  progress_ = Item(IDC_TRANSFER_PROGRESS);
  timer_ = SetTimer(hwnd(), 1, kWriteTimerPeriodMs, nullptr);
  if (timer_ == 0) {
    Fail(WriteStartFailure::kNoTimer, 0);
    return true;
  }
  const uint8_t* image = given_;
  size_t size = given_size_;
  if (image == nullptr) {
    if (working_ != nullptr) built_ = ComposeFileImage(*working_, class_byte_, version_);
    if (!built_) {
      Fail(WriteStartFailure::kNoImage, 0);
      return true;
    }
    image = built_->bytes;
    size = sizeof built_->bytes;
  }
  const int status = channel_.WriteProgramImage(image, size);
  if (status != 0) {
    Fail(WriteStartFailure::kRefused, status);
    return true;
  }
  meter_.emplace(size);
  SendMessageW(progress_, PBM_SETRANGE32, 0, static_cast<LPARAM>(meter_->range()));
  SendMessageW(progress_, PBM_SETPOS, 0, 0);
  last_activity_ = GetTickCount();
  running_ = 1;
  return true;
}

void WriteTransferDialog::Fail(WriteStartFailure failure, int status) {
  const WriteStartOutcome start = WriteStartFailed(host_.Mode(), failure, status);
  host_.Tell(hwnd(), start.outcome);
  End(start.result);
}

void WriteTransferDialog::Progress(const uint8_t* payload) {
  if (running_ <= 0 || payload == nullptr || !meter_) return;
  const WriteProgressMeter::Step step = meter_->Progress(payload);
  SendMessageW(progress_, PBM_SETPOS, step.position, 0);
  SetText(WriteProgressTitle(title_, step.percent));
  SetItemText(IDC_TRANSFER_STATUS, WriteProgressStatus(step.phase, step.remaining));
  last_activity_ = GetTickCount();
}

void WriteTransferDialog::Finish(const uint8_t* payload) {
  if (running_ <= 0 || payload == nullptr || !meter_) return;
  std::memcpy(completion_, payload, kCompletionRecordSize);
  SendMessageW(progress_, PBM_SETPOS, meter_->range(), 0);
  SetText(WriteDoneTitle(title_));
  // Releases the device's write path whatever the result.
  channel_.LeaveProgramMode();
  running_ = 0;
  UpdateWindow(hwnd());
  Sleep(kWriteEndPauseMs);
  End(kWriteSucceeded);
}

bool WriteTransferDialog::OnTimer(UINT_PTR timer_id) {
  if (timer_id != timer_) return false;
  if (running_ > 0 && WriteSilent(GetTickCount(), last_activity_)) {
    running_ = -1;
    // As after an end record: the device's write path is not left held by a write given up.
    channel_.LeaveProgramMode();
    host_.Tell(hwnd(), WriteSilenceOutcome(host_.Mode()));
    End(kWriteFailed);
  }
  return true;
}

bool WriteTransferDialog::OnCommand(int code, int id, HWND control) {
  if (id == IDOK || id == IDCANCEL) return true;
  return Dialog::OnCommand(code, id, control);
}

void WriteTransferDialog::OnDestroy() {
  if (timer_ != 0) KillTimer(hwnd(), timer_);
  timer_ = 0;
}

}  // namespace orvex
