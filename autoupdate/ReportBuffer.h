// Layout of the 1024-byte report buffer: the report text from offset 0, NUL-terminated, and the
// version update tool's 32-bit little-endian resume value in the last four bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "ChildReport.h"

namespace orvex::autoupdate {

constexpr uint32_t kReportBufferSize = 1024;
constexpr uint32_t kResumeValueOffset = kReportBufferSize - 4;  // 1020
static_assert(kResumeValueOffset == 1020 && kResumeValueOffset + sizeof(uint32_t) == kReportBufferSize);

// Longest text a tool writes into a buffer of `size` bytes: size - 1 for OrvexSet, size - 5 for
// OrvexFlash (its text never reaches the resume value); 0 when the buffer is too small to hold
// more than the NUL.
size_t ReportTextLimit(ChildTool tool, size_t size);

// Writes the text (up to its first NUL, cut to the tool's limit without splitting a double-byte
// character) and its NUL. Returns the number of text bytes written; nothing is written into a
// buffer too small for the NUL.
size_t PutReportText(uint8_t* buffer, size_t size, ChildTool tool, std::string_view text);

// The resume value at size - 4; false (nothing written) when the buffer is shorter than 4 bytes.
bool PutResumeValue(uint8_t* buffer, size_t size, uint32_t value);
uint32_t GetResumeValue(const uint8_t* buffer, size_t size);

// The text up to its NUL; a buffer without one gives its whole length, never more.
std::string GetReportText(const uint8_t* buffer, size_t size);

// Before each child starts, the parent clears the first two bytes.
void ClearReportText(uint8_t* buffer, size_t size);

}  // namespace orvex::autoupdate
