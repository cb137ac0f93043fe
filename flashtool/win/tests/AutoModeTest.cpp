// OrvexFlash's automatic mode in process: the main window run as OrvexRoll's child would run it,
// its reports caught by a parent window through a real report buffer.
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "ChildReport.h"
#include "ChildReporter.h"
#include "FlashTestSupport.h"
#include "MainWindow.h"
#include "ScratchFolder.h"
#include "ShowMessage.h"
#include "SimFolder.h"
#include "TestImages.h"
#include "UiDriver.h"
#include "Wide.h"

using namespace orvex;
using namespace orvex::flash;
using namespace orvex::flash::test;
using orvex::autoupdate::test_support::ScratchFolder;

namespace {

// OrvexRoll's side: the UI driver's report parent (a window for WM_CHILD_REPORT and the report
// buffer), here in the same process.
class Parent {
 public:
  autoupdate::ChildArguments Arguments() const {
    autoupdate::ChildArguments a;
    a.automatic = true;
    a.handoff_path = "C:\\run\\AutoVerUp.def";
    a.report_window = reinterpret_cast<uintptr_t>(parent_.window());
    a.report_message = autoupdate::kChildReportMessage;
    a.report_mapping = reinterpret_cast<uintptr_t>(parent_.mapping());
    a.report_size = autoupdate::kReportBufferSize;
    return a;
  }
  std::vector<uidriver::ChildReportRecord> Reports() const { return parent_.Reports(); }
  bool Said(const std::string& text) const {
    for (const auto& r : parent_.Reports())
      if (r.text == text) return true;
    return false;
  }

 private:
  uidriver::ReportParent parent_;
};

class AutoMode : public ::testing::Test {
 protected:
  // Runs the window to its end (at most `limit_ms`); its result.
  INT_PTR Run(const std::string& sim_lines, autoupdate::AutoVerUpContent handoff, DWORD limit_ms = 30000,
              autoupdate::ChildArguments args = {}) {
    sim = std::make_unique<orvex::test::SimFolder>(sim_lines);
    FlashStart start;
    start.args = args.automatic ? args : parent.Arguments();
    start.handoff_files = static_cast<int>(handoff.program_files.size());
    start.handoff = std::move(handoff);
    autoupdate::ChildReporter reporter(autoupdate::ChildTool::kVersionUpdateTool, start.args);
    MainWindow window(std::move(start), &reporter);
    const ULONGLONG deadline = GetTickCount64() + limit_ms;
    Ticker guard([&] {
      if (GetTickCount64() > deadline && window.hwnd()) PostMessageW(window.hwnd(), WM_CLOSE, 0, 0);
    });
    return window.Run();
  }

  std::string Write(const std::string& sub, const std::string& name, const std::vector<uint8_t>& bytes) {
    std::string path = folder.Sub(sub) + name;
    WriteFileBytes(path, bytes);
    return path;
  }

  Parent parent;
  ScratchFolder folder;
  MessageRecorder recorder;
  std::unique_ptr<orvex::test::SimFolder> sim;
};

// Progress reports slow enough for the window to follow them (see ManualWindow).
constexpr char kPaced[] = "progress_steps = 1\nprogress_interval_ms = 1000\n";

}  // namespace

TEST_F(AutoMode, UpdatesWhatIsNeededAndWritesTheParametersBack) {
  autoupdate::AutoVerUpContent h;
  h.program_files = {Write("pkg", "INS64_CPU.prg", Image(kMagicMain, 0x10, 0x00, 0x1200, 3000)),
                     Write("pkg", "PV_CPU.prg", Image(kMagicSecond, 0x20, 0x40, 0x1100, 3001)),
                     Write("pkg", "INS1500.prg", Image(kMagicMain, 0x10, 0x20, 0x1300, 3000))};
  const std::vector<uint8_t> parameters = orvex::test::ParameterFile(0x2002);
  h.fixed_slots[3] = Write("run", "MCPARA.prg", parameters);
  EXPECT_EQ(Run(kPaced, h), -1);
  ASSERT_FALSE(parent.Reports().empty());
  const uidriver::ChildReportRecord last = parent.Reports().back();
  EXPECT_EQ(last.code, autoupdate::kReportSuccess) << last.text;
  EXPECT_EQ(last.text, "自動更新成功 Cnt = 3 / 4");
  EXPECT_EQ(last.value, kStageFinished);
  EXPECT_EQ(last.resume, 0x8u);
  EXPECT_TRUE(parent.Said("更新開始(v1.105) : INS64_CPU.prg(10h, 00h, v1.200)"));
  EXPECT_TRUE(parent.Said("更新不要(未装着) : INS1500.prg(10h, 20h, v1.300)"));
  EXPECT_TRUE(parent.Said("更新開始(v2.001) : MCPARA.prg(91h, 03h, v2.002)"));
  EXPECT_TRUE(parent.Said("更新成功"));
  EXPECT_TRUE(recorder.Calls().empty());
  // Every report before the end carries its stage.
  for (const auto& r : parent.Reports()) {
    if (r.text.find("INS64_CPU.prg") != std::string::npos) {
      EXPECT_EQ(r.value, 2);
    }
    if (r.text.find("MCPARA.prg") != std::string::npos) {
      EXPECT_EQ(r.value, -4);
    }
  }
  sim::SimState s = sim->State();
  EXPECT_EQ(s.boards[3].words[2], 0x1200);
  EXPECT_EQ(s.boards[4].words[2], 0x1100);
  EXPECT_EQ(s.mc.words[2], 0x2002);
  EXPECT_EQ(sim->ReadFile("Parameters.prg"), std::string(parameters.begin(), parameters.end()));
}

TEST_F(AutoMode, ARefusedFormatMovesOnToTheNextFile) {
  autoupdate::AutoVerUpContent h;
  h.program_files = {Write("pkg", "A_INS64.prg", Image(kMagicMain, 0x10, 0x00, 0x1200, 3000)),
                     Write("pkg", "B_PV.prg", Image(kMagicSecond, 0x20, 0x40, 0x1100, 3000))};
  EXPECT_EQ(Run(std::string(kPaced) + "fault.refuse_image = 255\nfault.refuse_image.times = 1\n", h), -1);
  EXPECT_TRUE(parent.Said("フラッシュ書換データ転送失敗 Err = 255"));
  EXPECT_EQ(parent.Reports().back().text, "自動更新成功 Cnt = 1 / 2");
}

TEST_F(AutoMode, AFailedWriteIsRetriedAndTheRetriesRunOut) {
  autoupdate::AutoVerUpContent h;
  h.retry_count = 1;
  h.program_files = {Write("pkg", "INS64_CPU.prg", Image(kMagicMain, 0x10, 0x00, 0x1200, 3000))};
  EXPECT_EQ(Run(std::string(kPaced) + "restart_after_failure = 1\nfault.write_result = 0x12\n", h), -1);
  EXPECT_TRUE(parent.Said("更新失敗 Err = 12h :  12 00 00 00 00 00 00 00"));
  EXPECT_TRUE(parent.Said("更新リトライ Cnt = 1"));
  EXPECT_EQ(parent.Reports().back().code, autoupdate::kReportDeviceError);
  EXPECT_EQ(parent.Reports().back().text, "更新リトライ回数オーバー");
  EXPECT_EQ(parent.Reports().back().value, 2);
}

TEST_F(AutoMode, TheWatchdogEndsARunWithoutADevice) {
  autoupdate::AutoVerUpContent h;
  h.wait_ms = 1000;
  EXPECT_EQ(Run("present = 0\n", h), -1);
  ASSERT_EQ(parent.Reports().size(), 1u);
  EXPECT_EQ(parent.Reports()[0].code, autoupdate::kReportDeviceError);
  EXPECT_EQ(parent.Reports()[0].text, "デバイス接続待機時間オーバー(1秒)");
  EXPECT_EQ(parent.Reports()[0].value, 0);
}

TEST_F(AutoMode, TestFailureReportsWithoutTheDevice) {
  autoupdate::ChildArguments args = parent.Arguments();
  args.test_failure = true;
  args.test_value = 7;
  EXPECT_EQ(Run("", {}, 10000, args), 255);
  ASSERT_EQ(parent.Reports().size(), 1u);
  EXPECT_EQ(parent.Reports()[0].code, autoupdate::kReportResourceError);
  EXPECT_EQ(parent.Reports()[0].text, "デバッグ自動更新失敗終了(7)");
  EXPECT_EQ(parent.Reports()[0].value, 7);
  EXPECT_EQ(sim->Log().find("opened"), std::string::npos);
}

TEST_F(AutoMode, AHandOffFileThatCouldNotBeReadEndsTheRunAtOnce) {
  // Its reader has reported the failure; running on with no files would report a success.
  sim = std::make_unique<orvex::test::SimFolder>("");
  FlashStart start;
  start.args = parent.Arguments();
  start.handoff_files = -1;
  autoupdate::ChildReporter reporter(autoupdate::ChildTool::kVersionUpdateTool, start.args);
  MainWindow window(std::move(start), &reporter);
  EXPECT_EQ(window.Run(), -1);
  EXPECT_TRUE(parent.Reports().empty());
  EXPECT_EQ(sim->Log().find("opened"), std::string::npos);
}
