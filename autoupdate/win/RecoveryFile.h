// OrvexRoll.recovery on disk. Every operation returns 0 or the system error (87 when the system
// gave none).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "LogEntry.h"
#include "RecoveryRecord.h"

namespace orvex::autoupdate {

// documents folder + "OrvexRoll.recovery".
std::string RecoveryFilePath(std::string_view documents_folder);

// Reads the first 1056 bytes; a missing or shorter file is a failure.
uint32_t LoadRecoveryFile(const std::string& path, RecoveryRecord* record);

// Writes the record into "<path>.tmp" and only then moves it over the old file, so an interrupted
// store leaves the previous record (or none), never a truncated one.
uint32_t StoreRecoveryFile(const std::string& path, const RecoveryRecord& record);

// The caller ignores error 2 (no file).
uint32_t DeleteRecoveryFile(const std::string& path);

// The outcome step's part: a successful run deletes the file (none there is fine); a failed run
// past its first attempt (run phase above 1) stores the record with this run's folder, so the
// next start can offer the repair. A failure is logged with code 2. 0 or that error.
uint32_t FinishRecoveryFile(bool succeeded, int run_phase, std::string_view documents_folder,
                            std::string_view run_folder, RecoveryRecord* record, LogSink* log);

// Probes a folder by opening a file in it for reading.
class FileSystemFolderProbe : public FolderProbe {
 public:
  uint32_t OpenError(const std::string& path) override;
};

// The start-up check: loads the record and keeps it when a repair can be offered (its folder then
// ends in '\'; the caller logs RecoveryCheckText), otherwise resets it. True when offered.
bool LoadRecoveryAtStartUp(const std::string& path, uint32_t own_version, RecoveryRecord* record);

}  // namespace orvex::autoupdate
