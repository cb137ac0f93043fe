// Byte layouts exchanged with the device access library (Orvex.dll) and the driver: the
// information blocks, notification records, requests and packets. Portable, so the simulated
// adapter builds exactly what the device channel reads. The *Layout structures state each layout
// in fixed-width fields; the codecs take their offsets from them, and the static_asserts hold on
// every target (the shipped i686 build, the tested x86-64 build, the host).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace orvex {

// Little-endian access to byte buffers.
inline uint16_t GetLe16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
inline uint32_t GetLe32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
inline void PutLe16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
inline void PutLe32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

// ---- Library callback ----

constexpr uint32_t kEventMaskBase = 0x1000;
constexpr int kEventAttachFinished = 1;
constexpr int kEventDetached = 2;
constexpr int kEventNotification = 8;
constexpr int kAttachUnderWay = 255;  // answer of attach: the end follows as an event
constexpr int kAttachedAtOnce = 1;    // answer of attach, and the status of a good attach event
constexpr uint32_t kDetachOrdinary = 0x100;
constexpr uint32_t kExpectedLibraryVersion = 0x01010203;

// Window messages the device channel posts to its owner.
constexpr unsigned kMessageAttachFinished = 0x8101;
constexpr unsigned kMessageDetached = 0x8102;
constexpr unsigned kMessageNotification = 0x8103;

// ---- Device information block (128 bytes, filled by the library) ----

constexpr size_t kDeviceInfoBlockSize = 128;

struct DeviceInfoBlockLayout {
  uint32_t reserved0;
  uint32_t max_lines;
  uint32_t channel_count;
  uint32_t block_length;
  uint32_t reserved16;
  uint32_t voice_channels;
  uint8_t reserved24[104];
};
static_assert(sizeof(DeviceInfoBlockLayout) == kDeviceInfoBlockSize);
static_assert(offsetof(DeviceInfoBlockLayout, max_lines) == 4 && offsetof(DeviceInfoBlockLayout, channel_count) == 8 &&
              offsetof(DeviceInfoBlockLayout, block_length) == 12 &&
              offsetof(DeviceInfoBlockLayout, voice_channels) == 20);

struct DeviceInfoBlock {
  uint8_t bytes[kDeviceInfoBlockSize] = {};

  uint32_t MaxLines() const { return GetLe32(bytes + offsetof(DeviceInfoBlockLayout, max_lines)); }
  // Channels are 1..N; channel N is the system channel (the main controller).
  uint32_t ChannelCount() const { return GetLe32(bytes + offsetof(DeviceInfoBlockLayout, channel_count)); }
  uint32_t BlockLength() const { return GetLe32(bytes + offsetof(DeviceInfoBlockLayout, block_length)); }
  uint32_t RawVoiceChannels() const { return GetLe32(bytes + offsetof(DeviceInfoBlockLayout, voice_channels)); }
  // 0 in the block means "as many as the maximum number of lines".
  uint32_t VoiceChannels() const { return RawVoiceChannels() != 0 ? RawVoiceChannels() : MaxLines(); }

  void SetMaxLines(uint32_t v) { PutLe32(bytes + offsetof(DeviceInfoBlockLayout, max_lines), v); }
  void SetChannelCount(uint32_t v) { PutLe32(bytes + offsetof(DeviceInfoBlockLayout, channel_count), v); }
  void SetBlockLength(uint32_t v) { PutLe32(bytes + offsetof(DeviceInfoBlockLayout, block_length), v); }
  void SetVoiceChannels(uint32_t v) { PutLe32(bytes + offsetof(DeviceInfoBlockLayout, voice_channels), v); }
};

enum ChannelState : uint8_t {
  kChannelStopped = 0,
  kLineChannelRunning = 1,
  kSystemChannelRunning = 2,
};

// ---- Notification records (owned by the library) ----

constexpr size_t kRecordHeaderSize = 16;  // the payload starts here

struct NotificationRecordLayout {
  uint32_t valid;
  uint8_t channel;
  uint8_t reserved5;
  uint16_t code;
  uint32_t kind;
  uint32_t reserved12;
};
static_assert(sizeof(NotificationRecordLayout) == kRecordHeaderSize);
static_assert(offsetof(NotificationRecordLayout, channel) == 4 && offsetof(NotificationRecordLayout, code) == 6 &&
              offsetof(NotificationRecordLayout, kind) == 8);
constexpr uint32_t kRecordKindNotification = 2;

constexpr uint16_t kCodeChannelStarted = 0x8080;
constexpr uint16_t kCodeChannelStopped = 0x8081;
constexpr uint16_t kCodeSystemState = 0x8082;
constexpr uint16_t kCodeTransferStatus = 0x8300;
constexpr uint16_t kCodeTransferProgress = 0x8301;
constexpr uint16_t kCodeTransferEnd = 0x8302;
constexpr uint16_t kCodeDeviceStopped = 0x8380;
constexpr uint16_t kCodeDeviceStatus = 0x8381;

// Channel-started records carry the board kind at record offset 16 and four version words at
// record offsets 18, 20, 22 and 24. The same ten bytes are repeated at record offset 32 for
// readers that count those offsets from the payload.
constexpr size_t kStartedKindOffset = 16;
constexpr size_t kStartedWordsOffset = 18;
constexpr size_t kStartedCopyOffset = 32;
constexpr size_t kStartedRecordSize = kStartedCopyOffset + 10;

#pragma pack(push, 1)
struct StartedRecordLayout {
  NotificationRecordLayout header;
  uint8_t board_kind;
  uint8_t reserved17;
  uint16_t versions[4];
  uint8_t reserved26[6];
  uint8_t copy[10];
};
#pragma pack(pop)
static_assert(sizeof(StartedRecordLayout) == kStartedRecordSize);
static_assert(offsetof(StartedRecordLayout, board_kind) == kStartedKindOffset &&
              offsetof(StartedRecordLayout, versions) == kStartedWordsOffset &&
              offsetof(StartedRecordLayout, copy) == kStartedCopyOffset);

struct NotificationHeader {
  uint32_t valid = 0;
  uint8_t channel = 0;
  uint16_t code = 0;
  uint32_t kind = 0;
};

// The header of a record of at least 16 bytes.
NotificationHeader ReadNotificationHeader(const uint8_t* record);
// A record with the given header fields and payload (valid = 1, kind = 2).
std::vector<uint8_t> BuildNotificationRecord(uint8_t channel, uint16_t code, const uint8_t* payload,
                                             size_t payload_size);

// The state a notification gives its channel, for a device of `channel_count` channels: nothing
// when the code changes no state or the channel is 0 or above the count.
std::optional<ChannelState> StateAfterNotification(uint16_t code, uint32_t channel, uint32_t channel_count);

// Whether a notification is handled although the device check already says the device is gone.
// A program write's records are: a fast adapter sends its progress and end records and restarts
// while the tool still waits after handing the image over, so by the time the window takes them
// from its queue the device is away, and dropping them would turn a good write into a lost one.
// The detach that follows them is queued behind them, so they are still handled in order.
bool HandledAfterDeviceLeft(uint16_t code);

// ---- Program write request (22 bytes through the request call, to channel N) ----

constexpr size_t kProgramWriteRequestSize = 22;
constexpr uint16_t kRequestProgramWrite = 0x2303;

// The image length is not aligned in the request.
#pragma pack(push, 1)
struct ProgramWriteRequestLayout {
  uint32_t size;
  uint16_t reserved4;
  uint16_t code;
  uint8_t reserved8[8];
  uint8_t kind;
  uint8_t target;
  uint32_t length;
};
#pragma pack(pop)
static_assert(sizeof(ProgramWriteRequestLayout) == kProgramWriteRequestSize);
static_assert(offsetof(ProgramWriteRequestLayout, code) == 6 && offsetof(ProgramWriteRequestLayout, kind) == 16 &&
              offsetof(ProgramWriteRequestLayout, target) == 17 && offsetof(ProgramWriteRequestLayout, length) == 18);

struct ProgramWriteRequest {
  uint8_t kind = 0;     // header byte 6; in the reply: the status, 0 = accepted
  uint8_t target = 0;   // target code
  uint32_t length = 0;  // image length in bytes
};

void BuildProgramWriteRequest(const ProgramWriteRequest& request, uint8_t out[kProgramWriteRequestSize]);
// False unless the buffer is a program write request (length word 22, code 0x2303).
bool ParseProgramWriteRequest(const uint8_t* bytes, size_t size, ProgramWriteRequest* out);

// ---- Parameter read blocks ----

constexpr uint8_t kParameterReadKind = 0x91;
constexpr size_t kParameterBlockHeaderSize = 18;  // the length word counts these bytes too

// ---- Driver ----

constexpr uint32_t kIoctlVersion = 0x220000;
constexpr uint32_t kIoctlInfo = 0x220008;
constexpr uint32_t kIoctlOpenCount = 0x220010;
constexpr uint32_t kIoctlDebugLevel = 0x220020;
constexpr uint16_t kAdapterProduct = 0x0DC8;
constexpr size_t kAdapterInfoSize = 80;
constexpr size_t kDriverReplySize = 16;
constexpr size_t kResetPacketSize = 16;
constexpr uint16_t kResetCode = 0x0380;

enum class DebugTarget : uint32_t { kDriver = 1, kLibrary = 2 };

// The driver's 80-byte information block about an adapter.
struct AdapterInfo {
  uint8_t bytes[kAdapterInfoSize] = {};

  uint16_t Product() const { return GetLe16(bytes + 10); }
  uint16_t ProductKind() const { return GetLe16(bytes + 12); }
  // Number of the system channel's pipe: the word at offset 40, plus 1.
  uint32_t SystemChannelNumber() const { return GetLe32(bytes + 40) + 1; }
  // Our adapter: product 0x0DC8 of kind 1 or 2.
  bool IsOurAdapter() const {
    return Product() == kAdapterProduct && (ProductKind() == 1 || ProductKind() == 2);
  }
};

// The 16-byte input words of the driver's control codes.
void BuildInfoRequest(uint8_t out[16]);
void BuildDebugLevelRequest(DebugTarget target, uint32_t level, uint8_t out[16]);
void BuildResetPacket(uint8_t out[kResetPacketSize]);
bool IsResetPacket(const uint8_t* bytes, size_t size);

}  // namespace orvex
