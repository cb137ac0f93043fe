// OrvexSet's command line is outside input: any text must parse without a fault, and what it
// gives must hold together.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "AutoRunContext.h"
#include "ChildCommandLine.h"

using namespace orvex;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  auto args = autoupdate::SplitCommandLine(text);
  if (!args.empty()) args.erase(args.begin());  // the program name
  ToolCommandLine line = ParseToolCommandLine(args, "C:\\Tools\\OrvexSet.exe");
  const AutoRunContext& c = line.context;
  if (c.automatic && c.file_mode != FileMode::kNone) std::abort();
  if (c.Unattended() && c.handoff_path.empty() && !CheckStartPath(c)) std::abort();
  AutoRunContext ended = c;
  ended.exit_code = kExitDeviceFailure;
  auto message = FinalMessageFor(ended);
  if (message.has_value() != (c.file_mode != FileMode::kNone && c.message_box)) std::abort();
  return 0;
}
