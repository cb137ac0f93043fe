#include "ReadTransferDialog.h"

#include <commctrl.h>

#include "ToolIds.h"
#include "Wide.h"

namespace orvex {
namespace {

// Posted by the worker when it is done: wParam 6 or 7, lParam the system error of a failure.
constexpr UINT WM_READ_DONE = WM_APP + 0x302;

}  // namespace

// The device channel's block call, for the worker.
class ReadTransferDialog::Source : public ParameterBlockSource {
 public:
  explicit Source(ParameterDeviceChannel& channel) : channel_(channel) {}
  int NextBlock(uint8_t* buffer, uint32_t capacity) override {
    const int answer = channel_.ParameterReadBlock(true, buffer, capacity);
    error_ = answer == -1 ? GetLastError() : 0;
    return answer;
  }
  void EndRead(uint8_t* buffer, uint32_t capacity) override {
    channel_.ParameterReadBlock(false, buffer, capacity);
  }
  uint32_t LastError() const override { return error_; }

 private:
  ParameterDeviceChannel& channel_;
  uint32_t error_ = 0;
};

ReadTransferDialog::ReadTransferDialog(ParameterDeviceChannel& channel, TransferHost& host)
    : channel_(channel), host_(host) {}

ReadTransferDialog::~ReadTransferDialog() {
  JoinWorker();
}

INT_PTR ReadTransferDialog::Run(HINSTANCE instance, HWND owner) {
  return RunModal(instance, IDD_READ_TRANSFER, owner);
}

bool ReadTransferDialog::OnInit() {
  WaitCursor wait;
  title_ = GetText();
  progress_ = Item(IDC_TRANSFER_PROGRESS);
  if (!MakeBlockBuffer(channel_.InfoBlock().BlockLength(), &block_)) {
    Fail(ReadStartFailure::kNoMemory, 0);
    return true;
  }
  uint32_t total = 0;
  uint16_t low = 0, high = 0;
  const int status = channel_.ParameterReadStart(&total, &low, &high);
  if (status != 0 || total == 0) {
    if (status == 0) channel_.ParameterReadBlock(false, block_.data(), static_cast<uint32_t>(block_.size()));
    Fail(ReadStartFailure::kRefused, status);
    return true;
  }
  if (!data_.Start(total)) {
    channel_.ParameterReadBlock(false, block_.data(), static_cast<uint32_t>(block_.size()));
    Fail(ReadStartFailure::kNoMemory, 0);
    return true;
  }
  host_.SetDeviceWords(low, high);
  SendMessageW(progress_, PBM_SETRANGE32, 0, total > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<LPARAM>(total));
  SendMessageW(progress_, PBM_SETPOS, 0, 0);
  SetItemText(IDC_TRANSFER_STATUS, ReadStartStatus(total));
  running_ = 1;
  worker_.Reset(CreateThread(nullptr, 0, &ReadTransferDialog::Worker, this, 0, nullptr));
  if (!worker_) {
    running_ = -1;
    channel_.ParameterReadBlock(false, block_.data(), static_cast<uint32_t>(block_.size()));
    Fail(ReadStartFailure::kNoThread, 0);
  }
  return true;
}

void ReadTransferDialog::Fail(ReadStartFailure failure, int status) {
  const ReadStartOutcome start = ReadStartFailed(host_.Mode(), failure, status);
  host_.Tell(hwnd(), start.outcome);
  End(start.result);
}

DWORD WINAPI ReadTransferDialog::Worker(void* self) {
  static_cast<ReadTransferDialog*>(self)->Work();
  return 0;
}

void ReadTransferDialog::Work() {
  Source source(channel_);
  const ReadLoopResult result =
      RunParameterRead(source, data_, block_, [this](uint32_t position) { ShowProgress(position); });
  const bool failed = result.end == ReadEnd::kFailed;
  running_ = failed ? -1 : 0;
  if (!failed) Sleep(kReadSuccessPauseMs);
  // The window cannot end without this message, so it must get through.
  for (int attempt = 0; attempt < 200; ++attempt) {
    if (PostMessageW(hwnd(), WM_READ_DONE, failed ? kReadFailed : kReadSucceeded,
                     static_cast<LPARAM>(result.error)))
      return;
    Sleep(50);
  }
}

// On the worker's thread: each call is answered by the window's thread before the next block.
void ReadTransferDialog::ShowProgress(uint32_t position) {
  SendMessageW(progress_, PBM_SETPOS, position > 0x7FFFFFFF ? 0x7FFFFFFF : position, 0);
  SetWindowTextW(hwnd(), ToWide(ReadProgressTitle(title_, position, data_.total())).c_str());
  SetDlgItemTextW(hwnd(), IDC_TRANSFER_STATUS, ToWide(ReadProgressStatus(position, data_.total())).c_str());
}

void ReadTransferDialog::JoinWorker() {
  if (worker_) WaitForSingleObject(worker_.Get(), INFINITE);
  worker_.Reset();
}

bool ReadTransferDialog::OnCommand(int code, int id, HWND control) {
  if (id == IDOK || id == IDCANCEL) return true;
  return Dialog::OnCommand(code, id, control);
}

bool ReadTransferDialog::OnMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& /*result*/) {
  if (message != WM_READ_DONE) return false;
  // The worker posts last, so waiting for it here cannot meet one of its progress calls.
  JoinWorker();
  if (wparam == static_cast<WPARAM>(kReadFailed))
    host_.Tell(hwnd(), ReadBlocksFailed(host_.Mode(), static_cast<uint32_t>(lparam)));
  End(static_cast<INT_PTR>(wparam));
  return true;
}

}  // namespace orvex
