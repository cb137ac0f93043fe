// The orvexui command line, taken apart without any window: one command per invocation, or one
// per line of a script that `orvexui run` works through against the program it started.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "CaptionMatch.h"

namespace orvex::uidriver {

enum class UiVerb {
  kHelp,
  kStart,    // start a program, print its pid, leave it running
  kRun,      // start a program, work through a script, end the program
  kWindows,  // list the visible top-level windows
  kWait,     // wait for a window
  kDump,     // every control of a window (or of every window)
  kText,     // print one control's text
  kClick,
  kType,  // focus, then one WM_CHAR per character
  kSetText,
  kCheck,
  kSelect,  // list view or list box row, combo box entry
  kTab,
  kCommand,  // WM_COMMAND, or WM_SYSCOMMAND with --system
  kClose,
  kAnswer,    // answer a message box
  kWaitExit,  // print the full exit code
  kKill,
};

// orvexui's exit codes.
enum UiExit {
  kUiOk = 0,
  kUiBadArguments = 1,
  kUiTimedOut = 2,       // the window, box or process end did not come within the limit
  kUiFailed = 3,         // no such process or control, a disabled control, a start that failed
  kUiNotAsExpected = 4,  // --expect-text did not match; the box was left open
};

struct UiCommand {
  UiVerb verb = UiVerb::kHelp;
  uint32_t pid = 0;
  std::optional<std::string> caption;
  Match match = Match::kExact;
  uint32_t timeout_ms = 10000;
  int id = -1;
  std::string text;
  int index = -1;
  bool state = true;  // check: on or off
  int button = 0;     // answer: the button's id
  std::optional<std::string> expect_text;
  bool system = false;   // command: WM_SYSCOMMAND
  bool utf8 = false;     // print UTF-8 instead of code page 932
  bool inherit = false;  // start/run: the program inherits inheritable handles
  std::vector<std::pair<std::string, std::string>> environment;
  std::string working_folder;
  std::string script;
  std::vector<std::string> program;  // program path and its arguments
};

// Parses the arguments after "orvexui". In a script (`in_script`) the process is the one `run`
// started: --pid may be left out, and start and run are refused. Texts are code page 932.
bool ParseUiCommand(const std::vector<std::string>& args, bool in_script, UiCommand* out, std::string* error);

// One line of an `orvexui run` script (code page 932): split by the C runtime's rules, then
// parsed as a command without --pid. Blank lines and lines starting with '#' are kEmpty.
enum class ScriptLine { kEmpty, kCommand, kError };
ScriptLine ParseScriptLine(std::string_view line, UiCommand* out, std::string* error);

// The usage text of `orvexui help`.
const char* UiUsage();

// "ok", "cancel", "abort", "retry", "ignore", "yes", "no", "close", "help", "tryagain",
// "continue" (any ASCII case), or a decimal id from 1 to 65535.
std::optional<int> ParseButton(std::string_view text);
const char* ButtonName(int id);  // nullptr for an id without a name

// Seconds as "10" or "0.5" (at most 3600), in milliseconds.
std::optional<uint32_t> ParseSeconds(std::string_view text);

// A path given by a Linux shell ("/work/x/y.exe") in the form Wine's Windows side takes
// ("Z:\work\x\y.exe"); any other text is kept.
std::string HostPathToWindows(std::string_view path);

// One argument quoted by the C runtime's rules, so that the program's own parser gets it back
// unchanged; double-byte characters are stepped over. A lead byte left alone at the end is
// dropped: no quoting can carry it.
std::string QuoteArgument(std::string_view arg);
// The arguments after the program name, each quoted as needed, separated by blanks.
std::string JoinArguments(const std::vector<std::string>& args, size_t first = 0);

}  // namespace orvex::uidriver
