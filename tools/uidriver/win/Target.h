// How the driver talks to another process's windows: queries with a time limit, actions that
// return once handled or once the target sits in a modal loop, and structures placed in the
// target's memory for the common controls' messages.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "Handles.h"
#include "RemoteStructs.h"

namespace orvex::uidriver::detail {

// SendMessageTimeout with the driver's limit; false when the target did not answer.
bool Query(HWND target, UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result = nullptr);
// WM_GETTEXT of any window, in code page 932.
std::string QueryText(HWND target);
std::string ClassOf(HWND hwnd);
// Whether a window is built like a message box (a dialog of statics and buttons with the text
// static 0xFFFF).
bool IsMessageBox(HWND hwnd);

enum class Delivery {
  kHandled,  // the target's handler returned
  kModal,    // the handler opened a window of its own and is still running (a modal loop)
  kFailed,   // the message could not be sent, or nothing happened within the limit
};
// Sends a message without pointers and waits for its handler as described above.
Delivery Deliver(HWND target, UINT message, WPARAM wparam, LPARAM lparam);
// A click on a button that ends a dialog (OK, Cancel, Yes, No, ...): posted, as a user's click
// arrives. A sent click runs inside the target's GetMessage, and when it ends the dialog there,
// the message that GetMessage then hands the dialog's loop (a device event another thread posted
// meanwhile) is dropped with the loop. Waits until the dialog went away or a modal window opened,
// else until the target answers again after handling it.
Delivery DeliverClosingClick(HWND button);
// WM_SETTEXT and other messages whose pointer the system copies over: a synchronous send,
// which still counts as delivered when it ran out while the target opened a modal window.
Delivery DeliverWithPointer(HWND target, UINT message, WPARAM wparam, LPARAM lparam);

// The driver's own bitness.
constexpr Bitness kOwnBitness = sizeof(void*) == 8 ? Bitness::k64 : Bitness::k32;

// A block of memory in the process that owns a window, for LVITEM, TCITEM and the like, which
// the caller lays out for that process's bitness (RemoteStructs.h). The block lies where the
// target's pointers and a message's LPARAM reach it; where that cannot be had, there is no block
// and Failure() says why.
class RemoteMemory {
 public:
  RemoteMemory(HWND owner, size_t size);
  ~RemoteMemory();
  RemoteMemory(const RemoteMemory&) = delete;
  RemoteMemory& operator=(const RemoteMemory&) = delete;

  bool Valid() const { return address_ != 0; }
  const std::string& Failure() const { return failure_; }
  Bitness bitness() const { return bitness_; }
  // An address in the block as the target sees it, for the structures' pointers.
  uint64_t RemoteAddress(size_t offset = 0) const { return address_ + offset; }
  // The same as a message's LPARAM (a 32-bit target reads its lower half).
  LPARAM Param(size_t offset = 0) const { return static_cast<LPARAM>(RemoteAddress(offset)); }
  bool Write(size_t offset, const void* data, size_t size);
  bool Read(size_t offset, void* data, size_t size) const;
  // A wide text of at most `chars` characters at offset, cut at its NUL.
  std::wstring ReadWide(size_t offset, size_t chars) const;
  // Leaves the block in place: a handler still running may read it later.
  void Abandon() { address_ = 0; }

 private:
  void* Pointer(size_t offset) const {
    return reinterpret_cast<void*>(static_cast<uintptr_t>(address_ + offset));
  }

  UniqueHandle process_;
  uint64_t address_ = 0;
  size_t size_ = 0;
  Bitness bitness_ = kOwnBitness;
  std::string failure_;
};

}  // namespace orvex::uidriver::detail
