// Strings of a file's version resource.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace orvex {

// The value "\StringFileInfo\<block>\<key>" of the file's version resource, in code page 932;
// nothing when the file has no resource or the block has no such string.
std::optional<std::string> ReadVersionString(std::string_view path, std::string_view block,
                                             std::string_view key = "FileVersion");

// Full path of this program's own file, and its folder with a trailing backslash.
std::string OwnModulePath();
std::string OwnModuleFolder();

}  // namespace orvex
