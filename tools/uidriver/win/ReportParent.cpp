#include "ChildReport.h"
#include "Format.h"
#include "UiDriver.h"

namespace orvex::uidriver {

namespace {
const wchar_t kClassName[] = L"OrvexUiReportParent";
}

ReportParent::ReportParent() {
  if (mapping_.Create() != autoupdate::ReportMapping::kOk) return;
  UniqueHandle ready(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  if (!ready) return;
  HANDLE ready_event = ready.Get();
  thread_ = std::thread([this, ready_event] { Run(ready_event); });
  // The thread says when its window exists (or that it could not make one).
  WaitForSingleObject(ready_event, INFINITE);
}

ReportParent::~ReportParent() {
  if (thread_.joinable()) {
    PostThreadMessageW(thread_id_, WM_QUIT, 0, 0);
    thread_.join();
  }
}

void ReportParent::Run(HANDLE ready) {
  thread_id_ = GetCurrentThreadId();
  WNDCLASSW wc = {};
  wc.lpfnWndProc = Procedure;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = kClassName;
  RegisterClassW(&wc);  // already there from an earlier parent is fine
  HWND hwnd =
      CreateWindowExW(0, kClassName, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, wc.hInstance, nullptr);
  if (hwnd != nullptr) SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  window_ = hwnd;
  // Makes the thread's message queue before the constructor can post WM_QUIT into it.
  MSG msg;
  PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
  SetEvent(ready);
  if (hwnd == nullptr) return;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
  DestroyWindow(hwnd);
}

LRESULT CALLBACK ReportParent::Procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* self = reinterpret_cast<ReportParent*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (message == autoupdate::kChildReportMessage && self != nullptr) {
    // The child waits in SendMessage while this runs, so the buffer holds this report's text.
    ChildReportRecord r;
    r.code = static_cast<uint32_t>(wparam);
    r.value = static_cast<int32_t>(lparam);
    r.text = self->mapping_.Text();
    r.resume = self->mapping_.ResumeValue();
    std::lock_guard<std::mutex> hold(self->lock_);
    self->reports_.push_back(std::move(r));
    return 0;
  }
  return DefWindowProcW(hwnd, message, wparam, lparam);
}

std::string ReportParent::WindowArguments() const {
  return Format("%llX %X %llX %X", static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(window_)),
                autoupdate::kChildReportMessage,
                static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(mapping_.Handle())),
                mapping_.Size());
}

void ReportParent::ClearText() {
  mapping_.ClearText();
}

std::vector<ChildReportRecord> ReportParent::Reports() const {
  std::lock_guard<std::mutex> hold(lock_);
  return reports_;
}

bool ReportParent::WaitReports(size_t count, DWORD timeout_ms, const DrivenProcess* process) const {
  const ULONGLONG end = GetTickCount64() + timeout_ms;
  for (;;) {
    if (Reports().size() >= count) return true;
    if (process != nullptr && !process->Running()) return Reports().size() >= count;
    if (GetTickCount64() >= end) return false;
    Sleep(10);
  }
}

}  // namespace orvex::uidriver
