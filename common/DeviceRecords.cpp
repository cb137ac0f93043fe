#include "DeviceRecords.h"

#include <cstring>

namespace orvex {

NotificationHeader ReadNotificationHeader(const uint8_t* record) {
  NotificationHeader h;
  h.valid = GetLe32(record + offsetof(NotificationRecordLayout, valid));
  h.channel = record[offsetof(NotificationRecordLayout, channel)];
  h.code = GetLe16(record + offsetof(NotificationRecordLayout, code));
  h.kind = GetLe32(record + offsetof(NotificationRecordLayout, kind));
  return h;
}

std::vector<uint8_t> BuildNotificationRecord(uint8_t channel, uint16_t code, const uint8_t* payload,
                                             size_t payload_size) {
  std::vector<uint8_t> record(kRecordHeaderSize + payload_size, 0);
  PutLe32(record.data() + offsetof(NotificationRecordLayout, valid), 1);
  record[offsetof(NotificationRecordLayout, channel)] = channel;
  PutLe16(record.data() + offsetof(NotificationRecordLayout, code), code);
  PutLe32(record.data() + offsetof(NotificationRecordLayout, kind), kRecordKindNotification);
  if (payload_size != 0) std::memcpy(record.data() + kRecordHeaderSize, payload, payload_size);
  return record;
}

std::optional<ChannelState> StateAfterNotification(uint16_t code, uint32_t channel, uint32_t channel_count) {
  if (channel == 0 || channel > channel_count) return std::nullopt;
  switch (code) {
    case kCodeChannelStarted:
      return channel < channel_count ? kLineChannelRunning : kSystemChannelRunning;
    case kCodeChannelStopped:
      return kChannelStopped;
    case kCodeSystemState:
      return kSystemChannelRunning;
    default:
      return std::nullopt;
  }
}

bool HandledAfterDeviceLeft(uint16_t code) { return code == kCodeTransferProgress || code == kCodeTransferEnd; }

void BuildProgramWriteRequest(const ProgramWriteRequest& request, uint8_t out[kProgramWriteRequestSize]) {
  std::memset(out, 0, kProgramWriteRequestSize);
  PutLe32(out + offsetof(ProgramWriteRequestLayout, size), kProgramWriteRequestSize);
  PutLe16(out + offsetof(ProgramWriteRequestLayout, code), kRequestProgramWrite);
  out[offsetof(ProgramWriteRequestLayout, kind)] = request.kind;
  out[offsetof(ProgramWriteRequestLayout, target)] = request.target;
  PutLe32(out + offsetof(ProgramWriteRequestLayout, length), request.length);
}

bool ParseProgramWriteRequest(const uint8_t* bytes, size_t size, ProgramWriteRequest* out) {
  if (bytes == nullptr || size < kProgramWriteRequestSize) return false;
  if (GetLe32(bytes + offsetof(ProgramWriteRequestLayout, size)) != kProgramWriteRequestSize ||
      GetLe16(bytes + offsetof(ProgramWriteRequestLayout, code)) != kRequestProgramWrite) {
    return false;
  }
  out->kind = bytes[offsetof(ProgramWriteRequestLayout, kind)];
  out->target = bytes[offsetof(ProgramWriteRequestLayout, target)];
  out->length = GetLe32(bytes + offsetof(ProgramWriteRequestLayout, length));
  return true;
}

void BuildInfoRequest(uint8_t out[16]) {
  std::memset(out, 0, 16);
  PutLe32(out + 8, kAdapterInfoSize);
}

void BuildDebugLevelRequest(DebugTarget target, uint32_t level, uint8_t out[16]) {
  std::memset(out, 0, 16);
  PutLe32(out, static_cast<uint32_t>(target));
  PutLe32(out + 4, level);
}

void BuildResetPacket(uint8_t out[kResetPacketSize]) {
  std::memset(out, 0, kResetPacketSize);
  PutLe32(out, kResetPacketSize);
  PutLe16(out + 6, kResetCode);
}

bool IsResetPacket(const uint8_t* bytes, size_t size) {
  if (bytes == nullptr || size != kResetPacketSize) return false;
  uint8_t expected[kResetPacketSize];
  BuildResetPacket(expected);
  return std::memcmp(bytes, expected, kResetPacketSize) == 0;
}

}  // namespace orvex
