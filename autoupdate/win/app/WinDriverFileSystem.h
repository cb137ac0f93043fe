// The driver and library file update on the real file system.
#pragma once

#include "DriverFileUpdate.h"
#include "ProcessBitness.h"  // RedirectionOff, used with this file system

namespace orvex::autoupdate {

class WinDriverFileSystem : public DriverFileSystem {
 public:
  uint32_t Probe(const std::string& path) override;
  uint32_t FileVersion(const std::string& path) override;
  void ClearReadOnly(const std::string& path) override;
  uint32_t Copy(const std::string& source, const std::string& target) override;
  std::string ErrorText(uint32_t error) override;
};

}  // namespace orvex::autoupdate
