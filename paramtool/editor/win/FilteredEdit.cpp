#include "FilteredEdit.h"

// after windows.h
#include <commctrl.h>

#include "InputFilter.h"

namespace orvex {

// Beeps, or tells the test's recorder.
void RefuseCharacter(HWND edit);

namespace {

constexpr UINT_PTR kSubclassId = 0x4F46;  // one filter per field
RefusalRecorder* recorder = nullptr;      // the user-interface thread's

LRESULT CALLBACK FilterProcedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR id,
                                 DWORD_PTR data) {
  const auto flags = static_cast<unsigned>(data);
  switch (message) {
    case WM_CHAR:
      if (!FilterAccepts(flags, static_cast<unsigned>(wparam))) {
        RefuseCharacter(hwnd);
        return 0;
      }
      break;
    case WM_LBUTTONDOWN: {
      LRESULT result = DefSubclassProc(hwnd, message, wparam, lparam);
      if ((flags & kNoSelectOnClick) == 0) {
        SendMessageW(hwnd, EM_SETSEL, 0, -1);
        SendMessageW(hwnd, EM_SCROLLCARET, 0, 0);
      }
      return result;
    }
    case WM_NCDESTROY:
      RemoveWindowSubclass(hwnd, FilterProcedure, id);
      break;
    default:
      break;
  }
  return DefSubclassProc(hwnd, message, wparam, lparam);
}

}  // namespace

void RefuseCharacter(HWND edit) {
  if (recorder != nullptr) {
    recorder->refusals_.push_back(edit);
  } else {
    MessageBeep(MB_ICONEXCLAMATION);
  }
}

bool AttachInputFilter(HWND edit, unsigned flags) {
  return SetWindowSubclass(edit, FilterProcedure, kSubclassId, flags) != FALSE;
}

RefusalRecorder::RefusalRecorder() : previous_(recorder) {
  recorder = this;
}
RefusalRecorder::~RefusalRecorder() {
  recorder = previous_;
}

}  // namespace orvex
