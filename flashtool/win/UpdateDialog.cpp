#include "UpdateDialog.h"

#include <commctrl.h>

#include <new>

#include "ChildReport.h"
#include "DeviceChannel.h"
#include "DeviceRecords.h"
#include "FlashIds.h"
#include "ProgramHeader.h"
#include "ShowMessage.h"
#include "Wide.h"

namespace orvex::flash {

using autoupdate::kReportDeviceError;
using autoupdate::kReportFileError;
using autoupdate::kReportProgress;
using autoupdate::kReportResourceError;

namespace {
constexpr UINT_PTR kTimer = 1;
constexpr UINT kTickMs = 1000;
constexpr UINT kCloseDelayMs = 800;
}  // namespace

UpdateDialog::UpdateDialog(UpdateDeviceChannel& channel, UpdateFile file, UpdateAutoHost* host)
    : channel_(channel), file_(std::move(file)), host_(host) {}

INT_PTR UpdateDialog::Run(HWND parent, HINSTANCE instance) {
  return RunModal(instance ? instance : GetModuleHandleW(nullptr), IDD_FLASH_UPDATE, parent);
}

bool UpdateDialog::OnInit() {
  SetText(TitleText(GetText(), file_.name, file_.kind_text, file_.version_text));
  Start();
  return true;
}

void UpdateDialog::StartFailed(const std::string& status, uint32_t code, const std::string& report, int result) {
  state_ = kUpdateIdle;
  SetStatus(status);
  AllowClosing(true);
  if (host_ == nullptr) return;
  host_->Report(code, report);
  End(result);
}

bool UpdateDialog::Start() {
  UniqueFile file(CreateFileW(ToWide(file_.path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file) {
    DWORD error = GetLastError();
    StartFailed(OpenFailedText(), kReportFileError, AutoReadFailedText(error), kUpdateResultFailed);
    return false;
  }
  LARGE_INTEGER size = {};
  if (!GetFileSizeEx(file.Get(), &size) || size.QuadPart > 0x7FFFFFFE) {
    DWORD error = GetLastError();
    StartFailed(FileFaultText(), kReportFileError, AutoReadFailedText(error), kUpdateResultFailed);
    return false;
  }
  const size_t length = static_cast<size_t>(size.QuadPart);
  std::vector<uint8_t> image;
  try {
    image.resize(length + 1, 0);  // an odd length goes out padded with one zero byte
  } catch (const std::bad_alloc&) {
    StartFailed(MemoryText(), kReportResourceError, AutoResourceText(), kUpdateResultFailed);
    return false;
  }
  DWORD got = 0;
  if (length > 0 && (!ReadFile(file.Get(), image.data(), static_cast<DWORD>(length), &got, nullptr) || got != length)) {
    DWORD error = GetLastError();
    StartFailed(ReadFailedText(), kReportFileError, AutoReadFailedText(error), kUpdateResultFailed);
    return false;
  }
  file.Reset();
  image.resize(length + (length % 2));

  ProgramHeader header;
  valid_size_ = ReadProgramHeader(image.data(), image.size(), &header) ? header.valid_size : 0;

  if (!SetTimer(hwnd(), kTimer, kTickMs, nullptr)) {
    StartFailed(TimerFailedText(), kReportResourceError, AutoResourceText(), kUpdateResultFailed);
    return false;
  }
  timer_ = true;

  int result = channel_.WriteProgramImage(image.data(), image.size());
  std::vector<uint8_t>().swap(image);
  if (result != 0) {
    StopTimer();
    // The device does not take this format: the automatic mode goes on with the next file.
    const bool refused = result == 255;
    StartFailed(WriteRefusedText(result), refused ? kReportProgress : kReportDeviceError, AutoWriteFailedText(result),
                refused ? kUpdateResultRefused : kUpdateResultFailed);
    if (host_ == nullptr && result == -2) ShowFailure(hwnd(), TransferErrorMessage());
    return false;
  }

  SendItem(IDC_UPDATE_PROGRESS, PBM_SETRANGE32, 0, ProgressScale(valid_size_));
  SendItem(IDC_UPDATE_PROGRESS, PBM_SETPOS, 0);
  watchdog_ = GetTickCount64();
  SetStatus(RunningText());
  state_ = kUpdateRunning;
  AllowClosing(false);
  return true;
}

bool UpdateDialog::OnMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) {
  if (message == kMessageUpdateRecord) {
    const int id = static_cast<int>(wparam);
    if (state_ == kUpdateRunning) {
      if (id == 0) {
        OnEnd(0, nullptr, static_cast<uint32_t>(lparam));
      } else {
        OnRecord(id, reinterpret_cast<const uint8_t*>(lparam));
      }
    }
    result = 0;
    return true;
  }
  if (message == WM_CTLCOLORSTATIC && reinterpret_cast<HWND>(lparam) == Item(IDC_UPDATE_STATUS)) {
    HDC dc = reinterpret_cast<HDC>(wparam);
    COLORREF color = GetSysColor(COLOR_WINDOWTEXT);
    if (state_ == kUpdateIdle || state_ == kUpdateDeviceError) color = RGB(0xC0, 0, 0);
    if (state_ == kUpdateSucceeded) color = RGB(0, 0, 0xC0);
    SetTextColor(dc, color);
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    if (!background_) background_.Reset(CreateSolidBrush(GetSysColor(COLOR_BTNFACE)));
    result = reinterpret_cast<LRESULT>(background_.Get());
    return true;
  }
  return false;
}

void UpdateDialog::OnRecord(int id, const uint8_t* record) {
  if (record == nullptr) return;
  const NotificationHeader h = ReadNotificationHeader(record);
  if (h.code == kCodeTransferProgress) {
    watchdog_ = GetTickCount64();
    const int32_t position = ProgressPosition(valid_size_, record[kRecordHeaderSize], GetLe32(record + 20));
    SendItem(IDC_UPDATE_PROGRESS, PBM_SETPOS, static_cast<WPARAM>(position));
    SetStatus(ProgressText(RecordDetailText(record)));
  } else if (h.code == kCodeTransferEnd) {
    OnEnd(id, record, 0);
  }
}

void UpdateDialog::OnEnd(int id, const uint8_t* record, uint32_t lost_error) {
  watchdog_ = GetTickCount64();
  // A lost device ends the update with a record of our own whose status is 0xFF.
  uint8_t own[kRecordHeaderSize + 8] = {};
  if (record == nullptr) {
    own[kRecordHeaderSize] = kLostDeviceStatus;
    record = own;
  }
  const std::string detail = RecordDetailText(record);
  const uint8_t status = record[kRecordHeaderSize];
  SendItem(IDC_UPDATE_PROGRESS, PBM_SETPOS, static_cast<WPARAM>(ProgressScale(valid_size_)));
  if (status == 0) {
    state_ = kUpdateSucceeded;
    SetStatus(SucceededText());
  } else {
    state_ = kUpdateDeviceError;
    SetStatus(EndFailedText(status, detail));
  }
  channel_.LeaveProgramMode();
  if (host_ == nullptr) {
    AllowClosing(true);
    return;
  }
  if (id == 0) {
    host_->Report(kReportDeviceError, AutoLostDeviceText(lost_error));
    AllowClosing(true);
    End(kUpdateResultFailed);
    return;
  }
  if (state_ == kUpdateSucceeded) {
    host_->OnUpdateEnded(true);
    host_->Report(kReportProgress, AutoSucceededText());
    StopTimer();
    if (host_->TakeResetAfterUpdate()) {
      host_->Report(kReportProgress, AutoResetText(channel_.HardwareReset() != 0));
      watchdog_ = GetTickCount64();
    }
    if (SetTimer(hwnd(), kTimer, kCloseDelayMs, nullptr)) {
      timer_ = true;
    } else {
      End(kUpdateResultSucceeded);
    }
    return;
  }
  host_->OnUpdateEnded(false);
  host_->Report(kReportProgress, AutoEndFailedText(status_));
  AllowClosing(true);
  End(kUpdateResultDeviceError);
}

bool UpdateDialog::OnTimer(UINT_PTR timer_id) {
  if (timer_id != kTimer) return false;
  if (state_ != kUpdateRunning) {
    StopTimer();
    if (host_ != nullptr && state_ == kUpdateSucceeded) {
      AllowClosing(true);
      End(kUpdateResultSucceeded);
    }
    return true;
  }
  if (GetTickCount64() - watchdog_ < kWatchdogMs) return true;
  OnTimeout();
  return true;
}

void UpdateDialog::OnTimeout() {
  state_ = kUpdateIdle;
  SetStatus(NoAnswerText(status_));
  AllowClosing(true);
  channel_.LeaveProgramMode();
  StopTimer();
  if (host_ != nullptr) {
    host_->Report(kReportDeviceError, AutoNoAnswerText(status_));
    End(kUpdateResultFailed);
    return;
  }
  ShowFailure(hwnd(), NoAnswerMessage());
}

bool UpdateDialog::OnCommand(int code, int id, HWND control) {
  if (id == IDC_UPDATE_CLOSE) {
    if (state_ != kUpdateRunning) End(IDCANCEL);
    return true;
  }
  if (id == IDCANCEL) {  // Esc: a close request
    OnClose();
    return true;
  }
  return Dialog::OnCommand(code, id, control);
}

void UpdateDialog::OnClose() {
  if (state_ == kUpdateRunning) return;
  End(IDCANCEL);
}

void UpdateDialog::OnDestroy() { StopTimer(); }

void UpdateDialog::SetStatus(const std::string& text) {
  status_ = text;
  SetItemText(IDC_UPDATE_STATUS, text);
  InvalidateRect(Item(IDC_UPDATE_STATUS), nullptr, TRUE);
}

void UpdateDialog::AllowClosing(bool allow) {
  Enable(IDC_UPDATE_CLOSE, allow);
  if (HMENU menu = GetSystemMenu(hwnd(), FALSE))
    EnableMenuItem(menu, SC_CLOSE, MF_BYCOMMAND | (allow ? MF_ENABLED : MF_GRAYED));
}

void UpdateDialog::StopTimer() {
  if (timer_ && hwnd() != nullptr) KillTimer(hwnd(), kTimer);
  timer_ = false;
}

}  // namespace orvex::flash
