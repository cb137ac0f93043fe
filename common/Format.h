// The one printf-style formatter of the suite; the format attribute lets the compiler check
// every call against its arguments.
#pragma once

#include <cstdarg>
#include <string>

#ifdef __MINGW32__
#define ORVEX_PRINTF(f, a) __attribute__((format(gnu_printf, f, a)))
#else
#define ORVEX_PRINTF(f, a) __attribute__((format(printf, f, a)))
#endif

namespace orvex {

std::string Format(const char* format, ...) ORVEX_PRINTF(1, 2);
// The same for a printf-style function of another module (which carries the attribute itself).
std::string FormatArgs(const char* format, va_list args);

}  // namespace orvex
