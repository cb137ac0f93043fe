// OrvexSet's command line, its run modes, and what each start-up failure does in each mode.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "AutoRunContext.h"
#include "ToolTexts.h"

using namespace orvex;

namespace {

constexpr char kProgram[] = "C:\\Tools\\OrvexSet.exe";

ToolCommandLine Parse(std::vector<std::string> args) {
  return ParseToolCommandLine(args, kProgram);
}

}  // namespace

TEST(ToolCommandLine, FileModesTakeTheirPathFromTheFirstValueOnly) {
  // Without a value the mode is not set: the run stays interactive.
  ToolCommandLine bare = Parse({"/s"});
  EXPECT_EQ(bare.context.Mode(), RunMode::kInteractive);
  EXPECT_FALSE(bare.context.Unattended());

  ToolCommandLine read = Parse({"/S", "out.prg", "ignored.prg"});
  EXPECT_EQ(read.context.Mode(), RunMode::kFileRead);
  EXPECT_EQ(read.context.handoff_path, "C:\\Tools\\out.prg");
  EXPECT_EQ(read.context.wait_limit_ms, kFileModeWaitLimitMs);

  ToolCommandLine write = Parse({"/f", "sub\\in.prg"});
  EXPECT_EQ(write.context.Mode(), RunMode::kFileWrite);
  EXPECT_EQ(write.context.handoff_path, "C:\\sub\\in.prg");  // a folder part goes on the drive
  EXPECT_EQ(Parse({"/f", "D:\\x\\in.prg"}).context.handoff_path, "D:\\x\\in.prg");
}

TEST(ToolCommandLine, TheLastOfAutomaticAndFileModesWins) {
  ToolCommandLine a_then_s = Parse({"/a", "C:\\run\\AutoPara.def", "/s", "C:\\run\\out.prg"});
  EXPECT_FALSE(a_then_s.context.automatic);
  EXPECT_EQ(a_then_s.context.Mode(), RunMode::kFileRead);
  EXPECT_EQ(a_then_s.context.handoff_path, "C:\\run\\out.prg");

  ToolCommandLine s_then_a = Parse({"/s", "C:\\run\\out.prg", "/a", "C:\\run\\AutoPara.def"});
  EXPECT_EQ(s_then_a.context.Mode(), RunMode::kAutomatic);
  EXPECT_EQ(s_then_a.context.file_mode, FileMode::kNone);
  EXPECT_EQ(s_then_a.context.handoff_path, "C:\\run\\AutoPara.def");
  EXPECT_EQ(s_then_a.context.wait_limit_ms, kDefaultWaitLimitMs);
}

TEST(ToolCommandLine, NoMessageOptionKeepsTheOptionBeforeIt) {
  // The values after /m count again from the first value of /s.
  ToolCommandLine line = Parse({"/s", "/m", "out.prg"});
  EXPECT_FALSE(line.context.message_box);
  EXPECT_EQ(line.context.Mode(), RunMode::kFileRead);
  EXPECT_EQ(line.context.handoff_path, "C:\\Tools\\out.prg");

  // So a second value after /m is a first value again.
  ToolCommandLine twice = Parse({"/f", "a.prg", "/m", "b.prg"});
  EXPECT_EQ(twice.context.handoff_path, "C:\\Tools\\b.prg");
  EXPECT_TRUE(Parse({"/f", "a.prg"}).context.message_box);
}

TEST(ToolCommandLine, FirstPlainArgumentNamesTheDefinitionPathFile) {
  EXPECT_EQ(Parse({"Site.ini", "/m"}).definition_path_file, "Site.ini");
  EXPECT_EQ(Parse({"-x"}).definition_path_file, "");
  EXPECT_EQ(Parse({"/x", "Site.ini"}).definition_path_file, "");  // a value of an unknown option
  EXPECT_EQ(Parse({"/s", "out.prg", "Site.ini"}).definition_path_file, "");
  ToolCommandLine unknown = Parse({"/q", "value"});
  EXPECT_EQ(unknown.context.Mode(), RunMode::kInteractive);
}

TEST(ToolCommandLine, AutomaticRunWithReportTargetAndTestFailure) {
  ToolCommandLine line =
      Parse({"/a", "C:\\run\\AutoPara.def", "/w", "1A2B", "8102", "3c", "400", "/e", "7"});
  const AutoRunContext& c = line.context;
  EXPECT_EQ(c.Mode(), RunMode::kAutomatic);
  EXPECT_EQ(c.report_window, 0x1A2Bu);
  EXPECT_EQ(c.report_message, 0x8102u);
  EXPECT_EQ(c.report_mapping, 0x3Cu);
  EXPECT_EQ(c.report_size, 0x400u);
  EXPECT_TRUE(c.test);
  EXPECT_EQ(c.report_value, 7);
  EXPECT_TRUE(line.child.HasReportTarget());
}

TEST(RunOutcomes, StartWithoutAPath) {
  AutoRunContext automatic = Parse({"/a", ""}).context;
  ASSERT_TRUE(automatic.automatic);
  auto a = CheckStartPath(automatic);
  ASSERT_TRUE(a);
  EXPECT_TRUE(a->end_window);
  EXPECT_FALSE(a->exit_code);
  EXPECT_FALSE(a->report_code);

  AutoRunContext file = Parse({"/f", ""}).context;
  ASSERT_EQ(file.Mode(), RunMode::kFileWrite);
  auto f = CheckStartPath(file);
  ASSERT_TRUE(f);
  EXPECT_EQ(f->exit_code, kExitResource);
  file.exit_code = *f->exit_code;
  auto message = FinalMessageFor(file);
  ASSERT_TRUE(message);
  EXPECT_EQ(message->text, texts::kExitNoFileText);
  EXPECT_EQ(message->caption, texts::kWriteModeCaption);

  EXPECT_FALSE(CheckStartPath(Parse({"/f", "x.prg"}).context));
  EXPECT_FALSE(CheckStartPath(Parse({}).context));
}

TEST(RunOutcomes, EachModeFailsItsOwnWay) {
  RunOutcome report = AttachFailure(RunMode::kAutomatic, 0x1F, 31);
  EXPECT_TRUE(report.end_window);
  EXPECT_EQ(report.report_code, 256u);
  EXPECT_EQ(report.report_text, "デバイス接続異常 Stat = 1Fh, Err = 31");

  RunOutcome file = AttachFailure(RunMode::kFileRead, 0x1F, 31);
  EXPECT_TRUE(file.end_window);
  EXPECT_EQ(file.exit_code, kExitDeviceFailure);

  RunOutcome shown = AttachFailure(RunMode::kInteractive, 0x1F, 31);
  EXPECT_FALSE(shown.end_window);
  EXPECT_EQ(shown.message,
            "デバイス制御オブジェクトのアタッチに失敗しました。（デバイス制御不能)\n\nStat = 1Fh, Err = 31");

  EXPECT_EQ(ChannelOpenFailure(RunMode::kAutomatic).report_text, "デバイス制御オブジェクト作成失敗");
  EXPECT_EQ(ChannelOpenFailure(RunMode::kFileWrite).exit_code, kExitResource);
  RunOutcome open_shown = ChannelOpenFailure(RunMode::kInteractive);
  EXPECT_FALSE(open_shown.end_window);
  EXPECT_EQ(open_shown.message, texts::kChannelOpenFailedText);

  EXPECT_EQ(TimerStartFailure(RunMode::kAutomatic).report_code, 3u);
  EXPECT_EQ(TimerStartFailure(RunMode::kFileRead).exit_code, kExitResource);
  EXPECT_EQ(NoDeviceAtStart().exit_code, kExitNoDevice);
}

TEST(RunOutcomes, WaitLimitRunsFromStartUntilTheWorkBegins) {
  AutoRunContext c = Parse({"/a", "C:\\run\\AutoPara.def"}).context;
  c.start_tick = 0xFFFFF000u;  // the tick count wraps during the wait
  const uint32_t at_limit = c.start_tick + c.wait_limit_ms;
  EXPECT_FALSE(CheckWaitLimit(c, at_limit));
  auto device = CheckWaitLimit(c, at_limit + 1);
  ASSERT_TRUE(device);
  EXPECT_EQ(device->report_code, 256u);
  EXPECT_EQ(device->report_text, "デバイス接続待機時間オーバー(60秒)");

  c.OnDeviceAttached();
  EXPECT_EQ(CheckWaitLimit(c, at_limit + 1)->report_text, "システム・チャネル接続待機時間オーバー(60秒)");
  c.wait_stage = kWaitWorking;
  EXPECT_FALSE(CheckWaitLimit(c, at_limit + 100000));
  // The adapter restarting after the job began neither restarts the wait nor the job.
  c.OnDeviceAttached();
  EXPECT_EQ(c.wait_stage, kWaitWorking);

  AutoRunContext file = Parse({"/s", "out.prg"}).context;
  file.start_tick = 1000;
  EXPECT_FALSE(CheckWaitLimit(file, 1000 + 30000));
  auto over = CheckWaitLimit(file, 1000 + 30001);
  ASSERT_TRUE(over);
  EXPECT_EQ(over->exit_code, kExitDeviceFailure);
  EXPECT_FALSE(over->report_code);
}

TEST(RunOutcomes, FinalMessageOnlyForFailedFileModesWithMessages) {
  AutoRunContext read = Parse({"/s", "out.prg"}).context;
  EXPECT_FALSE(FinalMessageFor(read));  // success
  read.exit_code = kExitInvalidData;
  EXPECT_EQ(FinalMessageFor(read)->text, texts::kExitInvalidReadDataText);
  EXPECT_EQ(FinalMessageFor(read)->caption, texts::kReadModeCaption);
  read.exit_code = kExitResource;
  EXPECT_EQ(FinalMessageFor(read)->text, texts::kExitResourceText);  // a path was given
  read.exit_code = kExitNoDevice;
  EXPECT_EQ(FinalMessageFor(read)->text, texts::kExitNoDeviceText);

  AutoRunContext write = Parse({"/f", "in.prg"}).context;
  write.exit_code = kExitInvalidData;
  EXPECT_EQ(FinalMessageFor(write)->text, texts::kExitInvalidWriteFileText);
  write.message_box = false;
  EXPECT_FALSE(FinalMessageFor(write));

  AutoRunContext interactive;
  interactive.exit_code = kExitDeviceFailure;
  EXPECT_FALSE(FinalMessageFor(interactive));
}
