// What the simulated adapter reports and how it judges and takes program images and delivers
// its parameters.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "ProgramHeader.h"
#include "SimDevice.h"

using namespace orvex;
using namespace orvex::sim;

namespace {

SimState Adapter() {
  SimState s;
  s.channels = 5;
  s.boards[1] = Board{0x00, {0x2003, 0, 0, 0}};
  s.boards[2] = Board{0x02, {0, 0x1020, 0x1105, 0}};
  s.boards[4] = Board{0x02, {0, 0x1021, 0x1104, 0}};
  return s;
}

std::vector<uint8_t> Image(uint8_t kind, uint8_t subkind, uint16_t version, size_t size) {
  std::vector<uint8_t> f(size, 0);
  ProgramHeader h;
  std::memcpy(h.magic, kMagicMain, 6);
  h.kind = kind;
  h.subkind = subkind;
  h.valid_size = static_cast<uint32_t>(size);
  h.extended[0] = version;
  WriteProgramHeader(h, f.data());
  for (size_t i = 32; i < size; ++i) f[i] = static_cast<uint8_t>(i);
  uint16_t sum = FileChecksum(f.data(), size);
  f[8] = static_cast<uint8_t>(sum);
  f[9] = static_cast<uint8_t>(sum >> 8);
  return f;
}

ProgramWriteRequest RequestFor(const std::vector<uint8_t>& image) {
  return {image[6], ProgramTargetCode(image[6], image[7]), static_cast<uint32_t>(image.size())};
}

}  // namespace

TEST(SimDevice, ChannelStartedRecordsAsBothToolsReadThem) {
  SimState s = Adapter();
  std::vector<Record> records = ChannelStartedRecords(s);
  ASSERT_EQ(records.size(), 4u);  // channels 1, 2, 4, then the system channel 5
  const uint8_t expected_channels[] = {1, 2, 4, 5};
  for (size_t i = 0; i < records.size(); ++i) {
    NotificationHeader h = ReadNotificationHeader(records[i].data());
    EXPECT_EQ(h.channel, expected_channels[i]);
    EXPECT_EQ(h.code, kCodeChannelStarted);
    EXPECT_EQ(h.kind, kRecordKindNotification);
    EXPECT_NE(h.valid, 0u);
  }
  const Record& ins = records[1];
  EXPECT_EQ(ins[16], 0x02);              // board code (payload byte 0)
  EXPECT_EQ(GetLe16(&ins[20]), 0x1020);  // DSP word
  EXPECT_EQ(GetLe16(&ins[22]), 0x1105);  // CPU word
  EXPECT_EQ(std::memcmp(&ins[16], &ins[32], 10), 0);
  const Record& mc = records[3];
  EXPECT_EQ(GetLe16(&mc[16 + 4]), s.mc.words[kWordMcCpu]);       // main controller version
  EXPECT_EQ(GetLe16(&mc[16 + 6]), s.mc.words[kWordParameters]);  // device version words
  EXPECT_EQ(GetLe16(&mc[16 + 8]), s.mc.words[kWordDevice2]);
  EXPECT_EQ(GetLe16(&mc[32 + 20 - 16]), s.mc.words[kWordMcCpu]);

  Record alarm = DeviceStoppedRecord(5, 0x42);
  EXPECT_EQ(ReadNotificationHeader(alarm.data()).code, kCodeDeviceStopped);
  EXPECT_EQ(alarm[16], 0x42);
  EXPECT_EQ(alarm[32], 0x42);
}

TEST(SimDevice, ProgressCountsEachPhaseDownToZero) {
  std::vector<ProgressStep> steps = ProgressSteps(1001, 4);
  ASSERT_EQ(steps.size(), 40u);
  EXPECT_EQ(steps.front().phase, 1);
  EXPECT_EQ(steps.front().remaining, 375u);  // 500 * 3 / 4
  EXPECT_EQ(steps[3].remaining, 0u);
  EXPECT_EQ(steps[4].phase, 2);
  EXPECT_EQ(steps.back().phase, 10);
  EXPECT_EQ(steps.back().remaining, 0u);
  EXPECT_EQ(ProgressSteps(100, 0).size(), 10u);
}

TEST(SimDevice, JudgesRequestsAndImages) {
  SimState s = Adapter();
  EXPECT_EQ(WriteRequestStatus(s, {0x00, 0, 1000}), 0);      // main controller program
  EXPECT_EQ(WriteRequestStatus(s, {0x00, 0, 31}), 255);      // shorter than a header
  EXPECT_EQ(WriteRequestStatus(s, {0x10, 0, 1000}), 0);      // INS64 CPU: boards 2 and 4
  EXPECT_EQ(WriteRequestStatus(s, {0x10, 3, 1000}), 255);    // INS1500: no such board
  EXPECT_EQ(WriteRequestStatus(s, {0x10, 9, 1000}), 255);    // no such target
  EXPECT_EQ(WriteRequestStatus(s, {0x77, 0, 1000}), 255);    // no such kind
  EXPECT_EQ(WriteRequestStatus(s, {0x35, 'R', 1000}), 0);    // analog board, generation 2
  EXPECT_EQ(WriteRequestStatus(s, {0x35, 'T', 1000}), 255);  // no generation 4 analog board

  auto image = Image(0x10, 0x00, 0x1106, 301);
  EXPECT_EQ(CheckReceivedImage(RequestFor(image), image.data(), image.size()), kCompletionOk);
  auto broken = image;
  broken[200] ^= 0x10;
  EXPECT_EQ(CheckReceivedImage(RequestFor(image), broken.data(), broken.size()), kCompletionChecksum);
  ProgramWriteRequest other = RequestFor(image);
  other.target = 1;
  EXPECT_EQ(CheckReceivedImage(other, image.data(), image.size()), kCompletionMismatch);
  EXPECT_EQ(CheckReceivedImage(RequestFor(image), image.data(), 300), kCompletionBadFormat);
  auto foreign = image;
  std::memcpy(foreign.data(), "XX4100", 6);
  EXPECT_EQ(CheckReceivedImage(RequestFor(image), foreign.data(), foreign.size()), kCompletionBadFormat);
}

TEST(SimDevice, AWrittenImageBecomesTheReportedVersion) {
  SimState s = Adapter();
  auto ins = Image(0x10, 0x00, 0x1106, 100);
  EXPECT_FALSE(ApplyWrittenImage(&s, RequestFor(ins), ins.data(), ins.size()));
  EXPECT_EQ(s.boards[2].words[2], 0x1106);
  EXPECT_EQ(s.boards[4].words[2], 0x1106);
  EXPECT_EQ(s.boards[2].words[1], 0x1020);  // the DSP keeps its version
  EXPECT_EQ(s.boards[1].words[0], 0x2003);

  auto cpu = Image(0x00, 0x00, 0x2011, 100);
  ApplyWrittenImage(&s, RequestFor(cpu), cpu.data(), cpu.size());
  EXPECT_EQ(s.mc.words[kWordMcCpu], 0x2011);
  EXPECT_EQ(ReadNotificationHeader(ChannelStartedRecords(s).back().data()).channel, 5);
  EXPECT_EQ(GetLe16(&ChannelStartedRecords(s).back()[20]), 0x2011);

  auto params = Image(kKindParameterFile, 0x03, 0x2002, kParameterFileSize);
  EXPECT_TRUE(ApplyWrittenImage(&s, RequestFor(params), params.data(), params.size()));
  EXPECT_EQ(s.mc.words[kWordParameters], 0x2002);

  std::vector<uint8_t> empty = EmptyParameterFile(s);
  ASSERT_EQ(empty.size(), kParameterFileSize);
  EXPECT_TRUE(CheckParameterToolHeader(empty.data(), empty.size()));
  EXPECT_EQ(GetLe16(&empty[16]), 0x2002);
}

namespace {

struct Delivery {
  std::vector<uint8_t> data;
  int blocks = 0;
  int last = -2;
  std::vector<uint32_t> lengths;
};

Delivery ReadAll(ParameterStream& stream, uint32_t capacity) {
  Delivery d;
  std::vector<uint8_t> buffer(capacity);
  for (int guard = 0; guard < 10000; ++guard) {
    PutLe32(buffer.data(), capacity);
    int r = stream.NextBlock(buffer.data());
    if (r < 0) {
      d.last = r;
      return d;
    }
    ++d.blocks;
    uint32_t n = GetLe32(buffer.data());
    d.lengths.push_back(n);
    if (n > 18) d.data.insert(d.data.end(), buffer.begin() + 18, buffer.begin() + n);
    if (r != 0) {
      d.last = r;
      return d;
    }
  }
  return d;
}

}  // namespace

TEST(SimDevice, ParameterBlocksWithAndWithoutFaults) {
  std::vector<uint8_t> file(1000);
  for (size_t i = 0; i < file.size(); ++i) file[i] = static_cast<uint8_t>(i * 3);

  ParameterStream plain(file, {});
  EXPECT_EQ(plain.Announced(), 1000u);
  Delivery d = ReadAll(plain, 16 + 256);
  EXPECT_EQ(d.last, 1);
  EXPECT_EQ(d.data, file);
  EXPECT_EQ(d.blocks, 4);  // 254 bytes a block
  for (uint32_t n : d.lengths) EXPECT_LE(n, 16u + 256u);

  ParameterStream::Faults f;
  f.short_by = 100;
  ParameterStream short_stream(file, f);
  EXPECT_EQ(short_stream.Announced(), 1000u);
  EXPECT_EQ(ReadAll(short_stream, 272).data.size(), 900u);

  f = {};
  f.overflow_by = 10;
  ParameterStream over(file, f);
  EXPECT_EQ(ReadAll(over, 272).data.size(), 1010u);

  f = {};
  f.malformed_length = 8;
  ParameterStream malformed(file, f);
  d = ReadAll(malformed, 272);
  EXPECT_EQ(d.lengths.front(), 8u);
  EXPECT_EQ(d.data, file);  // the malformed block carries nothing and takes nothing away

  f = {};
  f.fail_after = 2;
  ParameterStream failing(file, f);
  d = ReadAll(failing, 272);
  EXPECT_EQ(d.blocks, 2);
  EXPECT_EQ(d.last, -1);

  ParameterStream tiny(file, {});
  EXPECT_EQ(ReadAll(tiny, 18).last, -1);  // no room for a single byte
}
