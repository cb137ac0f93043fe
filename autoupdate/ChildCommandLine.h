// The command line on which OrvexRoll starts OrvexSet and OrvexFlash, built by the parent and
// read by both children: `"program" [options] /a "hand-off file" /w window message mapping size`.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace orvex::autoupdate {

// A ParaProg / VerUpProg entry of the update information, taken apart the way the tool start
// needs it.
struct ToolCommand {
  std::string program_path;  // update folder + entry up to its first '/', trailing blanks trimmed
  std::string options;       // the entry from its first '/' on, trailing blanks trimmed; may be empty
};

// Splits an entry such as "Bin\OrvexFlash.exe /e 7". A leading '\' of the entry is dropped and
// the update folder put in front. The options are looked for in the entry only, so a '/' in the
// update folder never cuts the program path.
ToolCommand SplitToolEntry(std::string_view update_folder, std::string_view entry);

// Drops a leading test option: when the options begin with "/e" (lower case) followed by a blank
// or the end, everything from that '/' up to the next '/' (or the end) goes. Returns whether
// anything was removed.
bool RemoveTestOption(std::string* options);

// The full command line of a child. The program path is quoted: unquoted, a path with blanks
// ("C:\Program Files\...") lets CreateProcess try "C:\Program" first.
std::string BuildChildCommandLine(const ToolCommand& tool, std::string_view handoff_path, uint64_t window,
                                  uint32_t message, uint64_t mapping, uint32_t size);

// Splits a command line into arguments by the C runtime's rules (blanks separate, double quotes
// group, backslashes escape only a following quote; the program name ends at its closing quote).
// Double-byte characters are stepped over, so a trail byte 0x5C never escapes a quote.
std::vector<std::string> SplitCommandLine(std::string_view command_line);

// What the children take from /a, /w and /e.
struct ChildArguments {
  bool automatic = false;     // /a was followed by a value
  std::string handoff_path;   // that value completed from the program path; empty when it was empty
  uint64_t report_window = 0;
  uint32_t report_message = 0;
  uint64_t report_mapping = 0;
  uint32_t report_size = 0;
  bool test_failure = false;  // /e was followed by a value
  int32_t test_value = 0;

  // Reports go to a window only when /w gave both a window and a message.
  bool HasReportTarget() const { return report_window != 0 && report_message != 0; }
};

// The options a tool knows besides /a, /w and /e (OrvexSet's /s, /f, /m).
class ChildOptionHandler {
 public:
  virtual ~ChildOptionHandler() = default;
  // An argument "/x" (letter in lower case, 0 for a bare "/"). Returning false keeps the current
  // option and only restarts its value count.
  virtual bool OnOption(char letter) { (void)letter; return true; }
  // Every value, also those of /a, /w and /e after they were taken: `option` is the current
  // option letter (0 before the first option), `index` counts the values since the last option
  // argument.
  virtual void OnValue(char option, int index, std::string_view value) { (void)option; (void)index; (void)value; }
};

// Parses the arguments after the program name. `program_path` (the child's own path) completes
// a hand-off path without a drive.
void ParseChildArguments(const std::vector<std::string>& args, std::string_view program_path, ChildArguments* out,
                         ChildOptionHandler* more = nullptr);

}  // namespace orvex::autoupdate
