// Text onto the clipboard, in both of the system's text formats.
#pragma once

#include <windows.h>

#include <string>

namespace orvex::flash {

enum class ClipboardOutcome { kDone, kOpenFailed, kTransferFailed };

// The code page 932 text as CF_TEXT (the exact bytes, with CF_LOCALE Japanese) and as
// CF_UNICODETEXT, so that it pastes right on any display language. *error receives the system
// error of a failed open.
ClipboardOutcome PutClipboardText(HWND owner, const std::string& cp932, DWORD* error);

}  // namespace orvex::flash
