// The driver and library file update on the real file system.
#pragma once

#include "DriverFileUpdate.h"

namespace orvex::autoupdate {

class WinDriverFileSystem : public DriverFileSystem {
 public:
  uint32_t Probe(const std::string& path) override;
  uint32_t FileVersion(const std::string& path) override;
  void ClearReadOnly(const std::string& path) override;
  uint32_t Copy(const std::string& source, const std::string& target) override;
  std::string ErrorText(uint32_t error) override;
};

// Switches the file-system redirection of a 32-bit process on 64-bit Windows off for the calling
// thread while it lives, so System32 means the system's own folder; nothing where the system has
// no redirection.
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

}  // namespace orvex::autoupdate
