// Path completion for the tools: a bare file name is placed in the base's folder, a relative path
// with a backslash on the base's root, and a full path is kept. All scans are code page 932 aware.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace orvex {

// Root of a path: "\\server" for a UNC path (up to the next backslash after the two leading
// ones), else everything up to and including the first ':'; empty when there is none.
std::string_view PathRoot(std::string_view base);
// Folder of a path: everything up to and including the last backslash, except the second
// backslash of a leading "\\"; empty when there is none.
std::string_view PathFolder(std::string_view base);

// Completes `path` against `base` (usually the program's own path). Without a path the base's
// folder (or root) is returned; nothing when there is neither path nor base part to give.
std::optional<std::string> CompletePath(const std::optional<std::string_view>& path,
                                        const std::optional<std::string_view>& base);

// 1 when the last character of a folder text is a backslash that is not the trail byte of a
// double-byte character and the text is longer than one byte.
bool EndsWithBackslash(std::string_view folder);

// Joins a folder and a name with one backslash between them.
std::string JoinPath(std::string_view folder, std::string_view name);

// The name after the last backslash (or the whole text).
std::string_view FileNamePart(std::string_view path);

}  // namespace orvex
