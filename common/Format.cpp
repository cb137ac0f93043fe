#include "Format.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

namespace orvex {

std::string Format(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string out = FormatArgs(format, args);
  va_end(args);
  return out;
}

std::string FormatArgs(const char* format, va_list args) {
  va_list copy;
  va_copy(copy, args);
  char small[256];
  int n = std::vsnprintf(small, sizeof small, format, args);
  std::string out;
  if (n < 0) {
    out.clear();
  } else if (static_cast<size_t>(n) < sizeof small) {
    out.assign(small, static_cast<size_t>(n));
  } else {
    std::vector<char> big(static_cast<size_t>(n) + 1);
    std::vsnprintf(big.data(), big.size(), format, copy);
    out.assign(big.data(), static_cast<size_t>(n));
  }
  va_end(copy);
  return out;
}

}  // namespace orvex
