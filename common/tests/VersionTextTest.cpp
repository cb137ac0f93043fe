#include <gtest/gtest.h>

#include "VersionText.h"

using namespace orvex;

TEST(VersionText, ReadingAndShowing) {
  EXPECT_EQ(ParseVersionWithCarry("1.2.3.4"), 0x01020304u);
  EXPECT_EQ(ParseVersionWithCarry("1, 2, 3, 4"), 0x01020304u);
  EXPECT_EQ(ParseVersionWithCarry("2.10.0.300"), 0x020A012Cu);
  EXPECT_EQ(VersionText(0x020A012C), "2.10.1.44");
  EXPECT_EQ(ParseVersionWithCarry(""), 0u);
  EXPECT_EQ(ParseVersionPacked("1, 0, 4, 0"), 0x01000400u);
  EXPECT_EQ(ParseVersionPacked("2.0.1.1"), 0x02000101u);
  EXPECT_EQ(ParseVersionPacked("1.2.3.300"), 0x0102032Cu);
  EXPECT_EQ(VersionText(0x01010203), "1.1.2.3");
}
