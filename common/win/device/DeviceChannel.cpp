#include "DeviceChannel.h"

#include <cstring>
#include <new>
#include <vector>

#include "OrvexLibrary.h"
#include "ProgramHeader.h"

namespace orvex {

struct DeviceChannel::States {
  explicit States(uint32_t n) : count(n), bytes(new (std::nothrow) std::atomic<uint8_t>[n == 0 ? 1 : n]()) {}
  uint32_t count;
  std::unique_ptr<std::atomic<uint8_t>[]> bytes;
};

namespace {

bool Usable(HANDLE h) {
  return h != nullptr && h != INVALID_HANDLE_VALUE;
}

}  // namespace

DeviceChannel::DeviceChannel(DeviceDriver* driver) : driver_(driver) {
  std::atomic_store(&info_, std::shared_ptr<const DeviceInfoBlock>(std::make_shared<DeviceInfoBlock>()));
}

DeviceChannel::~DeviceChannel() {
  // After the close no callback can reach this object any more.
  if (channel_ != -1) OrvexCloseChannel(channel_);
  channel_ = -1;
  std::atomic_store(&states_, std::shared_ptr<States>());
}

DeviceDriver& DeviceChannel::Driver() {
  if (driver_ == nullptr) {
    own_driver_ = CreateDeviceDriver();
    driver_ = own_driver_.get();
  }
  return *driver_;
}

int DeviceChannel::Open(HWND owner, const UINT* messages, int count) {
  if (channel_ != -1 || count < 0 || count > 3 || (count > 0 && messages == nullptr)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  unsigned mask = kEventMaskBase;
  if (count >= 1 && messages[0] != 0) mask |= kEventAttachFinished;
  if (count >= 2 && messages[1] != 0) mask |= kEventDetached;
  if (count >= 3 && messages[2] != 0) mask |= kEventNotification;
  UINT kept[3] = {};
  for (int i = 0; i < count; ++i) kept[i] = messages[i];
  // Window and messages are in place before the library can call back.
  owner_ = owner;
  std::memcpy(messages_, kept, sizeof messages_);
  int channel = OrvexOpenChannel(mask, 0, 2, &DeviceChannel::Callback, this);
  if (channel == -1) {
    owner_ = nullptr;
    std::memset(messages_, 0, sizeof messages_);
    return 0;
  }
  channel_ = channel;
  return 1;
}

int DeviceChannel::Attach() {
  int answer = OrvexAttach(channel_);
  // The device handle is taken here too: without it the device check refuses every notification.
  if (answer == kAttachedAtOnce && !TakeDevice()) {
    DWORD error = GetLastError();
    OrvexDetach(channel_);
    DropDevice();
    SetLastError(error);
    return 0;
  }
  return answer;
}

int DeviceChannel::Detach() {
  int answer = OrvexDetach(channel_);
  if (answer != 0) DropDevice();
  return answer;
}

bool DeviceChannel::TakeDevice() {
  HANDLE device = INVALID_HANDLE_VALUE;
  OrvexGetDeviceHandle(channel_, 0, 0, &device);
  device_ = device;
  std::shared_ptr<DeviceInfoBlock> info;
  std::shared_ptr<States> states;
  try {
    info = std::make_shared<DeviceInfoBlock>();
    if (!OrvexGetInfoBlock(channel_, info->bytes, static_cast<int>(kDeviceInfoBlockSize), 0)) return false;
    states = std::make_shared<States>(info->ChannelCount());
  } catch (const std::bad_alloc&) {
  }
  if (!info || !states || !states->bytes) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return false;
  }
  std::atomic_store(&info_, std::shared_ptr<const DeviceInfoBlock>(std::move(info)));
  std::atomic_store(&states_, std::move(states));
  return true;
}

void DeviceChannel::DropDevice() {
  std::atomic_store(&states_, std::shared_ptr<States>());
  device_ = INVALID_HANDLE_VALUE;
}

bool DeviceChannel::Post(int which, WPARAM wparam, LPARAM lparam) {
  UINT message = messages_[which];
  HWND owner = owner_;
  if (message == 0 || owner == nullptr) return false;
  return PostMessageW(owner, message, wparam, lparam) != FALSE;
}

int WINAPI DeviceChannel::Callback(int, int event, int id, int status, void* record, void* context) {
  auto* self = static_cast<DeviceChannel*>(context);
  if (self == nullptr) return 0;
  switch (event) {
    case kEventAttachFinished:
      self->OnAttachFinished(status);
      break;
    case kEventDetached:
      self->OnDetached(status);
      break;
    case kEventNotification:
      self->OnNotification(id, static_cast<const uint8_t*>(record));
      break;
    default:
      break;
  }
  return 0;
}

void DeviceChannel::OnAttachFinished(int status) {
  DWORD error = 0;
  if (status == kAttachedAtOnce) {
    if (!TakeDevice()) {
      error = GetLastError();
      OrvexDetach(channel_);
      DropDevice();
      status = 0;
    }
  } else {
    error = GetLastError();
  }
  Post(0, static_cast<WPARAM>(status), static_cast<LPARAM>(error));
}

void DeviceChannel::OnDetached(int status) {
  DWORD error = static_cast<uint32_t>(status) == kDetachOrdinary ? 0 : GetLastError();
  DropDevice();
  Post(1, static_cast<WPARAM>(status), static_cast<LPARAM>(error));
}

void DeviceChannel::OnNotification(int id, const uint8_t* record) {
  if (messages_[2] == 0 || record == nullptr) return;
  if (!OrvexCheckDevice(device_.load(), 0, 0)) return;
  NotificationHeader header = ReadNotificationHeader(record);
  if (header.valid == 0 || header.kind != kRecordKindNotification) return;
  OrvexHoldNotification(channel_, id);
  if (auto states = std::atomic_load(&states_)) {
    if (auto state = StateAfterNotification(header.code, header.channel, states->count)) {
      states->bytes[header.channel - 1] = *state;
    }
  }
  // A record the window never hears of would stay held for good.
  if (!Post(2, static_cast<WPARAM>(id), reinterpret_cast<LPARAM>(record)))
    OrvexReleaseNotification(channel_, id);
}

int DeviceChannel::ChannelStateAt(uint32_t position) const {
  auto states = std::atomic_load(&states_);
  if (!states) return 0;
  if (position > states->count) return -1;
  if (position == 0) return 1;
  return states->bytes[position - 1];
}

DeviceInfoBlock DeviceChannel::InfoBlock() const {
  return *std::atomic_load(&info_);
}

int DeviceChannel::ReleaseNotification(int id) {
  return OrvexReleaseNotification(channel_, id);
}

int DeviceChannel::SendRequest(int channel_number, void* buffer, int length) {
  return OrvexSendRequest(channel_, channel_number, buffer, length, 0, 0);
}

HANDLE DeviceChannel::DeviceHandle() const {
  HANDLE device = INVALID_HANDLE_VALUE;
  OrvexGetDeviceHandle(channel_, 0, 0, &device);
  return device;
}

bool DeviceChannel::DeviceReady() const {
  return OrvexCheckDevice(device_.load(), 0, 0) != 0;
}

int DeviceChannel::WriteProgramImage(const uint8_t* image, size_t length) {
  if (image == nullptr || length < kProgramHeaderSize || length > 0xFFFFFFFF) return -1;

  int size = OrvexGetWritePath(channel_, nullptr, 0);
  if (size <= 0) return -1;
  HANDLE file;
  {
    std::vector<char> path(static_cast<size_t>(size) + 1, '\0');
    if (!OrvexGetWritePath(channel_, path.data(), size)) return -1;
    file = OrvexOpenWriteFile(path.data(), 4, 1);
  }
  if (!Usable(file)) return -1;
  UniqueFile owned(file);

  uint8_t request[kProgramWriteRequestSize];
  BuildProgramWriteRequest({image[6], ProgramTargetCode(image[6], image[7]), static_cast<uint32_t>(length)},
                           request);
  int status = OrvexSendRequest(channel_, static_cast<int>(InfoBlock().ChannelCount()), request,
                                static_cast<int>(sizeof request), 0, 0)
                   ? request[16]
                   : -1;
  if (status != 0) return status;

  OrvexSetProgramMode(device_.load(), 0, 0);
  DWORD written = 0;
  bool ok = WriteFile(owned.Get(), image, static_cast<DWORD>(length), &written, nullptr) != FALSE;
  Sleep(300);
  owned.Reset();
  if (ok && written == length) return 0;
  OrvexSetProgramMode(device_.load(), 1, 0);
  return -2;
}

int DeviceChannel::LeaveProgramMode() {
  return OrvexSetProgramMode(device_.load(), 1, 0);
}

int DeviceChannel::HardwareReset() {
  return OrvexHardwareReset(channel_);
}

uint32_t DeviceChannel::Versions(uint32_t* library_version, uint32_t* expected_version,
                                 uint32_t* driver_detail) {
  DriverVersion driver;
  HANDLE device = DeviceHandle();
  if (!Usable(device) || !Driver().QueryVersion(device, &driver)) driver = DriverVersion();
  if (library_version) *library_version = OrvexGetLibraryVersion(0);
  if (expected_version) *expected_version = kExpectedLibraryVersion;
  if (driver_detail) *driver_detail = driver.detail;
  return driver.version;
}

std::string DeviceChannel::DeviceText(int index) const {
  char buffer[256] = {};
  OrvexGetDeviceText(device_.load(), index, buffer, static_cast<int>(sizeof buffer));
  buffer[sizeof buffer - 1] = '\0';
  return std::string(buffer);
}

}  // namespace orvex
