// The update information file OrvexRoll.ini: what OrvexRoll updates and how, read from the
// update folder (the template is written there first when the file is missing).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orvex::autoupdate {

struct UpdateInfo {
  std::string device_name;  // as it stands; empty means "CTIアダプター" in messages
  std::string title_name;
  int32_t device_wait_time = 60;  // seconds, 1..2147483
  int32_t device_num_retry = 3;   // 0 or more
  int32_t force_update = 0;       // bit 0: programs, bit 1: parameter initial values
  int32_t driver_update = 0;      // 0 always, 1 older files only, 2 not when reset is supported
  int32_t inst_not_exist_msg = 0;
  std::string ver_up_prog;        // trimmed; relative path, maybe followed by options
  std::string para_prog;
  // Absolute paths (update folder + entry); empty entries are left out.
  std::vector<std::string> sys_files, dll_files, prg_files, def_files, usb1mc_files;
};

constexpr int32_t kDefaultWaitSeconds = 60;
constexpr int32_t kMaxWaitSeconds = 2147483;
constexpr int kIndexedListSize = 100;  // PrgFile and DefFile look up indexes 0-99

// The 75-line template, each line followed by CR LF, in code page 932.
std::string UpdateInfoTemplate();
constexpr int kTemplateLineCount = 75;

// The kept lines of the file: split at CR, LF or CR LF, each cut at its first ';', empty
// remainders dropped. The text ends at its first NUL, as it did when it was read into a C string.
std::vector<std::string_view> UpdateInfoLines(std::string_view content);

// Value of the first kept line that begins with `key` (any case) and contains '='; nothing when
// there is none. With `indexed`, a line whose key goes on with another digit does not match, so
// that "PrgFile1" never picks up the line of "PrgFile10".
std::optional<std::string_view> LookUpKey(const std::vector<std::string_view>& lines, std::string_view key,
                                          bool indexed = false);

enum class UpdateInfoStatus { kOk, kOutOfMemory };

// Reads every key and list with its default, limit and trimming rule; list entries are made
// absolute with `update_folder` (which ends in '\').
UpdateInfoStatus ParseUpdateInfo(std::string_view content, std::string_view update_folder, UpdateInfo* out);

// Texts derived from the update information.
std::string DeviceLabel(const UpdateInfo& info);  // DeviceName, or "CTIアダプター"
std::string WindowTitle(const UpdateInfo& info);  // DeviceName + TitleName, or "自動更新"
int ModelNumberOf(const UpdateInfo& info);

// Where the file lies: the first command-line argument (a '\' appended) when there is one, else
// the folder of the program's path (whose network drive the caller has already replaced by its
// share name).
std::string UpdateFolder(const std::optional<std::string_view>& first_argument, std::string_view program_path);
// update folder + executable name without extension + ".ini".
std::string UpdateInfoPath(std::string_view update_folder, std::string_view program_path);
// "Z:\dir\x.exe" with Z: connected to "\\srv\share" -> "\\srv\share\dir\x.exe".
std::string ReplaceDrive(std::string_view path, std::string_view remote_name);
// The executable's name without folder and extension ("OrvexRoll").
std::string ExecutableStem(std::string_view program_path);

// --- Start-up validation ------------------------------------------------------------------------

constexpr uint32_t kMinimumToolVersion = 0x01010200;  // 1.1.2.0

// What the validation needs to know about files.
class ToolFileProbe {
 public:
  virtual ~ToolFileProbe() = default;
  virtual bool FileExists(const std::string& path) = 0;  // a file, not a folder
  virtual uint32_t FileVersion(const std::string& path) = 0;  // packed a.b.c.d; 0 without a resource
};

// The parameter tool's availability.
enum ToolAvailability : int { kToolPresent = 0, kToolMissing = 1, kToolNotConfigured = -1 };

struct ToolCheck {
  ToolAvailability availability = kToolNotConfigured;
  std::string path;      // update folder + entry up to its first '/'
  uint32_t version = 0;  // 0 when not read or without a resource
};

struct UpdateInfoValidation {
  bool ok = false;
  std::string message;  // OrvexRoll's message box text when not ok
  ToolCheck version_update_tool;
  ToolCheck parameter_tool;
};

// One tool entry: the path (update folder + entry up to its first '/'), whether it is configured
// and present, and its version.
ToolCheck CheckToolEntry(std::string_view update_folder, std::string_view entry, ToolFileProbe& probe);

// Checks 3 and 4 of the start-up order (the USB1McFile count, then the version update tool, then
// the parameter tool); the read error and lack of memory come from loading.
UpdateInfoValidation ValidateUpdateInfo(const UpdateInfo& info, std::string_view update_folder, ToolFileProbe& probe);

std::string UpdateInfoReadErrorText(std::string_view path, uint32_t error);
std::string UpdateInfoMemoryText();

}  // namespace orvex::autoupdate
