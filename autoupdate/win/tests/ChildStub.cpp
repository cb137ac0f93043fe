// A stand-in child for the report tests: started like OrvexSet or OrvexFlash, it reads its
// hand-off file, maps the report buffer and reports as they do.
//   AutoPara.def:  progress with its own path, then success with the number of definition files.
//   AutoVerUp.def: progress with its own path (stage and resume value from the file), then a
//                  1500-character failure text with stage 3 and the resume value's bit 17 set.
#include <windows.h>

#include <cstdio>
#include <string>

#include "ChildReporter.h"
#include "Format.h"
#include "HandoffFileIo.h"
#include "VersionResource.h"

using namespace orvex;
using namespace orvex::autoupdate;

int main() {
  ChildArguments args = ParseOwnCommandLine();
  HandoffKind kind = HandoffKind::kAutoPara;
  if (!args.automatic || !HandoffKindFromName(args.handoff_path, &kind)) {
    std::fprintf(stderr, "child stub: no hand-off file\n");
    return 2;
  }
  const bool verup = kind == HandoffKind::kAutoVerUp;
  ChildReporter reporter(verup ? ChildTool::kVersionUpdateTool : ChildTool::kParameterTool, args);
  std::string self = OwnModulePath();

  AutoParaContent para;
  AutoVerUpContent verup_content;
  int count = verup ? ReadAutoVerUpFile(args.handoff_path, self, &verup_content, &reporter)
                    : ReadAutoParaFile(args.handoff_path, self, &para, &reporter);
  if (!reporter.MapBuffer()) {
    std::fprintf(stderr, "child stub: %s\n", ChildReporter::MapFailureText());
    return 3;
  }
  if (reporter.ReportTestFailure()) return 0;
  if (count < 0) return 4;

  if (!verup) {
    reporter.SetValue(-1);
    reporter.Report(kReportProgress, self);
    reporter.SetValue(count);
    reporter.Report(kReportSuccess, Format("自動更新成功 Cnt = %d", count));
    return 0;
  }
  reporter.SetValue(verup_content.first_stage);
  reporter.SetResumeValue(verup_content.resume_value);
  reporter.Report(kReportProgress, self);
  std::string long_text;
  for (int i = 0; i < 1500; ++i) long_text += static_cast<char>('0' + i % 10);
  reporter.SetValue(3);
  reporter.SetResumeValue(verup_content.resume_value | 0x20000);
  reporter.Report(kReportDeviceError, long_text);
  return 0;
}
