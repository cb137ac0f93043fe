// The update worker's course: find the adapter, ask the user, update the driver and library
// files, reset the adapter when its driver changed, run the parameter tool and the version update
// tool as children, offer one retry, and leave the outcome in the workflow state. Everything it
// does to the world goes through WorkflowEffects, so the whole course runs in host tests.
#pragma once

#include <cstdint>
#include <string>

#include "ChildResult.h"
#include "HandoffFile.h"
#include "LogEntry.h"
#include "MessageBoxCodes.h"
#include "RecoveryRecord.h"
#include "UpdateInfo.h"

namespace orvex::autoupdate {

// Run phases, shared with the main window.
constexpr int kPhaseNotStarted = 0;  // start-up failed: the worker only reports its end
constexpr int kPhaseFirst = 1;
constexpr int kPhaseFirstFailed = 2;
constexpr int kPhaseRetry = 3;
constexpr int kPhaseRetryFailed = 4;
constexpr int kPhaseCancelled = -1;

// The failure state a record carries while a child runs: the run did not get to its outcome (the
// same code as a child that ended without a result report).
constexpr int32_t kStateInterrupted = 255;

// Recovery stages of the workflow itself; other values are the version update tool's.
constexpr int32_t kStageDriver = -5;
constexpr int32_t kStageParameter = 0;
constexpr int32_t kStageVersionUpdate = 1;

// The lowest parameter tool the worker starts.
constexpr uint32_t kMinimumParameterToolLaunch = 0x01010003;  // 1.1.0.3

// Where the children send their reports (the /w values of their command line).
struct ReportTarget {
  uint64_t window = 0;
  uint32_t message = 0;
  uint64_t mapping = 0;
  uint32_t size = 0;
};

// One child process from its start to its end.
struct ProcessRun {
  bool started = false;
  uint32_t error = 0;  // why it did not start
  std::string error_text;
  uint32_t exit_code = 0;
  ChildResult result;         // what its reports left, as the main window kept them
  uint32_t resume_value = 0;  // offset 1020 of the report buffer after the end
};

enum class AdapterReset { kDone, kPipeFailed, kSystemChannelFailed, kWriteFailed };

struct HandoffWrite {
  bool ok = false;
  std::string path;
};

class WorkflowEffects : public Questions {
 public:
  // The adapter through its driver; the handle stays open until CloseAdapter.
  virtual bool OpenAdapter() = 0;
  virtual void CloseAdapter() = 0;
  virtual bool AdapterVersion(uint32_t* version, uint32_t* detail) = 0;
  virtual uint32_t AdapterOpenCount() = 0;  // 0 when the query failed
  virtual AdapterReset ResetAdapter() = 0;  // on the open adapter

  virtual void Sleep(uint32_t ms) = 0;

  // The driver and library file update into `run_folder`'s Old\: -1 stopped, 1 a .sys replaced, 0.
  virtual int UpdateDriverFiles(const std::string& run_folder) = 0;
  // The hand-off files; a failure is logged by the writer.
  virtual HandoffWrite WriteAutoPara(const HandoffFolders& folders) = 0;
  virtual HandoffWrite WriteAutoVerUp(const HandoffFolders& folders, const VersionUpdateStart& start) = 0;

  virtual uint32_t FileVersion(const std::string& path) = 0;
  virtual ReportTarget Target() = 0;
  // Resets the kept result code, clears the report text, puts `resume_seed` at offset 1020, starts
  // the command line (inheriting handles) and waits for the process to end.
  virtual ProcessRun RunProcess(const std::string& command_line, uint32_t resume_seed) = 0;
  // The retry starts without the failed attempt's reason.
  virtual void ClearFailureReason() = 0;
  // A repair run gives up this run's fresh folder: its files, its empty subfolders and itself.
  virtual void RemoveRunFolder(const std::string& folder) = 0;
  // Writes OrvexRoll.recovery into the documents folder; a failure is logged by the writer.
  virtual void StoreRecovery(const std::string& documents_folder, const RecoveryRecord& record) = 0;
};

// What the worker is given; fixed for the run.
struct WorkflowSetup {
  UpdateInfo info;
  std::string update_folder;
  HandoffFolders folders;  // the run folder may change to the recovery record's on a repair run
  ToolAvailability parameter_tool = kToolNotConfigured;
  std::string label;  // DeviceName, or "CTIアダプター"
  uint32_t own_version = 0;  // OrvexRoll's own file version, stamped into a reset recovery record
};

// What the worker changes; the main window reads it once the worker has ended.
struct WorkflowState {
  int run_phase = kPhaseNotStarted;
  RecoveryRecord recovery;
  bool succeeded = false;      // the version update tool reported success
  std::string failure_reason;  // shown in the retry question and the final failure message
};

class UpdateWorkflow {
 public:
  UpdateWorkflow(WorkflowSetup& setup, WorkflowState& state, WorkflowEffects& effects, LogSink& log)
      : setup_(setup), state_(state), fx_(effects), log_(log) {}

  // The whole course, up to END (the adapter closed). The caller then posts WM_WORKFLOW_DONE.
  void Run();

 private:
  enum class Step { kDevice, kResume, kDriver, kParameter, kVersionUpdate, kFailed, kEnd };

  Step Device();
  Step Resume();
  Step Driver();
  Step Parameter();
  Step VersionUpdate();
  Step Failed();
  bool AskRetry();
  // Waits for the adapter to leave the bus after the reset and to come back.
  void AwaitRestart();
  // Starts a tool from its update information entry and waits for it; false when it did not start.
  bool RunTool(const std::string& entry, const std::string& label, const std::string& handoff_path,
               uint32_t minimum_version, uint32_t resume_seed, ProcessRun* run);
  // Before a child starts, and again as soon as a child's failure is known (before the retry
  // question, which may stay open for long): the record as the failure of this run at the current
  // stage and resume value, in this run's folder, so that a run that never reaches its outcome
  // (OrvexRoll killed, the PC's power lost) still leaves the right repair offer for the next
  // start. The outcome replaces or deletes it.
  void StoreRecord();
  // The child's result code for the recovery record; a child that ended without a result
  // report counts as a tool failure.
  int32_t FailureCode(const ProcessRun& run, const std::string& label);

  void Log(const std::string& text, uint32_t code = 0) { log_.AddEntry(text, code, true); }
  void LogPlain(const std::string& text, uint32_t code = 0) { log_.AddEntry(text, code, false); }
  void Blank() { log_.AddEntry("", 0, false); }
  int Ask(const std::string& text, uint32_t type, const std::string& caption = "") {
    return fx_.Ask(text, caption, type);
  }

  WorkflowSetup& setup_;
  WorkflowState& state_;
  WorkflowEffects& fx_;
  LogSink& log_;
  bool adapter_open_ = false;
};

// Whether a tool's leading "/e" test option is dropped: on the retry attempt, and whenever a
// recovery record with a stored folder was loaded at start-up.
bool DropsTestOption(int run_phase, const RecoveryRecord& recovery);

// The step a retry or repair run starts at: the parameter step for stage 0, else the version
// update step.
inline bool ResumesAtParameterStep(int32_t stage) { return stage == kStageParameter; }

}  // namespace orvex::autoupdate
