#include "ProcessBitness.h"

#include <windows.h>

#include <atomic>

namespace orvex {

namespace {

// Read from any thread (the about box, OrvexRoll's worker); set by tests on their own thread.
std::atomic<Wow64Override*> g_override{nullptr};

using DisableFn = BOOL(WINAPI*)(PVOID*);
using RevertFn = BOOL(WINAPI*)(PVOID);

template <typename T>
T Kernel32Function(const char* name) {
  HMODULE kernel = GetModuleHandleW(L"Kernel32.dll");
  return kernel ? reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(kernel, name))) : nullptr;
}

}  // namespace

Wow64Override::Wow64Override(bool wow64) : wow64_(wow64), previous_(g_override.load()) {
  g_override.store(this);
}

Wow64Override::~Wow64Override() {
  g_override.store(previous_);
}

bool RunsUnderWow64() {
  if (const Wow64Override* answer = g_override.load()) return answer->wow64_;
  using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, PBOOL);
  HMODULE kernel = GetModuleHandleW(L"Kernel32.dll");
  if (kernel == nullptr) return false;
  auto fn =
      reinterpret_cast<IsWow64ProcessFn>(reinterpret_cast<void*>(GetProcAddress(kernel, "IsWow64Process")));
  BOOL wow64 = FALSE;
  return fn != nullptr && fn(GetCurrentProcess(), &wow64) && wow64;
}

bool RedirectionOff::Available() {
  return Kernel32Function<DisableFn>("Wow64DisableWow64FsRedirection") != nullptr &&
         Kernel32Function<RevertFn>("Wow64RevertWow64FsRedirection") != nullptr;
}

RedirectionOff::RedirectionOff() {
  if (!Available()) return;
  active_ = Kernel32Function<DisableFn>("Wow64DisableWow64FsRedirection")(&old_value_) != FALSE;
}

RedirectionOff::~RedirectionOff() {
  if (active_) Kernel32Function<RevertFn>("Wow64RevertWow64FsRedirection")(old_value_);
}

}  // namespace orvex
