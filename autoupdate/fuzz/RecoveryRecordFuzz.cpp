// Arbitrary bytes as OrvexRoll.recovery: loading, the start-up check and its log text.
#include <cstddef>
#include <cstdint>
#include <string>

#include "RecoveryRecord.h"

namespace {

struct Probe : orvex::autoupdate::FolderProbe {
  uint32_t answer = 2;
  uint32_t OpenError(const std::string& path) override { return path.size() % 3 == 0 ? 3 : answer; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace orvex::autoupdate;
  RecoveryRecord record;
  if (!DecodeRecoveryRecord(data, size, &record)) return 0;
  Probe probe;
  RecoveryCheck check = CheckRecoveryRecord(&record, probe);
  if (check.repair_offered) {
    (void)RecoveryCheckText(record);
    if (RecoveryFolder(record).size() >= kRecoveryFolderSize) __builtin_trap();
  }
  (void)RecoveryReasonText(check.reasons);
  uint8_t again[kRecoveryRecordSize];
  EncodeRecoveryRecord(record, again);
  return 0;
}
