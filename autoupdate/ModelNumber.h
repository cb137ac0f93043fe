// The model number on line 0 of both hand-off files: the index of the first model-family prefix
// that DeviceName begins with. OrvexRoll and both children use the same table.
#pragma once

#include <string_view>

namespace orvex::autoupdate {

constexpr int kModelCount = 5;

// Entry 0 is the family of the default device ("KV-4100..."); no earlier entry may be a prefix of
// a later one, or the later one could never match.
constexpr const char* kModelPrefixes[kModelCount] = {"KV", "PV", "KX", "PX", "ORX"};

// 0-4; no match gives 0. Compared case-insensitively over each prefix's length.
int ModelNumber(std::string_view device_name);

// A number read from a hand-off file: outside 0-4 becomes 0.
inline int ClampModelNumber(long long value) { return value >= 0 && value < kModelCount ? static_cast<int>(value) : 0; }

inline const char* ModelPrefix(int model) { return kModelPrefixes[ClampModelNumber(model)]; }

}  // namespace orvex::autoupdate
