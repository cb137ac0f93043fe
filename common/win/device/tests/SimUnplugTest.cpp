// The simulated adapter pulled out at its k-th operation, seen through the device channel and
// the driver: the operations a clean session counts, the adapter staying away until it is
// plugged in again, and what a write cut off before its end leaves in the adapter. Also the state
// file rewritten at each operation.
#include <gtest/gtest.h>

#include <algorithm>

#include "DeviceSession.h"
#include "Format.h"
#include "SimStore.h"
#include "TestImages.h"

using namespace orvex;
using namespace orvex::test;

namespace {

uint32_t Operations(const DeviceSession& s) {
  return s.sim.State().operations;
}

void UnplugAt(DeviceSession& s, uint32_t k) {
  s.sim.Set(Format("unplug_at = %u\n", k));
}

// The system channel's started record, after those of the line channels (counted in *lines).
std::optional<DeviceEvent> SystemChannel(DeviceSession& s, size_t* lines = nullptr) {
  for (;;) {
    auto e = s.queue.NextNotification(kCodeChannelStarted, kWait);
    if (!e || e->header.channel >= s.channel.InfoBlock().ChannelCount()) return e;
    if (lines) ++*lines;
  }
}

// The records of a program write up to its end (or until the device goes): how many came.
size_t WriteRecords(DeviceSession& s, bool* ended) {
  size_t records = 0;
  *ended = false;
  while (auto e = s.queue.Next(kWait)) {
    if (e->message != kMessageNotification) break;
    ++records;
    if (e->header.code == kCodeTransferEnd) {
      *ended = true;
      break;
    }
  }
  return records;
}

// Writes `image` with the adapter to be pulled out `after` operations from now: the records that
// came, and whether the end was among them.
size_t WritePulledOutAfter(DeviceSession& s, const std::vector<uint8_t>& image, uint32_t after, bool* ended) {
  UnplugAt(s, Operations(s) + after);
  EXPECT_EQ(s.channel.WriteProgramImage(image.data(), image.size()), 0);
  size_t records = WriteRecords(s, ended);
  s.channel.LeaveProgramMode();
  return records;
}

// A whole session, counting every operation the channel sees the adapter carry out.
uint32_t CleanSession(uint32_t* counted) {
  DeviceSession s;
  uint32_t seen = 0;
  size_t lines = 0;
  EXPECT_EQ(s.AttachAndWait(), kAttachedAtOnce);
  EXPECT_TRUE(SystemChannel(s, &lines));
  seen += 1 + static_cast<uint32_t>(lines) + 1;
  ReadResult read = ReadParameters(s.channel);
  EXPECT_EQ(read.data.size(), read.announced);
  seen += static_cast<uint32_t>(read.lengths.size());
  auto image = ProgramImage(0x00, 0x00, 0x2011, 600);
  EXPECT_EQ(s.channel.WriteProgramImage(image.data(), image.size()), 0);
  bool ended = false;
  seen += static_cast<uint32_t>(WriteRecords(s, &ended));
  EXPECT_TRUE(ended);
  s.channel.LeaveProgramMode();
  EXPECT_TRUE(s.queue.NextOf(kMessageDetached, kWait));  // the restart
  lines = 0;
  EXPECT_EQ(s.AttachAndWait(), kAttachedAtOnce);
  EXPECT_TRUE(SystemChannel(s, &lines));
  seen += 1 + 1 + static_cast<uint32_t>(lines) + 1;
  EXPECT_NE(s.channel.HardwareReset(), 0);
  EXPECT_TRUE(s.queue.NextOf(kMessageDetached, kWait));
  lines = 0;
  EXPECT_EQ(s.AttachAndWait(), kAttachedAtOnce);
  EXPECT_TRUE(SystemChannel(s, &lines));
  seen += 1 + 1 + static_cast<uint32_t>(lines) + 1;
  *counted = Operations(s);
  return seen;
}

}  // namespace

TEST(SimUnplug, ACleanSessionCountsEachOperationOnceAndAlwaysTheSame) {
  uint32_t first = 0, second = 0;
  EXPECT_EQ(CleanSession(&first), first);
  EXPECT_EQ(CleanSession(&second), second);
  EXPECT_EQ(first, second);
  // 1 attach + 5 channels, 16 blocks, 40 progress + end, restart, 6, reset, 6.
  EXPECT_EQ(first, 77u);
}

TEST(SimUnplug, PulledOutTheAdapterStaysAwayUntilPluggedInAgain) {
  DeviceSession s("unplug_at = 1\n");
  // At the attach: it never finishes, the driver finds nothing.
  EXPECT_EQ(s.channel.Attach(), kAttachUnderWay);
  ASSERT_TRUE(s.sim.WaitForLog("operation 1: attach; instead the adapter leaves the bus"));
  sim::SimState state = s.sim.State();
  EXPECT_FALSE(state.present);
  EXPECT_EQ(state.unplug_at, 0u);
  EXPECT_EQ(state.unplugged, "1 attach");
  EXPECT_FALSE(CreateDeviceDriver()->OpenAdapter().Found());

  // Plugged in, the pending attach finishes; pulled out at the second channel-started record.
  s.sim.Set("present = 1\nunplug_at = 4\n");
  auto attached = s.queue.NextOf(kMessageAttachFinished, kWait);
  ASSERT_TRUE(attached);
  EXPECT_EQ(attached->Status(), kAttachedAtOnce);
  std::vector<DeviceEvent> before;
  auto detached = s.queue.NextOf(kMessageDetached, kWait, &before);
  ASSERT_TRUE(detached);
  EXPECT_EQ(detached->Status(), static_cast<int>(kDetachOrdinary));
  ASSERT_EQ(before.size(), 1u);
  EXPECT_EQ(before[0].header.channel, 1);
  EXPECT_EQ(s.channel.ChannelStateAt(0), 0);
  EXPECT_EQ(s.sim.State().unplugged, "4 channel started");

  // Again, and pulled out at the second parameter block: the block call fails, the device goes.
  s.sim.Set("present = 1\n");
  ASSERT_TRUE(s.AttachReady());
  UnplugAt(s, Operations(s) + 2);
  ReadResult read = ReadParameters(s.channel);
  EXPECT_EQ(read.last, -1);
  EXPECT_EQ(read.lengths.size(), 1u);
  EXPECT_TRUE(s.queue.NextOf(kMessageDetached, kWait));
  EXPECT_FALSE(s.sim.State().present);
  EXPECT_NE(s.sim.State().unplugged.find(" parameter block"), std::string::npos);
}

TEST(SimUnplug, AProgramWriteCutOffLeavesItsProcessorErased) {
  DeviceSession s;
  ASSERT_TRUE(s.AttachReady());

  // Pulled out at the fifth progress record of a main controller program.
  bool ended = true;
  EXPECT_EQ(WritePulledOutAfter(s, ProgramImage(0x00, 0x00, 0x2011, 600), 5, &ended), 4u);
  EXPECT_FALSE(ended);
  sim::SimState state = s.sim.State();
  EXPECT_EQ(state.mc.words[sim::kWordMcCpu], 0);  // neither the old 2.010 nor the new 2.011
  EXPECT_NE(state.unplugged.find(" progress"), std::string::npos);

  // Plugged in again, the erased main controller still attaches and reports 0.000.
  s.sim.Set("present = 1\n");
  ASSERT_EQ(s.AttachAndWait(), kAttachedAtOnce);
  auto system = SystemChannel(s);
  ASSERT_TRUE(system);
  EXPECT_EQ(GetLe16(system->record.data() + 20), 0);

  // A parameter save file whose end never comes: the parameters read back as zeros.
  EXPECT_EQ(WritePulledOutAfter(s, ParameterFile(0x2002), 41, &ended), 40u);
  EXPECT_FALSE(ended);
  EXPECT_NE(s.sim.State().unplugged.find(" write end"), std::string::npos);
  s.sim.Set("present = 1\n");
  ASSERT_TRUE(s.AttachReady());
  ReadResult read = ReadParameters(s.channel);
  ASSERT_EQ(read.data.size(), kParameterFileSize);
  EXPECT_TRUE(CheckParameterToolHeader(read.data.data(), read.data.size()));
  EXPECT_EQ(read.data[6], kKindParameterFile);
  EXPECT_EQ(GetLe16(read.data.data() + 16), 0);
  EXPECT_EQ(std::count(read.data.begin() + kProgramHeaderSize, read.data.end(), 0),
            static_cast<long>(kParameterImageSize));

  // A cable pulled from outside in the middle of a line board's write erases that board too.
  s.sim.Set("progress_interval_ms = 2000\n");
  auto board = ProgramImage(0x10, 0x00, 0x1106, 600);  // INS64 CPU, board kind 0x02 on channel 3
  ASSERT_EQ(s.channel.WriteProgramImage(board.data(), board.size()), 0);
  ASSERT_TRUE(s.queue.NextNotification(kCodeTransferProgress, kWait));
  s.sim.Set("present = 0\n");
  EXPECT_TRUE(s.queue.NextOf(kMessageDetached, kWait));
  EXPECT_EQ(s.sim.State().boards.at(3).words[2], 0);
}

TEST(SimUnplug, PulledOutAtTheRestartOrAReset) {
  DeviceSession s;
  ASSERT_TRUE(s.AttachReady());

  // The write ends and is kept; at the restart the adapter goes and does not come back.
  bool ended = false;
  EXPECT_EQ(WritePulledOutAfter(s, ProgramImage(0x00, 0x00, 0x2011, 600), 42, &ended), 41u);
  EXPECT_TRUE(ended);
  EXPECT_TRUE(s.queue.NextOf(kMessageDetached, kWait));
  sim::SimState state = s.sim.State();
  EXPECT_EQ(state.mc.words[sim::kWordMcCpu], 0x2011);
  EXPECT_FALSE(state.present);
  EXPECT_NE(state.unplugged.find(" restart"), std::string::npos);

  // The library's reset: refused, the device gone.
  s.sim.Set("present = 1\n");
  ASSERT_TRUE(s.AttachReady());
  UnplugAt(s, Operations(s) + 1);
  EXPECT_EQ(s.channel.HardwareReset(), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DEVICE_NOT_CONNECTED));
  EXPECT_TRUE(s.queue.NextOf(kMessageDetached, kWait));
  EXPECT_NE(s.sim.State().unplugged.find(" reset"), std::string::npos);

  // The driver's reset packet, from another process's point of view: the packet is not taken,
  // and the channel of this one sees the adapter go.
  s.sim.Set("present = 1\n");
  ASSERT_TRUE(s.AttachReady());
  auto driver = CreateDeviceDriver();
  Adapter adapter = driver->OpenAdapter();
  ASSERT_TRUE(adapter.Found());
  uint32_t k = Operations(s) + 1;
  UnplugAt(s, k);
  DWORD error = 0;
  EXPECT_EQ(ResetAdapter(*driver, adapter, &error, [](DWORD) {}), ResetResult::kWriteFailed);
  EXPECT_EQ(error, static_cast<DWORD>(ERROR_DEVICE_NOT_CONNECTED));
  EXPECT_TRUE(s.queue.NextOf(kMessageDetached, kWait));
  EXPECT_FALSE(driver->OpenAdapter().Found());
  EXPECT_EQ(s.sim.State().unplugged, Format("%u reset", k));
}

TEST(SimStore, EveryRewriteIsExactAndSeenByTheOthers) {
  SimFolder sim;
  sim::SimStore reader(sim.Path());
  sim::SimState state;
  std::string error;
  ASSERT_TRUE(reader.Load(&state, &error)) << error;

  // A shorter text leaves nothing of the longer one behind it.
  sim.Set("device_text3 = " + std::string(200, 'x') + "\n");
  sim.Set("device_text3 = short\n");
  std::string text = sim.ReadFile(sim::kStateFileName);
  EXPECT_EQ(text.find("xx"), std::string::npos);
  EXPECT_NE(text.find("\ndevice_text3 = short\n"), std::string::npos);
  EXPECT_EQ(text.find("\n\n"), std::string::npos) << text;  // no blank lines left where it ended

  // Writes of the same size, one right after the other, each give a new stamp.
  for (int i = 0; i < 20; ++i) {
    sim.Set(i % 2 == 0 ? "present = 0\n" : "present = 1\n");
    EXPECT_TRUE(reader.Changed()) << i;
    ASSERT_TRUE(reader.Load(&state, &error)) << error;
    EXPECT_EQ(state.present, i % 2 != 0);
  }

  // A file of more than a page is replaced whole, and reads back.
  std::string boards = "channels = 61\n";
  for (int c = 1; c <= 60; ++c) boards += Format("board.%d = 0x02 0x1000 0x1020 0x1105\n", c);
  for (int i = 1; i <= 3; ++i) boards += Format("device_text%d = %s\n", i, std::string(250, 'a').c_str());
  sim.Set(boards + "parameter_file = " + std::string(200, 'p') + "\n");
  sim.Set("operations = 12345\n");
  EXPECT_GT(sim.ReadFile(sim::kStateFileName).size(), 4096u);
  EXPECT_EQ(sim.State().operations, 12345u);
  EXPECT_EQ(sim.State().boards.size(), 60u);
}
