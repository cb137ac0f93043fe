// The simulated device access library behind Orvex.dll's ordinals: channels, attach and detach,
// notifications on the library's own thread, program writes, parameter reads and resets, driven
// by the state in the ORVEX_SIM folder.
#pragma once

#include <windows.h>

#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "OrvexLibrary.h"
#include "SimDevice.h"
#include "SimOperations.h"
#include "SimStore.h"

namespace orvex::sim {

class SimLibrary {
 public:
  static SimLibrary& Instance();

  int OpenChannel(unsigned mask, OrvexCallback callback, void* context);
  int CloseChannel(int channel);
  int Attach(int channel);
  int Detach(int channel);
  int GetInfoBlock(int channel, void* buffer, int size);
  int GetDeviceHandle(int channel, HANDLE* device);
  int CheckDevice(HANDLE device);
  int Hold(int channel, int id);
  int Release(int channel, int id);
  int SendRequest(int channel, int number, void* buffer, int length);
  int GetWritePath(int channel, char* buffer, int size);
  HANDLE OpenWriteFile(const char* path);
  int SetProgramMode(HANDLE device, int mode);
  int HardwareReset(int channel);
  unsigned LibraryVersion();
  int DeviceText(HANDLE device, int index, char* buffer, int size);
  HANDLE Probe();
  int ParameterReadStart(int channel, int kind, unsigned* size, unsigned* info);
  int ParameterReadBlock(int channel, int mode, void* buffer);

 private:
  enum class Link { kIdle, kAttaching, kAttached };

  struct Write {
    ProgramWriteRequest request;
    bool mode_on = false;   // program-write mode entered
    bool received = false;  // the whole image arrived
    std::vector<ProgressStep> steps;
    size_t next_step = 0;
    std::optional<uint32_t> silent_after;
    uint8_t completion[8] = {};
    std::vector<uint8_t> image;
  };

  struct Channel {
    int handle = 0;
    unsigned mask = 0;
    OrvexCallback callback = nullptr;
    void* context = nullptr;
    Link link = Link::kIdle;
    uint64_t generation = 0;  // counts detaches; events of an older generation are dropped
    bool attach_scheduled = false;
    UniqueHandle device;  // the device handle the callers see
    std::wstring write_path;
    std::optional<Write> write;
    std::unique_ptr<ParameterStream> read;
    int running_callbacks = 0;
  };

  enum class EventKind { kAttachDone, kNotify, kDetached, kFaultDetach, kWriteStep, kRestart };

  struct Event {
    uint64_t due = 0;  // GetTickCount64
    uint64_t order = 0;
    int channel = 0;
    uint64_t generation = 0;
    EventKind kind = EventKind::kNotify;
    int status = 0;
    DWORD error = 0;
    Record record;
  };

  struct RecordEntry {
    int channel = 0;
    Record bytes;
    bool held = false;
  };

  // A callback to make once the lock is given up.
  struct Delivery {
    Channel* channel = nullptr;
    int event = 0;
    int id = 0;
    int status = 0;
    DWORD error = 0;
    void* record = nullptr;
  };

  SimLibrary() = default;

  // Everything below runs with mu_ held unless it says otherwise.
  Channel* Find(int handle);
  Channel* FindByDevice(HANDLE device);
  void Schedule(Channel& c, uint64_t delay_ms, EventKind kind, int status = 0, DWORD error = 0,
                Record record = {});
  void ScheduleAttachDone(Channel& c);
  void AfterAttach(Channel& c, uint64_t start_delay);
  void DropLink(Channel& c);
  bool Available() const;
  void FollowEnvironmentWhenIdle();  // called with the lock held
  bool RefreshState();  // re-reads the state file when it changed; true when it is usable
  bool FireFault(Fault Faults::*fault, Fault* fired);
  // Counts a device operation; false when the adapter leaves the bus at it instead.
  bool Operate(Operation op);
  void EraseUnfinishedWrite(const Write& write);
  void Log(const std::string& line);
  void PollWrites();
  void PollLinks();
  std::optional<Delivery> Process(Event& event);
  void StartThread(std::unique_lock<std::mutex>& lock);
  static DWORD WINAPI ThreadMain(void* self);
  void Run();

  std::mutex mu_;
  std::condition_variable cv_;
  std::map<int, std::unique_ptr<Channel>> channels_;
  std::map<int, RecordEntry> records_;
  std::vector<Event> events_;
  uint64_t next_order_ = 0;
  int next_channel_ = 1;
  bool load_logged_ = false;  // the process's first channel logs when the library was loaded
  int next_record_ = 1;

  std::unique_ptr<SimStore> store_;
  SimState state_;
  bool state_valid_ = false;
  std::string state_error_;

  HANDLE thread_ = nullptr;
  DWORD thread_id_ = 0;
  bool stop_ = false;
};

}  // namespace orvex::sim
