// The one object through which OrvexSet and OrvexFlash reach the adapter. It registers with the
// device access library, attaches and detaches, keeps the device information block and a state
// per channel, and turns the library's callbacks (on the library's thread) into messages posted
// to the owning window: attach finished (status, error), detached (status, error), notification
// (id, record address). The window releases every notification it receives.
//
// OrvexSet uses ParameterDeviceChannel (parameter read), OrvexFlash UpdateDeviceChannel (driver
// debug levels); each program links only the library calls it makes.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "DeviceDriver.h"
#include "DeviceRecords.h"

namespace orvex {

class DeviceChannel {
 public:
  // The driver answers the version query; without one the channel makes its own on first use.
  explicit DeviceChannel(DeviceDriver* driver = nullptr);
  virtual ~DeviceChannel();
  DeviceChannel(const DeviceChannel&) = delete;
  DeviceChannel& operator=(const DeviceChannel&) = delete;

  // Registers with the library for the messages given (attach finished, detached, notification;
  // 0 = not wanted). 1 on success, 0 when the library refuses or the channel is open already.
  virtual int Open(HWND owner, const UINT* messages, int count);
  // 255: attach under way, its end arrives as the attach-finished message. 1: attached at once
  // (block and states are ready). Any other value is a failure status (see GetLastError).
  virtual int Attach();
  // The library's answer; non-zero frees the states.
  virtual int Detach();

  // 0 without a device, -1 past the last channel, 1 for position 0 (a device is attached), else
  // the state (ChannelState) of channel `position`.
  int ChannelStateAt(uint32_t position) const;
  DeviceInfoBlock InfoBlock() const;
  bool IsOpen() const { return channel_ != -1; }
  int ChannelHandle() const { return channel_; }

  int ReleaseNotification(int id);
  int SendRequest(int channel_number, void* buffer, int length);
  // Asks the library; INVALID_HANDLE_VALUE without a device.
  HANDLE DeviceHandle() const;
  // The library's check that notifications may be handled now.
  bool DeviceReady() const;

  // 0 written (the device reports progress and end as notifications), -1 refused before the
  // device saw it (no image, shorter than a header, no write path, request not sent), -2 the
  // data did not go through, else the device's status for the request (255: not an image it
  // takes).
  int WriteProgramImage(const uint8_t* image, size_t length);
  int LeaveProgramMode();
  int HardwareReset();

  // Driver version (0 without a device handle); the library's version, the version the tools
  // expect, and the driver detail.
  uint32_t Versions(uint32_t* library_version, uint32_t* expected_version, uint32_t* driver_detail);
  std::string DeviceText(int index) const;

 protected:
  DeviceDriver& Driver();
  HANDLE KeptDeviceHandle() const { return device_.load(); }

 private:
  struct States;

  static int WINAPI Callback(int reserved, int event, int id, int status, void* record, void* context);
  void OnAttachFinished(int status);
  void OnDetached(int status);
  void OnNotification(int id, const uint8_t* record);
  // Device handle, block and states for a device that has just attached; false (last error set)
  // when the block or the states cannot be had.
  bool TakeDevice();
  void DropDevice();
  bool Post(int which, WPARAM wparam, LPARAM lparam);

  std::atomic<HWND> owner_{nullptr};
  UINT messages_[3] = {};
  std::atomic<int> channel_{-1};
  std::atomic<HANDLE> device_{INVALID_HANDLE_VALUE};
  // Written on the library's thread, read on the window's: swapped whole, never changed in place.
  std::shared_ptr<const DeviceInfoBlock> info_;
  std::shared_ptr<States> states_;
  std::unique_ptr<DeviceDriver> own_driver_;
  DeviceDriver* driver_ = nullptr;
};

// OrvexSet's channel.
class ParameterDeviceChannel : public DeviceChannel {
 public:
  using DeviceChannel::DeviceChannel;

  // 0: the read has begun; size, low and high info words are set only then. Else the library's
  // failure status.
  int ParameterReadStart(uint32_t* size, uint16_t* low_info, uint16_t* high_info);
  // Next block into buffer (its first word receives the capacity): -1 failure, 0 more blocks,
  // non-zero the last. `more` false ends the read.
  int ParameterReadBlock(bool more, uint8_t* buffer, uint32_t capacity);

  // Whether the library sees a device now (the handle it answers with is closed at once).
  static bool DevicePresent();
};

// OrvexFlash's channel.
class UpdateDeviceChannel : public DeviceChannel {
 public:
  using DeviceChannel::DeviceChannel;

  // The driver's (driver true) or the library's debug level, through the device handle; the
  // system call's success.
  bool SetDriverDebug(bool driver, uint32_t level);
};

}  // namespace orvex
