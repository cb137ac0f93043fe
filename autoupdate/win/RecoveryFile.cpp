#include "RecoveryFile.h"

#include <windows.h>

#include "Handles.h"
#include "SystemErrorCodes.h"
#include "Wide.h"

namespace orvex::autoupdate {

namespace {

uint32_t LastError() {
  DWORD error = GetLastError();
  return error != 0 ? error : kErrorInvalidParameter;
}

}  // namespace

std::string RecoveryFilePath(std::string_view documents_folder) {
  return std::string(documents_folder) + kRecoveryFileName;
}

uint32_t LoadRecoveryFile(const std::string& path, RecoveryRecord* record) {
  UniqueFile file(CreateFileW(ToWide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return LastError();
  uint8_t bytes[kRecoveryRecordSize];
  DWORD got = 0;
  SetLastError(0);
  if (!ReadFile(file.Get(), bytes, sizeof bytes, &got, nullptr)) return LastError();
  if (got != sizeof bytes) return kErrorInvalidParameter;
  DecodeRecoveryRecord(bytes, got, record);
  return 0;
}

uint32_t StoreRecoveryFile(const std::string& path, const RecoveryRecord& record) {
  std::wstring target = ToWide(path);
  std::wstring temporary = target + L".tmp";
  uint8_t bytes[kRecoveryRecordSize];
  EncodeRecoveryRecord(record, bytes);
  UniqueFile file(CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file) return LastError();
  DWORD written = 0;
  uint32_t error = 0;
  SetLastError(0);
  if (!WriteFile(file.Get(), bytes, sizeof bytes, &written, nullptr) || written != sizeof bytes ||
      !FlushFileBuffers(file.Get())) {
    error = LastError();
  }
  if (!CloseHandle(file.Release()) && error == 0) error = LastError();
  if (error == 0 && !MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    error = LastError();
  }
  if (error != 0) DeleteFileW(temporary.c_str());
  return error;
}

uint32_t DeleteRecoveryFile(const std::string& path) {
  if (!DeleteFileW(ToWide(path).c_str())) return LastError();
  return 0;
}

uint32_t FinishRecoveryFile(bool succeeded, int run_phase, std::string_view documents_folder,
                            std::string_view run_folder, RecoveryRecord* record, LogSink* log) {
  const std::string path = RecoveryFilePath(documents_folder);
  if (succeeded) {
    uint32_t error = DeleteRecoveryFile(path);
    if (error == kErrorFileNotFound) return 0;
    if (error != 0 && log) log->AddEntry(RecoveryDeleteFailureText(error, documents_folder), 2, true);
    return error;
  }
  if (run_phase <= 1) return 0;
  SetRecoveryFolder(record, run_folder);
  uint32_t error = StoreRecoveryFile(path, *record);
  if (error != 0 && log) log->AddEntry(RecoveryStoreFailureText(error, documents_folder), 2, true);
  return error;
}

uint32_t FileSystemFolderProbe::OpenError(const std::string& path) {
  UniqueFile file(CreateFileW(ToWide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  return file ? 0 : LastError();
}

bool LoadRecoveryAtStartUp(const std::string& path, uint32_t own_version, RecoveryRecord* record) {
  FileSystemFolderProbe probe;
  if (LoadRecoveryFile(path, record) == 0 && CheckRecoveryRecord(record, probe).repair_offered) return true;
  ResetRecoveryRecord(record, own_version);
  return false;
}

}  // namespace orvex::autoupdate
