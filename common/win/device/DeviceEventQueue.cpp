#include "DeviceEventQueue.h"

#include <cstring>

#include "DeviceChannel.h"

namespace orvex {

namespace {

constexpr wchar_t kClassName[] = L"OrvexDeviceEventQueue";

}  // namespace

DeviceEventQueue::DeviceEventQueue() {
  WNDCLASSW wc = {};
  wc.lpfnWndProc = &DeviceEventQueue::Procedure;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = kClassName;
  RegisterClassW(&wc);  // fails harmlessly when another queue registered it already
  hwnd_ = CreateWindowExW(0, kClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
  if (hwnd_) SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

DeviceEventQueue::~DeviceEventQueue() {
  if (hwnd_) DestroyWindow(hwnd_);
}

LRESULT CALLBACK DeviceEventQueue::Procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* self = reinterpret_cast<DeviceEventQueue*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (self == nullptr ||
      (message != kMessageAttachFinished && message != kMessageDetached && message != kMessageNotification)) {
    return DefWindowProcW(hwnd, message, wparam, lparam);
  }
  DeviceEvent e;
  e.message = message;
  e.wparam = wparam;
  e.lparam = lparam;
  if (message == kMessageNotification && lparam != 0) {
    const auto* record = reinterpret_cast<const uint8_t*>(lparam);
    e.record.assign(record, record + kRecordCopySize);
    e.header = ReadNotificationHeader(record);
    if (self->channel_) self->channel_->ReleaseNotification(static_cast<int>(wparam));
  }
  self->events_.push_back(std::move(e));
  return 0;
}

std::optional<DeviceEvent> DeviceEventQueue::Next(DWORD timeout_ms) {
  ULONGLONG end = GetTickCount64() + timeout_ms;
  for (;;) {
    MSG msg;
    while (events_.empty() && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    if (!events_.empty()) {
      DeviceEvent e = std::move(events_.front());
      events_.pop_front();
      return e;
    }
    ULONGLONG now = GetTickCount64();
    if (now >= end) return std::nullopt;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now), QS_ALLINPUT);
  }
}

std::optional<DeviceEvent> DeviceEventQueue::NextOf(UINT message, DWORD timeout_ms,
                                                    std::vector<DeviceEvent>* skipped) {
  ULONGLONG end = GetTickCount64() + timeout_ms;
  for (;;) {
    ULONGLONG now = GetTickCount64();
    auto e = Next(now >= end ? 0 : static_cast<DWORD>(end - now));
    if (!e) return std::nullopt;
    if (e->message == message) return e;
    if (skipped) skipped->push_back(std::move(*e));
  }
}

std::optional<DeviceEvent> DeviceEventQueue::NextNotification(uint16_t code, DWORD timeout_ms,
                                                              std::vector<DeviceEvent>* skipped) {
  ULONGLONG end = GetTickCount64() + timeout_ms;
  for (;;) {
    ULONGLONG now = GetTickCount64();
    auto e = Next(now >= end ? 0 : static_cast<DWORD>(end - now));
    if (!e) return std::nullopt;
    if (e->message == kMessageNotification && e->header.code == code) return e;
    if (skipped) skipped->push_back(std::move(*e));
  }
}

}  // namespace orvex
