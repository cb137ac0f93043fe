// The system's own text for an error code, in code page 932.
#pragma once

#include <windows.h>

#include <string>

namespace orvex {

// The message in the system's default language, inserts left as they are, line end kept as the
// system gives it. An unknown code gives an empty text (length 0).
std::string SystemErrorText(DWORD code);

// "Err = %d : %s" with the code and its system text, as the programs show a system error.
std::string SystemErrorLine(DWORD code);

}  // namespace orvex
