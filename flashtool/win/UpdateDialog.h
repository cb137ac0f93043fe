// The update dialog (129): writes one update file into the device and follows its progress
// reports to the end, with a ten-second watchdog. In automatic mode it reports every outcome and
// closes itself with the result the sequencer acts on.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "Dialog.h"
#include "Handles.h"
#include "UpdateTransferRules.h"

namespace orvex {
class UpdateDeviceChannel;
}

namespace orvex::flash {

// The device message the main window sends on: wParam the notification id (0: the device is
// gone), lParam the record (for id 0: the error, 0 for an ordinary detach).
constexpr UINT kMessageUpdateRecord = WM_APP + 0x200;

// What the automatic mode gives the dialog.
class UpdateAutoHost {
 public:
  virtual ~UpdateAutoHost() = default;
  virtual void Report(uint32_t code, const std::string& text) = 0;
  // The update ended: phase back to 1 with a new time stamp, and the sequencer's counts.
  virtual void OnUpdateEnded(bool success) = 0;
  // A reset is due after this successful update (taking it clears it).
  virtual bool TakeResetAfterUpdate() = 0;
};

struct UpdateFile {
  std::string path;
  std::string name;
  std::string kind_text;
  std::string version_text;
};

class UpdateDialog : public Dialog {
 public:
  // `host` null: manual mode.
  UpdateDialog(UpdateDeviceChannel& channel, UpdateFile file, UpdateAutoHost* host);

  INT_PTR Run(HWND parent, HINSTANCE instance = nullptr);
  int State() const { return state_; }
  bool Running() const { return state_ == kUpdateRunning; }

 protected:
  bool OnInit() override;
  bool OnCommand(int code, int id, HWND control) override;
  bool OnTimer(UINT_PTR timer_id) override;
  void OnClose() override;
  void OnDestroy() override;
  bool OnMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) override;

 private:
  // Steps of the start; false when the update cannot begin (the status says why).
  bool Start();
  void StartFailed(const std::string& status, uint32_t code, const std::string& report, int result);
  void OnRecord(int id, const uint8_t* record);
  void OnEnd(int id, const uint8_t* record, uint32_t lost_error);
  void OnTimeout();
  void SetStatus(const std::string& text);
  void AllowClosing(bool allow);
  void StopTimer();

  UpdateDeviceChannel& channel_;
  UpdateFile file_;
  UpdateAutoHost* host_;
  int state_ = kUpdateIdle;
  uint32_t valid_size_ = 0;
  uint64_t watchdog_ = 0;
  bool timer_ = false;
  std::string status_;
  UniqueBrush background_;
};

}  // namespace orvex::flash
