// OrvexRoll's one window: the execution log while the update worker runs. It sets up the run
// (folders, report buffer, installed files, recovery record), starts the worker, handles the
// children's reports, and at the end shows the outcome, keeps or deletes the recovery file and
// saves the log. It cannot be closed before the worker has ended.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "Dialog.h"
#include "DriverFileUpdate.h"
#include "Handles.h"
#include "LogView.h"
#include "ReportMapping.h"
#include "RollStartup.h"
#include "UpdateWorkflow.h"
#include "WorkerEffects.h"

namespace orvex::autoupdate {

class MainWindow : public Dialog {
 public:
  explicit MainWindow(RollConfig config);
  ~MainWindow() override;

  // Modal, until the user closes it after the end (or it closes itself after a start-up failure).
  INT_PTR Run(HINSTANCE instance);

  // For the in-process tests: what the run left behind.
  bool Finished() const { return finished_; }
  bool Closable() const { return closable_; }
  const WorkflowState& State() const { return state_; }
  const WorkflowSetup& Setup() const { return setup_; }
  const LogView& Log() const { return log_; }

 protected:
  bool OnInit() override;
  bool OnCommand(int code, int id, HWND control) override;
  void OnClose() override;
  void OnOk() override {}      // Enter never closes the window
  void OnCancel() override {}  // nor does Escape
  void OnDestroy() override;
  bool OnMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) override;

 private:
  // Steps that leave no worker behind when they fail: the window closes after the message.
  bool PrepareWindow();
  // The rest of the start-up; a failure lets the worker report its end at once.
  void PrepareRun();
  void StopStartUp(const std::string& message, bool show_box = true);
  void ResumeWorker(int run_phase);
  static DWORD WINAPI WorkerMain(void* self);

  void OnWorkflowDone();
  bool SaveLog();
  // Writes the lines the log file does not have yet; 0 or the system error.
  uint32_t WriteLogSoFar();
  void MakeClosable(bool closable);
  void ShowContextMenu(LPARAM position);
  void ShowAbout();
  int Box(const std::string& text, UINT type);

  RollConfig config_;
  std::string title_;  // from the update information, without the " <Win98>" of the caption
  LogView log_;
  LogJournal journal_;
  ReportMapping mapping_;
  ChildReports reports_;
  InstallTargets targets_;
  WorkflowSetup setup_;
  WorkflowState state_;
  std::unique_ptr<WorkerEffects> effects_;
  UniqueHandle worker_;
  UniqueMenu context_menu_;
  UniqueIcon icon_big_, icon_small_;
  bool worker_resumed_ = false;
  bool closable_ = false;
  bool finished_ = false;
  bool registry_view64_ = false;
};

}  // namespace orvex::autoupdate
