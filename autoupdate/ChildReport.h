// How a child tells OrvexRoll what it is doing: a report code and text, sent as WM_CHILD_REPORT
// with the text in the shared report buffer.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace orvex::autoupdate {

// Window messages of OrvexRoll's main window (WM_APP + 0x102 and + 0x101).
constexpr uint32_t kChildReportMessage = 0x8102;  // WM_CHILD_REPORT
constexpr uint32_t kWorkflowDoneMessage = 0x8101; // WM_WORKFLOW_DONE, never sent by a child

// Report codes (wParam). Everything other than 0 and 1 is a failure to OrvexRoll.
enum ReportCode : uint32_t {
  kReportProgress = 0,
  kReportSuccess = 1,
  kReportFileError = 2,
  kReportResourceError = 3,  // also the /e test failure
  kReportDeviceError255 = 255,
  kReportDeviceError = 256,
};

// Which child writes: they differ in the text limit and the resume value.
enum class ChildTool { kParameterTool, kVersionUpdateTool };

// The children's report operation; the Win32 side sends it, tests record it.
class ReportSink {
 public:
  virtual ~ReportSink() = default;
  virtual void Report(uint32_t code, std::string_view text) = 0;
};

// The /e test failure: "デバッグ自動更新失敗終了(n)", reported with code 3 and value n.
std::string TestFailureText(int32_t value);

}  // namespace orvex::autoupdate
