// orvexui's script lines and arguments: whatever a script holds is refused or parsed, never
// more. Also checks that a quoted argument splits back to itself.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "ChildCommandLine.h"
#include "Cp932Text.h"
#include "UiCommand.h"

using namespace orvex::uidriver;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  UiCommand cmd;
  std::string error;
  ParseScriptLine(text, &cmd, &error);
  std::vector<std::string> args;
  size_t start = 0;
  for (size_t i = 0; i <= text.size(); ++i) {
    if (i == text.size() || text[i] == '\n') {
      args.push_back(text.substr(start, i - start));
      start = i + 1;
    }
  }
  ParseUiCommand(args, false, &cmd, &error);
  // Round trip of one argument through the quoting and the C runtime's split; NUL cannot travel.
  std::string arg = text.substr(0, text.find('\0'));
  std::vector<std::string> back = orvex::autoupdate::SplitCommandLine("p " + QuoteArgument(arg));
  if (back.size() != 2 || back[1] != orvex::DropDanglingLead(arg)) std::abort();
  return 0;
}
