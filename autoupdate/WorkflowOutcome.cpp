#include "WorkflowOutcome.h"

#include "MessageBoxCodes.h"
#include "UpdateWorkflow.h"

namespace orvex::autoupdate {

WorkflowOutcome DecideOutcome(bool succeeded, int run_phase, std::string_view title, std::string_view reason) {
  WorkflowOutcome out;
  out.close_after_save = run_phase == kPhaseNotStarted;
  if (succeeded) {
    out.log_line = std::string(title) + "正常終了";
    out.show_box = run_phase != kPhaseNotStarted;
    out.box_text = "自動更新は正常終了しました。";
    if (run_phase >= kPhaseRetry) out.box_text += "\n\nCTIアダプターの動作を確認して下さい。";
    out.box_type = kBoxOk | kIconInformation;
    out.recovery = WorkflowOutcome::kDelete;
    return out;
  }
  out.log_line = std::string(title) + "異常終了";
  // The first attempt's failure was already shown in the retry question.
  out.show_box = run_phase != kPhaseNotStarted && run_phase != kPhaseFirstFailed;
  out.box_text = "自動更新は異常終了しました。";
  if (!reason.empty()) out.box_text += "\n\n" + std::string(reason);
  if (run_phase >= kPhaseRetryFailed) out.box_text += "\n\nCTIアダプターのメーカーに連絡して下さい。";
  out.box_type = kBoxOk | kIconExclamation;
  out.recovery = run_phase > kPhaseFirst ? WorkflowOutcome::kStore : WorkflowOutcome::kKeep;
  return out;
}

}  // namespace orvex::autoupdate
