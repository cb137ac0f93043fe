// File versions as the tools read them: the FileVersion text of the Japanese/Unicode string
// block, parsed component by component with carry (see ParseVersionWithCarry).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "ProcessBitness.h"  // RunsUnderWow64, which the about box asks

namespace orvex {

// 0 when the file has no such version text.
uint32_t ReadFileVersion(std::string_view path);
// This program's name without folder and extension.
std::string OwnProgramName();
// The version of "<program folder>\<program name>.exe".
uint32_t ReadOwnFileVersion();

}  // namespace orvex
