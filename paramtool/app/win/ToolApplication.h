// OrvexSet's application start: common controls, theme probe, command line, hand-off file and
// settings, the main window, and the exit code of the file modes with their final message.
#pragma once

#include <windows.h>

namespace orvex {

// Runs the program; returns the process exit code.
int RunParameterTool(HINSTANCE instance);

}  // namespace orvex
