// OrvexFlash's own driver call: the debug levels.
#include "DeviceChannel.h"

namespace orvex {

bool UpdateDeviceChannel::SetDriverDebug(bool driver, uint32_t level) {
  return Driver().SetDebugLevel(DeviceHandle(), driver ? DebugTarget::kDriver : DebugTarget::kLibrary, level);
}

}  // namespace orvex
