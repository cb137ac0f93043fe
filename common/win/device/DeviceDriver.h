// The adapter's kernel driver as the suite uses it: find the adapter, ask its version, its
// information block and how many handles are open on it, set debug levels, and reset it through
// its system channel. OrvexRoll opens the adapter itself; the tools use a device handle they got
// from the device access library. With ORVEX_SIM set, the simulated adapter answers instead.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "DeviceRecords.h"
#include "Handles.h"

namespace orvex {

struct DriverVersion {
  uint32_t version = 0;  // a.b.c.d, most significant first
  uint32_t detail = 0;   // attribute bits; the low 12 bits name the connection
};

// An adapter found and opened.
struct Adapter {
  UniqueFile handle;
  std::wstring path;  // device interface path; sub-channels are opened below it
  AdapterInfo info;

  bool Found() const { return handle.Valid(); }
};

class DeviceDriver {
 public:
  virtual ~DeviceDriver() = default;

  // The first present adapter (product 0x0DC8, kind 1 or 2); not found (last error set) at the
  // end of the list or on an error.
  virtual Adapter OpenAdapter() = 0;
  // Pipe `letter` (F command pipe, P other pipe, C system channel) number `number` of the adapter.
  virtual UniqueFile OpenSubChannel(const Adapter& adapter, char letter, uint32_t number) = 0;

  // Control codes on an adapter handle or on a device handle from the library.
  virtual bool QueryVersion(HANDLE device, DriverVersion* out) = 0;  // 0x220000
  virtual bool QueryInfo(HANDLE device, AdapterInfo* out) = 0;       // 0x220008
  virtual uint32_t QueryOpenCount(HANDLE device) = 0;                // 0x220010, 0 on failure
  virtual bool SetDebugLevel(HANDLE device, DebugTarget target, uint32_t level) = 0;  // 0x220020
  // One write on a sub-channel (the reset packet).
  virtual bool WritePacket(HANDLE channel, const uint8_t* bytes, size_t size) = 0;
};

// The simulated adapter's driver when ORVEX_SIM names a folder, else the real one.
std::unique_ptr<DeviceDriver> CreateDeviceDriver();
// The real driver: SetupAPI interface search and DeviceIoControl.
std::unique_ptr<DeviceDriver> CreateSystemDeviceDriver();

enum class ResetResult {
  kDone,
  kPipeFailed,           // pipe F0 or F2 did not open
  kSystemChannelFailed,  // the system channel did not open
  kWriteFailed,          // the reset packet was not taken
};

// Hardware reset through the driver: opens pipes F0 and F2 and the system channel, writes the
// reset packet to the system channel, waits 200 ms and closes all three. The adapter then leaves
// the bus and returns. *error receives the system error of a failure.
ResetResult ResetAdapter(DeviceDriver& driver, const Adapter& adapter, DWORD* error,
                         const std::function<void(DWORD)>& sleep = nullptr);

}  // namespace orvex
