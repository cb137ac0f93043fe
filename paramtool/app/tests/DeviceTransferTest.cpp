// The device side of OrvexSet without windows: notification records, the system notice's next
// step, detach and alarm outcomes by run mode, the parameter read's blocks and file, the write's
// progress, results and file mode.
#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "DeviceEvents.h"
#include "DeviceRecords.h"
#include "MemoryFiles.h"
#include "ParameterSaveFile.h"
#include "ReadTransfer.h"
#include "WriteTransfer.h"

using namespace orvex;
using orvex::test::MemoryFiles;

namespace {

std::vector<uint8_t> Record(uint8_t channel, uint16_t code, std::vector<uint8_t> payload, uint32_t kind = 2) {
  payload.resize(kNoticeBytesRead - kRecordHeaderSize, 0);
  std::vector<uint8_t> record = BuildNotificationRecord(channel, code, payload.data(), payload.size());
  PutLe32(record.data() + 8, kind);
  return record;
}

AutoRunContext Context(RunMode mode, bool message_box = true) {
  AutoRunContext c;
  c.automatic = mode == RunMode::kAutomatic;
  c.file_mode = mode == RunMode::kFileRead    ? FileMode::kRead
                : mode == RunMode::kFileWrite ? FileMode::kWrite
                                              : FileMode::kNone;
  c.message_box = message_box;
  return c;
}

// A device that hands out prepared blocks; the block's first word is its length word.
class FakeBlocks : public ParameterBlockSource {
 public:
  struct Block {
    int answer;
    uint32_t length;
    std::vector<uint8_t> data;
  };
  std::deque<Block> blocks;
  int ended = 0;

  uint32_t capacity = 0;

  int NextBlock(uint8_t* buffer, uint32_t block_capacity) override {
    capacity = block_capacity;
    if (blocks.empty()) return -1;
    Block b = blocks.front();
    blocks.pop_front();
    if (b.answer == -1) return -1;
    PutLe32(buffer, b.length);
    if (!b.data.empty()) std::memcpy(buffer + 18, b.data.data(), b.data.size());
    return b.answer;
  }
  void EndRead(uint8_t*, uint32_t) override { ++ended; }
  uint32_t LastError() const override { return 121; }

  // Data split into blocks of `per_block` bytes, the last one marked.
  void Stream(const std::vector<uint8_t>& data, size_t per_block) {
    for (size_t at = 0; at < data.size(); at += per_block) {
      size_t n = std::min(per_block, data.size() - at);
      blocks.push_back({at + n >= data.size() ? 1 : 0, static_cast<uint32_t>(n + 18),
                        std::vector<uint8_t>(data.begin() + static_cast<long>(at),
                                             data.begin() + static_cast<long>(at + n))});
    }
  }
};

std::vector<uint8_t> Pattern(size_t n, uint8_t seed = 1) {
  std::vector<uint8_t> bytes(n);
  for (size_t i = 0; i < n; ++i) bytes[i] = static_cast<uint8_t>(i * 13 + seed);
  return bytes;
}

struct Read {
  ReadLoopResult result;
  std::unique_ptr<ParameterReadData> data = std::make_unique<ParameterReadData>();
  std::vector<uint32_t> positions;
};

Read RunRead(FakeBlocks& device, uint32_t total, uint32_t transfer_block = 64) {
  Read read;
  EXPECT_TRUE(read.data->Start(total));
  std::vector<uint8_t> block;
  EXPECT_TRUE(MakeBlockBuffer(transfer_block, &block));
  read.result = RunParameterRead(device, *read.data, block, [&](uint32_t p) { read.positions.push_back(p); });
  return read;
}

}  // namespace

// ---- Notifications and connection -------------------------------------------------------------

TEST(DeviceEvents, RecordsAsTheWindowReadsThem) {
  // Five channels: 1..4 line channels, 5 the system channel.
  DeviceNotice line = ReadDeviceNotice(Record(3, kCodeChannelStarted, {0x14}).data(), 5);
  EXPECT_EQ(line.kind, NoticeKind::kLineStarted);
  EXPECT_EQ(line.channel, 3u);
  EXPECT_EQ(line.board, 0x14);

  DeviceNotice system = ReadDeviceNotice(
      Record(5, kCodeChannelStarted, {0, 0, 0x05, 0x11, 0x05, 0x21, 0x01, 0x20, 0x00, 0x01}).data(), 5);
  EXPECT_EQ(system.kind, NoticeKind::kSystemNotice);
  EXPECT_EQ(system.mc_version, 0x2105);
  EXPECT_EQ(system.device_word1, 0x2001);
  EXPECT_EQ(system.device_word2, 0x0100);
  // A channel number above N counts as the system channel too.
  EXPECT_EQ(ReadDeviceNotice(Record(9, kCodeChannelStarted, {}).data(), 5).kind, NoticeKind::kSystemNotice);

  EXPECT_EQ(ReadDeviceNotice(Record(2, kCodeChannelStopped, {}).data(), 5).kind, NoticeKind::kLineStopped);
  EXPECT_EQ(ReadDeviceNotice(Record(5, kCodeChannelStopped, {}).data(), 5).kind, NoticeKind::kOther);
  DeviceNotice alarm = ReadDeviceNotice(Record(5, kCodeDeviceStopped, {0x42}).data(), 5);
  EXPECT_EQ(alarm.kind, NoticeKind::kDeviceStopped);
  EXPECT_EQ(alarm.stop_status, 0x42);
  EXPECT_EQ(ReadDeviceNotice(Record(5, kCodeTransferProgress, {}).data(), 5).kind,
            NoticeKind::kWriteProgress);
  EXPECT_EQ(ReadDeviceNotice(Record(5, kCodeTransferEnd, {}).data(), 5).kind, NoticeKind::kWriteEnd);
  // Not a notification record, or not valid: nothing.
  EXPECT_EQ(ReadDeviceNotice(Record(3, kCodeChannelStarted, {1}, 3).data(), 5).kind, NoticeKind::kOther);
  auto invalid = Record(3, kCodeChannelStarted, {1});
  PutLe32(invalid.data(), 0);
  EXPECT_EQ(ReadDeviceNotice(invalid.data(), 5).kind, NoticeKind::kOther);
}

TEST(DeviceEvents, SystemNoticesAfterOrdinaryAndAbnormalDetaches) {
  NoticeTracker tracker;
  EXPECT_EQ(tracker.OnSystemNotice(), NoticeTracker::Step::kFirst);
  EXPECT_EQ(tracker.OnSystemNotice(), NoticeTracker::Step::kRepeat);
  tracker.OnDetached(kDetachOrdinary);
  EXPECT_EQ(tracker.OnSystemNotice(), NoticeTracker::Step::kFirst);
  // After an abnormal detach the first notice only clears the error; the next one is the first.
  tracker.OnDetached(0x1F);
  EXPECT_TRUE(tracker.error());
  EXPECT_EQ(tracker.OnSystemNotice(), NoticeTracker::Step::kNone);
  EXPECT_FALSE(tracker.error());
  EXPECT_EQ(tracker.OnSystemNotice(), NoticeTracker::Step::kFirst);
}

TEST(DeviceEvents, FirstNoticeStepByRunMode) {
  EXPECT_EQ(FirstNoticeStepFor(Context(RunMode::kInteractive)), FirstNoticeStep::kConnection);
  EXPECT_EQ(FirstNoticeStepFor(Context(RunMode::kFileRead)), FirstNoticeStep::kConnection);
  EXPECT_EQ(FirstNoticeStepFor(Context(RunMode::kFileWrite)), FirstNoticeStep::kWriteFile);
  AutoRunContext automatic = Context(RunMode::kAutomatic);
  EXPECT_EQ(FirstNoticeStepFor(automatic), FirstNoticeStep::kConnection);  // nothing to choose from
  automatic.handoff.definition_files.push_back("C:\\run\\Cti_par.txt");
  EXPECT_EQ(FirstNoticeStepFor(automatic), FirstNoticeStep::kSelectDefinition);
}

TEST(DeviceEvents, AbnormalDetachAndAlarmByRunMode) {
  DetachOutcome automatic = AbnormalDetach(Context(RunMode::kAutomatic), 0x1F, 1167);
  EXPECT_TRUE(automatic.outcome.end_window);
  EXPECT_FALSE(automatic.attach_again);
  EXPECT_EQ(automatic.outcome.report_code, 256u);
  EXPECT_EQ(automatic.outcome.report_text, "デバイスに異常が発生しました。\n\nStat = 1Fh, Err = 1167");

  DetachOutcome interactive = AbnormalDetach(Context(RunMode::kInteractive), 0x1F, 1167);
  EXPECT_TRUE(interactive.attach_again);
  EXPECT_FALSE(interactive.outcome.end_window);
  EXPECT_EQ(interactive.outcome.message,
            "デバイスに異常が発生しました。\n\nStat = 1Fh, Err = "
            "1167\n\n一旦、デバイスはアプリケーションから切り離されます。");
  EXPECT_EQ(AbnormalDetach(Context(RunMode::kFileRead), 0x1F, 1).outcome.message.empty(), false);
  // A file mode run with /m has nobody to answer a message box.
  DetachOutcome quiet = AbnormalDetach(Context(RunMode::kFileWrite, false), 0x1F, 1);
  EXPECT_TRUE(quiet.outcome.message.empty());
  EXPECT_TRUE(quiet.attach_again);

  StoppedOutcome stopped_auto = DeviceStopped(RunMode::kAutomatic, 0x42);
  EXPECT_EQ(stopped_auto.outcome.report_text, "デバイス停止通知 Stat = 42h");
  EXPECT_TRUE(stopped_auto.outcome.end_window);
  StoppedOutcome stopped_file = DeviceStopped(RunMode::kFileRead, 0x42);
  EXPECT_EQ(stopped_file.outcome.exit_code, 257u);
  EXPECT_TRUE(stopped_file.question.empty());
  StoppedOutcome stopped_user = DeviceStopped(RunMode::kInteractive, 0x42);
  EXPECT_FALSE(stopped_user.outcome.end_window);
  EXPECT_EQ(
      stopped_user.question.rfind(
          "デバイスに致命的なエラーが発生しました。 Stat = 42h\n\nハードウェア・リセットを実行しますか？", 0),
      0u);
}

// ---- Parameter read -----------------------------------------------------------------------------

TEST(ParameterRead, BlocksAddUpToTheAnnouncedData) {
  const std::vector<uint8_t> file = Pattern(200);
  FakeBlocks device;
  device.Stream(file, 64);
  Read read = RunRead(device, 200, 100);
  EXPECT_EQ(read.result.end, ReadEnd::kComplete);
  EXPECT_TRUE(read.data->Complete());
  EXPECT_EQ(std::vector<uint8_t>(read.data->bytes(), read.data->bytes() + 200), file);
  EXPECT_EQ(read.positions, (std::vector<uint32_t>{64, 128, 192, 200}));
  EXPECT_EQ(device.capacity, 100u + 16u);  // the transfer block length and 16
  EXPECT_EQ(ReadProgressTitle("デバイス・パラメータ読込中", 64, 200), "デバイス・パラメータ読込中 (32%)");
  EXPECT_EQ(ReadProgressStatus(64, 200), "64 / 200");
  EXPECT_EQ(ReadStartStatus(15452), "0 / 15452");
}

TEST(ParameterRead, BlocksWithoutDataOrThatDoNotFit) {
  FakeBlocks device;
  device.blocks.push_back({0, 16, {}});
  device.blocks.push_back({0, 18, {}});
  device.blocks.push_back({0, 18 + 8, Pattern(8)});
  device.blocks.push_back({0, 18 + 10, Pattern(10)});  // would overflow the 12 bytes announced: dropped
  device.blocks.push_back({1, 18 + 4, Pattern(4)});
  Read read = RunRead(device, 12);
  EXPECT_EQ(read.result.end, ReadEnd::kComplete);
  EXPECT_EQ(read.data->received(), 12u);
  EXPECT_EQ(read.positions, (std::vector<uint32_t>{8, 12}));
}

TEST(ParameterRead, AMalformedBlockEndsTheReadShort) {
  // A length word below 16, or beyond the buffer, ends the read at once; the device's read is
  // ended too, and the count check fails it afterwards.
  for (uint32_t length : {0u, 15u, 80u + 16 + 1}) {
    FakeBlocks device;
    device.blocks.push_back({0, 18 + 8, Pattern(8)});
    device.blocks.push_back({0, length, {}});
    device.blocks.push_back({1, 18 + 8, Pattern(8)});
    Read read = RunRead(device, 16, 80);
    EXPECT_EQ(read.result.end, ReadEnd::kStopped) << length;
    EXPECT_EQ(device.ended, 1) << length;
    EXPECT_EQ(read.data->received(), 8u) << length;
    EXPECT_FALSE(read.data->Complete());
  }
  FakeBlocks failing;
  failing.blocks.push_back({0, 18 + 8, Pattern(8)});
  failing.blocks.push_back({-1, 0, {}});
  Read failed = RunRead(failing, 16);
  EXPECT_EQ(failed.result.end, ReadEnd::kFailed);
  EXPECT_EQ(failed.result.error, 121u);
}

TEST(ParameterRead, TakeOverOfWhatTheDeviceSent) {
  auto take = [](const std::vector<uint8_t>& bytes, LoadedSaveFile* out) {
    ParameterReadData data;
    EXPECT_TRUE(data.Start(static_cast<uint32_t>(bytes.size())));
    EXPECT_TRUE(bytes.empty() || data.Append(bytes.data(), static_cast<uint32_t>(bytes.size())));
    return TakeOverRead(data, out);
  };
  auto out = std::make_unique<LoadedSaveFile>();
  std::vector<uint8_t> file = Pattern(15452);
  file[7] = 3;
  file[16] = 0x05;
  file[17] = 0x20;
  ASSERT_TRUE(take(file, out.get()));
  EXPECT_EQ(out->class_byte, 3);
  EXPECT_EQ(out->version, 0x2005);
  EXPECT_EQ(std::memcmp(out->image.Bytes(), file.data() + 32, kParameterImageSize), 0);

  // Fewer bytes: the rest of the image is zero. More: only the first 15420 after the header.
  std::vector<uint8_t> small = Pattern(32 + 100, 9);
  ASSERT_TRUE(take(small, out.get()));
  EXPECT_EQ(std::memcmp(out->image.Bytes(), small.data() + 32, 100), 0);
  EXPECT_EQ(out->image.Bytes()[100], 0);
  EXPECT_EQ(out->image.Bytes()[kParameterImageSize - 1], 0);
  std::vector<uint8_t> large = Pattern(20000, 5);
  ASSERT_TRUE(take(large, out.get()));
  EXPECT_EQ(std::memcmp(out->image.Bytes(), large.data() + 32, kParameterImageSize), 0);

  EXPECT_FALSE(take(Pattern(32), out.get()));  // nothing after the header
  ParameterReadData partial;
  ASSERT_TRUE(partial.Start(15452));
  ASSERT_TRUE(partial.Append(file.data(), 15000));
  EXPECT_FALSE(TakeOverRead(partial, out.get()));
  EXPECT_EQ(ReadIncomplete(RunMode::kInteractive, 15452, 15000).message,
            "デバイス・パラメータの読込転送に失敗しました。\n\nSize = 15452, Cnt = 15000");
  RunOutcome automatic = ReadIncomplete(RunMode::kAutomatic, 15452, 15000);
  EXPECT_EQ(automatic.report_text, "デバイス・パラメータ読込転送失敗 Size = 15452, Cnt = 15000");
  EXPECT_EQ(automatic.report_code, 256u);
}

TEST(ParameterRead, StartAndBlockFailuresByRunMode) {
  ReadStartOutcome refused = ReadStartFailed(RunMode::kInteractive, ReadStartFailure::kRefused, 7);
  EXPECT_EQ(refused.result, 255);
  EXPECT_EQ(refused.outcome.message,
            "デバイスに転送エラーが発生しました。Stat = "
            "7\n\nデバイスの電源を一旦OFF(しばらくしてからON)にして、再度行って下さい。");
  ReadStartOutcome auto_refused = ReadStartFailed(RunMode::kAutomatic, ReadStartFailure::kRefused, 7);
  EXPECT_EQ(auto_refused.outcome.report_code, 256u);
  EXPECT_EQ(auto_refused.outcome.report_text, "パラメータ読込要求失敗 Err = 7");
  ReadStartOutcome auto_memory = ReadStartFailed(RunMode::kAutomatic, ReadStartFailure::kNoThread, 0);
  EXPECT_EQ(auto_memory.outcome.report_code, 3u);
  EXPECT_EQ(auto_memory.outcome.report_text, "パラメータ読込リソースエラー（メモリ不足）");
  // File modes say nothing; a refused read is a device failure, the rest a resource failure.
  ReadStartOutcome file_refused = ReadStartFailed(RunMode::kFileRead, ReadStartFailure::kRefused, 7);
  EXPECT_EQ(file_refused.result, 7);
  EXPECT_FALSE(file_refused.outcome.report_code);
  EXPECT_TRUE(file_refused.outcome.message.empty());
  EXPECT_EQ(ReadStartFailed(RunMode::kFileRead, ReadStartFailure::kNoMemory, 0).result, -1);

  EXPECT_EQ(ReadBlocksFailed(RunMode::kInteractive, 121).message,
            "デバイスから応答がありません。Err = "
            "121\n\nデバイスの電源を一旦OFF(しばらくしてからON)にして、再度行って下さい。");
  EXPECT_EQ(ReadBlocksFailed(RunMode::kAutomatic, 121).report_text, "パラメータ読込転送失敗");
  EXPECT_TRUE(ReadBlocksFailed(RunMode::kFileRead, 121).message.empty());
}

TEST(ParameterRead, FileModeExitCodesAndTheFile) {
  ParameterReadData complete;
  ASSERT_TRUE(complete.Start(40));
  std::vector<uint8_t> bytes = Pattern(40);
  ASSERT_TRUE(complete.Append(bytes.data(), 40));
  ParameterReadData partial;
  ASSERT_TRUE(partial.Start(40));
  int writes = 0;
  auto write = [&] {
    ++writes;
    return 0u;
  };
  EXPECT_EQ(ReadFileModeExitCode(kReadSucceeded, complete, write), 0u);
  EXPECT_EQ(ReadFileModeExitCode(kReadSucceeded, partial, write), 3u);
  EXPECT_EQ(ReadFileModeExitCode(kReadFailed, complete, write), 257u);
  EXPECT_EQ(ReadFileModeExitCode(-1, complete, write), 255u);
  EXPECT_EQ(writes, 1);

  MemoryFiles fs;
  fs.files["C:\\out.prg"] = "earlier";
  EXPECT_EQ(WriteReceivedFile("C:\\out.prg", bytes.data(), 40, fs), 0u);
  EXPECT_EQ(fs.files["C:\\out.prg"], std::string(bytes.begin(), bytes.end()));
  EXPECT_EQ(fs.files.size(), 1u);  // no temporary file left

  // A write that fails leaves the earlier file as it was, and nothing else.
  fs.files["C:\\out.prg"] = "earlier";
  fs.fail_write = true;
  EXPECT_EQ(WriteReceivedFile("C:\\out.prg", bytes.data(), 40, fs), 2u);
  EXPECT_EQ(fs.files["C:\\out.prg"], "earlier");
  EXPECT_EQ(fs.files.size(), 1u);
  fs.fail_write = false;
  fs.read_only.insert("C:\\out.prg");
  EXPECT_EQ(WriteReceivedFile("C:\\out.prg", bytes.data(), 40, fs), 1u);
  EXPECT_EQ(fs.files["C:\\out.prg"], "earlier");
  EXPECT_EQ(WriteReceivedFile("C:\\short.prg", bytes.data(), 31, fs), 3u);
  EXPECT_EQ(fs.files.count("C:\\short.prg"), 0u);
}

// ---- Parameter write ----------------------------------------------------------------------------

TEST(ParameterWrite, ProgressPositionsAndTheClamp) {
  WriteProgressMeter meter(15452);
  ASSERT_EQ(meter.range(), 77260u);
  auto at = [&](uint8_t phase, uint32_t remaining) {
    uint8_t payload[8] = {phase};
    PutLe32(payload + 4, remaining);
    return meter.Progress(payload);
  };
  EXPECT_EQ(at(1, 7726).position, 0u);
  EXPECT_EQ(at(1, 0).position, 7726u);
  EXPECT_EQ(at(2, 3863).position, 7726u + 3863u);
  WriteProgressMeter::Step last = at(10, 0);
  EXPECT_EQ(last.position, 77260u);
  EXPECT_EQ(last.percent, 100u);
  // A remaining count above S / 2 counts as S / 2: the bar stays at the phase's start.
  WriteProgressMeter::Step clamped = at(3, 99999);
  EXPECT_EQ(clamped.remaining, 7726u);
  EXPECT_EQ(clamped.position, 2u * 7726u);
  EXPECT_EQ(clamped.percent, 20u);
  // Phases the formula was never meant for stay on the bar.
  EXPECT_EQ(at(0, 100).position, 0u);
  EXPECT_EQ(at(200, 0).position, 77260u);

  EXPECT_EQ(WriteProgressTitle("デバイス・パラメータ書込中", 20), "デバイス・パラメータ書込中 (20%)");
  EXPECT_EQ(WriteProgressStatus(3, 0x1E2E), "03h : 1E2Eh");
  EXPECT_EQ(WriteDoneTitle("デバイス・パラメータ書込中"), "デバイス・パラメータ書込中 (100%)");
  EXPECT_FALSE(WriteSilent(4999, 0));
  EXPECT_TRUE(WriteSilent(5000, 0));
  EXPECT_FALSE(WriteSilent(1000, 0xFFFFFC18u));  // 2 s across the tick count's wrap
  EXPECT_TRUE(WriteSilent(4000, 0xFFFFFC18u));
}

TEST(ParameterWrite, ResultTextsAndFileModeExitCodes) {
  const uint8_t failed[8] = {0x12, 1, 2, 3, 4, 5, 6, 7};
  WriteResultMessage failure = WriteResultFor(failed);
  EXPECT_FALSE(failure.success);
  EXPECT_EQ(failure.text,
            "パラメータ設定データのデバイス書込に失敗しました。\n\nErr = 12 : 01 02 03 04 05 06 07 ");
  const uint8_t done[8] = {};
  EXPECT_TRUE(WriteResultFor(done).success);
  EXPECT_EQ(WriteResultFor(done).text, "パラメータ設定データは正常にデバイスに書き込まれました。");

  // A device that reports a failed write is a device failure, not a success.
  EXPECT_EQ(WriteFileModeExitCode(kWriteSucceeded, 0), 0u);
  EXPECT_EQ(WriteFileModeExitCode(kWriteSucceeded, 0x12), 257u);
  EXPECT_EQ(WriteFileModeExitCode(kWriteFailed, 0), 257u);
  EXPECT_EQ(WriteFileModeExitCode(-1, 0), 255u);

  EXPECT_EQ(WriteStartFailed(RunMode::kAutomatic, WriteStartFailure::kRefused, 255).outcome.report_text,
            "フラッシュ書換データ転送失敗 Err = 255");
  EXPECT_EQ(WriteStartFailed(RunMode::kAutomatic, WriteStartFailure::kNoTimer, 0).outcome.report_text,
            "フラッシュ書換リソースエラー（メモリ不足）");
  EXPECT_EQ(WriteStartFailed(RunMode::kInteractive, WriteStartFailure::kNoTimer, 0).outcome.message,
            "タイマー・リソースが不足しています。");
  EXPECT_EQ(WriteStartFailed(RunMode::kFileWrite, WriteStartFailure::kRefused, 255).result, 7);
  EXPECT_EQ(WriteStartFailed(RunMode::kFileWrite, WriteStartFailure::kNoImage, 0).result, -1);
  EXPECT_EQ(WriteSilenceOutcome(RunMode::kAutomatic).report_text, "更新異常(デバイス応答無)");
  EXPECT_TRUE(WriteSilenceOutcome(RunMode::kFileWrite).message.empty());
}

TEST(ParameterWrite, TheWriteFileModesFile) {
  auto image = std::make_unique<ParameterImage>();
  std::memset(image.get(), 0x11, sizeof *image);
  auto composed = ComposeFileImage(*image, 1, 0x1003);
  std::vector<uint8_t> good(composed->bytes, composed->bytes + sizeof composed->bytes);
  EXPECT_EQ(CheckWriteFile(good), 0u);
  std::vector<uint8_t> firmware = good;
  firmware[6] = 0x00;  // a main controller program, checksum put right
  const uint16_t sum = FileChecksum(firmware.data(), firmware.size());
  firmware[8] = static_cast<uint8_t>(sum);
  firmware[9] = static_cast<uint8_t>(sum >> 8);
  EXPECT_EQ(CheckWriteFile(firmware), 3u);
  std::vector<uint8_t> damaged = good;
  damaged[1000] ^= 1;
  EXPECT_EQ(CheckWriteFile(damaged), 3u);
  EXPECT_EQ(CheckWriteFile({}), 3u);

  MemoryFiles fs;
  fs.files["C:\\in.prg"] = std::string(good.begin(), good.end());
  std::vector<uint8_t> read;
  EXPECT_EQ(ReadWriteModeFile("C:\\in.prg", &read, fs), 0u);
  EXPECT_EQ(read, good);
  EXPECT_EQ(ReadWriteModeFile("C:\\missing.prg", &read, fs), 1u);
}
