// The delimiter searches against a plain walk from the start of the text, on random texts full
// of lead bytes and of bytes that are delimiters and trail bytes at once.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "Cp932Text.h"

using namespace orvex;

namespace {

// Start positions of the characters, walking from the front.
std::vector<size_t> Starts(const std::string& text) {
  std::vector<size_t> starts;
  for (size_t i = 0; i < text.size(); i += CharLength(text, i)) starts.push_back(i);
  return starts;
}

}  // namespace

TEST(Cp932Text, SearchesAgreeWithAWalkFromTheStart) {
  const unsigned char kAlphabet[] = {0x81, 0x82, 0x95, 0x9F, 0xE0, 0xFC, 0x5C, 0x5D, 0x40, 0xA0, ',', ';', 'a'};
  std::mt19937 random(1234);
  for (int round = 0; round < 20000; ++round) {
    std::string text;
    const size_t length = random() % 12;
    for (size_t i = 0; i < length; ++i) text += static_cast<char>(kAlphabet[random() % sizeof kAlphabet]);
    const std::vector<size_t> starts = Starts(text);
    for (char ch : {',', '\\', ']', ';'}) {
      const size_t from = random() % (length + 1);
      size_t first = kNotFound, first_from = kNotFound, last = kNotFound;
      for (size_t s : starts) {
        if (text[s] != ch) continue;
        if (first == kNotFound) first = s;
        if (first_from == kNotFound && s >= from) first_from = s;
        last = s;
      }
      ASSERT_EQ(FindChar(text, ch), first) << round;
      ASSERT_EQ(FindChar(text, ch, from), first_from) << round;
      ASSERT_EQ(FindLastChar(text, ch), last) << round;
      ASSERT_EQ(EndsWithChar(text, ch), !starts.empty() && starts.back() == length - 1 && text.back() == ch) << round;
    }
    size_t any = kNotFound;
    for (size_t s : starts) {
      if (text[s] == ',' || text[s] == ']') {
        any = s;
        break;
      }
    }
    ASSERT_EQ(FindAnyChar(text, ",]"), any) << round;
    const size_t max = random() % (length + 2);
    size_t cut = 0;
    for (size_t s : starts) {
      if (s + CharLength(text, s) <= max) cut = s + CharLength(text, s);
    }
    if (length <= max) cut = length;
    ASSERT_EQ(CutLength(text, max), cut) << round;
    const bool dangling = !starts.empty() && starts.back() == length - 1 && IsLeadByte(static_cast<unsigned char>(text.back()));
    ASSERT_EQ(DropDanglingLead(text).size(), dangling ? length - 1 : length) << round;
  }
}
