// Code page 932 scanning, number texts and path completion.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "Cp932Text.h"
#include "HelpTopics.h"
#include "NumberText.h"
#include "PathText.h"

using namespace orvex;

TEST(Cp932Text, DelimiterSearchStepsOverDoubleByteCharacters) {
  // "表" is 0x95 0x5C in code page 932: its trail byte looks like a backslash.
  const std::string text = "表\\x";
  ASSERT_EQ(text.size(), 4u);
  EXPECT_EQ(static_cast<unsigned char>(text[1]), 0x5C);
  EXPECT_EQ(FindChar(text, '\\'), 2u);
  EXPECT_EQ(FindLastChar("表", '\\'), kNotFound);
  EXPECT_EQ(FindChar("a,表,b", ','), 1u);
  EXPECT_EQ(FindChar("a,表,b", ',', 2), 4u);
  auto fields = SplitFields("ソ,表,", ',');  // 0x83 0x5C and 0x95 0x5C
  ASSERT_EQ(fields.size(), 3u);
  EXPECT_EQ(fields[0], "ソ");
  EXPECT_EQ(fields[1], "表");
  EXPECT_EQ(fields[2], "");
}

TEST(Cp932Text, LastCharacterAndCuts) {
  EXPECT_FALSE(EndsWithChar("表", '\\'));
  EXPECT_TRUE(EndsWithChar("表\\", '\\'));
  EXPECT_FALSE(EndsWithChar("", '\\'));
  EXPECT_EQ(CutText("ab表", 3), "ab");  // never half a character
  EXPECT_EQ(CutText("ab表", 4), "ab表");
  EXPECT_EQ(CutText("abc", 10), "abc");
  EXPECT_EQ(DropDanglingLead(std::string("ab\x95", 3)), "ab");
  EXPECT_EQ(DropDanglingLead("ab表"), "ab表");
  EXPECT_EQ(TrimControl("\t  a b \r\n"), "a b");
  EXPECT_EQ(TrimControl(" \x01 "), "");
  EXPECT_TRUE(IsValidPair(0x95, 0x5C));
  EXPECT_FALSE(IsValidPair(0x95, 0x20));
  EXPECT_FALSE(IsValidPair(0xA0, 0x40));
  EXPECT_TRUE(StartsWithNoCase("DeviceWaitTime=3", "devicewait"));
  EXPECT_FALSE(StartsWithNoCase("Dev", "Device"));
}

TEST(NumberText, HexadecimalReaders) {
  size_t end = 0;
  EXPECT_EQ(HexValue("  7fZ", 8, &end), 0x7Fu);
  EXPECT_EQ(end, 4u);
  EXPECT_EQ(HexValue("123456789", 8, &end), 0x12345678u);
  EXPECT_EQ(end, 8u);
  EXPECT_EQ(HexValue("0x12", 8), 0u);  // the x stops the digits
  EXPECT_EQ(HexValue("ffffffffff", 10), 0xFFFFFFFFFFull);
  EXPECT_EQ(HexValueLoose("zz-1aG", &end), 0x1Au);
  EXPECT_EQ(end, 5u);
  EXPECT_EQ(HexValueLoose("0x12"), 0u);
  EXPECT_EQ(HexValueLoose("xyz"), 0u);
}

TEST(NumberText, DecimalForms) {
  EXPECT_EQ(DecimalWithSeparators(1234567), "1,234,567");
  EXPECT_EQ(DecimalWithSeparators(999), "999");
  EXPECT_EQ(DecimalWithSeparators(1000), "1,000");
  EXPECT_EQ(DecimalWithSeparators(0), "0");
  EXPECT_EQ(DecimalWithSeparators(1234567, 4), "1,2");
  EXPECT_EQ(SignedDecimal("  -42x"), -42);
  EXPECT_EQ(SignedDecimal("abc"), 0);
  EXPECT_EQ(SignedDecimal("99999999999"), 2147483647);
  EXPECT_EQ(SignedDecimal("-99999999999"), -2147483647 - 1);
  EXPECT_EQ(UnsignedDecimal("-1"), 0xFFFFFFFFu);
  EXPECT_EQ(UnsignedDecimal("3000000000"), 2147483647u);
  EXPECT_EQ(UnsignedDecimalFullRange(" 3000000000"), 3000000000u);
  EXPECT_EQ(UnsignedDecimalFullRange("99999999999"), 0xFFFFFFFFu);
  EXPECT_EQ(UnsignedDecimalFullRange("-1"), 0xFFFFFFFFu);
  EXPECT_EQ(UnsignedDecimalFullRange("x"), 0u);
  EXPECT_EQ(BcdValue("x1234"), 0x1234u);
  EXPECT_EQ(BcdValue("123456789"), 0x12345678u);
}

TEST(PathText, CompletionAgainstADriveBase) {
  const std::string base = "C:\\Tools\\OrvexSet.exe";
  EXPECT_EQ(CompletePath("a.def", base), "C:\\Tools\\a.def");
  EXPECT_EQ(CompletePath("sub\\a.def", base), "C:\\sub\\a.def");
  EXPECT_EQ(CompletePath("\\x\\a.def", base), "C:\\x\\a.def");
  EXPECT_EQ(CompletePath("D:\\a.def", base), "D:\\a.def");
  EXPECT_EQ(CompletePath(std::nullopt, base), "C:\\Tools\\");
  EXPECT_EQ(CompletePath(std::nullopt, std::string_view("C:")), "C:");
  EXPECT_EQ(CompletePath(std::nullopt, std::nullopt), std::nullopt);
  EXPECT_EQ(CompletePath("a.def", std::nullopt), "a.def");
}

TEST(PathText, CompletionAgainstAShareAndDoubleByteNames) {
  const std::string base = "\\\\srv\\share\\t.exe";
  EXPECT_EQ(CompletePath("sub\\a.def", base), "\\\\srv\\sub\\a.def");
  EXPECT_EQ(CompletePath("a.def", base), "\\\\srv\\share\\a.def");
  EXPECT_EQ(CompletePath("\\\\other\\x", base), "\\\\other\\x");
  EXPECT_EQ(CompletePath("a.def", std::string_view("\\\\srv")), "a.def");
  // The folder of a base whose last "backslash" is a trail byte is the one before it.
  EXPECT_EQ(CompletePath("a.def", std::string_view("C:\\d\\表")), "C:\\d\\a.def");
  EXPECT_FALSE(EndsWithBackslash("\x95\x5C"));
  EXPECT_FALSE(EndsWithBackslash("x\x95\x5C"));
  EXPECT_TRUE(EndsWithBackslash("C:\\"));
  EXPECT_FALSE(EndsWithBackslash("\\"));
  EXPECT_EQ(JoinPath("C:\\表", "a"), "C:\\表\\a");
  EXPECT_EQ(JoinPath("C:\\", "a"), "C:\\a");
  EXPECT_EQ(FileNamePart("C:\\x\\a.prg"), "a.prg");
}

// Every window's page is one the book's help file is built with, anchors included: F1 on a page
// that the build left out would open an error page in the viewer.
TEST(HelpTopics, EveryWindowPageIsInItsHelpFile) {
  auto read = [](const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  };
  for (auto [book, name] : {std::pair{HelpBook::kOrvexSet, "OrvexSet"}, {HelpBook::kOrvexFlash, "OrvexFlash"}}) {
    SCOPED_TRACE(name);
    const std::string contents = read(std::string(ORVEX_HELP_DIR) + "/" + name + ".contents");
    ASSERT_FALSE(contents.empty());
    for (int id = 100; id < 140; ++id) {
      const std::string topic(HelpTopic(book, id));
      const std::string page = topic.substr(0, topic.find('#'));
      EXPECT_TRUE(contents.find("\n" + page + "\n") != std::string::npos ||
                  contents.find("\n " + page + "\n") != std::string::npos)
          << id << ": " << page;
      if (page.size() < topic.size()) {
        const std::string anchor = "id=\"" + topic.substr(page.size() + 1) + "\"";
        EXPECT_NE(read(std::string(ORVEX_HELP_DIR) + "/topics/" + page).find(anchor), std::string::npos) << topic;
      }
    }
  }
  // A window without a page of its own opens the first page, which the help file opens by default.
  EXPECT_EQ(HelpTopic(HelpBook::kOrvexSet, 100), "set-main.html");
  EXPECT_EQ(HelpTarget("C:\\表\\OrvexSet.chm", "set-transfer.html#read"), "C:\\表\\OrvexSet.chm::/set-transfer.html#read");
  EXPECT_EQ(HelpTarget("C:\\OrvexFlash.chm", ""), "C:\\OrvexFlash.chm");
}
