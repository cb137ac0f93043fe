// The recovery record OrvexRoll keeps in OrvexRoll.recovery between runs: after a failed update
// it names the failed run's folder and where the version update tool stopped, so the next start
// can offer a repair run.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace orvex::autoupdate {

constexpr size_t kRecoveryRecordSize = 1056;
constexpr size_t kRecoveryFolderSize = 1024;  // at most 1023 characters and the NUL
constexpr char kRecoveryFileName[] = "OrvexRoll.recovery";
constexpr uint32_t kRecoveryMinimumVersion = 0x02000000;  // 2.0.0.0

// The record as it lies in the file (little-endian) and in memory for the whole run.
struct RecoveryRecord {
  uint32_t version = 0;         // packed a.b.c.d of the OrvexRoll that wrote it
  int32_t failure_state = 0;    // the failed step's child result code; 0 = no failure
  int32_t parameter_value = 0;  // last result value of the parameter tool; -1 when it did not run
  int32_t stage = 0;            // -5 driver step, 0 parameter step, 1 version update step, else its stage
  uint32_t reserved16 = 0;
  uint32_t resume_value = 0;    // the version update tool's value at offset 1020 of the report buffer
  uint8_t reserved24[8] = {};
  char run_folder[kRecoveryFolderSize] = {};
};
// The fields lie in memory as in the file, on every target.
static_assert(sizeof(RecoveryRecord) == kRecoveryRecordSize);
static_assert(offsetof(RecoveryRecord, failure_state) == 4 && offsetof(RecoveryRecord, parameter_value) == 8 &&
              offsetof(RecoveryRecord, stage) == 12 && offsetof(RecoveryRecord, reserved16) == 16 &&
              offsetof(RecoveryRecord, resume_value) == 20 && offsetof(RecoveryRecord, reserved24) == 24 &&
              offsetof(RecoveryRecord, run_folder) == 32);

void EncodeRecoveryRecord(const RecoveryRecord& record, uint8_t out[kRecoveryRecordSize]);
// False when fewer than 1056 bytes are given; a longer input gives its first 1056 bytes.
bool DecodeRecoveryRecord(const uint8_t* bytes, size_t count, RecoveryRecord* out);

// All zero, then the own version, parameter tool value -1 and stage -5.
void ResetRecoveryRecord(RecoveryRecord* record, uint32_t own_version);
// The same for the first 32 bytes only; the stored folder stays (a normal update chosen instead
// of the repair).
void ResetRecoveryHeader(RecoveryRecord* record, uint32_t own_version);

// The stored folder up to its NUL (never beyond the field).
std::string RecoveryFolder(const RecoveryRecord& record);
// The run folder at the end of a failed run, cut to 1023 bytes without splitting a character.
void SetRecoveryFolder(RecoveryRecord* record, std::string_view folder);

// Opening "<folder>$dummy.file$" for reading: 0 when it opened, else the system error.
class FolderProbe {
 public:
  virtual ~FolderProbe() = default;
  virtual uint32_t OpenError(const std::string& path) = 0;
};

// Why a loaded record does not lead to a repair offer (several may apply).
enum RecoveryReason : uint32_t {
  kRecoveryNoFailure = 1u << 0,       // failure state 0
  kRecoveryNoFolder = 1u << 1,        // stored folder empty
  kRecoveryFolderUnusable = 1u << 2,  // no NUL in the field, or 1023 characters and no room for '\'
  kRecoveryFolderGone = 1u << 3,      // the probe failed otherwise than with file-not-found
  kRecoveryOldVersion = 1u << 4,      // written by a version below 2.0.0.0
  kRecoveryStateSuccess = 1u << 5,    // failure state 1
  kRecoveryDriverStage = 1u << 6,     // stage below -4: the failure came before any device change
};

struct RecoveryCheck {
  bool repair_offered = false;
  uint32_t reasons = 0;     // RecoveryReason bits when not offered
  std::string folder;       // the stored folder with its '\'
  uint32_t probe_error = 0;
};

// The start-up check of a loaded record. When it is offered, the record's folder gets its '\'
// (the caller logs RecoveryCheckText); otherwise the caller resets the record.
RecoveryCheck CheckRecoveryRecord(RecoveryRecord* record, FolderProbe& probe);

// "修復情報保存フォルダ = '...'\n修復情報確認(v2.0.1.1) State = 2h, Stage = 3(1h)".
std::string RecoveryCheckText(const RecoveryRecord& record);
// The log texts of a failed store and a failed delete (documents folder and file name).
std::string RecoveryStoreFailureText(uint32_t error, std::string_view documents_folder);
std::string RecoveryDeleteFailureText(uint32_t error, std::string_view documents_folder);
// One line per reason, for the orvex command line.
std::string RecoveryReasonText(uint32_t reasons);

}  // namespace orvex::autoupdate
