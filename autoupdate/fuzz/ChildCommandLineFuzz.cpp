// Arbitrary bytes as a child's command line: splitting and parsing /a, /w and /e.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "ChildCommandLine.h"
#include "Cp932Text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace orvex::autoupdate;
  std::string_view line(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> argv = SplitCommandLine(line);
  ChildArguments args;
  ParseChildArguments(argv, argv.empty() ? std::string_view() : std::string_view(argv[0]), &args);
  // A program path that the tool start quotes always comes back as one argument.
  ToolCommand tool = SplitToolEntry("C:\\Program Files\\U\\", line.substr(0, line.find_first_of("\"\\\0", 0, 3)));
  // (Paths from the system never end in half a double-byte character.)
  if (!tool.program_path.empty() && tool.program_path.back() != '\\' &&
      orvex::DropDanglingLead(tool.program_path).size() == tool.program_path.size()) {
    std::vector<std::string> back = SplitCommandLine(BuildChildCommandLine(tool, "C:\\r\\AutoPara.def", 1, 2, 3, 4));
    if (back.empty() || back[0] != tool.program_path) __builtin_trap();
  }
  return 0;
}
