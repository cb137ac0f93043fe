// The environment of a driven program: the driver's own variables with some added or replaced
// (ORVEX_SIM and the like), as the block CreateProcessW takes. Kept in UTF-16 so that variables
// outside code page 932 pass through unchanged.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace orvex::uidriver {

// Name and value. An empty value removes the variable.
using EnvironmentChange = std::pair<std::wstring, std::wstring>;

// "NAME=VALUE" entries of a block, as GetEnvironmentStringsW lists them (each ended by a NUL,
// the block by a second one). Stops at the block's end or at `size` characters.
std::vector<std::wstring> SplitEnvironmentBlock(const wchar_t* block, size_t size);

// The entries with every change applied: names compare without regard to ASCII case (as Windows
// does), the later of two changes to one name wins, and the result is sorted by name the way
// Windows keeps its blocks. Entries beginning with '=' (per-drive folders) stay in front.
std::vector<std::wstring> MergeEnvironment(const std::vector<std::wstring>& entries,
                                           const std::vector<EnvironmentChange>& changes);

// The block for CreateProcessW: every entry with its NUL, then the closing NUL.
std::wstring BuildEnvironmentBlock(const std::vector<std::wstring>& entries);

// "NAME=VALUE" as given on a command line; nothing when the name is empty or holds no '='.
std::optional<std::pair<std::string, std::string>> ParseAssignment(std::string_view text);

}  // namespace orvex::uidriver
