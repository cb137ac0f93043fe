// How OrvexSet was started and what an unattended run reports: the command line, the run mode,
// the wait limits, the exit code and the final message, and what each start-up failure does in
// each run mode. Portable; the main window carries the outcomes out.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ChildCommandLine.h"
#include "HandoffFile.h"

namespace orvex {

enum class FileMode : int { kNone = 0, kRead = 1, kWrite = 2 };

enum class RunMode { kInteractive, kAutomatic, kFileRead, kFileWrite };

// Process exit codes of the file modes (interactive and automatic runs exit with 0).
enum ToolExitCode : uint32_t {
  kExitSuccess = 0,
  kExitOpenFailed = 1,
  kExitReadWriteFailed = 2,
  kExitInvalidData = 3,
  kExitResource = 255,
  kExitNoDevice = 256,
  kExitDeviceFailure = 257,
};

// Wait stages of an unattended run.
enum WaitStage : int { kWaitDevice = 0, kWaitSystemNotice = 1, kWaitWorking = 2 };

constexpr uint32_t kDefaultWaitLimitMs = 60000;
constexpr uint32_t kFileModeWaitLimitMs = 30000;
constexpr unsigned kWaitTimerPeriodMs = 100;

struct AutoRunContext {
  bool automatic = false;    // /a with a path
  bool message_box = true;   // /m clears it: no final message in the file modes
  FileMode file_mode = FileMode::kNone;
  uint32_t exit_code = kExitSuccess;
  std::string handoff_path;  // after /a, /s or /f, completed from the program path
  // What AutoPara.def says: model number, wait, retries, fill flag, folders, save file name and
  // the definition files to choose from.
  autoupdate::AutoParaContent handoff;

  // /w: the report target; the buffer is mapped by the window side.
  uint64_t report_window = 0;
  uint32_t report_message = 0;
  uint64_t report_mapping = 0;
  uint32_t report_size = 0;

  uint32_t wait_limit_ms = kDefaultWaitLimitMs;
  int selected_definition = -1;
  int wait_stage = kWaitDevice;
  int32_t report_value = 0;  // lParam of every report
  uint32_t start_tick = 0;
  bool test = false;         // /e

  // Install locations and backup names of the automatic update.
  std::array<std::string, 3> install_locations;
  std::array<std::string, 3> backup_names;

  // An unattended run waits for the system notice once the device is attached; a run whose job
  // has started stays at work when the adapter restarts during or after it (a restart's notice
  // must not start the job again).
  void OnDeviceAttached() {
    if (Unattended() && wait_stage < kWaitWorking) wait_stage = kWaitSystemNotice;
  }
  RunMode Mode() const;
  bool Unattended() const { return automatic || file_mode != FileMode::kNone; }
};

// The command line as OrvexSet reads it.
struct ToolCommandLine {
  AutoRunContext context;
  autoupdate::ChildArguments child;   // /a, /w, /e as both children read them (for the report operation)
  std::string definition_path_file;   // the first argument when it is not an option; empty: the default
};

// Arguments after the program name. Options start with '/' and select by their second character
// (either case); other arguments are values of the last option. `program_path` completes a path
// without a drive.
ToolCommandLine ParseToolCommandLine(const std::vector<std::string>& args, std::string_view program_path);

// What a start-up or wait failure does, by run mode: one report (automatic), an exit code (file
// modes) or a message box (interactive), and whether the window ends.
struct RunOutcome {
  bool end_window = false;
  std::optional<uint32_t> report_code;
  std::string report_text;
  std::optional<uint32_t> exit_code;
  std::string message;  // interactive: shown with the exclamation icon
};

// Before anything else: an automatic run without a hand-off path ends at once; a file mode
// without a path ends with exit code 255. Nothing when the run may go on.
std::optional<RunOutcome> CheckStartPath(const AutoRunContext& context);
RunOutcome ChannelOpenFailure(RunMode mode);
// The attach call answered something other than "under way".
RunOutcome AttachFailure(RunMode mode, int status, uint32_t error);
RunOutcome TimerStartFailure(RunMode mode);
// A file mode found no device at start-up.
RunOutcome NoDeviceAtStart();
// The 100 ms wait timer: an outcome once the limit has passed in wait stage 0 or 1.
std::optional<RunOutcome> CheckWaitLimit(const AutoRunContext& context, uint32_t now_tick);

// The message shown when a file-mode run ends: only in a file mode, with a non-zero exit code and
// the message box flag set.
struct FinalMessage {
  std::string text;
  std::string caption;
};
std::optional<FinalMessage> FinalMessageFor(const AutoRunContext& context);

}  // namespace orvex
