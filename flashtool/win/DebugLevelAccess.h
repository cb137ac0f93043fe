// The debug levels on a real system: the registry under the driver's service key, the driver
// through the device channel, and OrvexKeys started elevated.
//
// Test seam: with the environment variable ORVEX_TEST_REGISTRY_DENIED set to 1, the registry
// write fails with ERROR_ACCESS_DENIED without being tried, so that the tests can reach the
// elevated helper under Wine (which grants every right). Nothing else reads the variable.
#pragma once

#include <windows.h>

#include "DebugLevels.h"

namespace orvex {
class UpdateDeviceChannel;
}

namespace orvex::flash {

constexpr wchar_t kRegistryDeniedSeam[] = L"ORVEX_TEST_REGISTRY_DENIED";

class DebugLevelAccess : public DebugLevelSystem {
 public:
  // `channel` may be null (no channel could be opened).
  explicit DebugLevelAccess(UpdateDeviceChannel* channel) : channel_(channel) {}

  uint32_t ReadRegistry(uint32_t* driver_level, uint32_t* library_level) override;
  bool DeviceAttached() override;
  uint32_t SendToDriver(bool driver, uint32_t level) override;
  uint32_t DriverVersion() override;
  uint32_t WriteRegistry(uint32_t driver_level, uint32_t library_level) override;
  bool ElevationAvailable() override;
  HelperRun RunElevated(const std::string& file, const std::string& parameters) override;

 private:
  UpdateDeviceChannel* channel_;
};

// One "DebugLevel" value under HKEY_LOCAL_MACHINE\key: 0 or the error.
uint32_t ReadDebugLevel(const char* key, uint32_t* level);
uint32_t WriteDebugLevel(const char* key, uint32_t level);

}  // namespace orvex::flash
