// The contracts' files on disk under Wine: the update information file and its template, version
// resources, hand-off files, the recovery file and the log file.
#include <gtest/gtest.h>
#include <windows.h>

#include "ChildReporter.h"
#include "HandoffFileIo.h"
#include "LogFile.h"
#include "RecoveryFile.h"
#include "ScratchFolder.h"
#include "ShowMessage.h"
#include "UpdateInfoFile.h"
#include "VersionResource.h"

using namespace orvex;
using namespace orvex::autoupdate;
using orvex::autoupdate::test_support::ScratchFolder;
namespace t = orvex::autoupdate::test_support;

namespace {

struct Reports : ReportSink {
  std::vector<std::pair<uint32_t, std::string>> calls;
  void Report(uint32_t code, std::string_view text) override { calls.emplace_back(code, std::string(text)); }
};

bool StartsWith(const std::string& text, const std::string& prefix) { return text.rfind(prefix, 0) == 0; }

}  // namespace

TEST(UpdateInfoFile, TemplateWrittenWhenMissingThenRead) {
  ScratchFolder scratch;
  const std::string path = scratch.Path() + "OrvexRoll.ini";
  UpdateInfo info;
  UpdateInfoLoad load = LoadUpdateInfoFile(path, scratch.Path(), &info);
  ASSERT_TRUE(load.ok) << load.message;
  EXPECT_TRUE(load.template_written);
  EXPECT_TRUE(t::ReadAll(path) == UpdateInfoTemplate());
  EXPECT_EQ(info.device_name, "KV-4100CTIアダプター");
  EXPECT_EQ(info.def_files, std::vector<std::string>{scratch.Path() + "Para\\Cti_par.txt"});

  // An existing file is read, never replaced.
  ASSERT_TRUE(t::WriteAll(path, "DeviceName=PV-1\r\nDeviceWaitTime=30\r\n"));
  load = LoadUpdateInfoFile(path, scratch.Path(), &info);
  ASSERT_TRUE(load.ok);
  EXPECT_FALSE(load.template_written);
  EXPECT_EQ(info.device_name, "PV-1");
  EXPECT_EQ(info.device_wait_time, 30);

  // Only a missing file gets the template: a missing folder is a read error.
  const std::string nowhere = scratch.Path() + "no folder\\OrvexRoll.ini";
  load = LoadUpdateInfoFile(nowhere, scratch.Path(), &info);
  EXPECT_FALSE(load.ok);
  EXPECT_EQ(load.error, static_cast<uint32_t>(ERROR_PATH_NOT_FOUND));
  EXPECT_EQ(load.message, "初期設定ファイルの読込に失敗しました。\n\n'" + nowhere + "'\n\nError = 3");
  EXPECT_FALSE(t::Exists(nowhere));
}

TEST(UpdateInfoFile, VersionBlocksAndToolFiles) {
  // This test program carries 040904b0 "1, 0, 4, 0" and 041104b0 "2.0.1.1": the latter wins.
  EXPECT_EQ(FileVersionPacked(OwnModulePath()), 0x02000101u);
  // The stand-in child carries only 041103a4.
  const std::string stub = OwnModuleFolder() + "autoupdate_child_stub.exe";
  EXPECT_EQ(FileVersionPacked(stub), 0x01010200u);
  ScratchFolder scratch;
  ASSERT_TRUE(t::WriteAll(scratch.Path() + "plain.exe", "MZ"));
  EXPECT_EQ(FileVersionPacked(scratch.Path() + "plain.exe"), 0u);

  FileSystemToolProbe probe;
  EXPECT_TRUE(probe.FileExists(scratch.Path() + "plain.exe"));
  EXPECT_FALSE(probe.FileExists(scratch.Path()));  // a folder is no program
  EXPECT_FALSE(probe.FileExists(scratch.Path() + "none.exe"));

  EXPECT_EQ(ReplaceNetworkDrive("C:\\x\\OrvexRoll.exe"), "C:\\x\\OrvexRoll.exe");  // not a network drive
}

TEST(HandoffFileIo, WriteReadAndFailures) {
  ScratchFolder scratch;
  UpdateInfo info;
  info.def_files = {"C:\\u\\Para\\表.txt"};
  HandoffFolders folders;
  folders.model = 2;
  folders.documents_folder = "C:\\Docs\\";
  folders.run_folder = scratch.Sub("run");
  HandoffWriteResult w = WriteAutoParaFile(info, folders);
  ASSERT_EQ(w.count, 1) << w.failure_text;
  EXPECT_EQ(w.path, folders.run_folder + "AutoPara.def");
  EXPECT_EQ(t::ReadAll(w.path), BuildAutoParaText(info, folders).text);
  AutoParaContent read;
  Reports reports;
  EXPECT_EQ(ReadAutoParaFile(w.path, "C:\\T\\OrvexSet.exe", &read, &reports), 1);
  EXPECT_EQ(read.model, 2);
  EXPECT_EQ(read.definition_files, std::vector<std::string>{"C:\\u\\Para\\表.txt"});
  EXPECT_TRUE(reports.calls.empty());

  // Readers: an empty path (OrvexSet: error 8; OrvexFlash: silent), a missing file.
  EXPECT_EQ(ReadAutoParaFile("", "C:\\T\\x.exe", &read, &reports), -1);
  ASSERT_EQ(reports.calls.size(), 1u);
  EXPECT_EQ(reports.calls[0].first, 2u);
  EXPECT_TRUE(StartsWith(reports.calls[0].second, "自動更新定義ファイルがオープンできません。\n\n''\n\nErr = 8 : "))
      << reports.calls[0].second;
  AutoVerUpContent verup;
  EXPECT_EQ(ReadAutoVerUpFile("", "C:\\T\\x.exe", &verup, &reports), -1);
  EXPECT_EQ(reports.calls.size(), 1u);
  const std::string missing = folders.run_folder + "AutoVerUp.def";
  EXPECT_EQ(ReadAutoVerUpFile(missing, "C:\\T\\x.exe", &verup, &reports), -1);
  ASSERT_EQ(reports.calls.size(), 2u);
  EXPECT_TRUE(StartsWith(reports.calls[1].second, "自動更新定義ファイルがオープンできません。\n\n'" + missing +
                                                      "'\n\nErr = 2 : "));

  // Writers: a run folder that is gone, a line the child could not read back.
  HandoffFolders gone = folders;
  gone.run_folder = scratch.Path() + "gone\\";
  HandoffWriteResult failed = WriteAutoVerUpFile(info, gone, {});
  EXPECT_EQ(failed.count, -1);
  EXPECT_TRUE(StartsWith(failed.failure_text,
                         "自動バージョン更新定義ファイルが作成できません。\n\n'" + gone.run_folder + "AutoVerUp.def'\n\nErr = 3 : "))
      << failed.failure_text;
  info.prg_files = {"C:\\" + std::string(400, 'p') + ".prg"};
  failed = WriteAutoVerUpFile(info, folders, {});
  EXPECT_EQ(failed.count, -1);
  EXPECT_EQ(failed.error, 206u);
  EXPECT_FALSE(t::Exists(missing));  // nothing half-written
}

TEST(RecoveryFile, StoreLoadDeleteAndProbe) {
  ScratchFolder scratch;
  const std::string path = RecoveryFilePath(scratch.Path());
  EXPECT_EQ(path, scratch.Path() + "OrvexRoll.recovery");
  RecoveryRecord record;
  EXPECT_EQ(LoadRecoveryFile(path, &record), 2u);

  ResetRecoveryRecord(&record, 0x02000101);
  record.failure_state = 2;
  record.stage = 0;
  SetRecoveryFolder(&record, scratch.Path());
  ASSERT_EQ(StoreRecoveryFile(path, record), 0u);
  EXPECT_EQ(t::ReadAll(path).size(), kRecoveryRecordSize);
  EXPECT_FALSE(t::Exists(path + ".tmp"));
  record.stage = 7;
  ASSERT_EQ(StoreRecoveryFile(path, record), 0u);  // replaces the old record
  RecoveryRecord loaded;
  ASSERT_EQ(LoadRecoveryFile(path, &loaded), 0u);
  EXPECT_EQ(loaded.stage, 7);
  EXPECT_EQ(loaded.failure_state, 2);
  EXPECT_EQ(RecoveryFolder(loaded), scratch.Path());

  // A store that cannot complete leaves the old record as it was.
  const std::string blocked = path + ".tmp";
  ASSERT_TRUE(CreateDirectoryW(ToWide(blocked).c_str(), nullptr));  // the temporary file cannot be created
  record.stage = 9;
  EXPECT_NE(StoreRecoveryFile(path, record), 0u);
  ASSERT_EQ(LoadRecoveryFile(path, &loaded), 0u);
  EXPECT_EQ(loaded.stage, 7);
  RemoveDirectoryW(ToWide(blocked).c_str());

  // Short and longer files.
  ASSERT_TRUE(t::WriteAll(path, std::string(1055, '\0')));
  EXPECT_EQ(LoadRecoveryFile(path, &loaded), 87u);
  ASSERT_TRUE(t::WriteAll(path, std::string(1056, '\0') + "more"));
  EXPECT_EQ(LoadRecoveryFile(path, &loaded), 0u);

  EXPECT_EQ(DeleteRecoveryFile(path), 0u);
  EXPECT_EQ(DeleteRecoveryFile(path), 2u);

  // The folder probe tells a deleted folder from one without the probe file.
  FileSystemFolderProbe probe;
  EXPECT_EQ(probe.OpenError(scratch.Path() + "$dummy.file$"), 2u);
  EXPECT_EQ(probe.OpenError(scratch.Path() + "gone\\$dummy.file$"), 3u);
  RecoveryRecord failed;
  ResetRecoveryRecord(&failed, 0x02000101);
  failed.failure_state = 256;
  failed.stage = 2;
  SetRecoveryFolder(&failed, scratch.Path() + "gone");
  EXPECT_FALSE(CheckRecoveryRecord(&failed, probe).repair_offered);
  ASSERT_EQ(StoreRecoveryFile(path, failed), 0u);
  RecoveryRecord at_start;
  EXPECT_FALSE(LoadRecoveryAtStartUp(path, 0x02000101, &at_start));
  EXPECT_EQ(at_start.stage, -5);  // reset
  SetRecoveryFolder(&failed, scratch.Path().substr(0, scratch.Path().size() - 1));
  ASSERT_EQ(StoreRecoveryFile(path, failed), 0u);
  EXPECT_TRUE(LoadRecoveryAtStartUp(path, 0x02000101, &at_start));
  EXPECT_EQ(at_start.stage, 2);
  EXPECT_EQ(RecoveryFolder(at_start), scratch.Path());  // with its '\'
}

TEST(RecoveryFile, EndOfRunStoresAfterAFailedAttemptAndDeletesOnSuccess) {
  struct Log : LogSink {
    std::vector<std::string> entries;
    void AddEntry(std::string_view text, uint32_t code, bool time_stamp) override {
      entries.push_back(std::to_string(code) + (time_stamp ? "T " : "  ") + std::string(text));
    }
  } log;
  ScratchFolder scratch;
  const std::string docs = scratch.Path();
  const std::string path = RecoveryFilePath(docs);
  RecoveryRecord record;
  ResetRecoveryRecord(&record, 0x02000101);
  record.failure_state = 256;
  record.stage = 3;

  // Failures outside a child (phase 1) and a cancel at the start (-1) leave no record.
  EXPECT_EQ(FinishRecoveryFile(false, 1, docs, "C:\\run\\", &record, &log), 0u);
  EXPECT_EQ(FinishRecoveryFile(false, -1, docs, "C:\\run\\", &record, &log), 0u);
  EXPECT_FALSE(t::Exists(path));
  // A failed attempt stores the record with this run's folder, cut to 1023 characters.
  ASSERT_EQ(FinishRecoveryFile(false, 2, docs, "C:\\" + std::string(2000, 'r'), &record, &log), 0u);
  RecoveryRecord loaded;
  ASSERT_EQ(LoadRecoveryFile(path, &loaded), 0u);
  EXPECT_EQ(RecoveryFolder(loaded), "C:\\" + std::string(1020, 'r'));
  EXPECT_EQ(loaded.stage, 3);
  EXPECT_EQ(loaded.failure_state, 256);
  // Success deletes it; with no file left there is nothing to report.
  EXPECT_EQ(FinishRecoveryFile(true, 3, docs, "C:\\run\\", &record, &log), 0u);
  EXPECT_FALSE(t::Exists(path));
  EXPECT_EQ(FinishRecoveryFile(true, 1, docs, "C:\\run\\", &record, &log), 0u);
  EXPECT_TRUE(log.entries.empty());

  // Either failure is logged with code 2.
  const std::string gone = scratch.Path() + "gone\\";
  EXPECT_EQ(FinishRecoveryFile(false, 4, gone, "C:\\run\\", &record, &log), 3u);
  ASSERT_TRUE(CreateDirectoryW(ToWide(path).c_str(), nullptr));  // not deletable as a file
  EXPECT_NE(FinishRecoveryFile(true, 1, docs, "C:\\run\\", &record, &log), 0u);
  RemoveDirectoryW(ToWide(path).c_str());
  ASSERT_EQ(log.entries.size(), 2u);
  EXPECT_EQ(log.entries[0], "2T 自動更新修復情報ファイル作成失敗 Error = 3\n'" + gone + "OrvexRoll.recovery'");
  EXPECT_TRUE(StartsWith(log.entries[1], "2T 自動更新修復情報ファイル削除失敗 Error = ")) << log.entries[1];
}

TEST(LogFile, ARepairRunContinuesTheLog) {
  ScratchFolder scratch;
  const std::string path = LogFilePath(scratch.Path(), "OrvexRoll");
  ASSERT_EQ(SaveLogFile(path, {"first", "二行目"}), 0u);
  ASSERT_EQ(SaveLogFile(path, {"again"}), 0u);
  EXPECT_EQ(t::ReadAll(path), "first\r\n二行目\r\nagain\r\n");
  EXPECT_NE(SaveLogFile(scratch.Path() + "gone\\x.log", {"x"}), 0u);
  LogTime now = CurrentLogTime();
  EXPECT_GE(now.year, 2000u);
  EXPECT_EQ(LogTimePrefix(now, 0).size(), kLogPrefixWidth);
}

TEST(ChildReporter, WithoutReportTargetShowsBoxes) {
  MessageRecorder recorder;
  ChildArguments none;
  ChildReporter para(ChildTool::kParameterTool, none);
  EXPECT_TRUE(para.MapBuffer());  // nothing to map
  para.Report(2, "失敗");
  para.Report(1, "成功");
  para.Report(0, "途中");  // progress lines are dropped
  para.Report(3, "");
  ChildReporter flash(ChildTool::kVersionUpdateTool, none);
  flash.Report(256, "デバイス");
  auto calls = recorder.Calls();
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_EQ(calls[0].text, "失敗　　");
  EXPECT_EQ(calls[0].caption, "自動更新終了");
  EXPECT_EQ(calls[0].icon, static_cast<UINT>(MB_ICONEXCLAMATION));
  EXPECT_EQ(calls[1].text, "成功　　");
  EXPECT_EQ(calls[1].icon, static_cast<UINT>(MB_ICONINFORMATION));
  EXPECT_EQ(calls[2].text, "デバイス");
  EXPECT_EQ(calls[2].icon, static_cast<UINT>(MB_ICONEXCLAMATION));

  // /e without /w: the test failure is shown like any failure.
  ChildArguments test;
  test.test_failure = true;
  test.test_value = 7;
  ChildReporter tester(ChildTool::kParameterTool, test);
  EXPECT_TRUE(tester.ReportTestFailure());
  EXPECT_EQ(tester.Value(), 7);
  ASSERT_EQ(recorder.Calls().size(), 4u);
  EXPECT_EQ(recorder.Calls()[3].text, "デバッグ自動更新失敗終了(7)　　");
  EXPECT_FALSE(ChildReporter(ChildTool::kParameterTool, none).ReportTestFailure());
}
