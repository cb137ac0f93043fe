#include "ChildReporter.h"

#include <shellapi.h>

#include <algorithm>

#include "ReportBuffer.h"
#include "ShowMessage.h"
#include "VersionResource.h"
#include "Wide.h"

namespace orvex::autoupdate {

std::vector<std::string> OwnCommandLineArguments() {
  std::vector<std::string> args;
  int count = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &count);
  if (argv == nullptr) return args;
  for (int i = 1; i < count; ++i) args.push_back(FromWide(argv[i]));
  LocalFree(argv);
  return args;
}

ChildArguments ParseOwnCommandLine(ChildOptionHandler* more) {
  ChildArguments args;
  ParseChildArguments(OwnCommandLineArguments(), OwnModulePath(), &args, more);
  return args;
}

ChildReporter::ChildReporter(ChildTool tool, const ChildArguments& args) : tool_(tool), args_(args) {
  if (args.test_failure) value_ = args.test_value;
}

bool ChildReporter::MapBuffer() {
  if (args_.report_mapping == 0) return true;
  HANDLE mapping = reinterpret_cast<HANDLE>(static_cast<uintptr_t>(args_.report_mapping));
  view_.Reset(MapViewOfFile(mapping, FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, 0));
  if (!view_) return false;
  // The size on the command line is outside input: never write past the view.
  MEMORY_BASIC_INFORMATION info = {};
  size_t region = VirtualQuery(view_.Get(), &info, sizeof info) ? info.RegionSize : 0;
  size_ = std::min<size_t>(args_.report_size, region);
  return true;
}

void ChildReporter::Report(uint32_t code, std::string_view text) {
  if (args_.HasReportTarget()) {
    if (Mapped()) {
      auto* bytes = static_cast<uint8_t*>(view_.Get());
      PutReportText(bytes, size_, tool_, text);
      if (tool_ == ChildTool::kVersionUpdateTool) PutResumeValue(bytes, size_, resume_);
    }
    HWND window = reinterpret_cast<HWND>(static_cast<uintptr_t>(args_.report_window));
    SendMessageW(window, args_.report_message, code, static_cast<LPARAM>(value_));
    return;
  }
  if (text.empty() || code == kReportProgress) return;
  std::string shown(text);
  // OrvexSet's boxes end in two ideographic spaces.
  if (tool_ == ChildTool::kParameterTool) shown += "　　";
  ShowMessage(owner_, shown, "自動更新終了",
              MB_OK | (code == kReportSuccess ? MB_ICONINFORMATION : MB_ICONEXCLAMATION));
}

bool ChildReporter::ReportTestFailure() {
  if (!args_.test_failure) return false;
  value_ = args_.test_value;
  Report(kReportResourceError, TestFailureText(args_.test_value));
  return true;
}

}  // namespace orvex::autoupdate
