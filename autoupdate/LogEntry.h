// OrvexRoll's log lines: every item is a 29-character prefix (a time stamp and the code column,
// or blanks) followed by one line of text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace orvex::autoupdate {

constexpr size_t kLogPrefixWidth = 29;

// Local time of an entry.
struct LogTime {
  unsigned year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, millisecond = 0;
};

// Where the workflow, the report handler and the start-up write their entries. An entry without
// a time stamp has only blank prefixes.
class LogSink {
 public:
  virtual ~LogSink() = default;
  virtual void AddEntry(std::string_view text, uint32_t code, bool time_stamp) = 0;
};

// "2024/01/02 03:04:05.006   0  ": 29 characters for codes up to 999, wider above.
std::string LogTimePrefix(const LogTime& time, uint32_t code);

// The items of one entry. The text is split at LF (a CR before it dropped), or at CR when the
// text has no LF at all; the line ends and every CR and LF right after them are skipped, so empty
// lines vanish. The first item carries the time-stamp prefix when `time` is given, every other
// item 29 blanks. An empty text gives one item that is the prefix alone.
std::vector<std::string> LogEntryItems(std::string_view text, uint32_t code, const LogTime* time);

// The clipboard text of "全てコピー(&C)": every item followed by CR LF.
std::string CopyAllText(const std::vector<std::string>& items);
// Bytes to allocate for it: the text's length plus its terminating NUL.
size_t CopyAllSize(const std::vector<std::string>& items);

// run folder + executable name + ".log".
std::string LogFilePath(std::string_view run_folder, std::string_view executable_name);

// Which lines of the log are in its file already. The log is written as it grows, so a run that
// never reaches its outcome (OrvexRoll killed, the PC's power lost) still leaves it in the run
// folder; the save at the end writes what is left. A new file (a repair run moves to the failed
// run's folder) gets the whole log, which follows the failed run's lines there.
class LogJournal {
 public:
  // The first line still to be written to `path`.
  size_t From(const std::string& path) const { return path == path_ ? written_ : 0; }
  // The lines before `count` are in `path` now.
  void Written(const std::string& path, size_t count) {
    path_ = path;
    written_ = count;
  }

 private:
  std::string path_;
  size_t written_ = 0;
};

// The message boxes of the log save.
std::string LogNoRunFolderText();
std::string LogSaveFailureText(const std::string& path);

}  // namespace orvex::autoupdate
