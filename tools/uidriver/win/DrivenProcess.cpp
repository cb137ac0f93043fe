#include "EnvironmentBlock.h"
#include "PathText.h"
#include "SystemError.h"
#include "UiDriver.h"
#include "Wide.h"

namespace orvex::uidriver {

namespace {

constexpr DWORD kEndLimitMs = 10000;

std::wstring EnvironmentFor(const Environment& extra) {
  std::vector<std::wstring> entries;
  if (wchar_t* block = GetEnvironmentStringsW()) {
    size_t size = 0;
    while (block[size] != L'\0' || block[size + 1] != L'\0') ++size;
    entries = SplitEnvironmentBlock(block, size + 2);
    FreeEnvironmentStringsW(block);
  }
  std::vector<EnvironmentChange> changes;
  for (const auto& [name, value] : extra) changes.emplace_back(ToWide(name), ToWide(value));
  return BuildEnvironmentBlock(MergeEnvironment(entries, changes));
}

std::string ErrorText(DWORD code) {
  std::string text = SystemErrorLine(code);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) text.pop_back();
  return text;
}

}  // namespace

std::optional<DrivenProcess> DrivenProcess::Start(const std::string& exe_path, const std::string& arguments,
                                                  const std::string& working_folder,
                                                  const Environment& extra_environment, bool inherit_handles,
                                                  std::string* error) {
  std::string line = "\"" + exe_path + "\"";
  if (!arguments.empty()) line += " " + arguments;
  std::wstring command = ToWide(line);
  std::string folder = working_folder.empty() ? std::string(PathFolder(exe_path)) : working_folder;
  std::wstring wide_folder = ToWide(folder);
  std::wstring environment;
  DWORD flags = CREATE_SUSPENDED | CREATE_UNICODE_ENVIRONMENT;
  if (!extra_environment.empty()) environment = EnvironmentFor(extra_environment);

  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  if (!inherit_handles) {
    // No standard handles either: under Wine the program would otherwise keep the caller's
    // output open (a shell's `$(orvexui start ...)` would wait for the program to end).
    startup.dwFlags = STARTF_USESTDHANDLES;
  }
  PROCESS_INFORMATION info = {};
  if (!CreateProcessW(ToWide(exe_path).c_str(), command.data(), nullptr, nullptr,
                      inherit_handles ? TRUE : FALSE, flags,
                      environment.empty() ? nullptr : environment.data(),
                      wide_folder.empty() ? nullptr : wide_folder.c_str(), &startup, &info)) {
    if (error != nullptr) *error = "cannot start " + line + " (" + ErrorText(GetLastError()) + ")";
    return std::nullopt;
  }
  DrivenProcess p;
  p.process_.Reset(info.hProcess);
  UniqueHandle thread(info.hThread);
  p.pid_ = info.dwProcessId;
  p.owned_ = true;
  // The job ends the program and whatever it starts, even when the test itself dies.
  p.job_.Reset(CreateJobObjectW(nullptr, nullptr));
  if (p.job_) {
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (!SetInformationJobObject(p.job_.Get(), JobObjectExtendedLimitInformation, &limits, sizeof limits) ||
        !AssignProcessToJobObject(p.job_.Get(), p.process_.Get())) {
      p.job_.Reset();
    }
  }
  ResumeThread(thread.Get());
  return p;
}

std::optional<DrivenProcess> DrivenProcess::Attach(DWORD pid, std::string* error) {
  DrivenProcess p;
  p.process_.Reset(
      OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE, FALSE, pid));
  if (!p.process_) {
    if (error != nullptr)
      *error = "no process " + std::to_string(pid) + " (" + ErrorText(GetLastError()) + ")";
    return std::nullopt;
  }
  p.pid_ = pid;
  return p;
}

DrivenProcess& DrivenProcess::operator=(DrivenProcess&& other) noexcept {
  if (this != &other) {
    if (owned_) Terminate();
    process_ = std::move(other.process_);
    job_ = std::move(other.job_);
    pid_ = other.pid_;
    owned_ = other.owned_;
    other.owned_ = false;
  }
  return *this;
}

DrivenProcess::~DrivenProcess() {
  if (owned_ && process_) Terminate();
}

std::optional<DWORD> DrivenProcess::WaitExit(DWORD ms) const {
  if (!process_ || WaitForSingleObject(process_.Get(), ms) != WAIT_OBJECT_0) return std::nullopt;
  DWORD code = 0;
  if (!GetExitCodeProcess(process_.Get(), &code)) return std::nullopt;
  return code;
}

bool DrivenProcess::Terminate(UINT exit_code) {
  if (!process_) return true;
  // Through the job also what the program started, which may outlive the program itself.
  if (!(job_ && TerminateJobObject(job_.Get(), exit_code)) &&
      WaitForSingleObject(process_.Get(), 0) != WAIT_OBJECT_0) {
    TerminateProcess(process_.Get(), exit_code);
  }
  return WaitForSingleObject(process_.Get(), kEndLimitMs) == WAIT_OBJECT_0;
}

void DrivenProcess::Detach() {
  if (job_) {
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
    SetInformationJobObject(job_.Get(), JobObjectExtendedLimitInformation, &limits, sizeof limits);
  }
  owned_ = false;
  job_.Reset();
  process_.Reset();
}

}  // namespace orvex::uidriver
