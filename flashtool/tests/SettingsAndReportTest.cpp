// The system settings' level writer, the clipboard report and the main window's watchdog.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ClipboardReport.h"
#include "DebugLevels.h"
#include "DeviceRecords.h"
#include "MainWindowRules.h"
#include "NumberText.h"

using namespace orvex;
using namespace orvex::flash;

namespace {

class FakeSystem : public DebugLevelSystem {
 public:
  bool attached = false;
  uint32_t driver_error = 0;  // for the first request
  uint32_t library_error = 0;
  uint32_t driver_version = 0x01010400;
  uint32_t registry_error = 0;
  bool vista = true;
  HelperRun helper{true, 0, true, 0};
  std::vector<std::string> calls;

  uint32_t ReadRegistry(uint32_t*, uint32_t*) override { return 0; }
  bool DeviceAttached() override { return attached; }
  uint32_t SendToDriver(bool driver, uint32_t level) override {
    calls.push_back(std::string(driver ? "driver " : "library ") + std::to_string(level));
    return driver ? driver_error : library_error;
  }
  uint32_t DriverVersion() override { return driver_version; }
  uint32_t WriteRegistry(uint32_t d, uint32_t l) override {
    calls.push_back("registry " + std::to_string(d) + " " + std::to_string(l));
    return registry_error;
  }
  bool ElevationAvailable() override { return vista; }
  HelperRun RunElevated(const std::string& file, const std::string& parameters) override {
    calls.push_back(file + " " + parameters);
    return helper;
  }
};

LevelWrite Write(FakeSystem& s) { return WriteDebugLevels(s, 0x1F, 0x2A, "C:\\Orvex Tools\\"); }

}  // namespace

TEST(DebugLevels, AnAttachedDriverTakesBothLevels) {
  FakeSystem s;
  s.attached = true;
  EXPECT_EQ(Write(s).status, 3);
  EXPECT_EQ(s.calls, (std::vector<std::string>{"driver 31", "library 42"}));  // no registry write
  s.driver_version = 0x010103FF;  // 1.1.3.255 needs a reset
  EXPECT_EQ(Write(s).status, 2);

  // A driver without the request: the registry, and then the device needs a reset.
  s.calls.clear();
  s.library_error = kErrorInvalidFunction;
  EXPECT_EQ(Write(s).status, 2);
  EXPECT_EQ(s.calls.back(), "registry 31 42");

  s.library_error = 0;
  s.driver_error = 31;
  LevelWrite w = Write(s);
  EXPECT_EQ(w.status, -1);
  EXPECT_EQ(w.error, 31u);
}

TEST(DebugLevels, RegistryAndTheElevatedHelper) {
  FakeSystem s;
  EXPECT_EQ(Write(s).status, 1);
  EXPECT_EQ(s.calls, (std::vector<std::string>{"registry 31 42"}));

  s.registry_error = 2;  // no key: the driver is not installed
  LevelWrite w = Write(s);
  EXPECT_EQ(w.status, 0);
  EXPECT_EQ(w.error, 2u);

  s.calls.clear();
  s.registry_error = kErrorAccessDenied;
  EXPECT_EQ(Write(s).status, 1);
  ASSERT_EQ(s.calls.size(), 2u);
  EXPECT_EQ(s.calls[1],
            "\"C:\\Orvex Tools\\OrvexKeys.exe\" "
            "\"SYSTEM\\CurrentControlSet\\Services\\Orvex\\Parameters\\DebugLevel\" 0x1F "
            "\"SYSTEM\\CurrentControlSet\\Services\\Orvex\\DLL\\DebugLevel\" 0x2A");
  s.attached = true;
  s.driver_error = kErrorInvalidFunction;
  EXPECT_EQ(Write(s).status, 2);

  s.helper.exit_code = 2;
  w = Write(s);
  EXPECT_EQ(w.status, -2);
  s.helper = {false, 1223, false, 0};  // the user declined the elevation
  w = Write(s);
  EXPECT_EQ(w.status, -2);
  EXPECT_EQ(w.error, 1223u);
  s.helper = {true, 0, false, 0};  // nothing to wait for counts as done
  EXPECT_EQ(Write(s).status, 2);

  s.vista = false;
  w = Write(s);
  EXPECT_EQ(w.status, 0);
  EXPECT_EQ(w.error, kErrorAccessDenied);
}

TEST(DebugLevels, DialogTextsAndDecisions) {
  // The edits: leading characters that are no digits are skipped, at most eight digits taken.
  EXPECT_EQ(HexValueLoose("  1f"), 0x1Fu);
  EXPECT_EQ(HexValueLoose("123456789"), 0x12345678u);
  EXPECT_EQ(ParseLevelText("0x1F"), 0x1Fu);
  EXPECT_EQ(ParseLevelText(" 42"), 42u);
  EXPECT_EQ(ParseLevelText("99999999999"), 0xFFFFFFFFu);
  EXPECT_FALSE(ParseLevelText("level"));

  EXPECT_EQ(DecideAfterWrite(1), SettingsAfterWrite::kCloseOk);
  EXPECT_EQ(DecideAfterWrite(3), SettingsAfterWrite::kCloseOk);
  EXPECT_EQ(DecideAfterWrite(2), SettingsAfterWrite::kAskReset);
  EXPECT_EQ(DecideAfterWrite(0), SettingsAfterWrite::kShowRegistryError);
  EXPECT_EQ(DecideAfterWrite(-1), SettingsAfterWrite::kShowUpdateError);
  EXPECT_EQ(DecideAfterWrite(-2), SettingsAfterWrite::kCloseQuietly);
  EXPECT_EQ(UpdateFailedText(-1, 31), "システム設定内容の更新に失敗しました。\n\nStatus = -1, Error = 31");
}

TEST(ClipboardReport, WithoutADeviceAndWithoutFiles) {
  ClipboardFacts f;
  f.folder = "C:\\pkg\\";
  f.library_version = 0x01010203;
  f.expected_library_version = 0x01010203;
  f.device_rows = {{"(MC)", "本体", "", "ﾃﾞﾊﾞｲｽ接続待機...", ""}};
  const std::string d = std::string(80, '-') + "\r\n";
  std::string expected = d + " 更新ファイル一覧[C:\\pkg\\]\r\n" + d + "\r\n" + d + " デバイス・バージョン一覧\r\n" +
                         " DLL Ver 1.1.2.3 (1.1.2.3)\r\n SYS Ver 0.0.0.0\r\n\r\n" + " 最大制御回線数 = 0\r\n" + d +
                         "(MC)    , 本体       ,                         , ﾃﾞﾊﾞｲｽ接続待機...                , "
                         "                        \r\n" +
                         "\r\n" + d + " End of Information\r\n" + d;
  EXPECT_EQ(BuildClipboardReport(f), expected);
}

TEST(ClipboardReport, RowsAndVoiceChannels) {
  ClipboardFacts f;
  f.max_lines = 60;
  f.file_rows = {{"A_VERY_LONG_FILE_NAME.prg", "MC-CPU (00)", "2.103", "65,568 (   65,568)", "2024/03/07 09:05:00",
                  "2103 0001 0000 0120  0000 0000 0000 0000"}};
  std::string text = BuildClipboardReport(f);
  EXPECT_NE(text.find(" 最大制御回線数 = 60, 音声制御可能ﾁｬﾈﾙ = 1 ～ 60\r\n"), std::string::npos);
  // A cell longer than its column is not cut and gets no blanks.
  EXPECT_NE(text.find("A_VERY_LONG_FILE_NAME.prg, MC-CPU (00)          , 2.103      , "), std::string::npos);
  f.voice_channels = 24;
  EXPECT_NE(BuildClipboardReport(f).find("音声制御可能ﾁｬﾈﾙ = 1 ～ 24\r\n"), std::string::npos);
}

TEST(MainWindow, WatchdogAndPaths) {
  EXPECT_FALSE(WatchdogReport(kPhaseWaitDevice, 30000, 30000));
  EXPECT_EQ(WatchdogReport(kPhaseWaitDevice, 30001, 30000), "デバイス接続待機時間オーバー(30秒)");
  EXPECT_EQ(WatchdogReport(kPhaseWaitSystemChannel, 90000, 60000), "システム・チャネル接続待機時間オーバー(60秒)");
  EXPECT_FALSE(WatchdogReport(kPhaseRunning, 900000, 60000));

  EXPECT_EQ(HelpFilePath("C:\\Tools\\OrvexFlash.exe"), "C:\\Tools\\OrvexFlash.chm");
  EXPECT_EQ(HelpFilePath("C:\\v1.2\\OrvexFlash"), "C:\\v1.2\\OrvexFlash.chm");

  EXPECT_EQ(LostDeviceValue(0x100, 1167), 0u);
  EXPECT_EQ(LostDeviceValue(0x200, 31), 31u);
  EXPECT_EQ(LostDeviceValue(0x200, 0), 1u);
  // A write's end comes just before the adapter restarts: it must still count once the device
  // check fails; other records of a device that left do not.
  EXPECT_TRUE(HandledAfterDeviceLeft(kCodeTransferEnd));
  EXPECT_TRUE(HandledAfterDeviceLeft(kCodeTransferProgress));
  EXPECT_FALSE(HandledAfterDeviceLeft(kCodeChannelStarted));
  EXPECT_EQ(FolderDialogTitle("bin"), "更新ファイル(*.bin) が存在するフォルダの指定");
}
