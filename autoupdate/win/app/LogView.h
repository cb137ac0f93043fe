// The log list of OrvexRoll's main window (control 1000): one list item per log line. Entries
// may come from the worker; they are handed to the window's thread with a sent message, so the
// list and the kept lines change on that thread only and stay in call order.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "LogEntry.h"

namespace orvex::autoupdate {

class LogView : public LogSink {
 public:
  // The message that carries another thread's entry to the window.
  static constexpr UINT kAppendMessage = 0x8110;

  // The list control and the window that owns it; the calling thread is the window's.
  bool Attach(HWND owner, HWND list);

  void AddEntry(std::string_view text, uint32_t code, bool time_stamp) override;
  // Called on the window's thread after each entry has been listed.
  void OnAppended(std::function<void()> appended) { appended_ = std::move(appended); }
  // The owner's handler for kAppendMessage.
  void OnAppendMessage(LPARAM items);

  // The lines as they are listed, in code page 932 (never converted back from the list).
  const std::vector<std::string>& Items() const { return items_; }
  size_t Count() const { return items_.size(); }

  // "全てコピー(&C)": the whole log as CF_TEXT and as CF_UNICODETEXT, so it pastes correctly on a
  // Windows of any display language. Shows its failure message itself.
  void CopyAll(HWND owner);

 private:
  void Append(const std::vector<std::string>& items);

  HWND owner_ = nullptr;
  HWND list_ = nullptr;
  DWORD thread_ = 0;
  std::vector<std::string> items_;
  std::function<void()> appended_;
};

}  // namespace orvex::autoupdate
