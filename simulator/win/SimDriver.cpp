#include "SimDriver.h"

#include <algorithm>

#include "Format.h"
#include "ProcessBitness.h"
#include "SimDevice.h"
#include "SimOperations.h"
#include "SimStore.h"
#include "VersionResource.h"
#include "VersionText.h"

namespace orvex::sim {
namespace {

UniqueFile NewHandle() {
  return UniqueFile(CreateEventW(nullptr, TRUE, FALSE, nullptr));
}

bool Usable(HANDLE h) {
  return h != nullptr && h != INVALID_HANDLE_VALUE;
}

class SimulatedDriver : public DeviceDriver {
 public:
  explicit SimulatedDriver(std::wstring folder) : store_(std::move(folder)) {}

  Adapter OpenAdapter() override {
    Adapter adapter;
    SimState state;
    if (!Available(&state) || !BuildAdapterInfo(state).IsOurAdapter()) {
      SetLastError(ERROR_NO_MORE_ITEMS);
      return adapter;
    }
    adapter.handle = NewHandle();
    adapter.path = L"\\\\?\\orvexsim#adapter";
    adapter.info = BuildAdapterInfo(state);
    return adapter;
  }

  UniqueFile OpenSubChannel(const Adapter& adapter, char letter, uint32_t number) override {
    SimState state;
    if (!adapter.Found() || !Available(&state)) {
      SetLastError(ERROR_DEVICE_NOT_CONNECTED);
      return UniqueFile();
    }
    bool known = letter == 'F' || letter == 'P' || (letter == 'C' && number == state.channels);
    if (!known) {
      SetLastError(ERROR_FILE_NOT_FOUND);
      return UniqueFile();
    }
    return NewHandle();
  }

  bool QueryVersion(HANDLE device, DriverVersion* out) override {
    SimState state;
    if (!Answering(device, &state)) return false;
    uint8_t reply[kDriverReplySize];
    if (!state.driver_file.empty()) {
      // A driver knows its own file; a 32-bit caller on 64-bit Windows would otherwise be sent
      // to SysWOW64\drivers, where no driver is.
      RedirectionOff redirection;
      if (auto text = ReadVersionString(state.driver_file, "041104b0")) state.driver_version = ParseVersionPacked(*text);
    }
    BuildDriverVersionReply(state, reply);
    out->version = GetLe32(reply);
    out->detail = GetLe32(reply + 4);
    return true;
  }

  bool QueryInfo(HANDLE device, AdapterInfo* out) override {
    SimState state;
    if (!Answering(device, &state)) return false;
    *out = BuildAdapterInfo(state);
    return true;
  }

  uint32_t QueryOpenCount(HANDLE device) override {
    SimState state;
    if (!Answering(device, &state)) return 0;
    uint32_t others = 0;
    if (state.faults.other_apps.on) {
      std::string error;
      store_.Update(
          [&](SimState& s) { others = s.faults.other_apps.Fire() ? s.faults.other_apps.Value(0) : 0; },
          nullptr, &error);
    }
    return 1 + others;
  }

  bool SetDebugLevel(HANDLE device, DebugTarget target, uint32_t level) override {
    SimState state;
    if (!Answering(device, &state)) return false;
    if (!state.driver_debug_supported) {
      SetLastError(ERROR_INVALID_FUNCTION);
      return false;
    }
    std::string error;
    bool ok = store_.Update(
        [&](SimState& s) {
          if (target == DebugTarget::kDriver) {
            s.driver_debug_level = level;
          } else {
            s.library_debug_level = level;
          }
        },
        &state, &error);
    store_.Log(state, Format("driver: debug level %s = 0x%X",
                             target == DebugTarget::kDriver ? "driver" : "library", level));
    if (!ok) SetLastError(ERROR_WRITE_FAULT);
    return ok;
  }

  bool WritePacket(HANDLE channel, const uint8_t* bytes, size_t size) override {
    SimState state;
    if (!Answering(channel, &state)) return false;
    if (!IsResetPacket(bytes, size)) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return false;
    }
    bool failed = false;
    bool pulled = false;  // pulled out at this operation (unplug_at): the packet never arrives
    std::string error;
    bool ok = store_.Update(
        [&](SimState& s) {
          pulled = !CountOperation(&s, Operation::kReset);
          failed = !pulled && s.faults.reset_fail.Fire();
          // A refused reset sends the adapter nowhere: it took none of the time a reset takes.
          if (failed) s.adapter_ms -= std::min<uint64_t>(s.adapter_ms, OperationMs(s, Operation::kReset));
          if (!pulled && !failed) s.away_until = s.ReturnTime(WallClockMs(), s.reset_away_ms);
        },
        &state, &error);
    store_.Log(state,
               pulled   ? Format("operation %u: reset; instead the adapter leaves the bus (unplug_at)",
                                 state.operations)
               : failed ? std::string("driver: reset packet refused")
                        : Format("operation %u: reset packet, the adapter leaves the bus, %u ms", state.operations,
                                 OperationMs(state, Operation::kReset)));
    if (!ok || failed || pulled) {
      SetLastError(pulled ? ERROR_DEVICE_NOT_CONNECTED : ERROR_GEN_FAILURE);
      return false;
    }
    return true;
  }

 private:
  bool Available(SimState* state) {
    std::string error;
    return store_.Load(state, &error) && state->Available(WallClockMs());
  }

  // A handle of ours on an adapter that is there.
  bool Answering(HANDLE h, SimState* state) {
    if (!Usable(h)) {
      SetLastError(ERROR_INVALID_HANDLE);
      return false;
    }
    if (!Available(state)) {
      SetLastError(ERROR_DEVICE_NOT_CONNECTED);
      return false;
    }
    return true;
  }

  SimStore store_;
};

}  // namespace

std::unique_ptr<DeviceDriver> CreateSimulatedDriver(const std::wstring& folder) {
  return std::make_unique<SimulatedDriver>(folder);
}

std::unique_ptr<DeviceDriver> CreateSimulatedDriver() {
  std::wstring folder = SimStore::FolderFromEnvironment();
  if (folder.empty()) return nullptr;
  return CreateSimulatedDriver(folder);
}

}  // namespace orvex::sim
