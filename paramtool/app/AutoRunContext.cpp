#include "AutoRunContext.h"

#include "ChildReport.h"
#include "Format.h"
#include "PathText.h"
#include "ToolTexts.h"

namespace orvex {
namespace {

// OrvexSet's options on top of /a, /w and /e, which the children's common parser takes.
class ToolOptions : public autoupdate::ChildOptionHandler {
 public:
  ToolOptions(AutoRunContext* context, std::string* definition_path_file, std::string_view program_path)
      : context_(context), definition_path_file_(definition_path_file), program_path_(program_path) {}

  bool OnOption(char letter) override {
    seen_option_ = true;
    if (letter == 'm') {
      // /m only clears the flag; the values after it still belong to the option before it.
      context_->message_box = false;
      return false;
    }
    return true;
  }

  void OnValue(char option, int index, std::string_view value) override {
    if (!seen_option_ && first_value_) {
      // The definition path file: the first argument, when it is not an option.
      if (value.empty() || value[0] != '-') *definition_path_file_ = std::string(value);
    }
    first_value_ = false;
    if (index != 0) return;
    switch (option) {
      case 'a':
        TakePath(value);
        context_->automatic = true;
        context_->file_mode = FileMode::kNone;
        break;
      case 's':
      case 'f':
        TakePath(value);
        context_->automatic = false;
        context_->file_mode = option == 's' ? FileMode::kRead : FileMode::kWrite;
        break;
      default:
        break;
    }
  }

 private:
  void TakePath(std::string_view value) {
    context_->handoff_path.clear();
    if (!value.empty()) context_->handoff_path = CompletePath(value, program_path_).value_or(std::string(value));
  }

  AutoRunContext* context_;
  std::string* definition_path_file_;
  std::string_view program_path_;
  bool seen_option_ = false;
  bool first_value_ = true;
};

RunOutcome Report(uint32_t code, std::string text) {
  RunOutcome outcome;
  outcome.end_window = true;
  outcome.report_code = code;
  outcome.report_text = std::move(text);
  return outcome;
}

RunOutcome Exit(uint32_t code) {
  RunOutcome outcome;
  outcome.end_window = true;
  outcome.exit_code = code;
  return outcome;
}

bool IsFileMode(RunMode mode) {
  return mode == RunMode::kFileRead || mode == RunMode::kFileWrite;
}

}  // namespace

RunMode AutoRunContext::Mode() const {
  if (automatic) return RunMode::kAutomatic;
  switch (file_mode) {
    case FileMode::kRead:
      return RunMode::kFileRead;
    case FileMode::kWrite:
      return RunMode::kFileWrite;
    default:
      return RunMode::kInteractive;
  }
}

ToolCommandLine ParseToolCommandLine(const std::vector<std::string>& args, std::string_view program_path) {
  ToolCommandLine line;
  ToolOptions options(&line.context, &line.definition_path_file, program_path);
  autoupdate::ParseChildArguments(args, program_path, &line.child, &options);
  AutoRunContext& c = line.context;
  c.report_window = line.child.report_window;
  c.report_message = line.child.report_message;
  c.report_mapping = line.child.report_mapping;
  c.report_size = line.child.report_size;
  if (line.child.test_failure) {
    c.test = true;
    c.report_value = line.child.test_value;
  }
  if (c.file_mode != FileMode::kNone) c.wait_limit_ms = kFileModeWaitLimitMs;
  return line;
}

std::optional<RunOutcome> CheckStartPath(const AutoRunContext& context) {
  if (context.automatic && context.handoff_path.empty()) {
    RunOutcome outcome;
    outcome.end_window = true;
    return outcome;
  }
  if (context.file_mode != FileMode::kNone && context.handoff_path.empty()) return Exit(kExitResource);
  return std::nullopt;
}

RunOutcome ChannelOpenFailure(RunMode mode) {
  if (mode == RunMode::kAutomatic) return Report(autoupdate::kReportDeviceError, texts::kChannelOpenFailedReport);
  if (IsFileMode(mode)) return Exit(kExitResource);
  RunOutcome outcome;
  outcome.message = texts::kChannelOpenFailedText;
  return outcome;
}

RunOutcome AttachFailure(RunMode mode, int status, uint32_t error) {
  const int err = static_cast<int>(error);
  if (mode == RunMode::kAutomatic)
    return Report(autoupdate::kReportDeviceError, Format(texts::kAttachFailedReport, status, err));
  if (IsFileMode(mode)) return Exit(kExitDeviceFailure);
  RunOutcome outcome;
  outcome.message = Format(texts::kAttachFailedText, status, err);
  return outcome;
}

RunOutcome TimerStartFailure(RunMode mode) {
  if (mode == RunMode::kAutomatic) return Report(autoupdate::kReportResourceError, texts::kTimerFailedReport);
  return Exit(kExitResource);
}

RunOutcome NoDeviceAtStart() {
  return Exit(kExitNoDevice);
}

std::optional<RunOutcome> CheckWaitLimit(const AutoRunContext& context, uint32_t now_tick) {
  if (context.wait_stage != kWaitDevice && context.wait_stage != kWaitSystemNotice) return std::nullopt;
  // Unsigned subtraction keeps working across the tick count's wrap after 49.7 days.
  if (now_tick - context.start_tick <= context.wait_limit_ms) return std::nullopt;
  if (context.Mode() == RunMode::kAutomatic) {
    const int seconds = static_cast<int>(context.wait_limit_ms / 1000);
    const char* format =
        context.wait_stage == kWaitDevice ? texts::kDeviceWaitOverReport : texts::kSystemChannelWaitOverReport;
    return Report(autoupdate::kReportDeviceError, Format(format, seconds));
  }
  return Exit(kExitDeviceFailure);
}

std::optional<FinalMessage> FinalMessageFor(const AutoRunContext& context) {
  const RunMode mode = context.Mode();
  if (!IsFileMode(mode) || context.exit_code == kExitSuccess || !context.message_box) return std::nullopt;
  const bool read = mode == RunMode::kFileRead;
  FinalMessage message;
  message.caption = read ? texts::kReadModeCaption : texts::kWriteModeCaption;
  switch (context.exit_code) {
    case kExitOpenFailed:
      message.text = texts::kExitOpenFailedText;
      break;
    case kExitReadWriteFailed:
      message.text = texts::kExitReadWriteFailedText;
      break;
    case kExitInvalidData:
      message.text = read ? texts::kExitInvalidReadDataText : texts::kExitInvalidWriteFileText;
      break;
    case kExitResource:
      message.text = context.handoff_path.empty() ? texts::kExitNoFileText : texts::kExitResourceText;
      break;
    case kExitNoDevice:
      message.text = texts::kExitNoDeviceText;
      break;
    default:
      message.text = texts::kExitDeviceFailureText;
      break;
  }
  return message;
}

}  // namespace orvex
