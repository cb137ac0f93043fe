// The debug levels of the device driver and the device access library: where they are kept,
// how the system settings dialog writes them (driver first, then the registry, then the
// elevated helper) and the texts it shows.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace orvex::flash {

// Below HKEY_LOCAL_MACHINE; both hold the REG_DWORD value "DebugLevel".
constexpr char kDriverLevelKey[] = "System\\Currentcontrolset\\Services\\Orvex\\Parameters";
constexpr char kLibraryLevelKey[] = "System\\Currentcontrolset\\Services\\Orvex\\DLL";
constexpr char kDebugLevelValue[] = "DebugLevel";
constexpr char kKeysProgramName[] = "OrvexKeys.exe";
// Driver versions from this one on take new levels without a reset.
constexpr uint32_t kDriverAppliesLevelsVersion = 0x01010400;

constexpr uint32_t kErrorInvalidFunction = 1;
constexpr uint32_t kErrorAccessDenied = 5;

// What the level writer needs from the system; Win32 in the program, recorded in tests.
class DebugLevelSystem {
 public:
  virtual ~DebugLevelSystem() = default;
  // Both levels from the registry (a REG_DWORD or a REG_SZ number): 0 or the error.
  virtual uint32_t ReadRegistry(uint32_t* driver_level, uint32_t* library_level) = 0;
  virtual bool DeviceAttached() = 0;
  // One level to the driver (driver true) or the library through the driver: 0 or the error.
  virtual uint32_t SendToDriver(bool driver, uint32_t level) = 0;
  virtual uint32_t DriverVersion() = 0;
  // Both registry values: 0 or the error of the first write that failed.
  virtual uint32_t WriteRegistry(uint32_t driver_level, uint32_t library_level) = 0;
  // Windows 6.0 or later (also when the version cannot be read).
  virtual bool ElevationAvailable() = 0;

  struct HelperRun {
    bool started = false;
    uint32_t error = 0;       // why it did not start
    bool waited = false;      // a process was there to wait for
    uint32_t exit_code = 0;
  };
  // Starts the helper elevated ("runas"), shown normally, and waits for it to end.
  virtual HelperRun RunElevated(const std::string& file, const std::string& parameters) = 0;
};

// Statuses of a write: 1 done; 2 done, the device must be reconnected or reset; 3 done and in
// force; 0 registry refused (error); -1 the driver refused (error); -2 the helper failed.
struct LevelWrite {
  int status = 0;
  uint32_t error = 0;
};

LevelWrite WriteDebugLevels(DebugLevelSystem& system, uint32_t driver_level, uint32_t library_level,
                            std::string_view program_folder);

// The helper's file, quoted, and its four parameters.
std::string KeysHelperFile(std::string_view program_folder);
std::string KeysHelperParameters(uint32_t driver_level, uint32_t library_level);

// A REG_SZ level: "0x" hexadecimal or decimal, as the C library reads an unsigned number with
// base 0; nothing when it holds no number.
std::optional<uint32_t> ParseLevelText(std::string_view text);

// What the dialog does after a write.
enum class SettingsAfterWrite { kCloseOk, kAskReset, kShowRegistryError, kShowUpdateError, kCloseQuietly };
SettingsAfterWrite DecideAfterWrite(int status);

std::string RegistryRefusedText(uint32_t error);
std::string UpdateFailedText(int status, uint32_t error);
std::string UpdateQuestionText();
std::string ResetQuestionText();

}  // namespace orvex::flash
