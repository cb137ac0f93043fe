// What the in-process tests of OrvexFlash's windows share: a message pump with a time limit, a
// ticker that acts from inside modal loops, update files on disk.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "ProgramHeader.h"

namespace orvex::flash::test {

constexpr DWORD kWait = 15000;

// Serves this thread's messages until `done` holds or the time is up; whether it held.
bool PumpUntil(const std::function<bool()>& done, DWORD timeout_ms = kWait);
void PumpFor(DWORD ms);

// Calls `step` every 20 ms from whatever message loop this thread runs (a modal dialog's too)
// until the ticker goes away.
class Ticker {
 public:
  explicit Ticker(std::function<void()> step);
  ~Ticker();
  Ticker(const Ticker&) = delete;
  Ticker& operator=(const Ticker&) = delete;

 private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR id, DWORD);
  std::function<void()> step_;
  UINT_PTR id_ = 0;
  bool busy_ = false;
};

// A program image with a correct header and checksum (`magic` "KV4100" or "PV4100").
std::vector<uint8_t> Image(const char* magic, uint8_t kind, uint8_t subkind, uint16_t version, size_t size);
void WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes);

// Text of a window, and of a dialog's control, in code page 932.
std::string WindowText(HWND hwnd);
std::string ItemText(HWND dialog, int id);

}  // namespace orvex::flash::test
