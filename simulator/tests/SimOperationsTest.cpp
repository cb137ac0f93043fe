// Pulling the adapter out at its k-th operation: the count in the state file, the cut, and what
// a write cut off before its end leaves in the adapter.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ProgramHeader.h"
#include "SimDevice.h"
#include "SimOperations.h"

using namespace orvex;
using namespace orvex::sim;

namespace {

SimState Parse(const std::string& text) {
  SimState s;
  std::string error;
  EXPECT_TRUE(ParseSimState(text, &s, &error)) << error;
  return s;
}

}  // namespace

TEST(SimOperations, TheAdapterLeavesAtTheKthOperationOnceAndTheCountGoesOn) {
  SimState s = Parse("operations = 10\nunplug_at = 13\ntime_scale = 50\nadapter_ms = 1000\n");
  EXPECT_TRUE(CountOperation(&s, Operation::kAttach));
  EXPECT_TRUE(CountOperation(&s, Operation::kChannelStarted));
  EXPECT_TRUE(s.present);
  EXPECT_EQ(s.adapter_ms, 1000u + 200 + 15);  // the attach delay and one notification interval, halved
  EXPECT_FALSE(CountOperation(&s, Operation::kParameterBlock));  // the 13th
  EXPECT_EQ(s.adapter_ms, 1215u);                                // not carried out: no time
  EXPECT_EQ(s.operations, 13u);
  EXPECT_FALSE(s.present);
  EXPECT_EQ(s.unplug_at, 0u);
  EXPECT_EQ(s.unplugged, "13 parameter block");
  // Spent: plugged in again, the adapter carries on and keeps counting.
  s.present = true;
  EXPECT_TRUE(CountOperation(&s, Operation::kProgress));
  EXPECT_EQ(s.operations, 14u);
  EXPECT_EQ(s.unplugged, "13 parameter block");  // where it was, until the next cut

  // A point the count has already passed is not skipped: the next operation is the cut.
  s.unplug_at = 5;
  EXPECT_FALSE(CountOperation(&s, Operation::kRestart));
  EXPECT_EQ(s.unplugged, "15 restart");
  EXPECT_EQ(s.adapter_ms, 1215u + 40);  // the progress record

  // A restart is the pause before it leaves and the time away, a reset the time away; both away
  // for at least kMinAwayMs however fast the adapter runs.
  SimState fast = Parse("time_scale = 5\n");
  EXPECT_EQ(OperationMs(fast, Operation::kRestart), 15u + kMinAwayMs);
  EXPECT_EQ(OperationMs(fast, Operation::kReset), 150u);
  EXPECT_EQ(OperationMs(fast, Operation::kNotification), 0u);
}

TEST(SimOperations, TheCountAndTheCutLiveInTheStateFile) {
  const std::string text =
      "# run 7\n"
      "operations = 40\n"
      "unplug_at = 41\n"
      "present = 1\n";
  SimState s = Parse(text);
  ASSERT_FALSE(CountOperation(&s, Operation::kWriteEnd));
  std::string out = UpdateSimStateText(text, s);
  EXPECT_EQ(out,
            "# run 7\n"
            "operations = 41\n"
            "unplug_at = 0\n"
            "present = 0\n"
            "unplugged = 41 write end\n");
  SimState again = Parse(out);
  EXPECT_EQ(again.operations, 41u);
  EXPECT_EQ(again.unplugged, "41 write end");
  EXPECT_FALSE(again.present);

  // A fresh adapter says where the count is, from 0.
  SimState fresh = Parse(DefaultSimStateText());
  EXPECT_EQ(fresh.operations, 0u);
  EXPECT_NE(DefaultSimStateText().find("\noperations = 0\n"), std::string::npos);

  SimState bad;
  std::string error;
  EXPECT_FALSE(ParseSimState("operations = -1\n", &bad, &error));
  EXPECT_FALSE(ParseSimState("unplug_at = 0x100000000\n", &bad, &error));
  EXPECT_FALSE(ParseSimState("adapter_ms = x\n", &bad, &error));
  EXPECT_FALSE(ParseSimState("unplugged = " + std::string(256, 'x') + "\n", &bad, &error));
}

TEST(SimOperations, AWriteCutOffLeavesItsProcessorsErased) {
  SimState s;
  s.boards[1] = Board{0x00, {0x2003, 0, 0, 0}};            // analog trunk, program "R" 2.003
  s.boards[2] = Board{0x02, {0x1000, 0x1020, 0x1105, 0}};  // INS64
  s.boards[3] = Board{0x02, {0x1000, 0x1021, 0x1104, 0}};
  const uint16_t dsp = s.mc.words[kWordMcDsp];

  // Main controller program: MC-CPU reads 0.000, the rest of the controller is untouched.
  EXPECT_FALSE(EraseWriteTarget(&s, {0x00, 0, 4096}));
  EXPECT_EQ(s.mc.words[kWordMcCpu], 0);
  EXPECT_EQ(s.mc.words[kWordMcDsp], dsp);

  // A line board program erases that processor on every board it was written to.
  EXPECT_FALSE(EraseWriteTarget(&s, {0x10, 0, 4096}));
  EXPECT_EQ(s.boards[2].words[2], 0);
  EXPECT_EQ(s.boards[3].words[2], 0);
  EXPECT_EQ(s.boards[2].words[1], 0x1020);

  // A stored-name program keeps the digit that tells the board's type, so the adapter still
  // takes the program that repairs it.
  EXPECT_FALSE(EraseWriteTarget(&s, {0x35, 'R', 4096}));
  EXPECT_EQ(s.boards[1].words[0], 0x2000);
  EXPECT_EQ(WriteRequestStatus(s, {0x35, 'R', 4096}), 0);

  // Parameters: version 0.000 and zeros behind a header the tools read.
  ASSERT_TRUE(EraseWriteTarget(&s, {kKindParameterFile, 1, kParameterFileSize}));
  EXPECT_EQ(s.mc.words[kWordParameters], 0);
  std::vector<uint8_t> file = EmptyParameterFile(s);
  ASSERT_EQ(file.size(), kParameterFileSize);
  EXPECT_TRUE(CheckParameterToolHeader(file.data(), file.size()));
  ProgramHeader h;
  ASSERT_TRUE(ReadProgramHeader(file.data(), file.size(), &h));
  EXPECT_EQ(h.kind, kKindParameterFile);
  EXPECT_EQ(h.version(), 0);
  for (size_t i = kProgramHeaderSize; i < file.size(); ++i) ASSERT_EQ(file[i], 0) << i;
}
