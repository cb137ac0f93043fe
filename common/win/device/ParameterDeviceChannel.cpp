// OrvexSet's own library calls: the parameter read and the presence probe. Kept apart so that
// OrvexFlash does not import them.
#include "DeviceChannel.h"
#include "OrvexLibrary.h"

namespace orvex {

int ParameterDeviceChannel::ParameterReadStart(uint32_t* size, uint16_t* low_info, uint16_t* high_info) {
  unsigned int got_size = 0;
  unsigned int info = 0;
  int status = OrvexParameterReadStart(ChannelHandle(), kParameterReadKind, 0, &got_size, &info);
  if (status == 0) {
    if (size) *size = got_size;
    if (low_info) *low_info = static_cast<uint16_t>(info & 0xFFFF);
    if (high_info) *high_info = static_cast<uint16_t>(info >> 16);
  }
  return status;
}

int ParameterDeviceChannel::ParameterReadBlock(bool more, uint8_t* buffer, uint32_t capacity) {
  // The capacity goes into the buffer's first word, so the buffer must at least hold that.
  if (buffer == nullptr || capacity < 4) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return -1;
  }
  PutLe32(buffer, capacity);
  return OrvexParameterReadBlock(ChannelHandle(), more ? 0 : 1, buffer);
}

bool ParameterDeviceChannel::DevicePresent() {
  HANDLE probe = OrvexProbeDevice(0xFFFF, -1, 0, 0);
  if (probe == INVALID_HANDLE_VALUE || probe == nullptr) return false;
  CloseHandle(probe);
  return true;
}

}  // namespace orvex
