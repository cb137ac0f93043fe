// The common controls' structures for a target of either bitness, and where a 32-bit driver puts
// them in a 64-bit target. The offsets are those of the Windows headers (the Windows trees also
// check them against their own compiler's structures).
#include <gtest/gtest.h>

#include <algorithm>

#include "RemoteStructs.h"

using namespace orvex::uidriver;

namespace {

// Offsets of mask, text pointer, text length and the size, in that order.
std::vector<size_t> TextFields(const StructLayout& l) {
  return {l.mask, l.text, l.text_max, l.size};
}

}  // namespace

TEST(RemoteStructsTest, StructuresFollowTheTargetsBitness) {
  // A 64-bit target's pointers are padded to 8 bytes, which moves everything behind them.
  EXPECT_EQ(TextFields(ListColumnLayout(Bitness::k32)), (std::vector<size_t>{0, 12, 16, 44}));
  EXPECT_EQ(TextFields(ListColumnLayout(Bitness::k64)), (std::vector<size_t>{0, 16, 24, 56}));
  EXPECT_EQ(TextFields(ListItemLayout(Bitness::k32)), (std::vector<size_t>{0, 20, 24, 60}));
  EXPECT_EQ(TextFields(ListItemLayout(Bitness::k64)), (std::vector<size_t>{0, 24, 32, 88}));
  EXPECT_EQ(TextFields(TabItemLayout(Bitness::k32)), (std::vector<size_t>{0, 12, 16, 28}));
  EXPECT_EQ(TextFields(TabItemLayout(Bitness::k64)), (std::vector<size_t>{0, 16, 24, 40}));
  for (Bitness b : {Bitness::k32, Bitness::k64}) {
    StructLayout item = ListItemLayout(b);
    EXPECT_EQ(item.pointer, static_cast<size_t>(b));
    EXPECT_EQ(item.sub_item, 8u);
    EXPECT_EQ(item.state, 12u);
    EXPECT_EQ(item.state_mask, 16u);
    EXPECT_EQ(TabItemLayout(b).state, StructLayout::kNoField);
  }

  // An image holds the fields and nothing else.
  StructFields fields;
  fields.mask = 0x1;
  fields.sub_item = 2;
  fields.text = 0x00007FF612340080u;
  fields.text_max = 4096;
  auto wide = StructImage(ListItemLayout(Bitness::k64), fields);
  ASSERT_TRUE(wide);
  ASSERT_EQ(wide->size(), 88u);
  std::vector<uint8_t> expected(88, 0);
  expected[0] = 0x01;
  expected[8] = 0x02;
  const uint8_t pointer[] = {0x80, 0x00, 0x34, 0x12, 0xF6, 0x7F, 0x00, 0x00};
  std::copy(std::begin(pointer), std::end(pointer), expected.begin() + 24);
  expected[33] = 0x10;  // 4096
  EXPECT_EQ(*wide, expected);

  // A 32-bit target gets the address in 4 bytes, high bit and all; one that does not fit is no
  // address of its memory and is refused rather than cut.
  fields.text = 0x80001080u;
  auto narrow = StructImage(ListItemLayout(Bitness::k32), fields);
  ASSERT_TRUE(narrow);
  ASSERT_EQ(narrow->size(), 60u);
  EXPECT_EQ(std::vector<uint8_t>(narrow->begin() + 20, narrow->begin() + 28),
            (std::vector<uint8_t>{0x80, 0x10, 0x00, 0x80, 0x00, 0x10, 0x00, 0x00}));
  fields.text = 0x100001080u;
  EXPECT_FALSE(StructImage(ListItemLayout(Bitness::k32), fields).has_value());
  EXPECT_TRUE(StructImage(ListItemLayout(Bitness::k64), fields).has_value());

  // A tab item has no state to set.
  StructFields state;
  state.state_mask = 0x2;
  EXPECT_FALSE(StructImage(TabItemLayout(Bitness::k64), state).has_value());
  state.state_mask = 0;
  EXPECT_TRUE(StructImage(TabItemLayout(Bitness::k64), state).has_value());
}

TEST(RemoteStructsTest, LowPlacesAreWholeGranulesBelowTheLimit) {
  const uint64_t granule = 0x10000, limit = 0x80000000u;
  std::vector<FreeRegion> free_regions = {
      {0x0, 0x10000},            // address 0 would let the system choose
      {0x12000, 0x1E000},        // rounded up to 0x20000, room to 0x30000
      {0x31000, 0xF000},         // no whole granule inside
      {0x7FFF0000, 0xC0010000},  // a size cut to 32 bits: still room below the limit
      {0x7FFFF000, 0x100000},    // the block would cross the limit
      {0xFFFFFFFFFFFF0000u, 0x20000},
  };
  EXPECT_EQ(LowPlaces(free_regions, 0x2000, granule, limit), (std::vector<uint64_t>{0x20000, 0x7FFF0000}));
  // No room for a block this big: nothing to try, and the driver says so.
  EXPECT_TRUE(LowPlaces(free_regions, 0x10001, granule, limit).empty());
}
