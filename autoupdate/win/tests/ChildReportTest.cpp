// A parent window and a real child process exchange reports through the inherited report buffer
// and WM_CHILD_REPORT, started with the command line OrvexRoll builds.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "ChildCommandLine.h"
#include "ChildReporter.h"
#include "ChildResult.h"
#include "HandoffFileIo.h"
#include "ReportMapping.h"
#include "ScratchFolder.h"
#include "VersionResource.h"
#include "Wide.h"

using namespace orvex;
using namespace orvex::autoupdate;
using orvex::autoupdate::test_support::ScratchFolder;

namespace {

struct Received {
  uint32_t code;
  int32_t value;
  std::string text;
  uint32_t resume;
};

struct Log : LogSink {
  std::vector<std::string> entries;
  void AddEntry(std::string_view text, uint32_t code, bool) override {
    entries.push_back(std::to_string(code) + ":" + std::string(text));
  }
};

// What OrvexRoll's main window keeps while a child runs.
struct Parent {
  ReportMapping mapping;
  ChildResult result;
  Log log;
  std::vector<Received> received;
};
Parent* active_parent = nullptr;

LRESULT CALLBACK ParentProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == kChildReportMessage && active_parent != nullptr) {
    Parent& p = *active_parent;
    std::string text = p.mapping.Text();
    p.received.push_back({static_cast<uint32_t>(wparam), static_cast<int32_t>(lparam), text, p.mapping.ResumeValue()});
    HandleChildReport(static_cast<uint32_t>(wparam), static_cast<int32_t>(lparam), text, &p.result, &p.log);
    return 0;
  }
  return DefWindowProcW(hwnd, message, wparam, lparam);
}

class ChildReportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = ParentProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"OrvexAutoUpdateTestParent";
    RegisterClassW(&wc);
    window_ = CreateWindowExW(0, wc.lpszClassName, L"parent", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr,
                              wc.hInstance, nullptr);
    ASSERT_NE(window_, nullptr);
    ASSERT_EQ(parent_.mapping.Create(), ReportMapping::kOk);
    active_parent = &parent_;
    stub_ = OwnModuleFolder() + "autoupdate_child_stub.exe";
    ASSERT_TRUE(test_support::Exists(stub_)) << stub_;
  }
  void TearDown() override {
    active_parent = nullptr;
    if (window_) DestroyWindow(window_);
  }

  // Copies the stand-in child to `folder` under `name`.
  std::string InstallChild(const std::string& folder, const char* name) {
    std::string path = folder + name;
    EXPECT_TRUE(CopyFileW(ToWide(stub_).c_str(), ToWide(path).c_str(), FALSE)) << path;
    return path;
  }

  // Starts the child as OrvexRoll does (inherited handles, normal priority) and handles its
  // reports until it ends; gives up (and ends it) after a generous limit so nothing hangs.
  bool RunChild(const ToolCommand& tool, const std::string& handoff) {
    parent_.result.ResetCode();
    parent_.mapping.ClearText();
    std::string line = BuildChildCommandLine(tool, handoff, reinterpret_cast<uintptr_t>(window_), kChildReportMessage,
                                             reinterpret_cast<uintptr_t>(parent_.mapping.Handle()),
                                             parent_.mapping.Size());
    std::wstring command = ToWide(line);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, NORMAL_PRIORITY_CLASS, nullptr, nullptr,
                        &startup, &info)) {
      ADD_FAILURE() << "CreateProcess failed " << GetLastError() << ": " << line;
      return false;
    }
    UniqueHandle process(info.hProcess), thread(info.hThread);
    const DWORD limit = 60000;
    const DWORD start = GetTickCount();
    bool ended = false;
    while (!ended) {
      DWORD elapsed = GetTickCount() - start;
      if (elapsed >= limit) break;
      HANDLE h = process.Get();
      DWORD wait = MsgWaitForMultipleObjects(1, &h, FALSE, limit - elapsed, QS_ALLINPUT);
      if (wait == WAIT_OBJECT_0) ended = true;
      MSG msg;
      while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    }
    if (!ended) {
      TerminateProcess(process.Get(), 1);
      WaitForSingleObject(process.Get(), 10000);
      ADD_FAILURE() << "the child did not end: " << line;
    }
    return ended;
  }

  HWND window_ = nullptr;
  Parent parent_;
  std::string stub_;
  ScratchFolder scratch_;
};

}  // namespace

TEST_F(ChildReportTest, VersionUpdateChildKeepsTheResumeValueBehindItsText) {
  // The program lies in a folder with blanks, and a "Program.exe" waits where an unquoted command
  // line would be cut.
  std::string folder = scratch_.Sub("Program Files x");
  std::string program = InstallChild(folder, "OrvexFlash.exe");
  InstallChild(scratch_.Path(), "Program.exe");

  UpdateInfo info;
  info.prg_files = {"C:\\u\\Prg\\McCPU.prg"};
  HandoffFolders folders;
  folders.run_folder = scratch_.Sub("run 1");
  VersionUpdateStart start;
  start.stage = 3;
  start.resume_value = 0x5;
  HandoffWriteResult written = WriteAutoVerUpFile(info, folders, start);
  ASSERT_EQ(written.count, 1) << written.failure_text;

  ASSERT_TRUE(RunChild({program, ""}, written.path));

  ASSERT_EQ(parent_.received.size(), 2u);
  EXPECT_EQ(parent_.received[0].code, 0u);
  EXPECT_EQ(parent_.received[0].value, 3);              // the stage from AutoVerUp.def
  EXPECT_EQ(parent_.received[0].text, program);         // the quoted program ran, not the decoy
  EXPECT_EQ(parent_.received[0].resume, 0x5u);
  std::string digits;
  for (int i = 0; i < 1019; ++i) digits += static_cast<char>('0' + i % 10);
  EXPECT_EQ(parent_.received[1].code, 256u);
  EXPECT_EQ(parent_.received[1].value, 3);
  EXPECT_EQ(parent_.received[1].text, digits);          // 1,500 characters cut at 1019
  EXPECT_EQ(parent_.received[1].resume, 0x20005u);      // intact at offset 1020
  // What the workflow reads after the process ended.
  EXPECT_EQ(parent_.mapping.ResumeValue(), 0x20005u);
  EXPECT_EQ(parent_.result.code, 256);
  EXPECT_EQ(parent_.result.value, 3);
  EXPECT_EQ(parent_.result.failure_reason, digits);
  ASSERT_EQ(parent_.log.entries.size(), 2u);
  EXPECT_EQ(parent_.log.entries[1], "256:" + digits);
}

TEST_F(ChildReportTest, ParameterChildSucceedsFailsOnRequestAndReportsReadErrors) {
  std::string program = InstallChild(scratch_.Sub("Bin dir"), "OrvexSet.exe");
  UpdateInfo info;
  info.def_files = {"C:\\u\\Para\\a.txt", "", "C:\\u\\Para\\b.txt"};
  HandoffFolders folders;
  folders.run_folder = scratch_.Sub("run 2");
  HandoffWriteResult written = WriteAutoParaFile(info, folders);
  ASSERT_EQ(written.count, 2) << written.failure_text;

  ASSERT_TRUE(RunChild({program, ""}, written.path));
  ASSERT_EQ(parent_.received.size(), 2u);
  EXPECT_EQ(parent_.received[0].value, -1);
  EXPECT_EQ(parent_.received[1].code, 1u);
  EXPECT_EQ(parent_.received[1].value, 2);
  EXPECT_EQ(parent_.received[1].text, "自動更新成功 Cnt = 2");
  EXPECT_TRUE(parent_.result.Succeeded());

  // The test option: one report, code 3, the number as text and value.
  parent_.received.clear();
  ASSERT_TRUE(RunChild({program, "/e 7"}, written.path));
  ASSERT_EQ(parent_.received.size(), 1u);
  EXPECT_EQ(parent_.received[0].code, 3u);
  EXPECT_EQ(parent_.received[0].value, 7);
  EXPECT_EQ(parent_.received[0].text, "デバッグ自動更新失敗終了(7)");
  EXPECT_EQ(parent_.result.code, 3);
  EXPECT_EQ(parent_.result.failure_reason, "デバッグ自動更新失敗終了(7)");

  // A hand-off file that cannot be opened is reported before the child maps the buffer: the code
  // arrives, the text is the cleared buffer's.
  parent_.received.clear();
  ASSERT_TRUE(RunChild({program, ""}, folders.run_folder + "gone\\AutoPara.def"));
  ASSERT_EQ(parent_.received.size(), 1u);
  EXPECT_EQ(parent_.received[0].code, 2u);
  EXPECT_EQ(parent_.received[0].text, "");
  EXPECT_EQ(parent_.result.code, 2);
}

TEST_F(ChildReportTest, ChildSideMappingChecks) {
  // A size on the command line larger than the mapping is cut to the mapped view.
  ChildArguments args;
  args.report_window = reinterpret_cast<uintptr_t>(window_);
  args.report_message = kChildReportMessage;
  args.report_mapping = reinterpret_cast<uintptr_t>(parent_.mapping.Handle());
  args.report_size = 0xFFFFFFFF;
  ChildReporter reporter(ChildTool::kParameterTool, args);
  ASSERT_TRUE(reporter.MapBuffer());
  EXPECT_LE(reporter.BufferSize(), 65536u);
  EXPECT_GE(reporter.BufferSize(), kReportBufferSize);
  reporter.SetValue(4);
  reporter.Report(0, std::string(100000, 'y'));
  ASSERT_EQ(parent_.received.size(), 1u);
  EXPECT_EQ(parent_.received[0].value, 4);

  // A handle that is no mapping cannot be mapped: the tool shows its message and closes.
  ChildArguments bogus = args;
  bogus.report_mapping = 0x7FFF0;
  ChildReporter failing(ChildTool::kVersionUpdateTool, bogus);
  EXPECT_FALSE(failing.MapBuffer());
  // Without a mapping the report still goes out.
  failing.SetValue(-5);
  failing.Report(1, "done");
  ASSERT_EQ(parent_.received.size(), 2u);
  EXPECT_EQ(parent_.received[1].value, -5);
  EXPECT_EQ(parent_.received[1].code, 1u);
}
