// Caption matching, the environment of a driven program and the readable dump.
#include <gtest/gtest.h>

#include "CaptionMatch.h"
#include "ControlRecord.h"
#include "EnvironmentBlock.h"

using namespace orvex::uidriver;

TEST(CaptionMatchTest, MatchesOnlyWholeCharacters) {
  EXPECT_TRUE(CaptionMatches("自動更新", "自動更新", Match::kExact));
  EXPECT_FALSE(CaptionMatches("自動更新 ", "自動更新", Match::kExact));
  EXPECT_TRUE(CaptionMatches("自動更新ツール", "自動更新", Match::kPrefix));
  EXPECT_TRUE(CaptionMatches("ab", "", Match::kPrefix));
  EXPECT_TRUE(CaptionMatches("バージョン更新ツール", "更新", Match::kSubstring));
  EXPECT_FALSE(CaptionMatches("更新", "更新ツール", Match::kSubstring));
  // "表" is 0x95 0x5C: its second byte is no backslash, and half a character is no prefix.
  EXPECT_FALSE(CaptionMatches("表示", "\\", Match::kSubstring));
  EXPECT_FALSE(CaptionMatches("表示", "\x95", Match::kPrefix));
  EXPECT_TRUE(CaptionMatches("C:\\表示", "\\", Match::kSubstring));
  // 0x82 0xA0 ("あ") must not match the lone byte "\xA0" (a half-width katakana space) inside it.
  EXPECT_FALSE(CaptionMatches("あ", "\xA0", Match::kSubstring));
  EXPECT_EQ(ParseMatch("substring"), Match::kSubstring);
  EXPECT_FALSE(ParseMatch("Exact").has_value());
}

TEST(EnvironmentBlockTest, ChangesReplaceAddAndRemoveRegardlessOfCase) {
  std::wstring block(L"=C:=C:\\w\0Path=C:\\windows\0orvex_sim=old\0TEMP=C:\\t\0\0", 48);
  std::vector<std::wstring> entries = SplitEnvironmentBlock(block.data(), block.size());
  ASSERT_EQ(entries.size(), 4u);
  std::vector<std::wstring> merged = MergeEnvironment(
      entries, {{L"ORVEX_SIM", L"Z:\\a"}, {L"TEMP", L""}, {L"New", L"1"}, {L"new", L"2"}, {L"", L"x"}});
  EXPECT_EQ(merged,
            (std::vector<std::wstring>{L"=C:=C:\\w", L"new=2", L"ORVEX_SIM=Z:\\a", L"Path=C:\\windows"}));
  std::wstring built = BuildEnvironmentBlock(merged);
  EXPECT_EQ(SplitEnvironmentBlock(built.data(), built.size()), merged);
  EXPECT_EQ(built.back(), L'\0');
  EXPECT_EQ(built[built.size() - 2], L'\0');
  EXPECT_EQ(BuildEnvironmentBlock({}), std::wstring(2, L'\0'));
  // A block without its final NUL stops at the given size.
  EXPECT_EQ(SplitEnvironmentBlock(L"A=1\0B=2", 7).size(), 2u);

  auto a = ParseAssignment("ORVEX_SIM=Z:\\x=y");
  ASSERT_TRUE(a);
  EXPECT_EQ(a->first, "ORVEX_SIM");
  EXPECT_EQ(a->second, "Z:\\x=y");
  EXPECT_FALSE(ParseAssignment("novalue").has_value());
  EXPECT_FALSE(ParseAssignment("=x").has_value());
}

TEST(ControlRecordTest, DumpShowsStatesListsAndEscapedTexts) {
  WindowRecord w;
  w.handle = 0x1004C;
  w.pid = 32;
  w.caption = "保存確認";
  w.class_name = "#32770";
  w.rect = {10, 20, 310, 220};
  ControlRecord list;
  list.id = 1014;
  list.class_name = "SysListView32";
  list.columns = {"番号", "名前"};
  list.rows = {{"1", "ｱﾅﾛｸﾞ局線"}, {"2", "表示"}};
  list.selected = {1};
  ControlRecord tab;
  tab.id = 1016;
  tab.class_name = "SysTabControl32";
  tab.contents_error = "no room below 2 GiB in 64-bit process 40";
  ControlRecord box;
  box.id = 1003;
  box.class_name = "Button";
  box.text = "line \"one\"\n\\";
  box.enabled = false;
  box.checked = 1;
  box.depth = 2;
  w.controls = {list, tab, box};
  std::string dump = DescribeWindow(w);
  EXPECT_NE(dump.find("window \"保存確認\" class \"#32770\" pid 32 at 10,20 size 300x200"), std::string::npos)
      << dump;
  EXPECT_NE(dump.find("  [1014] SysListView32 \"\""), std::string::npos) << dump;
  EXPECT_NE(dump.find("columns: \"番号\" \"名前\""), std::string::npos) << dump;
  EXPECT_NE(dump.find("     0: \"1\" \"ｱﾅﾛｸﾞ局線\"\n"), std::string::npos) << dump;
  EXPECT_NE(dump.find("    *1: \"2\" \"表示\"\n"), std::string::npos) << dump;  // trail byte 0x5C kept
  EXPECT_NE(
      dump.find("style 00000000 at 0,0 size 0x0\n      (contents not read: no room below 2 GiB in 64-bit "
                "process 40)\n    [1003]"),
      std::string::npos)
      << dump;
  EXPECT_EQ(dump.find("(contents not read: )"), std::string::npos) << dump;  // only where reading failed
  EXPECT_NE(dump.find("    [1003] Button \"line \\\"one\\\"\\n\\\\\" disabled checked"), std::string::npos)
      << dump;
  EXPECT_EQ(DescribeWindows({}), "(no visible window)\n");
  EXPECT_EQ(QuoteText(std::string("a\x01", 2)), "\"a\\x01\"");
}
