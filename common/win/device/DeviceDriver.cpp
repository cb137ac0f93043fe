#include "DeviceDriver.h"

#include "SimDriver.h"

namespace orvex {

std::unique_ptr<DeviceDriver> CreateDeviceDriver() {
  if (auto driver = sim::CreateSimulatedDriver()) return driver;
  return CreateSystemDeviceDriver();
}

ResetResult ResetAdapter(DeviceDriver& driver, const Adapter& adapter, DWORD* error,
                         const std::function<void(DWORD)>& sleep) {
  *error = 0;
  UniqueFile f0 = driver.OpenSubChannel(adapter, 'F', 0);
  UniqueFile f2 = f0.Valid() ? driver.OpenSubChannel(adapter, 'F', 2) : UniqueFile();
  if (!f0.Valid() || !f2.Valid()) {
    *error = GetLastError();
    return ResetResult::kPipeFailed;
  }
  UniqueFile system = driver.OpenSubChannel(adapter, 'C', adapter.info.SystemChannelNumber());
  if (!system.Valid()) {
    *error = GetLastError();
    return ResetResult::kSystemChannelFailed;
  }
  uint8_t packet[kResetPacketSize];
  BuildResetPacket(packet);
  bool written = driver.WritePacket(system.Get(), packet, sizeof packet);
  DWORD write_error = written ? 0 : GetLastError();
  if (sleep) {
    sleep(200);
  } else {
    Sleep(200);
  }
  // The three handles close here, after the wait, whatever the write did.
  if (!written) {
    *error = write_error;
    return ResetResult::kWriteFailed;
  }
  return ResetResult::kDone;
}

}  // namespace orvex
