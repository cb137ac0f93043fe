#include "LogView.h"

#include <commctrl.h>

#include "Format.h"
#include "Handles.h"
#include "LogFile.h"
#include "ShowMessage.h"
#include "Wide.h"

namespace orvex::autoupdate {

bool LogView::Attach(HWND owner, HWND list) {
  owner_ = owner;
  list_ = list;
  thread_ = GetCurrentThreadId();
  if (list_ == nullptr) return false;
  SendMessageW(list_, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
  RECT client = {};
  GetClientRect(list_, &client);
  LVCOLUMNW column = {};
  column.mask = LVCF_WIDTH | LVCF_TEXT;
  column.cx = client.right - client.left - GetSystemMetrics(SM_CXVSCROLL);
  wchar_t empty[] = L"";
  column.pszText = empty;
  return SendMessageW(list_, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&column)) == 0;
}

void LogView::AddEntry(std::string_view text, uint32_t code, bool time_stamp) {
  LogTime now;
  if (time_stamp) now = CurrentLogTime();
  std::vector<std::string> items = LogEntryItems(text, code, time_stamp ? &now : nullptr);
  if (GetCurrentThreadId() == thread_ || owner_ == nullptr) {
    Append(items);
  } else {
    // Synchronous: the items live on this stack until the window's thread has taken them.
    SendMessageW(owner_, kAppendMessage, 0, reinterpret_cast<LPARAM>(&items));
  }
}

void LogView::OnAppendMessage(LPARAM items) { Append(*reinterpret_cast<const std::vector<std::string>*>(items)); }

void LogView::Append(const std::vector<std::string>& items) {
  for (const std::string& item : items) {
    if (list_ != nullptr) {
      std::wstring wide = ToWide(item);
      LVITEMW row = {};
      row.mask = LVIF_TEXT;
      row.iItem = static_cast<int>(items_.size());
      row.pszText = wide.data();
      if (SendMessageW(list_, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&row)) < 0) break;
    }
    items_.push_back(item);
  }
  if (list_ != nullptr && !items_.empty()) {
    SendMessageW(list_, LVM_ENSUREVISIBLE, static_cast<WPARAM>(items_.size() - 1), FALSE);
  }
  if (appended_) appended_();
}

namespace {

// Global memory holding `bytes`, or none.
UniqueGlobal GlobalCopy(const void* bytes, size_t size) {
  UniqueGlobal memory(GlobalAlloc(GMEM_MOVEABLE, size));
  if (!memory) return memory;
  void* p = GlobalLock(memory.Get());
  if (p == nullptr) return UniqueGlobal();
  memcpy(p, bytes, size);
  GlobalUnlock(memory.Get());
  return memory;
}

}  // namespace

void LogView::CopyAll(HWND owner) {
  const size_t size = CopyAllSize(items_);
  std::string text = CopyAllText(items_);
  UniqueGlobal narrow = GlobalCopy(text.c_str(), size);
  if (!narrow) {
    ShowMessage(owner, Format("クリップボード転送のためのメモリが確保できません。(%d byte)", static_cast<int>(size)), "",
                MB_OK);
    return;
  }
  std::wstring wide = ToWide(text);
  UniqueGlobal unicode = GlobalCopy(wide.c_str(), (wide.size() + 1) * sizeof(wchar_t));
  bool ok = false;
  if (unicode && OpenClipboard(owner)) {
    if (EmptyClipboard() && SetClipboardData(CF_TEXT, narrow.Get()) != nullptr) {
      narrow.Release();  // the clipboard owns it now
      if (SetClipboardData(CF_UNICODETEXT, unicode.Get()) != nullptr) {
        unicode.Release();
        ok = true;
      }
    }
    CloseClipboard();
  }
  if (!ok) ShowMessage(owner, "クリップボード転送に失敗しました。", "", MB_OK);
}

}  // namespace orvex::autoupdate
