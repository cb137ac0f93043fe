// What the transfer windows need of the main window: the run mode, the report operation or a
// message box for what they have to say, and the title's device version words.
#pragma once

#include <windows.h>

#include <cstdint>

#include "AutoRunContext.h"

namespace orvex {

class TransferHost {
 public:
  virtual ~TransferHost() = default;
  virtual RunMode Mode() const = 0;
  // Sends the outcome's report, or shows its message over `owner`; never ends a window.
  virtual void Tell(HWND owner, const RunOutcome& outcome) = 0;
  // The device version words a read announces, for the main window's title.
  virtual void SetDeviceWords(uint16_t first, uint16_t second) = 0;
};

// The hourglass while a handler works, the cursor before it afterwards.
class WaitCursor {
 public:
  WaitCursor() : previous_(SetCursor(LoadCursorW(nullptr, IDC_WAIT))) {}
  ~WaitCursor() { SetCursor(previous_); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;

 private:
  HCURSOR previous_;
};

}  // namespace orvex
