// The device parameter write window (dialog 115): the image (given, or built from the working
// image as a parameter save file) goes to the device in one piece, then the device's progress
// and end notifications, which the main window passes on, move the bar; a one-second timer ends
// the window when the device stays silent for five seconds. Ends with 6 (the end record came, see
// completion()), 7 (silent, or refused in a file mode), 255 or -1. OK and Cancel do nothing.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <optional>

#include "DeviceChannel.h"
#include "Dialog.h"
#include "ParameterImage.h"
#include "ParameterSaveFile.h"
#include "TransferHost.h"
#include "WriteTransfer.h"

namespace orvex {

class WriteTransferDialog : public Dialog {
 public:
  // A given image of `size` bytes (owned by the caller, outliving the window).
  WriteTransferDialog(DeviceChannel& channel, TransferHost& host, const uint8_t* image, size_t size);
  // An image built from the working image with the class byte and version given.
  WriteTransferDialog(DeviceChannel& channel, TransferHost& host, const ParameterImage& working,
                      uint8_t class_byte, uint16_t version);

  INT_PTR Run(HINSTANCE instance, HWND owner);

  // The device's notifications while the window runs (payload = record + 16); ignored unless the
  // device is writing.
  void Progress(const uint8_t* payload);
  void Finish(const uint8_t* payload);

  // The end record: byte 0 the device's result code (0 = written), then seven detail bytes.
  const uint8_t* completion() const { return completion_; }

 protected:
  bool OnInit() override;
  bool OnCommand(int code, int id, HWND control) override;
  void OnClose() override {}
  bool OnTimer(UINT_PTR timer_id) override;
  void OnDestroy() override;

 private:
  void Fail(WriteStartFailure failure, int status);

  DeviceChannel& channel_;
  TransferHost& host_;
  const uint8_t* given_ = nullptr;
  size_t given_size_ = 0;
  const ParameterImage* working_ = nullptr;
  uint8_t class_byte_ = 0;
  uint16_t version_ = 0;
  std::unique_ptr<ParameterFileImage> built_;
  std::optional<WriteProgressMeter> meter_;
  uint8_t completion_[kCompletionRecordSize] = {};
  std::string title_;
  UINT_PTR timer_ = 0;
  DWORD last_activity_ = 0;
  int running_ = -1;
  HWND progress_ = nullptr;
};

}  // namespace orvex
