// What the process knows of its own bitness. The shipped build is 32-bit and runs under WOW64 on
// 64-bit Windows, where the update tool's about box says " <x64>" and OrvexRoll must switch off
// the file-system redirection to reach the 64-bit system folders. In-process tests of the about
// box run in the 64-bit build too, so they answer the question through Wow64Override.
#pragma once

namespace orvex {

// A 32-bit process on 64-bit Windows; false when the system cannot tell (IsWow64Process looked
// up at run time from Kernel32.dll, missing on the oldest systems).
bool RunsUnderWow64();

// For tests: while one exists, RunsUnderWow64 gives its answer instead of the system's. They
// nest; the innermost one answers. Create and destroy them on one thread.
class Wow64Override {
 public:
  explicit Wow64Override(bool wow64);
  ~Wow64Override();
  Wow64Override(const Wow64Override&) = delete;
  Wow64Override& operator=(const Wow64Override&) = delete;

 private:
  friend bool RunsUnderWow64();
  bool wow64_;
  Wow64Override* previous_;
};

// Switches the file-system redirection of a 32-bit process on 64-bit Windows off for the calling
// thread while it lives, so System32 means the system's own folder (where drivers and the 64-bit
// libraries are); nothing where the system has no redirection.
class RedirectionOff {
 public:
  RedirectionOff();
  ~RedirectionOff();
  RedirectionOff(const RedirectionOff&) = delete;
  RedirectionOff& operator=(const RedirectionOff&) = delete;

  bool Active() const { return active_; }
  // Both functions exist in this system's kernel32.
  static bool Available();

 private:
  bool active_ = false;
  void* old_value_ = nullptr;
};

}  // namespace orvex
