// The update dialog's progress arithmetic and its status and report texts.
#include <gtest/gtest.h>

#include "DeviceRecords.h"
#include "UpdateTransferRules.h"

using namespace orvex;
using namespace orvex::flash;

TEST(UpdateTransfer, ProgressScaleAndPosition) {
  EXPECT_EQ(ProgressScale(1001), 5000);
  EXPECT_EQ(ProgressPosition(1001, 3, 100), 1401);
  EXPECT_EQ(ProgressPosition(1001, 1, 500), 0);
  EXPECT_EQ(ProgressPosition(1001, 10, 0), 5000);
  // A remaining count above V / 2 counts as V / 2: the pass starts where the last one ended.
  EXPECT_EQ(ProgressPosition(1001, 3, 100000), ProgressPosition(1001, 3, 500));
  EXPECT_EQ(ProgressPosition(1001, 3, 100000), 1001);
  // Reports outside the ten passes stay on the bar.
  EXPECT_EQ(ProgressPosition(1001, 0, 0), 0);
  EXPECT_EQ(ProgressPosition(1001, 200, 0), 5000);
  EXPECT_EQ(ProgressScale(0xFFFFFF), 83886070);
}

TEST(UpdateTransfer, StatusTexts) {
  uint8_t payload[8] = {0x03, 0x00, 0x00, 0x00, 0x64, 0x00, 0x00, 0x00};
  auto record = BuildNotificationRecord(5, kCodeTransferProgress, payload, sizeof payload);
  std::string detail = RecordDetailText(record.data());
  EXPECT_EQ(detail, " 03 00 00 00 64 00 00 00");
  EXPECT_EQ(ProgressText(detail), "実行中 : 03 00 00 00 64 00 00 00");
  EXPECT_EQ(EndFailedText(0x12, detail), "異常終了 Err = 12h :  03 00 00 00 64 00 00 00");

  EXPECT_EQ(NoAnswerText(RunningText()), "更新失敗(デバイス応答無)");
  EXPECT_EQ(NoAnswerText(ProgressText(" 01 02")), "更新失敗(デバイス応答無) Err =  01 02");
  EXPECT_EQ(AutoNoAnswerText("更新失敗(デバイス応答無)"), "更新異常(デバイス応答無)");
  EXPECT_EQ(AutoEndFailedText("異常終了 Err = 11h :  00"), "更新失敗 Err = 11h :  00");

  EXPECT_EQ(WriteRefusedText(255), "更新失敗(更新ﾌｧｲﾙ形式不可 Stat = 255)");
  EXPECT_EQ(WriteRefusedText(-1), "更新失敗(ﾃﾞﾊﾞｲｽ異常 Stat = -1)");
  EXPECT_EQ(AutoLostDeviceText(0), "更新失敗(デバイス取外検知)");
  EXPECT_EQ(AutoLostDeviceText(1167), "更新失敗(デバイス異常検知=1167)");
  EXPECT_EQ(TitleText("バージョン更新", "MC_CPU.prg", "MC-CPU (00)", "2.103"),
            "バージョン更新 - <MC_CPU.prg> MC-CPU (00) Ver 2.103");
}

TEST(UpdateTransfer, ReplaceFirstMatchesWholeCharactersOnly) {
  // "\x8E\xB8" + "\x94\x73" is 失敗; a match that starts on a trail byte does not count.
  EXPECT_EQ(ReplaceFirst("a失敗b失敗", "失敗", "X"), "aXb失敗");
  EXPECT_EQ(ReplaceFirst("\x81\x8E\xB8\x94\x73", "\x8E\xB8", "X"), "\x81\x8E\xB8\x94\x73");
  EXPECT_EQ(ReplaceFirst("abc", "", "X"), "abc");
}
