// The orvexui command line and script lines, and the texts the driver builds for programs.
#include <gtest/gtest.h>

#include "ChildCommandLine.h"
#include "UiCommand.h"

using namespace orvex::uidriver;

namespace {

UiCommand Parse(std::vector<std::string> args, bool in_script = false) {
  UiCommand cmd;
  std::string error;
  EXPECT_TRUE(ParseUiCommand(args, in_script, &cmd, &error)) << error;
  return cmd;
}

std::string Error(std::vector<std::string> args, bool in_script = false) {
  UiCommand cmd;
  std::string error;
  EXPECT_FALSE(ParseUiCommand(args, in_script, &cmd, &error));
  return error;
}

}  // namespace

TEST(UiCommandTest, ControlCommandsTakeTheirOptions) {
  UiCommand c = Parse({"click", "--pid", "32", "--caption", "自動更新", "--id", "0x3E9", "--timeout", "2.5"});
  EXPECT_EQ(c.verb, UiVerb::kClick);
  EXPECT_EQ(c.pid, 32u);
  EXPECT_EQ(*c.caption, "自動更新");
  EXPECT_EQ(c.id, 1001);
  EXPECT_EQ(c.timeout_ms, 2500u);
  EXPECT_EQ(c.match, Match::kExact);

  c = Parse({"type", "--pid", "7", "--caption", "a", "--match", "prefix", "--id", "-1", "--text", ""});
  EXPECT_EQ(c.verb, UiVerb::kType);
  EXPECT_EQ(c.id, 65535);  // IDC_STATIC
  EXPECT_EQ(c.text, "");
  EXPECT_EQ(c.match, Match::kPrefix);

  c = Parse({"answer", "--pid", "7", "--button", "YES", "--expect-text", "開始しますか", "--utf8"});
  EXPECT_EQ(c.button, 6);
  EXPECT_FALSE(c.caption.has_value());
  EXPECT_EQ(*c.expect_text, "開始しますか");
  EXPECT_TRUE(c.utf8);
  EXPECT_EQ(Parse({"answer", "--pid", "7", "--button", "1234"}).button, 1234);

  EXPECT_EQ(Parse({"check", "--pid", "1", "--caption", "x", "--id", "5", "--state", "off"}).state, false);
  EXPECT_TRUE(Parse({"command", "--pid", "1", "--caption", "x", "--id", "16", "--system"}).system);
  EXPECT_EQ(Parse({"wait-exit", "--pid", "9"}).timeout_ms, 60000u);
  EXPECT_EQ(Parse({"dump", "--pid", "9"}).timeout_ms, 10000u);
}

TEST(UiCommandTest, StartAndRunTakeTheProgramAfterTheSeparator) {
  UiCommand c = Parse({"start", "--env", "ORVEX_SIM=Z:\\tmp\\a b", "--env", "X=", "--cwd", "/tmp/run",
                       "--inherit", "--", "/work/build/OrvexRoll.exe", "/a", "--pid"});
  EXPECT_EQ(c.verb, UiVerb::kStart);
  ASSERT_EQ(c.environment.size(), 2u);
  EXPECT_EQ(c.environment[0].first, "ORVEX_SIM");
  EXPECT_EQ(c.environment[0].second, "Z:\\tmp\\a b");
  EXPECT_EQ(c.environment[1].second, "");
  EXPECT_EQ(c.working_folder, "Z:\\tmp\\run");
  EXPECT_TRUE(c.inherit);
  // Everything after "--" belongs to the program, options included.
  EXPECT_EQ(c.program, (std::vector<std::string>{"Z:\\work\\build\\OrvexRoll.exe", "/a", "--pid"}));

  c = Parse({"run", "--script", "/tmp/s.txt", "--", "C:\\p.exe"});
  EXPECT_EQ(c.script, "Z:\\tmp\\s.txt");
  EXPECT_EQ(c.program[0], "C:\\p.exe");
}

TEST(UiCommandTest, MistakesAreNamed) {
  EXPECT_NE(Error({}).find("no command"), std::string::npos);
  EXPECT_NE(Error({"clik"}).find("unknown command \"clik\""), std::string::npos);
  EXPECT_NE(Error({"click", "--caption", "x", "--id", "1"}).find("--pid is missing"), std::string::npos);
  EXPECT_NE(Error({"click", "--pid", "1", "--id", "1"}).find("--caption is missing"), std::string::npos);
  EXPECT_NE(Error({"click", "--pid", "1", "--caption", "x"}).find("--id is missing"), std::string::npos);
  EXPECT_NE(Error({"type", "--pid", "1", "--caption", "x", "--id", "2"}).find("--text is missing"),
            std::string::npos);
  EXPECT_NE(Error({"answer", "--pid", "1"}).find("--button is missing"), std::string::npos);
  EXPECT_NE(Error({"wait", "--pid", "0", "--caption", "x"}).find("--pid takes"), std::string::npos);
  EXPECT_NE(Error({"wait", "--pid", "1", "--caption"}).find("--caption needs a value"), std::string::npos);
  EXPECT_NE(Error({"wait", "--pid", "1", "--caption", "x", "--timeout", "3601"}).find("--timeout"),
            std::string::npos);
  EXPECT_NE(Error({"wait", "--pid", "1", "--caption", "x", "--timeout", "-1"}).find("--timeout"),
            std::string::npos);
  EXPECT_NE(Error({"wait", "--pid", "1", "--caption", "x", "--match", "regex"}).find("--match"),
            std::string::npos);
  EXPECT_NE(Error({"click", "--pid", "1", "--caption", "x", "--id", "65536"}).find("--id"),
            std::string::npos);
  EXPECT_NE(Error({"answer", "--pid", "1", "--button", "maybe"}).find("--button"), std::string::npos);
  EXPECT_NE(Error({"check", "--pid", "1", "--caption", "x", "--id", "1", "--state", "1"}).find("on or off"),
            std::string::npos);
  // An option of another command is refused rather than ignored.
  EXPECT_NE(Error({"click", "--pid", "1", "--caption", "x", "--id", "1", "--text", "a"})
                .find("unknown option --text"),
            std::string::npos);
  EXPECT_NE(Error({"wait-exit", "--pid", "1", "stray"}).find("unexpected argument stray"), std::string::npos);
  EXPECT_NE(Error({"start", "--env", "=x", "--", "a.exe"}).find("NAME=VALUE"), std::string::npos);
  EXPECT_NE(Error({"start", "--env", "A=1"}).find("follows \"--\""), std::string::npos);
  EXPECT_NE(Error({"run", "--", "a.exe"}).find("--script"), std::string::npos);
}

TEST(UiCommandTest, ScriptLines) {
  UiCommand c;
  std::string error;
  EXPECT_EQ(ParseScriptLine("", &c, &error), ScriptLine::kEmpty);
  EXPECT_EQ(ParseScriptLine("   \r", &c, &error), ScriptLine::kEmpty);
  EXPECT_EQ(ParseScriptLine("  # answer --button yes", &c, &error), ScriptLine::kEmpty);
  ASSERT_EQ(
      ParseScriptLine("  answer --caption \"自動 更新\" --button yes --expect-text \"say \\\"go\\\"\"\r", &c,
                      &error),
      ScriptLine::kCommand)
      << error;
  EXPECT_EQ(c.verb, UiVerb::kAnswer);
  EXPECT_EQ(c.pid, 0u);  // the script's own process
  EXPECT_EQ(*c.caption, "自動 更新");
  EXPECT_EQ(*c.expect_text, "say \"go\"");
  // A quoted first word is still the command.
  EXPECT_EQ(ParseScriptLine("\"wait-exit\" --timeout 5", &c, &error), ScriptLine::kCommand) << error;
  EXPECT_EQ(c.verb, UiVerb::kWaitExit);
  EXPECT_EQ(ParseScriptLine("start -- a.exe", &c, &error), ScriptLine::kError);
  EXPECT_NE(error.find("inside a script"), std::string::npos);
  EXPECT_EQ(ParseScriptLine("click --caption x", &c, &error), ScriptLine::kError);
}

TEST(UiCommandTest, NumbersAndNames) {
  EXPECT_EQ(ParseSeconds("0"), 0u);
  EXPECT_EQ(ParseSeconds(".25"), 250u);
  EXPECT_EQ(ParseSeconds("3600"), 3600000u);
  EXPECT_EQ(ParseSeconds("1.2345"), 1234u);
  for (const char* bad : {"", ".", "1e3", "3600.1", "99999999999", "1.5s", " 1"}) {
    EXPECT_FALSE(ParseSeconds(bad).has_value()) << bad;
  }
  EXPECT_EQ(ParseButton("Cancel"), 2);
  EXPECT_EQ(ParseButton("continue"), 11);
  EXPECT_FALSE(ParseButton("0").has_value());
  EXPECT_STREQ(ButtonName(7), "no");
  EXPECT_EQ(ButtonName(12), nullptr);
}

TEST(UiCommandTest, ArgumentsSurviveQuotingAndTheChildsSplit) {
  // What the driven program's own parser gets back must be exactly what the test gave.
  const std::vector<std::string> args = {
      "plain", "", "two words", "quote\"inside", "C:\\Program Files\\", "end\\\\", "\\\"", "表示\\ﾊﾟﾗﾒｰﾀ",
      // 0x95 0x5C: a double-byte character whose second byte is a backslash, before a quote
      "\x95\x5C\"x"};
  std::string line = "prog.exe " + JoinArguments(args);
  std::vector<std::string> back = orvex::autoupdate::SplitCommandLine(line);
  ASSERT_EQ(back.size(), args.size() + 1) << line;
  for (size_t i = 0; i < args.size(); ++i) EXPECT_EQ(back[i + 1], args[i]) << i << ": " << line;
  EXPECT_EQ(QuoteArgument("/a"), "/a");
  EXPECT_EQ(JoinArguments({"prog", "x y"}, 1), "\"x y\"");
}

TEST(UiCommandTest, HostPaths) {
  EXPECT_EQ(HostPathToWindows("/work/wt/a b/x.exe"), "Z:\\work\\wt\\a b\\x.exe");
  EXPECT_EQ(HostPathToWindows("C:\\x"), "C:\\x");
  EXPECT_EQ(HostPathToWindows("rel/x"), "rel/x");
}
