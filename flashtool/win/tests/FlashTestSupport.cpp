#include "FlashTestSupport.h"

#include <cstring>
#include <map>

#include "Handles.h"
#include "TestImages.h"
#include "Wide.h"

namespace orvex::flash::test {

namespace {
std::map<UINT_PTR, Ticker*>& Tickers() {
  static std::map<UINT_PTR, Ticker*> tickers;
  return tickers;
}
}  // namespace

bool PumpUntil(const std::function<bool()>& done, DWORD timeout_ms) {
  const ULONGLONG end = GetTickCount64() + timeout_ms;
  for (;;) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    if (done()) return true;
    if (GetTickCount64() >= end) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
}

void PumpFor(DWORD ms) {
  PumpUntil([] { return false; }, ms);
}

Ticker::Ticker(std::function<void()> step) : step_(std::move(step)) {
  id_ = SetTimer(nullptr, 0, 20, &Ticker::Tick);
  Tickers()[id_] = this;
}

Ticker::~Ticker() {
  KillTimer(nullptr, id_);
  Tickers().erase(id_);
}

void CALLBACK Ticker::Tick(HWND, UINT, UINT_PTR id, DWORD) {
  auto it = Tickers().find(id);
  if (it == Tickers().end() || it->second->busy_) return;
  // A step that opens a modal box must not be entered again from that box's loop.
  it->second->busy_ = true;
  Ticker* self = it->second;
  self->step_();
  if (Tickers().count(id)) self->busy_ = false;
}

std::vector<uint8_t> Image(const char* magic, uint8_t kind, uint8_t subkind, uint16_t version, size_t size) {
  // The checksum starts at offset 10: the magic can change without it.
  std::vector<uint8_t> image = orvex::test::ProgramImage(kind, subkind, version, size);
  std::memcpy(image.data(), magic, 6);
  return image;
}

void WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  UniqueFile file(CreateFileW(ToWide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  if (file && !bytes.empty()) WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

std::string WindowText(HWND hwnd) { return GetWindowTextA932(hwnd); }
std::string ItemText(HWND dialog, int id) { return GetDlgItemTextA932(dialog, id); }

}  // namespace orvex::flash::test
