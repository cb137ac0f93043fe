#include "RecoveryRecord.h"

#include <cstring>

#include "Cp932Text.h"
#include "Format.h"
#include "SystemErrorCodes.h"

namespace orvex::autoupdate {

namespace {

void Put32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

uint32_t Get32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
         static_cast<uint32_t>(p[3]) << 24;
}

size_t FolderLength(const RecoveryRecord& record) {
  const void* nul = std::memchr(record.run_folder, 0, kRecoveryFolderSize);
  return nul ? static_cast<size_t>(static_cast<const char*>(nul) - record.run_folder) : kRecoveryFolderSize;
}

}  // namespace

#define AT(field) offsetof(RecoveryRecord, field)

void EncodeRecoveryRecord(const RecoveryRecord& r, uint8_t out[kRecoveryRecordSize]) {
  Put32(out + AT(version), r.version);
  Put32(out + AT(failure_state), static_cast<uint32_t>(r.failure_state));
  Put32(out + AT(parameter_value), static_cast<uint32_t>(r.parameter_value));
  Put32(out + AT(stage), static_cast<uint32_t>(r.stage));
  Put32(out + AT(reserved16), r.reserved16);
  Put32(out + AT(resume_value), r.resume_value);
  std::memcpy(out + AT(reserved24), r.reserved24, sizeof r.reserved24);
  std::memcpy(out + AT(run_folder), r.run_folder, kRecoveryFolderSize);
}

bool DecodeRecoveryRecord(const uint8_t* bytes, size_t count, RecoveryRecord* out) {
  if (bytes == nullptr || count < kRecoveryRecordSize) return false;
  out->version = Get32(bytes + AT(version));
  out->failure_state = static_cast<int32_t>(Get32(bytes + AT(failure_state)));
  out->parameter_value = static_cast<int32_t>(Get32(bytes + AT(parameter_value)));
  out->stage = static_cast<int32_t>(Get32(bytes + AT(stage)));
  out->reserved16 = Get32(bytes + AT(reserved16));
  out->resume_value = Get32(bytes + AT(resume_value));
  std::memcpy(out->reserved24, bytes + AT(reserved24), sizeof out->reserved24);
  std::memcpy(out->run_folder, bytes + AT(run_folder), kRecoveryFolderSize);
  return true;
}

#undef AT

void ResetRecoveryRecord(RecoveryRecord* record, uint32_t own_version) {
  *record = RecoveryRecord();
  ResetRecoveryHeader(record, own_version);
}

void ResetRecoveryHeader(RecoveryRecord* record, uint32_t own_version) {
  record->version = own_version;
  record->failure_state = 0;
  record->parameter_value = -1;
  record->stage = -5;
  record->reserved16 = 0;
  record->resume_value = 0;
  std::memset(record->reserved24, 0, sizeof record->reserved24);
}

std::string RecoveryFolder(const RecoveryRecord& record) {
  return std::string(record.run_folder, FolderLength(record));
}

void SetRecoveryFolder(RecoveryRecord* record, std::string_view folder) {
  size_t n = CutLength(folder, kRecoveryFolderSize - 1);
  std::memset(record->run_folder, 0, kRecoveryFolderSize);
  std::memcpy(record->run_folder, folder.data(), n);
}

RecoveryCheck CheckRecoveryRecord(RecoveryRecord* record, FolderProbe& probe) {
  RecoveryCheck check;
  size_t length = FolderLength(*record);
  if (record->failure_state == 0) check.reasons |= kRecoveryNoFailure;
  if (length == 0) {
    check.reasons |= kRecoveryNoFolder;
  } else if (length == kRecoveryFolderSize) {
    check.reasons |= kRecoveryFolderUnusable;  // not terminated inside its field
  } else {
    check.folder = RecoveryFolder(*record);
    if (!EndsWithChar(check.folder, '\\')) {
      if (length == kRecoveryFolderSize - 1) {
        check.reasons |= kRecoveryFolderUnusable;  // no room left for the '\'
      } else {
        check.folder += '\\';
      }
    }
    if (!(check.reasons & kRecoveryFolderUnusable)) {
      check.probe_error = probe.OpenError(check.folder + "$dummy.file$");
      if (check.probe_error != 0 && check.probe_error != kErrorFileNotFound) check.reasons |= kRecoveryFolderGone;
    }
  }
  if (record->version < kRecoveryMinimumVersion) check.reasons |= kRecoveryOldVersion;
  if (record->failure_state == 1) check.reasons |= kRecoveryStateSuccess;
  if (record->stage < -4) check.reasons |= kRecoveryDriverStage;
  check.repair_offered = check.reasons == 0;
  if (check.repair_offered) SetRecoveryFolder(record, check.folder);
  return check;
}

std::string RecoveryCheckText(const RecoveryRecord& r) {
  uint32_t v = r.version;
  return Format("修復情報保存フォルダ = '%s'\n修復情報確認(v%d.%d.%d.%d) State = %Xh, Stage = %d(%Xh)",
                RecoveryFolder(r).c_str(), static_cast<int>(v >> 24), static_cast<int>((v >> 16) & 0xFF),
                static_cast<int>((v >> 8) & 0xFF), static_cast<int>(v & 0xFF),
                static_cast<unsigned>(r.failure_state), r.stage, r.resume_value);
}

std::string RecoveryStoreFailureText(uint32_t error, std::string_view documents_folder) {
  return Format("自動更新修復情報ファイル作成失敗 Error = %d\n'%sOrvexRoll.recovery'", static_cast<int>(error),
                std::string(documents_folder).c_str());
}

std::string RecoveryDeleteFailureText(uint32_t error, std::string_view documents_folder) {
  return Format("自動更新修復情報ファイル削除失敗 Error = %d\n'%sOrvexRoll.recovery'", static_cast<int>(error),
                std::string(documents_folder).c_str());
}

std::string RecoveryReasonText(uint32_t reasons) {
  static const struct {
    uint32_t bit;
    const char* text;
  } kTexts[] = {
      {kRecoveryNoFailure, "no failure recorded (failure state 0)"},
      {kRecoveryNoFolder, "no run folder stored"},
      {kRecoveryFolderUnusable, "run folder field unusable (not terminated, or 1023 characters without a backslash)"},
      {kRecoveryFolderGone, "run folder cannot be reached (deleted or inaccessible)"},
      {kRecoveryOldVersion, "written by a version below 2.0.0.0"},
      {kRecoveryStateSuccess, "failure state 1 (the failed step reported success)"},
      {kRecoveryDriverStage, "stage below -4 (failure during the driver step)"},
  };
  std::string out;
  for (const auto& t : kTexts) {
    if (reasons & t.bit) {
      out += t.text;
      out += '\n';
    }
  }
  return out;
}

}  // namespace orvex::autoupdate
