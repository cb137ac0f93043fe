// 32-bit versions: four 8-bit components, the first in the most significant byte.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace orvex {

// "%d.%d.%d.%d" from the most significant byte down.
std::string VersionText(uint32_t version);

// The tools' reading of a FileVersion text: every run up to '.' or ',' is one component whose
// digits accumulate (other characters are ignored); each component shifts the result left by
// 8 bits and is added, so a component above 255 carries into the one before it
// ("2.10.0.300" is 0x020A012C).
uint32_t ParseVersionWithCarry(std::string_view text);

// The update tool's reading: the same components, each packed into its own byte (only the low
// 8 bits of a component are kept), first number most significant ("1, 0, 4, 0" is 0x01000400).
uint32_t ParseVersionPacked(std::string_view text);

}  // namespace orvex
