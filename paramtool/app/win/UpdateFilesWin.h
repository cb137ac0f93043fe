// The automatic update's file operations on the real file system (code page 932 paths).
#pragma once

#include "AutomaticUpdate.h"

namespace orvex {

class WinUpdateFiles : public UpdateFiles {
 public:
  bool Exists(const std::string& path) override;
  std::optional<std::string> ReadSmall(const std::string& path) override;
  bool IsReadOnly(const std::string& path) override;
  void ClearReadOnly(const std::string& path) override;
  bool Copy(const std::string& from, const std::string& to, uint32_t* error) override;
  std::string ErrorText(uint32_t error) override;
};

}  // namespace orvex
