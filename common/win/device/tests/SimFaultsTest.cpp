// Every fault of the simulated adapter, switched on in its state file and seen through the
// device channel or the driver.
#include <gtest/gtest.h>

#include <thread>

#include "DeviceSession.h"
#include "SimOperations.h"
#include "SimStore.h"
#include "TestImages.h"

using namespace orvex;
using namespace orvex::test;

TEST(SimFaults, AttachFaults) {
  DeviceSession s(
      "fault.attach_result = 7\nfault.attach_result.times = 1\n"
      "fault.attach_status = 0x21 31\nfault.attach_status.times = 1\n");
  EXPECT_EQ(s.channel.Attach(), 7);
  DWORD error = 0;
  EXPECT_EQ(s.AttachAndWait(&error), 0x21);
  EXPECT_EQ(error, 31u);
  EXPECT_EQ(s.channel.ChannelStateAt(0), 0);
  EXPECT_EQ(s.AttachAndWait(), 1);  // both spent
}

TEST(SimFaults, AlarmAndAbnormalDetachAfterTheAttach) {
  DeviceSession s(
      "fault.alarm = 0x42 0\nfault.alarm.times = 1\n"
      "fault.detach = 0x1F 1167 200\nfault.detach.times = 1\n");
  ASSERT_TRUE(s.AttachReady());
  auto alarm = s.queue.NextNotification(kCodeDeviceStopped, kWait);
  ASSERT_TRUE(alarm);
  EXPECT_EQ(alarm->header.channel, 5);
  EXPECT_EQ(alarm->Payload()[0], 0x42);
  auto detached = s.queue.NextOf(kMessageDetached, kWait);
  ASSERT_TRUE(detached);
  EXPECT_EQ(detached->Status(), 0x1F);
  EXPECT_EQ(detached->Error(), 1167u);
  sim::SimState state = s.sim.State();
  EXPECT_FALSE(state.faults.alarm.on);
  EXPECT_FALSE(state.faults.detach.on);
}

TEST(SimFaults, SilentSystemChannel) {
  DeviceSession s("fault.system_silent = 1\nfault.system_silent.times = 1\n");
  ASSERT_EQ(s.AttachAndWait(), kAttachedAtOnce);
  ASSERT_TRUE(s.sim.WaitForLog("the system channel stays silent"));
  // The line boards report as always; nothing comes from channel 5.
  std::vector<uint32_t> channels;
  while (auto started = s.queue.NextNotification(kCodeChannelStarted, 1000))
    channels.push_back(started->header.channel);
  EXPECT_EQ(channels, (std::vector<uint32_t>{1, 2, 3, 4}));
  EXPECT_FALSE(s.sim.State().faults.system_silent.on);  // spent: the next attach is heard again
}

TEST(SimFaults, WriteFaults) {
  DeviceSession s("fault.write_result = 0x12 1 2 3 4 5 6 7\nfault.write_result.times = 1\n");
  ASSERT_TRUE(s.AttachReady());
  auto image = ProgramImage(0x00, 0x00, 0x2011, 600);

  // The device ends with its error code and keeps its program.
  ASSERT_EQ(s.channel.WriteProgramImage(image.data(), image.size()), 0);
  auto end = s.queue.NextNotification(kCodeTransferEnd, kWait);
  ASSERT_TRUE(end);
  const uint8_t expected[8] = {0x12, 1, 2, 3, 4, 5, 6, 7};
  EXPECT_EQ(0, memcmp(end->Payload(), expected, 8));
  EXPECT_EQ(s.sim.State().mc.words[1], 0x2010);
  s.channel.LeaveProgramMode();

  // The device falls silent after three progress records.
  s.sim.Set("fault.write_silent = 3\nfault.write_silent.times = 1\n");
  ASSERT_EQ(s.channel.WriteProgramImage(image.data(), image.size()), 0);
  ASSERT_TRUE(s.sim.WaitForLog("falls silent after 3 progress records"));
  int progress = 0;
  while (auto e = s.queue.Next(100)) {
    ASSERT_EQ(e->message, kMessageNotification);
    EXPECT_EQ(e->header.code, kCodeTransferProgress);
    ++progress;
  }
  EXPECT_EQ(progress, 3);
  EXPECT_NE(s.channel.LeaveProgramMode(), 0);
  EXPECT_TRUE(s.sim.WaitForLog("program write abandoned"));

  // A corrupted image arrives, the device finds its checksum wrong.
  image[100] ^= 0xFF;
  ASSERT_EQ(s.channel.WriteProgramImage(image.data(), image.size()), 0);
  end = s.queue.NextNotification(kCodeTransferEnd, kWait);
  ASSERT_TRUE(end) << s.sim.Log();
  EXPECT_EQ(end->Payload()[0], 0x12);
  EXPECT_EQ(s.sim.State().mc.words[1], 0x2010);
}

TEST(SimFaults, ParameterReadFaults) {
  DeviceSession s("fault.read_start = 5\nfault.read_start.times = 1\n");
  ASSERT_TRUE(s.AttachReady());
  uint32_t size = 1234;
  uint16_t low = 1, high = 2;
  EXPECT_EQ(s.channel.ParameterReadStart(&size, &low, &high), 5);
  EXPECT_EQ(size, 1234u);  // untouched on failure

  ReadResult plain = ReadParameters(s.channel);
  EXPECT_EQ(plain.data.size(), plain.announced);
  EXPECT_EQ(plain.last, 1);

  s.sim.Set("fault.read_short = 100\nfault.read_short.times = 1\n");
  ReadResult short_read = ReadParameters(s.channel);
  EXPECT_EQ(short_read.data.size() + 100, short_read.announced);

  s.sim.Set("fault.read_overflow = 40\nfault.read_overflow.times = 1\n");
  ReadResult overflow = ReadParameters(s.channel);
  EXPECT_EQ(overflow.data.size(), overflow.announced + 40);

  s.sim.Set("fault.read_malformed = 8\nfault.read_malformed.times = 1\n");
  ReadResult malformed = ReadParameters(s.channel);
  ASSERT_FALSE(malformed.lengths.empty());
  EXPECT_EQ(malformed.lengths.front(), 8u);
  EXPECT_EQ(malformed.data.size(), malformed.announced);

  s.sim.Set("fault.read_fail = 2\nfault.read_fail.times = 1\n");
  ReadResult failing = ReadParameters(s.channel);
  EXPECT_EQ(failing.last, -1);
  EXPECT_EQ(failing.lengths.size(), 2u);
}

TEST(SimFaults, DriverFaultsAndTheResetThroughTheDriver) {
  DeviceSession s("fault.other_apps = 2\nfault.other_apps.times = 1\nproduct_kind = 2\n");
  ASSERT_TRUE(s.AttachReady());
  auto driver = CreateDeviceDriver();
  Adapter adapter = driver->OpenAdapter();
  ASSERT_TRUE(adapter.Found());
  EXPECT_EQ(adapter.info.Product(), kAdapterProduct);
  EXPECT_EQ(adapter.info.SystemChannelNumber(), 5u);
  EXPECT_EQ(driver->QueryOpenCount(adapter.handle.Get()), 3u);
  EXPECT_EQ(driver->QueryOpenCount(adapter.handle.Get()), 1u);
  DriverVersion version;
  ASSERT_TRUE(driver->QueryVersion(adapter.handle.Get(), &version));
  EXPECT_EQ(version.version, 0x01010400u);
  EXPECT_EQ(version.detail, 3u);

  // The reset packet makes the adapter leave the bus (here until told to return): the channel
  // sees it go and come back.
  s.sim.Set("reset_away_ms = 600000\n");
  DWORD error = 0;
  int sleeps = 0;
  EXPECT_EQ(ResetAdapter(*driver, adapter, &error, [&](DWORD) { ++sleeps; }), ResetResult::kDone);
  EXPECT_EQ(sleeps, 1);
  EXPECT_FALSE(driver->OpenAdapter().Found());
  auto detached = s.queue.NextOf(kMessageDetached, kWait);
  ASSERT_TRUE(detached);
  EXPECT_EQ(detached->Status(), 0x100);
  EXPECT_EQ(s.channel.Attach(), kAttachUnderWay);
  s.sim.Set("away_until = 0\n");
  ASSERT_TRUE(s.queue.NextOf(kMessageAttachFinished, kWait));
  Adapter back = driver->OpenAdapter();
  ASSERT_TRUE(back.Found());

  s.sim.Set("fault.reset_fail = 1\n");
  const sim::SimState before = s.sim.State();
  EXPECT_EQ(ResetAdapter(*driver, back, &error, [](DWORD) {}), ResetResult::kWriteFailed);
  EXPECT_EQ(error, static_cast<DWORD>(ERROR_GEN_FAILURE));
  EXPECT_EQ(s.channel.HardwareReset(), 0);
  EXPECT_TRUE(driver->OpenAdapter().Found());
  // Refused resets took none of the adapter's time (records still arriving take a little).
  EXPECT_LT(s.sim.State().adapter_ms - before.adapter_ms, sim::OperationMs(before, sim::Operation::kReset));

  // Another product, or none, is not our adapter.
  s.sim.Set("product_kind = 3\n");
  EXPECT_FALSE(driver->OpenAdapter().Found());
  s.sim.Set("product_kind = 1\npresent = 0\n");
  EXPECT_FALSE(driver->OpenAdapter().Found());
  EXPECT_FALSE(CreateSystemDeviceDriver()->OpenAdapter().Found());  // no such device under Wine
}

TEST(SimStore, ConcurrentChangesAreNotLost) {
  SimFolder sim;
  auto bump = [&] {
    sim::SimStore store(sim.Path());
    std::string error;
    for (int i = 0; i < 40; ++i) {
      ASSERT_TRUE(store.Update([](sim::SimState& s) { ++s.library_debug_level; }, nullptr, &error)) << error;
    }
  };
  std::thread a(bump), b(bump);
  a.join();
  b.join();
  EXPECT_EQ(sim.State().library_debug_level, 80u);
}

TEST(SimFaults, DebugLevelsThroughTheUpdateToolsChannel) {
  SimFolder sim;
  UpdateDeviceChannel channel;
  DeviceEventQueue queue;
  queue.ReleaseThrough(&channel);
  ASSERT_EQ(channel.Open(queue.hwnd(), DeviceEventQueue::kMessages, 3), 1);
  EXPECT_FALSE(channel.SetDriverDebug(true, 0x1F));  // no device handle yet
  ASSERT_EQ(channel.Attach(), kAttachUnderWay);
  ASSERT_TRUE(queue.NextOf(kMessageAttachFinished, kWait));
  EXPECT_TRUE(channel.SetDriverDebug(true, 0x1F));
  EXPECT_TRUE(channel.SetDriverDebug(false, 0x2));
  EXPECT_EQ(sim.State().driver_debug_level, 0x1Fu);
  EXPECT_EQ(sim.State().library_debug_level, 0x2u);
  sim.Set("driver_debug_supported = 0\n");
  EXPECT_FALSE(channel.SetDriverDebug(true, 0x3));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_FUNCTION));
}
