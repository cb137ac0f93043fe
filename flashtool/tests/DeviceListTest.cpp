// The channel version table and the device list's texts.
#include <gtest/gtest.h>

#include <vector>

#include "DeviceRecords.h"
#include "DeviceVersionTable.h"

using namespace orvex;
using namespace orvex::flash;

namespace {

std::vector<uint8_t> Started(uint8_t channel, uint8_t kind, std::vector<uint16_t> words) {
  uint8_t payload[10] = {kind};
  for (size_t i = 0; i < words.size() && i < 4; ++i) PutLe16(payload + 2 + 2 * i, words[i]);
  return BuildNotificationRecord(channel, kCodeChannelStarted, payload, sizeof payload);
}

}  // namespace

TEST(DeviceList, TheSystemChannelFillsEntryZero) {
  DeviceVersionTable table(60, 5);
  ASSERT_EQ(table.Size(), 61u);
  auto mc = Started(5, 0x00, {0x1105, 0x2010, 0x2001, 0x0100});
  EXPECT_EQ(table.OnChannelStarted(mc.data(), mc.size()), 0u);
  EXPECT_TRUE(table.MainStarted());
  EXPECT_EQ(table.MainWord(kWordOffset18), 0x1105);
  EXPECT_EQ(table.MainWord(kWordOffset20), 0x2010);
  EXPECT_EQ(table.MainWord(kWordOffset22), 0x2001);

  auto line = Started(4, 0x05, {0x1000, 0x1002});
  EXPECT_EQ(table.OnChannelStarted(line.data(), line.size()), 4u);
  EXPECT_EQ(table.Entry(4).BoardKind(), 0x05);

  // A record too short to hold the versions, or a channel beyond the table, is left alone.
  EXPECT_FALSE(table.OnChannelStarted(line.data(), kStartedRecordMinSize - 1));
  DeviceVersionTable small(2, 10);
  auto far = Started(7, 0x02, {0x1000});
  EXPECT_FALSE(small.OnChannelStarted(far.data(), far.size()));
}

TEST(DeviceList, ChannelStoppedOnlyForLineChannels) {
  DeviceVersionTable table(60, 5);
  auto mc = Started(5, 0x00, {0x1105});
  auto line = Started(3, 0x02, {0x1000});
  table.OnChannelStarted(mc.data(), mc.size());
  table.OnChannelStarted(line.data(), line.size());
  EXPECT_FALSE(table.OnChannelStopped(0));
  EXPECT_FALSE(table.OnChannelStopped(5));
  EXPECT_TRUE(table.MainStarted());
  EXPECT_EQ(table.OnChannelStopped(3), 3u);
  EXPECT_EQ(table.Entry(3).started, 0u);
}

TEST(DeviceList, LowestWordOfStartedBoards) {
  DeviceVersionTable table(60, 6);
  for (auto& r : {Started(1, 0x02, {0, 0x1300, 0x1200}), Started(2, 0x02, {0, 0x1100, 0x1250}),
                  Started(3, 0x03, {0, 0x1000, 0x1000}), Started(4, 0x00, {0x2003}),
                  Started(5, 0x00, {0x4001})}) {
    table.OnChannelStarted(r.data(), r.size());
  }
  EXPECT_EQ(table.LowestLineWord(kWordOffset22, 0x02), 0x1200u);
  EXPECT_EQ(table.LowestLineWord(kWordOffset20, 0x02), 0x1100u);
  EXPECT_EQ(table.LowestLineWord(kWordOffset22, 0x04), kNoWord);
  table.OnChannelStopped(1);
  EXPECT_EQ(table.LowestLineWord(kWordOffset22, 0x02), 0x1250u);
  auto nibble4 = [](uint16_t w) { return (w >> 12) == 4; };
  auto analog = [](uint8_t k) { return k <= 1; };
  EXPECT_EQ(table.LowestLineWord(kWordOffset18, analog, nibble4), 0x4001u);
}

TEST(DeviceList, RowTexts) {
  DeviceVersionTable table(60, 5);
  auto mc = Started(5, 0x00, {0x1025, 0x2003, 0, 0x0100});
  table.OnChannelStarted(mc.data(), mc.size());
  EXPECT_EQ(EntryVersionsText(table.Entry(0)), "1.025 2.003");
  EXPECT_EQ(EntryExtendedText(table.Entry(0)), "0000 1025 2003 0000 0100");

  EXPECT_EQ(ChannelLabel(3), "03");
  EXPECT_EQ(ChannelLabel(12), "12");
  EXPECT_EQ(BoardKindName(0x14), "INS64ST/U");
  EXPECT_EQ(BoardKindName(0x05), "PVﾎﾞｰﾄﾞ");
  EXPECT_EQ(BoardKindName(0x07), "unknown(07)");

  EXPECT_EQ(MainKindText(kMainRowKind, 0x3), "本体 USB2.0");
  EXPECT_EQ(MainKindText("本体 USB2.0", 0x1004), "本体 PV");
  EXPECT_EQ(MainKindText("本体 PV", 0x2), "本体");
  EXPECT_EQ(MainKindText("本体", 0x7), "本体 USB2.0");

  EXPECT_EQ(TransferStatusText(1), "");
  EXPECT_EQ(TransferStatusText(0), "ﾃﾞﾊﾞｲｽ転送停止");
  EXPECT_EQ(TransferStatusText(0x2A), "ﾃﾞﾊﾞｲｽ転送状態(2Ah)");
  EXPECT_EQ(AttachCallFailedText(3, 31), "ﾃﾞﾊﾞｲｽ接続異常 Stat = 3h, Err = 31");
  EXPECT_EQ(DeviceFaultText(0x200, 31), "ﾃﾞﾊﾞｲｽ異常 Stat = 200h, Err = 31");
}
