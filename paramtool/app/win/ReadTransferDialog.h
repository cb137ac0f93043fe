// The device parameter read window (dialog 114): the read is started in its initialisation, a
// worker thread takes the blocks from the device while the progress bar, the title's percentage
// and the status text follow, and the window ends with 6 (read to the end, or stopped at a block
// it cannot hold) or 7 (the device stopped answering); 255 or -1 when the read could not start.
// OK and Cancel do nothing: the user cannot break a read off.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <vector>

#include "DeviceChannel.h"
#include "Dialog.h"
#include "Handles.h"
#include "ReadTransfer.h"
#include "TransferHost.h"

namespace orvex {

class ReadTransferDialog : public Dialog {
 public:
  ReadTransferDialog(ParameterDeviceChannel& channel, TransferHost& host);
  ~ReadTransferDialog() override;

  INT_PTR Run(HINSTANCE instance, HWND owner);
  // What was read; valid once Run has returned.
  const ParameterReadData& data() const { return data_; }

 protected:
  bool OnInit() override;
  bool OnCommand(int code, int id, HWND control) override;
  void OnClose() override {}
  bool OnMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) override;

 private:
  class Source;
  static DWORD WINAPI Worker(void* self);
  void Work();
  void ShowProgress(uint32_t position);
  void Fail(ReadStartFailure failure, int status);
  void JoinWorker();

  ParameterDeviceChannel& channel_;
  TransferHost& host_;
  ParameterReadData data_;
  std::vector<uint8_t> block_;
  std::string title_;
  HWND progress_ = nullptr;
  UniqueHandle worker_;
  std::atomic<int> running_{-1};
};

}  // namespace orvex
