// The main window and the adapter: attach at start-up and after every detach, the boards and
// version words the adapter reports, the system notice that starts each run mode's next step,
// the device-stopped alarm, and the automatic update's definition choice and update step.
#include <windows.h>

#include "AutomaticUpdate.h"
#include "ConfirmDialogs.h"
#include "DeviceRecords.h"
#include "DefinitionLoader.h"
#include "ParameterToolDialog.h"
#include "PathText.h"
#include "ReadTransferDialog.h"
#include "ShowMessage.h"
#include "ToolIds.h"
#include "UpdateFilesWin.h"
#include "WriteTransferDialog.h"

namespace orvex {
void ParameterToolDialog::Attach() {
  const int answer = channel_.Attach();
  if (answer == kAttachUnderWay) return;
  if (answer == kAttachedAtOnce) {
    // The channel has its information block and states already: the same as an attach that
    // finished with status 1.
    OnAttachFinished(kAttachedAtOnce, 0);
    return;
  }
  const DWORD error = GetLastError();
  Apply(AttachFailure(context_.Mode(), answer, error));
}

void ParameterToolDialog::ResetDeviceDisplay() {
  state_.set_read_state(-1);
  state_.set_device_words(0, 0);
  RefreshTitle();
  state_.ClearBoards();
  RedrawRows();
  SetButtonFont(IDC_DEVICE_WRITE, true);
  Enable(IDC_DEVICE_WRITE, false);
  SetButtonFont(IDC_DEVICE_READ, false);
  Enable(IDC_DEVICE_READ, false);
  Balloon(false, false);
}

void ParameterToolDialog::OnAttachFinished(int status, DWORD /*error*/) {
  if (ended_) return;
  WaitCursor wait;
  if (status != kAttachedAtOnce) {
    Attach();
    return;
  }
  Enable(IDC_DEVICE_WRITE, state_.definition() != nullptr || state_.image_loaded());
  SetButtonFont(IDC_DEVICE_READ, true);
  Enable(IDC_DEVICE_READ, true);
  context_.OnDeviceAttached();
  state_.set_read_state(0);
  channel_.ReleaseNotification(0);
}

void ParameterToolDialog::OnDetached(int status, DWORD error) {
  if (active_connection_ != nullptr) active_connection_->End(IDCANCEL);
  ResetDeviceDisplay();
  notices_.OnDetached(static_cast<uint32_t>(status));
  if (ended_) return;
  if (static_cast<uint32_t>(status) == kDetachOrdinary) {
    Attach();
    return;
  }
  const DetachOutcome detach = AbnormalDetach(context_, static_cast<uint32_t>(status), error);
  Apply(detach.outcome);
  if (detach.attach_again && !ended_) Attach();
}

void ParameterToolDialog::OnNotification(int id, const uint8_t* record) {
  // The record is held for this handler; whatever happens, it goes back once. A write's records
  // count even when the adapter has restarted since they came (they are queued before its detach).
  if (record != nullptr &&
      (HandledAfterDeviceLeft(ReadNotificationHeader(record).code) || channel_.DeviceReady())) {
    const DeviceNotice notice = ReadDeviceNotice(record, channel_.InfoBlock().ChannelCount());
    HandleNotice(notice, record);
  }
  channel_.ReleaseNotification(id);
}

void ParameterToolDialog::HandleNotice(const DeviceNotice& notice, const uint8_t* record) {
  const uint8_t* payload = record + kRecordHeaderSize;
  switch (notice.kind) {
    case NoticeKind::kLineStarted:
    case NoticeKind::kLineStopped:
      // Only the 60 channels of the list are kept.
      if (notice.channel >= 1 && notice.channel <= kChannelCount) {
        const int row = static_cast<int>(notice.channel) - 1;
        state_.set_board(row, notice.kind == NoticeKind::kLineStarted ? notice.board : kNoBoard);
        RedrawRow(row);
      }
      break;
    case NoticeKind::kSystemNotice:
      OnSystemNotice(notice);
      break;
    case NoticeKind::kWriteProgress:
      if (active_write_ != nullptr) active_write_->Progress(payload);
      break;
    case NoticeKind::kWriteEnd:
      if (active_write_ != nullptr) active_write_->Finish(payload);
      break;
    case NoticeKind::kDeviceStopped:
      OnDeviceStopped(notice.stop_status);
      break;
    default:
      break;
  }
}

void ParameterToolDialog::OnSystemNotice(const DeviceNotice& notice) {
  mc_version_ = notice.mc_version;
  state_.set_device_words(notice.device_word1, notice.device_word2);
  RefreshTitle();
  if (ended_) return;
  switch (notices_.OnSystemNotice()) {
    case NoticeTracker::Step::kFirst: {
      const FirstNoticeStep step = FirstNoticeStepFor(context_);
      if (step == FirstNoticeStep::kSelectDefinition && SelectDefinition(notice.mc_version) == 1) {
        EndWindow();
        return;
      }
      PostMessageW(hwnd(), step == FirstNoticeStep::kWriteFile ? WM_WRITE_FILE_MODE : WM_CONNECTION_DETECTED,
                   0, 0);
      break;
    }
    case NoticeTracker::Step::kRepeat:
      // A read under way carries the update on when it ends; a step now would end the run
      // before the parameters are saved.
      if (context_.automatic && active_read_ == nullptr) UpdateStep(true);
      break;
    default:
      break;
  }
}

void ParameterToolDialog::OnDeviceStopped(uint8_t status) {
  const StoppedOutcome stopped = DeviceStopped(context_.Mode(), status);
  if (!stopped.question.empty()) {
    if (AskYesNo(hwnd(), stopped.question)) channel_.HardwareReset();
    return;
  }
  Apply(stopped.outcome);
}

void ParameterToolDialog::OnConnectionDetected() {
  // A message posted before the adapter left again finds nothing to read; one that comes while a
  // transfer runs (an adapter back from its restart) does not start another inside it.
  if (ended_ || state_.read_state() < 0 || active_read_ != nullptr || active_write_ != nullptr) return;
  if (read_at_once_) {
    read_at_once_ = false;
    ReadFromDevice();
    return;
  }
  ConnectConfirmDialog confirm;
  active_connection_ = &confirm;
  const INT_PTR answer = confirm.Run(instance(), hwnd());
  active_connection_ = nullptr;
  if (answer == IDYES && !ended_) ReadFromDevice();
}

// ---- Automatic update ---------------------------------------------------------------------------

int ParameterToolDialog::SelectDefinition(uint16_t mc_version) {
  DefinitionChoice choice = SelectDefinitionFile(
      mc_version, context_.handoff.definition_files,
      [](const std::string& path) { return LoadDefinition(path); }, *this);
  if (choice.result == 0) {
    context_.selected_definition = choice.index;
    state_.StartWith(std::move(choice.definition));
    RebuildBlockControls();
    context_.report_value = 0;
  }
  return choice.result;
}

void ParameterToolDialog::UpdateStep(bool repeat) {
  if (ended_) return;
  UpdateStepInput input;
  input.repeat = repeat;
  input.definition = state_.definition();
  const int index = context_.selected_definition;
  if (index >= 0 && static_cast<size_t>(index) < context_.handoff.definition_files.size())
    input.selected_path = context_.handoff.definition_files[static_cast<size_t>(index)];
  input.class_byte = state_.SaveClassByte();
  input.version = state_.SaveVersion();
  input.path_file_name = std::string(FileNamePart(definition_path_file_));
  WinUpdateFiles files;
  RunUpdateStep(context_, input, state_.image(), files, PlatformFileSystem(), *this);
  EndWindow();
}

// ---- TransferHost -------------------------------------------------------------------------------

void ParameterToolDialog::Tell(HWND owner, const RunOutcome& outcome) {
  if (outcome.report_code) Report(*outcome.report_code, outcome.report_text);
  if (!outcome.message.empty()) ShowFailure(owner, outcome.message);
}

void ParameterToolDialog::SetDeviceWords(uint16_t first, uint16_t second) {
  state_.set_device_words(first, second);
  RefreshTitle();
}

}  // namespace orvex
