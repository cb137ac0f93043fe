// Code page 932 to UTF-8 and UTF-16, and JSON strings of code page 932 texts. Plain literals are
// code page 932 (-fexec-charset), u8 literals UTF-8.
#include <gtest/gtest.h>

#include "Cp932Unicode.h"
#include "JsonText.h"

using namespace orvex;

namespace {

std::string Bytes(std::initializer_list<int> values) {
  std::string s;
  for (int v : values) s.push_back(static_cast<char>(v));
  return s;
}

// U+FFFD in UTF-8 (GCC would take a \u escape in a u8 literal through the execution character set).
const std::string kReplacementUtf8 = "\xEF\xBF\xBD";

}  // namespace

TEST(Cp932Unicode, TheSuitesTextsInUtf8AndUtf16) {
  EXPECT_EQ(Cp932ToUtf8("自動更新 MCﾊﾟﾗﾒｰﾀ (07)"), u8"自動更新 MCﾊﾟﾗﾒｰﾀ (07)");
  EXPECT_EQ(Cp932ToUtf16("ｱﾅﾛｸﾞ局線"), u"ｱﾅﾛｸﾞ局線");
  // The Windows mapping: 0x5C is the backslash, 0x815F the full-width one, 0x8160 the wave dash
  // as Windows shows it, NEC row 13 and the user-defined area.
  EXPECT_EQ(Cp932ToUtf16(Bytes({0x5C, 0x81, 0x5F, 0x81, 0x60, 0x87, 0x40, 0xF0, 0x40})),
            std::u16string(u"\\\uFF3C\uFF5E\u2460\uE000"));
  // A trail byte that looks like a backslash stays part of its character.
  EXPECT_EQ(Cp932ToUtf8("表\\"), u8"表\\");
}

TEST(Cp932Unicode, BytesThatAreNoCharacterBecomeReplacementCharacters) {
  // A lone lead byte at the end, a lead byte before a byte that cannot trail it (which is then
  // read on its own), bytes that start nothing, and a well-formed pair without a character.
  EXPECT_EQ(Cp932ToUtf16(Bytes({'a', 0x82})), u"a\uFFFD");
  EXPECT_EQ(Cp932ToUtf16(Bytes({0x82, 0x22, 'b'})), u"\uFFFD\"b");
  EXPECT_EQ(Cp932ToUtf16(Bytes({0x80, 0xA0, 0xFD, 0xFE, 0xFF})), u"\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD");
  EXPECT_EQ(Cp932ToUtf16(Bytes({0x85, 0x40, 'c'})), u"\uFFFDc");
  EXPECT_EQ(Cp932ToUtf8(Bytes({0xFC, 0xFC})), kReplacementUtf8);
  EXPECT_EQ(Cp932ToUtf8(std::string("a\0b", 3)), std::string("a\0b", 3));
}

TEST(Cp932Unicode, Utf8ReaderRefusesMalformedSequences) {
  // A character beyond the BMP (U+1D11E) becomes a surrogate pair.
  const std::string beyond = std::string(u8"更新 ") + "\xF0\x9D\x84\x9E";
  EXPECT_EQ(Utf8ToUtf16(beyond), std::u16string(u"更新 \xD834\xDD1E"));
  // Cut, overlong, surrogate, beyond U+10FFFF, a stray continuation byte: one U+FFFD per byte
  // that starts nothing valid.
  EXPECT_EQ(Utf8ToUtf16(Bytes({0xE6, 0x9B})), u"\uFFFD\uFFFD");
  EXPECT_EQ(Utf8ToUtf16(Bytes({0xC0, 0xAF})), u"\uFFFD\uFFFD");
  EXPECT_EQ(Utf8ToUtf16(Bytes({0xED, 0xA0, 0x80})), u"\uFFFD\uFFFD\uFFFD");
  EXPECT_EQ(Utf8ToUtf16(Bytes({0xF4, 0x90, 0x80, 0x80, 'x'})), u"\uFFFD\uFFFD\uFFFD\uFFFDx");
  EXPECT_EQ(Utf8ToUtf16(Bytes({0x80, 'y'})), u"\uFFFDy");
}

TEST(JsonText, StringsAreUtf8WithEscapes) {
  EXPECT_EQ(JsonString("C:\\更新\\\"a\"\n\t"), u8"\"C:\\\\更新\\\\\\\"a\\\"\\n\\t\"");
  EXPECT_EQ(JsonString(Bytes({0x01, 0x1F, 0x7F})), "\"\\u0001\\u001f\\u007f\"");
  // "ソ" ends in 0x5C: no escape is added inside it, and the quote after a cut lead byte stays an
  // escaped quote, so the string never ends early.
  EXPECT_EQ(JsonString("ソ"), u8"\"ソ\"");
  EXPECT_EQ(JsonString(Bytes({0x83, '"'})), "\"" + kReplacementUtf8 + "\\\"\"");
  EXPECT_EQ(JsonList({"a", "表"}), u8"[\"a\", \"表\"]");
  EXPECT_EQ(JsonList({}), "[]");
}
