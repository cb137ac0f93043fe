// Saving OrvexRoll's log in the run folder; a log already there (the failed run's, on a repair
// run) is continued, not replaced.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "LogEntry.h"

namespace orvex::autoupdate {

// The local time for a log entry.
LogTime CurrentLogTime();

// Opens (or creates) the file exclusively, moves to its end when it is not empty and writes every
// item followed by CR LF, one write per item; a failed or short write stops. 0 or the system error.
uint32_t SaveLogFile(const std::string& path, const std::vector<std::string>& items);

}  // namespace orvex::autoupdate
