// The installed driver and library files: the start-up inspection of Orvex.sys, Orvex2.sys and
// Orvex.dll, and the update that replaces them with the package's copies, keeping a backup of
// every replaced file in the run folder's "Old\".
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "LogEntry.h"
#include "MessageBoxCodes.h"
#include "UpdateInfo.h"

namespace orvex::autoupdate {

// The folders the files are installed in, each ending in '\'.
struct InstallTargets {
  std::string drivers;  // <Windows>\System32\Drivers\ .
  std::string inf;      // <Windows>\Inf\ .
  std::string system;   // <Windows>\System32\, or <Windows>\System\ when the library is only there
};

// From the Windows directory (with or without its '\').
InstallTargets InstallTargetsFor(std::string_view windows_directory);

// What the update asks the file system. Errors are the system's codes (2 file not found, ...).
class DriverFileSystem {
 public:
  virtual ~DriverFileSystem() = default;
  // 0 when the file is there (its attributes could be read), else the error.
  virtual uint32_t Probe(const std::string& path) = 0;
  // Packed a.b.c.d of the version resource; 0 without one or without the file.
  virtual uint32_t FileVersion(const std::string& path) = 0;
  // Clears the read-only attribute when it is set.
  virtual void ClearReadOnly(const std::string& path) = 0;
  // Copies, replacing the target; 0 or the error.
  virtual uint32_t Copy(const std::string& source, const std::string& target) = 0;
  virtual std::string ErrorText(uint32_t error) = 0;
};

// The driver supports the hardware reset above this version.
constexpr uint32_t kResetCapableDriver = 0x01000400;  // 1.0.4.0

enum InspectionResult : int { kInspectionOk = 0, kInspectionNoDriver = 1, kInspectionNoLibrary = 2 };

// Logs what is installed (errors with code 2). When the library is found only in "System\",
// targets->system becomes that folder.
InspectionResult InspectInstalledFiles(DriverFileSystem& fs, InstallTargets* targets, LogSink& log);

enum DriverUpdateMode : int32_t { kUpdateAlways = 0, kUpdateOlderOnly = 1, kUpdateUnlessResetCapable = 2 };

// -1 when the user stopped at a question, 1 when a .sys file was replaced, else 0.
int UpdateDriverFiles(const UpdateInfo& info, const InstallTargets& targets, std::string_view run_folder,
                      DriverFileSystem& fs, Questions& questions, LogSink& log);

}  // namespace orvex::autoupdate
