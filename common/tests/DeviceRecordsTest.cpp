// The byte layouts shared by the device channel, the driver and the simulated adapter.
#include <gtest/gtest.h>

#include "AboutText.h"
#include "DeviceRecords.h"

using namespace orvex;

TEST(DeviceRecords, ChannelStatesFollowNotifications) {
  const uint32_t n = 5;
  EXPECT_EQ(StateAfterNotification(kCodeChannelStarted, 5, n), kSystemChannelRunning);
  EXPECT_EQ(StateAfterNotification(kCodeChannelStarted, 4, n), kLineChannelRunning);
  EXPECT_EQ(StateAfterNotification(kCodeChannelStopped, 4, n), kChannelStopped);
  EXPECT_EQ(StateAfterNotification(kCodeSystemState, 2, n), kSystemChannelRunning);
  EXPECT_FALSE(StateAfterNotification(kCodeChannelStarted, 0, n));
  EXPECT_FALSE(StateAfterNotification(kCodeChannelStarted, 6, n));
  EXPECT_FALSE(StateAfterNotification(kCodeTransferProgress, 5, n));
}

TEST(DeviceRecords, RequestAndPacketBytes) {
  uint8_t request[kProgramWriteRequestSize];
  BuildProgramWriteRequest({0x10, 7, 0x12345}, request);
  const uint8_t expected[kProgramWriteRequestSize] = {22, 0, 0, 0, 0, 0,    0x03, 0x23, 0,    0,    0,
                                                      0,  0, 0, 0, 0, 0x10, 7,    0x45, 0x23, 0x01, 0};
  EXPECT_EQ(0, memcmp(request, expected, sizeof expected));
  ProgramWriteRequest back;
  ASSERT_TRUE(ParseProgramWriteRequest(request, sizeof request, &back));
  EXPECT_EQ(back.kind, 0x10);
  EXPECT_EQ(back.target, 7);
  EXPECT_EQ(back.length, 0x12345u);
  EXPECT_FALSE(ParseProgramWriteRequest(request, 21, &back));
  request[6] = 0x04;
  EXPECT_FALSE(ParseProgramWriteRequest(request, sizeof request, &back));

  uint8_t reset[kResetPacketSize];
  BuildResetPacket(reset);
  const uint8_t reset_expected[kResetPacketSize] = {16, 0, 0, 0, 0, 0, 0x80, 0x03, 0, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(0, memcmp(reset, reset_expected, sizeof reset));
  EXPECT_TRUE(IsResetPacket(reset, sizeof reset));
  reset[8] = 1;
  EXPECT_FALSE(IsResetPacket(reset, sizeof reset));

  AdapterInfo info;
  PutLe16(info.bytes + 10, 0x0DC8);
  PutLe16(info.bytes + 12, 2);
  PutLe32(info.bytes + 40, 60);
  EXPECT_TRUE(info.IsOurAdapter());
  EXPECT_EQ(info.SystemChannelNumber(), 61u);
  PutLe16(info.bytes + 12, 3);
  EXPECT_FALSE(info.IsOurAdapter());

  DeviceInfoBlock block;
  block.SetMaxLines(60);
  EXPECT_EQ(block.VoiceChannels(), 60u);  // 0 stands for the number of lines
  block.SetVoiceChannels(8);
  EXPECT_EQ(block.VoiceChannels(), 8u);
}

TEST(AboutText, LinesFromTheFacts) {
  AboutFacts f;
  f.program_name = "OrvexFlash";
  f.own_version = 0x020A012C;  // "2.10.0.300" read with carry
  f.expected_library_version = kExpectedLibraryVersion;
  EXPECT_EQ(AboutOwnVersionLine(f), "OrvexFlash.exe Ver 2.10.1.44");
  f.wow64 = true;
  EXPECT_EQ(AboutOwnVersionLine(f), "OrvexFlash.exe Ver 2.10.1.44 <x64>");
  EXPECT_EQ(AboutLibraryLine(f), "DLL (Link Error)");
  EXPECT_EQ(AboutDriverLine(f), "SYS (Device Not Connected)");
  EXPECT_EQ(AboutDeviceDescription(f), "");

  f.library_version = 0x01010204;
  EXPECT_EQ(AboutLibraryLine(f), "DLL Ver 1.1.2.4 (1.1.2.3)");
  f.driver_version = 0x01010400;
  f.voice_channels = 60;
  f.driver_detail = 0x2004;  // low 12 bits: 4
  EXPECT_EQ(AboutDriverLine(f), "SYS Ver 1.1.4.0 (60) <PV>");
  f.driver_detail = 5;
  EXPECT_EQ(AboutDriverLine(f), "SYS Ver 1.1.4.0 (60) <USB2.0>");
  f.driver_detail = 0x1002;
  EXPECT_EQ(AboutDriverLine(f), "SYS Ver 1.1.4.0 (60)");

  f.device_open = true;
  f.device_text[0] = "  Orvex Systems \t";
  f.device_text[2] = "X";
  EXPECT_EQ(AboutDeviceDescription(f), "for (X)");
  f.device_text[1] = "KV4100";
  EXPECT_EQ(AboutDeviceDescription(f), "for 'KV4100' (X)");
  f.device_text[2].clear();
  EXPECT_EQ(AboutDeviceDescription(f), "for 'KV4100'");
  EXPECT_EQ(AboutNoticeLine("Copyright (C) ", f), "Copyright (C) Orvex Systems");
}
