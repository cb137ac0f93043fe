// The recovery record: its byte layout, resets, and which records lead to a repair offer.
#include <gtest/gtest.h>

#include <cstring>
#include <map>

#include "RecoveryRecord.h"

using namespace orvex::autoupdate;

namespace {

struct FakeFolders : FolderProbe {
  std::map<std::string, uint32_t> errors;  // probe path -> error; others give 2 (folder exists)
  std::string last;
  uint32_t OpenError(const std::string& path) override {
    last = path;
    auto it = errors.find(path);
    return it == errors.end() ? 2 : it->second;
  }
};

RecoveryRecord Failed(const char* folder) {
  RecoveryRecord r;
  ResetRecoveryRecord(&r, 0x02000101);
  r.failure_state = 256;
  r.parameter_value = 4;
  r.stage = 3;
  r.resume_value = 0x10003;
  SetRecoveryFolder(&r, folder);
  return r;
}

}  // namespace

TEST(RecoveryRecord, LayoutAndResets) {
  RecoveryRecord r = Failed("C:\\OrvexRoll\\20240102_030405\\");
  r.reserved24[7] = 0x77;
  uint8_t bytes[kRecoveryRecordSize + 20];
  std::memset(bytes, 0xCC, sizeof bytes);
  EncodeRecoveryRecord(r, bytes);
  const uint8_t head[24] = {0x01, 0x01, 0x00, 0x02, 0x00, 0x01, 0, 0, 4, 0, 0, 0,
                            3,    0,    0,    0,    0,    0,    0, 0, 3, 0, 1, 0};
  EXPECT_EQ(std::memcmp(bytes, head, sizeof head), 0);
  EXPECT_EQ(bytes[31], 0x77);
  EXPECT_EQ(std::memcmp(bytes + 32, "C:\\OrvexRoll\\20240102_030405\\", 29), 0);
  EXPECT_EQ(bytes[32 + 29], 0);
  EXPECT_EQ(bytes[kRecoveryRecordSize], 0xCC);  // exactly 1056 bytes

  RecoveryRecord back;
  EXPECT_FALSE(DecodeRecoveryRecord(bytes, kRecoveryRecordSize - 1, &back));  // short file
  ASSERT_TRUE(DecodeRecoveryRecord(bytes, sizeof bytes, &back));               // longer: first 1056 bytes
  EXPECT_EQ(back.version, 0x02000101u);
  EXPECT_EQ(back.failure_state, 256);
  EXPECT_EQ(back.parameter_value, 4);
  EXPECT_EQ(back.stage, 3);
  EXPECT_EQ(back.resume_value, 0x10003u);
  EXPECT_EQ(RecoveryFolder(back), "C:\\OrvexRoll\\20240102_030405\\");

  // A normal update instead of the repair keeps the folder; a full reset clears it.
  ResetRecoveryHeader(&back, 0x02000101);
  EXPECT_EQ(back.failure_state, 0);
  EXPECT_EQ(back.parameter_value, -1);
  EXPECT_EQ(back.stage, -5);
  EXPECT_EQ(back.resume_value, 0u);
  EXPECT_EQ(back.reserved24[7], 0);
  EXPECT_EQ(RecoveryFolder(back), "C:\\OrvexRoll\\20240102_030405\\");
  ResetRecoveryRecord(&back, 0x02000101);
  EXPECT_EQ(RecoveryFolder(back), "");
  EXPECT_EQ(back.stage, -5);

  // The run folder is cut to 1023 bytes, never inside a double-byte character.
  SetRecoveryFolder(&back, std::string(1022, 'a') + "表");
  EXPECT_EQ(RecoveryFolder(back), std::string(1022, 'a'));
  SetRecoveryFolder(&back, std::string(2000, 'b'));
  EXPECT_EQ(RecoveryFolder(back).size(), 1023u);
}

TEST(RecoveryRecord, StartUpCheckMatrix) {
  FakeFolders folders;
  RecoveryRecord r = Failed("C:\\OrvexRoll\\run");
  RecoveryCheck check = CheckRecoveryRecord(&r, folders);
  EXPECT_TRUE(check.repair_offered);
  EXPECT_EQ(folders.last, "C:\\OrvexRoll\\run\\$dummy.file$");
  EXPECT_EQ(RecoveryFolder(r), "C:\\OrvexRoll\\run\\");  // the '\' is appended
  EXPECT_EQ(RecoveryCheckText(r),
            "修復情報保存フォルダ = 'C:\\OrvexRoll\\run\\'\n修復情報確認(v2.0.1.1) State = 100h, Stage = 3(10003h)");

  struct Case {
    const char* name;
    void (*change)(RecoveryRecord*);
    uint32_t reasons;
  };
  const Case cases[] = {
      {"below 2.0.0.0", [](RecoveryRecord* x) { x->version = 0x01FFFFFF; }, kRecoveryOldVersion},
      {"stage -5", [](RecoveryRecord* x) { x->stage = -5; }, kRecoveryDriverStage},
      {"stage -4", [](RecoveryRecord* x) { x->stage = -4; }, 0},
      {"stage 0", [](RecoveryRecord* x) { x->stage = 0; }, 0},
      {"failure state 1", [](RecoveryRecord* x) { x->failure_state = 1; }, kRecoveryStateSuccess},
      {"failure state 0", [](RecoveryRecord* x) { x->failure_state = 0; }, kRecoveryNoFailure},
      {"failure state -1", [](RecoveryRecord* x) { x->failure_state = -1; }, 0},
      {"no folder", [](RecoveryRecord* x) { SetRecoveryFolder(x, ""); }, kRecoveryNoFolder},
      {"deleted folder", [](RecoveryRecord* x) { SetRecoveryFolder(x, "C:\\gone\\"); }, kRecoveryFolderGone},
      {"probe file present", [](RecoveryRecord* x) { SetRecoveryFolder(x, "C:\\here\\"); }, 0},
      {"1023 without backslash", [](RecoveryRecord* x) { SetRecoveryFolder(x, std::string(1023, 'f')); },
       kRecoveryFolderUnusable},
      {"1023 with backslash", [](RecoveryRecord* x) { SetRecoveryFolder(x, std::string(1022, 'f') + "\\"); }, 0},
      {"not terminated", [](RecoveryRecord* x) { std::memset(x->run_folder, 'g', kRecoveryFolderSize); },
       kRecoveryFolderUnusable},
  };
  folders.errors["C:\\gone\\$dummy.file$"] = 3;
  folders.errors["C:\\here\\$dummy.file$"] = 0;
  for (const Case& c : cases) {
    RecoveryRecord x = Failed("C:\\OrvexRoll\\run\\");
    c.change(&x);
    RecoveryCheck result = CheckRecoveryRecord(&x, folders);
    EXPECT_EQ(result.reasons, c.reasons) << c.name;
    EXPECT_EQ(result.repair_offered, c.reasons == 0) << c.name;
  }
  // Several reasons at once are all named.
  RecoveryRecord many = Failed("C:\\gone\\");
  many.version = 0x01000000;
  many.stage = -5;
  EXPECT_EQ(CheckRecoveryRecord(&many, folders).reasons, kRecoveryOldVersion | kRecoveryDriverStage | kRecoveryFolderGone);
  EXPECT_EQ(RecoveryStoreFailureText(5, "C:\\Docs\\Orvex\\"),
            "自動更新修復情報ファイル作成失敗 Error = 5\n'C:\\Docs\\Orvex\\OrvexRoll.recovery'");
}
