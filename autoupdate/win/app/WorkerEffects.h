// The update worker's effects on the real system: the adapter through its driver, message boxes
// on the main window, the hand-off files, the children as processes, the driver file update.
#pragma once

#include <windows.h>

#include <memory>
#include <mutex>
#include <string>

#include "ChildResult.h"
#include "DeviceDriver.h"
#include "DriverFileUpdate.h"
#include "ReportMapping.h"
#include "UpdateWorkflow.h"

namespace orvex::autoupdate {

// The children's results as the main window's report handler keeps them. The handler runs on the
// window's thread while the worker waits for the child; the worker reads them after the child
// has ended.
class ChildReports {
 public:
  void Handle(uint32_t code, int32_t value, std::string_view text, LogSink* log);
  void ResetCode();
  void ClearReason();
  ChildResult Snapshot() const;

 private:
  mutable std::mutex mutex_;
  ChildResult result_;
};

class WorkerEffects : public WorkflowEffects {
 public:
  WorkerEffects(HWND window, ReportMapping& mapping, ChildReports& reports, const UpdateInfo& info,
                const InstallTargets& targets, LogSink& log);
  ~WorkerEffects() override;

  int Ask(const std::string& text, const std::string& caption, uint32_t type) override;
  bool OpenAdapter() override;
  void CloseAdapter() override;
  bool AdapterVersion(uint32_t* version, uint32_t* detail) override;
  uint32_t AdapterOpenCount() override;
  AdapterReset ResetAdapter() override;
  void Sleep(uint32_t ms) override;
  int UpdateDriverFiles(const std::string& run_folder) override;
  HandoffWrite WriteAutoPara(const HandoffFolders& folders) override;
  HandoffWrite WriteAutoVerUp(const HandoffFolders& folders, const VersionUpdateStart& start) override;
  uint32_t FileVersion(const std::string& path) override;
  ReportTarget Target() override;
  ProcessRun RunProcess(const std::string& command_line, uint32_t resume_seed) override;
  void ClearFailureReason() override;
  void RemoveRunFolder(const std::string& folder) override;
  void StoreRecovery(const std::string& documents_folder, const RecoveryRecord& record) override;

 private:
  HWND window_;
  ReportMapping& mapping_;
  ChildReports& reports_;
  const UpdateInfo& info_;
  const InstallTargets& targets_;
  LogSink& log_;
  std::unique_ptr<DeviceDriver> driver_;
  Adapter adapter_;
};

}  // namespace orvex::autoupdate
