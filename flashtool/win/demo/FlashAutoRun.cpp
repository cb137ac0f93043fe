// flash_auto_run.exe OrvexFlash.exe AutoVerUp.def [SECONDS]: runs the version update tool as
// OrvexRoll runs it (the hand-off file, a report window and an inherited report buffer, "/a ...
// /w ..."), prints every report as it comes, and waits for the tool to end (at most SECONDS,
// default 600). Exit code 0 when the last report that was not a progress line said success.
// For make demo; the texts come out in UTF-8.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "ChildReport.h"
#include "ChildReporter.h"
#include "Format.h"
#include "UiDriver.h"
#include "Wide.h"

using namespace orvex;
using namespace orvex::uidriver;

namespace {

std::string Utf8(const std::string& cp932) {
  std::wstring wide = ToWide(cp932);
  int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n > 0 ? n : 0), '\0');
  if (n > 0) WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n, nullptr, nullptr);
  return out;
}

}  // namespace

int main() {
  const std::vector<std::string> args = autoupdate::OwnCommandLineArguments();
  if (args.size() < 2) {
    std::fprintf(stderr, "usage: flash_auto_run OrvexFlash.exe AutoVerUp.def [SECONDS]\n");
    return 2;
  }
  const DWORD limit_ms = args.size() > 2 ? static_cast<DWORD>(std::stoul(args[2])) * 1000 : 600000;
  ReportParent parent;
  if (!parent.Ready()) {
    std::fprintf(stderr, "flash_auto_run: no report window\n");
    return 2;
  }
  parent.ClearText();
  std::string error;
  auto tool = DrivenProcess::Start(args[0], "/a \"" + args[1] + "\" /w " + parent.WindowArguments(), {}, {}, true,
                                   &error);
  if (!tool) {
    std::fprintf(stderr, "flash_auto_run: %s\n", error.c_str());
    return 2;
  }
  const ULONGLONG end = GetTickCount64() + limit_ms;
  size_t shown = 0;
  uint32_t verdict = 0;
  std::optional<DWORD> exit_code;
  for (;;) {
    exit_code = tool->WaitExit(50);
    std::vector<ChildReportRecord> reports = parent.Reports();
    for (; shown < reports.size(); ++shown) {
      const ChildReportRecord& r = reports[shown];
      std::printf("  [%3u] stage %3d  resume %05Xh  %s\n", r.code, r.value, r.resume, Utf8(r.text).c_str());
      std::fflush(stdout);
      if (r.code != autoupdate::kReportProgress) verdict = r.code;
    }
    if (exit_code || GetTickCount64() >= end) break;
  }
  if (!exit_code) {
    std::fprintf(stderr, "flash_auto_run: the tool did not end within %lu s\n", limit_ms / 1000);
    tool->Terminate();
    return 3;
  }
  std::printf("  OrvexFlash ended (exit code %08lX)\n", *exit_code);
  return verdict == autoupdate::kReportSuccess ? 0 : 1;
}
