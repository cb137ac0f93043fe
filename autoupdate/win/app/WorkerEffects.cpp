#include "WorkerEffects.h"

#include "HandoffFileIo.h"
#include "RecoveryFile.h"
#include "RollStartup.h"
#include "ShowMessage.h"
#include "SystemError.h"
#include "UpdateInfoFile.h"
#include "WinDriverFileSystem.h"
#include "Wide.h"

namespace orvex::autoupdate {

void ChildReports::Handle(uint32_t code, int32_t value, std::string_view text, LogSink* log) {
  // The log entry first and outside the lock: it may wait for the window's thread.
  if (log) log->AddEntry(text, code, true);
  std::lock_guard<std::mutex> lock(mutex_);
  HandleChildReport(code, value, text, &result_, nullptr);
}

void ChildReports::ResetCode() {
  std::lock_guard<std::mutex> lock(mutex_);
  result_.ResetCode();
}

void ChildReports::ClearReason() {
  std::lock_guard<std::mutex> lock(mutex_);
  result_.failure_reason.clear();
}

ChildResult ChildReports::Snapshot() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return result_;
}

WorkerEffects::WorkerEffects(HWND window, ReportMapping& mapping, ChildReports& reports, const UpdateInfo& info,
                             const InstallTargets& targets, LogSink& log)
    : window_(window),
      mapping_(mapping),
      reports_(reports),
      info_(info),
      targets_(targets),
      log_(log),
      driver_(CreateDeviceDriver()) {}

WorkerEffects::~WorkerEffects() = default;

int WorkerEffects::Ask(const std::string& text, const std::string& caption, uint32_t type) {
  return ShowMessage(window_, text, caption, type);
}

bool WorkerEffects::OpenAdapter() {
  adapter_ = driver_->OpenAdapter();
  return adapter_.Found();
}

void WorkerEffects::CloseAdapter() { adapter_ = Adapter(); }

bool WorkerEffects::AdapterVersion(uint32_t* version, uint32_t* detail) {
  DriverVersion v;
  if (!driver_->QueryVersion(adapter_.handle.Get(), &v)) return false;
  *version = v.version;
  *detail = v.detail;
  return true;
}

uint32_t WorkerEffects::AdapterOpenCount() { return driver_->QueryOpenCount(adapter_.handle.Get()); }

AdapterReset WorkerEffects::ResetAdapter() {
  DWORD error = 0;
  switch (orvex::ResetAdapter(*driver_, adapter_, &error)) {
    case ResetResult::kDone: return AdapterReset::kDone;
    case ResetResult::kPipeFailed: return AdapterReset::kPipeFailed;
    case ResetResult::kSystemChannelFailed: return AdapterReset::kSystemChannelFailed;
    case ResetResult::kWriteFailed: return AdapterReset::kWriteFailed;
  }
  return AdapterReset::kWriteFailed;
}

void WorkerEffects::Sleep(uint32_t ms) { ::Sleep(ms); }

int WorkerEffects::UpdateDriverFiles(const std::string& run_folder) {
  // This thread must see the system's own System32 too, as the start-up inspection did.
  RedirectionOff redirection;
  WinDriverFileSystem fs;
  return orvex::autoupdate::UpdateDriverFiles(info_, targets_, run_folder, fs, *this, log_);
}

HandoffWrite WorkerEffects::WriteAutoPara(const HandoffFolders& folders) {
  HandoffWriteResult r = WriteAutoParaFile(info_, folders);
  if (r.count < 0) log_.AddEntry(r.failure_text, 2, true);
  return {r.count >= 0, r.path};
}

HandoffWrite WorkerEffects::WriteAutoVerUp(const HandoffFolders& folders, const VersionUpdateStart& start) {
  HandoffWriteResult r = WriteAutoVerUpFile(info_, folders, start);
  if (r.count < 0) log_.AddEntry(r.failure_text, 2, true);
  return {r.count >= 0, r.path};
}

uint32_t WorkerEffects::FileVersion(const std::string& path) { return FileVersionPacked(path); }

ReportTarget WorkerEffects::Target() {
  ReportTarget t;
  t.window = reinterpret_cast<uintptr_t>(window_);
  t.message = kChildReportMessage;
  t.mapping = reinterpret_cast<uintptr_t>(mapping_.Handle());
  t.size = mapping_.Size();
  return t;
}

ProcessRun WorkerEffects::RunProcess(const std::string& command_line, uint32_t resume_seed) {
  ProcessRun run;
  reports_.ResetCode();
  mapping_.ClearText();
  // A child that never reports leaves the value it was given, not a stale one.
  mapping_.SetResumeValue(resume_seed);
  std::wstring line = ToWide(command_line);
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, NORMAL_PRIORITY_CLASS, nullptr, nullptr,
                      &startup, &process)) {
    run.error = GetLastError();
    run.error_text = SystemErrorText(run.error);
    return run;
  }
  run.started = true;
  UniqueHandle thread(process.hThread);
  UniqueHandle handle(process.hProcess);
  WaitForSingleObject(handle.Get(), INFINITE);
  DWORD exit_code = 0;
  GetExitCodeProcess(handle.Get(), &exit_code);
  run.exit_code = exit_code;
  run.result = reports_.Snapshot();
  run.resume_value = mapping_.ResumeValue();
  return run;
}

void WorkerEffects::ClearFailureReason() { reports_.ClearReason(); }

void WorkerEffects::RemoveRunFolder(const std::string& folder) { RemoveFolderTree(folder); }

void WorkerEffects::StoreRecovery(const std::string& documents_folder, const RecoveryRecord& record) {
  uint32_t error = StoreRecoveryFile(RecoveryFilePath(documents_folder), record);
  if (error != 0) log_.AddEntry(RecoveryStoreFailureText(error, documents_folder), 2, true);
}

}  // namespace orvex::autoupdate
