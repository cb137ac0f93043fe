// What OrvexRoll's saved log says about its runs, for `orvex history`. A run folder's log holds
// one session per start of OrvexRoll: the run itself and, appended, each repair run that went on
// in the same folder.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace orvex::autoupdate {

enum class SessionOutcome { kSucceeded, kFailed, kCancelled, kUnfinished };

// One program image the version update tool started to write, as its reports show it.
struct LoggedUpdate {
  std::string file;
  std::string before;  // the processor's version, "1.105"; "未装着" or empty when the log has none
  std::string after;   // the file's version
  bool done = false;   // "更新成功" followed (on the last attempt)
};

struct LogSession {
  std::string started;  // "YYYY/MM/DD hh:mm:ss" of its first entry
  SessionOutcome outcome = SessionOutcome::kUnfinished;
  bool repair = false;  // it took the failed run's folder over ("修復情報保存フォルダ選択")
  std::string stage;    // where it was when it ended: "driver", "parameter" or "version update"
  std::string reason;   // the last error entry (code 2 and above) before its end
  std::string device;   // "接続デバイス・バージョン = ..." without its label
  std::vector<LoggedUpdate> updates;
};

// The sessions of a log file's bytes (code page 932, CR LF lines with the 29-character prefix).
// Lines that are no log items are skipped; text before the first start entry is a session of its
// own only when it holds entries.
std::vector<LogSession> ParseRunLog(std::string_view bytes);

// The outcome of a run folder from its sessions: the first session's, except that a failed run
// that a later repair session in its folder completed is repaired.
enum class RunOutcome { kSucceeded, kFailed, kRepaired, kCancelled, kUnfinished, kNoLog };
RunOutcome RunOutcomeOf(const std::vector<LogSession>& sessions);
const char* RunOutcomeName(RunOutcome outcome);  // "success", "failure", "repaired", ...
const char* SessionOutcomeName(SessionOutcome outcome);

// "YYYY/MM/DD hh:mm:ss" from a run folder's name "YYYYMMDD_hhmmss"; empty for any other name.
std::string RunFolderDate(std::string_view name);

}  // namespace orvex::autoupdate
