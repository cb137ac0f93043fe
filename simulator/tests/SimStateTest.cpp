// The simulated adapter's state file: reading, the messages for bad files, and writing back
// without losing what the file said.
#include <gtest/gtest.h>

#include <string>

#include "SimState.h"

using namespace orvex::sim;

namespace {

SimState Parse(const std::string& text) {
  SimState s;
  std::string error;
  EXPECT_TRUE(ParseSimState(text, &s, &error)) << error;
  return s;
}

std::string ErrorOf(const std::string& text) {
  SimState s;
  std::string error;
  EXPECT_FALSE(ParseSimState(text, &s, &error)) << text;
  return error;
}

}  // namespace

TEST(SimState, ReadsTheDefaultFileAndEveryForm) {
  SimState d = Parse(DefaultSimStateText());
  EXPECT_EQ(d.channels, 5u);
  EXPECT_EQ(d.library_version, 0x01010203u);
  EXPECT_EQ(d.boards.size(), 4u);
  EXPECT_EQ(d.boards.at(3).kind, 0x02);
  EXPECT_EQ(d.boards.at(3).words[2], 0x1105);
  EXPECT_TRUE(d.log);

  SimState s = Parse(
      "# comment\r\n"
      "  present = 0  \r\n"
      "driver_version = 1.1.3.255\n"
      "driver_file = C:\\windows\\system32\\drivers\\Orvex.sys\n"
      "driver_detail = 0x1004\n"
      "device_text2 = テスト機 # not a comment\n"
      "board.2 = 0x14 0 0x1001\n"
      "fault.detach = 0x105 1167 50\n"
      "fault.detach.times = 2\n"
      "fault.not_ready = 0\n"
      "fault.reset_fail = 1\n"
      "fault.system_silent = 1\n"
      "fault.alarm =\n"
      "away_until = 1700000000000\n");
  EXPECT_FALSE(s.present);
  EXPECT_EQ(s.driver_version, 0x010103FFu);
  EXPECT_EQ(s.driver_file, "C:\\windows\\system32\\drivers\\Orvex.sys");
  EXPECT_EQ(UpdateSimStateText("", d).find("driver_file"), std::string::npos);  // unset: not written
  EXPECT_EQ(s.driver_detail, 0x1004u);
  EXPECT_EQ(s.device_text[1], "テスト機 # not a comment");
  EXPECT_EQ(s.boards.at(2).kind, 0x14);
  EXPECT_EQ(s.boards.at(2).words[1], 0x1001);
  EXPECT_EQ(s.boards.at(2).words[2], 0);
  EXPECT_TRUE(s.faults.detach.on);
  EXPECT_EQ(s.faults.detach.Value(0), 0x105u);
  EXPECT_EQ(s.faults.detach.Value(1), 1167u);
  EXPECT_EQ(s.faults.detach.times, 2);
  EXPECT_FALSE(s.faults.not_ready.on);
  EXPECT_TRUE(s.faults.reset_fail.on);
  EXPECT_TRUE(s.faults.system_silent.on);
  EXPECT_FALSE(s.faults.alarm.on);
  EXPECT_EQ(s.away_until, 1700000000000);
}

TEST(SimState, BadFilesAreRefusedWithTheLine) {
  EXPECT_EQ(ErrorOf("present = 1\nchanels = 4\n"), "line 2: unknown key 'chanels'");
  EXPECT_EQ(ErrorOf("channels = four\n"), "line 1: bad value for 'channels'");
  EXPECT_EQ(ErrorOf("channels\n"), "line 1: expected 'key = value'");
  EXPECT_EQ(ErrorOf("driver_version = 1.2.3\n"), "line 1: bad value for 'driver_version'");
  EXPECT_EQ(ErrorOf("driver_version = 1.2.3.256\n"), "line 1: bad value for 'driver_version'");
  EXPECT_EQ(ErrorOf("product = 0x10000\n"), "line 1: bad value for 'product'");
  // 2^64: too long a number is refused, not wrapped round to 0.
  EXPECT_EQ(ErrorOf("away_until = 18446744073709551616\n"), "line 1: bad value for 'away_until'");
  EXPECT_EQ(ErrorOf("away_until = 0x10000000000000000\n"), "line 1: bad value for 'away_until'");
  EXPECT_EQ(ErrorOf("fault.not_ready = 2\n"), "line 1: bad value for 'fault.not_ready'");
  EXPECT_EQ(ErrorOf("fault.alarm = 1 2 3\n"), "line 1: bad value for 'fault.alarm'");
  EXPECT_EQ(ErrorOf("parameter_file = ..\\x.prg\n"), "line 1: bad value for 'parameter_file'");
  EXPECT_NE(ErrorOf("board.1 = 0x02 0x10000\n").find("line 1: bad board"), std::string::npos);
  // The adapter must fit together: boards on line channels, no more channels than lines + 1.
  EXPECT_EQ(ErrorOf("channels = 3\nboard.3 = 0x02\n"), "board.3: line channels are 1..2");
  EXPECT_EQ(ErrorOf("channels = 9\nmax_lines = 4\n"), "channels 9: at most max_lines + 1 (5)");
  EXPECT_EQ(ErrorOf("channels = 0\n"), "channels must be at least 1 (the system channel)");

  // Lines laid over a state count their own line numbers and change nothing when refused.
  SimState s;
  std::string error;
  ASSERT_TRUE(ApplySimStateLines("present=0\nfault.alarm=0x42 10\n", &s, &error)) << error;
  EXPECT_FALSE(s.present);
  EXPECT_EQ(s.faults.alarm.Value(0), 0x42u);
  EXPECT_FALSE(ApplySimStateLines("present=1\nbogus=1\n", &s, &error));
  EXPECT_EQ(error, "line 2: unknown key 'bogus'");
  EXPECT_FALSE(s.present);
}

TEST(SimState, FaultsFireAsOftenAsTheySay) {
  Fault once;
  once.on = true;
  once.times = 1;
  EXPECT_TRUE(once.Fire());
  EXPECT_FALSE(once.on);
  EXPECT_FALSE(once.Fire());
  Fault always;
  always.on = true;
  EXPECT_TRUE(always.Fire());
  EXPECT_TRUE(always.Fire());
  EXPECT_TRUE(always.on);
  // A count of 0 in the file is a spent fault.
  EXPECT_FALSE(Parse("fault.alarm = 5\nfault.alarm.times = 0\n").faults.alarm.on);
}

TEST(SimState, AResetOrRestartIsAwayForAMomentEvenWithoutDelays) {
  SimState s;
  EXPECT_EQ(s.ReturnTime(1000, 3000), 4000);
  s.time_scale = 0;  // no delays at all: the adapter must still be seen to leave
  s.away_until = s.ReturnTime(1000, 3000);
  EXPECT_FALSE(s.Available(1000));
  EXPECT_TRUE(s.Available(1000 + kMinAwayMs));
}

TEST(SimState, WritingBackKeepsTheFileAndChangesOnlyWhatChanged) {
  const std::string text =
      "# my adapter\n"
      "driver_detail = 3\n"
      "\n"
      "board.1 = 2 0 0x1020 0x1105\n"
      "board.3 = 0x00 0x2003\n"
      "fault.alarm = 0x42\n"
      "fault.alarm.times = 1\n"
      "fault.reset_fail = 1\n"
      "channels = 5\n";
  SimState s = Parse(text);

  // Nothing changed: byte for byte the same file.
  EXPECT_EQ(UpdateSimStateText(text, s), text);

  ASSERT_TRUE(s.faults.alarm.Fire());  // spent: both of its lines go
  s.boards[1].words[2] = 0x1106;
  s.boards.erase(3);
  s.boards[2] = Board{0x01, {0x4001, 0, 0, 0}};
  s.away_until = 12345;
  std::string out = UpdateSimStateText(text, s);
  EXPECT_EQ(out,
            "# my adapter\n"
            "driver_detail = 3\n"
            "\n"
            "board.1 = 0x02 0x0000 0x1020 0x1106 0x0000\n"
            "fault.reset_fail = 1\n"
            "channels = 5\n"
            "away_until = 12345\n"
            "board.2 = 0x01 0x4001 0x0000 0x0000 0x0000\n");
  SimState again = Parse(out);
  EXPECT_EQ(again.boards.size(), 2u);
  EXPECT_FALSE(again.faults.alarm.on);
  EXPECT_TRUE(again.faults.reset_fail.on);
  EXPECT_EQ(again.away_until, 12345);
}

TEST(SimState, RestartAfterAFailedWriteIsASwitch) {
  SimState s;
  std::string error;
  EXPECT_FALSE(s.restart_after_failure);
  ASSERT_TRUE(ApplySimStateLines("restart_after_failure = 1\n", &s, &error)) << error;
  EXPECT_TRUE(s.restart_after_failure);
  EXPECT_NE(UpdateSimStateText("", s).find("restart_after_failure = 1"), std::string::npos);
  EXPECT_FALSE(ApplySimStateLines("restart_after_failure = 2\n", &s, &error));
}
