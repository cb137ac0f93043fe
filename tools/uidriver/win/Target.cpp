#include "Target.h"

#include <algorithm>
#include <mutex>
#include <optional>
#include <set>
#include <vector>

#include "Format.h"
#include "UiDriver.h"
#include "Wide.h"

namespace orvex::uidriver::detail {

bool Query(HWND target, UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) {
  DWORD_PTR answer = 0;
  if (!SendMessageTimeoutW(target, message, wparam, lparam, SMTO_NORMAL, kSendLimitMs, &answer)) return false;
  if (result != nullptr) *result = static_cast<LRESULT>(answer);
  return true;
}

std::string QueryText(HWND target) {
  LRESULT length = 0;
  if (!Query(target, WM_GETTEXTLENGTH, 0, 0, &length) || length <= 0) return std::string();
  // Room for a text that grew between the two messages, and for the NUL.
  std::wstring text(static_cast<size_t>(length) + 64, L'\0');
  LRESULT got = 0;
  if (!Query(target, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), &got) || got <= 0) {
    return std::string();
  }
  text.resize(std::min(static_cast<size_t>(got), text.size()));
  return FromWide(text);
}

std::string ClassOf(HWND hwnd) {
  wchar_t name[256];
  int n = GetClassNameW(hwnd, name, 256);
  return n > 0 ? FromWide(std::wstring_view(name, static_cast<size_t>(n))) : std::string();
}

namespace {

// Replies to SendMessageCallback arrive on the sending thread while it reads its messages.
thread_local std::set<ULONG_PTR> handled_sends;
thread_local ULONG_PTR next_send = 0;

void CALLBACK SendDone(HWND, UINT, ULONG_PTR data, LRESULT) {
  handled_sends.insert(data);
}

struct ScreenState {
  HWND root = nullptr;
  bool root_enabled = false;
  std::vector<HWND> top_windows;
};

BOOL CALLBACK CollectTop(HWND hwnd, LPARAM param) {
  auto* state = reinterpret_cast<std::pair<DWORD, std::vector<HWND>*>*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  if (pid == state->first && IsWindowVisible(hwnd)) state->second->push_back(hwnd);
  return TRUE;
}

std::vector<HWND> VisibleTopWindows(DWORD pid) {
  std::vector<HWND> list;
  std::pair<DWORD, std::vector<HWND>*> state(pid, &list);
  EnumWindows(CollectTop, reinterpret_cast<LPARAM>(&state));
  return list;
}

ScreenState Snapshot(HWND target) {
  ScreenState s;
  s.root = GetAncestor(target, GA_ROOT);
  s.root_enabled = s.root != nullptr && IsWindowEnabled(s.root);
  DWORD pid = 0;
  GetWindowThreadProcessId(target, &pid);
  s.top_windows = VisibleTopWindows(pid);
  return s;
}

// Whether the target's program opened a window since the snapshot and waits in its loop: its
// window was disabled (a modal dialog or box with an owner) or a new top-level window showed.
bool ModalOpened(HWND target, const ScreenState& before) {
  if (before.root_enabled && IsWindow(before.root) && !IsWindowEnabled(before.root)) return true;
  DWORD pid = 0;
  GetWindowThreadProcessId(target, &pid);
  for (HWND hwnd : VisibleTopWindows(pid)) {
    if (std::find(before.top_windows.begin(), before.top_windows.end(), hwnd) == before.top_windows.end()) {
      return true;
    }
  }
  return false;
}

void PumpOwnMessages(DWORD wait_ms) {
  MsgWaitForMultipleObjects(0, nullptr, FALSE, wait_ms, QS_ALLINPUT);
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

}  // namespace

Delivery Deliver(HWND target, UINT message, WPARAM wparam, LPARAM lparam) {
  if (!IsWindow(target)) return Delivery::kFailed;
  ScreenState before = Snapshot(target);
  const ULONG_PTR id = ++next_send;
  if (!SendMessageCallbackW(target, message, wparam, lparam, SendDone, id)) return Delivery::kFailed;
  const ULONGLONG end = GetTickCount64() + kSendLimitMs;
  for (;;) {
    PumpOwnMessages(5);
    if (handled_sends.erase(id) != 0) return Delivery::kHandled;
    // A window that went away in answer (a dialog's close) has handled its message.
    if (!IsWindow(target) || (before.root != nullptr && !IsWindow(before.root))) return Delivery::kHandled;
    if (ModalOpened(target, before)) return Delivery::kModal;
    if (GetTickCount64() >= end) return Delivery::kFailed;
  }
}

Delivery DeliverClosingClick(HWND button) {
  if (!IsWindow(button)) return Delivery::kFailed;
  ScreenState before = Snapshot(button);
  if (!PostMessageW(button, BM_CLICK, 0, 0)) return Delivery::kFailed;
  const ULONGLONG end = GetTickCount64() + 2000;
  for (;;) {
    PumpOwnMessages(5);
    if (!IsWindow(button) || (before.root != nullptr && !IsWindow(before.root))) return Delivery::kHandled;
    if (before.root != nullptr && !IsWindowVisible(before.root)) return Delivery::kHandled;  // ended, not yet gone
    if (ModalOpened(button, before)) return Delivery::kModal;
    // The dialog stayed (its handler refused to close): once the target answers a query sent
    // after the click was taken from its queue, the click has been handled.
    if (GetTickCount64() >= end) return Query(button, WM_NULL, 0, 0) ? Delivery::kHandled : Delivery::kFailed;
  }
}

Delivery DeliverWithPointer(HWND target, UINT message, WPARAM wparam, LPARAM lparam) {
  if (!IsWindow(target)) return Delivery::kFailed;
  ScreenState before = Snapshot(target);
  if (Query(target, message, wparam, lparam)) return Delivery::kHandled;
  return ModalOpened(target, before) ? Delivery::kModal : Delivery::kFailed;
}

namespace {

// A 32-bit process on a 64-bit system runs under WOW64; one that does not has the system's
// bitness: 64-bit, unless a 32-bit driver runs outside WOW64 itself (a 32-bit system).
std::optional<Bitness> BitnessOf(HANDLE process) {
  BOOL wow64 = FALSE;
  if (!IsWow64Process(process, &wow64)) return std::nullopt;
  if (wow64) return Bitness::k32;
  if (kOwnBitness == Bitness::k64) return Bitness::k64;
  BOOL self = FALSE;
  if (!IsWow64Process(GetCurrentProcess(), &self)) return std::nullopt;
  return self ? Bitness::k64 : Bitness::k32;
}

// Below 2 GiB a 32-bit driver's pointers and LPARAMs mean the same in a 64-bit target.
constexpr uint64_t kLowLimit = 0x80000000u;

// Reserves the block at an address the 32-bit driver chose in the 64-bit target's lower 2 GiB;
// 0 when there is no room there.
uint64_t AllocateLow(HANDLE process, size_t size) {
  SYSTEM_INFO system = {};
  GetSystemInfo(&system);
  std::vector<FreeRegion> free_regions;
  // Under WOW64 a region reaching above 4 GiB reports a size cut to 32 bits, so the walk also
  // ends where it would not move forward.
  for (uint64_t at = system.dwAllocationGranularity; at < kLowLimit;) {
    MEMORY_BASIC_INFORMATION region = {};
    if (VirtualQueryEx(process, reinterpret_cast<void*>(static_cast<uintptr_t>(at)), &region,
                       sizeof region) == 0) {
      break;
    }
    const uint64_t base = reinterpret_cast<uintptr_t>(region.BaseAddress);
    const uint64_t next = base + region.RegionSize;
    if (region.State == MEM_FREE) free_regions.push_back({base, region.RegionSize});
    if (next <= at) break;
    at = next;
  }
  for (uint64_t place : LowPlaces(free_regions, size, system.dwAllocationGranularity, kLowLimit)) {
    void* wanted = reinterpret_cast<void*>(static_cast<uintptr_t>(place));
    // Asked for an address, the system places the block there or nowhere; a region the target
    // took in the meantime is passed over.
    void* got = VirtualAllocEx(process, wanted, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (got == wanted) return place;
  }
  return 0;
}

}  // namespace

RemoteMemory::RemoteMemory(HWND owner, size_t size) : size_(size) {
  DWORD pid = 0;
  GetWindowThreadProcessId(owner, &pid);
  if (pid == 0) {
    failure_ = "the window is gone";
    return;
  }
  DWORD access =
      PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE | PROCESS_QUERY_LIMITED_INFORMATION;
  // A 32-bit driver may have to look for room itself (VirtualQueryEx).
  if (kOwnBitness == Bitness::k32) access |= PROCESS_QUERY_INFORMATION;
  process_.Reset(OpenProcess(access, FALSE, pid));
  if (!process_) {
    failure_ = Format("cannot open process %lu (error %lu)", pid, GetLastError());
    return;
  }
  std::optional<Bitness> bitness = BitnessOf(process_.Get());
  if (!bitness) {
    failure_ = Format("cannot tell whether process %lu is 32- or 64-bit (error %lu)", pid, GetLastError());
    return;
  }
  bitness_ = *bitness;
  if (kOwnBitness == Bitness::k32 && bitness_ == Bitness::k64) {
    address_ = AllocateLow(process_.Get(), size);
    if (!Valid()) failure_ = Format("no room below 2 GiB in 64-bit process %lu for a 32-bit driver", pid);
    return;
  }
  void* block = VirtualAllocEx(process_.Get(), nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  if (block == nullptr) {
    failure_ = Format("cannot allocate memory in process %lu (error %lu)", pid, GetLastError());
    return;
  }
  address_ = reinterpret_cast<uintptr_t>(block);
  // A 32-bit process's memory lies below 4 GiB; a block elsewhere its pointers could not reach.
  if (bitness_ == Bitness::k32 && address_ > 0xFFFFFFFFu) {
    VirtualFreeEx(process_.Get(), block, 0, MEM_RELEASE);
    address_ = 0;
    failure_ = Format("the memory placed in 32-bit process %lu lies above 4 GiB", pid);
  }
}

RemoteMemory::~RemoteMemory() {
  if (Valid()) VirtualFreeEx(process_.Get(), Pointer(0), 0, MEM_RELEASE);
}

bool RemoteMemory::Write(size_t offset, const void* data, size_t size) {
  if (!Valid() || offset > size_ || size > size_ - offset) return false;
  SIZE_T done = 0;
  return WriteProcessMemory(process_.Get(), Pointer(offset), data, size, &done) && done == size;
}

bool RemoteMemory::Read(size_t offset, void* data, size_t size) const {
  if (!Valid() || offset > size_ || size > size_ - offset) return false;
  SIZE_T done = 0;
  return ReadProcessMemory(process_.Get(), Pointer(offset), data, size, &done) && done == size;
}

std::wstring RemoteMemory::ReadWide(size_t offset, size_t chars) const {
  std::wstring text(chars, L'\0');
  if (chars == 0 || !Read(offset, text.data(), chars * sizeof(wchar_t))) return std::wstring();
  size_t nul = text.find(L'\0');
  if (nul != std::wstring::npos) text.resize(nul);
  return text;
}

}  // namespace orvex::uidriver::detail
