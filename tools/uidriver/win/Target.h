// How the driver talks to another process's windows: queries with a time limit, actions that
// return once handled or once the target sits in a modal loop, and structures placed in the
// target's memory for the common controls' messages.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

#include "Handles.h"

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
// WM_SETTEXT and other messages whose pointer the system copies over: a synchronous send,
// which still counts as delivered when it ran out while the target opened a modal window.
Delivery DeliverWithPointer(HWND target, UINT message, WPARAM wparam, LPARAM lparam);

// A block of memory in the process that owns a window, for LVITEM, TCITEM and the like. Both
// sides must have the same pointer size.
class RemoteMemory {
 public:
  RemoteMemory(HWND owner, size_t size);
  ~RemoteMemory();
  RemoteMemory(const RemoteMemory&) = delete;
  RemoteMemory& operator=(const RemoteMemory&) = delete;

  bool Valid() const { return address_ != nullptr; }
  char* Address(size_t offset = 0) const { return static_cast<char*>(address_) + offset; }
  LPARAM Param(size_t offset = 0) const { return reinterpret_cast<LPARAM>(Address(offset)); }
  bool Write(size_t offset, const void* data, size_t size);
  bool Read(size_t offset, void* data, size_t size) const;
  // A wide text of at most `chars` characters at offset, cut at its NUL.
  std::wstring ReadWide(size_t offset, size_t chars) const;
  // Leaves the block in place: a handler still running may read it later.
  void Abandon() { address_ = nullptr; }

 private:
  UniqueHandle process_;
  void* address_ = nullptr;
  size_t size_ = 0;
};

}  // namespace orvex::uidriver::detail
