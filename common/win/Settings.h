// Per-user settings of one program: HKEY_CURRENT_USER\Software\Orvex\<program>\Settings.
// Names and texts are code page 932.
#pragma once

#include <string>
#include <string_view>

namespace orvex {

class Settings {
 public:
  explicit Settings(std::string_view program);

  // A value that is missing, not a number, or -1 (the not-found marker) is replaced by the
  // default, which is written back and returned.
  int GetInt(std::string_view name, int default_value) const;
  // A value that is missing or empty is replaced by the default, written back and returned.
  std::string GetText(std::string_view name, std::string_view default_value = {}) const;

  bool SetInt(std::string_view name, int value) const;
  bool SetText(std::string_view name, std::string_view value) const;

  // Registry path below HKEY_CURRENT_USER, e.g. "Software\Orvex\OrvexSet\Settings".
  const std::wstring& KeyPath() const { return key_path_; }

 private:
  std::wstring key_path_;
};

}  // namespace orvex
