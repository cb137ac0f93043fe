// The few Windows error numbers that the portable decisions compare against or report. They are
// the system's own values, so the Win32 layer can pass GetLastError() straight through.
#pragma once

#include <cstdint>

namespace orvex::autoupdate {

constexpr uint32_t kErrorFileNotFound = 2;
constexpr uint32_t kErrorPathNotFound = 3;
constexpr uint32_t kErrorNotEnoughMemory = 8;
constexpr uint32_t kErrorInvalidParameter = 87;
constexpr uint32_t kErrorInvalidName = 123;
constexpr uint32_t kErrorFilenameTooLong = 206;

}  // namespace orvex::autoupdate
