// OrvexFlash's main window in manual mode, in process, against a fresh simulated adapter: what
// the end-to-end tests do not reach from outside (device faults and alarms, an adapter attached
// at once, files that change under the list). The end-to-end tests cover the rest.
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "FlashIds.h"
#include "FlashTestSupport.h"
#include "MainWindow.h"
#include "ScratchFolder.h"
#include "ShowMessage.h"
#include "SimFolder.h"
#include "Wide.h"

using namespace orvex;
using namespace orvex::flash;
using namespace orvex::flash::test;
using orvex::autoupdate::test_support::ScratchFolder;

namespace {

// A first-generation main board, so that main-controller programs of the first family are listed.
// Its progress reports come slower than the rest of the fast adapter: the write itself keeps the
// window busy for 300 ms, and reports handled after the restart would find the device gone.
constexpr char kFirstGeneration[] =
    "mc = 0x00 0x1105 0x1010 0x2001 0x0100\nprogress_steps = 1\nprogress_interval_ms = 1000\n";

class ManualWindow : public ::testing::Test {
 protected:
  void Open(const std::string& sim_lines) {
    sim = std::make_unique<orvex::test::SimFolder>(sim_lines);
    FlashStart start;
    start.update_folder = folder.Path();
    main = std::make_unique<MainWindow>(std::move(start), nullptr);
    ASSERT_TRUE(main->Create(GetModuleHandleW(nullptr), IDD_FLASH_MAIN, nullptr));
  }
  void TearDown() override {
    if (main && main->hwnd()) DestroyWindow(main->hwnd());
    main.reset();
    PumpFor(50);
  }
  void WriteImage(const std::string& name, const char* magic, uint8_t kind, uint8_t sub, uint16_t version,
                  size_t size = 4000) {
    WriteFileBytes(folder.Path() + name, Image(magic, kind, sub, version, size));
  }
  std::vector<std::vector<std::string>> Devices() { return main->Devices().Rows(); }
  std::string McStatus() {
    auto rows = Devices();
    return rows.empty() ? std::string() : rows[0][3];
  }
  // Waits for the main controller's row to show its versions (the device has started).
  bool WaitStarted() {
    return PumpUntil([&] {
      auto rows = Devices();
      return !rows.empty() && !rows[0][2].empty() && IsWindowEnabled(GetDlgItem(main->hwnd(), IDC_MAIN_UPDATE));
    });
  }
  // Runs the update of `name` and closes the update dialog once `finished` says so; what the
  // dialog showed at that moment.
  struct Shown {
    std::string title, status;
    int state = -9;
    int position = -1, range = -1;
    COLORREF color = 0;
  };
  Shown RunUpdate(const std::string& name, const std::function<bool(int state)>& finished) {
    Shown shown;
    if (!main->Files().SelectOnly(name)) {
      ADD_FAILURE() << name << " is not listed";
      return shown;
    }
    const ULONGLONG deadline = GetTickCount64() + 30000;
    Ticker ticker([&] {
      UpdateDialog* d = main->OpenUpdateDialog();
      if (d == nullptr || d->hwnd() == nullptr) return;
      HWND h = d->hwnd();
      if (finished(d->State()) || GetTickCount64() > deadline) {
        shown.title = WindowText(h);
        shown.status = ItemText(h, IDC_UPDATE_STATUS);
        shown.state = d->State();
        shown.position = static_cast<int>(SendDlgItemMessageW(h, IDC_UPDATE_PROGRESS, PBM_GETPOS, 0, 0));
        shown.range = static_cast<int>(SendDlgItemMessageW(h, IDC_UPDATE_PROGRESS, PBM_GETRANGE, FALSE, 0));
        HDC dc = GetDC(h);
        SendMessageW(h, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                     reinterpret_cast<LPARAM>(GetDlgItem(h, IDC_UPDATE_STATUS)));
        shown.color = GetTextColor(dc);
        ReleaseDC(h, dc);
        if (d->State() == kUpdateRunning) {
          EndDialog(h, IDCANCEL);  // out of time: leave all the same
        } else {
          SendMessageW(h, WM_COMMAND, IDC_UPDATE_CLOSE, 0);
        }
      }
    });
    SendMessageW(main->hwnd(), WM_COMMAND, IDC_MAIN_UPDATE, 0);
    return shown;
  }

  std::unique_ptr<orvex::test::SimFolder> sim;
  ScratchFolder folder;
  MessageRecorder recorder;
  std::unique_ptr<MainWindow> main;
};

}  // namespace

TEST_F(ManualWindow, RefusedFormatAndTransferFailures) {
  WriteImage("MC_CPU.prg", kMagicMain, 0x00, 0x00, 0x1203);
  WriteFileBytes(folder.Path() + "SHORT.prg", Image(kMagicMain, 0x10, 0x00, 0x1000, 40));
  Open(std::string(kFirstGeneration) + "fault.refuse_image = 255\nfault.refuse_image.times = 1\n");
  ASSERT_TRUE(WaitStarted());
  Shown shown = RunUpdate("MC_CPU.prg", [](int state) { return state == kUpdateIdle; });
  EXPECT_EQ(shown.status, "更新失敗(更新ﾌｧｲﾙ形式不可 Stat = 255)");
  EXPECT_EQ(shown.color, RGB(0xC0, 0, 0));
  // A file cut short after it was listed: the channel refuses it before the device sees it.
  WriteFileBytes(folder.Path() + "SHORT.prg", std::vector<uint8_t>(30, 0x4B));
  shown = RunUpdate("SHORT.prg", [](int state) { return state == kUpdateIdle; });
  EXPECT_EQ(shown.status, "更新失敗(ﾃﾞﾊﾞｲｽ異常 Stat = -1)");
  EXPECT_EQ(recorder.Calls().size(), 2u);  // the two questions, no other box
}

TEST_F(ManualWindow, FatalAlarmOffersTheReset) {
  Open("fault.alarm = 0x42\nfault.alarm.times = 1\n");
  ASSERT_TRUE(PumpUntil([&] { return !recorder.Calls().empty(); }));
  EXPECT_EQ(recorder.Calls()[0].text, FatalAlarmQuestion(0x42));
  ASSERT_TRUE(sim->WaitForLog("hardware reset"));
  ASSERT_TRUE(WaitStarted());
}

TEST_F(ManualWindow, AbnormalDetachIsShownAndTheAttachStartsAgain) {
  Open("fault.detach = 0x200 31 50\nfault.detach.times = 1\n");
  ASSERT_TRUE(PumpUntil([&] { return McStatus() == "ﾃﾞﾊﾞｲｽ異常 Stat = 200h, Err = 31"; })) << McStatus();
  EXPECT_TRUE(recorder.Calls().empty());
  ASSERT_TRUE(WaitStarted());
}

TEST_F(ManualWindow, AnAdapterAttachedAtOnceIsUsed) {
  Open("attach_at_once = 1\n");
  ASSERT_TRUE(WaitStarted());
  EXPECT_EQ(Devices().size(), 5u);
  EXPECT_EQ(sim->Log().find("attach under way"), std::string::npos);
}


TEST_F(ManualWindow, AFailedAttachCallIsShownAndTriedAgain) {
  Open("fault.attach_result = 3\nfault.attach_result.times = 2\n");
  ASSERT_TRUE(PumpUntil([&] { return McStatus() == "ﾃﾞﾊﾞｲｽ接続異常 Stat = 3h, Err = 31"; })) << McStatus();
  ASSERT_TRUE(WaitStarted());
  EXPECT_EQ(Devices().size(), 5u);
  EXPECT_TRUE(recorder.Calls().empty());
}
