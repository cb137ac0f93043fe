// How a window is recognised by its caption. Captions are code page 932; a prefix or substring
// match only counts where a character starts, so a trail byte never matches a single-byte
// character of the wanted text.
#pragma once

#include <optional>
#include <string_view>

namespace orvex::uidriver {

enum class Match { kExact, kPrefix, kSubstring };

bool CaptionMatches(std::string_view caption, std::string_view wanted, Match match);

// "exact", "prefix", "substring" (as orvexui takes them); nothing for any other word.
std::optional<Match> ParseMatch(std::string_view name);
const char* MatchName(Match match);

}  // namespace orvex::uidriver
