// The child's command line: built by OrvexRoll, split as the C runtime does, parsed by the children.
#include <gtest/gtest.h>

#include "ChildCommandLine.h"

using namespace orvex::autoupdate;

namespace {

ChildArguments Parse(const std::vector<std::string>& args, const std::string& program = "C:\\Tools\\OrvexSet.exe") {
  ChildArguments out;
  ParseChildArguments(args, program, &out);
  return out;
}

}  // namespace

TEST(ChildCommandLine, BuiltLineSplitsBackIntoTheSameValues) {
  ToolCommand tool = SplitToolEntry("C:\\Program Files\\Orvex Update\\", "\\Bin\\OrvexFlash.exe /e 7  ");
  EXPECT_EQ(tool.program_path, "C:\\Program Files\\Orvex Update\\Bin\\OrvexFlash.exe");
  EXPECT_EQ(tool.options, "/e 7");
  // "表" ends in 0x5C: it must not escape the closing quote.
  const std::string handoff = "C:\\WINDOWS\\OrvexRoll\\表\\AutoVerUp.def";
  std::string line = BuildChildCommandLine(tool, handoff, 0x1234ABCD5678ull, 0x8102, 0xFFFF0000001Cull, 0x400);
  EXPECT_EQ(line.rfind("\"C:\\Program Files\\Orvex Update\\Bin\\OrvexFlash.exe\" /e 7 /a \"", 0), 0u);
  EXPECT_NE(line.find(" /w 1234ABCD5678 8102 FFFF0000001C 400"), std::string::npos);

  std::vector<std::string> argv = SplitCommandLine(line);
  ASSERT_EQ(argv.size(), 10u);
  EXPECT_EQ(argv[0], tool.program_path);  // one argument despite the blanks
  std::vector<std::string> rest(argv.begin() + 1, argv.end());
  ChildArguments args = Parse(rest, argv[0]);
  EXPECT_TRUE(args.automatic);
  EXPECT_EQ(args.handoff_path, handoff);
  EXPECT_EQ(args.report_window, 0x1234ABCD5678ull);
  EXPECT_EQ(args.report_message, 0x8102u);
  EXPECT_EQ(args.report_mapping, 0xFFFF0000001Cull);
  EXPECT_EQ(args.report_size, 0x400u);
  EXPECT_TRUE(args.HasReportTarget());
  EXPECT_TRUE(args.test_failure);
  EXPECT_EQ(args.test_value, 7);
}

TEST(ChildCommandLine, SplittingFollowsTheRuntimeRules) {
  auto argv = SplitCommandLine("\"C:\\a b\\x.exe\"  one \"two three\" a\\\\\\\"b \"c\\\\\" d\\e");
  ASSERT_EQ(argv.size(), 6u);
  EXPECT_EQ(argv[0], "C:\\a b\\x.exe");
  EXPECT_EQ(argv[1], "one");
  EXPECT_EQ(argv[2], "two three");
  EXPECT_EQ(argv[3], "a\\\"b");
  EXPECT_EQ(argv[4], "c\\");
  EXPECT_EQ(argv[5], "d\\e");
  EXPECT_EQ(SplitCommandLine("x.exe").size(), 1u);
}

TEST(ChildCommandLine, OptionsValuesAndLimits) {
  // Options in either case; the value count starts again with every option.
  ChildArguments a = Parse({"/W", "1", "2", "3", "4", "5", "/e", "-3", "9", "/w", "AB"});
  EXPECT_EQ(a.report_window, 0xABu);
  EXPECT_EQ(a.report_message, 2u);
  EXPECT_EQ(a.report_mapping, 3u);
  EXPECT_EQ(a.report_size, 4u);
  EXPECT_EQ(a.test_value, -3);
  EXPECT_FALSE(a.automatic);

  // Digit limits 16, 8, 16, 8; leading blanks and control characters skipped; stops at a non-digit.
  ChildArguments b = Parse({"/w", "\t 123456789abcdef012", "123456789", "ffz0", ""});
  EXPECT_EQ(b.report_window, 0x123456789ABCDEF0ull);
  EXPECT_EQ(b.report_message, 0x12345678u);
  EXPECT_EQ(b.report_mapping, 0xFFu);
  EXPECT_EQ(b.report_size, 0u);
  EXPECT_FALSE(Parse({"/w", "0", "8102"}).HasReportTarget());

  // Hand-off paths without a drive are completed from the program path.
  EXPECT_EQ(Parse({"/a", "AutoPara.def"}).handoff_path, "C:\\Tools\\AutoPara.def");
  EXPECT_EQ(Parse({"/a", "run\\AutoPara.def"}).handoff_path, "C:\\run\\AutoPara.def");
  EXPECT_EQ(Parse({"/a", "D:\\x\\AutoPara.def"}).handoff_path, "D:\\x\\AutoPara.def");
  EXPECT_EQ(Parse({"/a", "\\\\srv\\s\\AutoPara.def"}).handoff_path, "\\\\srv\\s\\AutoPara.def");
  // Only the first value counts; an empty one switches automatic mode on without a path.
  EXPECT_EQ(Parse({"/a", "a.def", "b.def"}).handoff_path, "C:\\Tools\\a.def");
  ChildArguments empty = Parse({"/a", ""});
  EXPECT_TRUE(empty.automatic);
  EXPECT_EQ(empty.handoff_path, "");
  // Unknown options and values before any option select nothing.
  ChildArguments none = Parse({"x.ini", "/q", "a.def", "/", "b"});
  EXPECT_FALSE(none.automatic);
  EXPECT_FALSE(none.test_failure);
}

TEST(ChildCommandLine, ToolOptionsReachTheHandler) {
  // OrvexSet's /m restarts the count without replacing the current option.
  struct Recorder : ChildOptionHandler {
    std::vector<std::string> seen;
    bool OnOption(char letter) override { return letter != 'm'; }
    void OnValue(char option, int index, std::string_view value) override {
      seen.push_back(std::string(1, option ? option : '-') + std::to_string(index) + std::string(value));
    }
  } recorder;
  ChildArguments args;
  ParseChildArguments({"Set.ini", "/s", "a.prg", "/m", "b.prg", "/a", "c.def"}, "C:\\T\\x.exe", &args, &recorder);
  EXPECT_EQ(recorder.seen, (std::vector<std::string>{"-0Set.ini", "s0a.prg", "s0b.prg", "a0c.def"}));
  EXPECT_TRUE(args.automatic);
}

TEST(ChildCommandLine, ToolEntryAndTestOption) {
  // A '/' in the update folder does not cut the program path.
  ToolCommand t = SplitToolEntry("C:/upd/", "Bin\\OrvexSet.exe");
  EXPECT_EQ(t.program_path, "C:/upd/Bin\\OrvexSet.exe");
  EXPECT_EQ(t.options, "");
  EXPECT_EQ(SplitToolEntry("C:\\u\\", "/e 7").program_path, "C:\\u\\");

  std::string o = "/e 7";
  EXPECT_TRUE(RemoveTestOption(&o));
  EXPECT_EQ(o, "");
  o = "/e 12 /x 1";
  EXPECT_TRUE(RemoveTestOption(&o));
  EXPECT_EQ(o, "/x 1");
  o = "/e";
  EXPECT_TRUE(RemoveTestOption(&o));
  EXPECT_EQ(o, "");
  for (std::string kept : {"/E 7", "/ex", "/x /e 7", ""}) {
    std::string copy = kept;
    EXPECT_FALSE(RemoveTestOption(&copy)) << kept;
    EXPECT_EQ(copy, kept);
  }
}
