// The Windows version one program sees under Wine, for the paths that depend on it: Wine reads a
// per-program version from HKCU\Software\Wine\AppDefaults\<program>.exe\Version ("win10",
// "win7", "winxp", "win2k", ...). Set while the object lives, removed afterwards; the prefix's own
// version and every other program are left alone. Without Wine the value is never read.
#pragma once

#include <string>

namespace orvex::uidriver {

class WindowsVersionOf {
 public:
  WindowsVersionOf(const std::string& program_file_name, const std::string& version);
  ~WindowsVersionOf();
  WindowsVersionOf(const WindowsVersionOf&) = delete;
  WindowsVersionOf& operator=(const WindowsVersionOf&) = delete;

  bool Set() const { return set_; }

 private:
  std::wstring key_;
  bool set_ = false;
};

}  // namespace orvex::uidriver
