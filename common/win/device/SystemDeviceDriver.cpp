// The real driver: the adapter's device interface found through SetupAPI, control codes through
// DeviceIoControl.
#include <windows.h>

#include <setupapi.h>

#include <vector>

#include "DeviceDriver.h"
#include "Format.h"
#include "Wide.h"

namespace orvex {
namespace {

const GUID kAdapterInterface = {0x1197E2C0, 0xA8E9, 0x11D4, {0xA1, 0xD3, 0x00, 0x10, 0x5A, 0x1F, 0x45, 0x3E}};

struct DeviceInfoSet {
  HDEVINFO set = INVALID_HANDLE_VALUE;
  ~DeviceInfoSet() {
    if (set != INVALID_HANDLE_VALUE) SetupDiDestroyDeviceInfoList(set);
  }
};

bool Control(HANDLE device, uint32_t code, const void* in, DWORD in_size, void* out, DWORD out_size,
             DWORD* returned = nullptr) {
  if (device == nullptr || device == INVALID_HANDLE_VALUE) {
    SetLastError(ERROR_INVALID_HANDLE);
    return false;
  }
  DWORD got = 0;
  BOOL ok = DeviceIoControl(device, code, const_cast<void*>(in), in_size, out, out_size, &got, nullptr);
  if (returned) *returned = got;
  return ok != FALSE;
}

UniqueFile OpenPath(const std::wstring& path) {
  return UniqueFile(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
}

class SystemDeviceDriver : public DeviceDriver {
 public:
  Adapter OpenAdapter() override {
    Adapter adapter;
    DeviceInfoSet devices;
    devices.set =
        SetupDiGetClassDevsW(&kAdapterInterface, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (devices.set == INVALID_HANDLE_VALUE) return adapter;
    for (DWORD index = 0;; ++index) {
      SP_DEVICE_INTERFACE_DATA data = {};
      data.cbSize = sizeof data;
      if (!SetupDiEnumDeviceInterfaces(devices.set, nullptr, &kAdapterInterface, index, &data))
        return adapter;
      DWORD needed = 0;
      SetupDiGetDeviceInterfaceDetailW(devices.set, &data, nullptr, 0, &needed, nullptr);
      if (needed < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W)) return adapter;
      std::vector<uint8_t> buffer(needed);
      auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(buffer.data());
      detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
      if (!SetupDiGetDeviceInterfaceDetailW(devices.set, &data, detail, needed, nullptr, nullptr))
        return adapter;
      std::wstring path(detail->DevicePath);
      UniqueFile handle = OpenPath(path);
      if (!handle.Valid()) return adapter;
      AdapterInfo info;
      if (QueryInfo(handle.Get(), &info) && info.IsOurAdapter()) {
        adapter.handle = std::move(handle);
        adapter.path = std::move(path);
        adapter.info = info;
        return adapter;
      }
    }
  }

  UniqueFile OpenSubChannel(const Adapter& adapter, char letter, uint32_t number) override {
    if (adapter.path.empty()) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return UniqueFile();
    }
    return OpenPath(adapter.path + ToWide(Format("\\%c%u", letter, number)));
  }

  bool QueryVersion(HANDLE device, DriverVersion* out) override {
    uint8_t reply[kDriverReplySize] = {};
    if (!Control(device, kIoctlVersion, nullptr, 0, reply, sizeof reply)) return false;
    out->version = GetLe32(reply);
    out->detail = GetLe32(reply + 4);
    return true;
  }

  bool QueryInfo(HANDLE device, AdapterInfo* out) override {
    uint8_t request[16];
    BuildInfoRequest(request);
    AdapterInfo info;
    if (!Control(device, kIoctlInfo, request, sizeof request, info.bytes, sizeof info.bytes)) return false;
    *out = info;
    return true;
  }

  uint32_t QueryOpenCount(HANDLE device) override {
    uint8_t request[16] = {};
    uint8_t reply[4] = {};
    DWORD got = 0;
    if (!Control(device, kIoctlOpenCount, request, sizeof request, reply, sizeof reply, &got) || got < 4)
      return 0;
    return GetLe32(reply);
  }

  bool SetDebugLevel(HANDLE device, DebugTarget target, uint32_t level) override {
    uint8_t request[16];
    BuildDebugLevelRequest(target, level, request);
    uint8_t reply[16] = {};
    return Control(device, kIoctlDebugLevel, request, sizeof request, reply, sizeof reply);
  }

  bool WritePacket(HANDLE channel, const uint8_t* bytes, size_t size) override {
    DWORD written = 0;
    return WriteFile(channel, bytes, static_cast<DWORD>(size), &written, nullptr) != FALSE;
  }
};

}  // namespace

std::unique_ptr<DeviceDriver> CreateSystemDeviceDriver() {
  return std::make_unique<SystemDeviceDriver>();
}

}  // namespace orvex
