// The host orvex names the commands that reach the adapter or this PC's automatic updates; they
// exist in orvex.exe only, which binds Orvex.dll as the tools do.
#ifndef _WIN32
#include "Command.h"

namespace orvex::cli {
namespace {

int NeedsWindows(const char* family) {
  Fail(std::string(family) + ": needs Windows: orvex.exe reaches the adapter through Orvex.dll and reads "
                             "OrvexRoll's run folders");
  return kExitFileError;
}

CommandRegistrar device({"device",
                         "  device info|params|plan ...      the adapter itself (orvex.exe on Windows only)",
                         [](const Args&) { return NeedsWindows("device"); }});
CommandRegistrar history({"history",
                          "  history ...                      the automatic updates recorded (orvex.exe on Windows only)",
                          [](const Args&) { return NeedsWindows("history"); }});

}  // namespace
}  // namespace orvex::cli
#endif
