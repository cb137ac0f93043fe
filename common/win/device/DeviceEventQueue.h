// A hidden window that receives a device channel's messages and keeps them in order, for the
// command line and the tests. Each notification's record is copied and released at once (unless
// told otherwise), as a dialog would after handling it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

#include "DeviceRecords.h"

namespace orvex {

class DeviceChannel;

struct DeviceEvent {
  UINT message = 0;
  WPARAM wparam = 0;
  LPARAM lparam = 0;
  std::vector<uint8_t> record;  // notifications: the first kRecordCopySize bytes
  NotificationHeader header;

  int Status() const { return static_cast<int>(wparam); }
  DWORD Error() const { return static_cast<DWORD>(lparam); }
  int Id() const { return static_cast<int>(wparam); }
  const uint8_t* Payload() const { return record.data() + kRecordHeaderSize; }
};

class DeviceEventQueue {
 public:
  static constexpr size_t kRecordCopySize = 64;
  static constexpr UINT kMessages[3] = {kMessageAttachFinished, kMessageDetached, kMessageNotification};

  DeviceEventQueue();
  ~DeviceEventQueue();
  DeviceEventQueue(const DeviceEventQueue&) = delete;
  DeviceEventQueue& operator=(const DeviceEventQueue&) = delete;

  HWND hwnd() const { return hwnd_; }
  // The channel whose notifications are released; none: the records stay held.
  void ReleaseThrough(DeviceChannel* channel) { channel_ = channel; }

  // The next message, waiting up to timeout_ms while serving the thread's messages.
  std::optional<DeviceEvent> Next(DWORD timeout_ms);
  // The next message of this kind (others are passed to `skipped` when given, else dropped).
  std::optional<DeviceEvent> NextOf(UINT message, DWORD timeout_ms,
                                    std::vector<DeviceEvent>* skipped = nullptr);
  // The next notification with this code.
  std::optional<DeviceEvent> NextNotification(uint16_t code, DWORD timeout_ms,
                                              std::vector<DeviceEvent>* skipped = nullptr);

 private:
  static LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);

  HWND hwnd_ = nullptr;
  DeviceChannel* channel_ = nullptr;
  std::deque<DeviceEvent> events_;
};

}  // namespace orvex
