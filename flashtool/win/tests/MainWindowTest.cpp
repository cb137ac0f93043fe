// OrvexFlash's main window in manual mode, in process, against a fresh simulated adapter: the
// two lists, the update dialog, the reset, the alarms, the clipboard report.
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "ClipboardReport.h"
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
  std::vector<std::string> FileNames() {
    std::vector<std::string> names;
    for (const auto& row : main->Files().Rows()) names.push_back(row[0]);
    return names;
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
  bool Said(const std::string& text) {
    for (const MessageCall& call : recorder.Calls())
      if (call.text == text) return true;
    return false;
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

TEST_F(ManualWindow, ListsTheFilesThatFitAndTheDevice) {
  WriteImage("MC_CPU.prg", kMagicMain, 0x00, 0x00, 0x2103);
  WriteImage("PV_CPU.prg", kMagicSecond, 0x20, 0x40, 0x3001);
  WriteImage("INS64_CPU.prg", kMagicMain, 0x10, 0x00, 0x1012, 4001);
  WriteImage("OTHER.bin", kMagicMain, 0x10, 0x00, 0x1012);
  Open(kFirstGeneration);
  EXPECT_EQ(ItemText(main->hwnd(), IDC_MAIN_FOLDER), folder.Path() + "*.prg");
  ASSERT_TRUE(WaitStarted());
  // With the main board of the first generation the second family's file goes.
  ASSERT_TRUE(PumpUntil([&] { return FileNames().size() == 2; })) << FileNames().size();
  EXPECT_EQ(FileNames(), (std::vector<std::string>{"INS64_CPU.prg", "MC_CPU.prg"}));
  auto rows = main->Files().Rows();
  EXPECT_EQ(rows[0][1], "INS64-CPU (00)");
  EXPECT_EQ(rows[0][2], "1.012");
  EXPECT_EQ(rows[0][3], "4,001 (    4,001)");
  EXPECT_EQ(rows[1][1], "MC-CPU (00)");
  EXPECT_EQ(rows[1][5], "2103 0000 0000 0000  0000 0000 0000 0000");

  auto devices = Devices();
  ASSERT_EQ(devices.size(), 5u);
  EXPECT_EQ(devices[0][0], "(MC)");
  EXPECT_EQ(devices[0][1], "本体 USB2.0");
  EXPECT_EQ(devices[0][2], "1.105 1.010 2.001 0.100");
  EXPECT_EQ(devices[3][0], "03");
  EXPECT_EQ(devices[3][1], "INS64");
  EXPECT_EQ(devices[3][2], "1.000 1.020 1.105");
  EXPECT_EQ(devices[4][1], "PVﾎﾞｰﾄﾞ");
  EXPECT_TRUE(IsWindowEnabled(GetDlgItem(main->hwnd(), IDC_MAIN_RESET)));
  EXPECT_TRUE(recorder.Calls().empty());
}

TEST_F(ManualWindow, AShortFileStopsTheFill) {
  WriteImage("A_GOOD.prg", kMagicMain, 0x10, 0x00, 0x1012);
  WriteFileBytes(folder.Path() + "B_SHORT.prg", std::vector<uint8_t>(31, 0x4B));
  Open("present = 0\n");
  EXPECT_TRUE(Said("ファイル検索に失敗しました"));
  EXPECT_EQ(FileNames(), (std::vector<std::string>{"A_GOOD.prg"}));
  // Without a device the list waits, the buttons stay off.
  EXPECT_EQ(McStatus(), "ﾃﾞﾊﾞｲｽ接続待機...");
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(main->hwnd(), IDC_MAIN_UPDATE)));
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(main->hwnd(), IDC_MAIN_RESET)));
}

TEST_F(ManualWindow, UpdateRunsToTheEndAndTheDeviceComesBackWithTheNewVersion) {
  WriteImage("MC_CPU.prg", kMagicMain, 0x00, 0x00, 0x1203, 1001);
  Open(kFirstGeneration);
  ASSERT_TRUE(WaitStarted());
  Shown shown = RunUpdate("MC_CPU.prg", [](int state) { return state == kUpdateSucceeded; });
  ASSERT_EQ(recorder.Calls().size(), 1u);
  EXPECT_EQ(recorder.Calls()[0].caption, "更新確認");
  EXPECT_EQ(recorder.Calls()[0].text, UpdateQuestion("MC_CPU.prg"));
  EXPECT_EQ(shown.title, "バージョン更新 - <MC_CPU.prg> MC-CPU (00) Ver 1.203");
  EXPECT_EQ(shown.status, "正常に終了しました");
  EXPECT_EQ(shown.range, 5000);  // a valid size of 1001 (sent as 1002 bytes)
  EXPECT_EQ(shown.position, 5000);
  EXPECT_EQ(shown.color, RGB(0, 0, 0xC0));
  // The adapter restarts with the program it was given.
  ASSERT_TRUE(PumpUntil([&] { auto d = Devices(); return !d.empty() && d[0][2] == "1.105 1.203 2.001 0.100"; }))
      << Devices()[0][2];
  EXPECT_EQ(sim->State().mc.words[1], 0x1203);
}

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

TEST_F(ManualWindow, ResetButtonAsksAndResetsTheAdapter) {
  Open("");
  ASSERT_TRUE(WaitStarted());
  SendMessageW(main->hwnd(), WM_COMMAND, IDC_MAIN_RESET, 0);
  ASSERT_EQ(recorder.Calls().size(), 1u);
  EXPECT_EQ(recorder.Calls()[0].caption, "リセット確認");
  EXPECT_EQ(recorder.Calls()[0].buttons, static_cast<UINT>(MB_YESNO));
  ASSERT_TRUE(sim->WaitForLog("hardware reset"));
  // The adapter leaves and comes back: the list starts again from the main controller's row.
  ASSERT_TRUE(PumpUntil([&] { return Devices().size() == 1; }));
  ASSERT_TRUE(WaitStarted());
  EXPECT_EQ(Devices().size(), 5u);
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

TEST_F(ManualWindow, ClipboardReportInBothFormats) {
  WriteImage("INS64_CPU.prg", kMagicMain, 0x10, 0x00, 0x1012);
  Open("");
  ASSERT_TRUE(WaitStarted());
  SendMessageW(main->hwnd(), WM_COMMAND, IDC_MAIN_CLIP, 0);
  ASSERT_FALSE(recorder.Calls().empty());
  EXPECT_EQ(recorder.Calls().back().text, ClipboardDoneText());
  ASSERT_TRUE(OpenClipboard(nullptr));
  std::string text, unicode;
  if (HANDLE h = GetClipboardData(CF_TEXT)) {
    text = static_cast<const char*>(GlobalLock(h));
    GlobalUnlock(h);
  }
  if (HANDLE h = GetClipboardData(CF_UNICODETEXT)) {
    unicode = FromWide(static_cast<const wchar_t*>(GlobalLock(h)));
    GlobalUnlock(h);
  }
  CloseClipboard();
  const std::string d = std::string(80, '-') + "\r\n";
  EXPECT_EQ(text.substr(0, d.size() * 3 + 30).find(d + " 更新ファイル一覧[" + folder.Path() + "]\r\n" + d), 0u);
  EXPECT_NE(text.find("INS64_CPU.prg     , INS64-CPU (00)       , 1.012      , "), std::string::npos);
  EXPECT_NE(text.find(" DLL Ver 1.1.2.3 (1.1.2.3)\r\n SYS Ver 1.1.4.0\r\n\r\n 最大制御回線数 = 60, 音声制御可能ﾁｬﾈﾙ = 1 ～ 60\r\n"),
            std::string::npos);
  EXPECT_NE(text.find("(MC)    , 本体 USB2.0, 1.105 2.010 2.001 0.100 , "), std::string::npos);
  EXPECT_EQ(text.substr(text.size() - d.size() * 2 - 23), "\r\n" + d + " End of Information\r\n" + d);
  EXPECT_EQ(unicode, text);
}
