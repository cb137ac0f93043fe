#include "UpdateWorkflow.h"

#include "ChildCommandLine.h"
#include "Format.h"
#include "VersionText.h"

namespace orvex::autoupdate {

namespace {

constexpr char kParameterTool[] = "パラメータ設定ツール";
constexpr char kVersionUpdateTool[] = "バージョン更新ツール";

// Leaves the adapter a few tries to go away after the reset, then many to come back.
constexpr int kLeaveTries = 10;
constexpr int kReturnTries = 40;

}  // namespace

bool DropsTestOption(int run_phase, const RecoveryRecord& recovery) {
  return run_phase == kPhaseRetry || !RecoveryFolder(recovery).empty();
}

void UpdateWorkflow::Run() {
  Step step = state_.run_phase == kPhaseNotStarted ? Step::kEnd : Step::kDevice;
  while (step != Step::kEnd) {
    switch (step) {
      case Step::kDevice: step = Device(); break;
      case Step::kResume: step = Resume(); break;
      case Step::kDriver: step = Driver(); break;
      case Step::kParameter: step = Parameter(); break;
      case Step::kVersionUpdate: step = VersionUpdate(); break;
      case Step::kFailed: step = Failed(); break;
      case Step::kEnd: break;
    }
  }
  if (adapter_open_) fx_.CloseAdapter();
  adapter_open_ = false;
}

UpdateWorkflow::Step UpdateWorkflow::Device() {
  const std::string& label = setup_.label;
  while (!(adapter_open_ = fx_.OpenAdapter())) {
    int answer = Ask(Format("%sが認識できません。\n\n%sの電源投入、USBケーブル接続を確認した後、［再試行］をクリックして下さい。"
                            "\n\n［キャンセル］をクリックすると、自動更新処理は終了します。",
                            label.c_str(), label.c_str()),
                     kBoxRetryCancel | kIconInformation);
    if (answer != kAnswerRetry) {
      Log("デバイス未接続", 255);
      return Step::kEnd;
    }
    fx_.Sleep(1000);
  }
  uint32_t version = 0, detail = 0;
  fx_.AdapterVersion(&version, &detail);
  Log(Format("接続デバイス・バージョン = %s, %Xh", VersionText(version).c_str(), detail));
  while (fx_.AdapterOpenCount() > 1) {
    int answer = Ask(Format("%s用の他のアプリケーションが起動しています。\n\n他のアプリケーションを終了させた後、［再試行］を"
                            "クリックして下さい。\n\n［キャンセル］をクリックすると、自動更新処理は終了します。",
                            label.c_str()),
                     kBoxRetryCancel | kIconInformation);
    if (answer != kAnswerRetry) {
      Log("他アプリケーション起動中", 255);
      return Step::kEnd;
    }
    fx_.Sleep(100);
  }

  if (state_.run_phase == kPhaseRetry) {
    Log("再試行選択");
    return Step::kResume;
  }
  if (state_.recovery.failure_state != 0) {
    int answer = Ask("前回の自動更新は異常終了しています。\n\n修復処理を実行しますか？\n\n［はい］をクリックすると、修復処理を実行"
                     "します。\n\n［いいえ］をクリックすると、通常の更新処理を実行します。\n\n［キャンセル］をクリックすると、"
                     "自動更新は実行されません。",
                     kBoxYesNoCancel | kIconQuestion);
    if (answer == kAnswerYes) {
      fx_.RemoveRunFolder(setup_.folders.run_folder);
      setup_.folders.run_folder = RecoveryFolder(state_.recovery);
      Log("修復情報保存フォルダ選択");
      return Step::kResume;
    }
    if (answer == kAnswerNo) {
      Log("ログ情報保存フォルダ選択");
      ResetRecoveryHeader(&state_.recovery, setup_.own_version);
      return Step::kDriver;
    }
    Log("修復更新開始キャンセル", 255);
    state_.run_phase = kPhaseCancelled;
    return Step::kEnd;
  }
  if (Ask("自動更新を開始します。\n\n［キャンセル］をクリックすると自動更新は実行されません。", kBoxOkCancel | kIconQuestion) !=
      kAnswerOk) {
    Log("自動更新開始キャンセル", 255);
    state_.run_phase = kPhaseCancelled;
    return Step::kEnd;
  }
  return Step::kDriver;
}

UpdateWorkflow::Step UpdateWorkflow::Resume() {
  fx_.CloseAdapter();
  adapter_open_ = false;
  fx_.Sleep(100);
  return ResumesAtParameterStep(state_.recovery.stage) ? Step::kParameter : Step::kVersionUpdate;
}

UpdateWorkflow::Step UpdateWorkflow::Driver() {
  const std::string& label = setup_.label;
  int files = fx_.UpdateDriverFiles(setup_.folders.run_folder);
  if (files < 0) return Step::kEnd;
  const bool reset = files == 1;
  if (reset) {
    uint32_t count = fx_.AdapterOpenCount();
    if (count != 1) {
      std::string text = Format("%sが正常に認識できません。Err = %d\n\n%sの電源やUSB接続状態を確認して下さい。", label.c_str(),
                                static_cast<int>(count), label.c_str());
      Log(text, 256);
      Ask(text, kBoxOk);
      return Step::kEnd;
    }
    const char* failure = nullptr;
    switch (fx_.ResetAdapter()) {
      case AdapterReset::kDone: break;
      case AdapterReset::kPipeFailed: failure = "コマンドＯＵＴ用パイプ・オープンに失敗しました。"; break;
      case AdapterReset::kSystemChannelFailed: failure = "システム・チャネルのオープンに失敗しました。"; break;
      case AdapterReset::kWriteFailed: failure = "ハードウェア・リセット発行に失敗しました。"; break;
    }
    if (failure != nullptr) {
      Log(failure, 256);
      Ask(failure, kBoxOk);
      return Step::kEnd;
    }
    Log("ハードウェア・リセット発行");
  }
  fx_.CloseAdapter();
  adapter_open_ = false;
  fx_.Sleep(100);
  if (reset) AwaitRestart();
  state_.recovery.stage = kStageParameter;
  return Step::kParameter;
}

void UpdateWorkflow::AwaitRestart() {
  for (int i = 0; i < kLeaveTries; ++i) {
    if (!fx_.OpenAdapter()) {
      fx_.Sleep(2000);
      break;
    }
    fx_.CloseAdapter();
    fx_.Sleep(1000);
  }
  Log("デバイス再起動待機");
  for (int i = 0; i < kReturnTries; ++i) {
    if (!fx_.OpenAdapter()) {
      fx_.Sleep(1500);
      continue;
    }
    fx_.CloseAdapter();
    fx_.Sleep(100);
    Log("デバイス再起動確認");
    return;
  }
  Log("デバイス再起動未確認");
}

UpdateWorkflow::Step UpdateWorkflow::Parameter() {
  HandoffWrite handoff = fx_.WriteAutoPara(setup_.folders);
  if (!handoff.ok) {
    Ask(Format("自動パラメータ設定定義ファイルの作成に失敗しました。\n\n'%s'", handoff.path.c_str()), kBoxOk);
    return Step::kEnd;
  }
  if (setup_.parameter_tool != kToolPresent) {
    Blank();
    if (setup_.parameter_tool == kToolNotConfigured) {
      Log("パラメータ設定ツール指定無");
    } else {
      Log("パラメータ設定ツール不存在");
      LogPlain(Format("'%s%s'", setup_.update_folder.c_str(), setup_.info.para_prog.c_str()));
    }
    state_.recovery.stage = kStageVersionUpdate;
    return Step::kVersionUpdate;
  }
  StoreRecord();
  ProcessRun run;
  if (!RunTool(setup_.info.para_prog, kParameterTool, handoff.path, kMinimumParameterToolLaunch, 0, &run)) {
    Log("パラメータ設定ツール起動失敗", 255);
    Ask("パラメータ設定ツールの起動に失敗しました。", kBoxOk);
    return Step::kEnd;
  }
  Log("パラメータ設定ツール終了");
  state_.recovery.parameter_value = run.result.code != 0 ? run.result.value : -1;
  if (run.result.Succeeded()) {
    state_.recovery.stage = kStageVersionUpdate;
    return Step::kVersionUpdate;
  }
  state_.recovery.failure_state = FailureCode(run, kParameterTool);
  return Step::kFailed;
}

UpdateWorkflow::Step UpdateWorkflow::VersionUpdate() {
  VersionUpdateStart start;
  start.stage = state_.recovery.stage;
  start.resume_value = state_.recovery.resume_value;
  start.parameter_tool_present = setup_.parameter_tool == kToolPresent;
  HandoffWrite handoff = fx_.WriteAutoVerUp(setup_.folders, start);
  if (!handoff.ok) {
    Ask(Format("自動バージョン更新定義ファイルの作成に失敗しました。\n\n'%s'", handoff.path.c_str()), kBoxOk);
    return Step::kEnd;
  }
  StoreRecord();
  ProcessRun run;
  if (!RunTool(setup_.info.ver_up_prog, kVersionUpdateTool, handoff.path, 0, start.resume_value, &run)) {
    Log("バージョン更新ツール起動失敗", 255);
    Ask("バージョン更新ツールの起動に失敗しました。", kBoxOk);
    return Step::kEnd;
  }
  Log("バージョン更新ツール終了");
  if (run.result.Succeeded()) {
    state_.succeeded = true;
    return Step::kEnd;
  }
  state_.recovery.failure_state = FailureCode(run, kVersionUpdateTool);
  if (run.result.code != 0) {
    state_.recovery.stage = run.result.value;
  } else if (run.result.any_report && run.result.last_value != 0) {
    // Killed or crashed: resume at the stage it was working on when it last reported.
    state_.recovery.stage = run.result.last_value;
  }
  state_.recovery.resume_value = run.resume_value;
  return Step::kFailed;
}

void UpdateWorkflow::StoreRecord() {
  if (setup_.folders.documents_folder.empty() || setup_.folders.run_folder.empty()) return;
  RecoveryRecord record = state_.recovery;
  if (record.failure_state == 0 || record.failure_state == 1) record.failure_state = kStateInterrupted;
  SetRecoveryFolder(&record, setup_.folders.run_folder);
  fx_.StoreRecovery(setup_.folders.documents_folder, record);
}

int32_t UpdateWorkflow::FailureCode(const ProcessRun& run, const std::string& label) {
  if (run.result.code != 0) return run.result.code;
  std::string reason = Format("%sが結果を報告せずに終了しました。(終了コード = %u (%08Xh))", label.c_str(),
                              run.exit_code, run.exit_code);
  Log(reason, 255);
  state_.failure_reason = reason;
  return 255;
}

bool UpdateWorkflow::RunTool(const std::string& entry, const std::string& label, const std::string& handoff_path,
                             uint32_t minimum_version, uint32_t resume_seed, ProcessRun* run) {
  Blank();
  Log(label + "起動");
  ToolCommand tool = SplitToolEntry(setup_.update_folder, entry);
  if (DropsTestOption(state_.run_phase, state_.recovery)) RemoveTestOption(&tool.options);
  std::string command = tool.program_path;
  if (!tool.options.empty()) command += " " + tool.options;
  if (minimum_version != 0) {
    uint32_t found = fx_.FileVersion(tool.program_path);
    if (found != 0 && found < minimum_version) {
      LogPlain(Format("'%s'\n非対応バージョン %s < %s", command.c_str(), VersionText(found).c_str(),
                      VersionText(minimum_version).c_str()),
               255);
      return false;
    }
  }
  ReportTarget target = fx_.Target();
  std::string line =
      BuildChildCommandLine(tool, handoff_path, target.window, target.message, target.mapping, target.size);
  LogPlain(Format("'%s'", line.c_str()));
  *run = fx_.RunProcess(line, resume_seed);
  if (!run->started) {
    LogPlain(Format("プロセス作成失敗 Err = %d : %s", static_cast<int>(run->error), run->error_text.c_str()), 255);
    return false;
  }
  state_.failure_reason = run->result.failure_reason;
  return true;
}

UpdateWorkflow::Step UpdateWorkflow::Failed() {
  StoreRecord();
  ++state_.run_phase;
  if (state_.run_phase != kPhaseFirstFailed) return Step::kEnd;
  if (!AskRetry()) return Step::kEnd;
  state_.failure_reason.clear();
  fx_.ClearFailureReason();
  ++state_.run_phase;
  return Step::kDevice;
}

bool UpdateWorkflow::AskRetry() {
  for (;;) {
    std::string text = "自動更新は異常終了しました。\n\n";
    if (!state_.failure_reason.empty()) text += state_.failure_reason + "\n\n";
    text += "再試行しますか？";
    if (Ask(text, kBoxRetryCancel | kIconExclamation, "自動更新失敗") == kAnswerRetry) {
      Ask("下記の番号順に従って、再試行して下さい。\n\n（１）CTIアダプターを一旦、電源OFF\n（２）数秒（３秒程度）経過した後、"
          "CTIアダプターを再度、電源ON\n（３）数秒（10秒程度）経過した後、画面下の［OK］をクリック",
          kBoxOk | kIconInformation, "再試行手順");
      return true;
    }
    if (Ask("このまま終了すると、CTIアダプターは正常に動作しない可能性があります。\n\nよろしいですか？\n\n［はい］をクリックすると、"
            "更新処理は終了します。",
            kBoxYesNo | kIconQuestion, "再試行キャンセル") == kAnswerYes) {
      return false;
    }
  }
}

}  // namespace orvex::autoupdate
