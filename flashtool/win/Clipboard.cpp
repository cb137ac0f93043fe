#include "Clipboard.h"

#include <cstring>

#include "Handles.h"
#include "Wide.h"

namespace orvex::flash {

namespace {

// A fixed global block holding `size` bytes; null when it cannot be had.
UniqueGlobal Block(const void* data, size_t size) {
  UniqueGlobal block(GlobalAlloc(GMEM_MOVEABLE, size));
  if (!block) return block;
  void* p = GlobalLock(block.Get());
  if (p == nullptr) return UniqueGlobal();
  std::memcpy(p, data, size);
  GlobalUnlock(block.Get());
  return block;
}

bool Hand(UINT format, UniqueGlobal block) {
  if (!block || SetClipboardData(format, block.Get()) == nullptr) return false;
  block.Release();  // the clipboard owns it now
  return true;
}

}  // namespace

ClipboardOutcome PutClipboardText(HWND owner, const std::string& cp932, DWORD* error) {
  if (!OpenClipboard(owner)) {
    if (error) *error = GetLastError();
    return ClipboardOutcome::kOpenFailed;
  }
  const std::wstring wide = ToWide(cp932);
  const LCID japanese = MAKELCID(MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT), SORT_DEFAULT);
  UniqueGlobal text = Block(cp932.c_str(), cp932.size() + 1);
  UniqueGlobal unicode = Block(wide.c_str(), (wide.size() + 1) * sizeof(wchar_t));
  UniqueGlobal locale = Block(&japanese, sizeof japanese);
  bool ok = text && unicode && locale && EmptyClipboard();
  ok = ok && Hand(CF_TEXT, std::move(text));
  ok = ok && Hand(CF_UNICODETEXT, std::move(unicode));
  if (ok) Hand(CF_LOCALE, std::move(locale));
  CloseClipboard();
  return ok ? ClipboardOutcome::kDone : ClipboardOutcome::kTransferFailed;
}

}  // namespace orvex::flash
