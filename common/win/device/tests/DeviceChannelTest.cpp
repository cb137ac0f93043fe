// The device channel against the simulated Orvex.dll, in process: attach and detach, the
// notifications and channel states, writing program images and reading the parameters.
#include <gtest/gtest.h>

#include <algorithm>

#include "DeviceSession.h"
#include "TestImages.h"

using namespace orvex;
using namespace orvex::test;

namespace {

size_t Count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

// Pumps the window until nothing more comes for a moment.
std::vector<DeviceEvent> Drain(DeviceEventQueue& queue) {
  std::vector<DeviceEvent> events;
  while (auto e = queue.Next(50)) events.push_back(*e);
  return events;
}

}  // namespace

TEST(DeviceChannel, AttachPostsTheResultAndNotificationsSetTheChannelStates) {
  DeviceSession s;
  ASSERT_TRUE(s.opened);
  EXPECT_EQ(s.channel.ChannelStateAt(0), 0);  // no device yet

  DWORD error = 99;
  ASSERT_EQ(s.AttachAndWait(&error), 1);
  EXPECT_EQ(error, 0u);
  EXPECT_EQ(s.channel.ChannelStateAt(0), 1);
  EXPECT_EQ(s.channel.InfoBlock().ChannelCount(), 5u);
  EXPECT_EQ(s.channel.InfoBlock().BlockLength(), 1024u);

  std::vector<DeviceEvent> lines;
  ASSERT_TRUE(s.WaitSystemChannel(&lines));
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[2].header.channel, 3);
  EXPECT_EQ(lines[2].Payload()[0], 0x02);                         // board code of the INS64 board
  EXPECT_EQ(s.channel.ChannelStateAt(4), kLineChannelRunning);    // channel N-1
  EXPECT_EQ(s.channel.ChannelStateAt(5), kSystemChannelRunning);  // channel N
  EXPECT_EQ(s.channel.ChannelStateAt(6), -1);

  // Every record was held by the channel and released by the window.
  std::string log = s.sim.Log();
  EXPECT_EQ(Count(log, " held\r\n"), 5u);
  EXPECT_EQ(Count(log, " released\r\n"), 5u);
  EXPECT_EQ(Count(log, "not held"), 0u);

  EXPECT_NE(s.channel.Detach(), 0);
  EXPECT_EQ(s.channel.ChannelStateAt(0), 0);
  EXPECT_EQ(s.channel.DeviceHandle(), INVALID_HANDLE_VALUE);
}

TEST(DeviceChannel, NotificationsAreDroppedWhileTheDeviceCheckSaysNo) {
  DeviceSession s("fault.not_ready = 1\n");
  ASSERT_EQ(s.AttachAndWait(), 1);
  ASSERT_TRUE(s.sim.WaitForLog("code 8080h on channel 5"));
  ASSERT_TRUE(s.sim.WaitForLog("not held, dropped"));
  for (const DeviceEvent& e : Drain(s.queue)) EXPECT_NE(e.message, kMessageNotification);
  EXPECT_EQ(Count(s.sim.Log(), " held\r\n"), 0u);
  EXPECT_EQ(s.channel.ChannelStateAt(5), kChannelStopped);

  // With the check answering yes again, the next start of the device comes through.
  s.sim.Set("fault.not_ready = 0\n");
  EXPECT_NE(s.channel.HardwareReset(), 0);
  ASSERT_TRUE(s.queue.NextOf(kMessageDetached, kWait));
  ASSERT_TRUE(s.AttachReady());
  EXPECT_EQ(s.channel.ChannelStateAt(5), kSystemChannelRunning);
}

TEST(DeviceChannel, DetachesAndTheWaitForADevice) {
  DeviceSession s;
  ASSERT_TRUE(s.AttachReady());
  EXPECT_TRUE(ParameterDeviceChannel::DevicePresent());

  // Unplugged: an ordinary detach reports error 0 although the library's last error is set.
  s.sim.Set("present = 0\n");
  auto detached = s.queue.NextOf(kMessageDetached, kWait);
  ASSERT_TRUE(detached);
  EXPECT_EQ(detached->Status(), 0x100);
  EXPECT_EQ(detached->Error(), 0u);
  EXPECT_EQ(s.channel.ChannelStateAt(0), 0);
  EXPECT_FALSE(ParameterDeviceChannel::DevicePresent());

  // Attaching without a device waits for one.
  EXPECT_EQ(s.channel.Attach(), kAttachUnderWay);
  ASSERT_TRUE(s.sim.WaitForLog("waiting for the adapter"));
  for (const DeviceEvent& e : Drain(s.queue)) EXPECT_NE(e.message, kMessageAttachFinished);
  s.sim.Set("present = 1\n");
  auto attached = s.queue.NextOf(kMessageAttachFinished, kWait);
  ASSERT_TRUE(attached);
  EXPECT_EQ(attached->Status(), 1);

  // An abnormal detach passes the library's status and error on.
  ASSERT_TRUE(s.WaitSystemChannel());
  s.sim.Set("fault.detach = 0x105 1167 0\nfault.detach.times = 1\n");
  EXPECT_NE(s.channel.HardwareReset(), 0);
  ASSERT_TRUE(s.queue.NextOf(kMessageDetached, kWait));
  ASSERT_TRUE(s.AttachReady());
  auto abnormal = s.queue.NextOf(kMessageDetached, kWait);
  ASSERT_TRUE(abnormal);
  EXPECT_EQ(abnormal->Status(), 0x105);
  EXPECT_EQ(abnormal->Error(), 1167u);
  EXPECT_EQ(s.channel.ChannelStateAt(0), 0);
  EXPECT_FALSE(s.sim.State().faults.detach.on);  // spent, and gone from the file
}

TEST(DeviceChannel, WithoutAnyDelayAResetStillDetachesAndTheDeviceReturns) {
  DeviceSession s("time_scale = 0\n");
  ASSERT_TRUE(s.AttachReady());
  EXPECT_NE(s.channel.HardwareReset(), 0);
  auto detached = s.queue.NextOf(kMessageDetached, kWait);
  ASSERT_TRUE(detached);
  EXPECT_EQ(detached->Status(), 0x100);
  EXPECT_TRUE(s.AttachReady());
}

TEST(DeviceChannel, AttachedAtOnceHasItsBlockStatesAndNotifications) {
  DeviceSession s("attach_at_once = 1\n");
  EXPECT_EQ(s.channel.Attach(), kAttachedAtOnce);
  EXPECT_EQ(s.channel.ChannelStateAt(0), 1);
  EXPECT_EQ(s.channel.InfoBlock().ChannelCount(), 5u);
  ASSERT_TRUE(s.WaitSystemChannel());
  EXPECT_EQ(s.channel.ChannelStateAt(5), kSystemChannelRunning);
}

TEST(DeviceChannel, ImagesRefusedBeforeAnythingIsWritten) {
  DeviceSession s;
  ASSERT_TRUE(s.AttachReady());
  auto image = ProgramImage(0x00, 0x00, 0x2011, 400);

  EXPECT_EQ(s.channel.WriteProgramImage(image.data(), 31), -1);
  EXPECT_EQ(s.channel.WriteProgramImage(nullptr, 400), -1);
  EXPECT_EQ(Count(s.sim.Log(), "write path asked"), 0u);

  s.sim.Set("fault.refuse_image = 0x33\nfault.refuse_image.times = 1\n");
  EXPECT_EQ(s.channel.WriteProgramImage(image.data(), image.size()), 0x33);
  EXPECT_EQ(Count(s.sim.Log(), "write path asked"), 1u);
  s.sim.Set("fault.request_fail = 1\n");
  EXPECT_EQ(s.channel.WriteProgramImage(image.data(), image.size()), -1);
  s.sim.Set("fault.request_fail = 0\n");
  // The adapter's own judgement: an INS1500 program for an adapter without such a board.
  auto ins1500 = ProgramImage(0x10, 0x20, 0x1001, 400);
  EXPECT_EQ(s.channel.WriteProgramImage(ins1500.data(), ins1500.size()), 255);

  std::string log = s.sim.Log();
  EXPECT_EQ(Count(log, "program-write mode entered"), 0u);
  EXPECT_EQ(Count(log, "received"), 0u);
  EXPECT_NE(log.find("status 51"), std::string::npos);
  EXPECT_EQ(s.sim.State().mc.words[1], 0x2010);
}

TEST(DeviceChannel, AWriteRunsToItsEndAndTheDeviceRestartsWithTheNewVersion) {
  DeviceSession s;
  ASSERT_TRUE(s.AttachReady());
  auto image = ProgramImage(0x10, 0x00, 0x1106, 2000);  // INS64 CPU, the board on channel 3
  ASSERT_EQ(s.channel.WriteProgramImage(image.data(), image.size()), 0);

  std::vector<std::pair<int, uint32_t>> progress;
  std::optional<DeviceEvent> end;
  while (!end) {
    auto e = s.queue.Next(kWait);
    ASSERT_TRUE(e);
    ASSERT_EQ(e->message, kMessageNotification);
    if (e->header.code == kCodeTransferProgress)
      progress.emplace_back(e->Payload()[0], GetLe32(e->Payload() + 4));
    if (e->header.code == kCodeTransferEnd) end = e;
  }
  ASSERT_EQ(progress.size(), 40u);
  EXPECT_EQ(progress.front(), std::make_pair(1, 750u));
  EXPECT_EQ(progress.back(), std::make_pair(10, 0u));
  EXPECT_TRUE(
      std::is_sorted(progress.begin(), progress.end(), [](auto& a, auto& b) { return a.first < b.first; }));
  EXPECT_EQ(end->Payload()[0], 0);
  EXPECT_EQ(end->header.channel, 5);
  s.channel.LeaveProgramMode();  // the device may be restarting already

  auto detached = s.queue.NextOf(kMessageDetached, kWait);
  ASSERT_TRUE(detached);
  EXPECT_EQ(detached->Status(), 0x100);
  std::vector<DeviceEvent> lines;
  ASSERT_EQ(s.AttachAndWait(), 1);
  ASSERT_TRUE(s.WaitSystemChannel(&lines));
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(GetLe16(lines[2].Payload() + 6), 0x1106);  // record offset 22: the INS64 CPU
  EXPECT_EQ(s.sim.State().boards.at(3).words[2], 0x1106);
}

TEST(DeviceChannel, AWrittenParameterFileIsWhatTheNextReadDelivers) {
  DeviceSession s;
  ASSERT_TRUE(s.AttachReady());
  auto file = ParameterFile(0x2002);
  ASSERT_EQ(s.channel.WriteProgramImage(file.data(), file.size()), 0);
  ASSERT_TRUE(s.queue.NextNotification(kCodeTransferEnd, kWait));
  ASSERT_TRUE(s.queue.NextOf(kMessageDetached, kWait));
  ASSERT_TRUE(s.AttachReady());

  uint32_t size = 0;
  uint16_t low = 0, high = 0;
  ASSERT_EQ(s.channel.ParameterReadStart(&size, &low, &high), 0);
  EXPECT_EQ(size, kParameterFileSize);
  EXPECT_EQ(low, 0x2002);
  EXPECT_EQ(high, 0x0100);
  uint32_t capacity = s.channel.InfoBlock().BlockLength() + 16;
  std::vector<uint8_t> block(capacity), data;
  int r = 0;
  while (r == 0) {
    r = s.channel.ParameterReadBlock(true, block.data(), capacity);
    ASSERT_GE(r, 0);
    uint32_t n = GetLe32(block.data());
    ASSERT_LE(n, capacity);
    if (n > 18) data.insert(data.end(), block.begin() + 18, block.begin() + n);
  }
  EXPECT_EQ(data, file);
  EXPECT_EQ(s.sim.ReadFile("Parameters.prg"), std::string(file.begin(), file.end()));

  // A read ended early gives way to a new one.
  ASSERT_EQ(s.channel.ParameterReadStart(&size, &low, &high), 0);
  EXPECT_NE(s.channel.ParameterReadBlock(false, block.data(), capacity), -1);
  EXPECT_EQ(s.channel.ParameterReadBlock(true, block.data(), capacity), -1);
  EXPECT_EQ(s.channel.ParameterReadBlock(true, block.data(), 3), -1);
}

TEST(DeviceChannel, ARecordNoWindowHearsOfIsReleased) {
  DeviceSession s;
  DestroyWindow(s.queue.hwnd());  // every post fails from now on
  EXPECT_EQ(s.channel.Attach(), kAttachUnderWay);
  std::string log;
  for (ULONGLONG end = GetTickCount64() + kWait; GetTickCount64() < end; Sleep(10)) {
    log = s.sim.Log();
    if (Count(log, " released\r\n") >= 5) break;
  }
  EXPECT_EQ(Count(log, " held\r\n"), 5u);
  EXPECT_EQ(Count(log, " released\r\n"), 5u);
  EXPECT_EQ(s.channel.ChannelStateAt(5), kSystemChannelRunning);
}
