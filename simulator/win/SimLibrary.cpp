#include "SimLibrary.h"

#include <algorithm>
#include <cstring>

#include "Format.h"
#include "ProgramHeader.h"
#include "Wide.h"

namespace orvex::sim {

namespace {

constexpr uint64_t kPollMs = 20;
constexpr uint32_t kFaultDefaultDelayMs = 200;
constexpr DWORD kFaultDefaultError = ERROR_GEN_FAILURE;

// When the process loaded the library, that is when its loader got to it, before the program's
// own start-up: the log's first line of a process says it, so a run's timing tells the start of
// a program under Wine from the program's start-up to its first device call.
const SYSTEMTIME kLoadedAt = [] {
  SYSTEMTIME t;
  GetLocalTime(&t);
  return t;
}();

bool OnThread(DWORD id) {
  return id != 0 && GetCurrentThreadId() == id;
}

}  // namespace

SimLibrary& SimLibrary::Instance() {
  // Never destroyed: at process exit the library thread is gone before any destructor could join it.
  static SimLibrary* library = new SimLibrary();
  return *library;
}

// ---- helpers (mu_ held) ----

SimLibrary::Channel* SimLibrary::Find(int handle) {
  auto it = channels_.find(handle);
  return it == channels_.end() ? nullptr : it->second.get();
}

SimLibrary::Channel* SimLibrary::FindByDevice(HANDLE device) {
  if (device == nullptr || device == INVALID_HANDLE_VALUE) return nullptr;
  for (auto& [handle, c] : channels_) {
    if (c->device.Get() == device) return c.get();
  }
  return nullptr;
}

void SimLibrary::Log(const std::string& line) {
  if (store_ && state_valid_) store_->Log(state_, line);
}

// A new session reads ORVEX_SIM again, so one process can use several adapters in turn.
void SimLibrary::FollowEnvironmentWhenIdle() {
  if (!channels_.empty()) return;
  std::wstring folder = SimStore::FolderFromEnvironment();
  if (!store_ || store_->Folder() != folder) {
    store_ = std::make_unique<SimStore>(folder);
    state_valid_ = false;
  }
}

bool SimLibrary::RefreshState() {
  if (!store_) return false;
  if (state_valid_ && !store_->Changed()) return true;
  std::string error;
  SimState state;
  state_valid_ = store_->Load(&state, &error);
  if (state_valid_) {
    state_ = std::move(state);
    state_error_.clear();
  } else if (error != state_error_) {
    state_error_ = error;
    OutputDebugStringW(ToWide("Orvex.dll (simulated): " + error).c_str());
  }
  return state_valid_;
}

bool SimLibrary::Available() const {
  return state_valid_ && state_.Available(WallClockMs());
}

bool SimLibrary::FireFault(Fault Faults::*fault, Fault* fired) {
  if (!state_valid_ || !(state_.faults.*fault).on) return false;
  bool fires = false;
  std::string error;
  SimState now;
  bool ok = store_->Update(
      [&](SimState& s) {
        *fired = s.faults.*fault;
        fires = (s.faults.*fault).Fire();
      },
      &now, &error);
  if (!ok) return false;
  state_ = std::move(now);
  return fires;
}

bool SimLibrary::Operate(Operation op) {
  if (!store_ || !state_valid_) return true;
  bool goes_ahead = true;
  std::string error;
  SimState now;
  if (!store_->Update([&](SimState& s) { goes_ahead = CountOperation(&s, op); }, &now, &error)) return true;
  state_ = std::move(now);
  if (goes_ahead) {
    Log(Format("operation %u: %s, %u ms", state_.operations, OperationName(op), OperationMs(state_, op)));
    return true;
  }
  Log(Format("operation %u: %s; instead the adapter leaves the bus (unplug_at)", state_.operations,
             OperationName(op)));
  PollLinks();
  return false;
}

void SimLibrary::EraseUnfinishedWrite(const Write& w) {
  ProgramWriteRequest request = w.request;
  bool parameters = false;
  std::string error;
  SimState now;
  if (!store_->Update([&](SimState& s) { parameters = EraseWriteTarget(&s, request); }, &now, &error)) return;
  state_ = std::move(now);
  if (parameters) store_->WriteParameters(state_, EmptyParameterFile(state_));
  Log(Format("the write of kind %02Xh target %u was cut off: its processors are erased", request.kind,
             request.target));
}

void SimLibrary::Schedule(Channel& c, uint64_t delay_ms, EventKind kind, int status, DWORD error,
                          Record record) {
  Event e;
  e.due = GetTickCount64() + delay_ms;
  e.order = next_order_++;
  e.channel = c.handle;
  e.generation = c.generation;
  e.kind = kind;
  e.status = status;
  e.error = error;
  e.record = std::move(record);
  events_.push_back(std::move(e));
  cv_.notify_all();
}

void SimLibrary::ScheduleAttachDone(Channel& c) {
  c.attach_scheduled = true;
  Schedule(c, state_.Scaled(state_.attach_delay_ms), EventKind::kAttachDone);
}

void SimLibrary::AfterAttach(Channel& c, uint64_t start_delay) {
  uint64_t interval = state_.Scaled(state_.notify_interval_ms);
  uint64_t at = start_delay;
  std::vector<Record> started = ChannelStartedRecords(state_);
  Fault f;
  if (FireFault(&Faults::system_silent, &f)) {
    started.pop_back();  // the system channel's record comes last
    Log(Format("channel %d: the system channel stays silent", c.handle));
  }
  for (Record& r : started) {
    Schedule(c, at, EventKind::kNotify, 0, 0, std::move(r));
    at += interval;
  }
  if (FireFault(&Faults::alarm, &f)) {
    Schedule(c, at + state_.Scaled(f.Value(1, kFaultDefaultDelayMs)), EventKind::kNotify, 0, 0,
             DeviceStoppedRecord(state_.channels, static_cast<uint8_t>(f.Value(0))));
  }
  if (FireFault(&Faults::detach, &f)) {
    Schedule(c, at + state_.Scaled(f.Value(2, kFaultDefaultDelayMs)), EventKind::kFaultDetach,
             static_cast<int>(f.Value(0)), f.Value(1, kFaultDefaultError));
  }
}

void SimLibrary::DropLink(Channel& c) {
  c.link = Link::kIdle;
  ++c.generation;
  c.attach_scheduled = false;
  c.write.reset();
  c.read.reset();
}

void SimLibrary::PollLinks() {
  bool available = Available();
  for (auto& [handle, c] : channels_) {
    if (c->link == Link::kAttached && !available) {
      // Gone in the middle of rewriting its flash: what was being written is erased.
      if (c->write && c->write->received) EraseUnfinishedWrite(*c->write);
      DropLink(*c);
      Log(Format("channel %d: the adapter left the bus, detached (0x100)", handle));
      // The thread's last error says the device is gone; an ordinary detach all the same.
      Schedule(*c, 0, EventKind::kDetached, static_cast<int>(kDetachOrdinary), ERROR_DEVICE_NOT_CONNECTED);
    } else if (c->link == Link::kAttaching) {
      if (available && !c->attach_scheduled) {
        ScheduleAttachDone(*c);
      } else if (!available && c->attach_scheduled) {
        ++c->generation;
        c->attach_scheduled = false;
      }
    }
  }
}

void SimLibrary::PollWrites() {
  for (auto& [handle, c] : channels_) {
    if (!c->write || !c->write->mode_on || c->write->received || c->write_path.empty()) continue;
    Write& w = *c->write;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(c->write_path.c_str(), GetFileExInfoStandard, &data)) continue;
    uint64_t size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    if (size < w.request.length) continue;
    UniqueFile file(CreateFileW(c->write_path.c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) continue;
    w.image.assign(w.request.length, 0);
    DWORD got = 0;
    if (!ReadFile(file.Get(), w.image.data(), w.request.length, &got, nullptr) || got != w.request.length)
      continue;
    file.Reset();
    DeleteFileW(c->write_path.c_str());  // goes when the writer closes it
    w.received = true;
    Fault f;
    if (FireFault(&Faults::write_result, &f)) {
      for (size_t i = 0; i < 8; ++i) w.completion[i] = static_cast<uint8_t>(f.Value(i));
    } else {
      w.completion[0] = CheckReceivedImage(w.request, w.image.data(), w.image.size());
    }
    if (FireFault(&Faults::write_silent, &f)) w.silent_after = f.Value(0);
    w.steps = ProgressSteps(w.request.length, state_.progress_steps);
    Log(Format("channel %d: image of %u bytes received, kind %02Xh target %u, completion %02Xh", handle,
               w.request.length, w.request.kind, w.request.target, w.completion[0]));
    Schedule(*c, state_.Scaled(state_.progress_interval_ms), EventKind::kWriteStep);
  }
}

std::optional<SimLibrary::Delivery> SimLibrary::Process(Event& e) {
  if (e.kind == EventKind::kRestart) {
    // The adapter's own doing: it happens whatever became of the channel that wrote.
    if (!Operate(Operation::kRestart)) return std::nullopt;  // pulled out instead: it stays away
    std::string error;
    SimState now;
    if (store_->Update([](SimState& s) { s.away_until = s.ReturnTime(WallClockMs(), s.restart_ms); }, &now,
                       &error)) {
      state_ = std::move(now);
    }
    Log("the adapter restarts with its new program");
    PollLinks();
    return std::nullopt;
  }
  Channel* c = Find(e.channel);
  if (c == nullptr || e.generation != c->generation) return std::nullopt;
  // `counted`: the caller has already counted the operation this record reports.
  auto notify = [&](Record record, bool counted) -> std::optional<Delivery> {
    if (c->link != Link::kAttached || (c->mask & kEventNotification) == 0) return std::nullopt;
    if (!counted && !Operate(NotificationOperation(ReadNotificationHeader(record.data()).code)))
      return std::nullopt;
    int id = next_record_;
    next_record_ = next_record_ >= 0x7FFFFFFF ? 1 : next_record_ + 1;
    RecordEntry& entry = records_[id];
    entry.channel = c->handle;
    entry.bytes = std::move(record);
    // Every record is at least 64 bytes, so readers of fixed-size records stay inside it.
    if (entry.bytes.size() < 64) entry.bytes.resize(64, 0);
    entry.held = false;
    NotificationHeader h = ReadNotificationHeader(entry.bytes.data());
    Log(Format("channel %d: notification %d, code %04Xh on channel %u", c->handle, id, h.code, h.channel));
    return Delivery{c, kEventNotification, id, 0, 0, entry.bytes.data()};
  };

  switch (e.kind) {
    case EventKind::kAttachDone: {
      c->attach_scheduled = false;
      if (c->link != Link::kAttaching || !Available()) return std::nullopt;
      if (!Operate(Operation::kAttach)) return std::nullopt;  // it waits for the adapter to return
      Fault f;
      if (FireFault(&Faults::attach_status, &f)) {
        c->link = Link::kIdle;
        Log(Format("channel %d: attach failed, status %u", c->handle, f.Value(0)));
        return Delivery{c, kEventAttachFinished, 0, static_cast<int>(f.Value(0)),
                        f.Value(1, kFaultDefaultError)};
      }
      c->link = Link::kAttached;
      Log(Format("channel %d: attached", c->handle));
      AfterAttach(*c, state_.Scaled(state_.notify_interval_ms));
      return Delivery{c, kEventAttachFinished, 0, kAttachedAtOnce, 0};
    }
    case EventKind::kNotify:
      return notify(std::move(e.record), false);
    case EventKind::kDetached:
      return Delivery{c, kEventDetached, 0, e.status, e.error};
    case EventKind::kFaultDetach:
      if (c->link != Link::kAttached) return std::nullopt;
      DropLink(*c);
      Log(Format("channel %d: abnormal detach, status %Xh, error %lu", c->handle,
                 static_cast<unsigned>(e.status), e.error));
      return Delivery{c, kEventDetached, 0, e.status, e.error};
    case EventKind::kWriteStep: {
      if (!c->write || !c->write->received) return std::nullopt;
      Write& w = *c->write;
      if (w.next_step < w.steps.size()) {
        if (w.silent_after && w.next_step >= *w.silent_after) {
          Log(Format("channel %d: the device falls silent after %zu progress records", c->handle,
                     w.next_step));
          return std::nullopt;
        }
        ProgressStep step = w.steps[w.next_step++];
        auto delivery = notify(ProgressRecord(state_.channels, step.phase, step.remaining), false);
        // Pulled out at this record, the write went with the link. The next record is due one
        // interval after this one was due, not after this one was delivered: a real adapter's
        // pace does not slow down by the time the simulation spends on each record.
        if (c->write) {
          const uint64_t due = e.due + state_.Scaled(state_.progress_interval_ms);
          const uint64_t now = GetTickCount64();
          Schedule(*c, due > now ? due - now : 0, EventKind::kWriteStep);
        }
        return delivery;
      }
      // The end counts whoever listens; pulled out here, the flash is left half written.
      if (!Operate(Operation::kWriteEnd)) return std::nullopt;
      if (w.completion[0] == kCompletionOk) {
        if (w.request.kind == kKindParameterFile) store_->WriteParameters(state_, w.image);
        std::string error;
        SimState now;
        ProgramWriteRequest request = w.request;
        std::vector<uint8_t> image = w.image;
        if (store_->Update([&](SimState& s) { ApplyWrittenImage(&s, request, image.data(), image.size()); },
                           &now, &error)) {
          state_ = std::move(now);
        }
        Schedule(*c, state_.Scaled(kRestartDelayMs), EventKind::kRestart);
      } else if (state_.restart_after_failure) {
        Schedule(*c, state_.Scaled(kRestartDelayMs), EventKind::kRestart);
      }
      Record end = EndRecord(state_.channels, w.completion);
      w.steps.clear();
      w.next_step = 0;
      w.received = false;
      w.mode_on = false;  // the write is over; leaving program-write mode now changes nothing
      return notify(std::move(end), true);
    }
    case EventKind::kRestart:
      return std::nullopt;  // handled above
  }
  return std::nullopt;
}

// ---- the library thread ----

void SimLibrary::StartThread(std::unique_lock<std::mutex>& lock) {
  if (thread_ != nullptr && stop_ && !OnThread(thread_id_)) {
    HANDLE old = thread_;
    lock.unlock();
    WaitForSingleObject(old, INFINITE);
    lock.lock();
    if (thread_ == old) {
      CloseHandle(old);
      thread_ = nullptr;
      thread_id_ = 0;
    }
  }
  stop_ = false;
  if (thread_ == nullptr) thread_ = CreateThread(nullptr, 0, &SimLibrary::ThreadMain, this, 0, &thread_id_);
}

DWORD WINAPI SimLibrary::ThreadMain(void* self) {
  static_cast<SimLibrary*>(self)->Run();
  return 0;
}

void SimLibrary::Run() {
  std::unique_lock<std::mutex> lock(mu_);
  uint64_t next_poll = 0;
  while (!stop_) {
    uint64_t now = GetTickCount64();
    if (now >= next_poll) {
      try {
        RefreshState();
        PollLinks();
        PollWrites();
      } catch (const std::exception&) {
      }
      next_poll = now + kPollMs;
    }
    auto due = std::min_element(events_.begin(), events_.end(), [](const Event& a, const Event& b) {
      return a.due != b.due ? a.due < b.due : a.order < b.order;
    });
    if (due != events_.end() && due->due <= now) {
      Event e = std::move(*due);
      events_.erase(due);
      std::optional<Delivery> d;
      try {
        d = Process(e);
      } catch (const std::exception&) {
        continue;  // out of memory: the event is lost, the library goes on
      }
      if (!d || (d->channel->mask & static_cast<unsigned>(d->event)) == 0) {
        if (d && d->event == kEventNotification) records_.erase(d->id);
        continue;
      }
      int handle = d->channel->handle;
      OrvexCallback callback = d->channel->callback;
      void* context = d->channel->context;
      ++d->channel->running_callbacks;
      lock.unlock();
      SetLastError(d->error);
      callback(0, d->event, d->id, d->status, d->record, context);
      lock.lock();
      if (Channel* c = Find(handle)) --c->running_callbacks;
      if (d->event == kEventNotification) {
        auto r = records_.find(d->id);
        if (r != records_.end() && !r->second.held) {
          Log(Format("channel %d: notification %d not held, dropped", handle, d->id));
          records_.erase(r);
        }
      }
      cv_.notify_all();
      continue;
    }
    uint64_t wake = next_poll;
    if (due != events_.end()) wake = std::min(wake, due->due);
    cv_.wait_for(lock, std::chrono::milliseconds(wake > now ? wake - now : 1));
  }
}

// ---- the ordinals ----

int SimLibrary::OpenChannel(unsigned mask, OrvexCallback callback, void* context) {
  std::unique_lock<std::mutex> lock(mu_);
  if (callback == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return -1;
  }
  FollowEnvironmentWhenIdle();
  RefreshState();
  auto c = std::make_unique<Channel>();
  c->handle = next_channel_++;
  c->mask = mask;
  c->callback = callback;
  c->context = context;
  c->device.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  int handle = c->handle;
  channels_[handle] = std::move(c);
  StartThread(lock);
  if (thread_ == nullptr) {
    channels_.erase(handle);
    return -1;
  }
  if (!load_logged_) {
    load_logged_ = true;
    Log(Format("library loaded at %02u:%02u:%02u.%03u", kLoadedAt.wHour, kLoadedAt.wMinute, kLoadedAt.wSecond,
               kLoadedAt.wMilliseconds));
  }
  Log(Format("channel %d: opened, event mask %04Xh", handle, mask));
  return handle;
}

int SimLibrary::CloseChannel(int handle) {
  std::unique_lock<std::mutex> lock(mu_);
  Channel* c = Find(handle);
  if (c == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  // No callback for this channel may run once the caller gets the answer.
  if (!OnThread(thread_id_))
    cv_.wait(lock, [&] { return Find(handle) == nullptr || Find(handle)->running_callbacks == 0; });
  if (Find(handle) == nullptr) return 0;
  for (auto r = records_.begin(); r != records_.end();) {
    r = r->second.channel == handle ? records_.erase(r) : std::next(r);
  }
  Log(Format("channel %d: closed", handle));
  channels_.erase(handle);
  if (channels_.empty()) {
    stop_ = true;
    events_.clear();
    cv_.notify_all();
    if (thread_ != nullptr && !OnThread(thread_id_)) {
      HANDLE t = thread_;
      thread_ = nullptr;
      thread_id_ = 0;
      lock.unlock();
      WaitForSingleObject(t, INFINITE);
      CloseHandle(t);
    }
  }
  return 1;
}

int SimLibrary::Attach(int handle) {
  std::lock_guard<std::mutex> lock(mu_);
  RefreshState();
  Channel* c = Find(handle);
  if (c == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  Fault f;
  if (FireFault(&Faults::attach_result, &f)) {
    Log(Format("channel %d: attach refused with %u", handle, f.Value(0)));
    SetLastError(kFaultDefaultError);
    return static_cast<int>(f.Value(0));
  }
  if (c->link == Link::kAttached) return kAttachedAtOnce;
  if (Available() && state_.attach_at_once && Operate(Operation::kAttach)) {
    c->link = Link::kAttached;
    c->attach_scheduled = false;
    Log(Format("channel %d: attached at once", handle));
    AfterAttach(*c, state_.Scaled(state_.notify_interval_ms));
    return kAttachedAtOnce;
  }
  if (c->link != Link::kAttaching) {
    c->link = Link::kAttaching;
    if (Available()) ScheduleAttachDone(*c);
  }
  Log(Format("channel %d: attach under way%s", handle, Available() ? "" : ", waiting for the adapter"));
  return kAttachUnderWay;
}

int SimLibrary::Detach(int handle) {
  std::lock_guard<std::mutex> lock(mu_);
  Channel* c = Find(handle);
  if (c == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  if (c->link != Link::kIdle) {
    DropLink(*c);
    Log(Format("channel %d: detached by the application", handle));
  }
  return 1;
}

int SimLibrary::GetInfoBlock(int handle, void* buffer, int size) {
  std::lock_guard<std::mutex> lock(mu_);
  Channel* c = Find(handle);
  if (c == nullptr || c->link != Link::kAttached || buffer == nullptr || size <= 0) {
    SetLastError(c == nullptr || buffer == nullptr ? ERROR_INVALID_PARAMETER : ERROR_DEVICE_NOT_CONNECTED);
    return 0;
  }
  DeviceInfoBlock block = BuildDeviceInfoBlock(state_);
  std::memcpy(buffer, block.bytes, std::min<size_t>(static_cast<size_t>(size), sizeof block.bytes));
  return 1;
}

int SimLibrary::GetDeviceHandle(int handle, HANDLE* device) {
  std::lock_guard<std::mutex> lock(mu_);
  Channel* c = Find(handle);
  if (c == nullptr || device == nullptr || c->link != Link::kAttached) {
    SetLastError(ERROR_DEVICE_NOT_CONNECTED);
    return 0;
  }
  *device = c->device.Get();
  return 1;
}

int SimLibrary::CheckDevice(HANDLE device) {
  std::lock_guard<std::mutex> lock(mu_);
  Channel* c = FindByDevice(device);
  if (c == nullptr || c->link != Link::kAttached) return 0;
  Fault f;
  if (FireFault(&Faults::not_ready, &f)) return 0;
  return 1;
}

int SimLibrary::Hold(int handle, int id) {
  std::lock_guard<std::mutex> lock(mu_);
  auto r = records_.find(id);
  if (r == records_.end() || r->second.channel != handle) return 0;
  r->second.held = true;
  Log(Format("channel %d: notification %d held", handle, id));
  return 1;
}

int SimLibrary::Release(int handle, int id) {
  std::lock_guard<std::mutex> lock(mu_);
  auto r = records_.find(id);
  if (r == records_.end() || r->second.channel != handle) return 0;
  records_.erase(r);
  Log(Format("channel %d: notification %d released", handle, id));
  return 1;
}

int SimLibrary::SendRequest(int handle, int number, void* buffer, int length) {
  std::lock_guard<std::mutex> lock(mu_);
  RefreshState();
  Channel* c = Find(handle);
  if (c == nullptr || c->link != Link::kAttached) {
    SetLastError(ERROR_DEVICE_NOT_CONNECTED);
    return 0;
  }
  ProgramWriteRequest request;
  if (number != static_cast<int>(state_.channels) || length < 0 ||
      !ParseProgramWriteRequest(static_cast<uint8_t*>(buffer), static_cast<size_t>(length), &request)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  Fault f;
  if (FireFault(&Faults::request_fail, &f)) {
    Log(Format("channel %d: request 2303h lost", handle));
    SetLastError(ERROR_GEN_FAILURE);
    return 0;
  }
  uint8_t status = FireFault(&Faults::refuse_image, &f) ? static_cast<uint8_t>(f.Value(0))
                                                        : WriteRequestStatus(state_, request);
  static_cast<uint8_t*>(buffer)[16] = status;
  if (status == 0) {
    c->write.emplace();
    c->write->request = request;
  }
  Log(Format("channel %d: program write request, kind %02Xh target %u, %u bytes: status %u", handle,
             request.kind, request.target, request.length, status));
  return 1;
}

int SimLibrary::GetWritePath(int handle, char* buffer, int size) {
  std::lock_guard<std::mutex> lock(mu_);
  Channel* c = Find(handle);
  if (c == nullptr || !store_ || store_->Folder().empty()) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return 0;
  }
  c->write_path = store_->FilePath(Format("OrvexWrite-%lu-%d.bin", GetCurrentProcessId(), handle));
  std::string path = FromWide(c->write_path);
  if (buffer == nullptr) {
    Log(Format("channel %d: write path asked", handle));
    return static_cast<int>(path.size() + 1);
  }
  if (size <= 0 || static_cast<size_t>(size) < path.size() + 1) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  std::memcpy(buffer, path.c_str(), path.size() + 1);
  return 1;
}

HANDLE SimLibrary::OpenWriteFile(const char* path) {
  if (path == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  return CreateFileW(ToWide(path).c_str(), GENERIC_WRITE,
                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, CREATE_ALWAYS,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}

int SimLibrary::SetProgramMode(HANDLE device, int mode) {
  std::lock_guard<std::mutex> lock(mu_);
  Channel* c = FindByDevice(device);
  if (c == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  if (mode == 0) {
    if (c->write && !c->write->received) c->write->mode_on = true;
    Log(Format("channel %d: program-write mode entered", c->handle));
  } else {
    if (c->write && (c->write->mode_on || c->write->received)) {
      Log(Format("channel %d: program write abandoned", c->handle));
    } else {
      Log(Format("channel %d: program-write mode left", c->handle));
    }
    c->write.reset();
  }
  return 1;
}

int SimLibrary::HardwareReset(int handle) {
  std::lock_guard<std::mutex> lock(mu_);
  RefreshState();
  if (Find(handle) == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  if (!Available() || !Operate(Operation::kReset)) {
    SetLastError(ERROR_DEVICE_NOT_CONNECTED);
    return 0;
  }
  Fault f;
  if (FireFault(&Faults::reset_fail, &f)) {
    // The adapter stays: the reset took none of its time.
    std::string error;
    SimState now;
    if (store_->Update(
            [](SimState& s) { s.adapter_ms -= std::min<uint64_t>(s.adapter_ms, OperationMs(s, Operation::kReset)); },
            &now, &error))
      state_ = std::move(now);
    Log(Format("channel %d: hardware reset failed", handle));
    SetLastError(ERROR_GEN_FAILURE);
    return 0;
  }
  std::string error;
  SimState now;
  if (!store_->Update([](SimState& s) { s.away_until = s.ReturnTime(WallClockMs(), s.reset_away_ms); }, &now,
                      &error)) {
    SetLastError(ERROR_WRITE_FAULT);
    return 0;
  }
  state_ = std::move(now);
  Log(Format("channel %d: hardware reset, the adapter leaves the bus", handle));
  PollLinks();
  return 1;
}

unsigned SimLibrary::LibraryVersion() {
  std::lock_guard<std::mutex> lock(mu_);
  FollowEnvironmentWhenIdle();
  return RefreshState() ? state_.library_version : kExpectedLibraryVersion;
}

int SimLibrary::DeviceText(HANDLE device, int index, char* buffer, int size) {
  std::lock_guard<std::mutex> lock(mu_);
  RefreshState();
  Channel* c = FindByDevice(device);
  if (c == nullptr || c->link != Link::kAttached || index < 1 || index > 3 || buffer == nullptr ||
      size <= 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const std::string& text = state_.device_text[index - 1];
  size_t n = std::min(text.size(), static_cast<size_t>(size) - 1);
  std::memcpy(buffer, text.data(), n);
  buffer[n] = '\0';
  return 1;
}

HANDLE SimLibrary::Probe() {
  std::lock_guard<std::mutex> lock(mu_);
  FollowEnvironmentWhenIdle();
  RefreshState();
  if (!Available()) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  return CreateEventW(nullptr, TRUE, FALSE, nullptr);
}

int SimLibrary::ParameterReadStart(int handle, int kind, unsigned* size, unsigned* info) {
  std::lock_guard<std::mutex> lock(mu_);
  RefreshState();
  Channel* c = Find(handle);
  if (c == nullptr || c->link != Link::kAttached) {
    SetLastError(ERROR_DEVICE_NOT_CONNECTED);
    return 1;
  }
  if (kind != kParameterReadKind || size == nullptr || info == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 2;
  }
  Fault f;
  if (FireFault(&Faults::read_start, &f)) {
    Log(Format("channel %d: parameter read refused with %u", handle, f.Value(0)));
    SetLastError(kFaultDefaultError);
    return static_cast<int>(f.Value(0));
  }
  ParameterStream::Faults faults;
  if (FireFault(&Faults::read_short, &f)) faults.short_by = f.Value(0);
  if (FireFault(&Faults::read_overflow, &f)) faults.overflow_by = f.Value(0);
  if (FireFault(&Faults::read_malformed, &f)) faults.malformed_length = f.Value(0);
  if (FireFault(&Faults::read_fail, &f)) faults.fail_after = f.Value(0);
  c->read = std::make_unique<ParameterStream>(store_->ReadParameters(state_), faults);
  *size = c->read->Announced();
  *info = state_.mc.words[kWordParameters] | (static_cast<unsigned>(state_.mc.words[kWordDevice2]) << 16);
  Log(Format("channel %d: parameter read of %u bytes begins", handle, *size));
  return 0;
}

int SimLibrary::ParameterReadBlock(int handle, int mode, void* buffer) {
  DWORD delay = 0;
  {
    std::lock_guard<std::mutex> lock(mu_);
    Channel* c = Find(handle);
    if (c == nullptr || !c->read) {
      SetLastError(ERROR_INVALID_FUNCTION);
      return -1;
    }
    if (mode != 0) {
      c->read.reset();
      Log(Format("channel %d: parameter read ended by the application", handle));
      return 1;
    }
    delay = state_.Scaled(state_.read_block_ms);
  }
  if (delay != 0) Sleep(delay);
  std::lock_guard<std::mutex> lock(mu_);
  Channel* c = Find(handle);
  if (c == nullptr || !c->read || !Operate(Operation::kParameterBlock)) {
    SetLastError(ERROR_DEVICE_NOT_CONNECTED);
    return -1;
  }
  int r = c->read->NextBlock(static_cast<uint8_t*>(buffer));
  if (r != 0) c->read.reset();
  if (r < 0) {
    Log(Format("channel %d: parameter block not delivered", handle));
    SetLastError(ERROR_SEM_TIMEOUT);
  }
  return r;
}

}  // namespace orvex::sim
