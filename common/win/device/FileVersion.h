// File versions as the tools read them: the FileVersion text of the Japanese/Unicode string
// block, parsed component by component with carry (see ParseVersionWithCarry).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace orvex {

// 0 when the file has no such version text.
uint32_t ReadFileVersion(std::string_view path);
// This program's name without folder and extension.
std::string OwnProgramName();
// The version of "<program folder>\<program name>.exe".
uint32_t ReadOwnFileVersion();
// A 32-bit process on 64-bit Windows; false when the system cannot tell.
bool RunsUnderWow64();

}  // namespace orvex
