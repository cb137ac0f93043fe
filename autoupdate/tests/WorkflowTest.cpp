// The update worker's course against a scripted world: adapter, questions, children and files.
#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <string>
#include <vector>

#include "UpdateWorkflow.h"
#include "WorkflowOutcome.h"

using namespace orvex::autoupdate;

namespace {

struct Asked {
  std::string text, caption;
  uint32_t type;
};

// A child as a test wants it to end.
ProcessRun Child(int32_t code, int32_t value = 0, const std::string& text = "", uint32_t resume = 0) {
  ProcessRun run;
  run.started = true;
  run.result.code = code;
  run.result.value = value;
  run.result.any_report = true;
  run.result.last_value = value;
  if (code != 0 && code != 1) run.result.failure_reason = text;
  run.resume_value = resume;
  return run;
}

// Ended (killed, crashed) without any result report.
ProcessRun Killed(uint32_t exit_code, bool progress = false, int32_t last_value = 0, uint32_t resume = 0) {
  ProcessRun run;
  run.started = true;
  run.exit_code = exit_code;
  run.result.any_report = progress;
  run.result.last_value = last_value;
  run.resume_value = resume;
  return run;
}

class World : public WorkflowEffects, public LogSink {
 public:
  // Scripts; an empty adapter script means the adapter is there.
  std::deque<bool> opens;
  std::deque<uint32_t> open_counts;
  AdapterReset reset = AdapterReset::kDone;
  int driver_files = 0;
  bool para_write_ok = true, verup_write_ok = true;
  std::deque<ProcessRun> children;
  std::deque<int> answers;
  std::map<std::string, uint32_t> versions;

  // What happened.
  std::vector<std::string> log;  // "code|text", "-" marks an entry without time stamp
  std::vector<Asked> asked;
  std::vector<std::string> command_lines;
  std::vector<uint32_t> resume_seeds;
  std::vector<VersionUpdateStart> verup_starts;
  std::vector<std::string> para_run_folders, removed, stored_in;
  std::vector<RecoveryRecord> stored;
  std::vector<size_t> stored_after_questions;  // how many questions had been asked at each store
  int resets = 0, driver_updates = 0, cleared_reasons = 0, open_adapter = 0;
  uint64_t slept = 0;
  std::vector<uint32_t> sleeps;

  bool OpenAdapter() override {
    ++open_adapter;
    if (opens.empty()) return true;
    bool found = opens.front();
    opens.pop_front();
    return found;
  }
  void CloseAdapter() override {}
  bool AdapterVersion(uint32_t* version, uint32_t* detail) override {
    *version = 0x01010400;
    *detail = 3;
    return true;
  }
  uint32_t AdapterOpenCount() override {
    if (open_counts.empty()) return 1;
    uint32_t n = open_counts.front();
    open_counts.pop_front();
    return n;
  }
  AdapterReset ResetAdapter() override {
    ++resets;
    return reset;
  }
  void Sleep(uint32_t ms) override {
    slept += ms;
    sleeps.push_back(ms);
  }
  int UpdateDriverFiles(const std::string&) override {
    ++driver_updates;
    return driver_files;
  }
  HandoffWrite WriteAutoPara(const HandoffFolders& folders) override {
    para_run_folders.push_back(folders.run_folder);
    return {para_write_ok, folders.run_folder + kAutoParaFileName};
  }
  HandoffWrite WriteAutoVerUp(const HandoffFolders& folders, const VersionUpdateStart& start) override {
    verup_starts.push_back(start);
    return {verup_write_ok, folders.run_folder + kAutoVerUpFileName};
  }
  uint32_t FileVersion(const std::string& path) override {
    auto it = versions.find(path);
    return it == versions.end() ? 0 : it->second;
  }
  ReportTarget Target() override { return {0x10A2C, 0x8102, 0x1F4, 0x400}; }
  ProcessRun RunProcess(const std::string& command_line, uint32_t resume_seed) override {
    command_lines.push_back(command_line);
    resume_seeds.push_back(resume_seed);
    if (children.empty()) {
      ADD_FAILURE() << "unexpected child: " << command_line;
      return Killed(1);
    }
    ProcessRun run = children.front();
    children.pop_front();
    return run;
  }
  void ClearFailureReason() override { ++cleared_reasons; }
  void RemoveRunFolder(const std::string& folder) override { removed.push_back(folder); }
  void StoreRecovery(const std::string& documents_folder, const RecoveryRecord& record) override {
    stored_in.push_back(documents_folder);
    stored.push_back(record);
    stored_after_questions.push_back(asked.size());
  }
  int Ask(const std::string& text, const std::string& caption, uint32_t type) override {
    asked.push_back({text, caption, type});
    if (answers.empty()) {
      ADD_FAILURE() << "unexpected question: " << text;
      return kAnswerCancel;
    }
    int answer = answers.front();
    answers.pop_front();
    return answer;
  }
  void AddEntry(std::string_view text, uint32_t code, bool time_stamp) override {
    log.push_back(std::to_string(code) + (time_stamp ? "|" : "-") + std::string(text));
  }

  bool Logged(const std::string& entry) const {
    for (const std::string& e : log) {
      if (e == entry) return true;
    }
    return false;
  }
  // The entries that are not blanks, in order, without the command lines.
  std::vector<std::string> Steps() const {
    std::vector<std::string> out;
    for (const std::string& e : log) {
      if (e != "0-" && e.rfind("0-'", 0) != 0) out.push_back(e);
    }
    return out;
  }
};

class WorkflowTest : public ::testing::Test {
 protected:
  WorkflowTest() {
    setup_.update_folder = "C:\\Pkg\\";
    setup_.info.para_prog = "Bin\\OrvexSet.exe";
    setup_.info.ver_up_prog = "Bin\\OrvexFlash.exe";
    setup_.folders.run_folder = "C:\\OrvexRoll\\20240102_030405\\";
    setup_.parameter_tool = kToolPresent;
    setup_.label = "CTIアダプター";
    ResetRecoveryRecord(&state_.recovery, 0x02000101);
    state_.run_phase = kPhaseFirst;
  }

  void Run() {
    UpdateWorkflow(setup_, state_, world_, world_).Run();
    EXPECT_TRUE(world_.answers.empty()) << "questions not asked";
    EXPECT_TRUE(world_.children.empty()) << "children not started";
  }

  // A record left by a failed run, loaded at start-up.
  void LoadRecovery(int32_t failure_state, int32_t stage, uint32_t resume = 0) {
    state_.recovery.failure_state = failure_state;
    state_.recovery.stage = stage;
    state_.recovery.resume_value = resume;
    SetRecoveryFolder(&state_.recovery, "C:\\OrvexRoll\\20231231_235959\\");
  }

  WorkflowSetup setup_;
  WorkflowState state_;
  World world_;
};

}  // namespace

TEST(WorkflowOutcome, PhasesDecideBoxRecoveryFileAndClosing) {
  // Success on the first attempt: box without the check line, recovery file deleted.
  WorkflowOutcome o = DecideOutcome(true, kPhaseFirst, "KV自動更新", "");
  EXPECT_EQ(o.log_line, "KV自動更新正常終了");
  EXPECT_TRUE(o.show_box);
  EXPECT_EQ(o.box_text, "自動更新は正常終了しました。");
  EXPECT_EQ(o.box_type, kBoxOk | kIconInformation);
  EXPECT_EQ(o.recovery, WorkflowOutcome::kDelete);
  EXPECT_FALSE(o.close_after_save);
  // Success after a retry: the user is asked to check the adapter.
  o = DecideOutcome(true, kPhaseRetry, "T", "");
  EXPECT_EQ(o.box_text, "自動更新は正常終了しました。\n\nCTIアダプターの動作を確認して下さい。");
  // Cancelled at the start question: the failure box, no recovery file written.
  o = DecideOutcome(false, kPhaseCancelled, "T", "");
  EXPECT_EQ(o.log_line, "T異常終了");
  EXPECT_TRUE(o.show_box);
  EXPECT_EQ(o.box_text, "自動更新は異常終了しました。");
  EXPECT_EQ(o.box_type, kBoxOk | kIconExclamation);
  EXPECT_EQ(o.recovery, WorkflowOutcome::kKeep);
  // First attempt failed and the retry declined: no second box, the recovery file is written.
  o = DecideOutcome(false, kPhaseFirstFailed, "T", "理由");
  EXPECT_FALSE(o.show_box);
  EXPECT_EQ(o.recovery, WorkflowOutcome::kStore);
  // The retry failed too: reason and the maker-contact line.
  o = DecideOutcome(false, kPhaseRetryFailed, "T", "書込失敗");
  EXPECT_TRUE(o.show_box);
  EXPECT_EQ(o.box_text, "自動更新は異常終了しました。\n\n書込失敗\n\nCTIアダプターのメーカーに連絡して下さい。");
  EXPECT_EQ(o.recovery, WorkflowOutcome::kStore);
  // A retry that ended outside a child (phase still 3): box without the contact line, stored.
  o = DecideOutcome(false, kPhaseRetry, "T", "");
  EXPECT_EQ(o.box_text, "自動更新は異常終了しました。");
  EXPECT_EQ(o.recovery, WorkflowOutcome::kStore);
  // A failure on the first attempt outside a child: box, nothing stored.
  EXPECT_EQ(DecideOutcome(false, kPhaseFirst, "T", "").recovery, WorkflowOutcome::kKeep);
  // Start-up failed: no box either way, the window closes after saving the log.
  o = DecideOutcome(false, kPhaseNotStarted, "T", "");
  EXPECT_FALSE(o.show_box);
  EXPECT_TRUE(o.close_after_save);
  EXPECT_EQ(o.recovery, WorkflowOutcome::kKeep);
}

TEST_F(WorkflowTest, SuccessfulRunStartsBothToolsWithoutReset) {
  world_.answers = {kAnswerOk};
  world_.children = {Child(1, 12), Child(1, -5)};
  Run();
  EXPECT_TRUE(state_.succeeded);
  EXPECT_EQ(state_.run_phase, kPhaseFirst);
  ASSERT_EQ(world_.asked.size(), 1u);
  EXPECT_EQ(world_.asked[0].type, kBoxOkCancel | kIconQuestion);
  EXPECT_EQ(world_.resets, 0);
  EXPECT_EQ(world_.Steps(), (std::vector<std::string>{"0|接続デバイス・バージョン = 1.1.4.0, 3h", "0|パラメータ設定ツール起動",
                                                      "0|パラメータ設定ツール終了", "0|バージョン更新ツール起動",
                                                      "0|バージョン更新ツール終了"}));
  ASSERT_EQ(world_.verup_starts.size(), 1u);
  EXPECT_EQ(world_.verup_starts[0].stage, 1);
  EXPECT_EQ(world_.verup_starts[0].resume_value, 0u);
  EXPECT_TRUE(world_.verup_starts[0].parameter_tool_present);
  EXPECT_EQ(world_.command_lines[0],
            "\"C:\\Pkg\\Bin\\OrvexSet.exe\" /a \"C:\\OrvexRoll\\20240102_030405\\AutoPara.def\" /w 10A2C 8102 1F4 400");
  EXPECT_EQ(state_.recovery.parameter_value, 12);
  // Without a reset the worker makes only the short pauses after closing the adapter.
  EXPECT_EQ(world_.slept, 100u);
}

TEST_F(WorkflowTest, CancelAtTheStartQuestionEndsWithoutChildren) {
  world_.answers = {kAnswerCancel};
  Run();
  EXPECT_EQ(state_.run_phase, kPhaseCancelled);
  EXPECT_FALSE(state_.succeeded);
  EXPECT_TRUE(world_.Logged("255|自動更新開始キャンセル"));
  EXPECT_EQ(world_.driver_updates, 0);
  EXPECT_TRUE(world_.command_lines.empty());
}

TEST_F(WorkflowTest, FirstFailureRetryDeclinedKeepsStageResumeAndReason) {
  // Retry? Cancel -> really stop? No -> Retry? Cancel -> really stop? Yes.
  world_.answers = {kAnswerOk, kAnswerCancel, kAnswerNo, kAnswerCancel, kAnswerYes};
  world_.children = {Child(1, 3), Child(256, 3, "デバイス書込失敗", 0x20001)};
  setup_.folders.documents_folder = "C:\\Docs\\Orvex\\";
  Run();
  // The failure's stage and resume value are on disk before the retry question opens, so a run
  // killed at the question still resumes the version update where the tool left it.
  ASSERT_EQ(world_.stored.size(), 3u);
  EXPECT_EQ(world_.stored_after_questions[2], 1u);
  EXPECT_EQ(world_.stored[2].failure_state, 256);
  EXPECT_EQ(world_.stored[2].stage, 3);
  EXPECT_EQ(world_.stored[2].resume_value, 0x20001u);
  EXPECT_EQ(RecoveryFolder(world_.stored[2]), setup_.folders.run_folder);
  EXPECT_EQ(state_.run_phase, kPhaseFirstFailed);
  EXPECT_EQ(state_.recovery.failure_state, 256);
  EXPECT_EQ(state_.recovery.stage, 3);
  EXPECT_EQ(state_.recovery.resume_value, 0x20001u);
  EXPECT_EQ(state_.failure_reason, "デバイス書込失敗");
  ASSERT_EQ(world_.asked.size(), 5u);
  EXPECT_EQ(world_.asked[1].text, "自動更新は異常終了しました。\n\nデバイス書込失敗\n\n再試行しますか？");
  EXPECT_EQ(world_.asked[1].caption, "自動更新失敗");
  EXPECT_EQ(world_.asked[1].type, kBoxRetryCancel | kIconExclamation);
  EXPECT_EQ(world_.asked[2].caption, "再試行キャンセル");
  EXPECT_EQ(world_.asked[2].type, kBoxYesNo | kIconQuestion);
}

TEST_F(WorkflowTest, RetryResumesAtTheFailedStageWithoutTheTestOption) {
  setup_.info.ver_up_prog = "Bin\\OrvexFlash.exe /e 7";
  world_.answers = {kAnswerOk, kAnswerRetry, kAnswerOk};
  world_.children = {Child(1, 3), Child(3, 7, "デバッグ自動更新失敗終了(7)", 0x3), Child(256, -2, "再失敗", 0x7)};
  Run();
  EXPECT_EQ(state_.run_phase, kPhaseRetryFailed);
  EXPECT_EQ(world_.asked[2].caption, "再試行手順");
  EXPECT_EQ(world_.asked[2].type, kBoxOk | kIconInformation);
  EXPECT_TRUE(world_.Logged("0|再試行選択"));
  EXPECT_EQ(world_.cleared_reasons, 1);
  // The retry skips the driver step and the parameter tool: stage 7 is a version update stage.
  EXPECT_EQ(world_.driver_updates, 1);
  ASSERT_EQ(world_.command_lines.size(), 3u);
  EXPECT_NE(world_.command_lines[1].find("OrvexFlash.exe\" /e 7 /a"), std::string::npos);
  EXPECT_NE(world_.command_lines[2].find("OrvexFlash.exe\" /a"), std::string::npos);
  ASSERT_EQ(world_.verup_starts.size(), 2u);
  EXPECT_EQ(world_.verup_starts[1].stage, 7);
  EXPECT_EQ(world_.verup_starts[1].resume_value, 3u);
  EXPECT_EQ(world_.resume_seeds[2], 3u);
  EXPECT_EQ(state_.recovery.stage, -2);
  EXPECT_EQ(state_.recovery.resume_value, 7u);
  EXPECT_EQ(state_.failure_reason, "再失敗");
}

TEST_F(WorkflowTest, RetryAfterAParameterFailureRunsTheParameterToolAgain) {
  world_.answers = {kAnswerOk, kAnswerRetry, kAnswerOk};
  world_.children = {Child(2, -1, "定義ファイル読込失敗"), Child(1, 5), Child(1, -5)};
  Run();
  EXPECT_TRUE(state_.succeeded);
  EXPECT_EQ(state_.run_phase, kPhaseRetry);
  EXPECT_EQ(world_.para_run_folders.size(), 2u);
  EXPECT_EQ(world_.verup_starts.at(0).stage, 1);
}

TEST_F(WorkflowTest, RepairQuestionChoosesTheStoredFolderAndResumePoint) {
  // Yes: this run's folder goes, the stored one is used, and stage -3 resumes the version update.
  LoadRecovery(256, -3, 0x5);
  world_.answers = {kAnswerYes};
  world_.children = {Child(1, -5)};
  Run();
  ASSERT_EQ(world_.asked.size(), 1u);
  EXPECT_EQ(world_.asked[0].type, kBoxYesNoCancel | kIconQuestion);
  EXPECT_EQ(world_.removed, std::vector<std::string>{"C:\\OrvexRoll\\20240102_030405\\"});
  EXPECT_EQ(setup_.folders.run_folder, "C:\\OrvexRoll\\20231231_235959\\");
  EXPECT_TRUE(world_.Logged("0|修復情報保存フォルダ選択"));
  EXPECT_EQ(world_.driver_updates, 0);
  ASSERT_EQ(world_.verup_starts.size(), 1u);
  EXPECT_EQ(world_.verup_starts[0].stage, -3);
  EXPECT_EQ(world_.verup_starts[0].resume_value, 0x5u);
  EXPECT_TRUE(state_.succeeded);
}

// Probes a stored folder that exists (the probe file itself is never there).
struct FolderThere : FolderProbe {
  uint32_t OpenError(const std::string&) override { return 2; }
};

TEST_F(WorkflowTest, RecordIsStoredBeforeEachChildSoARunThatNeverEndsOffersTheRepair) {
  setup_.folders.documents_folder = "C:\\Docs\\Orvex\\";
  world_.answers = {kAnswerOk};
  world_.children = {Child(1, 3), Child(1, -5)};
  Run();
  ASSERT_EQ(world_.stored.size(), 2u);
  EXPECT_EQ(world_.stored_in, (std::vector<std::string>{"C:\\Docs\\Orvex\\", "C:\\Docs\\Orvex\\"}));
  // Before the parameter tool: a repair would run it again; before the version update tool: a
  // repair starts at its first stage. Both in this run's folder, both offered at the next start.
  const int32_t stages[] = {kStageParameter, kStageVersionUpdate};
  for (size_t i = 0; i < 2; ++i) {
    RecoveryRecord r = world_.stored[i];
    EXPECT_EQ(r.failure_state, kStateInterrupted);
    EXPECT_EQ(r.stage, stages[i]);
    EXPECT_EQ(RecoveryFolder(r), setup_.folders.run_folder);
    FolderThere probe;
    EXPECT_TRUE(CheckRecoveryRecord(&r, probe).repair_offered) << i;
  }
  EXPECT_EQ(world_.stored[1].parameter_value, 3);
  // The run's own record stays clean: the outcome deletes the file after this success.
  EXPECT_EQ(state_.recovery.failure_state, 0);
  EXPECT_TRUE(state_.succeeded);
}

TEST_F(WorkflowTest, RepairRunKeepsTheStoredFailureStageAndResumeValueWhileItsChildRuns) {
  setup_.folders.documents_folder = "C:\\Docs\\Orvex\\";
  LoadRecovery(256, -3, 0x5);
  world_.answers = {kAnswerYes};
  world_.children = {Child(1, -5)};
  Run();
  ASSERT_EQ(world_.stored.size(), 1u);
  EXPECT_EQ(world_.stored[0].failure_state, 256);
  EXPECT_EQ(world_.stored[0].stage, -3);
  EXPECT_EQ(world_.stored[0].resume_value, 0x5u);
  EXPECT_EQ(RecoveryFolder(world_.stored[0]), "C:\\OrvexRoll\\20231231_235959\\");
}

TEST_F(WorkflowTest, RepairOfAParameterFailureStartsAtTheParameterStep) {
  LoadRecovery(2, 0);
  world_.answers = {kAnswerYes};
  world_.children = {Child(1, 1), Child(1, -5)};
  Run();
  EXPECT_EQ(world_.para_run_folders, std::vector<std::string>{"C:\\OrvexRoll\\20231231_235959\\"});
  EXPECT_TRUE(state_.succeeded);
}

TEST_F(WorkflowTest, NormalUpdateInsteadOfRepairStillDropsTheTestOption) {
  setup_.info.para_prog = "Bin\\OrvexSet.exe /e 3 /x";
  LoadRecovery(256, 4, 0x9);
  state_.recovery.version = 0x01000000;  // written by an older OrvexRoll
  setup_.own_version = 0x02000101;
  world_.answers = {kAnswerNo};
  world_.children = {Child(1, 1), Child(1, -5)};
  Run();
  EXPECT_TRUE(world_.Logged("0|ログ情報保存フォルダ選択"));
  EXPECT_EQ(world_.driver_updates, 1);
  EXPECT_TRUE(world_.removed.empty());
  EXPECT_EQ(setup_.folders.run_folder, "C:\\OrvexRoll\\20240102_030405\\");
  // The record's header is reset, its folder stays: the /e option is dropped on this first run.
  EXPECT_EQ(state_.recovery.failure_state, 0);
  EXPECT_EQ(state_.recovery.version, 0x02000101u);
  EXPECT_EQ(RecoveryFolder(state_.recovery), "C:\\OrvexRoll\\20231231_235959\\");
  EXPECT_EQ(world_.verup_starts.at(0).stage, 1);
  EXPECT_EQ(world_.verup_starts.at(0).resume_value, 0u);
  EXPECT_NE(world_.command_lines.at(0).find("OrvexSet.exe\" /x /a"), std::string::npos);
}

TEST_F(WorkflowTest, CancelAtTheRepairQuestion) {
  LoadRecovery(256, 4);
  world_.answers = {kAnswerCancel};
  Run();
  EXPECT_EQ(state_.run_phase, kPhaseCancelled);
  EXPECT_TRUE(world_.Logged("255|修復更新開始キャンセル"));
  EXPECT_TRUE(world_.removed.empty());
}

TEST(WorkflowTestOption, DroppedOnRetryAndAfterALoadedRecord) {
  RecoveryRecord none;
  ResetRecoveryRecord(&none, 0x02000101);
  EXPECT_FALSE(DropsTestOption(kPhaseFirst, none));
  EXPECT_TRUE(DropsTestOption(kPhaseRetry, none));
  RecoveryRecord loaded = none;
  SetRecoveryFolder(&loaded, "C:\\OrvexRoll\\x\\");
  EXPECT_TRUE(DropsTestOption(kPhaseFirst, loaded));
}

TEST_F(WorkflowTest, ReplacedDriverResetsAndWaitsForTheAdapterToReturn) {
  world_.answers = {kAnswerOk};
  world_.driver_files = 1;
  // Device step; then the adapter is still there once, gone, and back on the third look.
  world_.opens = {true, true, false, false, false, true};
  world_.children = {Child(1, 1), Child(1, -5)};
  Run();
  EXPECT_EQ(world_.resets, 1);
  EXPECT_EQ(world_.Steps().at(1), "0|ハードウェア・リセット発行");
  EXPECT_EQ(world_.Steps().at(2), "0|デバイス再起動待機");
  EXPECT_EQ(world_.Steps().at(3), "0|デバイス再起動確認");
  // 100 after closing, 1000 while it is still there, 2000 once it left, 1500 twice, 100 when back.
  EXPECT_EQ(world_.sleeps, (std::vector<uint32_t>{100, 1000, 2000, 1500, 1500, 100}));
  EXPECT_TRUE(state_.succeeded);
}

TEST_F(WorkflowTest, AdapterThatNeverReturnsIsLoggedAndTheRunGoesOn) {
  world_.answers = {kAnswerOk};
  world_.driver_files = 1;
  world_.opens = {true, false};
  for (int i = 0; i < 40; ++i) world_.opens.push_back(false);
  world_.children = {Child(1, 1), Child(1, -5)};
  Run();
  EXPECT_TRUE(world_.Logged("0|デバイス再起動未確認"));
  EXPECT_FALSE(world_.Logged("0|デバイス再起動確認"));
  EXPECT_EQ(world_.slept, 100u + 2000u + 40u * 1500u);
  EXPECT_TRUE(state_.succeeded);
}

TEST_F(WorkflowTest, ResetProblemsEndTheRunWithTheirMessages) {
  // Someone else opened the adapter meanwhile.
  world_.answers = {kAnswerOk, kAnswerOk};
  world_.driver_files = 1;
  world_.open_counts = {1, 2};
  Run();
  EXPECT_TRUE(world_.Logged("256|CTIアダプターが正常に認識できません。Err = 2\n\nCTIアダプターの電源やUSB接続状態を確認して下さい。"));
  EXPECT_EQ(world_.resets, 0);
  EXPECT_EQ(state_.run_phase, kPhaseFirst);

  const struct {
    AdapterReset result;
    const char* text;
  } kCases[] = {{AdapterReset::kPipeFailed, "コマンドＯＵＴ用パイプ・オープンに失敗しました。"},
                {AdapterReset::kSystemChannelFailed, "システム・チャネルのオープンに失敗しました。"},
                {AdapterReset::kWriteFailed, "ハードウェア・リセット発行に失敗しました。"}};
  for (const auto& c : kCases) {
    world_ = World();
    world_.answers = {kAnswerOk, kAnswerOk};
    world_.driver_files = 1;
    world_.reset = c.result;
    Run();
    EXPECT_TRUE(world_.Logged(std::string("256|") + c.text)) << c.text;
    EXPECT_EQ(world_.asked.at(1).text, c.text);
    EXPECT_TRUE(world_.command_lines.empty());
  }
}

TEST_F(WorkflowTest, StoppedFileUpdateEndsBeforeAnyChild) {
  world_.answers = {kAnswerOk};
  world_.driver_files = -1;
  Run();
  EXPECT_TRUE(world_.command_lines.empty());
  EXPECT_EQ(state_.run_phase, kPhaseFirst);
  EXPECT_EQ(state_.recovery.stage, kStageDriver);
}

TEST_F(WorkflowTest, MissingAdapterAndOtherApplicationsAreAskedAbout) {
  // Not found, Retry after a second, found; then held by another application, Retry, free.
  world_.opens = {false, true};
  world_.open_counts = {3, 1};
  world_.answers = {kAnswerRetry, kAnswerRetry, kAnswerCancel};
  Run();
  EXPECT_EQ(world_.asked[0].text,
            "CTIアダプターが認識できません。\n\nCTIアダプターの電源投入、USBケーブル接続を確認した後、［再試行］をクリックして"
            "下さい。\n\n［キャンセル］をクリックすると、自動更新処理は終了します。");
  EXPECT_EQ(world_.asked[0].type, kBoxRetryCancel | kIconInformation);
  EXPECT_EQ(world_.asked[1].type, kBoxRetryCancel | kIconInformation);
  EXPECT_EQ(world_.sleeps.at(0), 1000u);
  EXPECT_EQ(world_.sleeps.at(1), 100u);

  // No adapter, Cancel.
  world_ = World();
  world_.opens = {false};
  world_.answers = {kAnswerCancel};
  state_.run_phase = kPhaseFirst;
  Run();
  EXPECT_EQ(world_.Steps(), std::vector<std::string>{"255|デバイス未接続"});
  EXPECT_EQ(state_.run_phase, kPhaseFirst);

  // Other application, Cancel.
  world_ = World();
  world_.open_counts = {2};
  world_.answers = {kAnswerCancel};
  Run();
  EXPECT_TRUE(world_.Logged("255|他アプリケーション起動中"));
}

TEST_F(WorkflowTest, ChildEndingWithoutAResultIsAToolFailure) {
  // The parameter tool is killed: failure state 255 and a reason that names the tool.
  world_.answers = {kAnswerOk, kAnswerCancel, kAnswerYes};
  world_.children = {Killed(1)};
  Run();
  EXPECT_EQ(state_.run_phase, kPhaseFirstFailed);
  EXPECT_EQ(state_.recovery.failure_state, 255);
  EXPECT_EQ(state_.recovery.stage, 0);
  EXPECT_EQ(state_.recovery.parameter_value, -1);
  const std::string reason = "パラメータ設定ツールが結果を報告せずに終了しました。(終了コード = 1 (00000001h))";
  EXPECT_EQ(state_.failure_reason, reason);
  EXPECT_TRUE(world_.Logged("255|" + reason));
  EXPECT_EQ(world_.asked.at(1).text, "自動更新は異常終了しました。\n\n" + reason + "\n\n再試行しますか？");

  // The version update tool crashes after reporting progress at stage 4: resume there.
  world_ = World();
  state_ = WorkflowState();
  ResetRecoveryRecord(&state_.recovery, 0x02000101);
  state_.run_phase = kPhaseFirst;
  world_.answers = {kAnswerOk, kAnswerCancel, kAnswerYes};
  world_.children = {Child(1, 2), Killed(0xC0000005, true, 4, 0x3)};
  Run();
  EXPECT_EQ(state_.recovery.failure_state, 255);
  EXPECT_EQ(state_.recovery.stage, 4);
  EXPECT_EQ(state_.recovery.resume_value, 0x3u);
  EXPECT_EQ(state_.failure_reason,
            "バージョン更新ツールが結果を報告せずに終了しました。(終了コード = 3221225477 (C0000005h))");

  // Killed before its first report: the stage and resume value it was given stay.
  world_ = World();
  state_ = WorkflowState();
  ResetRecoveryRecord(&state_.recovery, 0x02000101);
  state_.run_phase = kPhaseRetry;
  state_.recovery.failure_state = 256;
  state_.recovery.stage = -2;
  state_.recovery.resume_value = 0x1;
  world_.children = {Killed(1, false, 0, 0x1)};
  Run();
  EXPECT_EQ(state_.run_phase, kPhaseRetryFailed);
  EXPECT_EQ(state_.recovery.stage, -2);
  EXPECT_EQ(state_.recovery.resume_value, 0x1u);
  EXPECT_EQ(world_.resume_seeds.at(0), 0x1u);
}

TEST_F(WorkflowTest, ParameterToolNotConfiguredOrMissing) {
  setup_.parameter_tool = kToolNotConfigured;
  world_.answers = {kAnswerOk};
  world_.children = {Child(1, -5)};
  Run();
  EXPECT_TRUE(world_.Logged("0|パラメータ設定ツール指定無"));
  ASSERT_EQ(world_.command_lines.size(), 1u);
  EXPECT_NE(world_.command_lines[0].find("OrvexFlash.exe"), std::string::npos);
  EXPECT_FALSE(world_.verup_starts.at(0).parameter_tool_present);
  EXPECT_TRUE(state_.succeeded);

  world_ = World();
  setup_.parameter_tool = kToolMissing;
  world_.answers = {kAnswerOk};
  world_.children = {Child(1, -5)};
  Run();
  EXPECT_TRUE(world_.Logged("0|パラメータ設定ツール不存在"));
  EXPECT_TRUE(world_.Logged("0-'C:\\Pkg\\Bin\\OrvexSet.exe'"));
}

TEST_F(WorkflowTest, HandoffWriteFailureAfterParameterSuccessIsNoSuccess) {
  world_.answers = {kAnswerOk, kAnswerOk};
  world_.verup_write_ok = false;
  world_.children = {Child(1, 1)};
  Run();
  EXPECT_FALSE(state_.succeeded);
  EXPECT_EQ(world_.asked.at(1).text,
            "自動バージョン更新定義ファイルの作成に失敗しました。\n\n'C:\\OrvexRoll\\20240102_030405\\AutoVerUp.def'");
}

TEST_F(WorkflowTest, ToolsThatCannotStart) {
  // A parameter tool below 1.1.0.3 is refused before it starts.
  world_.versions["C:\\Pkg\\Bin\\OrvexSet.exe"] = 0x01010002;
  world_.answers = {kAnswerOk, kAnswerOk};
  Run();
  EXPECT_TRUE(world_.Logged("255-'C:\\Pkg\\Bin\\OrvexSet.exe'\n非対応バージョン 1.1.0.2 < 1.1.0.3"));
  EXPECT_TRUE(world_.Logged("255|パラメータ設定ツール起動失敗"));
  EXPECT_EQ(world_.asked.at(1).text, "パラメータ設定ツールの起動に失敗しました。");
  EXPECT_TRUE(world_.command_lines.empty());

  // The version update tool has no minimum; its process does not start.
  world_ = World();
  world_.answers = {kAnswerOk, kAnswerOk};
  ProcessRun refused;
  refused.error = 2;
  refused.error_text = "指定されたファイルが見つかりません。";
  world_.children = {Child(1, 1), refused};
  world_.versions["C:\\Pkg\\Bin\\OrvexFlash.exe"] = 0x01000000;
  Run();
  EXPECT_TRUE(world_.Logged("255-プロセス作成失敗 Err = 2 : 指定されたファイルが見つかりません。"));
  EXPECT_TRUE(world_.Logged("255|バージョン更新ツール起動失敗"));
  EXPECT_FALSE(state_.succeeded);
}
