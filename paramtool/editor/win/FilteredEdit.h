// The filtered edit field: an ordinary edit control that drops typed characters its flags do not
// allow (with the exclamation beep) and, unless told otherwise, selects its whole text when
// clicked. The flags are those of InputFilter.h.
#pragma once

#include <windows.h>

#include <vector>

namespace orvex {

// Makes an existing edit control a filtered one; false when it cannot be subclassed.
bool AttachInputFilter(HWND edit, unsigned flags);

// For tests: while one exists, a refused character is recorded instead of beeping.
class RefusalRecorder {
 public:
  RefusalRecorder();
  ~RefusalRecorder();
  RefusalRecorder(const RefusalRecorder&) = delete;
  RefusalRecorder& operator=(const RefusalRecorder&) = delete;

  // The fields that refused a character, one entry per refusal.
  const std::vector<HWND>& refusals() const { return refusals_; }

 private:
  friend void RefuseCharacter(HWND edit);
  std::vector<HWND> refusals_;
  RefusalRecorder* previous_ = nullptr;
};

}  // namespace orvex
