#include "CaptionMatch.h"

#include "Cp932Text.h"

namespace orvex::uidriver {

bool CaptionMatches(std::string_view caption, std::string_view wanted, Match match) {
  switch (match) {
    case Match::kExact:
      return caption == wanted;
    case Match::kPrefix:
      // A prefix that ends in the middle of a character is no prefix of the text's characters.
      return caption.substr(0, wanted.size()) == wanted && CutLength(caption, wanted.size()) == wanted.size();
    case Match::kSubstring:
      for (size_t pos = 0; pos + wanted.size() <= caption.size(); pos += CharLength(caption, pos)) {
        if (caption.compare(pos, wanted.size(), wanted) == 0 &&
            CutLength(caption, pos + wanted.size()) == pos + wanted.size()) {
          return true;
        }
      }
      return false;
  }
  return false;
}

std::optional<Match> ParseMatch(std::string_view name) {
  if (name == "exact") return Match::kExact;
  if (name == "prefix") return Match::kPrefix;
  if (name == "substring") return Match::kSubstring;
  return std::nullopt;
}

const char* MatchName(Match match) {
  switch (match) {
    case Match::kExact:
      return "exact";
    case Match::kPrefix:
      return "prefix";
    case Match::kSubstring:
      return "substring";
  }
  return "?";
}

}  // namespace orvex::uidriver
