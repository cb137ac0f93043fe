// The test child: installed under the name of OrvexSet.exe or OrvexFlash.exe in a test package,
// it is started by OrvexRoll like the real tool, reads its hand-off file, maps the report buffer
// and reports through them as its script says (ChildScript.h). The script and a record of every
// start live in the folder named by ORVEX_TEST_CHILD:
//   <name>.txt    the steps, one taken off per start (none left: success)
//   <name>.calls  two lines per start: the command line; the count of files, stage and resume
//                 value read from the hand-off file, and the process id
#include <windows.h>

#include <string>

#include "ChildReporter.h"
#include "ChildScript.h"
#include "Format.h"
#include "HandoffFileIo.h"
#include "ScratchFolder.h"
#include "UpdateInfo.h"
#include "VersionResource.h"
#include "Wide.h"

using namespace orvex;
using namespace orvex::autoupdate;
using namespace orvex::autoupdate::test_support;

namespace {

std::string Environment(const wchar_t* name) {
  wchar_t buffer[1024];
  DWORD n = GetEnvironmentVariableW(name, buffer, 1024);
  return n == 0 || n >= 1024 ? std::string() : FromWide(std::wstring_view(buffer, n));
}

void AppendBytes(const std::string& path, const std::string& bytes) {
  HANDLE file = CreateFileW(ToWide(path).c_str(), FILE_APPEND_DATA, 0, nullptr, OPEN_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  ChildArguments args = ParseOwnCommandLine();
  HandoffKind kind = HandoffKind::kAutoPara;
  if (!args.automatic || !HandoffKindFromName(args.handoff_path, &kind)) return 2;
  const bool verup = kind == HandoffKind::kAutoVerUp;
  ChildReporter reporter(verup ? ChildTool::kVersionUpdateTool : ChildTool::kParameterTool, args);
  const std::string self = OwnModulePath();
  AutoParaContent para;
  AutoVerUpContent flash;
  int count = verup ? ReadAutoVerUpFile(args.handoff_path, self, &flash, &reporter)
                    : ReadAutoParaFile(args.handoff_path, self, &para, &reporter);
  if (!reporter.MapBuffer()) return 3;

  const std::string folder = Environment(L"ORVEX_TEST_CHILD");
  const std::string name = ExecutableStem(self);
  std::string base = folder.empty() ? std::string() : folder + (folder.back() == '\\' ? "" : "\\") + name;
  if (!base.empty()) {
    AppendBytes(base + ".calls",
                   FromWide(GetCommandLineW()) + "\n" +
                    Format("count=%d stage=%d resume=%X pid=%lu\n", count, flash.first_stage, flash.resume_value,
                           GetCurrentProcessId()));
  }
  if (reporter.ReportTestFailure()) return 0;
  if (count < 0) return 4;

  ChildStep step;
  if (!base.empty()) {
    std::string rest;
    std::string line = TakeFirstStep(test_support::ReadAll(base + ".txt"), &rest);
    test_support::WriteAll(base + ".txt", rest);
    std::string error;
    if (!line.empty() && !ParseChildStep(line, &step, &error)) {
      reporter.Report(kReportResourceError, "テスト子プロセスの手順が不正です : " + error);
      return 5;
    }
  }
  int32_t value = step.has_value ? step.value : (verup ? flash.first_stage : -1);
  reporter.SetValue(value);
  reporter.SetResumeValue(verup ? flash.resume_value : 0);
  if (step.kind == ChildStep::kFail || step.kind == ChildStep::kExit) reporter.SetResumeValue(step.resume);
  reporter.Report(kReportProgress, Format("テスト子プロセス %s 開始(%d)", name.c_str(), value));
  switch (step.kind) {
    case ChildStep::kSuccess:
      reporter.SetValue(step.has_value ? step.value : (verup ? -5 : count));
      reporter.Report(kReportSuccess, Format("自動更新成功 Cnt = %d", count));
      return 0;
    case ChildStep::kFail:
      reporter.Report(step.code, step.text.empty() ? Format("テスト失敗(%u)", step.code) : step.text);
      return 0;
    case ChildStep::kExit:
      ExitProcess(step.code);
    case ChildStep::kHang:
      Sleep(300000);  // the test kills it long before
      return 6;
  }
  return 0;
}
